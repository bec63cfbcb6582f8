// Station labels against station points: milliseconds per frame at
// 1000 x 800 for 20 000 labels of a label set (mode 2, the station labels'
// mode) and for 20 000 points, on this machine's GL (Mesa llvmpipe,
// headless). The frame benchmarks' real time per iteration is the time per
// frame.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <random>
#include <string>

#include "scene/GLFonts.h"
#include "scene/GLPoints.h"
#include "viewer/OffscreenViewer.h"

namespace {

using namespace lumora;

constexpr int kStations = 20000;

template <class F>
void ForEachStation(F&& f) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> x(-4.5, 4.0), y(-3.5, 3.5), z(-1, 1);
  for (int i = 0; i < kStations; ++i) f(i, T3DVector{x(random), y(random), z(random)});
}

void BM_LabelFrame(benchmark::State& state) {
  TOffscreenViewer viewer(1000, 800);
  auto* labels = static_cast<TGL2DString*>(viewer.Frame.Strings2D.AddNew());
  ForEachStation([&](int i, const T3DVector& p) { labels->AddString("A" + std::to_string(i), p, 2); });
  viewer.Render(false);  // first frame builds the glyphs
  for (auto _ : state) viewer.Render(false);
}
BENCHMARK(BM_LabelFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PointFrame(benchmark::State& state) {
  TOffscreenViewer viewer(1000, 800);
  auto* points = static_cast<TGLPoints*>(viewer.Frame.Points.AddNew());
  ForEachStation([&](int, const T3DVector& p) { points->AddPoint(p, 0x00FFFF, 3); });
  viewer.Render(false);  // first frame builds the grid
  for (auto _ : state) viewer.Render(false);
}
BENCHMARK(BM_PointFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // Glyphs need the font database; the offscreen platform needs no display.
  int qtArgc = 3;
  char name[] = "text_bench", option[] = "-platform", platform[] = "offscreen";
  char* qtArgv[] = {name, option, platform, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
