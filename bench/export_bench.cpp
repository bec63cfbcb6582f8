// Exports a generated cave of about a million records to DXF (every layer,
// 3D faces) and to VRML (walls and shot lines); prints seconds, CPU
// seconds and MB/s of output for each. Arguments: stations (1000000),
// folder for the files (/tmp; they are removed), runs (2, the best counts),
// and "dxf" or "vrml" to run only one.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchUtil.h"
#include "export/DXFExport.h"
#include "export/VRMLExport.h"
#include "model/PlotReader.h"

using namespace lumora;

namespace {

using TWriter = void (*)(const std::filesystem::path&, const TExportJob&);

// The machine is shared: the best of `runs` runs, by wall time and by CPU
// time separately.
void Measure(const char* name, TWriter writer, const std::filesystem::path& path, TPlotModel& model,
             const TExportOptions& options, double goal, int runs) {
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  double wall = 1e30, cpu = 1e30, mb = 0;
  for (int run = 0; run < runs; ++run) {
    const double cpu0 = bench::CpuSeconds();
    bench::Stopwatch watch;
    writer(path, {model, options, passage, state, progress});
    wall = std::min(wall, watch.Seconds());
    cpu = std::min(cpu, bench::CpuSeconds() - cpu0);
    mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
  }
  std::printf("  %-5s %9.1f MB  %7.2f s wall  %7.2f s CPU  %6.0f MB/s wall  %6.0f MB/s CPU  (goal %.0f MB/s)\n", name,
              mb, wall, cpu, mb / wall, mb / cpu, goal);
  std::printf("        %lld wall faces, best of %d\n", static_cast<long long>(state.FaceCount), runs);
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::filesystem::path folder = argc > 2 ? argv[2] : "/tmp";
  const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
  const std::string only = argc > 4 ? argv[4] : "";  // "dxf" or "vrml" to run one
  TPlotModel model;
  std::string file;
  if (!bench::LoadGeneratedCave(model, stations, &file)) return 1;
  std::printf("export: %s, %d records, %d surveys\n", file.c_str(), model.Plots.Count(), model.Surveys.Count());

  TExportOptions dxf;  // every layer on, walls as 3D faces
  if (only != "vrml") Measure("DXF", write_dxf, folder / "lumora-export-bench.dxf", model, dxf, 150, runs);

  TExportOptions vrml;
  vrml.DoLineChk = true;
  if (only != "dxf") Measure("VRML", write_vrml, folder / "lumora-export-bench.wrl", model, vrml, 100, runs);
  std::printf("  process peak %.1f MB (ru_maxrss, model included)\n", bench::PeakRssMB());
  return 0;
}
