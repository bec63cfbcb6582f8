#include "app/GLMain.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "app/CaveMeshDlg.h"
#include "app/MapDlg.h"
#include "app/OptionsPanel.h"
#include "app/SettingsDialogs.h"
#include "app/StationTool.h"
#include "app/StatusFields.h"
#include "app/ViewMotion.h"
#include "app/core/GLSettings.h"
#include "controls/ColorDisplay.h"
#include "controls/Fields.h"
#include "controls/ReopenMenu.h"
#include "platform/IniFile.h"
#include "scene/GLGuards.h"
#include "viewer/GLViewer.h"

namespace lumora {
namespace {

// A held navigation button steps this often.
constexpr int kRepeatMs = 50;

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  setWindowTitle("Lumora");
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  InformationBox = [this](const QString& text) { QMessageBox::information(this, "Lumora", text); };
  ErrorBox = [this](const QString& text) { QMessageBox::warning(this, "Lumora", text); };
  ChooseColor = [this](uint32_t colour) { return AskColor(this, colour); };

  RunMapDialog = [](TMapDlg& dialog) { return dialog.exec() == QDialog::Accepted; };
  AskFileName = [this](const QString& title, const QString& filter, const QString& suffix, bool save) {
    return AskFile(this, save, title, filter, suffix);
  };
  document_.OnLoaded([this](const std::string& path) { DocumentLoaded(QString::fromStdString(path)); });

  viewer_ = new TGLViewer;
  viewer_->setObjectName("Viewer");
  viewer_->installEventFilter(this);
  viewer_->OnCreateWindow = [this](TGLViewerCore&) { CreateSceneOnce(); };
  // A load or a recolouring raises a change notice per item: the status
  // follows them once per turn of the event loop, and at once after a frame.
  viewer_->OnChange = [this](TGLViewerCore&) { RequestStatus(); };
  viewer_->OnDisplayChange = [this](TGLViewerCore&) {
    CaptureFrame();
    UpdateStatus();
    stations_->Draw();
    DrawCrosshairs();
  };
  options_ = new TOptionsPanel;
  auto* split = new QSplitter;
  split->addWidget(viewer_);
  split->addWidget(options_);
  split->setStretchFactor(0, 1);
  split->setCollapsible(0, false);
  setCentralWidget(split);

  status_ = std::make_unique<TStatusFields>(statusBar());
  loadProgress_ = new TLoadProgressDlg(this);
  xProgress_ = new TProgressDlg(this);
  meshDlg_ = new TCaveMeshDlg(this);
  CreateRoseDialog();
  animateTimer_ = new QTimer(this);
  animateTimer_->setInterval(10);
  connect(animateTimer_, &QTimer::timeout, this, [this] {
    if (!sceneCreated_) return;
    NavigatedFrame()->RepeatRotation();
    viewer_->update();
  });

