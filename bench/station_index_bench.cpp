// Station index on a generated cave: the time to build it once per load and
// the time of each kind of lookup. Goals: build under 0.5 s and every lookup
// under 10 ms on a million-record cave.
//
//   bench_station_index [STATIONS]   (default 1000000)

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "model/StationIndex.h"

using namespace lumora;
using namespace lumora::bench;

namespace {

// Best of five runs of `lookup`, in milliseconds; `found` gets its result size.
// The machine is often shared, so CPU time is printed beside the wall time.
template <class F>
double BestMs(F lookup, size_t& found) {
  double best = 1e99;
  for (int run = 0; run < 5; ++run) {
    const double cpu = CpuSeconds();
    found = lookup().size();
    best = std::min(best, (CpuSeconds() - cpu) * 1000);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  TPlotModel model;
  if (!LoadGeneratedCave(model, stations)) return 1;
  std::printf("cave: %d records, %d surveys\n", model.Plots.Count(), model.Surveys.Count());

  TStationIndex index;
  double build = 1e99, buildCpu = 1e99;
  for (int run = 0; run < 3; ++run) {
    Stopwatch w;
    const double cpu = CpuSeconds();
    index.Build(model);
    build = std::min(build, w.Seconds());
    buildCpu = std::min(buildCpu, CpuSeconds() - cpu);
  }
  std::printf("build: %.3f s wall, %.3f s CPU, best of 3, for %d stations (goal under 0.5 s)\n", build, buildCpu,
              index.Count());

  const std::string some(index.Name(index.Count() / 2));
  struct Lookup {
    const char* what;
    std::string text;
  };
  const std::vector<Lookup> lookups = {
      {"exact", some},
      {"prefix", some.substr(0, 2)},
      {"pattern, literal start", some.substr(0, 1) + "*" + some.substr(some.size() - 1)},
      {"pattern, leading star", "*" + some.substr(1)},
      {"pattern, one in a thousand", "*?" + some.substr(some.size() - 3) + "*"},
      {"pattern, no literal", "??????"},
  };
  double worst = 0;
  for (const Lookup& l : lookups) {
    size_t found = 0;
    const double ms = l.what == std::string("exact")    ? BestMs([&] { return index.FindExact(l.text); }, found)
                      : l.what == std::string("prefix") ? BestMs([&] { return index.FindPrefix(l.text); }, found)
                                                        : BestMs([&] { return index.FindPattern(l.text); }, found);
    worst = std::max(worst, ms);
    std::printf("%-28s %-14s %8.3f ms CPU  %zu stations\n", l.what, ("\"" + l.text + "\"").c_str(), ms, found);
  }
  std::printf("slowest lookup: %.3f ms (goal under 10 ms)\n", worst);
  std::printf("peak memory: %.0f MB\n", PeakRssMB());
  return 0;
}
