// The main window's View menu: standard views, fitting, the keys cave
// viewers share, the overlays over the view and the colourings by date
// and by survey.

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenuBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/StatusFields.h"
#include "app/ViewMotion.h"
#include "app/core/CaveViews.h"
#include "app/core/GLSettings.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"
#include "viewer/GLViewer.h"

namespace lumora {
namespace {

constexpr double kZoomStep = 1.1;
const char* const kViewSection = "View";

}  // namespace

TWallColoring TForm1::Coloring() const {
  if (options_->DepthChk->isChecked()) return TWallColoring::Depth;
  if (options_->DateChk->isChecked()) return TWallColoring::Date;
  if (options_->SurveyChk->isChecked()) return TWallColoring::Survey;
  return TWallColoring::Plain;
}

void TForm1::ColoringChkClick(QCheckBox* box) {
  // One colouring at a time: the box just checked clears the others.
  if (box->isChecked())
    for (QCheckBox* b : {options_->DepthChk, options_->DateChk, options_->SurveyChk})
      if (b != box) SetChecked(b, false);
  depthColoring_ = Coloring() != TWallColoring::Plain;
  if (!sceneCreated_) return;
  ColorWalls(scene_, document_.Model, Coloring(), options_->WallColorDis->Color());
  scene_.PassageMesh->SetTransparency(scene_.PassageMesh->Transparency());
  viewer_->update();
}

void TForm1::CreateViewMenu() {
  QMenu* view = new QMenu("&View", this);
  view->setObjectName("ViewMnu");
  // Before Tools, after File and Edit.
  QAction* before = nullptr;
  for (QAction* a : menuBar()->actions())
    if (a->text() == "&Tools") before = a;
  menuBar()->insertMenu(before, view);

  // Keys that widgets of the panel also use (arrows, space, +) act only
  // while the view has the focus; letters act anywhere in the window.
  auto item = [this, view](const char* name, const QString& caption, QList<QKeySequence> keys, bool viewOnly,
                           auto slot) {
    QAction* a = view->addAction(caption);
    a->setObjectName(name);
    a->setShortcuts(keys);
    if (viewOnly) {
      a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      viewer_->addAction(a);
    }
    connect(a, &QAction::triggered, this, [this, slot] {
      if (sceneCreated_ && !loading_) slot();
    });
    return a;
  };
  auto step = [this](auto f) { return [this, f] { Step(f); }; };

  item("PlanMnu", "&Plan", {Qt::Key_P}, false, [this] { ViewPlan(); });
  item("ElevationMnu", "&Elevation (N, E, S, W)", {Qt::Key_L}, false, [this] { ViewElevation(); });
  item("FitMnu", "&Fit to Window", {Qt::Key_F}, false, [this] { ViewFit(); });
  item("HomeMnu", "&Home View", {Qt::Key_Home}, true, [this] { ResetBtnClick(); });
  view->addSeparator();
  item("ZoomInMnu", "Zoom &In", {Qt::Key_Plus, Qt::Key_Equal, Qt::KeypadModifier | Qt::Key_Plus}, true,
       [this] { ViewZoom(kZoomStep); });
  item("ZoomOutMnu", "Zoom &Out", {Qt::Key_Minus, Qt::KeypadModifier | Qt::Key_Minus}, true,
       [this] { ViewZoom(1 / kZoomStep); });
  item("TurnLeftMnu", "Turn Left", {Qt::Key_Left}, true,
       step([](TGLFrame& f, double k, double) { f.Rotate(0, k, 0); }));
  item("TurnRightMnu", "Turn Right", {Qt::Key_Right}, true,
       step([](TGLFrame& f, double k, double) { f.Rotate(0, -k, 0); }));
  item("TiltUpMnu", "Tilt Up", {Qt::Key_Up}, true, step([](TGLFrame& f, double k, double) { f.Rotate(-k, 0, 0); }));
  item("TiltDownMnu", "Tilt Down", {Qt::Key_Down}, true,
       step([](TGLFrame& f, double k, double) { f.Rotate(k, 0, 0); }));
  item("PanLeftMnu", "Pan Left", {Qt::CTRL | Qt::Key_Left}, true,
       step([](TGLFrame& f, double k, double s) { f.Translate(k / s, 0, 0); }));
  item("PanRightMnu", "Pan Right", {Qt::CTRL | Qt::Key_Right}, true,
       step([](TGLFrame& f, double k, double s) { f.Translate(-k / s, 0, 0); }));
  item("PanUpMnu", "Pan Up", {Qt::CTRL | Qt::Key_Up}, true,
       step([](TGLFrame& f, double k, double s) { f.Translate(0, -k / s, 0); }));
  item("PanDownMnu", "Pan Down", {Qt::CTRL | Qt::Key_Down}, true,
       step([](TGLFrame& f, double k, double s) { f.Translate(0, k / s, 0); }));
  item("AnimateMnu", "Start/Stop &Animation", {Qt::Key_Space}, true, [this] { AnimateBtn->toggle(); });
  view->addSeparator();

  const TIniFile ini(RecentFilesSettingsPath());
  struct Overlay {
    const char* name;
    const char* caption;
    const char* key;
    bool TOverlaySwitches::*which;
  };
  for (const Overlay& o : {Overlay{"ColorKeyMnu", "Color &Key", "ColorKey", &TOverlaySwitches::Key},
                           Overlay{"ScaleBarMnu", "&Scale Bar", "ScaleBar", &TOverlaySwitches::ScaleBar},
                           Overlay{"CompassMnu", "&Compass", "Compass", &TOverlaySwitches::Compass},
                           Overlay{"ClinometerMnu", "C&linometer", "Clinometer", &TOverlaySwitches::Clinometer}}) {
    QAction* a = view->addAction(o.caption);
    a->setObjectName(o.name);
    a->setCheckable(true);
    overlays_.*o.which = ini.ReadBool(kViewSection, o.key, true);
    a->setChecked(overlays_.*o.which);
    connect(a, &QAction::toggled, this, [this, o](bool on) { SetOverlay(o.which, o.key, on); });
  }

  viewer_->setFocusPolicy(Qt::StrongFocus);
  viewer_->OnRender = [this](TGLViewerCore&) { DrawViewOverlays(); };
  connect(options_->DateChk, &QCheckBox::toggled, this, [this] { ColoringChkClick(options_->DateChk); });
  connect(options_->SurveyChk, &QCheckBox::toggled, this, [this] { ColoringChkClick(options_->SurveyChk); });
  connect(options_->ThinLabelsChk, &QCheckBox::toggled, this, [this](bool on) {
    if (!sceneCreated_) return;
    scene_.Labels->HideOverlapping = on;
    viewer_->update();
  });
}

void TForm1::ConnectMotion() {
  motion_ = new TViewMotion(this);
  // The walls give way to their centreline, which is drawn with them, for
  // the frames that stand in while the view moves; a centreline of very
  // many shots is thinned to every so many.
  viewer_->OnPaint = [this](TGLViewer&) {
    motion_->FrameStarted();
    if (!sceneCreated_) return;
    const bool standIn = motion_->StandIn();
    TGLLines& centre = *scene_.Centreline;
    scene_.PassageMesh->Visible = centre.Visible && !standIn;
    centre.Stride = standIn ? std::max(1, centre.SegmentCount() / TViewMotion::kStandInSegments) : 1;
  };
  connect(viewer_, &QOpenGLWidget::frameSwapped, motion_, &TViewMotion::FrameShown);
  connect(motion_, &TViewMotion::Redraw, viewer_, qOverload<>(&QWidget::update));
}

void TForm1::SetOverlay(bool TOverlaySwitches::*which, const char* key, bool on) {
  overlays_.*which = on;
  try {
    TIniFile ini(RecentFilesSettingsPath());
    ini.WriteBool(kViewSection, key, on);
    ini.UpdateFile();
  } catch (const std::exception&) {
    // A settings file that cannot be written keeps the choice for this run.
  }
  viewer_->update();
}

void TForm1::DrawViewOverlays() {
  // The rose has no cave scale or bearing to show.
  if (!sceneCreated_ || options_->RoseChk->isChecked()) return;
  if (!(overlays_.Key || overlays_.ScaleBar || overlays_.Compass || overlays_.Clinometer)) return;
  if (scene_.PassageMesh->ColorCount() == 0 && scene_.Shots->SegmentCount() == 0) return;
  TOverlaySwitches shown = overlays_;
  // An extended elevation's x is no direction on the earth.
  shown.Compass = shown.Compass && !document_.Model.PlotInfo.ExtendedElevation;
  DrawOverlays(OverlayContent(scene_, document_.Model, document_.PassageOptions, Coloring(), document_.Units), shown,
               viewer_->width(), viewer_->height(), viewer_->ScreenColor());
}

void TForm1::ApplySurveyKind() {
  const bool extended = document_.Model.PlotInfo.ExtendedElevation;
  scene_.CaveFrame->FixedHeading = extended;
  if (extended) SetElevationView(*scene_.CaveFrame, 0);
  for (const char* name : {"PlanMnu", "ElevationMnu", "TurnLeftMnu", "TurnRightMnu"})
    findChild<QAction*>(name)->setEnabled(!extended);
  for (const char* name : {"YawLeftBtn", "YawRightBtn"}) findChild<QToolButton*>(name)->setEnabled(!extended);
  status_->ViewKindDis->setText(" Extended elevation: shown as an elevation only ");
  status_->ViewKindDis->setVisible(extended);
  if (!HasLegs(document_.Model) && document_.Model.Plots.Count() > 0) {
    SetChecked(options_->StationsChk, true);
    SetChecked(options_->LabelsChk, true);
    SyncVisibility();
  }
}

void TForm1::ViewPlan() {
  SetPlanView(*scene_.CaveFrame);
  ViewFit();
}

void TForm1::ViewElevation() {
  // From a level view along a compass point, the next point clockwise;
  // from any other view, north.
  TGLFrame& f = *scene_.CaveFrame;
  double bearing = 0;
  const double b = ViewBearing(f);
  const double quarter = std::nearbyint(b / 90);
  if (std::abs(ViewTilt(f)) < 0.5 && std::abs(b - 90 * quarter) < 0.5) bearing = std::fmod(90 * (quarter + 1), 360.0);
  SetElevationView(f, bearing);
  ViewFit();
}

void TForm1::ViewFit() {
  FitView(*scene_.CaveFrame, ExtentPoints(scene_), viewer_->width(), viewer_->height());
  viewer_->update();
}

void TForm1::ViewZoom(double factor) {
  ZoomView(*NavigatedFrame(), factor);
  viewer_->update();
}

}  // namespace lumora
