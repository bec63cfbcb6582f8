#include "app/ui/LightingDlg.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include "app/core/DisplaySettings.h"
#include "controls/DialogParts.h"
#include "controls/DirectionDial.h"
#include "controls/Fields.h"
#include "controls/RadioGroup.h"
#include "viewer/DetachedViewer.h"

namespace lumora {

// A square graph from −50 to 50 on both axes with the light as a red dot;
// dragging in it with the left button places the light. The graph seen
// from above has its vertical axis turned over: 50 at the bottom.
class TLightPositionGraph : public QWidget {
 public:
  TLightPositionGraph(const char* name, bool above) : above_(above) {
    setObjectName(QLatin1String(name));
    setMinimumSize(140, 140);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
  }

  // Where the dot is, in graph units, and where the mouse asks it to go.
  std::function<QPointF()> Dot;
  std::function<void(QPointF)> OnDrag;

  QPointF ToScreen(QPointF g) const {
    const QRectF a = Area();
    const double v = above_ ? g.y() + 50 : 50 - g.y();
    return {a.left() + (g.x() + 50) / 100 * a.width(), a.top() + v / 100 * a.height()};
  }
  QPointF ToGraph(QPointF s) const {
    const QRectF a = Area();
    const double v = (s.y() - a.top()) / a.height() * 100;
    return {(s.x() - a.left()) / a.width() * 100 - 50, above_ ? v - 50 : 50 - v};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRectF a = Area();
    p.fillRect(rect(), Qt::white);
    // Grid every 25 units; the axes through 0 darker.
    for (int k = -25; k <= 25; k += 25) {
      p.setPen(QPen(k ? QColor(220, 220, 220) : QColor(150, 150, 150), 1));
      const QPointF v = ToScreen({double(k), 0}), h = ToScreen({0, double(k)});
      p.drawLine(QPointF(v.x(), a.top()), QPointF(v.x(), a.bottom()));
      p.drawLine(QPointF(a.left(), h.y()), QPointF(a.right(), h.y()));
    }
    p.setPen(Qt::black);
    p.drawRect(a);
    if (!Dot) return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::red);
    p.drawEllipse(ToScreen(Dot()), 4, 4);
  }
  void mousePressEvent(QMouseEvent* event) override { Drag(event); }
  void mouseMoveEvent(QMouseEvent* event) override { Drag(event); }

 private:
  QRectF Area() const { return QRectF(rect()).adjusted(4, 4, -5, -5); }
  void Drag(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton && OnDrag) OnDrag(ToGraph(event->position()));
  }

  bool above_;
};

namespace {

constexpr double kNoLimit = 1e7;

// The dials hold directions with x turned over, both ways.
void StoreDirection(const TDirectionDial& dial, float* direction) {
  const T3DVector v = dial.Vector();
  direction[0] = static_cast<float>(-v.x);
  direction[1] = static_cast<float>(v.y);
  direction[2] = static_cast<float>(v.z);
}

void ShowDirection(TDirectionDial& dial, const float* direction) {
  dial.SetVector({-direction[0], direction[1], direction[2]});
}

}  // namespace

