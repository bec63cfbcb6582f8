#include "bench/BenchUtil.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"

namespace lumora::bench {

double PeakRssMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool ResetPeakMemory() {
  std::ofstream f("/proc/self/clear_refs");
  f << "5";
  f.flush();
  return bool(f);
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
    std::getline(status, key);
  }
  return PeakRssMB();
}

double CurrentRssMB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

std::string GeneratedPlotFile(int stations, unsigned seed) {
  const std::string path = "/tmp/lumora-bench-" + std::to_string(stations) + "-" + std::to_string(seed) + ".plt";
  if (std::filesystem::exists(path)) return path;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    try {
      TDemoCave cave = GenerateDemoCave(TDemoOptions{stations, seed});
      WriteFileAtomically(path, cave.Text);
      _exit(0);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "generating %s: %s\n", path.c_str(), e.what());
      _exit(1);
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("cannot generate " + path);
  return path;
}

double ModelMB(const TPlotModel& m) {
  double bytes = double(m.Plots.Capacity()) * sizeof(TPlotVector) + double(m.LineStarts.Capacity()) * 4 +
                 double(m.Surveys.Capacity()) * sizeof(TSurveyID) + double(m.Sections.Capacity()) * sizeof(TSectionRec);
  // Heap blocks are counted at their size; the allocator's own few bytes
  // per block are left out.
  for (int i = 0; i < m.Plots.Count(); ++i) bytes += double(m.Plots[i].Comment.HeapBytes());
  for (int i = 0; i < m.Surveys.Count(); ++i) bytes += double(m.Surveys[i].Comment.HeapBytes());
  bytes += double(m.Splays.MemoryBytes());
  bytes += double(m.Names.MemoryBytes());
  return bytes / 1048576.0;
}

bool LoadGeneratedCave(TPlotModel& model, int stations, std::string* file) {
  const std::string path = GeneratedPlotFile(stations);
  if (file) *file = path;
  const TPlotLoadResult r = LoadPlotText(model, ReadWholeFile(path), path);
  if (!r.Ok) std::fprintf(stderr, "%s\n", r.Message.c_str());
  return r.Ok;
}

std::string GeneratedSurvexFile(int legs, int copies) {
  const std::string base =
      "/tmp/lumora-bench-" + std::to_string(legs) + (copies > 1 ? "x" + std::to_string(copies) : "");
  const std::string svx = base + ".svx", file = base + ".3d";
  if (std::filesystem::exists(file)) return file;
  std::ofstream out(svx);
  for (int c = 0; c < copies; ++c) {
    out << "*begin cave" << c << "\n*fix s0.0 0 0 0\n";
    unsigned seed = 7;
    auto rnd = [&seed](int n) { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % n; };
    const int perSurvey = 1000, surveys = std::max(1, legs / perSurvey);
    for (int s = 0; s < surveys; ++s) {
      out << "*begin s" << s << "\n*export 0\n*date " << 1990 + s % 30 << "." << 1 + s % 12 << "." << 1 + s % 28
          << "\n";
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
    out << "*end cave" << c << "\n";
  }
  out.close();
  const std::string command = "cavern -q -o " + base + ".3d " + svx + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("cavern failed on " + svx);
  return file;
}

TChildRun RunProgram(const std::vector<std::string>& args, const std::string& output) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  Stopwatch clock;
  const pid_t child = fork();
  if (child == 0) {
    if (!std::freopen(output.c_str(), "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double cpu =
      usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  return {clock.Seconds(), cpu, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

}  // namespace lumora::bench
