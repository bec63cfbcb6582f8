#pragma once
// Exact checks of a triangle list, and the comparison of the triangulator
// with the earlier in-circle rule (the direct triangulator): identical
// results wherever that rule decided exactly, and elsewhere a difference of
// a known kind, each one a fault of the earlier result or none at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "volume/Delaunay.h"
#include "volume/ExactPredicates.h"
#include "volume/tests/DirectTriangulator.h"

namespace lumora::testing {

struct TTriangulationFaults {
  int inverted = 0;       // turning counter-clockwise: laid over its neighbours
  int flat = 0;           // no area
  int repeatedEdges = 0;  // a directed edge twice: two triangles on one side of it overlap
  int filledCircles = 0;  // a point strictly inside the circle: not Delaunay
  bool Valid() const { return inverted == 0 && flat == 0 && repeatedEdges == 0; }
};

inline TTriangulationFaults Faults(const T2DVectorArray& points, const TTriangleArray& triangles) {
  TTriangulationFaults f;
  std::set<std::pair<int32_t, int32_t>> edges;
  std::vector<int32_t> byX(points.size());
  for (size_t i = 0; i < points.size(); ++i) byX[i] = static_cast<int32_t>(i);
  std::sort(byX.begin(), byX.end(), [&](int32_t a, int32_t b) { return points[a].x < points[b].x; });
  for (const TDelaunayTriangle& t : triangles) {
    const T2DVector &a = points[t.p1], &b = points[t.p2], &c = points[t.p3];
    const int turn = Orientation(a, b, c);
    f.inverted += turn > 0;
    f.flat += turn == 0;
    for (int k = 0; k < 3; ++k) f.repeatedEdges += !edges.insert({t.Vertex(k), t.Vertex((k + 1) % 3)}).second;
    if (turn >= 0) continue;
    // Only points near the circle are asked, unless the corners are so
    // nearly collinear that its rounded centre could mislead.
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double lb = bx * bx + by * by, lc = cx * cx + cy * cy, d = 2 * (bx * cy - by * cx);
    const bool sure = std::fabs(d) > 1e-9 * 2 * (std::fabs(bx * cy) + std::fabs(by * cx));
    const double x = a.x + (cy * lb - by * lc) / d, y = a.y + (bx * lc - cx * lb) / d;
    const double reach = sure ? std::hypot(x - a.x, y - a.y) * (1 + 1e-6) : HUGE_VAL;
    auto q =
        sure ? std::lower_bound(byX.begin(), byX.end(), x - reach, [&](int32_t i, double v) { return points[i].x < v; })
             : byX.begin();
    for (; q != byX.end() && points[*q].x <= x + reach; ++q)
      if (*q != t.p1 && *q != t.p2 && *q != t.p3 && InCircle(a, b, c, points[*q]) < 0) {
        ++f.filledCircles;
        break;
      }
  }
  return f;
}

inline double ChainArea(const T2DVectorArray& points, const THullArray& chain) {
  double forward = 0, backward = 0;
  for (const THullEdge& e : chain) {
    forward += points[e.p1].x * points[e.p2].y;
    backward += points[e.p2].x * points[e.p1].y;
  }
  return std::fabs(forward - backward) / 2;
}

// How the earlier rule's triangulation differs from ours.
enum class TDifference {
  None,         // identical in everything: records, hull, concave hulls
  Overlapping,  // the earlier triangles overlap or have no area
  NotDelaunay,  // valid, but a point lies inside an earlier triangle's circle
  LostPoints,   // points left out of every earlier triangle that ours take in
  OrderOnly,    // the same triangles and areas; a wrong test on the way moved them in the list
  Count
};

// Triangulates `input` both ways and checks: ours is a valid Delaunay
// triangulation; where the earlier rule never departed from the exact one,
// every result is identical; otherwise the difference is of a known kind.
inline TDifference CompareWithEarlierRule(const std::vector<T2DVector>& input, const std::string& what) {
  TTriangulator ours;
  DirectTriangulator earlier;
  for (const T2DVector& p : input) ours.AddPoint(p.x, p.y), earlier.Add(p.x, p.y);
  ours.ComputeHull();
  earlier.Triangulate();
  earlier.ComputeHull();
  EXPECT_EQ(ours.Points().size(), earlier.points.size()) << what;
  for (size_t i = 0; i < std::min(ours.Points().size(), earlier.points.size()); ++i) {
    EXPECT_TRUE(Equal(ours.Points()[i], earlier.points[i])) << what;
    EXPECT_EQ(ours.InputIndex()[i], earlier.index1[i]) << what;
    EXPECT_EQ(ours.SecondIndex()[i], earlier.index2[i]) << what;
  }
  const TTriangulationFaults mine = Faults(ours.Points(), ours.Triangles());
  EXPECT_TRUE(mine.Valid() && mine.filledCircles == 0)
      << what << ": " << mine.inverted << " inverted, " << mine.flat << " flat, " << mine.repeatedEdges
      << " repeated edges, " << mine.filledCircles << " circles not empty";
  const double fractions[] = {0.0, 0.05, 0.3, 0.5, 1.0};
  if (earlier.departures == 0) {
    const TTriangleArray &a = ours.Triangles(), &b = earlier.triangles;
    EXPECT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
      SCOPED_TRACE(what + ", triangle " + std::to_string(i));
      EXPECT_TRUE(a[i].p1 == b[i].p1 && a[i].p2 == b[i].p2 && a[i].p3 == b[i].p3);
      EXPECT_TRUE(a[i].nb1 == b[i].nb1 && a[i].nb2 == b[i].nb2 && a[i].nb3 == b[i].nb3);
      EXPECT_TRUE(a[i].Cached == b[i].Cached && a[i].Complete == b[i].Complete);
      EXPECT_TRUE(a[i].xc == b[i].xc && a[i].yc == b[i].yc && a[i].r == b[i].r);
    }
    EXPECT_EQ(ours.Hull(), earlier.hull) << what;
    EXPECT_EQ(ours.MinEdge(), earlier.minEdge) << what;
    EXPECT_EQ(ours.MaxEdge(), earlier.maxEdge) << what;
    for (bool byArea : {false, true})
      for (double f : fractions) {
        ours.SetConcavity(f);
        byArea ? ours.ComputeConcaveHullByArea() : ours.ComputeConcaveHull();
        earlier.ConcaveHull(f, byArea);
        EXPECT_EQ(ours.ConcaveHull(), earlier.concave) << what << ", fraction " << f << ", by area " << byArea;
      }
    return TDifference::None;
  }
  const TTriangulationFaults theirs = Faults(earlier.points, earlier.triangles);
  if (!theirs.Valid()) return TDifference::Overlapping;
  if (theirs.filledCircles > 0) return TDifference::NotDelaunay;
  std::set<int32_t> used, usedEarlier;
  for (const TDelaunayTriangle& t : ours.Triangles()) used.insert({t.p1, t.p2, t.p3});
  for (const TDelaunayTriangle& t : earlier.triangles) usedEarlier.insert({t.p1, t.p2, t.p3});
  if (!std::includes(usedEarlier.begin(), usedEarlier.end(), used.begin(), used.end())) return TDifference::LostPoints;
  // Corners from the smallest, so that the same triangle compares equal.
  auto corners = [](const TTriangleArray& triangles) {
    std::set<std::array<int32_t, 3>> set;
    for (const TDelaunayTriangle& t : triangles) {
      const int32_t v[3] = {t.p1, t.p2, t.p3};
      const int k = static_cast<int>(std::min_element(v, v + 3) - v);
      set.insert({v[k], v[(k + 1) % 3], v[(k + 2) % 3]});
    }
    return set;
  };
  EXPECT_EQ(corners(ours.Triangles()), corners(earlier.triangles)) << what << ": a difference of no known kind";
  for (bool byArea : {false, true})
    for (double f : fractions) {
      ours.SetConcavity(f);
      byArea ? ours.ComputeConcaveHullByArea() : ours.ComputeConcaveHull();
      earlier.ConcaveHull(f, byArea);
      const double area = ChainArea(earlier.points, earlier.concave);
      EXPECT_NEAR(ChainArea(ours.Points(), ours.ConcaveHull()), area, 1e-9 * area) << what << ", fraction " << f;
    }
  return TDifference::OrderOnly;
}

}  // namespace lumora::testing
