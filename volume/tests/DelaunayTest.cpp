#include "volume/Delaunay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>

#include "volume/tests/TriangulationChecks.h"

namespace lumora {
namespace {

enum class Pattern { Uniform, Grid, Duplicates, Passages, Circle };

std::vector<T2DVector> MakePoints(Pattern pattern, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 100);
  std::vector<T2DVector> pts;
  for (int i = 0; i < n; ++i) {
    switch (pattern) {
      case Pattern::Uniform:
        pts.push_back({u(rng), u(rng)});
        break;
      case Pattern::Grid:  // many equal edge lengths and cocircular quads
        pts.push_back({std::floor(u(rng) / 10) * 10, std::floor(u(rng) / 10) * 10});
        break;
      case Pattern::Duplicates:
        if (i > 0 && rng() % 3 == 0) {
          const T2DVector q = pts[rng() % pts.size()];
          pts.push_back({q.x + 1e-8, q.y - 1e-8});
        } else
          pts.push_back({u(rng), u(rng)});
        break;
      case Pattern::Circle:  // cocircular: cavities of many triangles
        pts.push_back({50 + 40 * std::cos(i * 6.283185307179586 / n + seed),
                       50 + 40 * std::sin(i * 6.283185307179586 / n + seed)});
        break;
      case Pattern::Passages: {  // wall points of a few winding passages
        const double t = i * 0.7, line = static_cast<double>(i % 4);
        pts.push_back({t * 3 + 2 * std::sin(t + line), line * 40 + 10 * std::sin(t / 5) + (i % 2 ? 3 : -3)});
        break;
      }
    }
  }
  return pts;
}

// Sets the earlier sweep is slow or rounds badly on: clusters of very
// different density, caves 20 km apart (the gaps kept circles open), all
// points on a few lines, a grid full of cocircular quads, most points
// repeated within the merge distance, and one point 300 km off.
std::vector<T2DVector> MakeSpreadPoints(int kind, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> g(0, 1);
  std::vector<T2DVector> pts;
  for (int i = 0; i < n; ++i) {
    switch (kind) {
      case 0:  // clusters
        if (i % 5 == 0)
          pts.push_back({u(rng) * 4000, u(rng) * 4000});
        else {
          const double cx = 500 + 1000 * (i % 3), cy = 800 * (i % 4);
          const double s = i % 2 ? 0.5 : 30;
          pts.push_back({cx + s * g(rng), cy + s * g(rng)});
        }
        break;
      case 1: {  // passages of four caves 65 617 ft apart, on a 2 x 2 plan
        const double t = i * 0.37, line = static_cast<double>(i % 7);
        const int cave = (i / 11) % 4;
        pts.push_back({(cave % 2) * 65617.0 + t * 0.9 + 40 * std::sin(t / 30 + line),
                       (cave / 2) * 65617.0 + line * 60 + 25 * std::sin(t / 7) + (i % 2 ? 3 : -3)});
        break;
      }
      case 2:  // collinear: three lines, coordinates in hundredths
        pts.push_back({std::round(u(rng) * 50000) / 100, (i % 3) * 40.0});
        break;
      case 3:  // grid
        pts.push_back({std::floor(u(rng) * 40) * 2.5, std::floor(u(rng) * 40) * 2.5});
        break;
      case 4:  // duplicate-heavy
        if (i > 3 && rng() % 4)
          pts.push_back({pts[rng() % pts.size()].x + 3e-7, pts[rng() % pts.size()].y});
        else
          pts.push_back({u(rng) * 300, u(rng) * 300});
        break;
      default:  // one far point among wall-like points
        if (i == n / 2)
          pts.push_back({150 + 984252, 50});
        else
          pts.push_back({i * 0.61 + 3 * std::sin(i * 0.1), 20 * std::sin(i * 0.013) + (i % 2 ? 2 : -2)});
        break;
    }
  }
  return pts;
}

// Our triangulation against the earlier rule on every kind of set. Where
// the earlier rule decided each in-circle test as the exact test does
// (points exactly on a circle may go either way), every result is
// identical; where it did not, its result is wrong in a way the comparison
// names, or differs only in the order of the same triangles. Ours is always
// a valid Delaunay triangulation, made with work near linear in the points.
TEST(Delaunay, AgreesWithTheEarlierRuleWhereItDecidedExactly) {
  int kinds[static_cast<int>(testing::TDifference::Count)] = {};
  auto compare = [&](const std::vector<T2DVector>& pts, const std::string& what) {
    const auto kind = testing::CompareWithEarlierRule(pts, what);
    ++kinds[static_cast<int>(kind)];
    TTriangulator t;
    for (const auto& p : pts) t.AddPoint(p.x, p.y);
    t.Triangulate();
    EXPECT_LE(t.Made(), 24 * static_cast<int64_t>(t.Points().size()) + 1) << what;
    return kind;
  };
  const char* patterns[] = {"uniform", "grid", "duplicates", "passages", "circle"};
  for (Pattern pattern : {Pattern::Uniform, Pattern::Grid, Pattern::Duplicates, Pattern::Passages, Pattern::Circle})
    for (int n : {3, 4, 7, 30, 150, 400})
      for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::string what = std::string(patterns[static_cast<int>(pattern)]) + ", n " + std::to_string(n) +
                                 ", seed " + std::to_string(seed);
        const auto kind = compare(MakePoints(pattern, n, seed), what);
        // Sets in general position and grids full of cocircular quads.
        if (pattern == Pattern::Uniform || pattern == Pattern::Passages || pattern == Pattern::Grid) {
          EXPECT_EQ(kind, testing::TDifference::None) << what;
        }
      }
  const char* names[] = {"clusters", "four caves", "collinear", "grid", "duplicates", "far point"};
  for (int kind = 0; kind < 6; ++kind)
    for (int n : {5, 60, 700, 3000})
      for (unsigned seed = 1; seed <= 2; ++seed)
        compare(MakeSpreadPoints(kind, n, seed),
                std::string(names[kind]) + ", n " + std::to_string(n) + ", seed " + std::to_string(seed));
  // The earlier rule's faults all occur: triangles laid over each other
  // (clusters, caves far apart, collinear and near-duplicate points), and
  // on a circle's points a triangulation that is not Delaunay.
  EXPECT_GT(kinds[static_cast<int>(testing::TDifference::None)], 100);
  EXPECT_GT(kinds[static_cast<int>(testing::TDifference::Overlapping)], 10);
  EXPECT_GT(kinds[static_cast<int>(testing::TDifference::NotDelaunay)], 0);
}

