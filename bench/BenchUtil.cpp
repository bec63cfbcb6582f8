#include "bench/BenchUtil.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

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

}  // namespace lumora::bench
