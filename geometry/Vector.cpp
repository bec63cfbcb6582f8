#include "geometry/Vector.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/NumberText.h"

namespace lumora {

namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

int32_t SaturateToInt(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (v <= lo) return std::numeric_limits<int32_t>::min();
  if (v >= hi) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

}  // namespace

// ---- 3D vectors --------------------------------------------------------

double Angle(const T3DVector& a, const T3DVector& b) {
  const double la = Length(a), lb = Length(b);
  if (la == 0 || lb == 0) return 0;
  // Rounding can push the cosine of (anti)parallel vectors just past 1.
  return std::acos(std::clamp(Dot(a, b) / (la * lb), -1.0, 1.0));
}

T3DVector MinVector(const T3DVector& a, const T3DVector& b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

T3DVector MaxVector(const T3DVector& a, const T3DVector& b) {
  return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

T3DVector SetLength(const T3DVector& a, const T3DVector& b, double k) { return Scale(Normalize(Subtract(a, b)), k); }

void ExtendStart(T3DVector& p0, const T3DVector& p1, double k) { p0 = Add(p0, SetLength(p1, p0, k)); }

void ExtendEnd(const T3DVector& p0, T3DVector& p1, double k) { p1 = Add(p1, SetLength(p0, p1, k)); }

double ArcTan2(double b, double a) {
  if (a > 0) return std::atan(b / a);
  if (a == 0) {
    if (b == 0) return 0;
    return b > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  }
  if (b >= 0) return std::atan(b / a) + std::numbers::pi;
  return std::atan(b / a) - std::numbers::pi;
}

TBearing BearingAndInclination(const T3DVector& from, const T3DVector& to) {
  const T3DVector d = Subtract(to, from);
  TBearing r;
  r.length = Length(d);
  r.bearing = ArcTan2(d.x, d.y) * kDegPerRad;
  if (r.bearing < 0) r.bearing += 360;
  // A tiny negative angle would land on 360 itself; keep the range half open
  // so that callers binning by bearing never index one past the end.
  if (r.bearing >= 360) r.bearing = 0;
  if (d.z != 0) r.inclination = std::asin(std::clamp(d.z / r.length, -1.0, 1.0)) * kDegPerRad;
  return r;
}

void RotateAround(T3DVector& p, const T3DVector& centre, double turn, double tilt) {
  const T3DVector d = Subtract(p, centre);
  const double ct = std::cos(turn * kRadPerDeg), st = std::sin(turn * kRadPerDeg);
  const double ce = std::cos(tilt * kRadPerDeg), se = std::sin(tilt * kRadPerDeg);
  const double q = -st * d.x + ct * d.y;
  p = Add({ct * d.x + st * d.y, ce * q + se * d.z, -se * q + ce * d.z}, centre);
}

std::string VectorToText(const T3DVector& a, int decimals, char separator) {
  std::string s = FixedText(a.x, decimals);
  s += separator;
  s += FixedText(a.y, decimals);
  s += separator;
  s += FixedText(a.z, decimals);
  return s;
}

// ---- Triangles ---------------------------------------------------------

double TriangleArea(const TTriangle3& t) {
  const double a = Length(Subtract(t.p[1], t.p[0]));
  const double b = Length(Subtract(t.p[2], t.p[1]));
  const double c = Length(Subtract(t.p[0], t.p[2]));
  const double s = (a + b + c) / 2;
  // Rounding makes the product slightly negative for slivers.
  return std::sqrt(std::fabs(s * (s - a) * (s - b) * (s - c)));
}

T3DVector TriangleCentre(const TTriangle3& t) { return DivideScalar(Add(Add(t.p[0], t.p[1]), t.p[2]), 3); }

TTriangle3 ReverseTriangle(const TTriangle3& t) { return {{t.p[2], t.p[1], t.p[0]}}; }

// ---- 2D vectors --------------------------------------------------------

T2DVector Add(const T2DVector& a, const T2DVector& b) { return {a.x + b.x, a.y + b.y}; }

T2DVector Subtract(const T2DVector& a, const T2DVector& b) { return {a.x - b.x, a.y - b.y}; }

T2DVector Scale(const T2DVector& a, double k) { return {a.x * k, a.y * k}; }

T2DVector DivideScalar(const T2DVector& a, double k) { return {a.x / k, a.y / k}; }

double Length(const T2DVector& a) { return std::sqrt(a.x * a.x + a.y * a.y); }

T2DVector Normalize(const T2DVector& a) { return DivideScalar(a, SafeDivisor(Length(a))); }

double Distance(const T2DVector& a, const T2DVector& b) { return Length(Subtract(a, b)); }

T2DVector MinVector(const T2DVector& a, const T2DVector& b) { return {std::min(a.x, b.x), std::min(a.y, b.y)}; }

T2DVector MaxVector(const T2DVector& a, const T2DVector& b) { return {std::max(a.x, b.x), std::max(a.y, b.y)}; }

bool Equal(const T2DVector& a, const T2DVector& b) { return a.x == b.x && a.y == b.y; }

T3DVector Cross(const T2DVector& a, const T2DVector& b) { return {0, 0, a.x * b.y - a.y * b.x}; }

T3DVector To3D(const T2DVector& a) { return {a.x, a.y, 0}; }

T2DVector PointToVector(const TPoint& p) { return {double(p.x), double(p.y)}; }

TPoint RoundPoint(const T2DVector& a) {
  return {SaturateToInt(std::nearbyint(a.x)), SaturateToInt(std::nearbyint(a.y))};
}

TPoint TruncPoint(const T2DVector& a) { return {SaturateToInt(std::trunc(a.x)), SaturateToInt(std::trunc(a.y))}; }

// ---- Segment clipping --------------------------------------------------

namespace {

enum : unsigned { kAbove = 1, kBelow = 2, kRight = 4, kLeft = 8 };

struct TRectBounds {
  double left, right, bottom, top;  // y grows upwards, as in plan view
};

unsigned RegionCode(const T2DVector& p, const TRectBounds& r) {
  unsigned code = 0;
  if (p.y > r.top) code |= kAbove;
  if (p.y < r.bottom) code |= kBelow;
  if (p.x > r.right) code |= kRight;
  if (p.x < r.left) code |= kLeft;
  return code;
}

}  // namespace

bool ClipLine(const T2DVector& c1, const T2DVector& c2, T2DLine& line) {
  const TRectBounds r{std::min(c1.x, c2.x), std::max(c1.x, c2.x), std::min(c1.y, c2.y), std::max(c1.y, c2.y)};
  T2DVector p0 = line.start, p1 = line.end;
  unsigned code0 = RegionCode(p0, r), code1 = RegionCode(p1, r);
  // Each step clears one bit; rounding at a corner can set one again, so the
  // loop is bounded rather than trusted to converge.
  for (int step = 0; step < 16; ++step) {
    if ((code0 | code1) == 0) {
      line = {p0, p1};
      return true;
    }
    if ((code0 & code1) != 0) return false;
    const bool moveStart = code0 != 0;
    const unsigned code = moveStart ? code0 : code1;
    // The other end lies on the far side of this boundary, so the divisor
    // below is never 0.
    T2DVector q;
    if (code & kAbove) {
      q = {p0.x + (p1.x - p0.x) * (r.top - p0.y) / (p1.y - p0.y), r.top};
    } else if (code & kBelow) {
      q = {p0.x + (p1.x - p0.x) * (r.bottom - p0.y) / (p1.y - p0.y), r.bottom};
    } else if (code & kRight) {
      q = {r.right, p0.y + (p1.y - p0.y) * (r.right - p0.x) / (p1.x - p0.x)};
    } else {
      q = {r.left, p0.y + (p1.y - p0.y) * (r.left - p0.x) / (p1.x - p0.x)};
    }
    if (moveStart) {
      p0 = q;
      code0 = RegionCode(p0, r);
    } else {
      p1 = q;
      code1 = RegionCode(p1, r);
    }
  }
  return false;
}

}  // namespace lumora
