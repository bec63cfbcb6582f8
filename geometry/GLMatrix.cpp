#include "geometry/GLMatrix.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/NumberText.h"

namespace lumora {

namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

double At(const TMatrix4& m, int row, int col) { return m.m[4 * col + row]; }

// Determinant of the 3 x 3 matrix left after striking out one row and column.
double Minor(const TMatrix4& m, int row, int col) {
  int r[3], c[3];
  for (int i = 0, n = 0; i < 4; ++i)
    if (i != row) r[n++] = i;
  for (int i = 0, n = 0; i < 4; ++i)
    if (i != col) c[n++] = i;
  auto e = [&](int i, int j) { return At(m, r[i], c[j]); };
  return e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) - e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
         e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
}

double Cofactor(const TMatrix4& m, int row, int col) {
  const double minor = Minor(m, row, col);
  return (row + col) % 2 == 0 ? minor : -minor;
}

double ColumnLength(const TMatrix4& m, int col) {
  return Length(MakeVector(m.m[4 * col], m.m[4 * col + 1], m.m[4 * col + 2]));
}

}  // namespace

// ---- Matrices ----------------------------------------------------------

TMatrix4 IdentityMatrix() {
  TMatrix4 r;
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1;
  return r;
}

TMatrix4 Transpose(const TMatrix4& m) {
  TMatrix4 r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) r.m[4 * row + col] = At(m, row, col);
  return r;
}

double Determinant(const TMatrix4& m) {
  double det = 0;
  for (int col = 0; col < 4; ++col) det += At(m, 0, col) * Cofactor(m, 0, col);
  return det;
}

TMatrix4 Invert(const TMatrix4& m) {
  const double det = Determinant(m);
  if (det == 0) throw EMatrixError("Invert Error: Singular Matrix");
  // Inverse = adjugate / det; the adjugate is the transposed cofactor matrix.
  TMatrix4 r;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) r.m[4 * col + row] = Cofactor(m, col, row) / det;
  return r;
}

TMatrix4 MatrixMultiply(const TMatrix4& a, const TMatrix4& b) {
  TMatrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[i * 4 + k] * b.m[k * 4 + j];
      r.m[i * 4 + j] = sum;
    }
  return r;
}

T3DVector TransformPoint(const TMatrix4& m, const T3DVector& p) {
  return {m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12], m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13],
          m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]};
}

T3DVector GetScale(const TMatrix4& m) { return {ColumnLength(m, 0), ColumnLength(m, 1), ColumnLength(m, 2)}; }

TMatrix4 RemoveScale(const TMatrix4& m) {
  TMatrix4 r = m;
  for (int col = 0; col < 3; ++col) {
    const double len = ColumnLength(m, col);
    if (len == 0) continue;  // nothing to normalise; dividing would make NaN
    for (int row = 0; row < 4; ++row) r.m[4 * col + row] /= len;
  }
  return r;
}

T3DVector GetTranslation(const TMatrix4& m) { return {m.m[12], m.m[13], m.m[14]}; }

TMatrix4 RotationPart(const TMatrix4& m) {
  TMatrix4 r = m;
  r.m[12] = r.m[13] = r.m[14] = 0;
  return r;
}

TMatrix4 MatrixFromAxes(const T3DVector& x, const T3DVector& y, const T3DVector& z) {
  TMatrix4 r = IdentityMatrix();
  const T3DVector axes[3] = {Normalize(x), Normalize(y), Normalize(z)};
  for (int col = 0; col < 3; ++col) {
    r.m[4 * col] = axes[col].x;
    r.m[4 * col + 1] = axes[col].y;
    r.m[4 * col + 2] = axes[col].z;
  }
  return r;
}

std::string MatrixToText(const TMatrix4& m, int decimals) {
  std::string s;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      if (col > 0) s += ", ";
      s += FixedText(At(m, row, col), decimals);
    }
    s += "\r\n";
  }
  return s;
}

// ---- Quaternions -------------------------------------------------------

TQuaternion IdentityQuaternion() { return {0, 0, 0, 1}; }

TQuaternion Conjugate(const TQuaternion& q) { return {-q.x, -q.y, -q.z, q.w}; }

TQuaternion QuaternionMultiply(const TQuaternion& a, const TQuaternion& b) {
  TQuaternion r;
  r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
  r.x = a.w * b.x + b.w * a.x + a.y * b.z - b.y * a.z;
  r.y = a.w * b.y + b.w * a.y + b.x * a.z - a.x * b.z;
  r.z = a.w * b.z + b.w * a.z + a.x * b.y - b.x * a.y;
  return r;
}

T3DVector RotateVector(const TQuaternion& q, const T3DVector& v) {
  // q v q* expanded: (w^2 - u.u) v + 2 (u.v) u + 2 w (u x v), u = (x, y, z).
  const T3DVector u{q.x, q.y, q.z};
  return Add(Add(Scale(v, q.w * q.w - Dot(u, u)), Scale(u, 2 * Dot(u, v))), Scale(Cross(u, v), 2 * q.w));
}

