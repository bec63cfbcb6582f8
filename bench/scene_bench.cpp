// Scene engine figures on this machine's GL (Mesa llvmpipe, headless):
// building a 2 000 000-triangle indexed mesh, and milliseconds per frame at
// 1000 x 800 for that mesh drawn smooth and for 100 000 line segments.
// The numbers compare versions of our code; a GPU draws far faster. The
// frame benchmarks' real time per iteration is the time per frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "scene/GLFastMesh.h"
#include "scene/GLLines.h"
#include "viewer/OffscreenViewer.h"

namespace {

using namespace lumora;

// A rippled sheet of n x n cells, two triangles each, spanning the view.
void FillSheet(TGLFastMesh& mesh, int n) {
  auto at = [n](int i, int j) {
    const double x = -4 + 8.0 * i / n, y = -3 + 6.0 * j / n;
    return T3DVector{x, y, 0.2 * std::sin(3 * x) * std::cos(2 * y)};
  };
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const uint32_t colour = 0xFF000000u | ((i * 255 / n) << 8) | (j * 255 / n);
      mesh.AddTriangleRGB(TTriangle3{{at(i, j), at(i + 1, j), at(i + 1, j + 1)}}, colour);
      mesh.AddTriangleRGB(TTriangle3{{at(i, j), at(i + 1, j + 1), at(i, j + 1)}}, colour);
    }
}

constexpr int kSheet = 1000;  // 2 000 000 triangles

// Argument 1: the builder reserves room for the faces first.
void BM_FastMeshBuild(benchmark::State& state) {
  for (auto _ : state) {
    TGLFastMesh mesh;
    if (state.range(0)) mesh.Reserve(2 * kSheet * kSheet, (kSheet + 1) * (kSheet + 1));
    FillSheet(mesh, kSheet);
    mesh.ComputeNormals(true);
    benchmark::DoNotOptimize(mesh.VertexCount());
    state.counters["triangles"] = mesh.TriangleCount();
    state.counters["vertices"] = mesh.VertexCount();
  }
}
BENCHMARK(BM_FastMeshBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_FastMeshSmoothFrame(benchmark::State& state) {
  TOffscreenViewer viewer(1000, 800);
  auto* mesh = static_cast<TGLFastMesh*>(viewer.Frame.FastMeshes.AddNew());
  FillSheet(*mesh, kSheet);
  mesh->ComputeNormals(true);
  viewer.Render(false);  // first frame builds the octree and texture coordinates
  for (auto _ : state) viewer.Render(false);
}
BENCHMARK(BM_FastMeshSmoothFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LinesFrame(benchmark::State& state) {
  TOffscreenViewer viewer(1000, 800);
  auto* lines = static_cast<TGLLines*>(viewer.Frame.Lines.AddNew());
  std::mt19937 random(7);
  std::uniform_real_distribution<double> x(-4, 4), y(-3, 3), d(-0.2, 0.2);
  for (int i = 0; i < 100000; ++i) {
    const T3DVector a{x(random), y(random), d(random)};
    lines->AddSegment(a, Add(a, T3DVector{d(random), d(random), d(random)}), random() & 0xFFFFFF);
  }
  viewer.Render(false);
  for (auto _ : state) viewer.Render(false);
}
BENCHMARK(BM_LinesFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
