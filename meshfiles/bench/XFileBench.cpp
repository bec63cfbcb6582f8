// Writes and reads back an X file of 1 000 000 triangles (or the count
// given) and prints MB/s both ways, best of three runs.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "meshfiles/GLXFileReader.h"
#include "meshfiles/GLXFileWriter.h"
#include "platform/AtomicFile.h"
#include "scene/GLMesh.h"

using namespace lumora;

int main(int argc, char** argv) {
  const int triangles = argc > 1 ? std::atoi(argv[1]) : 1000000;
  TGLBaseFrame frame;
  auto* mesh = dynamic_cast<TGLMesh*>(frame.Meshes.AddNew());
  mesh->SetName("bench");
  std::mt19937 random(1);
  std::uniform_real_distribution<double> coord(-500, 500);
  mesh->Vertices.SetCapacity(3 * triangles);
  for (int t = 0; t < triangles; ++t)
    mesh->AddTriangle3({coord(random), coord(random), coord(random)}, {coord(random), coord(random), coord(random)},
                       {coord(random), coord(random), coord(random)}, static_cast<uint32_t>(t % 7) * 0x202020);
  mesh->ComputeNormals(false);

  const auto path = std::filesystem::temp_directory_path() / "lumora_xfile_bench.x";
  using Clock = std::chrono::steady_clock;
  double bestWrite = 1e99, bestRead = 1e99;
  size_t bytes = 0;
  for (int run = 0; run < 3; ++run) {
    const auto t0 = Clock::now();
    WriteXFile(path, frame, nullptr);
    const auto t1 = Clock::now();
    TGLBaseFrame back;
    ReadXFile(path, back, nullptr, false);
    const auto t2 = Clock::now();
    bytes = std::filesystem::file_size(path);
    bestWrite = std::min(bestWrite, std::chrono::duration<double>(t1 - t0).count());
    bestRead = std::min(bestRead, std::chrono::duration<double>(t2 - t1).count());
    if (dynamic_cast<TGLMesh&>(*back.Meshes[0]).TriangleCount() != triangles) {
      std::fprintf(stderr, "read back a different triangle count\n");
      return 1;
    }
  }
  std::filesystem::remove(path);
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("triangles: %d\nfile: %.1f MB\nwrite: %.3f s, %.1f MB/s\nread: %.3f s, %.1f MB/s\n", triangles, mb,
              bestWrite, mb / bestWrite, bestRead, mb / bestRead);
  return 0;
}
