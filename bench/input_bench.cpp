// The window under a user's hands on a generated cave: input comes from a
// thread of its own through the X server (XTest), as a mouse and keyboard
// would, while the window draws. For drags, arrow keys and the wheel it
// prints the time from each input event to the first frame on the screen
// that shows it (goals: a drag within 0.15 s, an arrow key within 0.3 s),
// whether the view turns once the mouse is released, and the time from the
// last input to the full picture (goal: within one full frame).
// Needs an X display: run it under xvfb-run -s "-screen 0 1600x1200x24".
//
//   bench_input [records]

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/GLMain.h"
#include "app/ViewMotion.h"
#include "app/core/CaveViews.h"
#include "bench/BenchUtil.h"
#include "model/PlotReader.h"
#include "viewer/GLViewer.h"

// Last: its macros would rename what the headers above declare.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace lumora;

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// XTest, looked up at run time: its headers are not always installed.
struct TXTest {
  using Motion = int (*)(Display*, int, int, int, unsigned long);
  using Button = int (*)(Display*, unsigned, int, unsigned long);
  using Key = int (*)(Display*, unsigned, int, unsigned long);
  Motion motion = nullptr;
  Button button = nullptr;
  Key key = nullptr;
  bool Load() {
    void* lib = dlopen("libXtst.so.6", RTLD_NOW);
    if (!lib) return false;
    motion = reinterpret_cast<Motion>(dlsym(lib, "XTestFakeMotionEvent"));
    button = reinterpret_cast<Button>(dlsym(lib, "XTestFakeButtonEvent"));
    key = reinterpret_cast<Key>(dlsym(lib, "XTestFakeKeyEvent"));
    return motion && button && key;
  }
};

// Input events as they were sent: the n-th event's time.
class TSent {
 public:
  void Add() {
    std::lock_guard lock(mutex_);
    times_.push_back(Now());
  }
  double At(int n) {
    std::lock_guard lock(mutex_);
    return n < static_cast<int>(times_.size()) ? times_[n] : NAN;
  }
  int Count() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(times_.size());
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    times_.clear();
    released = HUGE_VAL;
  }
  std::atomic<double> released{HUGE_VAL};  // when the mouse button went up

 private:
  std::mutex mutex_;
  std::vector<double> times_;
};

struct TFigures {
  std::vector<double> latency;                  // per input event shown
  std::vector<double> lightFrames, fullFrames;  // from the paint's start to the frame shown
  int frames = 0, light = 0;
  int turnsAfterRelease = 0;    // frames shown after the release that turned the view
  double turnAfterRelease = 0;  // degrees they turned it by
  double lastTurn = 0;          // seconds from the release to the last of them
  double fullAfterStop = NAN;   // last input sent to the full picture shown
  int framesAfterFull = 0;
  double cpu = 0;
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

// Watches the window: which input each frame shows and when it is shown.
class TWatch : public QObject {
 public:
  TWatch(TForm1& form, TSent& sent) : form_(form), sent_(sent) {
    TGLViewer& v = *form.Viewer();
    v.installEventFilter(this);
    v.OnPaint = [this, paint = v.OnPaint](TGLViewer& viewer) {
      paint(viewer);
      painting_ = {received_, !form_.Scene().PassageMesh->Visible, Heading(), Now()};
      painted_ = true;
    };
    connect(&v, &QOpenGLWidget::frameSwapped, this, [this] { Shown(); });
    connect(form.findChild<QAction*>("TurnRightMnu"), &QAction::triggered, this, [this] { ++received_; });
  }

