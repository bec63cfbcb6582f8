// The five option tabs of the exporter window and their bindings.

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "export/KMLExport.h"
#include "export/ui/ExporterControls.h"
#include "export/ui/ExporterForm.h"

namespace lumora {
namespace {

template <class T>
T* Named(T* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

// The binder gives every spin its value; until then it shows the nearest
// to zero.
QDoubleSpinBox* Spin(const char* name, double min, double max, double step, int decimals, const QString& suffix = {}) {
  auto* s = RealSpin(name, min, max, step, decimals, std::clamp(0.0, min, max));
  if (!suffix.isEmpty()) s->setSuffix(QLatin1Char(' ') + suffix);
  return s;
}

// A titled group of widgets stacked top to bottom.
QGroupBox* Group(const QString& title, std::initializer_list<QWidget*> widgets) {
  return RowGroup(title, widgets, false);
}

}  // namespace

QPushButton* TExporterForm::ColorButton(const QString& caption, TColorDisplay* swatch,
                                        uint32_t TExportOptions::*field) {
  auto* b = new QPushButton(caption);
  b->setObjectName(swatch->objectName() + QLatin1String("Btn"));
  connect(b, &QPushButton::clicked, this, [this, swatch, field] {
    if (const auto c = ChooseColor(options_.*field)) {
      options_.*field = *c & 0xFFFFFF;
      swatch->SetColor(options_.*field);
    }
  });
  return b;
}

QPushButton* TExporterForm::LayerColorButton(TColorDisplay* swatch, int TExportOptions::*field) {
  auto* b = new QPushButton(QStringLiteral("Set "));
  b->setObjectName(swatch->objectName() + QLatin1String("Btn"));
  connect(b, &QPushButton::clicked, this, [this, field] {
    if (const auto c = ChooseColor(aci_to_rgb(options_.*field))) {
      options_.*field = rgb_to_aci(*c);
      for (auto [s, f] : {std::pair{SurveyColorDis, &TExportOptions::SurveyColor},
                          {LabelColorDis, &TExportOptions::LabelColor},
                          {DepthColorDis, &TExportOptions::DepthColor},
                          {WallColorDis, &TExportOptions::WallColor}})
        s->SetColor(aci_to_rgb(options_.*f));
    }
  });
  return b;
}

QWidget* TExporterForm::ShapefileTab() {
  ConvertTypeRadio = new TRadioGroup(
      "ConvertTypeRadio", "Data Types To Convert",
      {"Stations", "Surveys", "Survey Shots", "Split Shots", "Feature Locations", "Feature Lines", "Passage",
       "3D Polygon Prism", "3D Multipatch Prism", "Bounding Polygon", "Multpatch Bounding Polygon"},
      -1, 2);
  ShapeTypeRadio = new TRadioGroup("ShapeTypeRadio", "Shape File Type", {"3D Shape File", "2D Shape File"}, -1);
  ZipShapeChk = CheckBox("ZipShapeChk", "Create Zip File");
  auto* exportBtn = Named(new QPushButton("Export Shapefile"), "ShapeExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::ShapeExportClick);
  return Page({ConvertTypeRadio, ShapeTypeRadio, ZipShapeChk, exportBtn});
}

QWidget* TExporterForm::VRMLTab() {
  DoPassageChk = CheckBox("DoPassageChk", "Show 3D Passages");
  PassDepthColorChk = CheckBox("PassDepthColorChk", "Color By Depth");
  VertColorChk = CheckBox("VertColorChk", "Vertex Colors");
  SplineSurfaceChk = CheckBox("SplineSurfaceChk", "Spline Surface");
  PassColorDis = Named(new TColorDisplay(0), "PassColorDis");
  TransparencySpin = Spin("TransparencySpin", 0, 100, 0.1, 1, "%");
  TransparencyChk = CheckBox("TransparencyChk", "Do Tranparency");
  TextureEdit = Named(new QLineEdit, "TextureEdit");
  TextureChk = CheckBox("TextureChk", "Use Texture");
  auto* browse = Named(new QPushButton("Browse"), "BrowseTextureBtn");
  connect(browse, &QPushButton::clicked, this, &TExporterForm::BrowseTextureClick);
  auto* passage = Group(
      "3D Passage Options",
      {DoPassageChk, PassDepthColorChk, VertColorChk, SplineSurfaceChk,
       LabelledRow("Passage Color", PassColorDis, ColorButton("Change", PassColorDis, &TExportOptions::PassColorDis)),
       LabelledRow("Transparency", TransparencySpin), TransparencyChk, LabelledRow("Texture", TextureEdit, browse),
       TextureChk});

  DoLineChk = CheckBox("DoLineChk", "Show Shot LIne");
  LineDepthColorChk = CheckBox("LineDepthColorChk", "Color By Depth");
  LineColorDis = Named(new TColorDisplay(0), "LineColorDis");
  auto* line = Group(
      "Shot Line Options",
      {DoLineChk, LineDepthColorChk,
       LabelledRow("Line Color", LineColorDis, ColorButton("Change", LineColorDis, &TExportOptions::LineColorDis))});
  YawRotateChk = CheckBox("YawRotateChk", "Yaw Rotations");
  BackColorDis = Named(new TColorDisplay(0), "BackColorDis");
  auto* exportBtn = Named(new QPushButton("Export VRML"), "VRMLExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::VRMLExportClick);
  // glTF takes the passage and shot-line options above, not the world's own.
  GLTFSplayChk = CheckBox("GLTFSplayChk", "Include Splay Shots");
  auto* gltfBtn = Named(new QPushButton("Export glTF"), "GLTFExportBtn");
  connect(gltfBtn, &QPushButton::clicked, this, &TExporterForm::GLTFExportClick);
  return Page({passage}, {line, YawRotateChk,
                          LabelledRow("Background Color", BackColorDis,
                                      ColorButton("Change", BackColorDis, &TExportOptions::BackColorDis)),
                          exportBtn, Group("glTF (Web, 3D and VR Viewers)", {GLTFSplayChk, gltfBtn})});
}

QWidget* TExporterForm::DXFTab() {
  ProfileChk = CheckBox("ProfileChk", "Profile Mode");
  RotSpin = Spin("RotSpin", 0, 360, 1, 1, "Deg.");
  PassageTypeRadio = new TRadioGroup("PassageTypeRadio", "Show Passage As:", {"3D Polygons", "Tick Marks"}, -1);
  auto* profile =
      Group("Profile Options (for 2D Drawing)", {ProfileChk, LabelledRow("Rotation", RotSpin), PassageTypeRadio});

  LayerSurveysChk = CheckBox("LayerSurveysChk", "Surveys On Separate Layers");
  AssocPassChk = CheckBox("AssocPassChk", "Associate Passage With Surveys");
  AssocLabelChk = CheckBox("AssocLabelChk", "Associate Labels With Surveys");
  SeparateChk = CheckBox("SeparateChk", "Associate Separately");
  auto* layers = Group("Layer Options", {LayerSurveysChk, AssocPassChk, AssocLabelChk, SeparateChk});

  LeftRightCheck = CheckBox("LeftRightCheck", "Mark Left-Right");
  UpDownCheck = CheckBox("UpDownCheck", "Mark Up-Down");
  LineCheck = CheckBox("LineCheck", "Add Line To Mark");
  MarkFromChk = CheckBox("MarkFromChk", "Mark From");
  MarkToChk = CheckBox("MarkToChk", "Mark To");
  MarkWithRadio = new TRadioGroup("MarkWithRadio", "Mark With:", {"L, R, U, D ", "A Period - .", "A Star - *"}, -1);
  ExpandMarkChk = CheckBox("ExpandMarkChk", "Expand Mark Dimensions");
  auto* ticks = Group("Tick Mark Options",
                      {LeftRightCheck, UpDownCheck, LineCheck, MarkFromChk, MarkToChk, MarkWithRadio, ExpandMarkChk});

  ShotLineChk = CheckBox("ShotLineChk", "Include Shot Line");
  LabelsChk = CheckBox("LabelsChk", "Include Station Labels");
  StationMarkChk = CheckBox("StationMarkChk", "Include Station Marks");
  WallsChk = CheckBox("WallsChk", "Include Passage Walls");
  NorthArrowChk = CheckBox("NorthArrowChk", "Include North Arrow");
  ScaleBarChk = CheckBox("ScaleBarChk", "Include Scale Bar");
  DepthChk = CheckBox("DepthChk", "Include Depth Labels");
  ClipLinesChk = CheckBox("ClipLinesChk", "Station Mark Clips Lines");
  auto* include = Group(
      "Layers", {ShotLineChk, LabelsChk, StationMarkChk, WallsChk, NorthArrowChk, ScaleBarChk, DepthChk, ClipLinesChk});

  SurveyColorDis = Named(new TColorDisplay(0), "SurveyColorDis");
  LabelColorDis = Named(new TColorDisplay(0), "LabelColorDis");
  DepthColorDis = Named(new TColorDisplay(0), "DepthColorDis");
  WallColorDis = Named(new TColorDisplay(0), "WallColorDis");
  auto* colours = Group(
      "Layer Colors",
      {LabelledRow(" Survey Lines", SurveyColorDis, LayerColorButton(SurveyColorDis, &TExportOptions::SurveyColor)),
       LabelledRow(" Station Labels", LabelColorDis, LayerColorButton(LabelColorDis, &TExportOptions::LabelColor)),
       LabelledRow("Depth Label", DepthColorDis, LayerColorButton(DepthColorDis, &TExportOptions::DepthColor)),
       LabelledRow(" Passage Walls", WallColorDis, LayerColorButton(WallColorDis, &TExportOptions::WallColor))});

  ScaleBarSpin = Spin("ScaleBarSpin", 0, 1e9, 1, 2);
  MarkSizeSpin = Spin("MarkSizeSpin", 0, 1e9, 0.05, 2);
  ScaleBarUnit = Named(new QLabel, "ScaleBarUnit");
  MarkSizeUnit = Named(new QLabel, "MarkSizeUnit");
  auto* sizes = Group("Object Sizes", {LabelledRow("Scale Bar", ScaleBarSpin, ScaleBarUnit),
                                       LabelledRow("Station Mark", MarkSizeSpin, MarkSizeUnit)});
  ScaleChk = CheckBox("ScaleChk", "Scale Export");
  ScaleSpin = Spin("ScaleSpin", 1e-06, 1000000, 1, 6, "%");
  auto* scaling = Group("Scaling Options", {ScaleChk, LabelledRow("Scale Factor", ScaleSpin)});
  auto* exportBtn = Named(new QPushButton("Export DXF"), "DXFExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::DXFExportClick);
  return Page({profile, layers, ticks}, {include, colours, sizes, scaling, exportBtn});
}

QWidget* TExporterForm::KMLTab() {
  OverlayTypeRadio = new TRadioGroup("OverlayTypeRadio", "Overlay Type", {"Passage Polygons", "Survey Shot Lines"}, -1);
  DatumCombo = Named(new QComboBox, "DatumCombo");
  AltitudeModeRadio = new TRadioGroup("AltitudeModeRadio", "Altitude Mode", {"Clamp To Ground", "Ground Relative"}, -1);
  AltitudeSpin = Spin("AltitudeSpin", -1e6, 1e6, 1, 2, "M.");
  HeadingSpin = Spin("HeadingSpin", 0, 360, 1, 1, "Deg.");
  HeadingSpin->setWrapping(true);
  KMLSplayChk = CheckBox("KMLSplayChk", "Show Splay Shots ");
  KMLFixedChk = CheckBox("KMLFixedChk", "Show Fixed Stations");
  LineWidthSpin = IntSpin("LineWidthSpin", 1, 100, 1);
  LineWidthSpin->setSuffix(QStringLiteral(" Pixels"));
  KMLLineColorDis = Named(new TColorDisplay(0), "KMLLineColorDis");
  KMLFillColorDis = Named(new TColorDisplay(0), "KMLFillColorDis");
  FillTransBar = Track("FillTransBar", 0, 0, 0, 255);

  KMLMarkColorDis = Named(new TColorDisplay(0), "KMLMarkColorDis");
  KMLMarkScaleSpin = Spin("KMLMarkScaleSpin", 0, 4, 0.1, 1);
  MarkSectionsChk =
      Named(Group("Mark Sections", {LabelledRow(" Color", KMLMarkColorDis,
                                                ColorButton("...", KMLMarkColorDis, &TExportOptions::KMLMarkColorDis)),
                                    LabelledRow(" Scale", KMLMarkScaleSpin)}),
            "MarkSectionsChk");
  KMLLabelColorDis = Named(new TColorDisplay(0), "KMLLabelColorDis");
  KMLLabelScaleSpin = Spin("KMLLabelScaleSpin", 0, 4, 0.1, 1);
  LabelSectionsChk = Named(
      Group("Label Sections", {LabelledRow(" Color", KMLLabelColorDis,
                                           ColorButton("...", KMLLabelColorDis, &TExportOptions::KMLLabelColorDis)),
                               LabelledRow(" Scale", KMLLabelScaleSpin)}),
      "LabelSectionsChk");
  SectionsChk = Named(Group("Separate Sections", {MarkSectionsChk, LabelSectionsChk}), "SectionsChk");
  auto* exportBtn = Named(new QPushButton("Export KML File"), "KMLExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::KMLExportClick);
  return Page(
      {OverlayTypeRadio, LabelledRow("Datum", DatumCombo), AltitudeModeRadio, LabelledRow("Altitude", AltitudeSpin),
       LabelledRow("Heading", HeadingSpin), KMLSplayChk, KMLFixedChk, LabelledRow("Line Width", LineWidthSpin)},
      {LabelledRow("Line Color", KMLLineColorDis,
                   ColorButton("Change", KMLLineColorDis, &TExportOptions::KMLLineColorDis)),
       LabelledRow("Fill Color", KMLFillColorDis,
                   ColorButton("Change", KMLFillColorDis, &TExportOptions::KMLFillColorDis)),
       LabelledRow("Transparency", FillTransBar), SectionsChk, exportBtn});
}

QWidget* TExporterForm::WallsTab() {
  PassShapeRadio = new TRadioGroup("PassShapeRadio", "Passage Shape", {"Square", "Diamond", "Octagon"}, -1);
  CornerRadio = new TRadioGroup("CornerRadio", "Rounding Depth", {"None", "One Pass", "Two Pass"}, -1);
  CornerAngleSpin = Spin("CornerAngleSpin", 0, 180, 1, 1, "Deg.");
  SubSpin = Spin("SubSpin", 0, 90, 1, 2, "Ft.");
  SubChk = CheckBox("SubChk", "Sub. Miss. LRUDs");
  ExpandWallChk = CheckBox("ExpandWallChk", "Expand Passages");
  VerticalChk = CheckBox("VerticalChk", "Vertical Prisms");
  VerticalAngleSpin = Spin("VerticalAngleSpin", 0, 90, 1, 1, "Deg.");
  MergeChk = CheckBox("MergeChk", "Merge Passages");
  SealChk = CheckBox("SealChk", "Seal Passage Ends");
  auto* options =
      Group("Passages Options",
            {PassShapeRadio, Group("Corner Rounding", {CornerRadio, LabelledRow("Corner Threshold", CornerAngleSpin)}),
             Group("Substitue Dimensions", {LabelledRow("Substitue Diameter", SubSpin), SubChk}), ExpandWallChk,
             Group("Vertical Passages", {VerticalChk, LabelledRow("Vertical Threshold", VerticalAngleSpin)}), MergeChk,
             SealChk});
  return Page({options});
}

void TExporterForm::BindControls() {
  using O = TExportOptions;
  TOptionBinder& b = *binder_;
  b.Bind(UnitRadio, &O::UnitRadio);
  b.Bind(DateRadio, &O::DateRadio);
  b.Bind(ShowHiddenChk, &O::ShowHiddenChk);
  b.Bind(ConvertTypeRadio, &O::ConvertTypeRadio);
  b.Bind(ShapeTypeRadio, &O::ShapeTypeRadio);
  b.Bind(ZipShapeChk, &O::ZipShapeChk);

  for (auto [box, field] : {std::pair{DoPassageChk, &O::DoPassageChk},
                            {PassDepthColorChk, &O::PassDepthColorChk},
                            {VertColorChk, &O::VertColorChk},
                            {SplineSurfaceChk, &O::SplineSurfaceChk},
                            {TransparencyChk, &O::TransparencyChk},
                            {TextureChk, &O::TextureChk},
                            {DoLineChk, &O::DoLineChk},
                            {LineDepthColorChk, &O::LineDepthColorChk},
                            {YawRotateChk, &O::YawRotateChk},
                            {ProfileChk, &O::ProfileChk},
                            {LayerSurveysChk, &O::LayerSurveysChk},
                            {AssocPassChk, &O::AssocPassChk},
                            {AssocLabelChk, &O::AssocLabelChk},
                            {SeparateChk, &O::SeparateChk},
                            {LeftRightCheck, &O::LeftRightCheck},
                            {UpDownCheck, &O::UpDownCheck},
                            {LineCheck, &O::LineCheck},
                            {MarkFromChk, &O::MarkFromChk},
                            {MarkToChk, &O::MarkToChk},
                            {ExpandMarkChk, &O::ExpandMarkChk},
                            {ShotLineChk, &O::ShotLineChk},
                            {LabelsChk, &O::LabelsChk},
                            {StationMarkChk, &O::StationMarkChk},
                            {WallsChk, &O::WallsChk},
                            {NorthArrowChk, &O::NorthArrowChk},
                            {ScaleBarChk, &O::ScaleBarChk},
                            {DepthChk, &O::DepthChk},
                            {ClipLinesChk, &O::ClipLinesChk},
                            {ScaleChk, &O::ScaleChk},
                            {GLTFSplayChk, &O::GLTFSplayChk},
                            {KMLSplayChk, &O::KMLSplayChk},
                            {KMLFixedChk, &O::KMLFixedChk},
                            {SubChk, &O::SubChk},
                            {ExpandWallChk, &O::ExpandWallChk},
                            {VerticalChk, &O::VerticalChk},
                            {MergeChk, &O::MergeChk},
                            {SealChk, &O::SealChk}})
    b.Bind(box, field);
  for (auto [spin, field] : {std::pair{TransparencySpin, &O::TransparencySpin},
                             {RotSpin, &O::RotSpin},
                             {ScaleBarSpin, &O::ScaleBarSpin},
                             {MarkSizeSpin, &O::MarkSizeSpin},
                             {ScaleSpin, &O::ScaleSpin},
                             {AltitudeSpin, &O::AltitudeSpin},
                             {HeadingSpin, &O::HeadingSpin},
                             {KMLMarkScaleSpin, &O::KMLMarkScaleSpin},
                             {KMLLabelScaleSpin, &O::KMLLabelScaleSpin},
                             {CornerAngleSpin, &O::CornerAngleSpin},
                             {SubSpin, &O::SubSpin},
                             {VerticalAngleSpin, &O::VerticalAngleSpin}})
    b.Bind(spin, field);
  for (auto [radio, field] : {std::pair{PassageTypeRadio, &O::PassageTypeRadio},
                              {MarkWithRadio, &O::MarkWithRadio},
                              {OverlayTypeRadio, &O::OverlayTypeRadio},
                              {AltitudeModeRadio, &O::AltitudeModeRadio},
                              {PassShapeRadio, &O::PassShapeRadio},
                              {CornerRadio, &O::CornerRadio}})
    b.Bind(radio, field);
  for (auto [swatch, field] : {std::pair{PassColorDis, &O::PassColorDis},
                               {LineColorDis, &O::LineColorDis},
                               {BackColorDis, &O::BackColorDis},
                               {KMLLineColorDis, &O::KMLLineColorDis},
                               {KMLFillColorDis, &O::KMLFillColorDis},
                               {KMLMarkColorDis, &O::KMLMarkColorDis},
                               {KMLLabelColorDis, &O::KMLLabelColorDis}})
    b.Bind(swatch, field);
  for (auto [swatch, field] : {std::pair{SurveyColorDis, &O::SurveyColor},
                               {LabelColorDis, &O::LabelColor},
                               {DepthColorDis, &O::DepthColor},
                               {WallColorDis, &O::WallColor}})
    b.BindLayer(swatch, field);
  for (auto [group, field] : {std::pair{SectionsChk, &O::SectionsChk},
                              {MarkSectionsChk, &O::MarkSectionsChk},
                              {LabelSectionsChk, &O::LabelSectionsChk}})
    b.Bind(group, field);
  b.Bind(TextureEdit, &O::TextureEdit);
  b.Bind(LineWidthSpin, &O::LineWidthSpin);
  b.Bind(FillTransBar, &O::FillTransBar);
  b.Bind(DatumCombo, &O::DatumCombo);
}

}  // namespace lumora
