// Hostile .3d files: the peak memory of a load whose one megabyte label is
// followed by 4000 stations, legs or cross-sections that each change it
// (goal: at most 300 MB), and the time of a load of N differently named
// stations at one place (goal: 100 000 in under 1 s, linear in N).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchUtil.h"
#include "model/Survex3DReader.h"
#include "model/Survex3DWriter.h"

using namespace lumora;
using lumora::testing::LongLabelFile;
using lumora::testing::ManyNamesFile;

int main() try {
  std::printf("a 1 MB label, then 4000 items that change it (goal: at most 300 MB each):\n");
  for (const char* kind : {"stations", "legs", "cross-sections"}) {
    const std::string data = LongLabelFile(kind);
    TPlotModel model;
    bench::ResetPeakMemory();
    const double before = bench::CurrentRssMB();
    bench::Stopwatch watch;
    const TPlotLoadResult r = LoadSurvex3DData(model, data, "hostile.3d");
    const double seconds = watch.Seconds();
    std::printf("  %-15s %.1f MB file: %s, %.3f s, peak %.1f MB above start, model %.1f MB\n", kind,
                data.size() / 1048576.0, r.Ok ? "read" : r.Message.c_str(), seconds, bench::PeakSinceResetMB() - before,
                bench::ModelMB(model));
  }
  std::printf("N differently named stations at one place, N/5 legs to it (goal: 100 000 in under 1 s):\n");
  double per = 0;
  for (const int n : {12500, 25000, 50000, 100000}) {
    const std::string data = ManyNamesFile(n);
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
      TPlotModel model;
      const double cpu = bench::CpuSeconds();
      if (!LoadSurvex3DData(model, data, "many.3d").Ok) return 1;
      best = std::min(best, bench::CpuSeconds() - cpu);
    }
    if (n == 12500) per = best / n;
    std::printf("  %6d stations  %.3f s CPU  = %.2f x linear from 12 500\n", n, best, best / n / per);
  }
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}
