#pragma once
// 4 x 4 matrices, quaternions and colour conversions for the scene engine.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "geometry/Vector.h"

namespace lumora {

class EMatrixError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Stored column by column as OpenGL expects: m[4 * c + r] is row r, column
// c; the translation is m[12], m[13], m[14].
struct TMatrix4 {
  double m[16] = {};

  double& operator[](int i) { return m[i]; }
  double operator[](int i) const { return m[i]; }
};

// Rotation; w is the scalar part.
struct TQuaternion {
  double x = 0, y = 0, z = 0, w = 0;
};

struct TAxisAngle {
  T3DVector axis;
  double angle = 0;  // radians
};

// Degrees. Bank turns about x, heading about y, attitude about z.
struct TEuler {
  double bank = 0, heading = 0, attitude = 0;
};

// ---- Matrices ----------------------------------------------------------

TMatrix4 IdentityMatrix();
TMatrix4 Transpose(const TMatrix4& m);
double Determinant(const TMatrix4& m);
// Throws EMatrixError("Invert Error: Singular Matrix") when the determinant
// is exactly 0.
TMatrix4 Invert(const TMatrix4& m);
// Element [i*4 + j] = sum over k of a[i*4 + k] * b[k*4 + j]. Read as
// transforms, the result applies a first and then b.
TMatrix4 MatrixMultiply(const TMatrix4& a, const TMatrix4& b);
T3DVector TransformPoint(const TMatrix4& m, const T3DVector& p);
// Lengths of the first three columns (upper three elements).
T3DVector GetScale(const TMatrix4& m);
// Divides each of the first three columns by its length; a zero column is
// left as it is.
TMatrix4 RemoveScale(const TMatrix4& m);
T3DVector GetTranslation(const TMatrix4& m);
TMatrix4 RotationPart(const TMatrix4& m);  // translation cleared
// Identity whose first three columns hold the normalised axes.
TMatrix4 MatrixFromAxes(const T3DVector& x, const T3DVector& y, const T3DVector& z);
// One line per row, elements separated by ", ", lines ended by "\r\n";
// '.' as decimal point whatever the locale.
std::string MatrixToText(const TMatrix4& m, int decimals);

// ---- Quaternions -------------------------------------------------------

TQuaternion IdentityQuaternion();
TQuaternion Conjugate(const TQuaternion& q);
// Hamilton product a * b: as rotations, b acts first.
TQuaternion QuaternionMultiply(const TQuaternion& a, const TQuaternion& b);
// q v q*; for a unit q a pure rotation.
T3DVector RotateVector(const TQuaternion& q, const T3DVector& v);
// Angle in radians; the axis should be of unit length.
TQuaternion FromAxisAngle(const T3DVector& axis, double angle);
// Identity (no vector part) gives angle 0 about (0, 0, 1).
TAxisAngle ToAxisAngle(const TQuaternion& q);
// Angles in degrees: Ry(heading) * Rz(attitude) * Rx(bank), so the bank
// turn acts first.
TQuaternion FromEuler(double bank, double heading, double attitude);
// Inverse of FromEuler: FromEuler(e.bank, e.heading, e.attitude) is q or -q.
// At attitude +-90 the bank is folded into the heading and returned as 0.
TEuler ToEuler(const TQuaternion& q);
// Rotation of m, with its scale removed, as a quaternion. A rotation matrix
// R gives q with RotateVector(q, v) == TransformPoint(R, v). Throws
// EMatrixError for a singular m.
TQuaternion FromMatrix(const TMatrix4& m);
// Shortest rotation taking the direction of a to that of b. Opposite
// vectors turn by pi about an axis perpendicular to a.
TQuaternion RotationBetween(const T3DVector& a, const T3DVector& b);

// ---- Colours -----------------------------------------------------------
// Platform colours are 0x00BBGGRR: red in the lowest byte.

// The red, green and blue bytes of a platform colour.
struct TColorBytes {
  uint32_t R, G, B;
};
constexpr TColorBytes UnpackColor(uint32_t c) { return {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}; }

TGLColor ColorToGL(uint32_t c, float alpha = 1.0f);
// Each channel * 255, truncated towards zero; channels outside 0..1 (and
// NaN, taken as 0) are clamped so that every result is a valid byte.
uint32_t GLToColor(const TGLColor& color);
TGLColor GreyColor(float k);

}  // namespace lumora
