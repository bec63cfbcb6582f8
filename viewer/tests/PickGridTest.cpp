// Picking under the mouse: the grid against the plain scan over every point,
// and the rule itself on points placed by hand.

#include <gtest/gtest.h>

#include <random>

#include "viewer/PickGrid.h"
#include "viewer/ViewProjection.h"

using namespace lumora;

namespace {

// The camera at the origin looking down -z: a point (x, y, -d) lands at
// (w/2 + 1000x/d, h/2 - 1000y/d).
const TMatrix4 kEye = IdentityMatrix();

int GridPick(const std::vector<T3DVector>& points, double x, double y, const std::vector<uint8_t>& shown = {}) {
  TPickGrid grid;
  grid.Build(kEye, 400, 300, points, shown, 6);
  return grid.Nearest(x, y);
}

}  // namespace

TEST(PickGrid, NearestOnTheScreenThenNearestToTheEye) {
  // Each at pixel (200 + dx, 150): dx = 1000 x / depth.
  struct Case {
    const char* why;
    std::vector<T3DVector> points;
    double x;
    int want;
  };
  const Case cases[] = {
      {"the nearer on screen wins over the nearer to the eye", {{0.008, 0, -2}, {0.02, 0, -10}}, 202, 1},
      {"equals on screen: the nearer to the eye", {{0.02, 0, -10}, {0.008, 0, -4}}, 202, 1},
      {"outside the radius: nothing", {{0.02, 0, -2}}, 200, -1},
      {"behind the eye: nothing", {{0, 0, 5}}, 200, -1},
      {"at the window's edge, the cell beyond", {{-0.402, 0, -2}}, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GridPick(c.points, c.x, 150), c.want) << c.why;
    EXPECT_EQ(PickNearest(kEye, 400, 300, c.points, c.x, 150, 6), c.want) << c.why;
  }
  // A hidden point is not picked.
  EXPECT_EQ(GridPick({{0, 0, -2}, {0.01, 0, -2}}, 200, 150, {0, 1}), 1);
}

TEST(PickGrid, AgreesWithThePlainScan) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<T3DVector> points(20000);
  // Depths from 2 to 12, spread a little beyond the window.
  for (T3DVector& p : points) {
    const double d = 7 + 5 * u(rng);
    p = {u(rng) * d * 0.22, u(rng) * d * 0.17, -d};
  }
  TPickGrid grid;
  grid.Build(kEye, 400, 300, points, {}, 6);
  int hits = 0;
  for (int k = 0; k < 800; ++k) {
    // Clicks fall inside the window.
    const double x = 200 + 200 * u(rng), y = 150 + 150 * u(rng);
    const int want = PickNearest(kEye, 400, 300, points, x, y, 6);
    ASSERT_EQ(grid.Nearest(x, y), want) << x << ", " << y;
    hits += want >= 0;
  }
  EXPECT_GT(hits, 400);
}