  // Starts a new series of input events.
  void Start(bool drag) {
    sent_.Clear();
    received_ = shown_ = 0;
    drag_ = drag;
    shownHeading_ = Heading();
    f_ = {};
    lastFullShown_ = NAN;
    lastFullReceived_ = -1;
    cpu0_ = bench::CpuSeconds();
  }
  // Runs the window until the input has stopped, its full picture is up and
  // a further second has passed.
  TFigures Finish(const std::function<bool()>& inputDone) {
    double fullAt = NAN;
    const double deadline = Now() + 120;
    QTimer tick;
    tick.start(10);
    while (Now() < deadline) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
      if (!inputDone()) continue;
      if (std::isnan(fullAt) && lastFullReceived_ >= sent_.Count()) {
        fullAt = lastFullShown_;
        f_.fullAfterStop = fullAt - sent_.At(sent_.Count() - 1);
        framesAt_ = f_.frames;
      }
      if (!std::isnan(fullAt) && Now() > fullAt + 1) break;
    }
    f_.framesAfterFull = f_.frames - framesAt_;
    f_.cpu = bench::CpuSeconds() - cpu0_;
    return f_;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && drag_) {
      const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
      received_ = std::max(received_, (x - X0) / Dx);
    } else if (event->type() == QEvent::Wheel) {
      received_ += std::abs(static_cast<QWheelEvent*>(event)->angleDelta().y()) / 120;
    }
    return false;
  }

 public:
  static constexpr int X0 = 100, Dx = 2;

 private:
  struct TPainting {
    int received = 0;
    bool light = false;
    double heading = 0, start = 0;
  };

  double Heading() const { return ViewBearing(*form_.Scene().CaveFrame); }

  void Shown() {
    // Other widgets' repaints show the window's last frame again.
    if (!std::exchange(painted_, false)) return;
    const double t = Now();
    ++f_.frames;
    f_.light += painting_.light;
    (painting_.light ? f_.lightFrames : f_.fullFrames).push_back(t - painting_.start);
    for (int n = shown_; n < painting_.received; ++n) f_.latency.push_back(t - sent_.At(n));
    const double turn = std::fabs(std::remainder(painting_.heading - shownHeading_, 360.0));
    if (t > sent_.released && turn > 0.01) {
      ++f_.turnsAfterRelease;
      f_.turnAfterRelease += turn;
      f_.lastTurn = t - sent_.released;
    }
    shownHeading_ = painting_.heading;
    shown_ = std::max(shown_, painting_.received);
    if (!painting_.light) lastFullShown_ = t, lastFullReceived_ = painting_.received;
  }

  TForm1& form_;
  TSent& sent_;
  TFigures f_;
  TPainting painting_;
  int received_ = 0, shown_ = 0, framesAt_ = 0, lastFullReceived_ = -1;
  bool drag_ = false, painted_ = false;
  double shownHeading_ = 0, lastFullShown_ = NAN, cpu0_ = 0;
};

// Plays input through the X server from a thread of its own.
class TDriver {
 public:
  TDriver(const TXTest& x, TSent& sent, QPoint origin) : x_(x), sent_(sent), origin_(origin) {}
  ~TDriver() { Join(); }
  bool Done() const { return done_; }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  void Run(std::function<void(TDriver&)> script) {
    Join();
    done_ = false;
    thread_ = std::thread([this, script] {
      display_ = XOpenDisplay(nullptr);
      script(*this);
      XCloseDisplay(display_);
      done_ = true;
    });
  }

  void Move(int x, int y, bool counted) {
    x_.motion(display_, -1, origin_.x() + x, origin_.y() + y, 0);
    Send(counted);
  }
  void Button(unsigned button, bool press, bool counted) {
    x_.button(display_, button, press, 0);
    if (button == 1 && !press) sent_.released = Now();
    Send(counted);
  }
  void Key(KeySym key, bool press) {
    x_.key(display_, XKeysymToKeycode(display_, key), press, 0);
    Send(press);
  }
  static void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

 private:
  void Send(bool counted) {
    if (counted) sent_.Add();
    XFlush(display_);
  }

  const TXTest& x_;
  TSent& sent_;
  QPoint origin_;
  Display* display_ = nullptr;
  std::thread thread_;
  std::atomic<bool> done_{true};
};

