// The window on a generated cave as a user meets it, beside `lumora-cli
// render` of the same file at the view's size: the time from opening the
// file to the first frame with the walls on the screen (goal: within 1.2
// times the render), the double click's fly-in (goal: about half a second
// whatever the cave) and the redraws while dragging (goal: 0.3 s each).
// Needs a display: run it under xvfb-run.
//
//   bench_window [records]

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/GLMain.h"
#include "app/ViewMotion.h"
#include "bench/BenchUtil.h"
#include "bench/BenchWindow.h"
#include "model/PlotReader.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

struct TRun {
  double seconds = 0, cpu = 0;
};

// `lumora-cli render` in a process of its own.
TRun RenderWithCli(const std::string& file, int width, int height) {
  const std::string out = "/tmp/lumora-bench-window-render.png";
  const bench::TChildRun r = bench::RunProgram(
      {LUMORA_CLI, "render", file, "-o", out, "--width", std::to_string(width), "--height", std::to_string(height)});
  if (!r.Ok) std::fprintf(stderr, "lumora-cli render failed\n");
  std::remove(out.c_str());
  return {r.Seconds, r.Cpu};
}

void Mouse(TGLViewer& viewer, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, at, viewer.mapToGlobal(at), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&viewer, &e);
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const std::string file = bench::GeneratedPlotFile(records);
  QApplication app(argc, argv);
  InitPlotUnits();
  TForm1 form;
  TGLViewer& viewer = bench::ShowWindow(form);

  const TRun cli = RenderWithCli(file, viewer.width(), viewer.height());

  const double cpu0 = bench::CpuSeconds();
  bench::Stopwatch opening;
  form.LoadCave(QString::fromStdString(file));
  const double loaded = opening.Seconds();
  bench::WaitForFrame(viewer);
  const TRun window{opening.Seconds(), bench::CpuSeconds() - cpu0};
  const double peak = bench::PeakRssMB();

  // A second frame, for the cost of a full frame once the cave is in.
  bench::Stopwatch full;
  viewer.update();
  bench::WaitForFrame(viewer);
  const double fullFrame = full.Seconds();

  TViewMotion& motion = *form.Motion();
  const QPoint target(viewer.width() * 2 / 5, viewer.height() * 2 / 5);
  bench::Stopwatch flying;
  Mouse(viewer, QEvent::MouseButtonDblClick, target, Qt::LeftButton, Qt::LeftButton);
  while (motion.Flying()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double flown = flying.Seconds();
  const int flyFrames = motion.FlyInFrames();
  bench::WaitForFrame(viewer);
  const double flownShown = flying.Seconds();

  const QPoint centre(viewer.width() / 2, viewer.height() / 2);
  Mouse(viewer, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  std::vector<double> drags;
  for (int i = 1; i <= 8; ++i) {
    bench::Stopwatch redraw;
    Mouse(viewer, QEvent::MouseMove, centre + QPoint(6 * i, 3 * i), Qt::NoButton, Qt::LeftButton);
    bench::WaitForFrame(viewer);
    drags.push_back(redraw.Seconds());
  }
  bench::Stopwatch release;
  Mouse(viewer, QEvent::MouseButtonRelease, centre + QPoint(48, 24), Qt::LeftButton, Qt::NoButton);
  bench::WaitForFrame(viewer);
  const double released = release.Seconds();
  double worst = 0, sum = 0;
  for (double d : drags) worst = std::max(worst, d), sum += d;

  std::printf("window on a big cave: %s, view %d x %d\n", file.c_str(), viewer.width(), viewer.height());
  std::printf("  model            %d records, %d wall triangles\n", form.Document().Model.Plots.Count(),
              form.Scene().PassageMesh->ColorCount());
  std::printf("  lumora-cli render %.3f s, %.3f s of CPU\n", cli.seconds, cli.cpu);
  std::printf("  window           %.3f s to the first frame (load %.3f s), %.3f s of CPU, peak %.0f MB\n",
              window.seconds, loaded, window.cpu, peak);
  std::printf("                   %.2f x the render (goal: at most 1.2 x)\n", window.seconds / cli.seconds);
  std::printf("  full frame       %.3f s\n", fullFrame);
  std::printf("  fly-in           %.3f s, %d frames, %.3f s with its last frame shown (goal: about 0.5 s)\n", flown,
              flyFrames, flownShown);
  std::printf(
      "  drag redraws     %.3f s average, %.3f s worst of %zu (goal: under 0.3 s); full picture %.3f s "
      "after the release\n",
      sum / drags.size(), worst, drags.size(), released);
  return 0;
}
