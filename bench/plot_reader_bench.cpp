// Reads a generated plot file of about a million records and prints the
// reading speed (the first read, into fresh memory as a window's first
// load: goal at most 0.6 s) and the peak memory against the model's own size.

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "bench/BenchUtil.h"
#include "model/PlotReader.h"

using namespace lumora;

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = bench::GeneratedPlotFile(stations);
  const double fileMB = std::filesystem::file_size(file) / 1048576.0;

  TPlotModel model;
  const double baseMB = bench::CurrentRssMB();
  double best = 1e30, bestCpu = 1e30, first = 0;
  for (int run = 0; run < 3; ++run) {
    bench::Stopwatch watch;
    const double cpu0 = bench::CpuSeconds();
    TPlotLoadResult r = LoadPlotFile(model, file);
    const double s = watch.Seconds();
    bestCpu = std::min(bestCpu, bench::CpuSeconds() - cpu0);
    if (!r.Ok) {
      std::fprintf(stderr, "%s\n", r.Message.c_str());
      return 1;
    }
    if (run == 0) first = s;
    if (s < best) best = s;
  }
  const double modelMB = bench::ModelMB(model);
  const double peakMB = bench::PeakRssMB() - baseMB;
  std::printf("plot reader: %s\n", file.c_str());
  std::printf("  file            %.1f MB, %d records, %d surveys, %d splay shots\n", fileMB, model.Plots.Count(),
              model.Surveys.Count(), model.Splays.ShotCount());
  std::printf("  first read      %.3f s wall (goal: at most 0.6 s)\n", first);
  std::printf("  best of 3       %.3f s wall, %.3f s CPU\n", best, bestCpu);
  std::printf("  speed (wall)    %.0f MB/s, %.0f records/s (goal: 200 MB/s)\n", fileMB / best,
              model.Plots.Count() / best);
  std::printf("  speed (CPU)     %.0f MB/s, %.0f records/s\n", fileMB / bestCpu, model.Plots.Count() / bestCpu);
  std::printf("  model           %.1f MB\n", modelMB);
  std::printf("  peak memory     %.1f MB above start = %.2f x the model (goal: at most 2.5 x)\n", peakMB,
              peakMB / modelMB);
  return 0;
}
