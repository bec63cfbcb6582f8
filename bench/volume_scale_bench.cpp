// The volume tool on big and spread-out plots, as `lumora-cli volume` runs
// it: walls, then the layers collected, triangulated and dug. Rows: one cave
// of 20 000 stations; four copies of it side by side; six demo-like caves
// 20 km apart; a station's elevation mistyped as -999999999, and one moved
// 300 km east (two layers each); the 1M-station generated cave. Goals:
// 0.2 s, 2 s, -, 1 s, 1 s, 10 s for the volume part. Wall and CPU seconds
// side by side: the machine may be shared.
//
//   bench_volume_scale [--no-million]

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "platform/AtomicFile.h"
#include "volume/CVVolume.h"

using namespace lumora;

namespace {

std::string Fixed(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// The plot text moved by (east, north) feet: station lines and the boxes of
// the file and of its surveys. Splay lines stay: the volume tool reads none.
std::string Shifted(const std::string& text, double east, double north, double up = 0) {
  std::istringstream in(text);
  std::string line, out;
  out.reserve(text.size());
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '\x1a') continue;
    std::vector<std::string> items;
    std::istringstream words(line);
    for (std::string w; std::getline(words, w, ' ');) items.push_back(w);
    const char kind = line[0];
    if ((kind == 'M' || kind == 'D' || kind == 'd' || kind == 'L') && items.size() > 3) {
      items[1] = Fixed(std::atof(items[1].c_str()) + north);
      items[2] = Fixed(std::atof(items[2].c_str()) + east);
      items[3] = Fixed(std::atof(items[3].c_str()) + up);
    } else if ((kind == 'Z' || kind == 'X') && items.size() > 6) {
      for (int k : {1, 2}) items[k] = Fixed(std::atof(items[k].c_str()) + north);
      for (int k : {3, 4}) items[k] = Fixed(std::atof(items[k].c_str()) + east);
    }
    for (size_t k = 0; k < items.size(); ++k) out += (k ? " " : "") + items[k];
    out += "\r\n";
  }
  return out;
}

std::string Demo(int stations, uint32_t seed = 1) { return GenerateDemoCave(TDemoOptions{stations, seed}).Text; }

// Moves one station of a plot text: the n-th 'D' line.
std::string Mistyped(const std::string& text, int n, double east, double up) {
  size_t at = 0;
  for (int seen = 0; (at = text.find("\nD ", at)) != std::string::npos; ++at)
    if (seen++ == n) break;
  const size_t end = text.find('\n', at + 1);
  return text.substr(0, at + 1) + Shifted(text.substr(at + 1, end - at), east, 0, up) + text.substr(end + 1);
}

void Row(const char* what, const std::string& text, int layers) {
  auto model = std::make_unique<TPlotModel>();
  const TPlotLoadResult r = LoadPlotText(*model, text + "\x1a", what);
  if (!r.Ok) {
    std::fprintf(stderr, "%s: %s\n", what, r.Message.c_str());
    std::exit(1);
  }
  bench::ResetPeakMemory();
  const bench::Stopwatch all;
  const double cpu0 = bench::CpuSeconds();
  const TPassageOptions options;
  TPassageState passages;
  BuildPassages(*model, options, passages,
                [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
  const double walls = all.Seconds();
  TVolumeModel volume(*model, options, passages);
  volume.LevelCount = layers;
  const bench::Stopwatch work;
  const double cpu1 = bench::CpuSeconds();
  volume.BuildLevels({}, true);
  volume.ComputeVolumes({}, false, 0.5);
  const double wall = work.Seconds(), cpu = bench::CpuSeconds() - cpu1;
  size_t points = 0, triangles = 0;
  for (int k = 0; k < volume.Count(); ++k) {
    points += volume.Levels[k].Triangulator.Points().size();
    triangles += volume.Levels[k].Triangulator.Triangles().size();
  }
  std::printf(
      "%-44s %8d records %2d layers: volume %8.3f s wall %8.3f s cpu; with walls %8.3f s wall %8.3f s cpu; "
      "peak %7.1f MB; %zu points, %zu triangles, rock %.6g cu ft\n",
      what, model->Plots.Count(), layers, wall, cpu, walls + wall, bench::CpuSeconds() - cpu0,
      bench::PeakSinceResetMB(), points, triangles, volume.RockVolume);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  bool million = true;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--no-million") million = false;
  const std::string cave = Demo(20000);
  Row("one cave, 20 000 stations", cave, 10);
  // The demo cave spans about 5 000 ft; side by side with a little room.
  std::string four;
  for (int c = 0; c < 4; ++c) four += Shifted(cave, 0, c * 5500.0);
  Row("four copies side by side (north-south)", four, 10);
  std::string row;
  for (int c = 0; c < 4; ++c) row += Shifted(cave, c * 5500.0, 0);
  Row("four copies side by side (east-west)", row, 10);
  std::string plot;
  for (int c = 0; c < 6; ++c) plot += Shifted(Demo(5000, 11 + c), (c % 3) * 65617.0, (c / 3) * 65617.0);
  Row("six demo caves 20 km apart", plot, 10);
  Row("one elevation mistyped as -999999999", Mistyped(cave, 9000, 0, -999999999.0 - 300), 2);
  Row("one station 300 km east", Mistyped(cave, 9000, 984252.0, 0), 2);
  if (million) Row("generated cave, 1 000 000 stations", ReadWholeFile(bench::GeneratedPlotFile(1000000)), 10);
  return 0;
}
