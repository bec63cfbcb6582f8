#include "app/ui/MaterialsDlg.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include <cmath>

#include "app/core/DisplaySettings.h"
#include "controls/ColorDisplay.h"
#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "controls/RadioGroup.h"
#include "viewer/DetachedViewer.h"

namespace lumora {
namespace {

// What the shininess and specular boxes show until a change reaches an
// object: the values of the tracks after a Reset of the default material.
const QString kFirstShininess = QStringLiteral("9.8"), kFirstSpecular = QStringLiteral("0.6");

}  // namespace

TMaterialsDlg::TMaterialsDlg(QWidget* parent)
    : QDialog(parent), own_(std::make_unique<TDetachedViewer>()), viewer_(own_.get()) {
  setObjectName("MaterialsDlg");
  setWindowTitle("Materials");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  ChooseColor = [this](uint32_t start) { return AskColor(this, start); };

  auto* pages = new QTabWidget;
  pages->addTab(ObjectPage(), "Object Properties");
  pages->addTab(TransparencyPage(), "Transparency");
  pages->addTab(BackgroundPage(), "Background");
  QPushButton* reset = Button("ResetBtn", "Reset");
  QPushButton* close = Button("CloseBtn", "Close");
  connect(reset, &QPushButton::clicked, this, &TMaterialsDlg::ResetClick);
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  LayOutDialog(this, pages, {reset, close});

  ResetClick();
}

TMaterialsDlg::~TMaterialsDlg() = default;

QWidget* TMaterialsDlg::ObjectPage() {
  objectList_ = new QListWidget;
  objectList_->setObjectName("ObjectList");
  connect(objectList_, &QListWidget::currentRowChanged, this, &TMaterialsDlg::LoadMaterial);
  QWidget* select = Stack({new QLabel("Select Object"), objectList_}, false);

  const char* names[] = {"EmissionRedSpin", "EmissionGreenSpin", "EmissionBlueSpin"};
  for (int k = 0; k < 3; ++k) {
    emission_[k] = RealSpin(names[k], 0, 1, 0.1, 2, 0);
    connect(emission_[k], &QDoubleSpinBox::valueChanged, this, &TMaterialsDlg::EmissionChange);
  }
  QPushButton* change;
  QGroupBox* colour = SwatchGroup("Color", "Color", 0, colour_, change);
  connect(change, &QPushButton::clicked, this, &TMaterialsDlg::ColorClick);

  shininessTrack_ = Track("ShininessTrack", 5, 10);
  shininessBox_ = ReadOnlyBox("ShininessBox", kFirstShininess);
  specularTrack_ = Track("SpecularTrack", 25, 0);
  specularBox_ = ReadOnlyBox("SpecularBox", kFirstSpecular);
  connect(shininessTrack_, &QSlider::valueChanged, this, &TMaterialsDlg::ShininessChange);
  connect(specularTrack_, &QSlider::valueChanged, this, &TMaterialsDlg::SpecularChange);

  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(select, 0, 0, 4, 1);
  grid->addWidget(FormGroup("Emission", {{"Red", emission_[0]}, {"Green", emission_[1]}, {"Blue", emission_[2]}}), 0,
                  1);
  grid->addWidget(colour, 1, 1);
  grid->addWidget(RowGroup("Shininess", {shininessTrack_, shininessBox_}), 2, 1);
  grid->addWidget(RowGroup("Specular", {specularTrack_, specularBox_}), 3, 1);
  return page;
}

QWidget* TMaterialsDlg::TransparencyPage() {
  transparencyTrack_ = Track("TransparencyTrack", 10, 50);
  blendBackground_ = CheckBox("BlendBackgroundChk", "Blend Background");
  depthCheck_ = CheckBox("DepthCheckChk", "Depth Check");
  operator_ = new TRadioGroup("OperatorRadio", "Operator", {"Add", "Subtract", "Reverse Subtract", "Min", "Max"}, 0, 2);
  source_ = new TRadioGroup("SourceRadio", "Source Pixels",
                            {"Zero", "One", "Dest Color", "Dest Color-1", "Src Alpha", "Scrc Alpha-1", "Dest Alpha",
                             "Dest Alpha-1", "Src  Alpha Sat"},
                            0);
  destination_ = new TRadioGroup(
      "DestinationRadio", "Destination Pixels",
      {"Zero", "One", "Src Color", "Src Color-1", "Src Alpha", "Src Alpha-1", "Dest Alpha", "Dest Alpha-1"}, 0);
  user_ = RowGroup("User", {operator_, source_, destination_});
  user_->setObjectName("UserChk");
  user_->setCheckable(true);
  user_->setChecked(false);
  for (QWidget* w : {static_cast<QWidget*>(operator_), static_cast<QWidget*>(source_)})
    user_->layout()->setAlignment(w, Qt::AlignTop);

  transparent_ = RowGroup("Transparent",
                          {new QLabel("Transparency"), TrackWithEnds(transparencyTrack_, "0", "100%"), blendBackground_,
                           depthCheck_, user_},
                          false);
  transparent_->setObjectName("TransparentChk");
  transparent_->setCheckable(true);
  transparent_->setChecked(false);

  for (QGroupBox* g : {transparent_, user_}) connect(g, &QGroupBox::toggled, this, &TMaterialsDlg::TransparencyChange);
  connect(transparencyTrack_, &QSlider::valueChanged, this, &TMaterialsDlg::TransparencyChange);
  for (QCheckBox* c : {blendBackground_, depthCheck_})
    connect(c, &QCheckBox::toggled, this, &TMaterialsDlg::TransparencyChange);
  for (TRadioGroup* r : {operator_, source_, destination_})
    connect(r, &TRadioGroup::Clicked, this, &TMaterialsDlg::TransparencyChange);

  return Page({transparent_});
}

QWidget* TMaterialsDlg::BackgroundPage() {
  QPushButton* change;
  QGroupBox* group = SwatchGroup("Background Color", "Background", 0, background_, change);
  connect(change, &QPushButton::clicked, this, &TMaterialsDlg::BackgroundClick);
  return Page({group});
}

void TMaterialsDlg::Open(TGLViewerCore& viewer) {
  viewer_ = &viewer;
  {
    const QSignalBlocker block(objectList_);
    objectList_->clear();
    for (int i = 0; i < viewer.ObjectCount(); ++i) {
      const TGLObject* o = viewer.Objects(i);
      auto* item = new QListWidgetItem(QString::fromStdString(o->Name()), objectList_);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(o->Selected() ? Qt::Checked : Qt::Unchecked);
      item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(o)));
    }
    if (objectList_->count()) objectList_->setCurrentRow(0);
  }
  LoadMaterial();
  Present(this);
}

