// The volume tool on a generated cave: collecting ten layers, the first
// ComputeVolumes (which triangulates), later ones (hulls only, what the
// concavity control reruns), the hull mesh and the full report of 1000
// rows; then ComputeVolumes at 1 % on a cave of 100 000 records (goal:
// under 100 ms). Wall and CPU seconds side by side: the machine may be
// shared.
//
//   bench_volume [stations] [--no-report]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "model/WorkingUnits.h"
#include "passage/PassageLib.h"
#include "platform/AtomicFile.h"
#include "volume/CVVolume.h"
#include "volume/VolumeReport.h"

using namespace lumora;

namespace {

struct TTimer {
  bench::Stopwatch wall;
  double cpu0 = bench::CpuSeconds();
  void Print(const char* what, int runs = 1, const char* goal = "") const {
    const double w = wall.Seconds() / runs, c = (bench::CpuSeconds() - cpu0) / runs;
    std::printf("  %-34s %9.2f ms wall %9.2f ms cpu  %s\n", what, w * 1000, c * 1000, goal);
  }
};

bool LoadCave(TPlotModel& model, int stations, std::string& file) {
  file = bench::GeneratedPlotFile(stations);
  const TPlotLoadResult r = LoadPlotText(model, ReadWholeFile(file), file);
  if (!r.Ok) std::fprintf(stderr, "%s\n", r.Message.c_str());
  return r.Ok;
}

void BuildWalls(const TPlotModel& model, const TPassageOptions& options, TPassageState& passages) {
  BuildPassages(model, options, passages,
                [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
}

// What the concavity control reruns at 1 % on a cave of 100 000 records,
// once the layers are triangulated.
void OnePercentOnABigCave() {
  TPlotModel model;
  std::string file;
  if (!LoadCave(model, 100000, file)) return;
  const TPassageOptions options;
  TPassageState passages;
  BuildWalls(model, options, passages);
  std::printf("ComputeVolumes at 1%% on %s, %d records\n", file.c_str(), model.Plots.Count());
  for (const bool byArea : {false, true}) {
    TVolumeModel volume(model, options, passages);
    volume.BuildLevels({}, true);
    volume.ComputeVolumes({}, byArea, 0.5);
    TTimer t;
    const int runs = 10;
    for (int i = 0; i < runs; ++i) volume.ComputeVolumes({}, byArea, 0.01);
    t.Print(byArea ? "by area" : "by length", runs, "(goal: under 100 ms)");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 20000;
  const bool fullReport = !(argc > 2 && std::string(argv[2]) == "--no-report");
  TPlotModel model;
  std::string file;
  if (!LoadCave(model, stations, file)) return 1;
  const TPassageOptions options;
  TPassageState passages;
  BuildWalls(model, options, passages);

  std::printf("volume tool: %s, %d records\n", file.c_str(), model.Plots.Count());
  for (const bool byArea : {false, true}) {
    TVolumeModel volume(model, options, passages);
    volume.LevelCount = 10;
    std::printf(" %s\n", byArea ? "by area" : "by length");
    {
      TTimer t;
      volume.BuildLevels({}, true);
      t.Print("BuildLevels, 10 layers");
    }
    size_t points = 0;
    for (int k = 0; k < 10; ++k) points += volume.Levels[k].Triangulator.Points().size();
    {
      TTimer t;
      volume.ComputeVolumes({}, byArea, 0.5);
      t.Print("first ComputeVolumes (triangulates)");
    }
    size_t triangles = 0, hull = 0;
    for (int k = 0; k < 10; ++k) {
      triangles += volume.Levels[k].Triangulator.Triangles().size();
      hull += volume.Levels[k].Triangulator.ConcaveHull().size();
    }
    std::printf("  %zu points, %zu triangles, %zu concave hull edges at 50%%\n", points, triangles, hull);
    for (const double f : {0.01, 0.5, 1.0}) {
      TTimer t;
      const int runs = 10;
      for (int i = 0; i < runs; ++i) volume.ComputeVolumes({}, byArea, f);
      std::string what = "ComputeVolumes at " + std::to_string(static_cast<int>(f * 100)) + "%";
      t.Print(what.c_str(), runs, "(goal: under 50 ms)");
    }
    {
      TGLMesh mesh;
      TTimer t;
      volume.BuildHullModel(mesh);
      t.Print("BuildHullModel");
      std::printf("  hull mesh %d triangles; rock %.0f cu ft, cave %.0f cu ft\n", mesh.TriangleCount(),
                  volume.RockVolume, volume.CaveVolume());
    }
    if (fullReport) {
      TVolumeReports reports;
      TTimer t;
      reports.Run(volume, MakeWorkingUnits(true), {true, byArea, 10, 0.5});
      t.Print("full report, 1000 rows", 1, "(goal: under 20 s)");
      std::printf("  report lines %zu\n", reports.Lines.size());
    }
  }
  std::printf("  process peak %.1f MB\n", bench::PeakRssMB());
  OnePercentOnABigCave();
  return 0;
}