  CreateToolBar();
  stations_ = new TStationTool(*this, *findChild<QToolBar*>("ToolBar"));
  CreateSurveyPage();
  CreateMenus();
  CreateViewMenu();
  ConnectMotion();
  ConnectOptions();
  CreateVolumeTool();
  CreateCapture();
  CreateDisplayDialogs();
  RestoreWindowGeometry();
  WarnUnreadableSettings();
}

void TForm1::WarnUnreadableSettings() {
  // Such a file is never written over; said once, when the window is up.
  std::string text;
  for (const auto& path : {RecentFilesSettingsPath(), UnitsSettingsPath()})
    if (const TIniFile ini(path); !ini.LoadError().empty()) text += ini.LoadError() + "\n";
  if (text.empty()) return;
  text += "Settings are not saved to it.";
  QTimer::singleShot(0, this, [this, t = QString::fromLocal8Bit(text)] { ErrorBox(t); });
}

TForm1::~TForm1() {
  viewer_->OnChange = nullptr;
  viewer_->OnDisplayChange = nullptr;
  viewer_->OnCreateWindow = nullptr;
}

TGLFrame* TForm1::NavigatedFrame() const {
  return options_->RoseChk->isChecked() ? scene_.RoseFrame : scene_.CaveFrame;
}

void TForm1::CreateToolBar() {
  QToolBar* bar = addToolBar("Navigation");
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  // Each move and turn acts on the navigated frame; k is the increment and
  // s the frame's pixels per unit, so moves follow the view's scale.
  struct Nav {
    const char* name;
    const char* glyph;
    const char* hint;
    std::function<void(TGLFrame&, double, double)> step;
  };
  const Nav moves[] = {
      {"ZoomInBtn", "+", "Zoom In", [](TGLFrame& f, double k, double s) { f.Translate(0, 0, k / s); }},
      {"ZoomOutBtn", "\u2212", "Zoom Out", [](TGLFrame& f, double k, double s) { f.Translate(0, 0, -k / s); }},
  };
  const Nav pans[] = {
      {"PanLeftBtn", "\u2190", "Pan Left", [](TGLFrame& f, double k, double s) { f.Translate(k / s, 0, 0); }},
      {"PanRightBtn", "\u2192", "Pan Right", [](TGLFrame& f, double k, double s) { f.Translate(-k / s, 0, 0); }},
      {"PanUpBtn", "\u2191", "Pan Up", [](TGLFrame& f, double k, double s) { f.Translate(0, -k / s, 0); }},
      {"PanDownBtn", "\u2193", "Pan Down", [](TGLFrame& f, double k, double s) { f.Translate(0, k / s, 0); }},
      {"YawRightBtn", "\u21bb", "Yaw Right", [](TGLFrame& f, double k, double) { f.Rotate(0, -k, 0); }},
      {"YawLeftBtn", "\u21ba", "Yaw Left", [](TGLFrame& f, double k, double) { f.Rotate(0, k, 0); }},
      {"PitchUpBtn", "\u2934", "Pitch Up", [](TGLFrame& f, double k, double) { f.Rotate(-k, 0, 0); }},
      {"PitchDownBtn", "\u2935", "Pitch Down", [](TGLFrame& f, double k, double) { f.Rotate(k, 0, 0); }},
      {"RollRightBtn", "\u27f3", "Roll Right", [](TGLFrame& f, double k, double) { f.Rotate(0, 0, -k); }},
      {"RollLeftBtn", "\u27f2", "Roll Left", [](TGLFrame& f, double k, double) { f.Rotate(0, 0, k); }},
  };
  auto add = [&](const Nav& n) {
    QToolButton* b = ToolButton(n.name, n.glyph, n.hint, kRepeatMs);
    connect(b, &QToolButton::clicked, this, [this, step = n.step] { Step(step); });
    bar->addWidget(b);
    return b;
  };
  for (const Nav& n : moves) add(n);
  QToolButton* reset = ToolButton("ResetBtn", "\u2302", "Reset Scale");
  connect(reset, &QToolButton::clicked, this, &TForm1::ResetBtnClick);
  bar->addWidget(reset);
  for (const Nav& n : pans) add(n);
  RollRightBtn = bar->findChild<QToolButton*>("RollRightBtn");
  RollLeftBtn = bar->findChild<QToolButton*>("RollLeftBtn");
  RollRightBtn->setEnabled(false);
  RollLeftBtn->setEnabled(false);
  bar->addSeparator();

  CaptureBtn = ToolButton("CaptureBtn", "\u25cf", "Start/Stop Capture");
  CaptureBtn->setCheckable(true);
  CaptureBtn->setEnabled(false);
  bar->addWidget(CaptureBtn);
  AnimateBtn = ToolButton("AnimateBtn", "\u25b6", "Animate");
  AnimateBtn->setCheckable(true);
  connect(AnimateBtn, &QToolButton::toggled, this, [this](bool down) {
    if (down)
      animateTimer_->start();
    else
      animateTimer_->stop();
  });
  bar->addWidget(AnimateBtn);
  bar->addSeparator();

  auto* incLabel = new QLabel(" Increment ");
  IncSpin = RealSpin("IncSpin", 0.1, 100, 0.5, 1, 10);
  IncSpin->setToolTip("Increment");
  incLabel->setBuddy(IncSpin);
  bar->addWidget(incLabel);
  bar->addWidget(IncSpin);
  FreeRotChk = new QCheckBox("Free Rotation");
  FreeRotChk->setObjectName("FreeRotChk");
  connect(FreeRotChk, &QCheckBox::toggled, this, &TForm1::FreeRotChkClick);
  bar->addWidget(FreeRotChk);
}

void TForm1::CreateMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption, auto slot, QKeySequence key = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar()->addMenu("&File");
  item(file, "OpenPlotFileMnu", "Open Plot File...", &TForm1::OpenPlotFileMnuClick, QKeySequence::Open);
  reopen_ = new TReopenMenu("&Reopen Plot File...", this);
  reopen_->setObjectName("ReopenMnu");
  reopen_->SetIniFile(RecentFilesSettingsPath(), "history", 15);
  reopen_->Load();
  file->addMenu(reopen_);
  connect(reopen_, &TReopenMenu::Reopen, this, &TForm1::Reopen);
  item(file, "ReloadMnu", "Re&load Plot File", &TForm1::ReloadMnuClick, QKeySequence(Qt::Key_F5));
  item(file, "LoadXFileMnu", "&Load X-File...", &TForm1::LoadXFileMnuClick);
  item(file, "SaveXFileMnu", "&Save X-File...", &TForm1::SaveXFileMnuClick);
  file->addSeparator();
  item(file, "ExportMnu", "&Export 3D File Formats...", &TForm1::ExportMnuClick);
  item(file, "SaveGltfMnu", "Save &glTF...", &TForm1::SaveGltfMnuClick);
  item(file, "SaveBitmapMnu", "Save Screen As &Bitmap...", &TForm1::SaveBitmapMnuClick);
  item(file, "ExportMapMnu", "Export &Map...", &TForm1::ExportMapMnuClick);
  item(file, "PrintMnu", "&Print...", &TForm1::PrintMnuClick, QKeySequence::Print);
  file->addSeparator();
  item(file, "ExitMnu", "&Exit", &QWidget::close, QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  item(edit, "CopyMnu", "&Copy", &TForm1::CopyMnuClick);
  item(edit, "ArmCaptureMnu", "&Arm Capture...", &TForm1::ArmCaptureMnuClick);

  QMenu* tools = menuBar()->addMenu("&Tools");
  item(tools, "RoseMnu", "3D &Rose Diagram...", &TForm1::RoseMnuClick);
  item(tools, "VolumeMnu", "&Volume Tool...", &TForm1::OpenVolumeTool);

  QMenu* opts = menuBar()->addMenu("&Options");
  item(opts, "PassageModelMnu", "&Passage Model...", &TForm1::PassageModelMnuClick);
  item(opts, "LightingMnu", "&Lighting...", &TForm1::LightingMnuClick);
  item(opts, "MaterialsMnu", "&Materials...", &TForm1::MaterialsMnuClick);
  item(opts, "RenderingMnu", "Rendering...", &TForm1::RenderingMnuClick);
  item(opts, "TestObjectsMnu", "&Test Objects...", &TForm1::TestObjectsMnuClick);
  item(opts, "CaptureOptionsMnu", "&Capture Options...", &TForm1::CaptureOptionsMnuClick);
  opts->addSeparator();
  item(opts, "SettingsMnu", "&Settings..", [this] {
    if (EditUnits(this, document_.Units, &openInPlan_)) SaveOpenInPlan();
  });
  item(opts, "SaveSettingsMnu", "S&ave Settings", [this] { SaveUnitsCommand(this, document_.Units); });

  QMenu* help = menuBar()->addMenu("&Help");
  item(
      help, "ContentsMnu", "&Contents", [this] { ShowHelpContents(this); }, QKeySequence::HelpContents);
  item(help, "AboutMnu", "&About...", [this] { ShowAbout(this); });
}

void TForm1::Step(const std::function<void(TGLFrame&, double k, double s)>& step) {
  if (!sceneCreated_) return;
  TGLFrame& f = *NavigatedFrame();
  step(f, IncSpin->value(), f.PixelsPerUnit());
  motion_->Moved();
}

void TForm1::ResetBtnClick() {
  if (!sceneCreated_) return;
  TGLFrame* f = NavigatedFrame();
  if (f == scene_.CaveFrame) {
    f->ApplyHomeAngles();
    f->PitchIncrement = f->YawIncrement = f->RollIncrement = 0;
  }
  f->ResetOrientation();
  viewer_->repaint();
}

void TForm1::FreeRotChkClick() {
  const bool free = FreeRotChk->isChecked();
  if (sceneCreated_) scene_.CaveFrame->FreeRotation = scene_.RoseFrame->FreeRotation = free;
  RollRightBtn->setEnabled(free);
  RollLeftBtn->setEnabled(free);
}

namespace {

uint32_t ShiftState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  uint32_t s = 0;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

}  // namespace

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched != viewer_ || !sceneCreated_ || loading_) return QMainWindow::eventFilter(watched, event);
  TGLFrame* f = NavigatedFrame();
  switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
      const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
      ZoomToPoint(p.x(), p.y());
      break;
    }
    case QEvent::MouseButtonPress: {
      motion_->FinishFlyIn();
      const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
      f->MouseDown(p.x(), p.y());
      break;
    }
    case QEvent::MouseMove: {
      auto* m = static_cast<QMouseEvent*>(event);
      const uint32_t shift = ShiftState(m->buttons(), m->modifiers());
      if (shift) {
        const QPoint p = m->position().toPoint();
        if (f->MouseMove(shift, p.x(), p.y())) motion_->Moved();
      }
      break;
    }
    case QEvent::MouseButtonRelease:
      f->MouseUp();
      motion_->Stopped();
      break;
    case QEvent::Wheel: {
      const int dy = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (dy == 0) break;
      f->Translate(0, 0, (dy > 0 ? 25 : -25) / f->PixelsPerUnit());
      motion_->Moved();
      return true;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
      motion_->KeyDown();
      break;
    case QEvent::KeyRelease:
      if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) motion_->KeyUp();
      break;
    case QEvent::FocusOut:
      motion_->KeyUp();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ZoomToPoint(int x, int y) {
  TGLFrame* f = NavigatedFrame();
  const int steps = TViewMotion::kFlyInSteps;
  const double dx = (x - viewer_->width() / 2.0) / steps, dy = (y - viewer_->height() / 2.0) / steps;
  // Each step's scale from the frame's own place, not from the last frame
  // drawn: the end point is the same however many frames are dropped.
  motion_->FlyIn([f, dx, dy] {
    f->RefreshMatrices();
    const double s = f->PixelsPerUnit();
    f->Translate(-dx / s, dy / s, 10 / s);
  });
}