TGLRenderer* TMaterialsDlg::RendererOf(const QListWidgetItem* item) const {
  if (!item) return nullptr;
  // A load can replace the view's objects while the list stays open: an
  // entry counts only while its object is still in the view.
  auto* o = reinterpret_cast<TGLObject*>(item->data(Qt::UserRole).value<quintptr>());
  if (viewer_->Frame.AllObjects.IndexOf(o) < 0) return nullptr;
  return dynamic_cast<TGLRenderer*>(o);
}

TGLRenderer* TMaterialsDlg::Current() const { return RendererOf(objectList_->currentItem()); }

std::vector<TGLRenderer*> TMaterialsDlg::Targets() const {
  std::vector<TGLRenderer*> targets;
  for (int i = 0; i < objectList_->count(); ++i) {
    const QListWidgetItem* item = objectList_->item(i);
    if (item->checkState() != Qt::Checked) continue;
    if (TGLRenderer* r = RendererOf(item)) targets.push_back(r);
  }
  return targets;
}

void TMaterialsDlg::LoadMaterial() {
  const TGLRenderer* r = Current();
  if (!r) return;
  std::vector<std::unique_ptr<QSignalBlocker>> blocks;
  for (QObject* o :
       std::initializer_list<QObject*>{emission_[0], emission_[1], emission_[2], shininessTrack_, specularTrack_,
                                       transparent_, blendBackground_, depthCheck_, transparencyTrack_})
    blocks.push_back(std::make_unique<QSignalBlocker>(o));
  emission_[0]->setValue(r->Emission.r);
  emission_[1]->setValue(r->Emission.g);
  emission_[2]->setValue(r->Emission.b);
  specularTrack_->setValue(MaterialTrack(r->Specular.r));
  shininessTrack_->setValue(MaterialTrack(r->Shininess));
  transparent_->setChecked(r->Blend);
  blendBackground_->setChecked(r->AlphaBlend);
  depthCheck_->setChecked(r->DepthWhenBlending);
  const double t = r->Transparency();
  transparencyTrack_->setValue(std::isfinite(t) ? static_cast<int>(std::nearbyint(std::clamp(t, 0.0, 100.0))) : 0);
  colour_->SetColor(r->GetColor() & 0xFFFFFF);
  background_->SetColor(viewer_->ScreenColor());
}

