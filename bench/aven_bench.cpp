// The window's first picture of a big cave beside Survex's aven on the same
// .3d file, both started as the user starts them, one after the other in
// one run (goal: the window in at most half of aven's time). Neither says
// when its picture is up, so the screen is watched: the first picture is
// the first screen on which a cave is drawn, told by its many strongly
// coloured pixels (aven colours its centreline by depth, the window draws
// its centreline red until the grey walls are in), and the settled picture
// is the last change before the screen rests for three seconds. Needs an X
// display: run it under xvfb-run.
//
//   bench_aven [legs]

// Before Xlib, whose macros (None) would clash with our names.
#include "bench/BenchUtil.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace lumora;

namespace {

constexpr double kRest = 3.0, kGiveUp = 120.0;
// A cave's picture colours at least this share of the screen's samples;
// toolbars, colour keys and progress bars colour far fewer.
constexpr double kCaveShare = 0.01;

struct TScreen {
  uint64_t hash = 0;
  double colouredShare = 0;
};

// A sample of the screen's pixels, enough to see a picture change.
TScreen Sample(Display* display) {
  const Window root = DefaultRootWindow(display);
  XWindowAttributes a;
  XGetWindowAttributes(display, root, &a);
  XImage* image = XGetImage(display, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!image) return {};
  TScreen screen{1469598103934665603ull, 0};
  int64_t samples = 0, coloured = 0;
  for (int y = 0; y < a.height; y += 2)
    for (int x = 0; x < a.width; x += 2) {
      const unsigned long p = XGetPixel(image, x, y);
      screen.hash = (screen.hash ^ p) * 1099511628211ull;
      const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      coloured += std::max({r, g, b}) - std::min({r, g, b}) >= 128;
      ++samples;
    }
  XDestroyImage(image);
  screen.colouredShare = static_cast<double>(coloured) / std::max<int64_t>(samples, 1);
  return screen;
}

struct TPictures {
  double first = -1, settled = -1;  // seconds; negative where never seen
};

// The pictures of `program file`, timed from its start.
TPictures Watch(Display* display, const char* program, const std::string& file) {
  bench::Stopwatch clock;
  const pid_t child = fork();
  if (child == 0) {
    execlp(program, program, file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  TPictures seen;
  double lastChange = -1;
  uint64_t last = Sample(display).hash;
  while (clock.Seconds() < kGiveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return {};
    const TScreen now = Sample(display);
    const double t = clock.Seconds();
    if (now.hash != last) lastChange = t;
    last = now.hash;
    if (seen.first < 0 && now.colouredShare >= kCaveShare) seen.first = t;
    if (seen.first > 0 && t - lastChange >= kRest) {
      seen.settled = lastChange;
      break;
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  return seen;
}

}  // namespace

int main(int argc, char** argv) {
  const int legs = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = bench::GeneratedSurvexFile(legs);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "bench_aven needs an X display\n");
    return 1;
  }
  const TPictures aven = Watch(display, "aven", file);
  const TPictures ours = Watch(display, LUMORA_APP, file);
  std::printf("first picture of %s (%d legs)\n", file.c_str(), legs);
  std::printf("  aven     %.2f s, settled %.2f s\n", aven.first, aven.settled);
  std::printf("  window   %.2f s, %.2f of aven's (goal: at most 0.5); with walls, settled, %.2f s\n", ours.first,
              aven.first > 0 ? ours.first / aven.first : 0.0, ours.settled);
  XCloseDisplay(display);
  return aven.first > 0 && ours.first > 0 ? 0 : 1;
}