void TForm1::DrawCrosshairs() {
  if (!options_->CrossHairsChk->isChecked()) return;
  const int w = viewer_->width(), h = viewer_->height();
  const int cx = w / 2, cy = h / 2;
  const TWindowPixelsGuard pixels(w, h);
  glDisable(GL_LINE_SMOOTH);
  glLineWidth(2);
  glColor3ub(0, 255, 0);
  glBegin(GL_LINES);
  glVertex2i(cx - 50, cy);
  glVertex2i(cx + 50, cy);
  glVertex2i(cx, cy - 50);
  glVertex2i(cx, cy + 50);
  glEnd();
}

void TForm1::RequestStatus() {
  if (statusPending_) return;
  statusPending_ = true;
  QTimer::singleShot(0, this, [this] {
    statusPending_ = false;
    UpdateStatus();
  });
}

void TForm1::UpdateStatus() {
  if (!sceneCreated_) return;
  const TGLFrame* f = NavigatedFrame();
  status_->DisPosX->setText(FormatPlain(f->Position.x, 1));
  status_->DisPosY->setText(FormatPlain(f->Position.y, 1));
  status_->DisPosZ->setText(FormatPlain(f->Position.z, 1));
  const TEuler e = ToEuler(f->Orientation);
  status_->YawDis->setText(FormatPlain(e.heading, 1));
  status_->PitchDis->setText(FormatPlain(e.bank, 1));
  status_->RollDis->setText(FormatPlain(e.attitude, 1));
  const bool rose = options_->RoseChk->isChecked();
  const int shown = rose ? scene_.Rose->ColorCount() : scene_.PassageMesh->ColorCount();
  status_->TriangleDis->setText(FormatThousands(shown, 0));
  status_->FPSDis->setText(FormatThousands(viewer_->FramesPerSecond, 1));
  status_->TPSDis->setText(FormatPlain(scene_.PassageMesh->ColorCount() / viewer_->FrameTime, 0));
}

}  // namespace lumora
