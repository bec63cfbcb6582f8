#include "app/OptionsPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "controls/DialogParts.h"
#include "controls/Fields.h"

namespace lumora {
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
  WallsChk = CheckBox("WallsChk", "Show Passage Walls", true);
  DepthChk = CheckBox("DepthChk", "Color By Depth", false);
  DateChk = CheckBox("DateChk", "Color By Date", false);
  SurveyChk = CheckBox("SurveyChk", "Color By Survey", false);
  RockTextureChk = CheckBox("RockTextureChk", "Rock Texture", false);
  ScrapWallsChk = CheckBox("ScrapWallsChk", "Scrap Walls", true);
  ScrapWallsChk->setToolTip("Where a survey has scraps, its walls as the surveyors drew them");
  DimensionWallsChk = CheckBox("DimensionWallsChk", "Dimension Walls", true);
  DimensionWallsChk->setToolTip("Walls from the passage dimensions, where a survey has no scraps");
  StationsChk = CheckBox("StationsChk", "Show Stations", true);
  LabelsChk = CheckBox("LabelsChk", "Show Station Labels", false);
  ShotChk = CheckBox("ShotChk", "Show Shots", true);
  SplayChk = CheckBox("SplayChk", "Show Splays", true);
  CrossHairsChk = CheckBox("CrossHairsChk", "Show Crosshairs", false);
  GradientChk = CheckBox("GradientChk", "Color By Gradient", false);
  LengthChk = CheckBox("LengthChk", "Color By Length", false);
  ErrorChk = CheckBox("ErrorChk", "Color By Loop Error", false);
  LabelAnonChk = CheckBox("LabelAnonChk", "Label Anonymous Stations", false);
  LabelAnonChk->setToolTip("Mark and label stations without a name (splay ends, unnamed points)");
  SurfaceLegsChk = CheckBox("SurfaceLegsChk", "Show Surface Legs", false);
  DuplicateLegsChk = CheckBox("DuplicateLegsChk", "Show Duplicate Legs", true);
  ShowSurfaceChk = CheckBox("ShowSurfaceChk", "Show Surface", false);
  SurfaceTransparencyTrack = Track("SurfaceTransparencyTrack", 0, 50);
  return Page(
      {RowGroup("Passages",
                {WallsChk, ScrapWallsChk, DimensionWallsChk, DepthChk, DateChk, SurveyChk, GradientChk, LengthChk,
                 ErrorChk, RockTextureChk},
                false),
       RowGroup("Stations", {StationsChk, LabelsChk, LabelAnonChk}, false),
       RowGroup("Shots", {ShotChk, SplayChk, SurfaceLegsChk, DuplicateLegsChk}, false),
       RowGroup("Features", {CrossHairsChk}, false),
       RowGroup("Surface",
                {ShowSurfaceChk, new QLabel("Transparency"), TrackWithEnds(SurfaceTransparencyTrack, "0", "100%")},
                false)});
}

QWidget* TOptionsPanel::ColorsPage() {
  return Page({SwatchGroup("Passage Walls", "WallColor", 0x0000FF, WallColorDis, WallColorBtn),
               SwatchGroup("Passage Shots", "ShotColor", 0xFF0000, ShotColorDis, ShotColorBtn),
               SwatchGroup("Bounding Box", "BoundingBox", 0x00FF00, BoundingBoxDis, BoundingBoxBtn),
               SwatchGroup("Background Color", "BackColor", 0x000000, BackColorDis, BackColorBtn),
               SwatchGroup("Splay Shots", "SplayColor", 0x00FFFF, SplayColorDis, SplayColorBtn)});
}

QWidget* TOptionsPanel::StationsPage() {
  PointSizeSpin = IntSpin("PointSizeSpin", 1, 100, 1);
  QWidget* size = LabelledRow(" Station Mark Size: ", PointSizeSpin);
  FontBtn = Button("FontBtn", "Label Font");
  ThinLabelsChk = CheckBox("ThinLabelsChk", "Hide Overlapping Labels", true);
  ThinLabelsChk->setToolTip("Draw a label only where it does not cover a nearer one; zoom in to see the rest");
  auto mark = [](const char* name, const char* title, const char* colourName, uint32_t colour, TColorDisplay*& swatch,
                 QPushButton*& change) {
    QGroupBox* g = SwatchGroup(title, colourName, colour, swatch, change);
    g->setObjectName(name);
    g->setCheckable(true);
    g->setChecked(false);
    return g;
  };
  EntranceChk = mark("EntranceChk", "Mark Entrances", "EntranceColor", 0x00FF00, EntranceColorDis, EntranceColorBtn);
  FixedChk = mark("FixedChk", "Mark Fixed Points", "FixedColor", 0xFF00FF, FixedColorDis, FixedColorBtn);
  ExportedChk =
      mark("ExportedChk", "Mark Exported Stations", "ExportedColor", 0x0080FF, ExportedColorDis, ExportedColorBtn);
  return Page({size, FontBtn, ThinLabelsChk,
               SwatchGroup("Station Mark Color", "StationColor", 0x00FFFF, StationColorDis, StationColorBtn),
               EntranceChk, FixedChk, ExportedChk});
}

QWidget* TOptionsPanel::ObjectsPage() {
  DisplayHullsChk = CheckBox("DisplayHullsChk", "Show Concave Hull", false);
  ShowGridChk = CheckBox("ShowGridChk", "Show Grid", true);
  ShowBaseChk = CheckBox("ShowBaseChk", "Show Base", true);
  RoseChk = RowGroup("Show Rose Diagram", {ShowGridChk, ShowBaseChk}, false);
  RoseChk->setObjectName("RoseChk");
  RoseChk->setCheckable(true);
  RoseChk->setChecked(false);
  BoxRadio = new TRadioGroup("BoxRadio", "Show", {"Line Box", "Passage Box", "Both"}, 0);
  BoxChk = RowGroup("Show Bounding Box", {BoxRadio}, false);
  BoxChk->setObjectName("BoxChk");
  BoxChk->setCheckable(true);
  BoxChk->setChecked(false);
  return Page({DisplayHullsChk, RoseChk, BoxChk});
}

QWidget* TOptionsPanel::RenderingPage() {
  TransparentTrack = Track("TransparentTrack", 0, 50);
  TransparentChk =
      RowGroup("Transparency", {new QLabel("Transparency"), TrackWithEnds(TransparentTrack, "0", "100%")}, false);
  TransparentChk->setObjectName("TransparentChk");
  TransparentChk->setCheckable(true);
  TransparentChk->setChecked(false);
  AntialiasChk = CheckBox("AntialiasChk", "Antialiasing", false);
  MeshQualityRadio = new TRadioGroup("MeshQualityRadio", "Mesh Options", {"Wire Frame", "Flat", "Smooth"}, 2);
  return Page({TransparentChk, AntialiasChk, MeshQualityRadio});
}

}  // namespace lumora
