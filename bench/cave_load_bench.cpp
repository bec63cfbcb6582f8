// Loads a generated cave into the scene as the window does, headless, and
// times each stage of the load up to the first frame by the progress texts
// the load reports. Goal: a million records to the first frame in at most
// 2.5 s with the walls built on every core, and a peak of at most 1.2 GB;
// Mesa's first drawing is timed on its own.
//
//   bench_cave_load [records | survey file]

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/core/GLCave.h"
#include "app/core/WallMesh.h"
#include "bench/BenchUtil.h"
#include "viewer/OffscreenViewer.h"

using namespace lumora;

namespace {

// The stage a progress text belongs to.
const char* StageOf(const std::string& action) {
  auto starts = [&](const char* p) { return action.rfind(p, 0) == 0; };
  if (starts("Reading File")) return "read";
  if (starts("Setting Shots") || starts("Shots: ") || starts("Splays: ")) return "shots";
  if (starts("Setting Stations") || starts("Station: ")) return "stations";
  if (starts("Setting Labels") || starts("Labels: ")) return "labels";
  if (starts("Building Mesh") || starts("Passage - Prisms")) return "walls";
  if (starts("Setting bounding box")) return "boxes";
  if (starts("Passage - ")) return "normals";
  if (starts("Rendering Image")) return "fit";
  return "other";
}

class TStageClock {
 public:
  void Enter(const char* stage) {
    if (current_ && std::string(current_) == stage) return;
    Close();
    current_ = stage;
  }
  void Close() {
    const double now = clock_.Seconds(), cpu = bench::CpuSeconds();
    if (current_) stages_.push_back({current_, now - last_, cpu - lastCpu_, bench::CurrentRssMB()});
    last_ = now;
    lastCpu_ = cpu;
    current_ = nullptr;
  }
  double Total() const { return last_; }
  struct TStage {
    const char* name;
    double seconds, cpu, residentMB;
  };
  const std::vector<TStage>& Stages() const { return stages_; }

 private:
  bench::Stopwatch clock_;
  const char* current_ = nullptr;
  double last_ = 0, lastCpu_ = bench::CpuSeconds();
  std::vector<TStage> stages_;
};

}  // namespace

int main(int argc, char** argv) {
  // The generator counts stations; its records run a few ahead of them.
  const bool given = argc > 1 && std::atoi(argv[1]) <= 0;
  const std::string file =
      given ? std::string(argv[1]) : bench::GeneratedPlotFile(argc > 1 ? std::atoi(argv[1]) : 1000000);
  InitPlotUnits();

  TOffscreenViewer viewer(1000, 800);
  const TCaveScene scene = CreateSceneObjects(viewer);
  TCaveDocument document;
  const TPlotModel& model = document.Model;
  TCaveLoadProgress progress;
  const double cpuAtStart = bench::CpuSeconds();
  TStageClock clock;
  progress.Action = [&](const std::string& text) { clock.Enter(StageOf(text)); };
  // As in the window, the centreline is drawn while the walls build.
  double centrelineAt = 0, centrelineDrawing = 0;
  progress.CentrelineReady = [&] {
    clock.Enter("centreline");
    bench::Stopwatch drawing;
    viewer.Grab();
    centrelineDrawing = drawing.Seconds();
    clock.Close();
    centrelineAt = clock.Total();
  };

  const TCaveLoadResult result = LoadCave(file, viewer, scene, document, TCaveMeshSettings{}, TCaveStyle{}, progress,
                                          [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); });
  // The window's part before the first frame. The smooth untextured walls
  // make neither their octree nor texture coordinates for it.
  clock.Enter("defaults");
  ApplyDisplayDefaults(scene, TCaveStyle{}.WallColor);
  clock.Close();
  const double loadPeak = bench::PeakRssMB();
  const double cpuBeforeDrawing = bench::CpuSeconds();

  bench::Stopwatch draw;
  viewer.Grab();
  const double drawing = draw.Seconds(), drawingCpu = bench::CpuSeconds() - cpuBeforeDrawing;

  std::printf("cave load: %s%s\n", file.c_str(), result.Error.empty() ? "" : " (reader warning)");
  std::printf("  model           %d records, %d faces, %d vertices\n", model.Plots.Count(),
              scene.PassageMesh->ColorCount(), scene.PassageMesh->VertexCount());
  for (const auto& [stage, seconds, cpu, resident] : clock.Stages())
    std::printf("  %-15s %.3f s, %.3f s of CPU, %.0f MB resident after it\n", stage, seconds, cpu, resident);
  std::printf("  centreline     picture at %.3f s, its drawing %.3f s (Mesa)\n", centrelineAt, centrelineDrawing);
  std::printf("  to first frame  %.3f s without drawing (goal: at most 2.5 s), %.3f s of CPU, %u cores\n",
              clock.Total(), cpuBeforeDrawing - cpuAtStart, std::thread::hardware_concurrency());
  std::printf("  first drawing   %.3f s, %.3f s of CPU (Mesa); %.3f s to the first picture\n", drawing, drawingCpu,
              clock.Total() + drawing);
  bench::Stopwatch again;
  const double cpuAgain = bench::CpuSeconds();
  viewer.Grab();
  std::printf("  next drawing    %.3f s, %.3f s of CPU (Mesa)\n", again.Seconds(), bench::CpuSeconds() - cpuAgain);
  std::printf("  peak memory     %.0f MB before drawing, %.0f MB after (goal: at most 1200 MB)\n", loadPeak,
              bench::PeakRssMB());
  // The walls alone, on one thread and split, after the peak is taken.
  scene.PassageMesh->Clear();
  for (const int threads : {1, 0}) {
    TGLFastMesh walls;
    TPassageState state;
    bench::Stopwatch build;
    const double cpu = bench::CpuSeconds();
    AddPassageWalls(model, document.PassageOptions, walls, state, {}, nullptr, nullptr, nullptr, threads);
    std::printf("  walls alone     %.3f s, %.3f s of CPU, %s\n", build.Seconds(), bench::CpuSeconds() - cpu,
                threads == 1 ? "one thread" : "split among the cores");
  }
  return 0;
}
