#include "rose/GLRose.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/Vector.h"

namespace lumora {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;

constexpr uint32_t kRainbow[kRainbowCount] = {
    0x000000, 0x0000FF, 0x003FFF, 0x007FFF, 0x00BFFF, 0x00FFFF, 0x00FFBF, 0x00FF7F, 0x00FF3F,
    0x00FF00, 0x3FFF00, 0x7FFF00, 0xBFFF00, 0xFFFF00, 0xFFBF00, 0xFF7F00, 0xFF3F00, 0xFF0000,
    0xFF003F, 0xFF007F, 0xFF00BF, 0xFF00FF, 0xBF00FF, 0x7F00FF, 0x0000FF,
};

// The rose fills a cylinder of radius 4 from -2 to +2.
constexpr double kRoseRadius = 4, kRoseBottom = -2;
constexpr double kPlateThickness = 0.1;
constexpr uint32_t kPlateColor = 0xFFFFFF;

// A truncated quotient as a grid index, or -1 when it is not one of
// 0..last (not a number, infinite, negative, too large).
int TruncIndex(double q, int last) {
  if (!std::isfinite(q)) return -1;
  const double t = std::trunc(q);
  return t >= 0 && t <= last ? static_cast<int>(t) : -1;
}

// Percentages are reported only when they change: a long walk of records
// reports at most 101 times.
class TPercent {
 public:
  explicit TPercent(const TRoseProgress& progress) : progress_(progress) {}
  void operator()(double percent) {
    const int p = static_cast<int>(std::nearbyint(percent));
    if (!progress_ || p == last_) return;
    last_ = p;
    progress_(p);
  }

 private:
  const TRoseProgress& progress_;
  int last_ = -1;
};

}  // namespace

uint32_t RainbowColor(int index) { return index >= 0 && index < kRainbowCount ? kRainbow[index] : 0; }

uint32_t LayerColor(int layer, int layers, bool rainbow) {
  if (!rainbow) return 0x0000FF;
  return RainbowColor(static_cast<int>(std::nearbyint(24.0 - layer * 23.0 / layers)));
}

void TRoseGrid::Clear() {
  std::fill(cells.begin(), cells.end(), 0);
  maximum = 0;
  counted = 0;
}

bool CountShot(TRoseGrid& grid, const T3DVector& a, const T3DVector& b, const TRoseOptions& o) {
  const TBearing s = BearingAndInclination(a, b);
  double bearing = s.bearing;
  const double length = s.length;
  const double horizontal = std::cos(s.inclination * kRadPerDeg) * length;
  if (o.RoseType == TRoseType::Rose180) {
    if (bearing >= 180) bearing -= 180;
  } else if (o.RoseType == TRoseType::WaterFlow && s.inclination > 0) {
    // A rising shot counts in the direction water runs down it.
    bearing = bearing > 180 ? bearing - 180 : bearing + 180;
  }
  const int column = TruncIndex(bearing / (360.0 / grid.petals), grid.petals);
  // A plot without height has one level: every shot is in the bottom row.
  const int row = grid.height == 0 ? 0 : TruncIndex((b.z - grid.bottom) / (grid.height / grid.layers), grid.layers);
  if (column < 0 || row < 0) return false;
  if (!(length >= o.MinLength)) return false;
  const double weight = o.GraphBy == TGraphBy::Frequency ? 1.0 : o.SlopeLength ? length : horizontal;
  int32_t& cell = grid.Cell(row, column);
  const double sum = static_cast<double>(cell) + std::nearbyint(weight);
  cell = static_cast<int32_t>(std::clamp(sum, 0.0, 2147483647.0));
  grid.maximum = std::max(grid.maximum, static_cast<double>(cell));
  ++grid.counted;
  return true;
}

void BinShots(TRoseGrid& grid, const TPlotModel& model, int layers, int petals, const TRoseOptions& options,
              const TRoseProgress& progress) {
  grid.Clear();
  grid.layers = std::clamp(layers, kMinRoseLayers, kMaxRoseLayers);
  grid.petals = std::clamp(petals, kMinRosePetals, kMaxRosePetals);
  grid.top = model.PlotInfo.Max.z;
  grid.bottom = model.PlotInfo.Min.z;
  grid.height = grid.top - grid.bottom;
  TPercent percent(progress);
  const int n = model.Plots.Count();
  for (int i = 0; i < n; ++i) {
    const TPlotVector& r = model.Plots[i];
    if (i > 0 && r.Code == 'D' && !r.IsSplay()) CountShot(grid, model.Plots[i - 1].Position, r.Position, options);
    percent(50.0 * (i + 1) / n);
  }
}

