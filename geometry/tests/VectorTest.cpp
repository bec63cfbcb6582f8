#include "geometry/Vector.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <numbers>
#include <random>

using namespace lumora;

namespace {

testing::AssertionResult Near(const T3DVector& a, const T3DVector& b, double tol = 1e-12) {
  if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << VectorToText(a, 15, ' ') << " vs " << VectorToText(b, 15, ' ');
}

TEST(VectorTest, AngleIsClampedAndZeroVectorsStayZero) {
  EXPECT_TRUE(Equal(Cross({1, 0, 0}, {0, 1, 0}), T3DVector{0, 0, 1}));
  EXPECT_TRUE(Equal(Normalize(T3DVector{}), T3DVector{}));
  EXPECT_TRUE(Equal(Normalize(T2DVector{}), T2DVector{}));
  EXPECT_EQ(Angle({0, 0, 0}, {1, 2, 3}), 0);
  EXPECT_DOUBLE_EQ(Angle({1, 0, 0}, {0, 2, 0}), std::numbers::pi / 2);
  // Many of these cosines round to just past +-1, where acos gives NaN.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> d(-100, 100), k(0.01, 1000);
  for (int i = 0; i < 2000; ++i) {
    const T3DVector v{d(rng), d(rng), d(rng)};
    const double s = k(rng);
    ASSERT_NEAR(Angle(v, Scale(v, s)), 0, 1e-7) << i;
    ASSERT_NEAR(Angle(v, Scale(v, -s)), std::numbers::pi, 1e-7) << i;
  }
}

TEST(VectorTest, ExtendMovesTowardsTheOtherEnd) {
  T3DVector p0{0, 0, 0}, p1{10, 0, 0};
  ExtendStart(p0, p1, 2);
  ExtendEnd(p0, p1, 3);
  EXPECT_TRUE(Near(p0, {2, 0, 0}));
  EXPECT_TRUE(Near(p1, {7, 0, 0}));
  ExtendStart(p0, p1, -4);
  EXPECT_TRUE(Near(p0, {-2, 0, 0}));
}

TEST(VectorTest, BearingAndInclination) {
  const double values[] = {-3, -1, 0, 0.25, 3};
  for (double b : values)
    for (double a : values) EXPECT_NEAR(ArcTan2(b, a), std::atan2(b, a), 1e-15) << b << "," << a;

  const T3DVector o{};
  EXPECT_DOUBLE_EQ(BearingAndInclination(o, {1, 0, 0}).bearing, 90);
  EXPECT_DOUBLE_EQ(BearingAndInclination(o, {-1, 0, 0}).bearing, 270);
  EXPECT_DOUBLE_EQ(BearingAndInclination(o, {0, -2, 0}).bearing, 180);
  EXPECT_DOUBLE_EQ(BearingAndInclination(o, {-1, 1, 0}).bearing, 315);
  TBearing r = BearingAndInclination(o, {0, 0, 1});
  EXPECT_EQ(r.bearing, 0);
  EXPECT_DOUBLE_EQ(r.inclination, 90);
  EXPECT_DOUBLE_EQ(BearingAndInclination({1, 1, 5}, {1, 1, 2}).inclination, -90);
  r = BearingAndInclination({1, 2, 3}, {4, 2, 7});
  EXPECT_DOUBLE_EQ(r.length, 5);
  EXPECT_NEAR(r.inclination, std::asin(0.8) * 180 / std::numbers::pi, 1e-12);
  // A hair west of north must not come out as 360.
  EXPECT_LT(BearingAndInclination(o, {-1e-300, 1, 0}).bearing, 360);
}

TEST(VectorTest, RotateAroundTurnsAboutTheCentre) {
  const T3DVector c{10, 20, 30};
  T3DVector p = Add(c, {1, 0, 0});
  RotateAround(p, c, 90, 0);
  EXPECT_TRUE(Near(p, Add(c, {0, -1, 0})));
  // The turntable at rest tilts by 90: screen up (0, -1, 0) becomes +z.
  T3DVector up{0, -1, 0};
  RotateAround(up, {}, 0, 90);
  EXPECT_TRUE(Near(up, {0, 0, 1}));
  T3DVector q = Add(c, {3, -4, 12});
  RotateAround(q, c, 37, -123);
  EXPECT_NEAR(Length(Subtract(q, c)), 13, 1e-12);
}

TEST(VectorTest, TextUsesAPointWhateverTheLocale) {
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale oldCpp = std::locale::global(std::locale(std::locale::classic(), new Comma));
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_ALL, name)) break;
  const std::string text = VectorToText({1.25, -2.5, 1234567.125}, 3, ';');
  const std::string rounded = VectorToText({0.126, -0.004, 9.9996}, 2, ' ');
  std::setlocale(LC_ALL, oldC.c_str());
  std::locale::global(oldCpp);
  EXPECT_EQ(text, "1.250;-2.500;1234567.125");
  EXPECT_EQ(rounded, "0.13 -0.00 10.00");
}

