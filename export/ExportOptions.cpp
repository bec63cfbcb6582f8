#include "export/ExportOptions.h"

#include <strings.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/GLMatrix.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"
#include "platform/Settings.h"

namespace lumora {

namespace {

// Palette channels as reals in 0..1.
struct TRgbReal {
  double r, g, b;
};

TRgbReal AciReal(int index) {
  switch (index) {
    case 0:
      return {0, 0, 0};
    case 1:
      return {1, 0, 0};
    case 2:
      return {1, 1, 0};
    case 3:
      return {0, 1, 0};
    case 4:
      return {0, 1, 1};
    case 5:
      return {0, 0, 1};
    case 6:
      return {1, 0, 1};
    case 7:
    case 8:
    case 9:
      return {1, 1, 1};
    default:
      break;
  }
  if (index >= 10 && index <= 249) {
    static constexpr double kValue[5] = {1.0, 0.65, 0.5, 0.3, 0.15};
    const double hue = ((index - 10) / 10) / 4.0;
    const int sector = static_cast<int>(hue);
    const double f = hue - sector;
    const double s = index % 2 == 0 ? 1.0 : 0.5;
    const double v = kValue[(index % 10) / 2];
    const double p = 1 - s, q = 1 - s * f, t = 1 - s * (1 - f);
    TRgbReal c{};
    switch (sector) {
      case 0:
        c = {1, t, p};
        break;
      case 1:
        c = {q, 1, p};
        break;
      case 2:
        c = {p, 1, t};
        break;
      case 3:
        c = {p, q, 1};
        break;
      case 4:
        c = {t, p, 1};
        break;
      default:
        c = {1, p, q};
        break;
    }
    return {c.r * v, c.g * v, c.b * v};
  }
  const double g = (static_cast<double>(index) - 250) * 0.134 + 0.33;
  return {g, g, g};
}

uint32_t ChannelByte(double c) {
  // Indexes outside 0..255 give greys beyond 0..1; a byte must not overflow.
  if (!(c > 0)) return 0;
  if (c >= 1) return 255;
  return static_cast<uint32_t>(c * 255);
}

enum class TKind { Int, Bool, Real, Text, Color, LayerColor };

struct TEntry {
  const char* section;
  const char* key;
  TKind kind;
  int TExportOptions::*i = nullptr;
  bool TExportOptions::*b = nullptr;
  double TExportOptions::*d = nullptr;
  uint32_t TExportOptions::*c = nullptr;
  std::string TExportOptions::*s = nullptr;
  double min = 0, max = 0;
};

TEntry Int(const char* sec, const char* key, int TExportOptions::*m, int min, int max) {
  TEntry e{sec, key, TKind::Int};
  e.i = m;
  e.min = min;
  e.max = max;
  return e;
}
TEntry Bool(const char* sec, const char* key, bool TExportOptions::*m) {
  TEntry e{sec, key, TKind::Bool};
  e.b = m;
  return e;
}
TEntry Real(const char* sec, const char* key, double TExportOptions::*m, double min = -HUGE_VAL,
            double max = HUGE_VAL) {
  TEntry e{sec, key, TKind::Real};
  e.d = m;
  e.min = min;
  e.max = max;
  return e;
}
TEntry Text(const char* sec, const char* key, std::string TExportOptions::*m) {
  TEntry e{sec, key, TKind::Text};
  e.s = m;
  return e;
}
TEntry Color(const char* sec, const char* key, uint32_t TExportOptions::*m) {
  TEntry e{sec, key, TKind::Color};
  e.c = m;
  return e;
}
TEntry Layer(const char* sec, const char* key, int TExportOptions::*m) {
  TEntry e{sec, key, TKind::LayerColor};
  e.i = m;
  return e;
}

using O = TExportOptions;

// Every stored option in the file's write order. The three VRML colours
// live in section "VRLM"; "DoTransparency" holds "Use Texture" and
// "DoTexture" holds "Do Tranparency".
const std::vector<TEntry>& Entries() {
  static const std::vector<TEntry> kEntries = {
      Int("Global", "Units", &O::UnitRadio, 0, 1),
      Int("Shape", "DataTypes", &O::ConvertTypeRadio, 0, 10),
      Int("Shape", "FileType", &O::ShapeTypeRadio, 0, 1),
      Bool("VRML", "3DPassages", &O::DoPassageChk),
      Bool("VRML", "ColorByDepth", &O::PassDepthColorChk),
      Bool("VRML", "VertexColors", &O::VertColorChk),
      Bool("VRML", "SplineSurface", &O::SplineSurfaceChk),
      Color("VRLM", "PassageColor", &O::PassColorDis),
      Real("VRML", "Transparency", &O::TransparencySpin, 0, 100),
      Bool("VRML", "DoTransparency", &O::TextureChk),
      Text("VRML", "TextureFile", &O::TextureEdit),
      Bool("VRML", "DoTexture", &O::TransparencyChk),
      Bool("VRML", "DoShotLine", &O::DoLineChk),
      Bool("VRML", "DoLineDept", &O::LineDepthColorChk),
      Color("VRLM", "LineColor", &O::LineColorDis),
      Color("VRLM", "BackgroundColor", &O::BackColorDis),
      Bool("VRML", "YawRotation", &O::YawRotateChk),
      Bool("DXF", "ProfileMode", &O::ProfileChk),
      Real("DXF", "Rotation", &O::RotSpin, 0, 360),
      Int("DXF", "PassageType", &O::PassageTypeRadio, 0, 1),
      Bool("DXF", "SeparateLayers", &O::LayerSurveysChk),
      Bool("DXF", "AssociatePassages", &O::AssocPassChk),
      Bool("DXF", "AssociateLabels", &O::AssocLabelChk),
      Bool("DXF", "AssociateSeparate", &O::SeparateChk),
      Bool("DXF", "LeftRight", &O::LeftRightCheck),
      Bool("DXF", "UpDown", &O::UpDownCheck),
      Bool("DXF", "AddLine", &O::LineCheck),
      Bool("DXF", "MarkFrom", &O::MarkFromChk),
      Bool("DXF", "MarkTo", &O::MarkToChk),
      Int("DXF", "MarkWith", &O::MarkWithRadio, 0, 2),
      Bool("DXF", "ExpandMark", &O::ExpandMarkChk),
      Bool("DXF", "IncludeShotLine", &O::ShotLineChk),
      Bool("DXF", "IncludeLabels", &O::LabelsChk),
      Bool("DXF", "IncludeStationMark", &O::StationMarkChk),
      Bool("DXF", "IncludeWalls", &O::WallsChk),
      Bool("DXF", "IncludeNorthArrow", &O::NorthArrowChk),
      Bool("DXF", "IncludeScaleBar", &O::ScaleBarChk),
      Bool("DXF", "IncludeDepth", &O::DepthChk),
      Bool("DXF", "ClipLines", &O::ClipLinesChk),
      Layer("DXF", "SurveyColor", &O::SurveyColor),
      Layer("DXF", "LabelColor", &O::LabelColor),
      Layer("DXF", "DepthColor", &O::DepthColor),
      Layer("DXF", "WallColor", &O::WallColor),
      Real("DXF", "ScaleBar", &O::ScaleBarSpin, 0, 1000000),
      Real("DXF", "MarkSize", &O::MarkSizeSpin, 0, 1000000),
      Bool("DXF", "DoScale", &O::ScaleChk),
      Real("DXF", "ScaleFactor", &O::ScaleSpin, 1e-06, 1000000),
      Int("KML", "Datum", &O::DatumCombo, 0, 23),
      Int("KML", "AltitudeMode", &O::AltitudeModeRadio, 0, 1),
      Real("KML", "Altitude", &O::AltitudeSpin),
      Color("KML", "KMLLineColor", &O::KMLLineColorDis),
      Color("KML", "KMLFillColor", &O::KMLFillColorDis),
      Int("KML", "FillTransparency", &O::FillTransBar, 0, 255),
      Bool("KML", "DoSections", &O::SectionsChk),
      Bool("KML", "MarkSections", &O::MarkSectionsChk),
      Bool("KML", "LabelSections", &O::LabelSectionsChk),
      Color("KML", "MarkColor", &O::KMLMarkColorDis),
      Color("KML", "LabelColor", &O::KMLLabelColorDis),
      Real("KML", "MarkScale", &O::KMLMarkScaleSpin, 0, 4),
      Real("KML", "LabelScale", &O::KMLLabelScaleSpin, 0, 4),
      Int("Walls", "PassShape", &O::PassShapeRadio, 0, 2),
      Real("Walls", "SubstituteDiam", &O::SubSpin, 0, 90),
      Bool("Walls", "DoSubstitute", &O::SubChk),
      Bool("Walls", "ExpandWalls", &O::ExpandWallChk),
      Bool("Walls", "MergePass", &O::MergeChk),
      Bool("Walls", "SealEnds", &O::SealChk),
      Int("Walls", "RoundDepth", &O::CornerRadio, 0, 2),
      Real("Walls", "CornerThreshold", &O::CornerAngleSpin, 0, 180),
      Bool("Walls", "VerticalPrisms", &O::VerticalChk),
      Real("Walls", "VerticalThreshold", &O::VerticalAngleSpin, 0, 90),
  };
  return kEntries;
}

// Applies one value text to an entry; false when it does not parse or lies
// outside the control's range.
bool Apply(TExportOptions& o, const TEntry& e, const std::string& text) {
  int n = 0;
  double v = 0;
  switch (e.kind) {
    case TKind::Int:
      if (!ParseInteger(text, n) || n < e.min || n > e.max) return false;
      o.*e.i = n;
      return true;
    case TKind::Bool:
      if (!ParseInteger(text, n)) return false;
      o.*e.b = n != 0;
      return true;
    case TKind::Real:
      if (!ParseDouble(text, v) || !std::isfinite(v) || v < e.min || v > e.max) return false;
      o.*e.d = v;
      return true;
    case TKind::Text:
      o.*e.s = text;
      return true;
    case TKind::Color:
      if (!ParseInteger(text, n) || n < 0 || n > 0xFFFFFF) return false;
      o.*e.c = static_cast<uint32_t>(n);
      return true;
    case TKind::LayerColor:
      if (!ParseInteger(text, n) || n < 0 || n > 0xFFFFFF) return false;
      o.*e.i = rgb_to_aci(static_cast<uint32_t>(n));
      return true;
  }
  return false;
}

}  // namespace

uint32_t aci_to_rgb(int index) {
  const TRgbReal c = AciReal(index);
  return ChannelByte(c.r) | ChannelByte(c.g) << 8 | ChannelByte(c.b) << 16;
}

int rgb_to_aci(uint32_t rgb) {
  const TColorBytes own = UnpackColor(rgb);
  const double r = own.R / 255.0, g = own.G / 255.0, b = own.B / 255.0;
  const bool grey = r == g && g == b;
  int answer = grey ? 250 : 1;
  double best = 1000;
  for (int i = grey ? 1 : 0; i <= 255; ++i) {
    // The swatch colour of the index, so that a colour taken from a swatch
    // finds its own index again.
    const TColorBytes p = UnpackColor(aci_to_rgb(i));
    const double dr = p.R / 255.0 - r, dg = p.G / 255.0 - g, db = p.B / 255.0 - b;
    const double d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      answer = i;
      if (d == 0) break;
    }
  }
  return answer == 255 ? 7 : answer;
}

