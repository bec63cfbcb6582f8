#include "volume/ui/CVMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "controls/ColorDisplay.h"
#include "controls/Fields.h"
#include "controls/Plotwind.h"
#include "controls/RadioGroup.h"
#include "geometry/NumberText.h"
#include "volume/ui/CVReports.h"

namespace lumora {
namespace {

// Thrown out of the progress of a recomputation that a newer one replaces.
struct TSuperseded {};

// A held zoom button steps at Qt's usual pace.
constexpr int kZoomRepeatMs = 100;

// The choices of "Subdivided Length", in feet.
constexpr int kSubdivideLengths[] = {5, 10, 25, 50, 100};

// Clears a flag however the scope is left.
struct TFlagGuard {
  bool& flag;
  explicit TFlagGuard(bool& f) : flag(f) { flag = true; }
  ~TFlagGuard() { flag = false; }
};

}  // namespace

QString StopwatchText(int64_t ns) {
  if (ns < 1000) return QString::number(ns) + " ns";
  if (ns < 1000000) return QString::number(ns / 1e3, 'f', 1) + " \u00b5s";
  if (ns < 1000000000) return QString::number(ns / 1e6, 'f', 1) + " ms";
  return QString::number(ns / 1e9, 'f', 2) + " s";
}

TVolumeDlg::TVolumeDlg(TVolumeModel& model, TWorkingUnits& units, QWidget* parent)
    : QDialog(parent), model_(model), units_(units) {
  setObjectName("VolumeDlg");
  setWindowTitle("Cave Volume Tool");
  setModal(false);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  ChooseColor = [this](uint32_t colour) { return AskColor(this, colour); };
  deferred_ = new QTimer(this);
  deferred_->setSingleShot(true);
  deferred_->setInterval(0);
  connect(deferred_, &QTimer::timeout, this, &TVolumeDlg::RunPending);

  PageControl = new QTabWidget;
  PageControl->setObjectName("PageControl");
  PageControl->addTab(HullsPage(), "Hulls");
  PageControl->addTab(ModelingPage(), "3D Modeling");
  PageControl->addTab(GraphsPage(), "Graphs");
  PageControl->setCurrentIndex(0);

  auto* middle = new QHBoxLayout;
  middle->addWidget(PageControl);
  middle->addWidget(PlotArea(), 1);

  auto* status = new QHBoxLayout;
  MouseDis = new QLabel;
  MouseDis->setObjectName("MouseDis");
  StatusDis = new QLabel;
  StatusDis->setObjectName("StatusDis");
  SubTimer1 = new QLabel;
  SubTimer1->setObjectName("SubTimer1");
  for (QLabel* l : {MouseDis, StatusDis, SubTimer1}) {
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    status->addWidget(l, l == StatusDis ? 2 : 1);
  }
  ProgrBar = new QProgressBar;
  ProgrBar->setObjectName("ProgrBar");
  ProgrBar->setRange(0, 100);
  ProgrBar->setValue(0);

  auto* main = new QVBoxLayout(this);
  main->addWidget(TopBar());
  main->addWidget(TotalsBar());
  main->addLayout(middle, 1);
  main->addLayout(status);
  main->addWidget(ProgrBar);

  reports_ = new TVolumeReportsDlg(model_, units_, this);
  reports_->Restore = [this](bool rebuild) {
    if (rebuild)
      LevelCntSpinChange(LevelCntSpin->value());
    else
      Request(false, false);
  };
  reports_->Options = [this] {
    TReportOptions o;
    o.UseDims = UseDimsChk->isChecked();
    o.ByArea = ByAreaChk->isChecked();
    o.RestoreLevelCount = LevelCntSpin->value();
    o.RestoreFraction = PercentSpin->value() / 100;
    return o;
  };
  reports_->Progress = [this](int percent) { ProgrBar->setValue(percent); };

  // Enter in a spin box confirms the number, never presses a button.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  Connect();
  resize(900, 600);
}

TVolumeDlg::~TVolumeDlg() = default;

QWidget* TVolumeDlg::TopBar() {
  auto* w = new QWidget;
  auto* row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  ConcaveBar = Track("ConcaveBar", 5, 50, 1, 100);
  LengthDis = DisplayField("LengthDis");
  PercentSpin = RealSpin("PercentSpin", 1.0, 100.0, 0.1, 1, 50);
  PercentSpin->setSuffix("%");
  auto* reset = new QPushButton("Reset");
  reset->setObjectName("ResetBtn");
  ResetBtn = reset;
  auto* reports = new QPushButton("Reports");
  reports->setObjectName("Button1");
  Button1 = reports;
  row->addWidget(new QLabel("Concave <-"));
  row->addWidget(ConcaveBar, 1);
  row->addWidget(new QLabel("-> Convex"));
  row->addWidget(new QLabel(" Length  "));
  row->addWidget(LengthDis);
  row->addWidget(PercentSpin);
  row->addWidget(reset);
  row->addWidget(reports);
  return w;
}

QWidget* TVolumeDlg::TotalsBar() {
  auto* w = new QWidget;
  auto* row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  VolumeDis = DisplayField("VolumeDis");
  CaveVolumeDis = DisplayField("CaveVolumeDis");
  PorosityDis = DisplayField("PorosityDis");
  row->addWidget(new QLabel(" Rock Volume:"));
  row->addWidget(VolumeDis);
  row->addWidget(new QLabel(" Cave Volume:"));
  row->addWidget(CaveVolumeDis);
  row->addWidget(new QLabel(" Porosity:"));
  row->addWidget(PorosityDis);
  return w;
}

QWidget* TVolumeDlg::HullsPage() {
  auto* page = new QWidget;
  auto* col = new QVBoxLayout(page);
  auto* algorithm = new QGroupBox("Hull Algorithm");
  auto* a = new QVBoxLayout(algorithm);
  UseDimsChk = CheckBox("UseDimsChk", "Use Pass Dims", true);
  ByAreaChk = CheckBox("ByAreaChk", "By Area", false);
  QStringList lengths;
  for (const int length : kSubdivideLengths) lengths << QString::number(length);
  SubdivideRadio = new TRadioGroup("SubdivideRadio", "Subdivided Length", lengths, 4, 5);
  UpDownChk = CheckBox("UpDownChk", "Use Up/Down", false);
  for (QWidget* c : std::initializer_list<QWidget*>{UseDimsChk, ByAreaChk, SubdivideRadio, UpDownChk}) a->addWidget(c);

  auto* layers = new QGroupBox("Layers ");
  auto* l = new QGridLayout(layers);
  LevelCntSpin = IntSpin("LevelCntSpin", 1, kMaxLevels, kMaxLevels);
  LevelSpin = IntSpin("LevelSpin", 0, kMaxLevels - 1, 0);
  l->addWidget(new QLabel("Layer Count"), 0, 0);
  l->addWidget(LevelCntSpin, 0, 1);
  l->addWidget(new QLabel("Layer Shown"), 1, 0);
  l->addWidget(LevelSpin, 1, 1);
  TopDis = DisplayField("TopDis");
  BottomDis = DisplayField("BottomDis");
  AreaDis = DisplayField("AreaDis");
  DepthDis = DisplayField("DepthDis");
  LayerRockVolDis = DisplayField("LayerRockVolDis");
  LayerCaveVolDis = DisplayField("LayerCaveVolDis");
  LayerPorosityDis = DisplayField("LayerPorosityDis");
  const std::pair<const char*, QLineEdit*> boxes[] = {{" Top", TopDis},
                                                      {" Bottom:", BottomDis},
                                                      {" Area:", AreaDis},
                                                      {" Thickness:", DepthDis},
                                                      {" Rock Vol:", LayerRockVolDis},
                                                      {" Cave Vol:", LayerCaveVolDis},
                                                      {"Porosity:", LayerPorosityDis}};
  int row = 2;
  for (const auto& [caption, box] : boxes) {
    l->addWidget(new QLabel(caption), row, 0);
    l->addWidget(box, row++, 1);
  }
  col->addWidget(algorithm);
  col->addWidget(layers);
  col->addStretch();
  return page;
}

QWidget* TVolumeDlg::ModelingPage() {
  auto* page = new QWidget;
  auto* col = new QVBoxLayout(page);
  TransparentChk = new QGroupBox("Transparent");
  TransparentChk->setObjectName("TransparentChk");
  TransparentChk->setCheckable(true);
  TransparentChk->setChecked(true);
  auto* t = new QGridLayout(TransparentChk);
  TransparentTrack = Track("TransparentTrack", 10, 50);
  t->addWidget(new QLabel("Transparency"), 0, 0, 1, 3);
  t->addWidget(new QLabel(" 0"), 1, 0);
  t->addWidget(TransparentTrack, 1, 1);
  t->addWidget(new QLabel("100% "), 1, 2);
  InternalReflectChk = CheckBox("InternalReflectChk", "Blend Background", true);
  DepthCheckChk = CheckBox("DepthCheckChk", "Depth Check", true);
  t->addWidget(InternalReflectChk, 2, 0, 1, 3);
  t->addWidget(DepthCheckChk, 3, 0, 1, 3);

  QPushButton* change;
  QGroupBox* colour = SwatchGroup("Color", "Color", model_.HullColor, ColorDis, change);
  ColorBtn = change;
  col->addWidget(TransparentChk);
  col->addWidget(colour);
  col->addStretch();
  return page;
}

QWidget* TVolumeDlg::GraphsPage() {
  auto* page = new QWidget;
  auto* col = new QVBoxLayout(page);
  ShowTrianglesChk = CheckBox("ShowTrianglesChk", "Show Triangles", false);
  TriangleChk = CheckBox("TriangleChk", "Label Triangles", false);
  auto* hulls = new QGroupBox("Hulls");
  auto* h = new QVBoxLayout(hulls);
  VertexNumChk = CheckBox("VertexNumChk", "Vertex Numbers", false);
  LineNumChk = CheckBox("LineNumChk", "Line Numbers", false);
  ArrowChk = CheckBox("ArrowChk", "Arrows", false);
  for (QCheckBox* b : {VertexNumChk, LineNumChk, ArrowChk}) h->addWidget(b);
  col->addWidget(ShowTrianglesChk);
  col->addWidget(TriangleChk);
  col->addWidget(hulls);
  col->addStretch();
  return page;
}

QWidget* TVolumeDlg::PlotArea() {
  auto* w = new QWidget;
  auto* col = new QVBoxLayout(w);
  col->setContentsMargins(0, 0, 0, 0);
  auto* tools = new QHBoxLayout;
  ResetZoomBtn = ToolButton("ResetZoomBtn", "\u2302", "Reset");
  ZoomOutBtn = ToolButton("ZoomOutBtn", "\u2212", "Zoom Out", kZoomRepeatMs);
  ZoomInBtn = ToolButton("ZoomInBtn", "+", "Zoom In", kZoomRepeatMs);
  for (QToolButton* b : {ResetZoomBtn, ZoomOutBtn, ZoomInBtn}) tools->addWidget(b);
  tools->addStretch();
  PlotWin = new TPlotWindow;
  PlotWin->setObjectName("PlotWin");
  QPalette p = PlotWin->palette();
  p.setColor(QPalette::Window, Qt::black);
  PlotWin->setPalette(p);
  PlotScroll = new TPlotScroll(PlotWin);
  PlotScroll->setObjectName("PlotScroll");
  PlotScroll->setMinimumSize(200, 200);
  col->addLayout(tools);
  col->addWidget(PlotScroll, 1);
  return w;
}

void TVolumeDlg::Connect() {
  connect(ConcaveBar, &QSlider::valueChanged, this, &TVolumeDlg::ConcaveBarChange);
  connect(PercentSpin, &QDoubleSpinBox::valueChanged, this, &TVolumeDlg::PercentSpinChange);
  connect(ResetBtn, &QAbstractButton::clicked, this, &TVolumeDlg::ResetConcavity);
  connect(Button1, &QAbstractButton::clicked, this, &TVolumeDlg::ReportsClick);
  connect(UseDimsChk, &QCheckBox::clicked, this, &TVolumeDlg::DimsChange);
  connect(UpDownChk, &QCheckBox::clicked, this, &TVolumeDlg::DimsChange);
  connect(SubdivideRadio, &TRadioGroup::Clicked, this, [this] { Request(true, false); });
  connect(ByAreaChk, &QCheckBox::clicked, this, [this] { Request(false, false); });
  connect(LevelCntSpin, &QSpinBox::valueChanged, this, &TVolumeDlg::LevelCntSpinChange);
  connect(LevelSpin, &QSpinBox::valueChanged, this, &TVolumeDlg::LevelSpinChange);
  connect(TransparentChk, &QGroupBox::toggled, this, &TVolumeDlg::ApplyHullLook);
  connect(TransparentTrack, &QSlider::valueChanged, this, &TVolumeDlg::ApplyHullLook);
  connect(InternalReflectChk, &QCheckBox::toggled, this, &TVolumeDlg::ApplyHullLook);
  connect(DepthCheckChk, &QCheckBox::toggled, this, &TVolumeDlg::ApplyHullLook);
  connect(ColorBtn, &QAbstractButton::clicked, this, &TVolumeDlg::ColorBtnClick);
  for (QCheckBox* b : {ShowTrianglesChk, TriangleChk, VertexNumChk, LineNumChk, ArrowChk})
    connect(b, &QCheckBox::toggled, PlotWin, qOverload<>(&QWidget::update));
  connect(ResetZoomBtn, &QToolButton::clicked, PlotScroll, &TPlotScroll::ResetZoom);
  connect(ZoomInBtn, &QToolButton::clicked, PlotScroll, [this] { PlotScroll->Zoom(1.1); });
  connect(ZoomOutBtn, &QToolButton::clicked, PlotScroll, [this] { PlotScroll->Zoom(0.9); });
  PlotWin->OnPaint = [this](TPlotWindow& plot) { Paint(plot); };
  PlotWin->OnMouseMove = [this](TPlotWindow&, QPoint at) {
    MouseDis->setText("X: " + QString::number(at.x()) + " Y: " + QString::number(at.y()));
  };
}

int TVolumeDlg::SubdivideLength() const {
  const int i = SubdivideRadio->ItemIndex();
  return i < 0 ? kSubdivideLengths[0] : kSubdivideLengths[i];
}

bool TVolumeDlg::Busy() const { return pending_ || computing_; }

void TVolumeDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centred_) return;
  centred_ = true;
  CentreOnScreen(this);
}

