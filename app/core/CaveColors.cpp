#include "app/core/CaveColors.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/NumberText.h"

namespace lumora {
namespace {

constexpr int kMaxSurveyKey = 12;

uint32_t HsvColor(double hue, double saturation, double value) {
  const double h = std::fmod(hue, 1.0) * 6;
  const int i = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
  double r = 0, g = 0, b = 0;
  switch (i) {
    case 0:
      r = value, g = t, b = p;
      break;
    case 1:
      r = q, g = value, b = p;
      break;
    case 2:
      r = p, g = value, b = t;
      break;
    case 3:
      r = p, g = q, b = value;
      break;
    case 4:
      r = t, g = p, b = value;
      break;
    default:
      r = value, g = p, b = q;
      break;
  }
  auto byte = [](double c) { return static_cast<uint32_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255)); };
  return byte(r) | byte(g) << 8 | byte(b) << 16;
}

struct TDateRange {
  double Oldest = std::numeric_limits<double>::infinity(), Newest = -std::numeric_limits<double>::infinity();
  bool Any() const { return Oldest <= Newest; }
};

TDateRange DateRange(const TPlotModel& model) {
  TDateRange r;
  for (int i = 0; i < model.Surveys.Count(); ++i) {
    const PackedDate d = model.Surveys[i].SurveyDate;
    if (!IsDated(d)) continue;
    r.Oldest = std::min(r.Oldest, DateValue(d));
    r.Newest = std::max(r.Newest, DateValue(d));
  }
  return r;
}

// Oldest red to newest violet, along the depth colours.
uint32_t DateColor(double value, const TDateRange& range) {
  const double span = range.Newest - range.Oldest;
  const double t = span > 0 ? (value - range.Oldest) / span : 0;
  return DepthColor(1 + static_cast<int>(std::clamp(std::trunc(t * 23), 0.0, 22.0)));
}

// The colour of each survey under a colouring by date or by survey.
std::vector<uint32_t> SurveyColors(const TPlotModel& model, TWallColoring mode) {
  std::vector<uint32_t> colours(static_cast<size_t>(model.Surveys.Count()));
  const TDateRange range = DateRange(model);
  for (int i = 0; i < model.Surveys.Count(); ++i) {
    const TSurveyID& s = model.Surveys[i];
    if (mode == TWallColoring::Survey)
      colours[i] = SurveyColor(std::string(s.Name.View()));
    else
      colours[i] = IsDated(s.SurveyDate) ? DateColor(DateValue(s.SurveyDate), range) : kUndatedColor;
  }
  return colours;
}

uint32_t ColorOf(const std::vector<uint32_t>& colours, int32_t survey) {
  return survey >= 0 && static_cast<size_t>(survey) < colours.size() ? colours[survey] : kUndatedColor;
}

}  // namespace

bool IsDated(PackedDate date) { return date != 0 && date != kNoDate && DateYear(date) > 1; }

double DateValue(PackedDate date) {
  const int month = std::clamp(DateMonth(date), 1, 12), day = std::clamp(DateDay(date), 1, 31);
  return DateYear(date) + (month - 1) / 12.0 + (day - 1) / 372.0;
}

uint32_t SurveyColor(const std::string& name) {
  uint32_t h = 2166136261u;
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  // Mixed, so that names a letter apart land far apart.
  h ^= h >> 16;
  h *= 0x85ebca6bu;
  h ^= h >> 13;
  h *= 0xc2b2ae35u;
  h ^= h >> 16;
  // Hue from the hash, saturation and value in a few steps, so that
  // neighbouring surveys seldom look alike.
  const double hue = (h & 0xFFFF) / 65536.0;
  const double saturation = 0.55 + 0.15 * ((h >> 16) % 3);
  const double value = 0.8 + 0.1 * ((h >> 18) % 3);
  return HsvColor(hue, saturation, value);
}

TWallPalette::TWallPalette(const TPlotModel& model, TWallColoring mode, uint32_t plainColor, double top, double bottom)
    : mode_(mode), plain_(plainColor), top_(top), bottom_(bottom) {
  if (mode == TWallColoring::Date || mode == TWallColoring::Survey) surveys_ = SurveyColors(model, mode);
}

uint32_t TWallPalette::operator()(int32_t survey, double height) const {
  switch (mode_) {
    case TWallColoring::Plain:
      return plain_;
    case TWallColoring::Depth:
      return DepthColor(DepthIndex(height, top_, bottom_));
    case TWallColoring::Date:
    case TWallColoring::Survey:
      break;
  }
  return ColorOf(surveys_, survey);
}

