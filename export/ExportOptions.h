#pragma once
// The exporter's option set: every control of its five tabs and bottom
// panel, with the window's defaults, the four DXF layer colour indexes, and
// their settings file "CaveExport.ini". Field names are the control names,
// so the window binds each control to one field.

#include <cstdint>
#include <filesystem>
#include <string>

namespace lumora {

class TIniFile;

// Colours are 0x00BBGGRR.
constexpr uint32_t kColorRed = 255;
constexpr uint32_t kColorAqua = 16776960;
constexpr uint32_t kColorGray = 8421504;
constexpr uint32_t kColorBlue = 16711680;
constexpr uint32_t kColorWhite = 16777215;

struct TExportOptions {
  // Bottom panel.
  int UnitRadio = 0;  // 0 "Feet", 1 "Meters"
  int DateRadio = 0;  // 0 "Survey", 1 "Discovery"
  bool ShowHiddenChk = false;

  // "Shapefile Export".
  int ConvertTypeRadio = 0;  // 0..10
  int ShapeTypeRadio = 0;    // 0 3D, 1 2D
  bool ZipShapeChk = true;

  // "VRML Export".
  bool DoPassageChk = true;
  bool PassDepthColorChk = false;
  bool VertColorChk = false;
  bool SplineSurfaceChk = false;
  uint32_t PassColorDis = kColorRed;
  double TransparencySpin = 50;  // percent
  bool TransparencyChk = false;
  std::string TextureEdit = "texture2.png";
  bool TextureChk = false;
  bool DoLineChk = false;
  bool LineDepthColorChk = false;
  uint32_t LineColorDis = kColorAqua;
  bool YawRotateChk = false;
  uint32_t BackColorDis = kColorGray;
  // glTF, with the passage and line options above; not stored.
  bool GLTFSplayChk = false;

  // "DXF Export".
  bool ProfileChk = false;
  double RotSpin = 0;        // degrees
  int PassageTypeRadio = 0;  // 0 "3D Polygons", 1 "Tick Marks"
  bool LayerSurveysChk = true;
  bool AssocPassChk = false;
  bool AssocLabelChk = false;
  bool SeparateChk = false;
  bool LeftRightCheck = true;
  bool UpDownCheck = true;
  bool LineCheck = false;
  bool MarkFromChk = true;
  bool MarkToChk = false;
  int MarkWithRadio = 0;  // 0 letters, 1 period, 2 star
  bool ExpandMarkChk = true;
  bool ShotLineChk = true;
  bool LabelsChk = true;
  bool StationMarkChk = true;
  bool WallsChk = true;
  bool NorthArrowChk = true;
  bool ScaleBarChk = true;
  bool DepthChk = true;
  bool ClipLinesChk = false;
  // Colour indexes of the four layer colours (0..255).
  int SurveyColor = 3;
  int LabelColor = 2;
  int DepthColor = 5;
  int WallColor = 1;
  double ScaleBarSpin = 100;  // in the export units
  double MarkSizeSpin = 25;   // in the export units
  bool ScaleChk = false;
  double ScaleSpin = 100;  // percent

  // "KML".
  int OverlayTypeRadio = 0;
  int DatumCombo = 21;  // "WGS 1972"
  int AltitudeModeRadio = 0;
  double AltitudeSpin = 0.1;
  double HeadingSpin = 355.9;
  bool KMLSplayChk = false;
  bool KMLFixedChk = false;
  int LineWidthSpin = 4;
  uint32_t KMLLineColorDis = kColorBlue;
  uint32_t KMLFillColorDis = kColorRed;
  int FillTransBar = 0;
  bool SectionsChk = true;
  bool MarkSectionsChk = true;
  uint32_t KMLMarkColorDis = kColorWhite;
  double KMLMarkScaleSpin = 1;
  bool LabelSectionsChk = true;
  uint32_t KMLLabelColorDis = kColorWhite;
  double KMLLabelScaleSpin = 1;

  // "Wall Settings".
  int PassShapeRadio = 2;  // 0 square, 1 diamond, 2 octagon
  int CornerRadio = 1;     // rounding passes
  double CornerAngleSpin = 20;
  double SubSpin = 2;  // feet
  bool SubChk = true;
  bool ExpandWallChk = true;
  bool VerticalChk = true;
  double VerticalAngleSpin = 50;
  bool MergeChk = true;
  bool SealChk = true;

  bool operator==(const TExportOptions&) const = default;
};

// The DXF colour-index palette.
uint32_t aci_to_rgb(int index);
int rgb_to_aci(uint32_t rgb);

// 1 for feet, else metres per foot; and "Ft." or "M.".
double unit_factor(const TExportOptions& options);
std::string unit_label(const TExportOptions& options);

// "CaveExport.ini" in the folder of bare-named settings files.
std::filesystem::path ExportSettingsPath();

// Writes every stored option in the file's order.
void SaveExportSettings(const TExportOptions& options, TIniFile& ini);
// Reads every stored option; a missing key, or a value that does not parse
// or lies outside the control's range, keeps the current value. Returns one
// warning naming every key whose value was refused, or an empty string.
std::string RestoreExportSettings(TExportOptions& options, const TIniFile& ini);

// Sets one stored option from its settings-file text (section and key as in
// the file, matched without regard to case). Returns an empty string, or the
// reason the value was refused.
std::string SetExportOption(TExportOptions& options, const std::string& section, const std::string& key,
                            const std::string& value);

}  // namespace lumora
