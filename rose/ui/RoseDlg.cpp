#include "rose/ui/RoseDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

#include "controls/ColorDisplay.h"
#include "model/WorkingUnits.h"
#include "scene/StrokeFont.h"
#include "volume/VolumeReport.h"

namespace lumora {

namespace {

template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
  W* w = new W(std::forward<Args>(args)...);
  w->setObjectName(QLatin1String(name));
  return w;
}

QButtonGroup* Radios(QWidget* parent, const char* name, const QString& title, const QStringList& items,
                     QGroupBox*& box) {
  box = Named<QGroupBox>(name, title, parent);
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], box);
    layout->addWidget(radio);
    group->addButton(radio, i);
  }
  group->button(0)->setChecked(true);
  return group;
}

TColorDisplay* Swatch(const char* name, uint32_t colour) {
  auto* s = new TColorDisplay(colour);
  s->setObjectName(name);
  return s;
}

// A caption, the control and an optional unit text on one row.
QHBoxLayout* Row(const QString& caption, QWidget* control, const QString& units = {}) {
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(caption);
  label->setBuddy(control);
  row->addWidget(label);
  row->addWidget(control, 1);
  if (!units.isEmpty()) row->addWidget(new QLabel(units));
  return row;
}

}  // namespace

TRoseDlg::TRoseDlg(TPlotModel& model, const TWorkingUnits& units, QWidget* parent)
    : QDialog(parent), model_(model), units_(units) {
  setObjectName(QStringLiteral("RoseDlg"));
  setWindowTitle(QStringLiteral("Rose Diagram"));
  ChooseColor = [this](uint32_t c) -> std::optional<uint32_t> {
    const QColor q = QColorDialog::getColor(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF), this);
    if (!q.isValid()) return std::nullopt;
    return static_cast<uint32_t>(q.red() | q.green() << 8 | q.blue() << 16);
  };

  MinLenSpin = Named<QDoubleSpinBox>("MinLenSpin");
  MinLenSpin->setRange(0, 100000);
  MinLenSpin->setSingleStep(1);
  MinLenSpin->setDecimals(1);
  QGroupBox* graphBox;
  GraphByRadio = Radios(this, "GraphByRadio", QStringLiteral("Graph By:"),
                        {QStringLiteral("Total Length"), QStringLiteral("Frequency")}, graphBox);
  RainbowChk = Named<QCheckBox>("RainbowChk", QStringLiteral("Rainbow Colors"));
  SlopeChk = Named<QCheckBox>("SlopeChk", QStringLiteral("Use Slope Length"));
  BaseChk = Named<QCheckBox>("BaseChk", QStringLiteral("Show Base Diagram"));
  for (QCheckBox* c : {RainbowChk, SlopeChk, BaseChk}) c->setChecked(true);

  PetalsSpin = Named<QSpinBox>("PetalsSpin");
  PetalsSpin->setRange(kMinRosePetals, kMaxRosePetals);
  PetalsSpin->setValue(36);
  AngleDis = Named<QLabel>("AngleDis");
  QGroupBox* typeBox;
  RoseTypeRadio = Radios(
      this, "RoseTypeRadio", QStringLiteral("Rose Type"),
      {QStringLiteral("360 Degree Rose"), QStringLiteral("180 Degree Rose"), QStringLiteral("Water Flow")}, typeBox);
  LayersSpin = Named<QSpinBox>("LayersSpin");
  LayersSpin->setRange(kMinRoseLayers, kMaxRoseLayers);
  LayersSpin->setValue(24);
  ThickSpin = Named<QDoubleSpinBox>("ThickSpin");
  ThickSpin->setRange(0.1, 1000000);
  ThickSpin->setDecimals(2);
  ThickSpin->setValue(1.0);

  GridColorDis = Swatch("GridColorDis", gridColor_);
  FontColorDis = Swatch("FontColorDis", fontColor_);
  auto* gridColorBtn = Named<QPushButton>("GridColorBtn", QStringLiteral("..."));
  auto* fontColorBtn = Named<QPushButton>("FontColorBtn", QStringLiteral("..."));
  FontList = Named<QListWidget>("FontList");
  for (int i = 0; i < kStrokeFontCount; ++i) FontList->addItem(QString::fromLatin1(StrokeFontItem(i).Name));
  FontList->setCurrentRow(kDefaultRoseFont);

  CreateRoseBtn = Named<QPushButton>("CreateRoseBtn", QStringLiteral("Create Rose"));
  CreateRoseBtn->setDefault(true);
  CloseBtn = Named<QPushButton>("CloseBtn", QStringLiteral("Close"));
  FaceUpBtn = Named<QPushButton>("FaceUpBtn", QStringLiteral("Face Up"));
  SideViewBtn = Named<QPushButton>("SideViewBtn", QStringLiteral("Side View"));
  ProgressBar = Named<QProgressBar>("ProgressBar");
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  StatusDis = Named<QLabel>("StatusDis");
  StatusDis->setWordWrap(true);

  auto* counting = new QGroupBox(QStringLiteral("Counting"));
  auto* c = new QVBoxLayout(counting);
  c->addLayout(Row(QStringLiteral("Minimum Length"), MinLenSpin, QStringLiteral("Ft.")));
  c->addWidget(graphBox);
  c->addWidget(SlopeChk);
  c->addWidget(typeBox);

  auto* shape = new QGroupBox(QStringLiteral("Shape"));
  auto* s = new QVBoxLayout(shape);
  s->addLayout(Row(QStringLiteral("Petals"), PetalsSpin));
  s->addLayout(Row(QStringLiteral("Angle"), AngleDis, QStringLiteral("Deg.")));
  s->addLayout(Row(QStringLiteral("Layers"), LayersSpin));
  s->addLayout(Row(QStringLiteral("Layer Thickness"), ThickSpin, QStringLiteral("Ft.")));
  s->addWidget(RainbowChk);
  s->addWidget(BaseChk);

  auto* colours = new QGroupBox(QStringLiteral("Scale"));
  auto* k = new QGridLayout(colours);
  k->addWidget(new QLabel(QStringLiteral("Grid")), 0, 0);
  k->addWidget(GridColorDis, 0, 1);
  k->addWidget(gridColorBtn, 0, 2);
  k->addWidget(new QLabel(QStringLiteral("Font")), 1, 0);
  k->addWidget(FontColorDis, 1, 1);
  k->addWidget(fontColorBtn, 1, 2);
  k->addWidget(new QLabel(QStringLiteral("Fonts")), 2, 0, 1, 3);
  k->addWidget(FontList, 3, 0, 1, 3);

  auto* top = new QHBoxLayout;
  top->addWidget(counting);
  top->addWidget(shape);
  top->addWidget(colours);
  auto* views = new QHBoxLayout;
  views->addWidget(FaceUpBtn);
  views->addWidget(SideViewBtn);
  views->addStretch();
  views->addWidget(CreateRoseBtn);
  views->addWidget(CloseBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ProgressBar);
  layout->addWidget(StatusDis);
  layout->addLayout(views);

  PetalsSpinChange();
  connect(PetalsSpin, &QSpinBox::valueChanged, this, &TRoseDlg::PetalsSpinChange);
  connect(LayersSpin, &QSpinBox::valueChanged, this, &TRoseDlg::LayersSpinChange);
  connect(ThickSpin, &QDoubleSpinBox::valueChanged, this, &TRoseDlg::ThickSpinChange);
  connect(gridColorBtn, &QPushButton::clicked, this, [this] { ChangeColor(GridColorDis, gridColor_); });
  connect(fontColorBtn, &QPushButton::clicked, this, [this] { ChangeColor(FontColorDis, fontColor_); });
  connect(CreateRoseBtn, &QPushButton::clicked, this, &TRoseDlg::CreateRoseBtnClick);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);
  connect(FaceUpBtn, &QPushButton::clicked, this, &TRoseDlg::FaceUpBtnClick);
  connect(SideViewBtn, &QPushButton::clicked, this, &TRoseDlg::SideViewBtnClick);
}

