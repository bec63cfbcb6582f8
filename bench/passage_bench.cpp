// Builds the passage walls of a generated cave of about a million records
// into a counting quad procedure; prints segments/s, faces/s and the memory
// the build adds next to the model's own size.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"

using namespace lumora;

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  TPlotModel model;
  std::string file;
  if (!bench::LoadGeneratedCave(model, stations, &file)) return 1;
  const double modelMB = bench::ModelMB(model);
  const double beforeMB = bench::CurrentRssMB();
  const bool peakReset = bench::ResetPeakMemory();

  const TPassageOptions options;  // the defaults
  TPassageState state;
  int64_t quads = 0;
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    quads = 0;
    bench::Stopwatch watch;
    BuildPassages(
        model, options, state,
        [&quads](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) { ++quads; });
    const double s = watch.Seconds();
    if (s < best) best = s;
  }
  const double buildPeakMB = peakReset ? bench::PeakSinceResetMB() - beforeMB : -1;

  std::printf("passage walls: %s\n", file.c_str());
  std::printf("  model           %d records, %d lines, %d surveys, %.1f MB\n", model.Plots.Count(),
              model.LineStarts.Count(), model.Surveys.Count(), modelMB);
  std::printf("  output          %lld segments, %lld faces (%lld quads), volume %.0f cu ft\n",
              static_cast<long long>(state.SegmentCount), static_cast<long long>(state.FaceCount),
              static_cast<long long>(quads), state.PassageVolume);
  std::printf("  best of 3       %.3f s\n", best);
  std::printf("  speed           %.0f segments/s (goal: 1000000), %.0f faces/s\n", state.SegmentCount / best,
              state.FaceCount / best);
  if (peakReset)
    std::printf("  build memory    %.2f MB above the loaded model (goal: at most the model's %.1f MB)\n", buildPeakMB,
                modelMB);
  else
    std::printf("  build memory    not measurable here (no /proc/self/clear_refs)\n");
  std::printf("  process peak    %.1f MB (ru_maxrss, load included)\n", bench::PeakRssMB());
  return 0;
}