void TVolumeDlg::RedrawView() {
  if (Redraw3D) Redraw3D();
}

void TVolumeDlg::ConcaveBarChange(int position) {
  if (guard_) return;
  {
    const QSignalBlocker block(PercentSpin);
    PercentSpin->setValue(position);
  }
  Request(false, true);
}

void TVolumeDlg::PercentSpinChange(double value) {
  {
    TFlagGuard guard(guard_);
    ConcaveBar->setValue(static_cast<int>(std::trunc(value)));
  }
  Request(false, false);
}

void TVolumeDlg::LevelCntSpinChange(int count) {
  {
    // The shown layer follows the count without a recomputation of its
    // own: the rebuild below does it.
    const QSignalBlocker block(LevelSpin);
    if (LevelSpin->value() > count - 1) LevelSpin->setValue(count - 1);
    LevelSpin->setMaximum(count - 1);
  }
  currentLayer_ = LevelSpin->value();
  model_.LevelCount = count;
  Request(true, false);
}

void TVolumeDlg::LevelSpinChange(int layer) {
  currentLayer_ = layer;
  Request(false, false);
}

void TVolumeDlg::DimsChange() {
  UpDownChk->setEnabled(UseDimsChk->isChecked());
  Request(true, false);
}

void TVolumeDlg::ClearUseDims() {
  const QSignalBlocker block(UseDimsChk);
  UseDimsChk->setChecked(false);
  UpDownChk->setEnabled(false);
}