double unit_factor(const TExportOptions& options) { return options.UnitRadio == 0 ? 1.0 : MetresPerFoot(); }

std::string unit_label(const TExportOptions& options) { return options.UnitRadio == 0 ? "Ft." : "M."; }

std::filesystem::path ExportSettingsPath() { return BareSettingsPath("CaveExport.ini"); }

void SaveExportSettings(const TExportOptions& o, TIniFile& ini) {
  for (const TEntry& e : Entries()) {
    switch (e.kind) {
      case TKind::Int:
        ini.WriteInteger(e.section, e.key, o.*e.i);
        break;
      case TKind::Bool:
        ini.WriteBool(e.section, e.key, o.*e.b);
        break;
      case TKind::Real:
        ini.WriteFloat(e.section, e.key, o.*e.d);
        break;
      case TKind::Text:
        ini.WriteString(e.section, e.key, o.*e.s);
        break;
      case TKind::Color:
        ini.WriteInteger(e.section, e.key, static_cast<int>(o.*e.c));
        break;
      case TKind::LayerColor:
        ini.WriteInteger(e.section, e.key, static_cast<int>(aci_to_rgb(o.*e.i)));
        break;
    }
  }
}

namespace {

std::string Refusal(const TEntry& e) {
  switch (e.kind) {
    case TKind::Int:
      return "takes an integer from " + std::to_string(static_cast<int>(e.min)) + " to " +
             std::to_string(static_cast<int>(e.max));
    case TKind::Bool:
      return "takes 1 or 0";
    case TKind::Real:
      if (std::isfinite(e.min)) return "takes a number from " + FormatGeneral(e.min) + " to " + FormatGeneral(e.max);
      return "takes a number";
    case TKind::Color:
    case TKind::LayerColor:
      return "takes a colour as an integer 0x00BBGGRR from 0 to 16777215";
    case TKind::Text:
      break;
  }
  return "has a value that cannot be used";
}

}  // namespace

std::string RestoreExportSettings(TExportOptions& o, const TIniFile& ini) {
  std::string refused;
  for (const TEntry& e : Entries()) {
    if (!ini.ValueExists(e.section, e.key)) continue;
    const std::string text = ini.ReadString(e.section, e.key, "");
    if (Apply(o, e, text)) continue;
    refused +=
        std::string(refused.empty() ? "" : "; ") + e.section + "/" + e.key + "=" + text + " (" + Refusal(e) + ")";
  }
  if (refused.empty()) return {};
  return "Settings file \"" + ini.Path().string() + "\": ignored " + refused;
}

std::string SetExportOption(TExportOptions& o, const std::string& section, const std::string& key,
                            const std::string& value) {
  for (const TEntry& e : Entries()) {
    if (strcasecmp(e.section, section.c_str()) != 0 || strcasecmp(e.key, key.c_str()) != 0) continue;
    return Apply(o, e, value) ? std::string() : Refusal(e);
  }
  return "is not a stored option";
}

}  // namespace lumora
