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
#include "app/StationTool.h"
#include "app/StatusFields.h"
#include "app/SurveyPage.h"
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
const char* const kOpenInPlanKey = "OpenInPlan";

}  // namespace

std::vector<std::pair<QCheckBox*, TWallColoring>> TForm1::ColoringBoxes() const {
  const TOptionsPanel* o = options_;
  return {{o->DepthChk, TWallColoring::Depth},   {o->DateChk, TWallColoring::Date},
          {o->SurveyChk, TWallColoring::Survey}, {o->GradientChk, TWallColoring::Gradient},
          {o->LengthChk, TWallColoring::Length}, {o->ErrorChk, TWallColoring::Error}};
}

TWallColoring TForm1::Coloring() const {
  for (const auto& [box, coloring] : ColoringBoxes())
    if (box->isChecked()) return coloring;
  return TWallColoring::Plain;
}

void TForm1::ColoringChkClick(QCheckBox* box) {
  // One colouring at a time: the box just checked clears the others.
  if (box->isChecked())
    for (const auto& [b, coloring] : ColoringBoxes())
      if (b != box) SetChecked(b, false);
  depthColoring_ = Coloring() != TWallColoring::Plain;
  Recolor();
}

void TForm1::Recolor() {
  if (!sceneCreated_) return;
  ColorWalls(scene_, document_.Model, Coloring(), options_->WallColorDis->Color(), document_.HighlightedSurveys);
  scene_.PassageMesh->SetTransparency(scene_.PassageMesh->Transparency());
  viewer_->update();
}

void TForm1::Restyle() {
  if (!sceneCreated_ || loading_) return;
  RestyleCave(scene_, document_, Style());
  stations_->SurveysChanged();
  Recolor();
}

void TForm1::CreateSurveyPage() {
  surveyPage_ = new TSurveyPage(document_);
  options_->addItem(surveyPage_, "Surveys");
  surveyPage_->OnShownChanged = [this] { Restyle(); };
  surveyPage_->OnHighlightChanged = [this] { Restyle(); };
  surveyPage_->OnFrame = [this](const std::vector<int>& surveys) {
    if (!sceneCreated_ || loading_) return;
    const TPlotModel& model = document_.Model;
    T3DVector lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int s : surveys) {
      const int end = s + 1 < model.Surveys.Count() ? model.Surveys[s + 1].FirstPlot : model.Plots.Count();
      for (int i = model.Surveys[s].FirstPlot; i < end; ++i) {
        lo = MinVector(lo, model.Plots[i].Position);
        hi = MaxVector(hi, model.Plots[i].Position);
      }
    }
    if (!(lo.x <= hi.x)) return;
    // The box's corners stand for the survey.
    std::vector<T3DVector> corners;
    for (int k = 0; k < 8; ++k)
      corners.push_back(SceneCoordinates({k & 1 ? hi.x : lo.x, k & 2 ? hi.y : lo.y, k & 4 ? hi.z : lo.z}, model,
                                         document_.PassageOptions));
    stations_->FramePoints(corners);
  };
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
  openInPlan_ = ini.ReadBool(kViewSection, kOpenInPlanKey, false);
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
  for (const auto& [box, coloring] : ColoringBoxes())
    if (box != options_->DepthChk) connect(box, &QCheckBox::toggled, this, [this, b = box] { ColoringChkClick(b); });
  TOptionsPanel* o = options_;
  for (QCheckBox* b : {o->LabelAnonChk, o->SurfaceLegsChk, o->DuplicateLegsChk})
    connect(b, &QCheckBox::toggled, this, &TForm1::Restyle);
  for (QGroupBox* g : {o->EntranceChk, o->FixedChk, o->ExportedChk})
    connect(g, &QGroupBox::toggled, this, &TForm1::Restyle);
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
    centre.Stride = standIn ? std::max(1, centre.SegmentCount() / motion_->StandInSegments()) : 1;
  };
  connect(viewer_, &QOpenGLWidget::frameSwapped, motion_, &TViewMotion::FrameShown);
  connect(motion_, &TViewMotion::Redraw, viewer_, qOverload<>(&QWidget::update));
}

void TForm1::SaveOpenInPlan() const {
  try {
    TIniFile ini(RecentFilesSettingsPath());
    ini.WriteBool(kViewSection, kOpenInPlanKey, openInPlan_);
    ini.UpdateFile();
  } catch (const std::exception&) {
    // A settings file that cannot be written keeps the choice for this run.
  }
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
  if (openInPlan_ && !extended && document_.Model.Plots.Count() > 0) ViewPlan();
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
  motion_->Moved();
}

}  // namespace lumora