// Circumcircle by determinants, independent of the triangulator's formula.
void Circle(const T2DVector& a, const T2DVector& b, const T2DVector& c, double& x, double& y, double& r2) {
  const double d = 2 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
  const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
  x = (a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d;
  y = (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d;
  r2 = (a.x - x) * (a.x - x) + (a.y - y) * (a.y - y);
}

std::set<int32_t> HullVertices(const THullArray& hull) {
  std::set<int32_t> v;
  for (const THullEdge& e : hull) v.insert(e.p1);
  return v;
}

void ExpectClosedSimpleChain(const THullArray& chain, const std::string& what) {
  ASSERT_GE(chain.size(), 3u) << what;
  std::set<int32_t> starts;
  for (size_t i = 0; i < chain.size(); ++i) {
    EXPECT_EQ(chain[i].p2, chain[(i + 1) % chain.size()].p1) << what << ", edge " << i;
    EXPECT_TRUE(starts.insert(chain[i].p1).second) << what << ": vertex " << chain[i].p1 << " visited twice";
  }
}

// On random sets in general position: empty circumcircles, 2n - 2 - h
// triangles, symmetric neighbour links across shared edges, and the
// boundary one closed chain.
TEST(Delaunay, RandomSetsAreDelaunay) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    for (int n : {10, 100, 1000}) {
      const std::string what = "seed " + std::to_string(seed) + ", n " + std::to_string(n);
      TTriangulator t;
      for (const auto& p : MakePoints(Pattern::Uniform, n, seed)) t.AddPoint(p.x, p.y);
      t.ComputeHull();
      ASSERT_TRUE(t.Triangulated() && t.HullDone());
      const auto& pts = t.Points();
      const auto& tris = t.Triangles();
      for (size_t i = 0; i < tris.size(); ++i) {
        double x, y, r2;
        Circle(pts[tris[i].p1], pts[tris[i].p2], pts[tris[i].p3], x, y, r2);
        for (size_t p = 0; p < pts.size(); ++p) {
          if (static_cast<int32_t>(p) == tris[i].p1 || static_cast<int32_t>(p) == tris[i].p2 ||
              static_cast<int32_t>(p) == tris[i].p3)
            continue;
          const double d2 = (pts[p].x - x) * (pts[p].x - x) + (pts[p].y - y) * (pts[p].y - y);
          ASSERT_GE(d2, r2 * (1 - 1e-9)) << what << ": point " << p << " inside the circle of triangle " << i;
        }
        // Clockwise with y up, as the super-triangle.
        const T2DVector u = Subtract(pts[tris[i].p2], pts[tris[i].p1]), w = Subtract(pts[tris[i].p3], pts[tris[i].p1]);
        EXPECT_LT(u.x * w.y - u.y * w.x, 0) << what << ", triangle " << i;
      }
      const size_t h = HullVertices(t.Hull()).size();
      EXPECT_EQ(tris.size(), 2 * pts.size() - 2 - h) << what;
      EXPECT_EQ(t.Hull().size(), h) << what;
      ExpectClosedSimpleChain(t.Hull(), what);
      for (size_t i = 0; i < tris.size(); ++i) {
        for (int s = 0; s < 3; ++s) {
          const int32_t nb = tris[i].Neighbour(s);
          const int32_t a = tris[i].Vertex(s), b = tris[i].Vertex((s + 1) % 3);
          if (nb < 0) {
            // A side without neighbour is a boundary edge.
            EXPECT_TRUE(std::count_if(t.Hull().begin(), t.Hull().end(),
                                      [&](const THullEdge& e) { return e.p1 == a && e.p2 == b; }) == 1)
                << what;
            continue;
          }
          int back = -1;
          for (int k = 0; k < 3; ++k)
            if (tris[nb].Vertex(k) == b && tris[nb].Vertex((k + 1) % 3) == a) back = k;
          ASSERT_GE(back, 0) << what << ": neighbour " << nb << " of " << i << " lacks the reversed edge";
          EXPECT_EQ(tris[nb].Neighbour(back), static_cast<int32_t>(i)) << what;
        }
      }
    }
  }
}

