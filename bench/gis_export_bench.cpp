// Exports a generated cave of about a million records as the 3D polygon
// prism shapefile layer and as KML passage polygons; prints wall and CPU
// seconds, output bytes and peak memory of each against the goal.
// Arguments: stations (1000000), folder for the files (/tmp; they are
// removed unless the fifth argument is "keep"), runs (2, the best counts),
// and "prism" or "kml" to run one.

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/BenchUtil.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "model/PlotReader.h"

using namespace lumora;

namespace {

constexpr double kGoalSeconds = 10;

// Peak resident size since the last ResetPeak, so that each run reports
// its own peak rather than the largest of the process so far.
void ResetPeak() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}
double PeakSinceResetMB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024;
    }
    status.ignore(1 << 10, '\n');
  }
  return bench::PeakRssMB();
}

// Runs `write` `runs` times; the best wall and CPU time count separately,
// as the machine is shared. `write` returns the bytes it wrote.
void Measure(const char* name, int runs, const std::function<uint64_t()>& write) {
  double wall = 1e30, cpu = 1e30, peak = 0;
  uint64_t bytes = 0;
  const double model = bench::CurrentRssMB();
  for (int run = 0; run < runs; ++run) {
    ResetPeak();
    const double cpu0 = bench::CpuSeconds();
    bench::Stopwatch watch;
    bytes = write();
    wall = std::min(wall, watch.Seconds());
    cpu = std::min(cpu, bench::CpuSeconds() - cpu0);
    peak = std::max(peak, PeakSinceResetMB());
  }
  std::printf("  %-14s %7.2f s wall  %7.2f s CPU  %9.1f MB written  peak %7.1f MB (%.1f MB before)  goal < %.0f s: %s\n",
              name, wall, cpu, static_cast<double>(bytes) / 1e6, peak, model, kGoalSeconds,
              wall < kGoalSeconds ? "met" : "MISSED");
}

bool keep = false;

uint64_t SizeAndRemove(const std::filesystem::path& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (!keep) std::filesystem::remove(path, ec);
  return ec ? 0 : static_cast<uint64_t>(size);
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::filesystem::path folder = argc > 2 ? argv[2] : "/tmp";
  const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
  const std::string only = argc > 4 ? argv[4] : "";  // "prism" or "kml" to run one
  keep = argc > 5 && std::string(argv[5]) == "keep";
  TPlotModel& model = PlotModel();
  std::string file;
  if (!bench::LoadGeneratedCave(model, stations, &file)) return 1;
  std::printf("gis export: %s, %d records, %d surveys, best of %d\n", file.c_str(), model.Plots.Count(),
              model.Surveys.Count(), runs);
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;

  if (only != "kml") {
    TExportOptions options;
    options.ConvertTypeRadio = 7;  // "3D Polygon Prism"
    options.ShapeTypeRadio = 0;
    TShapefileRequest request;
    request.Path = folder / "lumora-gis-bench.shp";
    request.ConfirmOverwrite = [](const std::string&) { return true; };
    Measure("prism layer", runs, [&] {
      if (!export_shapefile(request, {model, options, passage, state, progress})) std::exit(1);
      uint64_t bytes = 0;
      for (const char* ext : {"shp", "shx", "dbf", "prj"}) bytes += SizeAndRemove(ShapefileMember(request.Path, ext));
      return bytes;
    });
    std::printf("                 %lld faces\n", static_cast<long long>(state.FaceCount));
  }

  if (only != "prism") {
    TExportOptions options;  // "Passage Polygons", sections separate and marked
    const std::filesystem::path path = folder / "lumora-gis-bench.kml";
    Measure("KML passages", runs, [&] {
      if (!write_kml_passages(path, {model, options, passage, state, progress})) std::exit(1);
      return SizeAndRemove(path);
    });
  }
  return 0;
}