double TRoseDlg::DepthRange() const { return model_.PlotInfo.DepthRange; }

void TRoseDlg::Open() {
  LayersSpinChange();
  show();
  raise();
  activateWindow();
}

TRoseOptions TRoseDlg::Options() const {
  TRoseOptions o;
  o.MinLength = MinLenSpin->value();
  o.GraphBy = GraphByRadio->checkedId() == 1 ? TGraphBy::Frequency : TGraphBy::TotalLength;
  o.Rainbow = RainbowChk->isChecked();
  o.SlopeLength = SlopeChk->isChecked();
  o.RoseType = static_cast<TRoseType>(std::max(0, RoseTypeRadio->checkedId()));
  o.GridColor = gridColor_;
  o.FontColor = fontColor_;
  o.FontIndex = FontList->currentRow() >= 0 ? FontList->currentRow() : kDefaultRoseFont;
  return o;
}

void TRoseDlg::LayersSpinChange() {
  // Without a plot there is no depth range to divide.
  if (!(DepthRange() > 0)) return;
  const QSignalBlocker block(ThickSpin);
  ThickSpin->setValue(DepthRange() / LayersSpin->value());
}

void TRoseDlg::ThickSpinChange() {
  const double layers = std::nearbyint(DepthRange() / ThickSpin->value());
  if (!(DepthRange() > 0) || !std::isfinite(layers)) return;
  const QSignalBlocker block(LayersSpin);
  LayersSpin->setValue(static_cast<int>(std::clamp(layers, double{kMinRoseLayers}, double{kMaxRoseLayers})));
}

