#include "app/core/CaveColors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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

// The span a colouring by leg spreads its colours over.
struct TLegRange {
  double Low = 0, High = 0;
  bool Any = false;
};

TLegRange LegRange(const std::vector<double>& values, TWallColoring mode) {
  TLegRange r;
  if (mode == TWallColoring::Gradient) return {0, 90, !values.empty()};
  for (double v : values)
    if (v >= 0) {
      r.High = std::max(r.High, v);
      r.Any = true;
    }
  return r;
}

// Low red to high violet, along the depth colours; grey for none.
uint32_t LegColor(double value, const TLegRange& range) {
  if (value < 0) return kUndatedColor;
  return DateColor(value, TDateRange{range.Low, range.High});
}

bool IsLeg(const TPlotVector& r) { return r.Code == 'D' || r.Code == 'd'; }

}  // namespace

std::vector<double> LegValues(const TPlotModel& model, TWallColoring mode) {
  int legs = 0;
  for (int i = 0; i < model.Plots.Count(); ++i)
    if (IsLeg(model.Plots[i])) legs = std::max(legs, model.Plots[i].ShotIndex + 1);
  std::vector<double> values(static_cast<size_t>(legs), -1);
  if (mode == TWallColoring::Error) {
    // Each traverse's error goes to the legs just before it in the file.
    for (const TTraverseError& t : model.TraverseErrors) {
      int left = t.Legs;
      for (int i = std::min(t.EndPlot, model.Plots.Count()) - 1; i >= 0 && left > 0; --i) {
        const TPlotVector& r = model.Plots[i];
        if (!IsLeg(r) || r.IsSplay()) continue;
        if (r.ShotIndex >= 0 && r.ShotIndex < legs) values[r.ShotIndex] = t.E;
        --left;
      }
    }
    return values;
  }
  T3DVector previous{};
  bool havePrevious = false;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (IsLeg(r) && havePrevious && r.ShotIndex >= 0 && r.ShotIndex < legs) {
      const T3DVector d = Subtract(r.Position, previous);
      const double horizontal = std::hypot(d.x, d.y);
      values[r.ShotIndex] =
          mode == TWallColoring::Length ? Length(d) : std::atan2(std::abs(d.z), horizontal) * 180 / 3.14159265358979;
    }
    if (r.Code == 'M' || IsLeg(r)) {
      previous = r.Position;
      havePrevious = true;
    }
  }
  return values;
}

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

TWallPalette::TWallPalette(const TPlotModel& model, TWallColoring mode, uint32_t plainColor, double top, double bottom,
                           std::vector<uint8_t> bright)
    : mode_(mode), plain_(plainColor), top_(top), bottom_(bottom), bright_(std::move(bright)) {
  if (mode == TWallColoring::Date || mode == TWallColoring::Survey) surveys_ = SurveyColors(model, mode);
  if (ByLeg(mode)) {
    const std::vector<double> values = LegValues(model, mode);
    const TLegRange range = LegRange(values, mode);
    legs_.reserve(values.size());
    for (double v : values) legs_.push_back(LegColor(v, range));
  }
}

uint32_t TWallPalette::Base(int32_t survey, double height, int32_t shot) const {
  switch (mode_) {
    case TWallColoring::Plain:
      return plain_;
    case TWallColoring::Depth:
      return DepthColor(DepthIndex(height, top_, bottom_));
    case TWallColoring::Date:
    case TWallColoring::Survey:
      return ColorOf(surveys_, survey);
    case TWallColoring::Gradient:
    case TWallColoring::Length:
    case TWallColoring::Error:
      break;
  }
  return ColorOf(legs_, shot);
}

uint32_t TWallPalette::operator()(int32_t survey, double height, int32_t shot) const {
  const uint32_t c = Base(survey, height, shot);
  return Dimmed(bright_, survey) ? DimColor(c) : c;
}

void PaintWallMesh(TGLFastMesh& mesh, const TSurveyRuns& surveys, const TSurveyRuns& shots,
                   const TWallPalette& palette) {
  const int faces = mesh.ColorCount();
  // Face by face in order: a corner shared by two surveys takes the later's.
  TSurveyRuns::TCursor survey(surveys), shot(shots);
  for (int i = 0; i < faces; ++i) {
    const TTriangle3 t = mesh.GetTriangle(i);
    const int32_t s = survey(i), leg = shot(i);
    mesh.SetTriangleColors3(i, palette(s, t.p[0].y, leg), palette(s, t.p[1].y, leg), palette(s, t.p[2].y, leg));
  }
  mesh.Changed();
}

void PaintCentreline(TGLLines& centre, const std::vector<int32_t>& surveys, const std::vector<int32_t>& shots,
                     const TWallPalette& palette) {
  for (int i = 0; i < centre.SegmentCount(); ++i) {
    T3DVector a, b;
    centre.Segments.GetSegment(i, a, b);
    const int32_t survey = static_cast<size_t>(i) < surveys.size() ? surveys[i] : -1;
    const int32_t shot = static_cast<size_t>(i) < shots.size() ? shots[i] : -1;
    centre.SegmentColors[i] = palette(survey, (a.y + b.y) / 2, shot);
  }
  centre.Changed();
}

void ColorWalls(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor,
                const std::vector<uint8_t>& bright) {
  const TWallPalette palette(model, mode, wallColor, scene.PassageMesh->GetMax().y, scene.PassageMesh->GetMin().y,
                             bright);
  if (mode == TWallColoring::Plain && bright.empty()) {
    SetWallColor(*scene.PassageMesh, wallColor);
    scene.Centreline->SetColor(wallColor);
    scene.Centreline->Changed();
    return;
  }
  PaintWallMesh(*scene.PassageMesh, *scene.TriangleSurveys, *scene.TriangleShots, palette);
  PaintCentreline(*scene.Centreline, *scene.CentrelineSurveys, *scene.CentrelineShots, palette);
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
  } else if (ByLeg(mode)) {
    if (mode == TWallColoring::Error && model.TraverseErrors.empty())
      return {{kUndatedColor, "no loop errors in this file"}};
    const TLegRange range = LegRange(LegValues(model, mode), mode);
    if (range.Any) {
      const int bands = 23;
      for (int i = 0; i < bands; ++i) {
        const double v = range.Low + (range.High - range.Low) * (i + 0.5) / bands;
        std::string text;
        if (i % 4 == 0 || i == bands - 1) {
          if (mode == TWallColoring::Gradient)
            text = FixedText(v, 0) + " deg";
          else if (mode == TWallColoring::Length)
            text = FixedText(v * units.LengthFactor, 1) + " " + units.ShortUnitName;
          else
            text = FixedText(v, 2);
        }
        key.push_back({LegColor(v, range), text});
      }
    }
    if (mode == TWallColoring::Error) key.push_back({kUndatedColor, "not in a loop"});
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
