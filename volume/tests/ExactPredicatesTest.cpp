#include "volume/ExactPredicates.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace lumora {
namespace {

int Sign(const mpq_class& v) { return sgn(v); }

int OrientationByGmp(const T2DVector& a, const T2DVector& b, const T2DVector& c) {
  const mpq_class acx = mpq_class(a.x) - c.x, acy = mpq_class(a.y) - c.y;
  const mpq_class bcx = mpq_class(b.x) - c.x, bcy = mpq_class(b.y) - c.y;
  return Sign(acx * bcy - acy * bcx);
}

int InCircleByGmp(const T2DVector& a, const T2DVector& b, const T2DVector& c, const T2DVector& d) {
  const mpq_class ax = mpq_class(a.x) - d.x, ay = mpq_class(a.y) - d.y;
  const mpq_class bx = mpq_class(b.x) - d.x, by = mpq_class(b.y) - d.y;
  const mpq_class cx = mpq_class(c.x) - d.x, cy = mpq_class(c.y) - d.y;
  const mpq_class al = ax * ax + ay * ay, bl = bx * bx + by * by, cl = cx * cx + cy * cy;
  return Sign(al * (bx * cy - cx * by) + bl * (cx * ay - ax * cy) + cl * (ax * by - bx * ay));
}

double NaiveInCircle(const T2DVector& a, const T2DVector& b, const T2DVector& c, const T2DVector& d) {
  const double ax = a.x - d.x, ay = a.y - d.y, bx = b.x - d.x, by = b.y - d.y, cx = c.x - d.x, cy = c.y - d.y;
  return (ax * ax + ay * ay) * (bx * cy - cx * by) + (bx * bx + by * by) * (cx * ay - ax * cy) +
         (cx * cx + cy * cy) * (ax * by - bx * ay);
}

// Near-degenerate cases, where rounding decides a plain evaluation: points
// on one circle or line (rounded to doubles, or exactly on it on a grid),
// nudged by a few units in the last place, far from the origin so that the
// coordinate differences round too. GMP's rationals decide exactly.
TEST(ExactPredicates, AgreeWithRationalArithmetic) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(0, 1);
  int naiveWrong = 0, zeros = 0, cases = 0;
  for (double offset : {0.0, 1e3, 3.3e7, 1e12}) {
    for (double scale : {1e-3, 1.0, 1e4, 1e8}) {
      for (int k = 0; k < 4000; ++k) {
        T2DVector p[4];
        const int kind = k % 4;
        for (int i = 0; i < 4; ++i) {
          if (kind == 0) {  // on a circle, rounded
            const double t = u(rng) * 6.283185307179586;
            p[i] = {offset + scale * std::cos(t), offset / 3 + scale * std::sin(t)};
          } else if (kind == 1) {  // cocircular on a grid: corners of a rectangle and a Pythagorean point
            const T2DVector grid[4] = {{-3, -4}, {3, 4}, {-4, 3}, {5, 0}};
            p[i] = {offset + scale * grid[(i + k / 4) % 4].x, offset + scale * grid[(i + k / 4) % 4].y};
          } else if (kind == 2) {  // on a line
            const double t = u(rng) * 2 - 1;
            p[i] = {offset + scale * t, offset / 7 + scale * 0.3 * t};
          } else {  // random, nearly equal points
            p[i] = {offset + scale * u(rng), offset + scale * u(rng)};
          }
        }
        if (k % 3 == 0) p[3].x = std::nextafter(p[3].x, k % 2 ? HUGE_VAL : -HUGE_VAL);
        const int exactCircle = InCircleByGmp(p[0], p[1], p[2], p[3]);
        const int exactTurn = OrientationByGmp(p[0], p[1], p[3]);
        ASSERT_EQ(InCircle(p[0], p[1], p[2], p[3]), exactCircle) << "offset " << offset << ", scale " << scale;
        ASSERT_EQ(Orientation(p[0], p[1], p[3]), exactTurn) << "offset " << offset << ", scale " << scale;
        const double naive = NaiveInCircle(p[0], p[1], p[2], p[3]);
        naiveWrong += (naive > 0) - (naive < 0) != exactCircle;
        zeros += exactCircle == 0;
        ++cases;
      }
    }
  }
  // The cases are hard: plain doubles decide many of them wrongly.
  EXPECT_GT(naiveWrong, cases / 20);
  EXPECT_GT(zeros, cases / 20);
  // Orientation and circle sides as the triangulator uses them.
  EXPECT_EQ(Orientation({0, 0}, {1, 0}, {0, 1}), 1);
  EXPECT_EQ(InCircle({0, 0}, {1, 0}, {0, 1}, {0.5, 0.5}), 1);
  EXPECT_EQ(InCircle({0, 0}, {0, 1}, {1, 0}, {0.5, 0.5}), -1);
  EXPECT_EQ(InCircle({0, 0}, {1, 0}, {0, 1}, {1, 1}), 0);
}

}  // namespace
}  // namespace lumora
