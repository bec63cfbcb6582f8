// The main window's options panel: what each control does to the scene.

#include <QCheckBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/core/SurfaceMesh.h"
#include "viewer/GLViewer.h"

namespace lumora {

void TForm1::SetChecked(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

void TForm1::ConnectOptions() {
  TOptionsPanel* o = options_;
  for (QCheckBox* b : {o->WallsChk, o->ShotChk, o->SplayChk, o->StationsChk, o->LabelsChk})
    connect(b, &QCheckBox::toggled, this, &TForm1::SyncVisibility);
  connect(o->BoxChk, &QGroupBox::toggled, this, &TForm1::SyncVisibility);
  connect(o->BoxRadio, &TRadioGroup::Clicked, this, &TForm1::SyncVisibility);
  connect(o->DepthChk, &QCheckBox::toggled, this, &TForm1::DepthChkClick);
  connect(o->RockTextureChk, &QCheckBox::toggled, this, &TForm1::RockTextureChkClick);
  for (QCheckBox* b : {o->ScrapWallsChk, o->DimensionWallsChk})
    connect(b, &QCheckBox::toggled, this, &TForm1::WallSourceChange);
  connect(o->ShowSurfaceChk, &QCheckBox::toggled, this, &TForm1::SyncVisibility);
  connect(o->SurfaceTransparencyTrack, &QSlider::valueChanged, this, [this](int percent) {
    if (!sceneCreated_) return;
    SetSurfaceTransparency(scene_, percent);
    viewer_->update();
  });
  connect(o->CrossHairsChk, &QCheckBox::toggled, viewer_, qOverload<>(&QWidget::update));
  connect(o->TransparentChk, &QGroupBox::toggled, this, &TForm1::TransparencyChange);
  connect(o->TransparentTrack, &QSlider::valueChanged, this, &TForm1::TransparencyChange);
  connect(o->AntialiasChk, &QCheckBox::toggled, this, [this](bool on) { viewer_->SetMultisample(on); });
  connect(o->MeshQualityRadio, &TRadioGroup::Clicked, this, [this](int style) {
    if (sceneCreated_) scene_.PassageMesh->SetRenderStyle(static_cast<uint8_t>(style));
    viewer_->update();
  });
  connect(o->PointSizeSpin, &QSpinBox::valueChanged, this, [this](int size) {
    if (!sceneCreated_) return;
    scene_.Stations->SetAllSizes(size);
    viewer_->update();
  });
  connect(o->FontBtn, &QPushButton::clicked, this, &TForm1::FontBtnClick);
  connect(o->DisplayHullsChk, &QCheckBox::toggled, this, &TForm1::DisplayHullsChkClick);
  connect(o->RoseChk, &QGroupBox::toggled, this, &TForm1::RoseChkClick);
  connect(o->ShowGridChk, &QCheckBox::toggled, this, &TForm1::RoseChkClick);
  connect(o->ShowBaseChk, &QCheckBox::toggled, this, &TForm1::RoseChkClick);
  ConnectColorButtons();
}

void TForm1::SyncVisibility() {
  if (!sceneCreated_) return;
  const TOptionsPanel* o = options_;
  // A box that is disabled (the rose is shown) counts as unchecked; the
  // panel itself is disabled only while a load runs.
  auto on = [o](const QCheckBox* b) { return b->isChecked() && b->isEnabledTo(o); };
  TCaveVisibility v;
  v.Walls = on(o->WallsChk);
  v.Shots = on(o->ShotChk);
  v.Splays = on(o->SplayChk);
  v.Stations = on(o->StationsChk);
  v.Labels = on(o->LabelsChk);
  const bool cave = o->StationsChk->isEnabledTo(o);
  v.Box = o->BoxChk->isChecked() && cave;
  v.BoxMode = std::array{TBoxMode::Line, TBoxMode::Passage, TBoxMode::Both}[std::max(0, o->BoxRadio->ItemIndex())];
  v.Hull = o->DisplayHullsChk->isChecked() && cave;
  lumora::SyncVisibility(scene_, v);
  scene_.SurfaceFrame->Visible = on(o->ShowSurfaceChk) && cave;
  viewer_->update();
}

void TForm1::ApplyDisplayDefaults() {
  if (!sceneCreated_) return;
  TOptionsPanel* o = options_;
  lumora::ApplyDisplayDefaults(scene_, o->WallColorDis->Color());
  depthColoring_ = false;
  for (QCheckBox* b : {o->DepthChk, o->DateChk, o->SurveyChk, o->GradientChk, o->LengthChk, o->ErrorChk,
                       o->RockTextureChk, o->ShotChk, o->SplayChk, o->StationsChk})
    SetChecked(b, false);
  SetChecked(o->WallsChk, true);
  {
    const QSignalBlocker b1(o->BoxChk), b2(o->RoseChk), b3(o->TransparentChk), b4(o->TransparentTrack);
    o->BoxChk->setChecked(false);
    o->RoseChk->setChecked(false);
    // The panel shows what the objects now have: 50 percent, no blending.
    o->TransparentChk->setChecked(false);
    o->TransparentTrack->setValue(50);
  }
  o->MeshQualityRadio->SetItemIndex(scene_.PassageMesh->RenderStyle());
  RoseChkClick();
}

void TForm1::DepthChkClick() { ColoringChkClick(options_->DepthChk); }

void TForm1::RockTextureChkClick() {
  if (!sceneCreated_) return;
  TGLFastMesh& mesh = *scene_.PassageMesh;
  if (options_->RockTextureChk->isChecked()) {
    TGLObjectTexture& t = *mesh.Texture;
    try {
      t.LoadFromResource("TEXTURE1");
      for (TGLBaseBitmap& face : t.CubeMap->Faces) face.LoadFromResource("TEXTURE1");
    } catch (const std::exception& e) {
      ErrorBox(QString::fromStdString(e.what()));
      SetChecked(options_->RockTextureChk, false);
      return;
    }
    mesh.SetColor(0xFFFFFF);
    t.TextureMode = 2;
    t.CubeMap->SetCubeScale(Subtract(mesh.GetMax(), mesh.GetMin()));
    t.TextureEnabled = true;
  } else {
    mesh.SetColor(options_->WallColorDis->Color());
    mesh.Texture->TextureEnabled = false;
  }
  viewer_->update();
}

// The walls are built again from the other source.
void TForm1::WallSourceChange() {
  TPassageOptions& p = document_.PassageOptions;
  p.ScrapWalls = options_->ScrapWallsChk->isChecked();
  p.DimensionWalls = options_->DimensionWallsChk->isChecked();
  if (sceneCreated_ && !loading_ && !CurrentPlotFile.isEmpty()) RunLoad(CurrentPlotFile, false);
}

void TForm1::TransparencyChange() {
  if (!sceneCreated_) return;
  const double percent = options_->TransparentTrack->value();
  const bool blend = options_->TransparentChk->isChecked();
  for (TGLRenderer* r : {static_cast<TGLRenderer*>(scene_.PassageMesh), static_cast<TGLRenderer*>(scene_.Rose),
                         static_cast<TGLRenderer*>(scene_.RoseBase)}) {
    r->SetTransparency(percent);
    r->Blend = blend;
  }
  viewer_->update();
}

void TForm1::DisplayHullsChkClick() {
  if (options_->DisplayHullsChk->isChecked() && !hullBuilt_) {
    InformationBox("No Hull Built. Use Cave Volume Tool Menu Option");
    SetChecked(options_->DisplayHullsChk, false);
  }
  SyncVisibility();
}

void TForm1::RoseChkClick() {
  TOptionsPanel* o = options_;
  if (o->RoseChk->isChecked() && !roseBuilt_) {
    InformationBox("No Rose Built. Use Rose Diagram Menu Option");
    const QSignalBlocker block(o->RoseChk);
    o->RoseChk->setChecked(false);
  }
  const bool rose = o->RoseChk->isChecked();
  if (sceneCreated_) {
    scene_.RoseFrame->Visible = rose;
    scene_.RoseGrid->Visible = rose && o->ShowGridChk->isChecked();
    scene_.RoseBase->Visible = rose && o->ShowBaseChk->isChecked();
  }
  for (QWidget* w : std::initializer_list<QWidget*>{o->DepthChk, o->DateChk, o->SurveyChk, o->GradientChk, o->LengthChk,
                                                    o->ErrorChk, o->RockTextureChk, o->WallsChk, o->ShotChk,
                                                    o->SplayChk, o->StationsChk, o->BoxChk, o->DisplayHullsChk})
    w->setEnabled(!rose);
  SyncVisibility();
  UpdateStatus();
}

void TForm1::ChangeColor(TColorDisplay* display, const std::function<void(uint32_t)>& apply) {
  const std::optional<uint32_t> colour = ChooseColor(display->Color());
  if (!colour) return;
  display->SetColor(*colour);
  if (sceneCreated_) apply(*colour);
  viewer_->update();
}

void TForm1::ConnectColorButtons() {
  TOptionsPanel* o = options_;
  auto bind = [this](QPushButton* button, TColorDisplay* display, std::function<void(uint32_t)> apply) {
    connect(button, &QPushButton::clicked, this, [this, display, apply] { ChangeColor(display, apply); });
  };
  bind(o->WallColorBtn, o->WallColorDis, [this](uint32_t) {
    if (!depthColoring_) Recolor();
  });
  bind(o->ShotColorBtn, o->ShotColorDis, [this](uint32_t c) { scene_.Shots->SetColor(c); });
  bind(o->BoundingBoxBtn, o->BoundingBoxDis, [this](uint32_t c) { scene_.LineBox->SetColor(c); });
  bind(o->SplayColorBtn, o->SplayColorDis, [this](uint32_t c) { scene_.Splays->SetColor(c); });
  for (QPushButton* b : {o->StationColorBtn, o->EntranceColorBtn, o->FixedColorBtn, o->ExportedColorBtn}) {
    TColorDisplay* d = b == o->StationColorBtn    ? o->StationColorDis
                       : b == o->EntranceColorBtn ? o->EntranceColorDis
                       : b == o->FixedColorBtn    ? o->FixedColorDis
                                                  : o->ExportedColorDis;
    bind(b, d, [this](uint32_t) { Restyle(); });
  }
  // The background belongs to the view, which exists before any scene.
  connect(o->BackColorBtn, &QPushButton::clicked, this, [this] {
    ChangeColor(options_->BackColorDis, [](uint32_t) {});
    viewer_->SetScreenColor(options_->BackColorDis->Color());
  });
}

void TForm1::FontBtnClick() {
  if (!sceneCreated_) return;
  TFontDescription d = scene_.Labels->Font();
  QFont start(QString::fromStdString(d.Name));
  start.setPixelSize(std::max(1, std::abs(d.Height)));
  start.setBold(d.Bold);
  start.setItalic(d.Italic);
  start.setUnderline(d.Underline);
  start.setStrikeOut(d.StrikeOut);
  bool ok = false;
  const QFont f = QFontDialog::getFont(&ok, start, this, "Label Font");
  if (!ok) return;
  d.Name = f.family().toStdString();
  d.Height = QFontInfo(f).pixelSize();
  d.Bold = f.bold();
  d.Italic = f.italic();
  d.Underline = f.underline();
  d.StrikeOut = f.strikeOut();
  scene_.Labels->SetFont(d);
  viewer_->update();
}

}  // namespace lumora
