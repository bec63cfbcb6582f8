#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "passage/tests/TestCave.h"

using namespace lumora;
using lumora::testing::St;
using lumora::testing::TestCave;

namespace {

TPlotVector Rec(float L, float R, float U, float D) {
  TPlotVector r;
  r.Left = L, r.Right = R, r.Up = U, r.Down = D;
  return r;
}

std::vector<float> Dims(const TPlotVector& r) { return {r.Left, r.Right, r.Up, r.Down}; }

TPlotArray Prepared(TestCave& cave, const TPassageOptions& o) {
  TPlotArray out;
  const TRange r = cave.Model().LinePlotRange(0);
  PrepareLine(cave.Model().Plots, r.First, r.Last, out, o);
  return out;
}

}  // namespace

TEST(LinePreparation, CleanDimensionsDropsImpossibleExtents) {
  TPlotVector r = Rec(-0.5f, std::numeric_limits<float>::quiet_NaN(), 900.5f, 900);
  CleanDimensions(r);
  EXPECT_EQ(Dims(r), (std::vector<float>{0, 0, 0, 900}));
  r = Rec(0, 3, std::numeric_limits<float>::infinity(), 1);
  CleanDimensions(r);
  EXPECT_EQ(Dims(r), (std::vector<float>{0, 3, 0, 1}));
}

TEST(LinePreparation, FillPairOrderAndSources) {
  {
    // a's left/right from b; b's up/down from a.
    TPlotVector a = Rec(0, 0, 1, 2), b = Rec(3, 4, 0, 0);
    FillPairDimensions(a, b, 2);
    EXPECT_EQ(Dims(a), (std::vector<float>{3, 4, 1, 2}));
    EXPECT_EQ(Dims(b), (std::vector<float>{3, 4, 1, 2}));
  }
  {
    // Neither has left/right: a takes its own up/down as left/right first,
    // then b copies those from a; b's up/down come from a.
    TPlotVector a = Rec(0, 0, 5, 6), b = Rec(0, 0, 0, 0);
    FillPairDimensions(a, b, 2);
    EXPECT_EQ(Dims(a), (std::vector<float>{5, 6, 5, 6}));
    EXPECT_EQ(Dims(b), (std::vector<float>{5, 6, 5, 6}));
  }
  {
    // b alone has up/down: a's left/right come from the substitute (a has no
    // up/down yet when its left/right are filled), so b's left/right come
    // from a rather than from b's own up/down.
    TPlotVector a = Rec(0, 0, 0, 0), b = Rec(0, 0, 7, 8);
    FillPairDimensions(a, b, 2);
    EXPECT_EQ(Dims(a), (std::vector<float>{2, 2, 7, 8}));
    EXPECT_EQ(Dims(b), (std::vector<float>{2, 2, 7, 8}));
  }
  {
    // Without a substitute a stays without left/right, so b uses its own
    // up/down as left/right, and a's up/down come from b.
    TPlotVector a = Rec(0, 0, 0, 0), b = Rec(0, 0, 7, 8);
    FillPairDimensions(a, b, 0);
    EXPECT_EQ(Dims(a), (std::vector<float>{0, 0, 7, 8}));
    EXPECT_EQ(Dims(b), (std::vector<float>{7, 8, 7, 8}));
  }
  {
    // One value of a pair present: the pair is not missing and stays.
    TPlotVector a = Rec(0, 1, 0, 0), b = Rec(5, 5, 5, 5);
    FillPairDimensions(a, b, 2);
    EXPECT_EQ(Dims(a), (std::vector<float>{0, 1, 5, 5}));
  }
}

