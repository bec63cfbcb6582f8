#include "geometry/GLMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

using namespace lumora;

namespace {

constexpr double kPi = std::numbers::pi;

testing::AssertionResult Near(const T3DVector& a, const T3DVector& b, double tol = 1e-12) {
  if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << VectorToText(a, 15, ' ') << " vs " << VectorToText(b, 15, ' ');
}

testing::AssertionResult NearIdentity(const TMatrix4& m, double tol) {
  const TMatrix4 id = IdentityMatrix();
  for (int i = 0; i < 16; ++i)
    if (std::fabs(m[i] - id[i]) > tol)
      return testing::AssertionFailure() << "element " << i << "\n" << MatrixToText(m, 15);
  return testing::AssertionSuccess();
}

// q and -q are the same rotation.
testing::AssertionResult SameRotation(const TQuaternion& a, const TQuaternion& b, double tol) {
  const double dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
  if (std::fabs(std::fabs(dot) - 1) <= tol) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "|dot| - 1 = " << std::fabs(dot) - 1;
}

// Column-major rotation matrix about a coordinate axis (0 = x, 1 = y, 2 = z).
TMatrix4 AxisRotation(int axis, double angle) {
  TMatrix4 m = IdentityMatrix();
  const double c = std::cos(angle), s = std::sin(angle);
  const int i = (axis + 1) % 3, j = (axis + 2) % 3;
  m[4 * i + i] = c;
  m[4 * i + j] = s;
  m[4 * j + i] = -s;
  m[4 * j + j] = c;
  return m;
}

TMatrix4 RandomMatrix(std::mt19937& rng) {
  std::uniform_real_distribution<double> d(-5, 5);
  TMatrix4 m;
  for (double& e : m.m) e = d(rng);
  return m;
}

TEST(GLMatrixTest, InvertGivesTheInverseAndRejectsSingularMatrices) {
  std::mt19937 rng(3);
  for (int i = 0; i < 200; ++i) {
    const TMatrix4 a = RandomMatrix(rng);
    const TMatrix4 inv = Invert(a);
    EXPECT_TRUE(NearIdentity(MatrixMultiply(a, inv), 1e-9)) << i;
    EXPECT_TRUE(NearIdentity(MatrixMultiply(inv, a), 1e-9)) << i;
  }
  TMatrix4 swapped = IdentityMatrix();  // rows 0 and 1 exchanged
  swapped[0] = swapped[5] = 0;
  swapped[1] = swapped[4] = 1;
  EXPECT_EQ(Determinant(swapped), -1);

  TMatrix4 zeroRow = IdentityMatrix();
  zeroRow[2] = zeroRow[6] = zeroRow[10] = zeroRow[14] = 0;
  TMatrix4 repeatedRow = IdentityMatrix();
  for (int c = 0; c < 4; ++c) repeatedRow[4 * c] = repeatedRow[4 * c + 3] = c + 1;
  for (const TMatrix4& m : {zeroRow, repeatedRow, TMatrix4{}}) {
    try {
      Invert(m);
      ADD_FAILURE() << "no error for\n" << MatrixToText(m, 1);
    } catch (const EMatrixError& e) {
      EXPECT_STREQ(e.what(), "Invert Error: Singular Matrix");
    }
  }
  EXPECT_THROW(FromMatrix(zeroRow), std::runtime_error);
}

TEST(GLMatrixTest, MultiplyAppliesTheFirstOperandFirst) {
  TMatrix4 move = IdentityMatrix();
  move[12] = 1, move[13] = 2, move[14] = 3;
  TMatrix4 scale = IdentityMatrix();
  scale[0] = 2, scale[5] = 3, scale[10] = 4;
  const T3DVector p{1, 1, 1};
  EXPECT_TRUE(Near(TransformPoint(MatrixMultiply(move, scale), p), {4, 9, 16}));
  EXPECT_TRUE(Near(TransformPoint(MatrixMultiply(scale, move), p), {3, 5, 7}));
}

TEST(GLMatrixTest, ScaleTranslationAndAxes) {
  TMatrix4 m = MatrixMultiply(AxisRotation(0, 0.3), AxisRotation(2, -1.1));
  TMatrix4 scale = IdentityMatrix();
  scale[0] = 2, scale[5] = 0.5, scale[10] = 7;
  m = MatrixMultiply(scale, m);
  m[12] = -4, m[13] = 5, m[14] = 6;

  EXPECT_TRUE(Near(GetScale(m), {2, 0.5, 7}));
  EXPECT_TRUE(Near(GetTranslation(m), {-4, 5, 6}));
  const TMatrix4 r = RotationPart(RemoveScale(m));
  EXPECT_TRUE(NearIdentity(MatrixMultiply(r, Transpose(r)), 1e-12));
  EXPECT_TRUE(Near(GetTranslation(r), {0, 0, 0}));

  TMatrix4 flat = IdentityMatrix();
  flat[5] = 0;
  EXPECT_TRUE(Near(GetScale(RemoveScale(flat)), {1, 0, 1}));

  const TMatrix4 axes = MatrixFromAxes({0, 3, 0}, {-2, 0, 0}, {0, 0, 0.5});
  EXPECT_TRUE(Near(TransformPoint(axes, {1, 1, 1}), {-1, 1, 1}));
}

TEST(GLMatrixTest, MatrixTextIsRowByRow) {
  TMatrix4 m = IdentityMatrix();
  m[12] = 1.5, m[13] = -2.25, m[4] = 0.375;
  EXPECT_EQ(MatrixToText(m, 2),
            "1.00, 0.38, 0.00, 1.50\r\n"
            "0.00, 1.00, 0.00, -2.25\r\n"
            "0.00, 0.00, 1.00, 0.00\r\n"
            "0.00, 0.00, 0.00, 1.00\r\n");
}

TEST(GLMatrixTest, QuaternionsRotateAndCompose) {
  const TQuaternion qz = FromAxisAngle({0, 0, 1}, kPi / 2);
  const TQuaternion qx = FromAxisAngle({1, 0, 0}, kPi / 2);
  EXPECT_TRUE(Near(RotateVector(qz, {1, 0, 0}), {0, 1, 0}));
  EXPECT_TRUE(Near(RotateVector(qx, {0, 1, 0}), {0, 0, 1}));
  // b acts first: x turned about x stays x, then z takes it to y.
  EXPECT_TRUE(Near(RotateVector(QuaternionMultiply(qz, qx), {1, 0, 0}), {0, 1, 0}));
  EXPECT_TRUE(Near(RotateVector(QuaternionMultiply(qx, qz), {1, 0, 0}), {0, 0, 1}));

  std::mt19937 rng(9);
  std::uniform_real_distribution<double> d(-1, 1);
  for (int i = 0; i < 100; ++i) {
    const TQuaternion a = FromAxisAngle(Normalize({d(rng), d(rng), d(rng)}), 4 * d(rng));
    const TQuaternion b = FromAxisAngle(Normalize({d(rng), d(rng), d(rng)}), 4 * d(rng));
    const T3DVector v{3 * d(rng), 3 * d(rng), 3 * d(rng)};
    EXPECT_TRUE(Near(RotateVector(QuaternionMultiply(a, b), v), RotateVector(a, RotateVector(b, v)), 1e-12));
    EXPECT_TRUE(Near(RotateVector(Conjugate(a), RotateVector(a, v)), v, 1e-12));
  }
}

TEST(GLMatrixTest, AxisAngleRoundTrip) {
  const TAxisAngle id = ToAxisAngle(IdentityQuaternion());
  EXPECT_EQ(id.angle, 0);
  EXPECT_TRUE(Equal(id.axis, T3DVector{0, 0, 1}));

  const T3DVector axis = Normalize({1, -2, 2});
  for (double angle : {0.001, 2.0, kPi}) {
    const TAxisAngle r = ToAxisAngle(FromAxisAngle(axis, angle));
    EXPECT_NEAR(r.angle, angle, 1e-9);
    EXPECT_TRUE(Near(r.axis, axis, 1e-9));
  }
  // w rounded just past 1 must not give NaN.
  EXPECT_EQ(ToAxisAngle({1e-20, 0, 0, 1 + 1e-15}).angle, 0);
}

TEST(GLMatrixTest, EulerAnglesComposeInTheDocumentedOrder) {
  const T3DVector ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};
  const double deg = kPi / 180;
  for (double bank : {-170.0, -30.0, 0.0, 45.0, 120.0})
    for (double heading : {-135.0, 0.0, 10.0, 179.0})
      for (double attitude : {-80.0, -5.0, 0.0, 60.0}) {
        const TQuaternion product =
            QuaternionMultiply(QuaternionMultiply(FromAxisAngle(ey, heading * deg), FromAxisAngle(ez, attitude * deg)),
                               FromAxisAngle(ex, bank * deg));
        const TQuaternion q = FromEuler(bank, heading, attitude);
        EXPECT_TRUE(SameRotation(q, product, 1e-14));
        const TEuler e = ToEuler(q);
        EXPECT_NEAR(e.bank, bank, 1e-9);
        EXPECT_NEAR(e.heading, heading, 1e-9);
        EXPECT_NEAR(e.attitude, attitude, 1e-9);
      }
}

