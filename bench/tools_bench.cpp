// The station tools on a generated cave, the whole of it fitted in a
// 1280 x 1024 view on this machine's GL (Mesa llvmpipe, headless): the find
// marks of every tenth station, a label a station thinned to those that do
// not overlap, and the rose diagram. A frame figure is the frame with the
// marks or labels less the same frame without. Goals: marks under 20 ms a
// frame, thinning under 30 ms a frame, the rose under 2 s.
//
//   bench_tools [STATIONS]   (default 1000000)

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/core/CaveOverlays.h"
#include "app/core/GLCave.h"
#include "bench/BenchUtil.h"
#include "model/WorkingUnits.h"
#include "rose/GLRose.h"
#include "scene/GLFonts.h"
#include "scene/GLGuards.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/ViewProjection.h"

using namespace lumora;
using namespace lumora::bench;

namespace {

constexpr int kWidth = 1280, kHeight = 1024;

// The best of a few frames, in milliseconds.
double FrameMs(TOffscreenViewer& viewer) {
  viewer.Render(false);
  double best = 1e99;
  for (int i = 0; i < 5; ++i) {
    const Stopwatch frame;
    viewer.Render(false);
    glFinish();
    best = std::min(best, frame.Seconds() * 1000);
  }
  return best;
}

// The marks as they were drawn before: one line loop each.
void LoopMarks(const TMatrix4& m, const std::vector<T3DVector>& points, const std::vector<int>& entries) {
  for (int e : entries) {
    const auto p = ProjectToWindow(m, kWidth, kHeight, points[e]);
    if (!p) continue;
    glBegin(GL_LINE_LOOP);
    glVertex2d(p->X - 4, p->Y - 4);
    glVertex2d(p->X + 4, p->Y - 4);
    glVertex2d(p->X + 4, p->Y + 4);
    glVertex2d(p->X - 4, p->Y + 4);
    glEnd();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  int qtArgc = 3;
  char name[] = "bench_tools", option[] = "-platform", platform[] = "offscreen";
  char* qtArgv[] = {name, option, platform, nullptr};
  QGuiApplication app(qtArgc, qtArgv);

  TCaveDocument document;
  TPlotModel& model = document.Model;
  if (!LoadGeneratedCave(model, stations)) return 1;
  std::vector<T3DVector> points;
  std::vector<int> records;
  T3DVector lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (r.Code != 'M' && r.Code != 'D') continue;
    points.push_back(SceneCoordinates(r.Position, model, document.PassageOptions));
    records.push_back(i);
    lo = MinVector(lo, points.back());
    hi = MaxVector(hi, points.back());
  }
  // The cave about the origin, the eye on +z far enough to see all of it.
  const T3DVector centre = Scale(Add(lo, hi), 0.5);
  for (T3DVector& p : points) p = Subtract(p, centre);
  const double size = std::max(hi.x - lo.x, hi.y - lo.y);
  TOffscreenViewer viewer(kWidth, kHeight);
  viewer.Camera.Eye = {0, 0, 1000.0 * size / kWidth * 1.1 + (hi.z - lo.z)};
  const TMatrix4 view = ModelviewOf(viewer.Camera, {&viewer.Frame});
  std::printf("cave: %d records, %zu stations, %.0f ft across; view %d x %d\n", model.Plots.Count(), points.size(),
              size, kWidth, kHeight);

  const double empty = FrameMs(viewer);
  std::printf("empty frame:                     %7.1f ms\n", empty);

  std::vector<int> matches;
  for (size_t i = 0; i < points.size(); i += 10) matches.push_back(static_cast<int>(i));
  auto marked = [&](const std::function<void()>& draw) {
    viewer.OnRender = [&](TGLViewerCore&) {
      const TWindowPixelsGuard pixels(kWidth, kHeight);
      glLineWidth(2);
      glColor3ub(255, 0, 255);
      draw();
    };
    const double ms = FrameMs(viewer) - empty;
    viewer.OnRender = nullptr;
    return ms;
  };
  const double loops = marked([&] { LoopMarks(view, points, matches); });
  const double batch = marked([&] { DrawSquareMarks(view, kWidth, kHeight, points, matches, -1, 4); });
  std::printf("%zu find marks, a loop each:  %7.1f ms a frame\n", matches.size(), loops);
  std::printf("%zu find marks, one draw:     %7.1f ms a frame (goal 20 ms)\n", matches.size(), batch);

  auto* labels = static_cast<TGL2DString*>(viewer.Frame.Strings2D.AddNew());
  TFontDescription font = labels->Font();
  font.Height = 12;
  labels->SetFont(font);
  labels->ReserveStrings(static_cast<int>(points.size()));
  for (size_t i = 0; i < points.size(); ++i) {
    // A few entrances and survey ends among the rest, as the cave ranks them.
    const uint8_t rank = i % 997 == 0 ? lrEntrance : i % 53 == 0 ? lrSurveyEnd : lrOther;
    labels->AddString(model.CutName(model.Plots[records[i]], 255), Add(points[i], T3DVector{0.5, 0.5, 0}), 2, rank);
  }
  labels->HideOverlapping = true;
  // The whole cave, then nearer, where fewer labels are in the view but
  // more of them are kept.
  const T3DVector eye = viewer.Camera.Eye;
  for (const double nearer : {1.0, 4.0, 16.0}) {
    viewer.Camera.Eye = Scale(eye, 1 / nearer);
    const double thinned = FrameMs(viewer) - empty;
    std::printf("%d labels, %2.0fx nearer, thinned to %4zu: %6.1f ms a frame (goal 30 ms)\n", labels->StringCount(),
                nearer, labels->DrawnBoxes.size(), thinned);
  }
  viewer.Camera.Eye = eye;
  labels->Visible = false;

  const TCaveScene scene = CreateSceneObjects(viewer);
  const TRoseObjects rose{scene.RoseFrame, scene.Rose, scene.RoseBase, scene.RoseGrid};
  const TWorkingUnits units = MakeWorkingUnits(true);
  scene.RoseFrame->Position.z = RoseFitPosition(kWidth, kHeight, viewer.Camera.Eye.z);
  for (auto [layers, petals] : {std::pair{24, 36}, std::pair{kMaxRoseLayers, kMaxRosePetals}}) {
    double best = 1e99;
    for (int run = 0; run < 3; ++run) {
      TGLRose r;
      const Stopwatch build;
      r.BuildRose(rose, model, units, layers, petals, true);
      TGLRose::FaceUp(rose);
      scene.RoseFrame->Visible = true;
      viewer.Render(false);
      glFinish();
      best = std::min(best, build.Seconds());
    }
    std::printf("rose of %3d layers x %3d petals: %7.2f s built and drawn (goal 2 s)\n", layers, petals, best);
  }
  return 0;
}
