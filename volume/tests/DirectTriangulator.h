#pragma once
// The triangulator written the direct way, with the plain scans that the
// production code replaces by indexes: every triangle visited for every
// point, the hull list searched for the reverse of every edge, every edge
// of the chain searched for the digging vertex, the chain ordered by
// scanning. It keeps the earlier in-circle rule (the rounded circle, with a
// tolerance at a triangle's first test, and no test once a point passed
// right of the circle) and counts the decisions where that rule departs
// from the exact one; where it never does, the tests require identical
// results from both.

#include <cmath>
#include <vector>

#include "volume/Delaunay.h"
#include "volume/ExactPredicates.h"
#include "volume/QuickSort.h"

namespace lumora::testing {

struct DirectTriangulator {
  T2DVectorArray points;
  TIntegerArray index1, index2;
  TTriangleArray triangles;
  THullArray hull, concave;
  double minEdge = 0, maxEdge = 0, threshold = 150;
  // Tests decided otherwise than exactly: a point inside a circle left out
  // or one outside taken in (points on a circle may go either way, as long
  // as the cavity stays a star around the point).
  int departures = 0;

  void Add(double x, double y) {
    index1.push_back(static_cast<int32_t>(points.size()));
    index2.push_back(static_cast<int32_t>(points.size()));
    points.push_back({x, y});
  }

  bool InRoundedCircle(const T2DVector& p, TDelaunayTriangle& t) {
    double tol = 1;
    if (!t.Cached) {
      TTriangulator::Circumcircle(points[t.p1], points[t.p2], points[t.p3], t.xc, t.yc, t.r);
      t.Cached = true;
      tol = 1.0000001;
    }
    const double dx = p.x - t.xc, dy = p.y - t.yc;
    return dx * dx + dy * dy <= t.r * t.r * tol;
  }

  void Triangulate() {
    if (points.size() < 3) return;
    struct Item {
      T2DVector p;
      int32_t a, b;
    };
    std::vector<Item> items;
    for (size_t i = 0; i < points.size(); ++i) items.push_back({points[i], index1[i], index2[i]});
    QuickSort(items, 0, static_cast<int>(items.size()) - 1,
              [](const Item& a, const Item& b) { return TTriangulator::ComparePoints(a.p, b.p); });
    points.clear();
    index1.clear();
    index2.clear();
    for (const Item& it : items) {
      if (!points.empty() && std::fabs(it.p.x - points.back().x) < 1e-6 && std::fabs(it.p.y - points.back().y) < 1e-6) {
        if (it.a < index1.back()) index1.back() = it.a, index2.back() = it.b;
        continue;
      }
      points.push_back(it.p);
      index1.push_back(it.a);
      index2.push_back(it.b);
    }
    const int n = static_cast<int>(points.size());
    T2DVector lo = points[0], hi = points[0];
    for (const T2DVector& p : points) lo = MinVector(lo, p), hi = MaxVector(hi, p);
    const double d = std::max(hi.x - lo.x, hi.y - lo.y);
    const T2DVector m{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2};
    points.push_back({m.x - 100 * d, m.y - d});
    points.push_back({m.x, m.y + 100 * d});
    points.push_back({m.x + 100 * d, m.y - d});
    triangles.clear();
    TDelaunayTriangle s;
    s.p1 = n, s.p2 = n + 1, s.p3 = n + 2;
    triangles.push_back(s);
    departures = 0;
    for (int i = 0; i < n; ++i) {
      std::vector<std::pair<int32_t, int32_t>> edges;
      bool onCircle = false;
      for (size_t j = 0; j < triangles.size();) {
        TDelaunayTriangle& t = triangles[j];
        const int side = InCircle(points[t.p1], points[t.p2], points[t.p3], points[i]);
        if (t.Complete) {
          departures += side < 0;
          ++j;
          continue;
        }
        const bool in = InRoundedCircle(points[i], t);
        if (t.xc + t.r < points[i].x) {
          departures += side < 0;
          t.Complete = true;
          ++j;
        } else if (in) {
          departures += side > 0;
          onCircle = onCircle || side == 0;
          edges.push_back({t.p1, t.p2});
          edges.push_back({t.p2, t.p3});
          edges.push_back({t.p3, t.p1});
          triangles[j] = triangles.back();
          triangles.pop_back();
        } else {
          departures += side < 0;
          ++j;
        }
      }
      for (size_t a = 0; a < edges.size(); ++a)
        for (size_t b = a + 1; b < edges.size(); ++b)
          if (edges[a].first == edges[b].second && edges[a].second == edges[b].first) edges[a] = edges[b] = {-1, -1};
      if (onCircle)
        for (const auto& e : edges)
          departures += e.first >= 0 && Orientation(points[e.first], points[e.second], points[i]) >= 0;
      for (const auto& e : edges) {
        if (e.first < 0) continue;
        TDelaunayTriangle t;
        t.p1 = e.first, t.p2 = e.second, t.p3 = i;
        triangles.push_back(t);
      }
    }
    for (size_t i = 0; i < triangles.size();) {
      const TDelaunayTriangle& t = triangles[i];
      if (t.p1 >= n || t.p2 >= n || t.p3 >= n) {
        triangles[i] = triangles.back();
        triangles.pop_back();
      } else {
        ++i;
      }
    }
    points.resize(n);
  }

