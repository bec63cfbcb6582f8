// The window's first picture of a big cave beside Survex's aven on the same
// .3d file, both started as the user starts them, one after the other in
// one run (goal: the window in at most half of aven's time). Neither says
// when its picture is up, so the screen is watched: the first picture is
// the last change of the screen before it rests for three seconds. Needs an
// X display: run it under xvfb-run.
//
//   bench_aven [legs]

// Before Xlib, whose macros (None) would clash with our names.
#include "bench/BenchUtil.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace lumora;

namespace {

constexpr double kRest = 3.0, kGiveUp = 120.0;

// A sample of the screen's pixels, enough to see a picture change.
uint64_t ScreenHash(Display* display) {
  const Window root = DefaultRootWindow(display);
  XWindowAttributes a;
  XGetWindowAttributes(display, root, &a);
  XImage* image = XGetImage(display, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!image) return 0;
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < a.height; y += 2)
    for (int x = 0; x < a.width; x += 2) h = (h ^ XGetPixel(image, x, y)) * 1099511628211ull;
  XDestroyImage(image);
  return h;
}

// Seconds from starting `program file` to its last change of the screen
// before it rests; negative where it never rested or could not start.
double FirstPicture(Display* display, const char* program, const std::string& file) {
  const uint64_t before = ScreenHash(display);
  bench::Stopwatch clock;
  const pid_t child = fork();
  if (child == 0) {
    execlp(program, program, file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  double lastChange = -1;
  uint64_t last = before;
  while (clock.Seconds() < kGiveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return -1;
    const uint64_t now = ScreenHash(display);
    const double t = clock.Seconds();
    if (now != last) lastChange = t;
    last = now;
    if (lastChange > 0 && t - lastChange >= kRest) break;
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  return clock.Seconds() < kGiveUp ? lastChange : -1;
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
  const double aven = FirstPicture(display, "aven", file);
  const double ours = FirstPicture(display, LUMORA_APP, file);
  std::printf("first picture of %s (%d legs)\n", file.c_str(), legs);
  std::printf("  aven     %.2f s\n", aven);
  std::printf("  window   %.2f s, %.2f of aven's (goal: at most 0.5)\n", ours, aven > 0 ? ours / aven : 0.0);
  XCloseDisplay(display);
  return aven > 0 && ours > 0 ? 0 : 1;
}