TQuaternion FromAxisAngle(const T3DVector& axis, double angle) {
  const double s = std::sin(angle / 2);
  return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

TAxisAngle ToAxisAngle(const TQuaternion& q) {
  const T3DVector v{q.x, q.y, q.z};
  if (Length(v) == 0) return {{0, 0, 1}, 0};
  return {Normalize(v), 2 * std::acos(std::clamp(q.w, -1.0, 1.0))};
}

TQuaternion FromEuler(double bank, double heading, double attitude) {
  const double h = heading * kRadPerDeg / 2, a = attitude * kRadPerDeg / 2, b = bank * kRadPerDeg / 2;
  const double c1 = std::cos(h), s1 = std::sin(h);
  const double c2 = std::cos(a), s2 = std::sin(a);
  const double c3 = std::cos(b), s3 = std::sin(b);
  TQuaternion q;
  q.w = c1 * c2 * c3 - s1 * s2 * s3;
  q.x = c1 * c2 * s3 + s1 * s2 * c3;
  q.y = s1 * c2 * c3 + c1 * s2 * s3;
  q.z = c1 * s2 * c3 - s1 * c2 * s3;
  return q;
}

TEuler ToEuler(const TQuaternion& q) {
  const double sx = q.x * q.x, sy = q.y * q.y, sz = q.z * q.z, sw = q.w * q.w;
  double n = sx + sy + sz + sw;
  if (n == 0) n = 1e-99;
  const double t = q.x * q.y + q.z * q.w;  // sin(attitude) * n / 2
  // Only treat the pole as singular where the general formulas really lose
  // precision. A wider margin (such as 0.499) snaps attitudes up to 3.6
  // degrees from the pole to 90 and drops the bank, so the angles no longer
  // describe the rotation; within this margin the error stays below 3e-5
  // degrees.
  constexpr double kPole = 0.5 * (1 - 1e-13);
  TEuler e;
  if (t > kPole * n) {
    e.heading = 2 * std::atan2(q.x, q.w) * kDegPerRad;
    e.attitude = 90;
    e.bank = 0;
  } else if (t < -kPole * n) {
    e.heading = -2 * std::atan2(q.x, q.w) * kDegPerRad;
    e.attitude = -90;
    e.bank = 0;
  } else {
    e.heading = std::atan2(2 * q.y * q.w - 2 * q.x * q.z, sx - sy - sz + sw) * kDegPerRad;
    e.attitude = std::asin(std::clamp(2 * t / n, -1.0, 1.0)) * kDegPerRad;
    e.bank = std::atan2(2 * q.x * q.w - 2 * q.y * q.z, -sx + sy - sz + sw) * kDegPerRad;
  }
  return e;
}

TQuaternion FromMatrix(const TMatrix4& m) {
  // The inverse of a rotation is its transpose, so these indices read the
  // rotation of m itself.
  const TMatrix4 rm = RemoveScale(Invert(m));
  const double* r = rm.m;
  const double trace = r[0] + r[5] + r[10];
  TQuaternion q;
  if (trace > 0) {
    const double s = 0.5 / std::sqrt(trace + 1);
    q.w = 0.25 / s;
    q.x = (r[9] - r[6]) * s;
    q.y = (r[2] - r[8]) * s;
    q.z = (r[4] - r[1]) * s;
  } else if (r[0] > r[5] && r[0] > r[10]) {
    const double s = 2 * std::sqrt(1 + r[0] - r[5] - r[10]);
    q.w = (r[9] - r[6]) / s;
    q.x = s / 4;
    q.y = (r[1] + r[4]) / s;
    q.z = (r[2] + r[8]) / s;
  } else if (r[5] > r[10]) {
    const double s = 2 * std::sqrt(1 + r[5] - r[0] - r[10]);
    q.w = (r[2] - r[8]) / s;
    q.x = (r[1] + r[4]) / s;
    q.y = s / 4;
    q.z = (r[6] + r[9]) / s;
  } else {
    const double s = 2 * std::sqrt(1 + r[10] - r[0] - r[5]);
    q.w = (r[4] - r[1]) / s;
    q.x = (r[2] + r[8]) / s;
    q.y = (r[6] + r[9]) / s;
    q.z = s / 4;
  }
  return q;
}

TQuaternion RotationBetween(const T3DVector& a, const T3DVector& b) {
  const double angle = Angle(a, b);
  T3DVector axis = Cross(a, b);
  // An unnormalised cross product would give a quaternion that also scales.
  if (Length(axis) == 0) {
    if (Dot(a, b) >= 0) return IdentityQuaternion();
    // Opposite directions: any axis perpendicular to a will do; cross with
    // the basis vector least aligned with a.
    const double ax = std::fabs(a.x), ay = std::fabs(a.y), az = std::fabs(a.z);
    const T3DVector e = ax <= ay && ax <= az ? T3DVector{1, 0, 0} : ay <= az ? T3DVector{0, 1, 0} : T3DVector{0, 0, 1};
    axis = Cross(a, e);
  }
  return FromAxisAngle(Normalize(axis), angle);
}

// ---- Colours -----------------------------------------------------------

namespace {

uint32_t ChannelByte(float v) {
  const float scaled = v * 255.0f;
  if (!(scaled > 0)) return 0;  // also NaN
  if (scaled >= 255) return 255;
  return static_cast<uint32_t>(scaled);
}

}  // namespace

TGLColor ColorToGL(uint32_t c, float alpha) {
  const TColorBytes b = UnpackColor(c);
  return {float(b.R) / 255.0f, float(b.G) / 255.0f, float(b.B) / 255.0f, alpha};
}

uint32_t GLToColor(const TGLColor& color) {
  return ChannelByte(color.r) | ChannelByte(color.g) << 8 | ChannelByte(color.b) << 16;
}

TGLColor GreyColor(float k) { return {k, k, k, k}; }

}  // namespace lumora
