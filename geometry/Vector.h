#pragma once
// Plain geometric value types shared by every layer, and the free functions
// on them. Model geometry is computed in doubles; only what goes to the
// graphics library is single precision. Nothing here allocates except the
// text formatting, and nothing keeps state.

#include <cmath>
#include <cstdint>
#include <string>

namespace lumora {

struct T3DVector {
  double x = 0, y = 0, z = 0;
};

struct T2DVector {
  double x = 0, y = 0;
};

struct T2DLine {
  T2DVector start, end;
};

struct TGLVector {
  float x = 0, y = 0, z = 0;
};

struct TGLColor {
  float r = 0, g = 0, b = 0, a = 0;
};

struct TTriangle3 {
  T3DVector p[3];
};

struct TPoint {
  int32_t x = 0, y = 0;
};

// Result of BearingAndInclination. Angles in degrees: bearing clockwise from
// north (+y) towards east (+x) in [0, 360), inclination in [-90, 90].
struct TBearing {
  double bearing = 0, length = 0, inclination = 0;
};

// ---- 3D vectors --------------------------------------------------------

// The small ones are inline: the wall build and the normal sums call them
// hundreds of millions of times.

// Keeps a zero length from turning a zero vector into NaN.
inline double SafeDivisor(double length) { return length == 0 ? 1e-99 : length; }

inline T3DVector MakeVector(double x, double y, double z) { return {x, y, z}; }
inline T3DVector Add(const T3DVector& a, const T3DVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline T3DVector Subtract(const T3DVector& a, const T3DVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
// Per component.
inline T3DVector Multiply(const T3DVector& a, const T3DVector& b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline T3DVector Divide(const T3DVector& a, const T3DVector& b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }
inline T3DVector Scale(const T3DVector& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline T3DVector AddScalar(const T3DVector& a, double k) { return {a.x + k, a.y + k, a.z + k}; }
inline T3DVector DivideScalar(const T3DVector& a, double k) { return {a.x / k, a.y / k, a.z / k}; }
inline double Dot(const T3DVector& a, const T3DVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline T3DVector Cross(const T3DVector& a, const T3DVector& b) {
  return {a.y * b.z - a.z * b.y, -(a.x * b.z - a.z * b.x), a.x * b.y - a.y * b.x};
}
inline double Length(const T3DVector& a) { return std::sqrt(Dot(a, a)); }
// A zero vector stays zero instead of becoming NaN.
inline T3DVector Normalize(const T3DVector& a) { return DivideScalar(a, SafeDivisor(Length(a))); }
// Exact.
inline bool Equal(const T3DVector& a, const T3DVector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
// Radians in [0, pi]; 0 when either vector has length 0.
double Angle(const T3DVector& a, const T3DVector& b);
T3DVector MinVector(const T3DVector& a, const T3DVector& b);
T3DVector MaxVector(const T3DVector& a, const T3DVector& b);
// Normalize(a - b) * k: length k, pointing from b to a.
T3DVector SetLength(const T3DVector& a, const T3DVector& b, double k);
// Move p0 by k towards p1 (away from it when k < 0).
void ExtendStart(T3DVector& p0, const T3DVector& p1, double k);
// Move p1 by k towards p0 (away from it when k < 0).
void ExtendEnd(const T3DVector& p0, T3DVector& p1, double k);

TBearing BearingAndInclination(const T3DVector& from, const T3DVector& to);

// Turns p about centre: first by `turn` degrees in the x-y plane, then by
// `tilt` degrees in the y-z plane; the result replaces p.
void RotateAround(T3DVector& p, const T3DVector& centre, double turn, double tilt);

// The three components as FixedText, joined by the separator.
std::string VectorToText(const T3DVector& a, int decimals, char separator);

// Angle of the plane vector (a, b) from the a axis towards the b axis, in
// (-pi, pi]; 0 for (0, 0).
double ArcTan2(double b, double a);

// ---- Triangles ---------------------------------------------------------

double TriangleArea(const TTriangle3& t);
// Unit normal of the side from which the corners run counter-clockwise.
inline T3DVector TriangleNormal(const TTriangle3& t) {
  return Normalize(Cross(Subtract(t.p[1], t.p[0]), Subtract(t.p[2], t.p[0])));
}
T3DVector TriangleCentre(const TTriangle3& t);
TTriangle3 ReverseTriangle(const TTriangle3& t);

// ---- 2D vectors --------------------------------------------------------

T2DVector Add(const T2DVector& a, const T2DVector& b);
T2DVector Subtract(const T2DVector& a, const T2DVector& b);
T2DVector Scale(const T2DVector& a, double k);
T2DVector DivideScalar(const T2DVector& a, double k);
double Length(const T2DVector& a);
T2DVector Normalize(const T2DVector& a);
double Distance(const T2DVector& a, const T2DVector& b);
T2DVector MinVector(const T2DVector& a, const T2DVector& b);
T2DVector MaxVector(const T2DVector& a, const T2DVector& b);
bool Equal(const T2DVector& a, const T2DVector& b);  // exact
// (0, 0, a.x * b.y - a.y * b.x)
T3DVector Cross(const T2DVector& a, const T2DVector& b);
T3DVector To3D(const T2DVector& a);  // z = 0
T2DVector PointToVector(const TPoint& p);

// Integer points. Both saturate: NaN gives 0 and values beyond the int32
// range give its nearest end, so no conversion is undefined.
TPoint RoundPoint(const T2DVector& a);  // nearest, halves to even
TPoint TruncPoint(const T2DVector& a);  // towards zero

// Clips `line` to the axis-aligned rectangle with opposite corners c1 and
// c2 (any order). Returns false, leaving `line` as it was, when no part of
// the segment lies inside.
bool ClipLine(const T2DVector& c1, const T2DVector& c2, T2DLine& line);

}  // namespace lumora