TEST(Delaunay, SmallCases) {
  // Three points: one triangle whose three edges form the hull, chained.
  TTriangulator three;
  three.AddPoint(0, 0);
  three.AddPoint(4, 0);
  three.AddPoint(0, 3);
  three.ComputeHull();
  ASSERT_EQ(three.Triangles().size(), 1u);
  ASSERT_EQ(three.Hull().size(), 3u);
  ExpectClosedSimpleChain(three.Hull(), "three points");
  EXPECT_DOUBLE_EQ(three.MinEdge(), 3);
  EXPECT_DOUBLE_EQ(three.MaxEdge(), 5);

  // A square: two triangles linked across the diagonal, which is measured
  // although it is not on the hull.
  TTriangulator square;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}, {0.0, 10.0}}) square.AddPoint(x, y);
  double lo = 0, hi = 0;
  square.GetEdgeRange(lo, hi);
  ASSERT_EQ(square.Triangles().size(), 2u);
  EXPECT_DOUBLE_EQ(lo, 10);
  EXPECT_DOUBLE_EQ(hi, std::sqrt(200.0));
  const auto& tr = square.Triangles();
  int links = 0;
  for (int s = 0; s < 3; ++s) {
    if (tr[0].Neighbour(s) == 1) ++links;
    if (tr[1].Neighbour(s) == 0) ++links;
  }
  EXPECT_EQ(links, 2);
  EXPECT_EQ(square.Hull().size(), 4u);
  ExpectClosedSimpleChain(square.Hull(), "square");

  // Two points closer than 1e-6 in x and y are one; the survivor carries
  // the smaller input index.
  TTriangulator dup;
  dup.AddPoint(5, 5);
  dup.AddPoint(0, 0);
  dup.AddPoint(10, 0);
  dup.AddPoint(5 + 4e-7, 5 - 4e-7);
  dup.AddPoint(5 - 2e-7, 5);
  dup.Triangulate();
  ASSERT_EQ(dup.Points().size(), 3u);
  for (size_t i = 0; i < 3; ++i)
    if (std::fabs(dup.Points()[i].x - 5) < 1e-6) {
      EXPECT_EQ(dup.InputIndex()[i], 0);
      EXPECT_EQ(dup.SecondIndex()[i], 0);
    }
  EXPECT_EQ(dup.Triangles().size(), 1u);

  // Fewer than 3 points: nothing; collinear points: no triangle breaks the
  // hull, nothing is NaN.
  TTriangulator two;
  two.AddPoint(0, 0);
  two.AddPoint(1, 1);
  two.SetConcavity(0.5);
  two.ComputeConcaveHull();
  EXPECT_TRUE(two.Triangles().empty());
  EXPECT_TRUE(two.ConcaveHull().empty());
  EXPECT_FALSE(two.Triangulated());
  TTriangulator same;  // three points that merge into one
  for (int i = 0; i < 3; ++i) same.AddPoint(1, 2);
  same.SetConcavity(0);
  same.ComputeConcaveHull();
  EXPECT_EQ(same.Points().size(), 1u);
  EXPECT_TRUE(same.Triangles().empty());
  EXPECT_EQ(same.Threshold, 0);
  for (bool vertical : {false, true}) {
    TTriangulator line;
    for (int i = 0; i < 6; ++i) line.AddPoint(vertical ? 3 : i, vertical ? i : 3);
    line.SetConcavity(0.5);
    line.ComputeConcaveHull();
    EXPECT_TRUE(line.Triangulated());
    for (const auto& t : line.Triangles()) EXPECT_FALSE(std::isnan(t.r));
    EXPECT_FALSE(std::isnan(line.Threshold));
  }
}

