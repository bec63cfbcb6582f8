#include "app/OptionsPanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lumora {
namespace {

template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
  W* w = new W(std::forward<Args>(args)...);
  w->setObjectName(name);
  return w;
}

QCheckBox* Check(const char* name, const QString& caption, bool checked) {
  auto* c = Named<QCheckBox>(name, caption);
  c->setChecked(checked);
  return c;
}

// A group of widgets stacked top to bottom.
QGroupBox* Group(const QString& title, std::initializer_list<QWidget*> widgets) {
  auto* g = new QGroupBox(title);
  auto* l = new QVBoxLayout(g);
  for (QWidget* w : widgets) l->addWidget(w);
  return g;
}

QWidget* Page(std::initializer_list<QWidget*> widgets) {
  auto* page = new QWidget;
  auto* l = new QVBoxLayout(page);
  for (QWidget* w : widgets) l->addWidget(w);
  l->addStretch();
  return page;
}

}  // namespace

TOptionsPanel::TOptionsPanel(QWidget* parent) : QToolBox(parent) {
  setObjectName("OptionsPanel");
  addItem(CaveOptionsPage(), "Cave Options");
  addItem(ColorsPage(), "Colors");
  addItem(StationsPage(), "Stations");
  addItem(ObjectsPage(), "Objects");
  addItem(RenderingPage(), "Rendering");
  setCurrentIndex(0);
}

QWidget* TOptionsPanel::CaveOptionsPage() {
  WallsChk = Check("WallsChk", "Show Passage Walls", true);
  DepthChk = Check("DepthChk", "Color By Depth", false);
  DateChk = Check("DateChk", "Color By Date", false);
  SurveyChk = Check("SurveyChk", "Color By Survey", false);
  RockTextureChk = Check("RockTextureChk", "Rock Texture", false);
  StationsChk = Check("StationsChk", "Show Stations", true);
  LabelsChk = Check("LabelsChk", "Show Station Labels", false);
  ShotChk = Check("ShotChk", "Show Shots", true);
  SplayChk = Check("SplayChk", "Show Splays", true);
  CrossHairsChk = Check("CrossHairsChk", "Show Crosshairs", false);
  return Page({Group("Passages", {WallsChk, DepthChk, DateChk, SurveyChk, RockTextureChk}),
               Group("Stations", {StationsChk, LabelsChk}), Group("Shots", {ShotChk, SplayChk}),
               Group("Features", {CrossHairsChk})});
}

QGroupBox* TOptionsPanel::ColorGroup(const QString& title, const QString& name, uint32_t colour,
                                     TColorDisplay*& display, QPushButton*& button) {
  display = new TColorDisplay(colour);
  display->setObjectName(name + "Dis");
  button = new QPushButton("Change");
  button->setObjectName(name + "Btn");
  auto* g = new QGroupBox(title);
  auto* l = new QHBoxLayout(g);
  l->addWidget(display, 1);
  l->addWidget(button);
  return g;
}

QWidget* TOptionsPanel::ColorsPage() {
  return Page({ColorGroup("Passage Walls", "WallColor", 0x0000FF, WallColorDis, WallColorBtn),
               ColorGroup("Passage Shots", "ShotColor", 0xFF0000, ShotColorDis, ShotColorBtn),
               ColorGroup("Bounding Box", "BoundingBox", 0x00FF00, BoundingBoxDis, BoundingBoxBtn),
               ColorGroup("Background Color", "BackColor", 0x000000, BackColorDis, BackColorBtn),
               ColorGroup("Splay Shots", "SplayColor", 0x00FFFF, SplayColorDis, SplayColorBtn)});
}

QWidget* TOptionsPanel::StationsPage() {
  PointSizeSpin = Named<QSpinBox>("PointSizeSpin");
  PointSizeSpin->setRange(1, 100);
  PointSizeSpin->setSingleStep(1);
  PointSizeSpin->setValue(1);
  auto* size = new QWidget;
  auto* sl = new QHBoxLayout(size);
  sl->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(" Station Mark Size: ");
  label->setBuddy(PointSizeSpin);
  sl->addWidget(label);
  sl->addWidget(PointSizeSpin);
  FontBtn = Named<QPushButton>("FontBtn", "Label Font");
  ThinLabelsChk = Check("ThinLabelsChk", "Hide Overlapping Labels", true);
  ThinLabelsChk->setToolTip("Draw a label only where it does not cover a nearer one; zoom in to see the rest");
  return Page({size, FontBtn, ThinLabelsChk,
               ColorGroup("Station Mark Color", "StationColor", 0x00FFFF, StationColorDis, StationColorBtn)});
}

QWidget* TOptionsPanel::ObjectsPage() {
  DisplayHullsChk = Check("DisplayHullsChk", "Show Concave Hull", false);
  ShowGridChk = Check("ShowGridChk", "Show Grid", true);
  ShowBaseChk = Check("ShowBaseChk", "Show Base", true);
  RoseChk = Group("Show Rose Diagram", {ShowGridChk, ShowBaseChk});
  RoseChk->setObjectName("RoseChk");
  RoseChk->setCheckable(true);
  RoseChk->setChecked(false);
  BoxRadio = new TRadioGroup("Show", {"Line Box", "Passage Box", "Both"}, 0);
  BoxRadio->setObjectName("BoxRadio");
  BoxChk = Group("Show Bounding Box", {BoxRadio});
  BoxChk->setObjectName("BoxChk");
  BoxChk->setCheckable(true);
  BoxChk->setChecked(false);
  return Page({DisplayHullsChk, RoseChk, BoxChk});
}

QWidget* TOptionsPanel::RenderingPage() {
  TransparentTrack = Named<QSlider>("TransparentTrack", Qt::Horizontal);
  TransparentTrack->setRange(0, 100);
  TransparentTrack->setValue(50);
  auto* track = new QWidget;
  auto* tl = new QHBoxLayout(track);
  tl->setContentsMargins(0, 0, 0, 0);
  tl->addWidget(new QLabel("0"));
  tl->addWidget(TransparentTrack, 1);
  tl->addWidget(new QLabel("100%"));
  TransparentChk = Group("Transparency", {new QLabel("Transparency"), track});
  TransparentChk->setObjectName("TransparentChk");
  TransparentChk->setCheckable(true);
  TransparentChk->setChecked(false);
  AntialiasChk = Check("AntialiasChk", "Antialiasing", false);
  MeshQualityRadio = new TRadioGroup("Mesh Options", {"Wire Frame", "Flat", "Smooth"}, 2);
  MeshQualityRadio->setObjectName("MeshQualityRadio");
  return Page({TransparentChk, AntialiasChk, MeshQualityRadio});
}

}  // namespace lumora
