// Reads a Survex .3d file of about a million legs, made by cavern from a
// generated .svx, and prints its reading speed per record beside the plot
// reader's on a generated plot file of as many records.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "model/SurveyFile.h"

using namespace lumora;

namespace {

// Surveys of 1000 legs, each going on from the end of the one before, with
// two splays at every tenth station; no loops, so cavern has little to do.
std::string GeneratedSurvexFile(int legs) {
  const std::string base = "/tmp/lumora-bench-" + std::to_string(legs);
  const std::string svx = base + ".svx", file = base + ".3d";
  if (std::filesystem::exists(file)) return file;
  std::ofstream out(svx);
  out << "*begin cave\n*fix s0.0 0 0 0\n";
  unsigned seed = 7;
  auto rnd = [&seed](int n) { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % n; };
  const int perSurvey = 1000, surveys = std::max(1, legs / perSurvey);
  for (int s = 0; s < surveys; ++s) {
    out << "*begin s" << s << "\n*export 0\n*date " << 1990 + s % 30 << "." << 1 + s % 12 << "." << 1 + s % 28 << "\n";
    int done = 0;
    for (int i = 0; done < perSurvey; ++i) {
      out << i << ' ' << i + 1 << ' ' << 1 + rnd(900) / 100.0 << ' ' << rnd(360) << ' ' << rnd(60) - 30 << '\n';
      ++done;
      if (i % 10 == 0 && done + 2 <= perSurvey) {
        out << "*flags splay\n"
            << i << " - 1.5 " << rnd(360) << " 0\n"
            << i << " - 2 " << rnd(360) << " 0\n"
            << "*flags not splay\n";
        done += 2;
      }
    }
    out << "*end s" << s << "\n";
    if (s > 0) out << "*equate s" << s - 1 << '.' << 0 << " s" << s << ".0\n";
  }
  out << "*end cave\n";
  out.close();
  const std::string command = "cavern -q -o " + base + ".3d " + svx + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("cavern failed on " + svx);
  return file;
}

struct TTiming {
  double Wall = 1e30, Cpu = 1e30;
};

TTiming Best(TPlotModel& model, const std::string& file) {
  TTiming t;
  for (int run = 0; run < 3; ++run) {
    bench::Stopwatch watch;
    const double cpu0 = bench::CpuSeconds();
    const TPlotLoadResult r = LoadSurveyFile(model, file);
    if (!r.Ok) throw std::runtime_error(r.Message);
    t.Wall = std::min(t.Wall, watch.Seconds());
    t.Cpu = std::min(t.Cpu, bench::CpuSeconds() - cpu0);
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) try {
  const int legs = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = GeneratedSurvexFile(legs);
  TPlotModel model;
  bench::ResetPeakMemory();
  const double baseMB = bench::CurrentRssMB();
  const TTiming t3d = Best(model, file);
  const double peakMB = bench::PeakSinceResetMB() - baseMB;
  const int records = model.Plots.Count();
  const double modelMB = bench::ModelMB(model);
  std::printf(".3d reader: %s\n", file.c_str());
  std::printf("  file            %.1f MB, %d records, %d surveys\n", std::filesystem::file_size(file) / 1048576.0,
              records, model.Surveys.Count());
  std::printf("  best of 3       %.3f s wall, %.3f s CPU: %.0f records/s (CPU)\n", t3d.Wall, t3d.Cpu,
              records / t3d.Cpu);
  std::printf("  peak memory     %.1f MB above start = %.2f x the model\n", peakMB, peakMB / modelMB);

  const std::string plot = bench::GeneratedPlotFile(records);
  const TTiming tPlot = Best(model, plot);
  std::printf("plot reader on %d records: %.3f s CPU: %.0f records/s (goal: the .3d reader at least as fast)\n",
              model.Plots.Count(), tPlot.Cpu, model.Plots.Count() / tPlot.Cpu);
  return 0;
} catch (const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
  return 1;
}
