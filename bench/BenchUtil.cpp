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

double CurrentRssMB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

std::string GeneratedPlotFile(int stations, unsigned seed) {
  const std::string path =
      "/tmp/lumora-bench-" + std::to_string(stations) + "-" + std::to_string(seed) + ".plt";
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

}  // namespace lumora::bench
