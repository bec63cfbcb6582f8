#include "app/core/CaveViews.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace lumora {
namespace {

constexpr double kEyeZ = 10;
constexpr double kPixelsAtUnitDistance = 1000;
constexpr double kFitFill = 0.9;
constexpr int kMaxFitTriangles = 200000;

// Turned to a set of angles through the same arithmetic as a drag, so that
// turns from the keys and the mouse carry on from the new view.
void SetAngles(TGLFrame& frame, double azimuth, double elevation) {
  const bool free = frame.FreeRotation;
  frame.FreeRotation = false;
  frame.Azimuth = azimuth;
  frame.Elevation = elevation;
  frame.Rotate(0, 0, 0);
  frame.FreeRotation = free;
  frame.PitchIncrement = frame.YawIncrement = frame.RollIncrement = 0;
  frame.RefreshMatrices();
}

// The frame's point in the parent's (the camera's) coordinates, before the
// eye's offset.
T3DVector Turned(const TGLFrame& frame, const T3DVector& p) {
  const T3DVector q = RotateVector(frame.Orientation, Subtract(p, frame.RotationCentre));
  return Add(Add(q, frame.RotationCentre), frame.Position);
}

// Scene direction (x east, y up, z south) of a direction of the screen.
T3DVector SceneDirection(const TGLFrame& frame, const T3DVector& screen) {
  return RotateVector(Conjugate(frame.Orientation), screen);
}

double Degrees(double radians) { return radians * 180 / std::numbers::pi; }

}  // namespace

void SetPlanView(TGLFrame& frame) { SetAngles(frame, 0, -90); }

void SetElevationView(TGLFrame& frame, double bearing) {
  double azimuth = std::fmod(-bearing, 360.0);
  if (azimuth < 0) azimuth += 360;
  SetAngles(frame, azimuth, 0);
}

T3DVector ScreenPoint(const TGLFrame& frame, const T3DVector& local, double width, double height) {
  const T3DVector e = Turned(frame, local);
  const double depth = kEyeZ - e.z;
  const double k = kPixelsAtUnitDistance / depth;
  return {width / 2 + e.x * k, height / 2 - e.y * k, depth};
}

std::vector<T3DVector> ExtentPoints(const TCaveScene& scene) {
  std::vector<T3DVector> points;
  const TGLFastMesh& mesh = *scene.PassageMesh;
  const int n = mesh.ColorCount();
  if (n > 0) {
    const int step = std::max(1, n / kMaxFitTriangles);
    points.reserve(static_cast<size_t>(3 * (n / step + 1)));
    for (int i = 0; i < n; i += step)
      for (const T3DVector& p : mesh.GetTriangle(i).p) points.push_back(p);
    // The sample may miss the extreme corners; the bounds' own corners are
    // the rest of the extent along the axes.
    points.push_back(mesh.GetMin());
    points.push_back(mesh.GetMax());
  } else {
    const TGLLines& shots = *scene.Shots;
    for (int i = 0; i < shots.Segments.Count(); ++i) points.push_back(shots.Segments[i]);
  }
  return points;
}

void FitView(TGLFrame& frame, const std::vector<T3DVector>& points, double width, double height) {
  if (points.empty() || !(width > 0 && height > 0)) return;
  constexpr double inf = std::numeric_limits<double>::infinity();
  // The turned points, without the frame's position.
  std::vector<T3DVector> turned;
  turned.reserve(points.size());
  T3DVector lo{inf, inf, inf}, hi{-inf, -inf, -inf};
  for (const T3DVector& p : points) {
    turned.push_back(Subtract(Turned(frame, p), frame.Position));
    lo = MinVector(lo, turned.back());
    hi = MaxVector(hi, turned.back());
  }
  // Centred on the box, each point needs the centre's depth to be at
  // least what puts it at the edge of the filled part: nearer points need
  // more. Perspective then leaves the picture off-centre, so it is centred
  // on what it shows and fitted again.
  T3DVector centre = Scale(Add(lo, hi), 0.5);
  const double halfW = kFitFill * width / 2, halfH = kFitFill * height / 2;
  double depth = 0;
  for (int pass = 0; pass < 3; ++pass) {
    depth = 0;
    for (const T3DVector& q : turned) {
      const double dz = q.z - centre.z;
      depth = std::max({depth, kPixelsAtUnitDistance * std::abs(q.x - centre.x) / halfW + dz,
                        kPixelsAtUnitDistance * std::abs(q.y - centre.y) / halfH + dz, dz + 1e-3});
    }
    double x0 = inf, x1 = -inf, y0 = inf, y1 = -inf;
    for (const T3DVector& q : turned) {
      const double k = kPixelsAtUnitDistance / (depth - (q.z - centre.z));
      x0 = std::min(x0, (q.x - centre.x) * k), x1 = std::max(x1, (q.x - centre.x) * k);
      y0 = std::min(y0, (q.y - centre.y) * k), y1 = std::max(y1, (q.y - centre.y) * k);
    }
    const double k = depth / kPixelsAtUnitDistance;
    centre.x += (x0 + x1) / 2 * k;
    centre.y += (y0 + y1) / 2 * k;
  }
  frame.Position = {-centre.x, -centre.y, kEyeZ - depth - centre.z};
  frame.RefreshMatrices();
}

void ZoomView(TGLFrame& frame, double factor) {
  if (!(factor > 0)) return;
  const T3DVector centre = Scale(Add(frame.GetMin(), frame.GetMax()), 0.5);
  const double depth = kEyeZ - Turned(frame, centre).z;
  if (!(depth > 0)) return;
  frame.Translate(0, 0, depth - depth / factor);
  frame.RefreshMatrices();
}

double ViewBearing(const TGLFrame& frame) {
  T3DVector d = SceneDirection(frame, {0, 0, -1});
  if (std::hypot(d.x, d.z) < 1e-6) d = SceneDirection(frame, {0, 1, 0});
  double b = Degrees(std::atan2(d.x, -d.z));
  if (b < 0) b += 360;
  if (b >= 360) b -= 360;
  return b;
}

double ViewTilt(const TGLFrame& frame) {
  const T3DVector d = SceneDirection(frame, {0, 0, -1});
  return Degrees(std::asin(std::clamp(-d.y, -1.0, 1.0)));
}

double ViewScale(const TGLFrame& frame) {
  const T3DVector centre = Scale(Add(frame.GetMin(), frame.GetMax()), 0.5);
  const double depth = kEyeZ - Turned(frame, centre).z;
  return depth > 0 ? kPixelsAtUnitDistance / depth : 0;
}

}  // namespace lumora
