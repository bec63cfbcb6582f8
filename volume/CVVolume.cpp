#include "volume/CVVolume.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <numbers>
#include <string>
#include <thread>

namespace lumora {

TVolumeModel::TVolumeModel(const TPlotModel& model, const TPassageOptions& options, const TPassageState& passages)
    : model_(model), options_(options), passages_(passages) {
  for (int k = 0; k < kMaxLevels; ++k) Levels[k].Triangulator.Name = "Triangulator-" + std::to_string(k);
}

int TVolumeModel::Count() const { return std::clamp(LevelCount, 1, kMaxLevels); }

std::optional<double> TVolumeModel::Ratio(double cave, double rock) {
  const double r = cave / rock * 100;
  if (rock == 0 || !std::isfinite(r)) return std::nullopt;
  return r;
}

TPlotVector SplitRecord(const TPlotVector& p, const TPlotVector& c, double e) {
  TPlotVector r;
  r.Code = 'D';
  // Split points are never shown, so they keep P's name rather than one
  // of their own ("...Split"): the model holds the names.
  r.NameId = p.NameId;
  r.Position = p.Position;
  if (c.Position.z != p.Position.z) {
    const double t = (e - p.Position.z) / (c.Position.z - p.Position.z);
    r.Position = Add(p.Position, Scale(Subtract(c.Position, p.Position), t));
    r.Position.z = e;
  }
  auto mean = [](float a, float b) { return a >= 0 && b >= 0 ? (a + b) / 2 : a; };
  r.Up = mean(p.Up, c.Up);
  r.Down = mean(p.Down, c.Down);
  r.Right = mean(p.Right, c.Right);
  r.Left = mean(p.Left, c.Left);
  r.IValue = (p.IValue + c.IValue) / 2;
  r.ShotIndex = p.ShotIndex;
  return r;
}

void TVolumeModel::MakeSubdividedList() {
  const TPlotArray& plots = model_.Plots;
  const int n = Count();
  subdivided_.clear();
  subdivided_.reserve(static_cast<size_t>(plots.Count()) + plots.Count() / 4);
  const TPlotVector* p = nullptr;
  for (int i = 0; i < plots.Count(); ++i) {
    const TPlotVector& r = plots[i];
    subdivided_.push_back(r);
    // A list that does not begin with a line start: its first record
    // starts the first shot.
    if (r.Code == 'M' || !p) {
      p = &r;
      continue;
    }
    const double za = p->Position.z, zb = r.Position.z;
    bool found = false;
    const double d = std::hypot(r.Position.x - p->Position.x, r.Position.y - p->Position.y);
    if (extentValid_) {
      for (int k = 0; k < n; ++k) {
        for (const double e : {Levels[k].Top, Levels[k].Bottom}) {
          if ((za <= e && e < zb) || (zb <= e && e < za)) {
            subdivided_.push_back(SplitRecord(*p, r, e));
            found = true;
          }
        }
      }
    }
    if (!found && SubdivideLength < d) {
      TPlotVector mid = SplitRecord(*p, r, (za + zb) / 2);
      // A level shot is split at its middle, not at its first station.
      if (za == zb) mid.Position = Scale(Add(p->Position, r.Position), 0.5);
      subdivided_.push_back(mid);
    }
    p = &r;
  }
}

void TVolumeModel::AddPoint(int k, double x, double y) {
  // A position that is not a number has no place in the plan.
  if (std::isfinite(x) && std::isfinite(y)) Levels[k].Triangulator.AddPoint(x, y);
}

void TVolumeModel::WallPoints(int k, const TPlotVector& p, const TPlotVector& c, const TPlotVector& s, bool always) {
  if (!always && !InLayer(k, s.Position.z)) return;
  const double a = ArcTan2(c.Position.x - p.Position.x, c.Position.y - p.Position.y - 1e-6);
  const double rx = std::sin(a + std::numbers::pi / 2), ry = std::cos(a + std::numbers::pi / 2);
  AddPoint(k, s.Position.x - s.Left * rx, s.Position.y - s.Left * ry);
  AddPoint(k, s.Position.x + s.Right * rx, s.Position.y + s.Right * ry);
}

void TVolumeModel::UpDownPoints(int k, const TPlotVector& p, const TPlotVector& c, const TPlotVector& s) {
  if (!UseUpDown) return;
  if (InLayer(k, s.Position.z + s.Up) || InLayer(k, s.Position.z - s.Down)) WallPoints(k, p, c, s, true);
}

void TVolumeModel::CollectStations(int k) {
  TVolumeLevel& level = Levels[k];
  level.Triangulator.Clear();
  if (!extentValid_) return;
  const TPlotArray& plots = model_.Plots;
  for (int i = 0; i < plots.Count(); ++i) {
    const T3DVector& v = plots[i].Position;
    if (InLayer(k, v.z)) AddPoint(k, v.x, v.y);
  }
}

void TVolumeModel::CollectWithDims(int k) {
  TVolumeLevel& level = Levels[k];
  level.Triangulator.Clear();
  level.Length = 0;
  if (!extentValid_) return;
  auto ends = [&](const TPlotVector& p, const TPlotVector& c, const TPlotVector& s) {
    WallPoints(k, p, c, s, false);
    UpDownPoints(k, p, c, s);
  };
  const size_t count = subdivided_.size();
  TPlotVector p, c;
  for (size_t i = 0; i < count; ++i) {
    const TPlotVector& r = subdivided_[i];
    if (r.Code == 'M') {
      // The station that ended the previous line, with itself as the other
      // end (heading south). After a line of one station that station
      // itself, rather than the end of an older line.
      if (i > 0) ends(p, p, p);
      p = r;
      CleanDimensions(p);
      continue;
    }
    c = r;
    CleanDimensions(c);
    if (i == 0) p = c;
    if (options_.FillDimensions) FillPairDimensions(p, c, options_.SubstituteDiameter);
    ends(p, c, p);
    if (InLayer(k, p.Position.z) || InLayer(k, c.Position.z)) level.Length += Length(Subtract(c.Position, p.Position));
    if (i + 1 == count) ends(p, c, c);
    p = c;
  }
  // A line of one station at the end of the list.
  if (count > 0 && subdivided_.back().Code == 'M') ends(p, p, p);
}

void TVolumeModel::BuildLevels(const TVolumeProgress& progress, bool useDims) {
  const int n = Count();
  const double lo = passages_.OutputMin.z, hi = passages_.OutputMax.z;
  // Without walls there is no extent to cut into layers.
  extentValid_ = std::isfinite(lo) && std::isfinite(hi) && lo <= hi;
  const double step = extentValid_ ? (hi - lo) / n : 0;
  for (int k = 0; k < n; ++k) {
    Levels[k].Bottom = extentValid_ ? lo + k * step : 0;
    Levels[k].Top = extentValid_ ? lo + (k + 1) * step : 0;
  }
  if (useDims) MakeSubdividedList();
  for (int k = 0; k < n; ++k) {
    if (useDims)
      CollectWithDims(k);
    else
      CollectStations(k);
    if (progress) progress(static_cast<int>(std::nearbyint(100.0 * (k + 1) / n)));  // halves to even
  }
  double total = 0;
  for (int k = 0; k < n; ++k) total += Levels[k].Length;
  for (int k = 0; k < n; ++k) Levels[k].Share = total > 0 ? Levels[k].Length / total : 0;
  LevelsBuilt = true;
}

double TVolumeModel::PolygonArea(int k) const {
  const TTriangulator& t = Levels[k].Triangulator;
  const T2DVectorArray& pts = t.Points();
  double forward = 0, backward = 0;
  for (const THullEdge& e : t.ConcaveHull()) {
    const T2DVector& a = pts[e.p1];
    const T2DVector& b = pts[e.p2];
    forward += a.x * b.y;
    backward += b.x * a.y;
  }
  return std::fabs(forward - backward) / 2;
}

void TVolumeModel::ComputeVolumes(const TVolumeProgress& progress, bool byArea, double fraction) {
  const int n = Count();
  auto compute = [&](int k) {
    TVolumeLevel& level = Levels[k];
    level.Triangulator.SetConcavity(fraction);
    if (byArea)
      level.Triangulator.ComputeConcaveHullByArea();
    else
      level.Triangulator.ComputeConcaveHull();
    level.Area = PolygonArea(k);
  };
  // The layers are independent, and the first triangulation of a big
  // cave's layers takes seconds: a second thread takes layers as they come.
  // Progress is told here, in this thread, as each layer is started.
  std::atomic<int> next = 0;
  int told = 0;
  auto tellStarted = [&] {
    for (const int started = std::min(next.load(), n); told < started; ++told)
      if (progress) progress(MulDiv(100, told, n - 1));
  };
  std::exception_ptr helperFailed;
  {
    std::jthread helper;
    if (n > 1)
      helper = std::jthread([&] {
        try {
          for (int k; (k = next++) < n;) compute(k);
        } catch (...) {
          helperFailed = std::current_exception();
        }
      });
    for (int k; (k = next++) < n;) {
      tellStarted();
      compute(k);
    }
  }
  if (helperFailed) std::rethrow_exception(helperFailed);
  tellStarted();
  // Summed in layer order, so the total does not depend on who took which.
  RockVolume = 0;
  for (int k = 0; k < n; ++k) RockVolume += Thickness(k) * Levels[k].Area;
}

void TVolumeModel::BuildHullModel(TGLMesh& hull, const TVolumeProgress& progress) const {
  TGLMesh work;
  hull.Clear();
  hull.ResetOrientation();
  work.ResetOrientation();
  const int n = Count();
  const T3DVector centre = model_.PlotInfo.Center;
  TGLTesselator tesselator;
  for (int k = 0; k < n; ++k) {
    const TVolumeLevel& level = Levels[k];
    work.Clear();
    const TTriangulator& t = level.Triangulator;
    TGLPolygonArray contours(1);
    for (const THullEdge& e : t.ConcaveHull())
      contours[0].push_back({t.Points()[e.p1].x, t.Points()[e.p1].y, level.Top});
    if (!contours[0].empty()) tesselator.Tesselate(contours, work, level.Top - level.Bottom);
    for (int i = 0; i < work.VertexCount(); ++i) {
      const T3DVector v = Subtract(work.GetVertex(i), centre);
      work.SetVertex(i, {v.x, v.z, -v.y});
    }
    // Appended in the hull's own coordinates: a hull inside a placed frame
    // has a matrix of its own, which the mesh-to-mesh append would undo.
    for (int i = 0; i < work.TriangleCount(); ++i)
      hull.AddTriangle(work.GetTriangle(i), work.GetTriangleColors(i).c[0]);
    if (progress) progress(MulDiv(100, k, n - 1));
  }
  hull.ComputeAllNormals();
  hull.Visible = true;
  hull.SetColor(HullColor);
}

void TVolumeModel::SetHullLook(TGLMesh& hull, double transparency, bool transparent, bool blendBackground,
                               bool depthCheck) {
  hull.SetTransparency(transparency);
  hull.Blend = transparent;
  hull.AlphaBlend = blendBackground;
  hull.DepthWhenBlending = depthCheck;
}

}  // namespace lumora
