// The five option tabs of the exporter window and their bindings.

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

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

QCheckBox* Check(const char* name, const QString& caption) { return Named(new QCheckBox(caption), name); }

QDoubleSpinBox* Spin(const char* name, double min, double max, double step, int decimals, const QString& suffix = {}) {
  auto* s = Named(new QDoubleSpinBox, name);
  s->setDecimals(decimals);
  s->setRange(min, max);
  s->setSingleStep(step);
  if (!suffix.isEmpty()) s->setSuffix(QLatin1Char(' ') + suffix);
  return s;
}

TRadioGroup* Radio(const char* name, const QString& title, const QStringList& items, int columns = 1) {
  return Named(new TRadioGroup(title, items, -1, nullptr, columns), name);
}

QGroupBox* Group(const QString& title, const QList<QWidget*>& widgets) {
  auto* g = new QGroupBox(title);
  auto* l = new QVBoxLayout(g);
  for (QWidget* w : widgets) l->addWidget(w);
  return g;
}

// A caption, the control, and an optional unit text on one row.
QWidget* Row(const QString& caption, QWidget* control, QWidget* unit = nullptr) {
  auto* w = new QWidget;
  auto* l = new QHBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(caption);
  label->setBuddy(control);
  l->addWidget(label);
  l->addWidget(control, 1);
  if (unit) l->addWidget(unit);
  return w;
}

