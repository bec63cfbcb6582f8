// Exports a generated cave of about a million records as the 3D polygon
// prism shapefile layer and as KML passage polygons; prints wall and CPU
// seconds, output bytes and peak memory of each against the goal.
// Arguments: stations (1000000), folder for the files (/tmp), runs (2, the
// best counts), "prism" or "kml" to run one ("" for both), and "keep" to
// leave the files in the folder (they are removed otherwise).

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "model/PlotReader.h"

using namespace lumora;

namespace {

constexpr double kGoalSeconds = 10;
bool keep = false;

double SystemSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_stime.tv_sec) + static_cast<double>(u.ru_stime.tv_usec) / 1e6;
}

uint64_t SizeAndRemove(const std::vector<std::filesystem::path>& files) {
  uint64_t bytes = 0;
  for (const auto& path : files) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec) bytes += static_cast<uint64_t>(size);
    if (!keep) std::filesystem::remove(path, ec);
  }
  return bytes;
}

// Runs `write` `runs` times; the best wall and CPU time count separately,
// as the machine is shared. Removing the files is not timed.
void Measure(const char* name, int runs, const std::function<void()>& write,
             const std::vector<std::filesystem::path>& files) {
  double wall = 1e30, cpu = 1e30, system = 0, peak = 0;
  uint64_t bytes = 0;
  malloc_trim(0);
  const double model = bench::CurrentRssMB();  // the loaded cave, before the writer
  for (int run = 0; run < runs; ++run) {
    malloc_trim(0);
    bench::ResetPeakMemory();
    const double cpu0 = bench::CpuSeconds(), system0 = SystemSeconds();
    bench::Stopwatch watch;
    write();
    wall = std::min(wall, watch.Seconds());
    if (bench::CpuSeconds() - cpu0 < cpu) {
      cpu = bench::CpuSeconds() - cpu0;
      system = SystemSeconds() - system0;
    }
    peak = std::max(peak, bench::PeakSinceResetMB());
    bytes = SizeAndRemove(files);
  }
  std::printf(
      "  %-12s %6.2f s wall  %6.2f s CPU (%.2f system)  %7.1f MB written  peak %6.1f MB (%.1f before)"
      "  goal < %.0f s: %s\n",
      name, wall, cpu, system, static_cast<double>(bytes) / 1e6, peak, model, kGoalSeconds,
      wall < kGoalSeconds ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::filesystem::path folder = argc > 2 ? argv[2] : "/tmp";
  const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
  const std::string only = argc > 4 ? argv[4] : "";  // "prism" or "kml" to run one
  keep = argc > 5 && std::string(argv[5]) == "keep";
  TPlotModel model;
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
    std::vector<std::filesystem::path> files;
    for (const char* ext : {"shp", "shx", "dbf", "prj"}) files.push_back(ShapefileMember(request.Path, ext));
    Measure(
        "prism layer", runs,
        [&] {
          if (!export_shapefile(request, {model, options, passage, state, progress})) std::exit(1);
        },
        files);
    std::printf("                 %lld faces\n", static_cast<long long>(state.FaceCount));
  }

  if (only != "prism") {
    TExportOptions options;  // "Passage Polygons", sections separate and marked
    const std::filesystem::path path = folder / "lumora-gis-bench.kml";
    Measure("KML passages", runs,
            [&] {
              if (!write_kml_passages(path, {model, options, passage, state, progress})) std::exit(1);
            },
            {path});
  }
  return 0;
}