void TVolumeDlg::RebuildVolumes() { Request(true, false); }

void TVolumeDlg::RecomputeVolumes() { Request(false, false); }

void TVolumeDlg::ResetConcavity() {
  ConcaveBar->setValue(50);
  PercentSpin->setValue(50);
  // The bar's own recomputation happens now, not on the next turn.
  if (pending_ && !computing_) {
    deferred_->stop();
    RunPending();
  }
  PlotWin->update();
}

void TVolumeDlg::ResetForLoad() {
  if (computing_) superseded_ = true;
  {
    TFlagGuard quiet(quiet_);
    ResetConcavity();
  }
  pending_ = rebuild_ = false;
  deferred_->stop();
  for (TVolumeLevel& level : model_.Levels) {
    level.Triangulator.Clear();
    level.Area = 0;
  }
  model_.RockVolume = 0;
  model_.LevelsBuilt = false;
  stale_ = true;
  LengthDis->clear();
  UpdateTexts();
  PlotWin->update();
}

void TVolumeDlg::Request(bool rebuild, bool deferred) {
  pending_ = true;
  rebuild_ = rebuild_ || rebuild;
  if (computing_) {
    superseded_ = true;
    return;
  }
  if (deferred)
    deferred_->start();
  else
    RunPending();
}

void TVolumeDlg::RunPending() {
  if (computing_) return;
  while (pending_) {
    if (quiet_) {
      pending_ = rebuild_ = false;
      return;
    }
    const bool rebuild = std::exchange(rebuild_, false);
    pending_ = superseded_ = false;
    paced_.invalidate();  // every run lets events in at its first step
    try {
      TFlagGuard running(computing_);
      Compute(rebuild);
    } catch (const TSuperseded&) {
      // Half-collected layers are collected again by the newer request.
      rebuild_ = rebuild_ || rebuild;
    } catch (const std::exception& e) {
      pending_ = rebuild_ = false;
      QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
    }
  }
}