// Coordinates whose products overflow (the plot reader refuses them, the
// triangulator may still be given them) end the triangulation all the same.
TEST(Delaunay, OverflowingCoordinatesEnd) {
  TTriangulator t;
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 0; i < 200; ++i) t.AddPoint(u(rng) * 1e300, u(rng) * 1e300);
  t.AddPoint(0, 0);
  t.AddPoint(1, 1);
  t.SetConcavity(0.5);
  t.ComputeConcaveHull();
  EXPECT_TRUE(t.Triangulated());
  EXPECT_LE(t.Triangles().size(), 2 * t.Points().size());
}

TEST(Delaunay, AddingAPointInvalidatesEverything) {
  TTriangulator t;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {0.0, 10.0}}) t.AddPoint(x, y);
  t.SetConcavity(0.5);
  t.ComputeConcaveHull();
  EXPECT_TRUE(t.Triangulated() && t.HullDone() && t.ConcaveDone());
  t.AddPoint(10, 10);
  EXPECT_FALSE(t.Triangulated() || t.HullDone() || t.ConcaveDone());
  t.ComputeHull();
  EXPECT_EQ(t.Points().size(), 4u);
  EXPECT_EQ(t.Triangles().size(), 2u);
  EXPECT_EQ(t.Hull().size(), 4u);
  t.Clear();
  EXPECT_TRUE(t.Points().empty() && t.Triangles().empty() && t.Hull().empty());
}

// A C-shaped set: the convex boundary spans the mouth; digging follows the
// inner wall. With concavity 1 the boundary comes back unchanged, longest
// edge first; the digging keeps every boundary vertex and stays one simple
// closed chain.
TEST(Delaunay, ConcaveHullDigsAndStaysSimple) {
  TTriangulator t;
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(0, 1);
  for (int i = 0; i < 600; ++i) {
    const double a = u(rng) * 1.6 * 3.14159265 + 0.2 * 3.14159265, r = 60 + 20 * u(rng);
    t.AddPoint(100 + r * std::cos(a), 100 + r * std::sin(a));
  }
  t.SetConcavity(1);
  t.ComputeConcaveHull();
  const THullArray boundary = t.Hull();
  ASSERT_EQ(t.ConcaveHull().size(), boundary.size());
  std::set<std::pair<int, int>> boundaryEdges, concaveEdges;
  for (const auto& e : boundary) boundaryEdges.insert({e.p1, e.p2});
  for (const auto& e : t.ConcaveHull()) concaveEdges.insert({e.p1, e.p2});
  EXPECT_EQ(boundaryEdges, concaveEdges);
  auto length = [&](const THullEdge& e) { return Distance(t.Points()[e.p1], t.Points()[e.p2]); };
  double longest = 0;
  for (const auto& e : boundary) longest = std::max(longest, length(e));
  EXPECT_EQ(length(t.ConcaveHull()[0]), longest);

  for (bool byArea : {false, true}) {
    for (double f : {0.0, 0.05, 0.3}) {
      const std::string what = std::string(byArea ? "by area" : "by length") + ", fraction " + std::to_string(f);
      t.SetConcavity(f);
      EXPECT_DOUBLE_EQ(t.Threshold, t.MinEdge() + f * (t.MaxEdge() - t.MinEdge()));
      if (byArea)
        t.ComputeConcaveHullByArea();
      else
        t.ComputeConcaveHull();
      const THullArray& dug = t.ConcaveHull();
      ExpectClosedSimpleChain(dug, what);
      const auto all = HullVertices(dug);
      for (int32_t v : HullVertices(boundary)) EXPECT_TRUE(all.count(v)) << what << ": lost vertex " << v;
      if (f < 0.1) {
        EXPECT_GT(dug.size(), boundary.size()) << what << ": nothing dug";
      }
      if (!byArea) {
        // Every edge left longer than the threshold has its opposite vertex
        // on the chain already.
        for (const auto& e : dug) {
          if (length(e) <= t.Threshold || e.Triangle < 0) continue;
          const auto& tri = t.Triangles()[e.Triangle];
          int32_t o = -1;
          for (int k = 0; k < 3; ++k)
            if (tri.Vertex(k) != e.p1 && tri.Vertex(k) != e.p2) o = tri.Vertex(k);
          EXPECT_TRUE(all.count(o)) << what;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lumora