TEST(GLMatrixTest, EulerRoundTripNearThePoles) {
  for (double pole : {90.0, -90.0})
    for (double offset : {0.0, 1e-9, 1e-6, 1e-4, 0.01, 0.5, 2.0, 3.5})
      for (double bank : {0.0, 30.0, -75.0}) {
        const double attitude = pole > 0 ? pole - offset : pole + offset;
        const TQuaternion q = FromEuler(bank, 20, attitude);
        const TEuler e = ToEuler(q);
        EXPECT_TRUE(SameRotation(FromEuler(e.bank, e.heading, e.attitude), q, 1e-12)) << attitude << " " << bank;
        // Away from the pole itself the angles come back as given.
        if (offset >= 1e-4) {
          EXPECT_NEAR(e.bank, bank, 1e-6) << attitude;
          EXPECT_NEAR(e.attitude, attitude, 1e-6) << attitude;
        }
      }
  const TEuler north = ToEuler(FromEuler(30, 20, 90));
  EXPECT_EQ(north.attitude, 90);
  EXPECT_EQ(north.bank, 0);
  EXPECT_NEAR(north.heading, 50, 1e-9);
  const TEuler south = ToEuler(FromEuler(30, 20, -90));
  EXPECT_EQ(south.attitude, -90);
  EXPECT_NEAR(south.heading, -10, 1e-9);
}