  static void Chain(THullArray& e) {
    for (size_t i = 0; i + 1 < e.size(); ++i) {
      if (e[i + 1].p1 == e[i].p2) continue;
      for (size_t j = i + 2; j < e.size(); ++j)
        if (e[j].p1 == e[i].p2) std::swap(e[i + 1], e[j]);
    }
  }

  void ComputeHull() {
    minEdge = 1e308, maxEdge = -1e308;
    hull.clear();
    for (int32_t i = 0; i < static_cast<int32_t>(triangles.size()); ++i) {
      for (int s = 0; s < 3; ++s) {
        const int32_t a = triangles[i].Vertex(s), b = triangles[i].Vertex((s + 1) % 3);
        size_t k = 0;
        while (k < hull.size() && !(hull[k].p1 == b && hull[k].p2 == a)) ++k;
        if (k == hull.size()) {
          hull.push_back({a, b, i, static_cast<uint8_t>(s)});
          const double len = Distance(points[a], points[b]);
          minEdge = std::min(minEdge, len);
          maxEdge = std::max(maxEdge, len);
        } else {
          triangles[i].SetNeighbour(s, hull[k].Triangle);
          triangles[hull[k].Triangle].SetNeighbour(hull[k].Slot, i);
          hull[k] = hull.back();
          hull.pop_back();
        }
      }
    }
    if (triangles.empty()) minEdge = maxEdge = 0;  // nothing measured
    Chain(hull);
  }

  double Measure(const THullEdge& e, bool byArea) const {
    if (!byArea) return Distance(points[e.p1], points[e.p2]);
    if (e.Triangle < 0) return 0;
    const TDelaunayTriangle& t = triangles[e.Triangle];
    const T2DVector u = Subtract(points[t.p2], points[t.p1]), w = Subtract(points[t.p3], points[t.p1]);
    return std::fabs(u.x * w.y - u.y * w.x);
  }

  void Sort(THullArray& e, bool byArea) const {
    QuickSort(e, 0, static_cast<int>(e.size()) - 1, [&](const THullEdge& a, const THullEdge& b) {
      const double ma = Measure(a, byArea), mb = Measure(b, byArea);
      return ma > mb ? -1 : (ma < mb ? 1 : 0);
    });
  }

  void ConcaveHull(double fraction, bool byArea) {
    threshold = minEdge + fraction * (maxEdge - minEdge);
    const double limit = byArea ? threshold * threshold / 2 : threshold;
    THullArray copy = hull;
    Sort(copy, byArea);
    for (;;) {
      concave.clear();
      for (const THullEdge& e : copy) {
        auto onChain = [&](int32_t v) {
          for (const THullEdge& h : copy)
            if (h.p1 == v || h.p2 == v) return true;
          for (const THullEdge& h : concave)
            if (h.p1 == v || h.p2 == v) return true;
          return false;
        };
        int slot = -1;
        if (e.Triangle >= 0)
          for (int s = 0; s < 3; ++s)
            if (triangles[e.Triangle].Vertex(s) == e.p1 && triangles[e.Triangle].Vertex((s + 1) % 3) == e.p2) slot = s;
        if (slot >= 0 && Measure(e, byArea) > limit) {
          const TDelaunayTriangle& t = triangles[e.Triangle];
          int32_t o = 0, na = 0, nb = 0;
          if (slot == 0) o = t.p3, na = t.nb3, nb = t.nb2;
          if (slot == 1) o = t.p1, na = t.nb1, nb = t.nb3;
          if (slot == 2) o = t.p2, na = t.nb2, nb = t.nb1;
          if (!onChain(o)) {
            concave.push_back({e.p1, o, na, 0});
            concave.push_back({o, e.p2, nb, 0});
            continue;
          }
        }
        concave.push_back(e);
      }
      if (concave.size() == copy.size()) break;
      copy = concave;
      Sort(copy, byArea);
    }
    Chain(concave);
  }
};

}  // namespace lumora::testing