TEST(LinePreparation, FillRunsAlongTheLineInOrder) {
  {
    // A gap between two stations takes the values of the one before it; the
    // first station of a line takes those of the second.
    TestCave cave;
    cave.Line({{0, 0, 0, 0, 0, 0, 0}, {0, 10, 0, 1, 2, 3, 4}, {0, 20, 0, 0, 0, 0, 0}, {0, 30, 0, 5, 6, 7, 8}});
    TPlotArray l = Prepared(cave, TPassageOptions{});
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(Dims(l[0]), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(Dims(l[2]), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(Dims(l[3]), (std::vector<float>{5, 6, 7, 8}));
  }
  {
    // Several missing in a row: the first pair already uses the substitute,
    // which then travels forward; the extents further on never travel back.
    TestCave cave;
    cave.Line({{0, 0, 0, 0, 0, 0, 0}, {0, 10, 0, 0, 0, 0, 0}, {0, 20, 0, 5, 6, 7, 8}});
    TPlotArray l = Prepared(cave, TPassageOptions{});
    EXPECT_EQ(Dims(l[0]), (std::vector<float>{2, 2, 2, 2}));
    EXPECT_EQ(Dims(l[1]), (std::vector<float>{2, 2, 2, 2}));
    TPassageOptions o;
    o.SubstituteDiameter = 0;
    l = Prepared(cave, o);
    EXPECT_EQ(Dims(l[0]), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_EQ(Dims(l[1]), (std::vector<float>{5, 6, 7, 8}));
    o.FillDimensions = false;
    l = Prepared(cave, o);
    EXPECT_EQ(Dims(l[1]), (std::vector<float>{0, 0, 0, 0}));
  }
  {
    // Cleaning comes before filling: a negative extent counts as missing.
    TestCave cave;
    cave.Line({{0, 0, 0, -1, -1, 3, 3}, {0, 10, 0, 4, 4, 3, 3}});
    EXPECT_EQ(Dims(Prepared(cave, TPassageOptions{})[0]), (std::vector<float>{4, 4, 3, 3}));
  }
}

TEST(LinePreparation, PrepareLineLeavesOutHiddenAndSplaysAndReusesTheTarget) {
  TestCave cave;
  cave.Line({{0, 0, 0}, {0, 10, 0, 1, 1, 1, 1, 'd'}, {0, 20, 0, 1, 1, 1, 1, 'D', "XS"}, {0, 30, 0}});
  TPlotArray out;
  out.Add(TPlotVector{});
  PrepareLine(cave.Model().Plots, 0, 3, out, TPassageOptions{});
  ASSERT_EQ(out.Count(), 2);
  EXPECT_EQ(out[1].Position.y, 30);
  TPassageOptions o;
  o.IncludeHidden = true;
  PrepareLine(cave.Model().Plots, 0, 3, out, o);
  ASSERT_EQ(out.Count(), 3);
  EXPECT_EQ(out[1].Code, 'd');
}

TEST(LinePreparation, RoundCornersOneAndTwoPasses) {
  TestCave cave;
  // Right angle at the middle station; cuts of 2 (corner) and 3 (next station).
  cave.Line({{0, 0, 0, 1, 2, 1, 1}, {0, 10, 0, 2, 1, 1, 1}, {10, 10, 0, 3, 1, 1, 1}});
  TPassageOptions o;
  o.RoundingPasses = 1;
  TPlotArray l = Prepared(cave, o);
  RoundCorners(l, o);
  ASSERT_EQ(l.Count(), 4);
  EXPECT_NEAR(l[1].Position.y, 8, 1e-12);  // back towards the first by 2
  EXPECT_NEAR(l[1].Position.x, 0, 1e-12);
  EXPECT_NEAR(l[2].Position.x, 3, 1e-12);  // on towards the third by 3
  EXPECT_NEAR(l[2].Position.y, 10, 1e-12);
  EXPECT_EQ(l[1].NameId, l[2].NameId);  // copies of the corner station
  EXPECT_EQ(l[1].Left, 2);

  o.RoundingPasses = 2;
  l = Prepared(cave, o);
  RoundCorners(l, o);
  // Both 45-degree corners are cut again.
  EXPECT_EQ(l.Count(), 6);

  // Through the builder: segments follow the records.
  for (int passes : {0, 1, 2}) {
    o.RoundingPasses = passes;
    TPassageState state;
    BuildPassages(cave.Model(), o, state,
                  [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
    EXPECT_EQ(state.SegmentCount, std::vector<int>({2, 3, 5})[passes]);
  }
}

TEST(LinePreparation, RoundingCutsLimitedToHalfTheShot) {
  TestCave cave;
  // A 90 degree corner whose extents (and the next station's) exceed half the
  // shots: the cuts land on the middle of each shot.
  cave.Line({{0, 0, 0, 1, 1, 1, 1}, {0, 4, 0, 9, 9, 1, 1}, {6, 4, 0, 9, 9, 1, 1}, {6, 5, 0}});
  TPassageOptions o;
  TPlotArray l = Prepared(cave, o);
  RoundCorners(l, o);
  // Corner at 1 is cut at (0,2) and (3,4); then the corner at the old third
  // station is seen from (3,4), turning 90 degrees to (6,5): cut by half of 3
  // backwards and half of 1 onwards.
  ASSERT_EQ(l.Count(), 6);
  EXPECT_NEAR(l[1].Position.y, 2, 1e-12);
  EXPECT_NEAR(l[2].Position.x, 3, 1e-12);
  EXPECT_NEAR(l[3].Position.x, 4.5, 1e-12);
  EXPECT_NEAR(l[4].Position.y, 4.5, 1e-12);

  // A gentle bend below the threshold stays.
  TestCave gentle;
  gentle.Line({{0, 0, 0}, {0, 10, 0}, {1, 20, 0}});
  l = Prepared(gentle, o);
  RoundCorners(l, o);
  EXPECT_EQ(l.Count(), 3);
  o.CornerThreshold = 5;
  RoundCorners(l, o);
  EXPECT_EQ(l.Count(), 4);
}

// The single-pass rounding must give the records that inserting into the
// list in place gives.
TEST(LinePreparation, RoundingMatchesInPlaceInsertion) {
  auto inPlace = [](std::vector<T3DVector> p, std::vector<double> cut, double threshold) {
    size_t i = 1;
    while (p.size() >= 3 && i + 1 < p.size()) {
      const T3DVector u = Subtract(p[i], p[i - 1]), v = Subtract(p[i + 1], p[i]);
      if (Angle(u, v) * 180 / std::numbers::pi > threshold) {
        double r1 = cut[i], r2 = cut[i + 1];
        if (r1 <= 0 || r1 > Length(u) / 2) r1 = Length(u) / 2;
        if (r2 <= 0 || r2 > Length(v) / 2) r2 = Length(v) / 2;
        const T3DVector c = p[i];
        T3DVector a = c, b = c;
        ExtendStart(a, p[i - 1], r1);
        ExtendStart(b, p[i + 1], r2);
        p[i] = b;
        p.insert(p.begin() + i, a);
        cut.insert(cut.begin() + i, cut[i]);
        i += 2;
      } else {
        ++i;
      }
    }
    return p;
  };
  uint32_t seed = 7;
  auto rnd = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1 << 24);
  };
  for (int trial = 0; trial < 50; ++trial) {
    TestCave cave;
    std::vector<St> line;
    std::vector<T3DVector> pos;
    std::vector<double> cut;
    for (int k = 0; k < 12; ++k) {
      St s{rnd() * 40, rnd() * 40, rnd() * 5, float(rnd() * 4), float(rnd() * 4), 1, 1};
      line.push_back(s);
      pos.push_back({s.x, s.y, s.z});
      cut.push_back(std::max(s.L, s.R));
    }
    cave.Line(line);
    TPassageOptions o;
    TPlotArray l = Prepared(cave, o);
    RoundCorners(l, o);
    const auto expect = inPlace(pos, cut, o.CornerThreshold);
    ASSERT_EQ(l.Count(), int(expect.size()));
    for (int k = 0; k < l.Count(); ++k) {
      EXPECT_NEAR(l[k].Position.x, expect[k].x, 1e-9);
      EXPECT_NEAR(l[k].Position.y, expect[k].y, 1e-9);
    }
  }
}

TEST(ExporterHelpers, PlanOutlineAndAveragedEnds) {
  TPlotVector a = Rec(1, 2, 0, 0), b = Rec(3, 4, 0, 0), c = Rec(5, 6, 0, 0);
  a.Position = {0, 0, 1};
  b.Position = {0, 10, 2};   // north: left is west
  c.Position = {10, 10, 3};  // east: left is north
  TPlanOutline ab = PlanOutline(a, b), bc = PlanOutline(b, c);
  auto near = [](const T3DVector& v, double x, double y, double z) {
    return std::fabs(v.x - x) < 1e-12 && std::fabs(v.y - y) < 1e-12 && v.z == z;
  };
  EXPECT_TRUE(near(ab[0], -1, 0, 1));
  EXPECT_TRUE(near(ab[1], 2, 0, 1));
  EXPECT_TRUE(near(ab[2], -3, 10, 2));
  EXPECT_TRUE(near(ab[3], 4, 10, 2));
  EXPECT_TRUE(near(bc[0], 0, 13, 2));
  EXPECT_TRUE(near(bc[1], 0, 6, 2));
  AverageSegmentEnds(ab, bc);
  EXPECT_TRUE(near(ab[2], -1.5, 11.5, 2));
  EXPECT_TRUE(near(ab[3], 2, 8, 2));
  EXPECT_TRUE(Equal(ab[2], bc[0]));
  EXPECT_TRUE(Equal(ab[3], bc[1]));
  EXPECT_TRUE(near(ab[0], -1, 0, 1));  // the far corners stay
  EXPECT_TRUE(near(bc[3], 10, 4, 3));
}

TEST(ExporterHelpers, BoxOperations) {
  T3DVector lo{1, 2, 3}, hi{4, 5, 6};
  GrowBox(lo, hi, 0.5);
  EXPECT_TRUE(Equal(lo, {0.5, 1.5, 2.5}));
  EXPECT_TRUE(Equal(hi, {4.5, 5.5, 6.5}));
  T3DVector lo2{10, 10, 10}, hi2{20, 20, 20};
  const double m = MetresPerFoot();
  BoxToMetres(lo, hi, lo2, hi2);
  EXPECT_DOUBLE_EQ(lo.x, 0.5 * m);
  EXPECT_DOUBLE_EQ(hi.z, 6.5 * m);
  EXPECT_DOUBLE_EQ(lo2.y, 10 * m);
  EXPECT_DOUBLE_EQ(hi2.y, 20 * m);
}