TEST(GLMatrixTest, FromMatrixAgreesWithTheMatrix) {
  // Covers the positive-trace case and each of the three diagonal branches.
  std::vector<TMatrix4> rotations = {IdentityMatrix(), AxisRotation(0, kPi), AxisRotation(1, -2.9),
                                     AxisRotation(2, 2.9)};
  std::mt19937 rng(13);
  std::uniform_real_distribution<double> d(-kPi, kPi);
  for (int i = 0; i < 100; ++i)
    rotations.push_back(
        MatrixMultiply(MatrixMultiply(AxisRotation(0, d(rng)), AxisRotation(1, d(rng))), AxisRotation(2, d(rng))));

  const T3DVector probes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.3, -1.7, 2.2}};
  for (const TMatrix4& rotation : rotations) {
    TMatrix4 m = rotation;
    for (int k = 0; k < 12; ++k) m[k] *= 2.5;  // uniform scale
    m[12] = 7, m[13] = -8, m[14] = 9;          // and a translation
    for (const TMatrix4* source : {&rotation, static_cast<const TMatrix4*>(&m)}) {
      const TQuaternion q = FromMatrix(*source);
      EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1, 1e-12);
      for (const T3DVector& v : probes) EXPECT_TRUE(Near(RotateVector(q, v), TransformPoint(rotation, v), 1e-12));
    }
  }

  // The turntable at rest: axes (1,0,0), (0,1,0), (0,0,1) give no rotation.
  EXPECT_TRUE(SameRotation(FromMatrix(MatrixFromAxes({1, 0, 0}, {0, 1, 0}, {0, 0, 1})), IdentityQuaternion(), 0));
}

TEST(GLMatrixTest, RotationBetweenTakesOneDirectionToTheOther) {
  const std::pair<T3DVector, T3DVector> cases[] = {{{2, 0, 0}, {0, 0, -5}},
                                                   {{1, 2, 3}, {-3, 0.5, 4}},
                                                   {{1, 0, 0}, {-3, 0, 0}},
                                                   {{0, 2, 2}, {0, -1, -1}},
                                                   {{1, 1e-9, 0}, {-1, 0, 0}}};
  for (const auto& [a, b] : cases) {
    const TQuaternion q = RotationBetween(a, b);
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1, 1e-12);
    // acos near -1 keeps only about half the digits of the angle.
    EXPECT_TRUE(Near(RotateVector(q, Normalize(a)), Normalize(b), 1e-7));
  }
  EXPECT_TRUE(SameRotation(RotationBetween({1, 0, 0}, {4, 0, 0}), IdentityQuaternion(), 0));
}

TEST(GLMatrixTest, Colours) {
  const TGLColor c = ColorToGL(0x00336699);
  EXPECT_FLOAT_EQ(c.r, 0x99 / 255.0f);
  EXPECT_FLOAT_EQ(c.b, 0x33 / 255.0f);
  EXPECT_EQ(c.a, 1.0f);
  for (uint32_t k = 0; k < 256; ++k) {
    const uint32_t colour = k | (255 - k) << 8 | (k ^ 0x5A) << 16;
    EXPECT_EQ(GLToColor(ColorToGL(colour, 0.5f)), colour) << k;
  }
  EXPECT_EQ(GLToColor({0.999f, 0.5f, 0.0f, 1.0f}), 0x00007FFEu);
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(GLToColor({1.5f, -0.2f, nan, 1.0f}), 0x000000FFu);
}

}  // namespace