TLightingDlg::TLightingDlg(QWidget* parent)
    : QDialog(parent), own_(std::make_unique<TDetachedViewer>()), viewer_(own_.get()) {
  setObjectName("LightingDlg");
  setWindowTitle("Lighting");
  setWindowFlag(Qt::WindowStaysOnTopHint);

  lightList_ = new QListWidget;
  lightList_->setObjectName("LightList");
  for (int i = 0; i < TGLLightArray::kLights; ++i) {
    auto* item = new QListWidgetItem(QStringLiteral("Light-%1").arg(i), lightList_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  lightList_->setMaximumWidth(110);
  connect(lightList_, &QListWidget::itemChanged, this, [this] {
    Edit([this](TGLLightSource&) {
      for (int i = 0; i < TGLLightArray::kLights; ++i)
        viewer_->Lights.Lights(i).LightEnabled = lightList_->item(i)->checkState() == Qt::Checked;
    });
  });
  connect(lightList_, &QListWidget::currentRowChanged, this, &TLightingDlg::LoadLight);

  auto* inner = new QTabWidget;
  inner->setObjectName("LightPages");
  inner->addTab(TypePage(), "Type");
  inner->addTab(PositionPage(), "Position");
  inner->addTab(ColorPage(), "Color");
  auto* individual = new QWidget;
  auto* il = new QHBoxLayout(individual);
  il->addWidget(lightList_);
  il->addWidget(inner, 1);

  auto* pages = new QTabWidget;
  pages->addTab(individual, "Individual");
  pages->addTab(AmbientPage(), "Ambient");

  QPushButton* close = Button("CloseBtn", "Close");
  QPushButton* resetAll = Button("ResetAllBtn", "Reset All");
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  connect(resetAll, &QPushButton::clicked, this, &TLightingDlg::ResetAllClick);
  LayOutDialog(this, pages, {close, resetAll});
}

TLightingDlg::~TLightingDlg() = default;

QWidget* TLightingDlg::TypePage() {
  typeRadio_ = new TRadioGroup("LightTypeRadio", "Light Type", {"Point", "Spot", "Directional"}, 0);
  connect(typeRadio_, &TRadioGroup::Clicked, this,
          [this](int type) { Edit([type](TGLLightSource& l) { l.LightType = static_cast<uint8_t>(type); }); });

  spotDial_ = new TDirectionDial;
  spotDial_->setObjectName("SpotDial");
  cutoff_ = RealSpin("CutoffSpin", 0, 180, 0.1, 1, 15);
  connect(spotDial_, &TDirectionDial::Changing, this,
          [this] { Edit([this](TGLLightSource& l) { StoreDirection(*spotDial_, l.SpotDirection); }); });
  connect(cutoff_, &QDoubleSpinBox::valueChanged, this,
          [this](double c) { Edit([c](TGLLightSource& l) { l.SpotCutoff = static_cast<float>(c); }); });
  QGroupBox* spot = FormGroup("Spot Parameters", {{"Direction", spotDial_}, {"Cutoff", cutoff_}});

  dirDial_ = new TDirectionDial;
  dirDial_->setObjectName("DirDial");
  connect(dirDial_, &TDirectionDial::Changing, this, [this] {
    Edit([this](TGLLightSource& l) {
      StoreDirection(*dirDial_, l.LightDirection);
      l.LightDirection[3] = 0;
    });
  });
  QGroupBox* directional = FormGroup("Directional Params", {{"Direction", dirDial_}});

  auto* page = new QWidget;
  auto* l = new QHBoxLayout(page);
  l->addWidget(typeRadio_);
  l->addWidget(spot);
  l->addWidget(directional);
  return page;
}

QWidget* TLightingDlg::PositionPage() {
  const char* names[] = {"XSpin", "YSpin", "ZSpin"};
  for (int k = 0; k < 3; ++k) {
    position_[k] = RealSpin(names[k], -kNoLimit, kNoLimit, 0.5, 2, 0);
    connect(position_[k], &QDoubleSpinBox::valueChanged, this, &TLightingDlg::PositionChange);
  }
  front_ = new TLightPositionGraph("FrontGraph", false);
  above_ = new TLightPositionGraph("AboveGraph", true);
  front_->Dot = [this] { return QPointF(position_[0]->value(), position_[1]->value()); };
  above_->Dot = [this] { return QPointF(position_[0]->value(), position_[2]->value()); };
  // The mouse goes through the spins, whose change moves the light.
  front_->OnDrag = [this](QPointF g) {
    position_[0]->setValue(g.x());
    position_[1]->setValue(g.y());
  };
  above_->OnDrag = [this](QPointF g) {
    position_[0]->setValue(g.x());
    position_[2]->setValue(g.y());
  };

  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(RowGroup("Position X/Y (Front)", {front_}), 0, 0);
  grid->addWidget(RowGroup("Position X/Z (Above)", {above_}), 0, 1);
  grid->addWidget(FormGroup("Light Position", {{"X", position_[0]}, {"Y", position_[1]}, {"Z", position_[2]}}), 0, 2);
  return page;
}

QWidget* TLightingDlg::ColorPage() {
  const char* groups[] = {"Diffuse", "Ambient", "Specular"};
  const char* parts[] = {"Red", "Green", "Blue", "Alpha"};
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  for (int g = 0; g < 3; ++g) {
    for (int k = 0; k < 4; ++k) {
      const QByteArray name = QByteArray(groups[g]) + parts[k] + "Spin";
      colours_[g][k] = RealSpin(name.constData(), 0, 1, 0.1, 2, 0);
      connect(colours_[g][k], &QDoubleSpinBox::valueChanged, this, [this, g] {
        const auto& s = colours_[g];
        const TGLColor c{float(s[0]->value()), float(s[1]->value()), float(s[2]->value()), float(s[3]->value())};
        Edit([g, &c](TGLLightSource& l) { (g == 0 ? l.Diffuse : g == 1 ? l.Ambient : l.LightSpecular) = c; });
      });
    }
    const auto& s = colours_[g];
    grid->addWidget(FormGroup(groups[g], {{"Red", s[0]}, {"Green", s[1]}, {"Blue", s[2]}, {"Alpha", s[3]}}), 0, g);
  }
  attenuation_ = {RealSpin("ConstantSpin", 0, 100, 0.1, 2, 1), RealSpin("LinearSpin", 0, 100, 0.01, 2, 0),
                  RealSpin("QuadraticSpin", 0, 100, 0.001, 3, 0)};
  for (QDoubleSpinBox* spin : attenuation_)
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this] {
      Edit([this](TGLLightSource& l) {
        l.ConstantAttenuation = static_cast<float>(attenuation_[0]->value());
        l.LinearAttenuation = static_cast<float>(attenuation_[1]->value());
        l.QuadraticAttenuation = static_cast<float>(attenuation_[2]->value());
      });
    });
  grid->addWidget(
      FormGroup("Attenuation",
                {{"Constant", attenuation_[0]}, {"Linear", attenuation_[1]}, {"Quadratic", attenuation_[2]}}),
      0, 3);
  return page;
}