TEST(VectorTest, Triangles) {
  const TTriangle3 t{{{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}};
  EXPECT_NEAR(TriangleArea(t), 6, 1e-12);
  EXPECT_TRUE(Near(TriangleNormal(t), {0, 0, 1}));
  EXPECT_TRUE(Near(TriangleNormal(ReverseTriangle(t)), {0, 0, -1}));
  // Collinear corners: rounding may make Heron's product negative.
  for (double k : {0.1, 0.3, 0.7, 12345.678}) {
    const double area = TriangleArea({{{0, 0, 0}, {k, 2 * k, 3 * k}, {3 * k, 6 * k, 9 * k}}});
    EXPECT_FALSE(std::isnan(area)) << k;
    EXPECT_NEAR(area, 0, 1e-6 * k * k) << k;
  }
}

TEST(VectorTest, IntegerPointsRoundToEvenAndSaturate) {
  EXPECT_EQ(RoundPoint({2.5, -2.5}).x, 2);
  EXPECT_EQ(RoundPoint({2.5, -2.5}).y, -2);
  EXPECT_EQ(RoundPoint({3.5, 0}).x, 4);
  EXPECT_EQ(TruncPoint({-2.7, 0}).x, -2);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr int32_t lo = std::numeric_limits<int32_t>::min();
  constexpr int32_t hi = std::numeric_limits<int32_t>::max();
  for (auto conv : {&RoundPoint, &TruncPoint}) {
    EXPECT_EQ(conv({nan, inf}).x, 0);
    EXPECT_EQ(conv({nan, inf}).y, hi);
    EXPECT_EQ(conv({-1e300, 3e9}).x, lo);
    EXPECT_EQ(conv({-1e300, 3e9}).y, hi);
  }
}

// Independent reference: parametric (Liang-Barsky) clipping.
bool ReferenceClip(double l, double r, double b, double t, T2DLine& s) {
  double t0 = 0, t1 = 1;
  const double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {s.start.x - l, r - s.start.x, s.start.y - b, t - s.start.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
    } else if (p[i] < 0) {
      t0 = std::max(t0, q[i] / p[i]);
    } else {
      t1 = std::min(t1, q[i] / p[i]);
    }
  }
  if (t0 > t1) return false;
  s = {{s.start.x + t0 * dx, s.start.y + t0 * dy}, {s.start.x + t1 * dx, s.start.y + t1 * dy}};
  return true;
}

TEST(VectorTest, ClipLineAgreesWithParametricClipping) {
  const T2DVector c1{10, 8}, c2{-2, 0};  // corners deliberately out of order
  T2DLine vertical{{3, 50}, {3, -50}};
  EXPECT_TRUE(ClipLine(c1, c2, vertical));
  EXPECT_TRUE(Equal(vertical.start, T2DVector{3, 8}));
  EXPECT_TRUE(Equal(vertical.end, T2DVector{3, 0}));
  // Past a corner: no shared region bit, yet nothing inside; line untouched.
  T2DLine miss{{8, 12}, {14, 6}};
  EXPECT_FALSE(ClipLine(c1, c2, miss));
  EXPECT_TRUE(Equal(miss.start, T2DVector{8, 12}));

  std::mt19937 rng(11);
  std::uniform_real_distribution<double> d(-10, 20);
  for (int i = 0; i < 5000; ++i) {
    T2DLine got{{d(rng), d(rng)}, {d(rng), d(rng)}}, want = got;
    const bool ok = ClipLine(c1, c2, got);
    ASSERT_EQ(ok, ReferenceClip(-2, 10, 0, 8, want)) << i;
    if (!ok) continue;
    EXPECT_TRUE(Near(To3D(got.start), To3D(want.start), 1e-9)) << i;
    EXPECT_TRUE(Near(To3D(got.end), To3D(want.end), 1e-9)) << i;
  }
}

}  // namespace
