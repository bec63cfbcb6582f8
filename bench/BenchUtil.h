#pragma once
// Shared by the benchmarks: wall time, peak memory, and big generated caves
// made in a child process so that the generator's memory never counts.

#include <chrono>
#include <string>
#include <vector>

#include "model/PlotArray.h"

namespace lumora::bench {

double PeakRssMB();     // this process's peak resident size
double CurrentRssMB();  // its resident size now
double CpuSeconds();    // user plus system time of this process so far

// Resets the kernel's high-water mark of this process, so that the peak
// read afterwards is the measured work's own; false where it is refused.
bool ResetPeakMemory();
// Peak resident size since the last reset (the process's peak without one).
double PeakSinceResetMB();

// Bytes the loaded model holds, in MB: every array's block plus comment
// text, splays and station names beyond the records themselves.
double ModelMB(const TPlotModel& model);

// Loads a generated cave of `stations` stations into `model`; prints the
// reader's message and returns false on failure.
bool LoadGeneratedCave(TPlotModel& model, int stations, std::string* file = nullptr);

// A plot file of a generated cave with `stations` stations under /tmp,
// written once and reused by later runs.
std::string GeneratedPlotFile(int stations, unsigned seed = 7);

// A Survex .3d file of about `legs` legs under /tmp, made once by cavern
// from a generated .svx: surveys of 1000 legs, each going on from the end
// of the one before, with two splays at every tenth station; no loops, so
// cavern has little to do. `copies` copies of the cave lie over each other,
// their stations at the same places under other names.
std::string GeneratedSurvexFile(int legs, int copies = 1);

// A program run to its end in a process of its own: its wall and CPU
// seconds, and whether it exited with 0.
struct TChildRun {
  double Seconds = 0, Cpu = 0;
  bool Ok = false;
};
// Runs args[0] with `args`, its output to `output` and its errors dropped.
TChildRun RunProgram(const std::vector<std::string>& args, const std::string& output = "/dev/null");

class Stopwatch {
 public:
  double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace lumora::bench