QWidget* TLightingDlg::AmbientPage() {
  ambientTrack_ = Track("AmbientTrack", 25, 50);
  ambientBox_ = ReadOnlyBox("AmbientBox", "0.0");
  QPushButton* reset = Button("AmbientResetBtn", "Reset");
  connect(ambientTrack_, &QSlider::valueChanged, this, &TLightingDlg::AmbientChange);
  connect(reset, &QPushButton::clicked, this, [this] {
    viewer_->SceneAmbient = TGLColor{0.1f, 0.1f, 0.1f, 0.1f};
    LoadLight();
    viewer_->Repaint();
  });
  QWidget* page =
      Page({new QLabel("Scene ambient light"), Stack({TrackWithEnds(ambientTrack_, "-2", "2"), ambientBox_}), reset});
  page->layout()->setAlignment(reset, Qt::AlignLeft);
  return page;
}

void TLightingDlg::Open(TGLViewerCore& viewer) {
  viewer_ = &viewer;
  {
    const QSignalBlocker block(lightList_);
    lightList_->setCurrentRow(0);
    for (int i = 0; i < TGLLightArray::kLights; ++i)
      lightList_->item(i)->setCheckState(viewer.Lights.Lights(i).LightEnabled ? Qt::Checked : Qt::Unchecked);
  }
  LoadLight();
  Present(this);
}

TGLLightSource* TLightingDlg::Selected() const {
  const int i = lightList_->currentRow();
  return i >= 0 && i < TGLLightArray::kLights ? &viewer_->Lights.Lights(i) : nullptr;
}

void TLightingDlg::Edit(const std::function<void(TGLLightSource&)>& change) {
  TGLLightSource* light = Selected();
  if (!light) return;
  change(*light);
  viewer_->Repaint();
}

void TLightingDlg::LoadLight() {
  const TGLLightSource* l = Selected();
  if (!l) return;
  {
    // Showing a light must not write it back rounded to the spins' decimals.
    std::vector<std::unique_ptr<QSignalBlocker>> blocks;
    for (QObject* o : findChildren<QDoubleSpinBox*>()) blocks.push_back(std::make_unique<QSignalBlocker>(o));
    for (int k = 0; k < 3; ++k) position_[k]->setValue(l->LightPosition[k]);
    const TGLColor* colours[] = {&l->Diffuse, &l->Ambient, &l->LightSpecular};
    for (int g = 0; g < 3; ++g) {
      const float parts[] = {colours[g]->r, colours[g]->g, colours[g]->b, colours[g]->a};
      for (int k = 0; k < 4; ++k) colours_[g][k]->setValue(parts[k]);
    }
    typeRadio_->SetItemIndex(l->LightType);
    cutoff_->setValue(l->SpotCutoff);
    attenuation_[0]->setValue(l->ConstantAttenuation);
    attenuation_[1]->setValue(l->LinearAttenuation);
    attenuation_[2]->setValue(l->QuadraticAttenuation);
    ShowDirection(*spotDial_, l->SpotDirection);
    ShowDirection(*dirDial_, l->LightDirection);
  }
  front_->update();
  above_->update();
  // The track's own change sets the ambient when it moves, so the default
  // 0.1 (track 53) becomes 0.12.
  ambientTrack_->setValue(AmbientTrack(viewer_->SceneAmbient.r));
}

void TLightingDlg::PositionChange() {
  Edit([this](TGLLightSource& l) {
    for (int k = 0; k < 3; ++k) l.LightPosition[k] = static_cast<float>(position_[k]->value());
    l.LightPosition[3] = 1;
  });
  front_->update();
  above_->update();
}

void TLightingDlg::AmbientChange(int position) {
  const float a = AmbientOfTrack(position);
  viewer_->SceneAmbient = TGLColor{a, a, a, a};
  ambientBox_->setText(QString::number(a, 'f', 1));
  viewer_->Repaint();
}

void TLightingDlg::ResetAllClick() {
  for (int i = 0; i < TGLLightArray::kLights; ++i) {
    TGLLightSource& l = viewer_->Lights.Lights(i);
    if (l.LightEnabled) l.SetLightDefaults();
  }
  LoadLight();
  viewer_->Repaint();
}

}  // namespace lumora