void TRoseDlg::PetalsSpinChange() { AngleDis->setText(QString::number(360.0 / PetalsSpin->value(), 'f', 1)); }

void TRoseDlg::ChangeColor(TColorDisplay* display, uint32_t& colour) {
  const std::optional<uint32_t> chosen = ChooseColor(colour);
  if (!chosen) return;
  colour = *chosen;
  display->SetColor(colour);
}

void TRoseDlg::CreateRoseBtnClick() {
  if (building_ || !objects_.Frame || (Busy && Busy())) return;
  building_ = true;
  CreateRoseBtn->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  rose_.Options = Options();
  rose_.OnProgress = [this](int percent) {
    ProgressBar->setValue(percent);
    // The bar repaints; no click can start a second build meanwhile.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  QString error;
  try {
    rose_.BuildRose(objects_, model_, units_, LayersSpin->value(), PetalsSpin->value(), BaseChk->isChecked());
  } catch (const std::exception& e) {
    error = QString::fromStdString(e.what());
  }
  rose_.OnProgress = nullptr;
  QApplication::restoreOverrideCursor();
  CreateRoseBtn->setEnabled(true);
  building_ = false;
  if (!error.isEmpty()) {
    StatusDis->setText(error);
    QMessageBox::warning(this, windowTitle(), error);
    return;
  }
  const TRoseGrid& g = rose_.Grid;
  if (rose_.Empty())
    StatusDis->setText(QStringLiteral("No shot counted: the rose is empty, only the base and the rulers are drawn."));
  else
    StatusDis->setText(QStringLiteral("%1 shots counted; the largest cell holds %2.")
                           .arg(QString::fromStdString(GroupedNumber(static_cast<double>(g.counted), 0)))
                           .arg(QString::fromStdString(GroupedNumber(g.maximum, 0))));
  if (OnRoseCreated) OnRoseCreated();
}

void TRoseDlg::FaceUpBtnClick() {
  if (!objects_.Frame) return;
  TGLRose::FaceUp(objects_);
  if (OnViewChanged) OnViewChanged();
}

void TRoseDlg::SideViewBtnClick() {
  if (!objects_.Frame) return;
  TGLRose::SideView(objects_);
  if (OnViewChanged) OnViewChanged();
}

}  // namespace lumora