void TMaterialsDlg::EmissionChange() {
  const TGLColor e{float(emission_[0]->value()), float(emission_[1]->value()), float(emission_[2]->value()), 1};
  for (TGLRenderer* r : Targets()) r->Emission = e;
  viewer_->Repaint();
}

void TMaterialsDlg::TrackChange(QLineEdit* box, const QString& first, double value,
                                const std::function<void(TGLRenderer&, float)>& set) {
  const float v = static_cast<float>(value);
  const std::vector<TGLRenderer*> targets = Targets();
  for (TGLRenderer* r : targets) set(*r, v);
  box->setText(targets.empty() ? first : QString::number(v, 'f', 1));
  viewer_->Repaint();
}

void TMaterialsDlg::ShininessChange() {
  TrackChange(shininessBox_, kFirstShininess, ShininessOfTrack(shininessTrack_->value()),
              [](TGLRenderer& r, float s) { r.Shininess = s; });
}

void TMaterialsDlg::SpecularChange() {
  TrackChange(specularBox_, kFirstSpecular, SpecularOfTrack(specularTrack_->value()), [](TGLRenderer& r, float s) {
    r.Specular = TGLColor{s, s, s, s};
  });
}

void TMaterialsDlg::TransparencyChange() {
  for (TGLRenderer* r : Targets()) {
    r->SetTransparency(transparencyTrack_->value());
    r->Blend = transparent_->isChecked();
    r->DepthWhenBlending = depthCheck_->isChecked();
    r->AlphaBlend = blendBackground_->isChecked();
    r->CustomBlend = user_->isChecked();
    r->BlendEquation = kBlendEquations[std::max(0, operator_->ItemIndex())];
    r->BlendSrc = kBlendSources[std::max(0, source_->ItemIndex())];
    r->BlendDst = kBlendDestinations[std::max(0, destination_->ItemIndex())];
  }
  viewer_->Repaint();
}

void TMaterialsDlg::ColorClick() {
  const std::optional<uint32_t> c = ChooseColor(colour_->Color());
  if (!c) return;
  colour_->SetColor(*c);
  for (TGLRenderer* r : Targets()) r->SetColor(*c);
  viewer_->Repaint();
}

void TMaterialsDlg::BackgroundClick() {
  const std::optional<uint32_t> c = ChooseColor(background_->Color());
  if (!c) return;
  background_->SetColor(*c);
  viewer_->SetScreenColor(*c);
}

void TMaterialsDlg::ResetClick() {
  viewer_->ResetLighting();
  for (TGLRenderer* r : Targets()) r->ResetMaterial();
  LoadMaterial();
  // The tracks as loaded now set every chosen object: the default material
  // comes back as shininess 9.78 and specular 0.56.
  ShininessChange();
  SpecularChange();
}

}  // namespace lumora
