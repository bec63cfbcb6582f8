#pragma once
// The triangulator's earlier sweep, kept to hold the point-indexed one to
// it: every triangle that is not complete is tested against every point, a
// bit per slot marking those not complete. It is fast on one compact cave
// and slow where empty space keeps circles open, which is why it is no
// longer used; the tests require identical triangle lists from both.

#include <bit>
#include <cstdint>
#include <vector>

#include "volume/Delaunay.h"

namespace lumora::testing {

struct SweepTriangulator {
  // `points` sorted and merged (the triangulator's Points() after
  // Triangulate); returns the triangles as the sweep leaves them.
  static TTriangleArray Triangulate(T2DVectorArray points) {
    TTriangleArray triangles;
    if (points.size() < 3) return triangles;
    const auto n = static_cast<int32_t>(points.size());
    T2DVector lo = points[0], hi = points[0];
    for (const T2DVector& p : points) lo = MinVector(lo, p), hi = MaxVector(hi, p);
    const double dmax = std::max(hi.x - lo.x, hi.y - lo.y);
    const T2DVector mid{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2};
    points.push_back({mid.x - 100 * dmax, mid.y - dmax});
    points.push_back({mid.x, mid.y + 100 * dmax});
    points.push_back({mid.x + 100 * dmax, mid.y - dmax});
    TDelaunayTriangle super;
    super.p1 = n, super.p2 = n + 1, super.p3 = n + 2;
    triangles.push_back(super);
    std::vector<uint64_t> open(std::max<size_t>(1, (3 * static_cast<size_t>(n) + 64) / 64), 0);
    SetBit(open, 0, true);
    std::vector<int32_t> edges;
    for (int32_t i = 0; i < n; ++i) {
      const T2DVector p = points[i];
      edges.clear();
      int count = static_cast<int>(triangles.size());
      int j = FindOpen(open, 0, count);
      while (j < count) {
        TDelaunayTriangle& t = triangles[j];
        double tolerance = 1.0;
        if (!t.Cached) {
          TTriangulator::Circumcircle(points[t.p1], points[t.p2], points[t.p3], t.xc, t.yc, t.r);
          t.Cached = true;
          tolerance = 1.0000001;
        }
        const double dx = p.x - t.xc, dy = p.y - t.yc;
        const bool inside = dx * dx + dy * dy <= t.r * t.r * tolerance;
        if (t.xc + t.r < p.x) {
          t.Complete = true;
          SetBit(open, j, false);
          j = FindOpen(open, j + 1, count);
        } else if (inside) {
          edges.insert(edges.end(), {t.p1, t.p2, t.p2, t.p3, t.p3, t.p1});
          const int last = count - 1;
          if (j != last) {
            triangles[j] = triangles[last];
            SetBit(open, j, GetBit(open, last));
          }
          SetBit(open, last, false);
          triangles.pop_back();
          --count;
          j = FindOpen(open, j, count);
        } else {
          j = FindOpen(open, j + 1, count);
        }
      }
      TTriangulator::CancelSharedEdges(edges);
      for (size_t e = 0; e + 1 < edges.size(); e += 2) {
        if (edges[e] < 0) continue;
        TDelaunayTriangle t;
        t.p1 = edges[e], t.p2 = edges[e + 1], t.p3 = i;
        SetBit(open, static_cast<int>(triangles.size()), true);
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
    return triangles;
  }

 private:
  static int FindOpen(const std::vector<uint64_t>& bits, int from, int count) {
    if (from >= count) return count;
    size_t w = static_cast<size_t>(from) >> 6;
    uint64_t word = bits[w] & (~uint64_t{0} << (from & 63));
    while (word == 0) {
      if (++w >= bits.size()) return count;
      word = bits[w];
    }
    const int j = static_cast<int>(w * 64 + static_cast<size_t>(std::countr_zero(word)));
    return j < count ? j : count;
  }
  static void SetBit(std::vector<uint64_t>& bits, int i, bool on) {
    const size_t w = static_cast<size_t>(i) >> 6;
    if (w >= bits.size()) bits.resize(w + 1, 0);
    const uint64_t mask = uint64_t{1} << (i & 63);
    bits[w] = on ? (bits[w] | mask) : (bits[w] & ~mask);
  }
  static bool GetBit(const std::vector<uint64_t>& bits, int i) {
    const size_t w = static_cast<size_t>(i) >> 6;
    return w < bits.size() && ((bits[w] >> (i & 63)) & 1);
  }
};

}  // namespace lumora::testing
