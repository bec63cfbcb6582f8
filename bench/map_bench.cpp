// Maps of a generated million-record cave: fitted to A0 and at 1:1000 (a
// page cut to the cave), with station names, as SVG and as PDF. Prints the
// seconds and bytes per leg against the goals: at most 10 s from the read
// to the written file, at most 100 bytes per leg.

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/core/GLCave.h"
#include "bench/BenchUtil.h"
#include "map/MapFile.h"
#include "model/SurveyFile.h"

using namespace lumora;

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qargc = 1;
  QGuiApplication app(qargc, argv);
  const std::string file = bench::GeneratedPlotFile(stations);

  bench::Stopwatch readWatch;
  const double readCpu0 = bench::CpuSeconds();
  TPlotModel model;
  InitPlotUnits();
  const TPlotLoadResult loaded = LoadSurveyFile(model, file);
  if (!loaded.Ok) {
    std::fprintf(stderr, "%s\n", loaded.Message.c_str());
    return 1;
  }
  const double readWall = readWatch.Seconds(), readCpu = bench::CpuSeconds() - readCpu0;
  TPassageOptions walls;
  ApplyMeshOptions(TCaveMeshSettings{}, walls);
  std::printf("map: %s, %d records, read in %.2f s (%.2f s CPU)\n", file.c_str(), model.Plots.Count(), readWall,
              readCpu);

  struct Case {
    const char* name;
    TPageRequest page;
  };
  for (const Case& c : {Case{"fit A0", {"A0", false, 0}}, Case{"1:1000", {"", false, 1000}}}) {
    TMapOptions o;
    o.Page = c.page;
    o.Labels = true;
    bench::Stopwatch watch;
    const double cpu0 = bench::CpuSeconds();
    const TMapContent map = MakeMapContent(model, walls, o);
    const double layWall = watch.Seconds(), layCpu = bench::CpuSeconds() - cpu0;
    std::printf("  %-7s %s %.0f x %.0f mm at 1:%.0f, %lld legs, %zu labels; laid out in %.2f s (%.2f s CPU)\n", c.name,
                map.Page.PaperName.c_str(), map.Page.Width, map.Page.Height, map.Page.Scale,
                static_cast<long long>(map.Shots), map.Labels.size(), layWall, layCpu);
    for (const char* format : {"SVG", "PDF"}) {
      bench::Stopwatch w;
      const double c0 = bench::CpuSeconds();
      const std::string bytes = format[0] == 'S' ? MapSvg(map, "bench") : MapPdf(map, "bench");
      const double wall = w.Seconds(), cpu = bench::CpuSeconds() - c0;
      const double total = readWall + layWall + wall, totalCpu = readCpu + layCpu + cpu;
      std::printf(
          "    %s  %.1f MB, %.1f bytes per leg (goal: at most 100); written in %.2f s (%.2f s CPU); "
          "read to file %.2f s, %.2f s CPU (goal: at most 10)\n",
          format, bytes.size() / 1e6, double(bytes.size()) / std::max<int64_t>(1, map.Shots), wall, cpu, total,
          totalCpu);
    }
  }
  std::printf("  process peak %.0f MB\n", bench::PeakRssMB());
  return 0;
}