void AddWedge(TGLCustomMesh& mesh, double r, double a0, double a1, double z, double t, uint32_t colour) {
  // x east, y up, z towards the viewer: bearing 0 points to -z.
  auto p = [r](double a, double y) {
    return T3DVector{r * std::sin(a * kRadPerDeg), y, -r * std::cos(a * kRadPerDeg)};
  };
  auto c = [](double y) { return T3DVector{0, y, 0}; };
  const double top = z + t;
  mesh.AddTriangle3(c(top), p(a1, top), p(a0, top), colour);
  mesh.AddTriangle3(c(z), p(a0, z), p(a1, z), colour);
  mesh.AddQuad(c(top), p(a0, top), p(a0, z), c(z), colour);
  mesh.AddQuad(p(a1, top), c(top), c(z), p(a1, z), colour);
  mesh.AddQuad(p(a0, top), p(a1, top), p(a1, z), p(a0, z), colour);
}

double RoseFitPosition(int width, int height, double eyeZ) {
  // 1000 pixels per unit at distance 1; the rose's nearest 8-unit extent
  // (its front rim in the side view) is 4 in front of the frame.
  const int side = std::max(1, std::min(width, height));
  return eyeZ - (kRoseRadius + 2 * kRoseRadius * 1000.0 / (0.9 * side));
}

bool TGLRose::BuildRose(const TRoseObjects& o, const TPlotModel& model, const TWorkingUnits& units, int layers,
                        int petals, bool showBase) {
  TPercent percent(OnProgress);
  percent(0);
  if (Created) {
    o.Rose->ClearGeometry();
    o.Base->ClearGeometry();
    o.Grid->ClearGeometry();
  } else {
    o.Rose->Clear();
    o.Base->Clear();
    o.Grid->Clear();
    o.Frame->ResetOrientation();
  }
  BinShots(Grid, model, layers, petals, Options, OnProgress);
  layers = Grid.layers;
  petals = Grid.petals;

  // No counted shot: the radius scale 4 / 0 has no value, so no petals.
  if (!Empty()) {
    const double t = kRoseRadius / layers, w = 360.0 / petals, s = kRoseRadius / Grid.maximum;
    for (int i = 0; i < layers; ++i) {
      const uint32_t colour = LayerColor(i, layers, Options.Rainbow);
      const double z = i * t + kRoseBottom;
      for (int j = 0; j < petals; ++j) AddWedge(*o.Rose, Grid.Cell(i, j) * s, j * w, j * w + w, z, t, colour);
      percent(50 + 50.0 * i / layers);
    }
  }
  if (showBase) BuildRoseBase(*o.Base, kRoseBottom, kPlateThickness, kPlateColor, DialBitmap(Grid, Options, units));
  BuildRoseRulers(*o.Grid, Grid, Options, units, kRoseBottom);
  percent(100);

  o.Rose->ComputeNormalsEx(false, 89);
  o.Base->ComputeNormalsEx(true, 89);
  for (TGLMesh* m : {o.Rose, o.Base}) {
    m->Emission = TGLColor{0, 0, 0, 0};
    m->Specular = TGLColor{0.5f, 0.5f, 0.5f, 1.0f};
    m->Shininess = 10.0f;
  }
  o.Rose->Visible = true;
  Created = true;
  o.Frame->Changed();
  return true;
}

namespace {

void ResetRoseObject(TGLRenderer& r) {
  r.ResetAll();
  r.SetScaleFactor(1);
  r.Emission = TGLColor{0, 0, 0, 0};
  r.Specular = TGLColor{0.5f, 0.5f, 0.5f, 1.0f};
  r.Shininess = 10.0f;
}

}  // namespace

void TGLRose::FaceUp(const TRoseObjects& o) {
  for (TGLRenderer* r :
       {static_cast<TGLRenderer*>(o.Rose), static_cast<TGLRenderer*>(o.Base), static_cast<TGLRenderer*>(o.Grid)}) {
    ResetRoseObject(*r);
    r->SetFirstAngle(90);
  }
  o.Frame->Changed();
}

void TGLRose::SideView(const TRoseObjects& o) {
  for (TGLRenderer* r :
       {static_cast<TGLRenderer*>(o.Rose), static_cast<TGLRenderer*>(o.Base), static_cast<TGLRenderer*>(o.Grid)})
    ResetRoseObject(*r);
  o.Frame->Changed();
}

}  // namespace lumora