QWidget* Page(const QList<QWidget*>& columnA, const QList<QWidget*>& columnB = {}) {
  auto* page = new QWidget;
  auto* l = new QHBoxLayout(page);
  for (const auto& column : {columnA, columnB}) {
    if (column.isEmpty()) continue;
    auto* c = new QVBoxLayout;
    for (QWidget* w : column) c->addWidget(w);
    c->addStretch(1);
    l->addLayout(c);
  }
  return page;
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
  ConvertTypeRadio =
      Radio("ConvertTypeRadio", "Data Types To Convert",
            {"Stations", "Surveys", "Survey Shots", "Split Shots", "Feature Locations", "Feature Lines", "Passage",
             "3D Polygon Prism", "3D Multipatch Prism", "Bounding Polygon", "Multpatch Bounding Polygon"},
            2);
  ShapeTypeRadio = Radio("ShapeTypeRadio", "Shape File Type", {"3D Shape File", "2D Shape File"});
  ZipShapeChk = Check("ZipShapeChk", "Create Zip File");
  auto* exportBtn = Named(new QPushButton("Export Shapefile"), "ShapeExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::ShapeExportClick);
  return Page({ConvertTypeRadio, ShapeTypeRadio, ZipShapeChk, exportBtn});
}

QWidget* TExporterForm::VRMLTab() {
  DoPassageChk = Check("DoPassageChk", "Show 3D Passages");
  PassDepthColorChk = Check("PassDepthColorChk", "Color By Depth");
  VertColorChk = Check("VertColorChk", "Vertex Colors");
  SplineSurfaceChk = Check("SplineSurfaceChk", "Spline Surface");
  PassColorDis = Named(new TColorDisplay(0), "PassColorDis");
  TransparencySpin = Spin("TransparencySpin", 0, 100, 0.1, 1, "%");
  TransparencyChk = Check("TransparencyChk", "Do Tranparency");
  TextureEdit = Named(new QLineEdit, "TextureEdit");
  TextureChk = Check("TextureChk", "Use Texture");
  auto* browse = Named(new QPushButton("Browse"), "BrowseTextureBtn");
  connect(browse, &QPushButton::clicked, this, &TExporterForm::BrowseTextureClick);
  auto* passage =
      Group("3D Passage Options",
            {DoPassageChk, PassDepthColorChk, VertColorChk, SplineSurfaceChk,
             Row("Passage Color", PassColorDis, ColorButton("Change", PassColorDis, &TExportOptions::PassColorDis)),
             Row("Transparency", TransparencySpin), TransparencyChk, Row("Texture", TextureEdit, browse), TextureChk});

  DoLineChk = Check("DoLineChk", "Show Shot LIne");
  LineDepthColorChk = Check("LineDepthColorChk", "Color By Depth");
  LineColorDis = Named(new TColorDisplay(0), "LineColorDis");
  auto* line =
      Group("Shot Line Options",
            {DoLineChk, LineDepthColorChk,
             Row("Line Color", LineColorDis, ColorButton("Change", LineColorDis, &TExportOptions::LineColorDis))});
  YawRotateChk = Check("YawRotateChk", "Yaw Rotations");
  BackColorDis = Named(new TColorDisplay(0), "BackColorDis");
  auto* exportBtn = Named(new QPushButton("Export VRML"), "VRMLExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::VRMLExportClick);
  // glTF takes the passage and shot-line options above, not the world's own.
  GLTFSplayChk = Check("GLTFSplayChk", "Include Splay Shots");
  auto* gltfBtn = Named(new QPushButton("Export glTF"), "GLTFExportBtn");
  connect(gltfBtn, &QPushButton::clicked, this, &TExporterForm::GLTFExportClick);
  return Page({passage}, {line, YawRotateChk,
                          Row("Background Color", BackColorDis,
                              ColorButton("Change", BackColorDis, &TExportOptions::BackColorDis)),
                          exportBtn, Group("glTF (Web, 3D and VR Viewers)", {GLTFSplayChk, gltfBtn})});
}

QWidget* TExporterForm::DXFTab() {
  ProfileChk = Check("ProfileChk", "Profile Mode");
  RotSpin = Spin("RotSpin", 0, 360, 1, 1, "Deg.");
  PassageTypeRadio = Radio("PassageTypeRadio", "Show Passage As:", {"3D Polygons", "Tick Marks"});
  auto* profile = Group("Profile Options (for 2D Drawing)", {ProfileChk, Row("Rotation", RotSpin), PassageTypeRadio});

  LayerSurveysChk = Check("LayerSurveysChk", "Surveys On Separate Layers");
  AssocPassChk = Check("AssocPassChk", "Associate Passage With Surveys");
  AssocLabelChk = Check("AssocLabelChk", "Associate Labels With Surveys");
  SeparateChk = Check("SeparateChk", "Associate Separately");
  auto* layers = Group("Layer Options", {LayerSurveysChk, AssocPassChk, AssocLabelChk, SeparateChk});

  LeftRightCheck = Check("LeftRightCheck", "Mark Left-Right");
  UpDownCheck = Check("UpDownCheck", "Mark Up-Down");
  LineCheck = Check("LineCheck", "Add Line To Mark");
  MarkFromChk = Check("MarkFromChk", "Mark From");
  MarkToChk = Check("MarkToChk", "Mark To");
  MarkWithRadio = Radio("MarkWithRadio", "Mark With:", {"L, R, U, D ", "A Period - .", "A Star - *"});
  ExpandMarkChk = Check("ExpandMarkChk", "Expand Mark Dimensions");
  auto* ticks = Group("Tick Mark Options",
                      {LeftRightCheck, UpDownCheck, LineCheck, MarkFromChk, MarkToChk, MarkWithRadio, ExpandMarkChk});

  ShotLineChk = Check("ShotLineChk", "Include Shot Line");
  LabelsChk = Check("LabelsChk", "Include Station Labels");
  StationMarkChk = Check("StationMarkChk", "Include Station Marks");
  WallsChk = Check("WallsChk", "Include Passage Walls");
  NorthArrowChk = Check("NorthArrowChk", "Include North Arrow");
  ScaleBarChk = Check("ScaleBarChk", "Include Scale Bar");
  DepthChk = Check("DepthChk", "Include Depth Labels");
  ClipLinesChk = Check("ClipLinesChk", "Station Mark Clips Lines");
  auto* include = Group(
      "Layers", {ShotLineChk, LabelsChk, StationMarkChk, WallsChk, NorthArrowChk, ScaleBarChk, DepthChk, ClipLinesChk});

  SurveyColorDis = Named(new TColorDisplay(0), "SurveyColorDis");
  LabelColorDis = Named(new TColorDisplay(0), "LabelColorDis");
  DepthColorDis = Named(new TColorDisplay(0), "DepthColorDis");
  WallColorDis = Named(new TColorDisplay(0), "WallColorDis");
  auto* colours =
      Group("Layer Colors",
            {Row(" Survey Lines", SurveyColorDis, LayerColorButton(SurveyColorDis, &TExportOptions::SurveyColor)),
             Row(" Station Labels", LabelColorDis, LayerColorButton(LabelColorDis, &TExportOptions::LabelColor)),
             Row("Depth Label", DepthColorDis, LayerColorButton(DepthColorDis, &TExportOptions::DepthColor)),
             Row(" Passage Walls", WallColorDis, LayerColorButton(WallColorDis, &TExportOptions::WallColor))});

  ScaleBarSpin = Spin("ScaleBarSpin", 0, 1e9, 1, 2);
  MarkSizeSpin = Spin("MarkSizeSpin", 0, 1e9, 0.05, 2);
  ScaleBarUnit = Named(new QLabel, "ScaleBarUnit");
  MarkSizeUnit = Named(new QLabel, "MarkSizeUnit");
  auto* sizes = Group("Object Sizes",
                      {Row("Scale Bar", ScaleBarSpin, ScaleBarUnit), Row("Station Mark", MarkSizeSpin, MarkSizeUnit)});
  ScaleChk = Check("ScaleChk", "Scale Export");
  ScaleSpin = Spin("ScaleSpin", 1e-06, 1000000, 1, 6, "%");
  auto* scaling = Group("Scaling Options", {ScaleChk, Row("Scale Factor", ScaleSpin)});
  auto* exportBtn = Named(new QPushButton("Export DXF"), "DXFExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::DXFExportClick);
  return Page({profile, layers, ticks}, {include, colours, sizes, scaling, exportBtn});
}

QWidget* TExporterForm::KMLTab() {
  OverlayTypeRadio = Radio("OverlayTypeRadio", "Overlay Type", {"Passage Polygons", "Survey Shot Lines"});
  DatumCombo = Named(new QComboBox, "DatumCombo");
  AltitudeModeRadio = Radio("AltitudeModeRadio", "Altitude Mode", {"Clamp To Ground", "Ground Relative"});
  AltitudeSpin = Spin("AltitudeSpin", -1e6, 1e6, 1, 2, "M.");
  HeadingSpin = Spin("HeadingSpin", 0, 360, 1, 1, "Deg.");
  HeadingSpin->setWrapping(true);
  KMLSplayChk = Check("KMLSplayChk", "Show Splay Shots ");
  KMLFixedChk = Check("KMLFixedChk", "Show Fixed Stations");
  LineWidthSpin = Named(new QSpinBox, "LineWidthSpin");
  LineWidthSpin->setRange(1, 100);
  LineWidthSpin->setSuffix(QStringLiteral(" Pixels"));
  KMLLineColorDis = Named(new TColorDisplay(0), "KMLLineColorDis");
  KMLFillColorDis = Named(new TColorDisplay(0), "KMLFillColorDis");
  FillTransBar = Named(new QSlider(Qt::Horizontal), "FillTransBar");
  FillTransBar->setRange(0, 255);

  KMLMarkColorDis = Named(new TColorDisplay(0), "KMLMarkColorDis");
  KMLMarkScaleSpin = Spin("KMLMarkScaleSpin", 0, 4, 0.1, 1);
  MarkSectionsChk = Named(
      Group("Mark Sections",
            {Row(" Color", KMLMarkColorDis, ColorButton("...", KMLMarkColorDis, &TExportOptions::KMLMarkColorDis)),
             Row(" Scale", KMLMarkScaleSpin)}),
      "MarkSectionsChk");
  KMLLabelColorDis = Named(new TColorDisplay(0), "KMLLabelColorDis");
  KMLLabelScaleSpin = Spin("KMLLabelScaleSpin", 0, 4, 0.1, 1);
  LabelSectionsChk = Named(
      Group("Label Sections",
            {Row(" Color", KMLLabelColorDis, ColorButton("...", KMLLabelColorDis, &TExportOptions::KMLLabelColorDis)),
             Row(" Scale", KMLLabelScaleSpin)}),
      "LabelSectionsChk");
  SectionsChk = Named(Group("Separate Sections", {MarkSectionsChk, LabelSectionsChk}), "SectionsChk");
  auto* exportBtn = Named(new QPushButton("Export KML File"), "KMLExportBtn");
  connect(exportBtn, &QPushButton::clicked, this, &TExporterForm::KMLExportClick);
  return Page(
      {OverlayTypeRadio, Row("Datum", DatumCombo), AltitudeModeRadio, Row("Altitude", AltitudeSpin),
       Row("Heading", HeadingSpin), KMLSplayChk, KMLFixedChk, Row("Line Width", LineWidthSpin)},
      {Row("Line Color", KMLLineColorDis, ColorButton("Change", KMLLineColorDis, &TExportOptions::KMLLineColorDis)),
       Row("Fill Color", KMLFillColorDis, ColorButton("Change", KMLFillColorDis, &TExportOptions::KMLFillColorDis)),
       Row("Transparency", FillTransBar), SectionsChk, exportBtn});
}

QWidget* TExporterForm::WallsTab() {
  PassShapeRadio = Radio("PassShapeRadio", "Passage Shape", {"Square", "Diamond", "Octagon"});
  CornerRadio = Radio("CornerRadio", "Rounding Depth", {"None", "One Pass", "Two Pass"});
  CornerAngleSpin = Spin("CornerAngleSpin", 0, 180, 1, 1, "Deg.");
  SubSpin = Spin("SubSpin", 0, 90, 1, 2, "Ft.");
  SubChk = Check("SubChk", "Sub. Miss. LRUDs");
  ExpandWallChk = Check("ExpandWallChk", "Expand Passages");
  VerticalChk = Check("VerticalChk", "Vertical Prisms");
  VerticalAngleSpin = Spin("VerticalAngleSpin", 0, 90, 1, 1, "Deg.");
  MergeChk = Check("MergeChk", "Merge Passages");
  SealChk = Check("SealChk", "Seal Passage Ends");
  auto* options = Group(
      "Passages Options",
      {PassShapeRadio, Group("Corner Rounding", {CornerRadio, Row("Corner Threshold", CornerAngleSpin)}),
       Group("Substitue Dimensions", {Row("Substitue Diameter", SubSpin), SubChk}), ExpandWallChk,
       Group("Vertical Passages", {VerticalChk, Row("Vertical Threshold", VerticalAngleSpin)}), MergeChk, SealChk});
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
