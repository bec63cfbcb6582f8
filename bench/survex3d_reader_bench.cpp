// Reads a Survex .3d file of about a million legs, made by cavern from a
// generated .svx, and prints its reading speed (the first read, into fresh
// memory: goal at most 1.0 s) beside Survex's own dump3d
// on the same file (goal: at least 2.5 times as fast) and beside the plot
// reader's on a generated plot file of as many records; then reads files
// of 1, 2, 4 and 8 overlaid copies of one cave (goal: time linear in size).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>

#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "model/SurveyFile.h"

using namespace lumora;

namespace {

struct TTiming {
  double Wall = 1e30, Cpu = 1e30;
  double FirstWall = 0;  // the read into fresh memory, as a window's first load
};

TTiming Best(TPlotModel& model, const std::string& file) {
  TTiming t;
  for (int run = 0; run < 3; ++run) {
    bench::Stopwatch watch;
    const double cpu0 = bench::CpuSeconds();
    const TPlotLoadResult r = LoadSurveyFile(model, file);
    if (!r.Ok) throw std::runtime_error(r.Message);
    if (run == 0) t.FirstWall = watch.Seconds();
    t.Wall = std::min(t.Wall, watch.Seconds());
    t.Cpu = std::min(t.Cpu, bench::CpuSeconds() - cpu0);
  }
  return t;
}

// Survex's dump3d listing the file, best of three: its CPU time.
double Dump3dSeconds(const std::string& file) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    if (std::system(("dump3d " + file + " > /dev/null").c_str()) != 0) return -1;
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    best = std::min(
        best, seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) try {
  const int legs = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = bench::GeneratedSurvexFile(legs);
  TPlotModel model;
  bench::ResetPeakMemory();
  const double baseMB = bench::CurrentRssMB();
  const TTiming t3d = Best(model, file);
  const double peakMB = bench::PeakSinceResetMB() - baseMB;
  const int records = model.Plots.Count();
  const double modelMB = bench::ModelMB(model);
  const double fileMB = std::filesystem::file_size(file) / 1048576.0;
  std::printf(".3d reader: %s\n", file.c_str());
  std::printf("  file            %.1f MB, %d records, %d surveys\n", fileMB, records, model.Surveys.Count());
  std::printf("  first read      %.3f s wall (goal: at most 1.0 s)\n", t3d.FirstWall);
  std::printf("  best of 3       %.3f s wall, %.3f s CPU: %.0f records/s (CPU)\n", t3d.Wall, t3d.Cpu,
              records / t3d.Cpu);
  std::printf("  peak memory     %.1f MB above start = %.2f x the model (%.1f MB, %.1f bytes a record)\n", peakMB,
              peakMB / modelMB, modelMB, modelMB * 1048576 / records);
  const double dump = Dump3dSeconds(file);
  if (dump > 0)
    std::printf("  dump3d          %.3f s CPU: the reader is %.2f x as fast (goal: at least 2.5 x)\n", dump,
                dump / t3d.Cpu);
  else
    std::printf("  dump3d          not installed\n");

  const std::string plot = bench::GeneratedPlotFile(records);
  const TTiming tPlot = Best(model, plot);
  std::printf("plot reader on %d records: %.3f s CPU: %.0f records/s (goal: the .3d reader at least as fast)\n",
              model.Plots.Count(), tPlot.Cpu, model.Plots.Count() / tPlot.Cpu);

  // Overlaid copies: every place holds a station of each copy.
  const int part = std::max(1000, legs / 8);
  std::printf("overlaid copies of a cave of %d legs (goal: time per MB the same for every count):\n", part);
  double perMB1 = 0;
  for (const int copies : {1, 2, 4, 8}) {
    const std::string f = bench::GeneratedSurvexFile(part, copies);
    const double mb = std::filesystem::file_size(f) / 1048576.0;
    const TTiming t = Best(model, f);
    if (copies == 1) perMB1 = t.Cpu / mb;
    std::printf("  %d cop%s  %6.1f MB  %.3f s CPU  %.3f s per MB = %.2f x one copy's\n", copies,
                copies == 1 ? "y  " : "ies", mb, t.Cpu, t.Cpu / mb, t.Cpu / mb / perMB1);
  }
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}