void PaintWallMesh(TGLFastMesh& mesh, const TSurveyRuns& surveys, const TWallPalette& palette) {
  if (palette.Mode() == TWallColoring::Plain) {
    SetWallColor(mesh, palette(-1, 0));
    return;
  }
  const int faces = mesh.ColorCount();
  // Face by face in order: a corner shared by two surveys takes the later's.
  auto paint = [&](int first, int end, int32_t survey) {
    for (int i = first; i < std::min(end, faces); ++i) {
      const TTriangle3 t = mesh.GetTriangle(i);
      mesh.SetTriangleColors3(i, palette(survey, t.p[0].y), palette(survey, t.p[1].y), palette(survey, t.p[2].y));
    }
  };
  surveys.ForEachRun(paint);
  paint(surveys.Count(), faces, -1);
  mesh.Changed();
}

void PaintCentreline(TGLLines& centre, const std::vector<int32_t>& surveys, const TWallPalette& palette) {
  if (palette.Mode() == TWallColoring::Plain) {
    centre.SetColor(palette(-1, 0));
  } else {
    for (int i = 0; i < centre.SegmentCount(); ++i) {
      T3DVector a, b;
      centre.Segments.GetSegment(i, a, b);
      const int32_t survey = static_cast<size_t>(i) < surveys.size() ? surveys[i] : -1;
      centre.SegmentColors[i] = palette(survey, (a.y + b.y) / 2);
    }
  }
  centre.Changed();
}

void ColorWalls(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor) {
  const TWallPalette palette(model, mode, wallColor, scene.PassageMesh->GetMax().y, scene.PassageMesh->GetMin().y);
  PaintWallMesh(*scene.PassageMesh, *scene.TriangleSurveys, palette);
  PaintCentreline(*scene.Centreline, *scene.CentrelineSurveys, palette);
}

std::vector<TColorKeyEntry> ColorKey(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                                     TWallColoring mode, const TWorkingUnits& units) {
  const TGLFastMesh& mesh = *scene.PassageMesh;
  if (mode == TWallColoring::Depth && mesh.ColorCount() == 0) return {};
  // Scene heights back to the plot's feet.
  const double k = options.ConvertToMetres ? MetresPerFoot() : 1.0;
  const double centre = options.CenterModel ? model.PlotInfo.Center.z : 0;
  const double top = mode == TWallColoring::Depth ? mesh.GetMax().y / k + centre : 0;
  const double bottom = mode == TWallColoring::Depth ? mesh.GetMin().y / k + centre : 0;
  return ColorKey(model, mode, units, top, bottom);
}

std::vector<TColorKeyEntry> ColorKey(const TPlotModel& model, TWallColoring mode, const TWorkingUnits& units,
                                     double top, double bottom) {
  std::vector<TColorKeyEntry> key;
  if (mode == TWallColoring::Depth) {
    const double bin = (bottom - top) / 22;
    for (int i = 0; i < 23; ++i) {
      const double elevation = (top + bin * (i + 0.5)) * units.LengthFactor;
      // Every other band is labelled; the rest only show their colour.
      key.push_back({DepthColor(i + 1), i % 2 == 0 ? FixedText(elevation, 0) + " " + units.ShortUnitName : ""});
    }
  } else if (mode == TWallColoring::Date) {
    const TDateRange range = DateRange(model);
    if (range.Any()) {
      const int bands = 23;
      for (int i = 0; i < bands; ++i) {
        const double v = range.Oldest + (range.Newest - range.Oldest) * (i + 0.5) / bands;
        key.push_back({DateColor(v, range), i % 4 == 0 || i == bands - 1 ? FixedText(std::floor(v), 0) : ""});
      }
    }
    key.push_back({kUndatedColor, "undated"});
  } else if (mode == TWallColoring::Survey) {
    int shown = 0;
    for (int i = 0; i < model.Surveys.Count(); ++i) {
      const TSurveyID& s = model.Surveys[i];
      if (s.Kind != skSurvey) continue;
      if (shown++ == kMaxSurveyKey) {
        key.push_back({0, "..."});
        break;
      }
      key.push_back({SurveyColor(std::string(s.Name.View())), std::string(s.Name.View())});
    }
  }
  return key;
}

}  // namespace lumora