void TVolumeDlg::Progress(int percent) {
  ProgrBar->setValue(percent);
  ProgrBar->repaint();
  // Events run at a pace the eye can follow, so a newer bar position or a
  // click can arrive; one that asks again stops this run here.
  if (!paced_.isValid() || paced_.elapsed() >= 40) {
    QCoreApplication::processEvents();
    paced_.restart();
  }
  if (superseded_) throw TSuperseded{};
}

void TVolumeDlg::Compute(bool rebuild) {
  const TVolumeProgress progress = [this](int percent) { Progress(percent); };
  if (rebuild || stale_) {
    model_.LevelCount = LevelCntSpin->value();
    model_.UseUpDown = UpDownChk->isChecked();
    model_.SubdivideLength = SubdivideLength();
    model_.BuildLevels(progress, UseDimsChk->isChecked());
    stale_ = false;
  }
  currentLayer_ = std::clamp(LevelSpin->value(), 0, model_.Count() - 1);
  stopwatch_.start();
  model_.ComputeVolumes(progress, ByAreaChk->isChecked(), PercentSpin->value() / 100);
  const double threshold = model_.Levels[currentLayer_].Triangulator.Threshold;
  LengthDis->setText(
      QString::fromStdString(FixedText(threshold * units_.LengthFactor, 1) + " " + units_.ShortUnitName));
  if (TGLMesh* hull = HullMesh ? HullMesh() : nullptr) {
    model_.BuildHullModel(*hull, progress);
    TVolumeModel::SetHullLook(*hull, TransparentTrack->value(), TransparentChk->isChecked(),
                              InternalReflectChk->isChecked(), DepthCheckChk->isChecked());
    if (OnHullBuilt) OnHullBuilt();
  }
  ShowStopwatch(stopwatch_.nsecsElapsed());
  UpdateTexts();
  PlotWin->update();
  RedrawView();
}

void TVolumeDlg::ShowStopwatch(int64_t nanoseconds) { SubTimer1->setText(StopwatchText(nanoseconds)); }

void TVolumeDlg::ApplyHullLook() {
  if (TGLMesh* hull = HullMesh ? HullMesh() : nullptr)
    TVolumeModel::SetHullLook(*hull, TransparentTrack->value(), TransparentChk->isChecked(),
                              InternalReflectChk->isChecked(), DepthCheckChk->isChecked());
  RedrawView();
}

void TVolumeDlg::ColorBtnClick() {
  const std::optional<uint32_t> colour = ChooseColor(model_.HullColor);
  if (!colour) return;
  ColorDis->SetColor(*colour);
  model_.HullColor = *colour;
  if (TGLMesh* hull = HullMesh ? HullMesh() : nullptr) hull->SetColor(*colour);
  RedrawView();
}

void TVolumeDlg::ReportsClick() { reports_->exec(); }

}  // namespace lumora
