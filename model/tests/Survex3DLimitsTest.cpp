// Hostile .3d files: long labels copied into every station, leg and
// cross-section must not make the model many times the file, and many
// names at one place must not make the load quadratic.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "model/Survex3DReader.h"
#include "model/Survex3DWriter.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

double PeakMB() {
  std::ifstream status("/proc/self/status");
  for (std::string key; status >> key;) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024;
    }
    std::getline(status, key);
  }
  return 0;
}

struct TChildLoad {
  bool Ok = false;
  double GrowthMB = -1;  // peak memory the load added
  int Records = 0;
  size_t LastNameSize = 0;
  char LastNameEnd[8] = {};
};

// Loads the file in a child process, so that its peak memory is its own
// and a runaway load cannot take the test run down with it.
TChildLoad LoadInChild(const std::string& data) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    TChildLoad r;
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak from here on
    const double before = PeakMB();
    TPlotModel model;
    r.Ok = LoadSurvex3DData(model, data, "hostile.3d").Ok;
    r.GrowthMB = PeakMB() - before;
    r.Records = model.Plots.Count();
    if (r.Records > 0) {
      const std::string name = model.Name(model.Plots[r.Records - 1]);
      r.LastNameSize = name.size();
      std::memcpy(r.LastNameEnd, name.data() + name.size() - std::min<size_t>(name.size(), 7),
                  std::min<size_t>(name.size(), 7));
    }
    (void)!write(fds[1], &r, sizeof r);
    _exit(0);
  }
  close(fds[1]);
  TChildLoad r;
  const bool read = ::read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return read && WIFEXITED(status) ? r : TChildLoad{};
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

}  // namespace

// A megabyte label, then 4000 items that each change its end: stations,
// legs (a survey each) and cross-sections.
TEST(Survex3DLimits, LongLabelsAreNotCopiedIntoEveryItem) {
  const struct TCase {
    const char* What;
    std::string Data;
    int Records;
  } cases[] = {{"stations", LongLabelFile("stations"), 4001},
               {"legs", LongLabelFile("legs"), 2 + 2 * 4000},  // each leg a survey, opened by an M record
               {"cross-sections", LongLabelFile("cross-sections"), 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const TChildLoad r = LoadInChild(c.Data);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Records, c.Records);
    if (!kSanitized) {
      EXPECT_LT(r.GrowthMB, 300) << "of a " << c.Data.size() / 1048576 << " MB file";
    }
    if (c.What == std::string("stations")) {
      EXPECT_EQ(r.LastNameSize, (1u << 20) + 6) << "the whole name";
      EXPECT_STREQ(r.LastNameEnd, "a004000");
    }
  }
}

// N differently named stations at one place, with legs to and from it:
// the load's work grows with N, not with its square. Eight times the
// stations take far less than the 64 times a quadratic load would.
TEST(Survex3DLimits, ManyNamesAtOnePlaceLoadInLinearTime) {
  auto seconds = [](const std::string& data) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
      timespec a{}, b{};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
      TPlotModel model;
      EXPECT_TRUE(LoadSurvex3DData(model, data, "many.3d").Ok);
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
      best = std::min(best, (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) * 1e-9);
      EXPECT_EQ(model.Aliases(model.Plots[0]).size(), static_cast<size_t>(data.size() > 400000 ? 79999 : 9999));
    }
    return best;
  };
  const double small = seconds(ManyNamesFile(10000)), large = seconds(ManyNamesFile(80000));
  EXPECT_LT(large, 24 * small) << small << " s for 10 000, " << large << " s for 80 000";
}