void Print(const char* what, const TFigures& f, double goal) {
  std::printf(
      "  %-22s %4zu events, %3d frames (%d light): latency median %.3f s, 90%% %.3f s, worst %.3f s (goal %.2f)\n",
      what, f.latency.size(), f.frames, f.light, Percentile(f.latency, 0.5), Percentile(f.latency, 0.9),
      Percentile(f.latency, 1), goal);
  std::printf("  %-22s frames drawn in: light %.3f s median, %.3f s worst; full %.3f s median\n", "",
              Percentile(f.lightFrames, 0.5), Percentile(f.lightFrames, 1), Percentile(f.fullFrames, 0.5));
  std::printf("  %-22s full picture %.3f s after the last event, %d frames after it, %.2f s of CPU\n", "",
              f.fullAfterStop, f.framesAfterFull, f.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = bench::GeneratedPlotFile(records);
  QApplication app(argc, argv);
  TXTest xtest;
  if (QGuiApplication::platformName() != "xcb" || !xtest.Load()) {
    std::fprintf(stderr, "bench_input needs an X display with XTest (xvfb-run)\n");
    return 1;
  }
  InitPlotUnits();
  TForm1 form;
  form.ErrorBox = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
  form.resize(1280, 960);
  form.show();
  form.activateWindow();
  for (const double until = Now() + 5; !form.isActiveWindow() && Now() < until;)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!form.isActiveWindow()) std::fprintf(stderr, "the window is not active; keys may go astray\n");
  TGLViewer& viewer = *form.Viewer();
  while (!form.SceneCreated()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  form.LoadCave(QString::fromStdString(file));
  viewer.setFocus();

  TSent sent;
  TWatch watch(form, sent);
  TDriver driver(xtest, sent, viewer.mapToGlobal(QPoint(0, 0)));
  auto inputDone = [&] { return driver.Done(); };
  const int y = viewer.height() / 2;

  // Full frames once the cave is in, nothing moving.
  std::vector<double> fulls;
  for (int i = 0; i < 3; ++i) {
    const double t = Now();
    QEventLoop loop;
    QObject::connect(&viewer, &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
    viewer.update();
    loop.exec();
    fulls.push_back(Now() - t);
  }
  const double load0 = Now();
  const std::string loadBefore = LoadAverage();

  // A drag of 3 s at 100 moves a second, released straight after its last move.
  watch.Start(true);
  driver.Run([y](TDriver& d) {
    d.Move(TWatch::X0, y, false);
    d.Button(1, true, false);
    for (int i = 1; i <= 300; ++i) {
      TDriver::Sleep(0.01);
      d.Move(TWatch::X0 + TWatch::Dx * i, y, true);
    }
    TDriver::Sleep(0.01);
    d.Button(1, false, false);
  });
  const TFigures drag = watch.Finish(inputDone);

  // Arrow keys one at a time, each once the full picture is up.
  TFigures tap;
  for (int i = 0; i < 5; ++i) {
    watch.Start(false);
    driver.Run([](TDriver& d) {
      d.Key(XK_Right, true);
      d.Key(XK_Right, false);
    });
    const TFigures one = watch.Finish(inputDone);
    tap.latency.insert(tap.latency.end(), one.latency.begin(), one.latency.end());
    tap.frames += one.frames, tap.light += one.light, tap.cpu += one.cpu;
    tap.lightFrames.insert(tap.lightFrames.end(), one.lightFrames.begin(), one.lightFrames.end());
    tap.fullFrames.insert(tap.fullFrames.end(), one.fullFrames.begin(), one.fullFrames.end());
    tap.framesAfterFull += one.framesAfterFull;
    tap.fullAfterStop =
        std::isnan(tap.fullAfterStop) ? one.fullAfterStop : std::max(tap.fullAfterStop, one.fullAfterStop);
  }

  // An arrow key held for 2 s: 25 repeats a second, each a release and a
  // press at once, as the server sends them without detectable repeats.
  // (The server's own repeats carry times that cannot be matched to ours.)
  watch.Start(false);
  driver.Run([](TDriver& d) {
    for (int i = 0; i < 50; ++i) {
      d.Key(XK_Right, true);
      if (i < 49) d.Key(XK_Right, false);
      TDriver::Sleep(0.04);
    }
    d.Key(XK_Right, false);
  });
  const TFigures held = watch.Finish(inputDone);

  // The wheel: 20 notches a second for 1 s.
  watch.Start(false);
  driver.Run([](TDriver& d) {
    for (int i = 0; i < 20; ++i) {
      d.Button(i < 10 ? 4 : 5, true, true);
      d.Button(i < 10 ? 4 : 5, false, false);
      TDriver::Sleep(0.05);
    }
  });
  const TFigures wheel = watch.Finish(inputDone);
  driver.Join();

  std::printf("input on a big cave: %s, view %d x %d, %d records, %d wall triangles\n", file.c_str(), viewer.width(),
              viewer.height(), form.Document().Model.Plots.Count(), form.Scene().PassageMesh->ColorCount());
  std::printf("  load average %s before, %s after %.0f s of input\n", loadBefore.c_str(), LoadAverage().c_str(),
              Now() - load0);
  std::printf("  full frame %.3f s, %.3f s, %.3f s\n", fulls[0], fulls[1], fulls[2]);
  Print("drag", drag, 0.15);
  std::printf("  %-22s after the release: %d frames turned the view by %.1f deg, the last %.3f s after it\n", "",
              drag.turnsAfterRelease, drag.turnAfterRelease, drag.lastTurn);
  Print("arrow key, single", tap, 0.3);
  Print("arrow key, held", held, 0.3);
  Print("wheel", wheel, 0.3);
  return 0;
}
