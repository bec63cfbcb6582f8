#include "volume/Delaunay.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "volume/QuickSort.h"

namespace lumora {
namespace {

constexpr double kEps = 1e-6;

struct TSortItem {
  T2DVector p;
  int32_t first, second;
};

struct TMeasuredEdge {
  double m;
  THullEdge e;
};

struct TMeasureKey {
  double m;
  int32_t i;
};

// Largest measure first. The sort moves small keys; the comparisons see the
// measures only, so the order is that of sorting the edges themselves.
void QuickSortByMeasure(std::vector<TMeasuredEdge>& items) {
  thread_local std::vector<TMeasureKey> keys;
  thread_local std::vector<TMeasuredEdge> sorted;
  keys.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) keys[i] = {items[i].m, static_cast<int32_t>(i)};
  QuickSort(keys, 0, static_cast<int>(keys.size()) - 1, [](const TMeasureKey& a, const TMeasureKey& b) {
    return a.m > b.m ? -1 : (a.m < b.m ? 1 : 0);
  });
  sorted.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) sorted[i] = items[keys[i].i];
  items.swap(sorted);
}

}  // namespace

void TTriangulator::CancelSharedEdges(std::vector<int32_t>& buf) {
  const size_t count = buf.size() / 2;
  if (count <= 48) {
    for (size_t a = 0; a < count; ++a) {
      for (size_t b = a + 1; b < count; ++b)
        if (buf[2 * a] == buf[2 * b + 1] && buf[2 * a + 1] == buf[2 * b]) {
          buf[2 * a] = buf[2 * a + 1] = buf[2 * b] = buf[2 * b + 1] = -1;
        }
    }
    return;
  }
  // Large cavities (many points on one circle): positions by directed edge.
  auto key = [](int32_t u, int32_t v) { return (uint64_t(uint32_t(u)) << 32) | uint32_t(v); };
  std::unordered_map<uint64_t, std::vector<uint32_t>> at;
  at.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) at[key(buf[2 * i], buf[2 * i + 1])].push_back(uint32_t(i));
  for (size_t a = 0; a < count; ++a) {
    const int32_t u = buf[2 * a], v = buf[2 * a + 1];
    if (u < 0) continue;
    auto it = at.find(key(v, u));
    if (it == at.end()) continue;
    for (uint32_t b : it->second)
      if (b > a && buf[2 * b] >= 0) {
        buf[2 * a] = buf[2 * a + 1] = buf[2 * b] = buf[2 * b + 1] = -1;
        break;
      }
  }
}

int TTriangulator::ComparePoints(const T2DVector& a, const T2DVector& b) {
  const double dx = a.x - b.x;
  if (std::fabs(dx) > kEps) return dx < 0 ? -1 : 1;
  const double dy = a.y - b.y;
  if (std::fabs(dy) > kEps) return dy < 0 ? -1 : 1;
  return 0;
}

void TTriangulator::Circumcircle(const T2DVector& a, const T2DVector& b, const T2DVector& c, double& xc, double& yc,
                                 double& r) {
  if (std::fabs(a.y - b.y) < kEps && std::fabs(b.y - c.y) < kEps) {
    xc = a.x;
    yc = a.y;
  } else if (std::fabs(b.y - a.y) < kEps) {
    const double m2 = -(c.x - b.x) / (c.y - b.y);
    const double mx2 = (b.x + c.x) / 2, my2 = (b.y + c.y) / 2;
    xc = (b.x + a.x) / 2;
    yc = m2 * (xc - mx2) + my2;
  } else if (std::fabs(c.y - b.y) < kEps) {
    const double m1 = -(b.x - a.x) / (b.y - a.y);
    const double mx1 = (a.x + b.x) / 2, my1 = (a.y + b.y) / 2;
    xc = (c.x + b.x) / 2;
    yc = m1 * (xc - mx1) + my1;
  } else {
    const double m1 = -(b.x - a.x) / (b.y - a.y);
    const double m2 = -(c.x - b.x) / (c.y - b.y);
    const double mx1 = (a.x + b.x) / 2, my1 = (a.y + b.y) / 2;
    const double mx2 = (b.x + c.x) / 2, my2 = (b.y + c.y) / 2;
    if (m1 - m2 == 0) {
      xc = (a.x + b.x + c.x) / 3;
      yc = (a.y + b.y + c.y) / 3;
    } else {
      xc = (m1 * mx1 - m2 * mx2 + my2 - my1) / (m1 - m2);
      yc = m1 * (xc - mx1) + my1;
    }
  }
  const double dx = b.x - xc, dy = b.y - yc;
  r = std::sqrt(dx * dx + dy * dy);
}

void TTriangulator::Clear() {
  points_.clear();
  inputIndex_.clear();
  secondIndex_.clear();
  triangles_.clear();
  hull_.clear();
  concaveHull_.clear();
  triangulated_ = hullDone_ = concaveDone_ = keysValid_ = false;
  minEdge_ = maxEdge_ = 0;
}

void TTriangulator::AddPoint(double x, double y) {
  const auto i = static_cast<int32_t>(points_.size());
  points_.push_back({x, y});
  inputIndex_.push_back(i);
  secondIndex_.push_back(i);
  triangulated_ = hullDone_ = concaveDone_ = false;
}

void TTriangulator::SortPoints(int left, int right) {
  std::vector<TSortItem> items(points_.size());
  for (size_t i = 0; i < items.size(); ++i) items[i] = {points_[i], inputIndex_[i], secondIndex_[i]};
  QuickSort(items, left, right,
            [](const TSortItem& a, const TSortItem& b) { return ComparePoints(a.p, b.p); });
  for (size_t i = 0; i < items.size(); ++i) {
    points_[i] = items[i].p;
    inputIndex_[i] = items[i].first;
    secondIndex_[i] = items[i].second;
  }
}

void TTriangulator::MergeDuplicates() {
  if (points_.empty()) return;
  size_t k = 0;
  for (size_t j = 1; j < points_.size(); ++j) {
    if (std::fabs(points_[j].x - points_[k].x) < kEps && std::fabs(points_[j].y - points_[k].y) < kEps) {
      if (inputIndex_[j] < inputIndex_[k]) {
        inputIndex_[k] = inputIndex_[j];
        secondIndex_[k] = secondIndex_[j];
      }
    } else {
      ++k;
      points_[k] = points_[j];
      inputIndex_[k] = inputIndex_[j];
      secondIndex_[k] = secondIndex_[j];
    }
  }
  points_.resize(k + 1);
  inputIndex_.resize(k + 1);
  secondIndex_.resize(k + 1);
}

// Each triangle's end is known when it is made: the first later point that
// the sweep would find inside its circle before the sweep has passed the
// circle (when it would be marked complete). The points are all known in
// advance, so an index over them answers that, and each point's cavity is
// the list of triangles that named it. Cavities, the order their triangles
// are found and removed in, and the triangles made are then those of
// testing every open triangle against every point, rounding and ties
// included, at the cost of a search per triangle made.
int32_t TTriangulator::EndOf(const TDelaunayTriangle& t, int32_t step) const {
  const auto n = static_cast<int32_t>(points_.size()) - 3;
  const int32_t next = step + 1;
  if (next >= n) return -1;
  const double right = t.xc + t.r;
  // The first test of a triangle is the next point's, with a tolerance.
  if (right < points_[next].x) return -1;
  if (InCircumcircle(points_[next], t.xc, t.yc, t.r, 1.0000001)) return next;
  const int32_t j = pointIndex_.FirstInside(t.xc, t.yc, t.r);
  // Completed by a point right of the circle before j reaches it.
  if (j < 0 || right < pointIndex_.MaxX(next, j)) return -1;
  return j;
}

void TTriangulator::Triangulate() {
  if (points_.size() < 3) return;
  SortPoints(0, static_cast<int>(points_.size()) - 1);
  MergeDuplicates();
  const auto n = static_cast<int32_t>(points_.size());

  T2DVector lo = points_[0], hi = points_[0];
  for (const T2DVector& p : points_) {
    lo = MinVector(lo, p);
    hi = MaxVector(hi, p);
  }
  const double dmax = std::max(hi.x - lo.x, hi.y - lo.y);
  const T2DVector mid{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2};
  points_.push_back({mid.x - 100 * dmax, mid.y - dmax});
  points_.push_back({mid.x, mid.y + 100 * dmax});
  points_.push_back({mid.x + 100 * dmax, mid.y - dmax});
  pointIndex_.Build(points_.data(), n);

  triangles_.clear();
  triangles_.reserve(2 * static_cast<size_t>(n) + 8);
  // Triangles move in the list; an id stays with each until it is removed.
  idAt_.clear();
  positionOf_.clear();
  nextOfEnd_.clear();
  freeIds_.clear();
  madeAt_.clear();
  wide_.clear();
  endsAt_.assign(static_cast<size_t>(n), -1);
  // Circles wider than the points' extent (those through the super-triangle
  // and those of slivers) reach too many points for a search to pay: they
  // are tested against every point as they come, as before.
  const double wideRadius = dmax;
  made_ = 0;
  auto make = [&](int32_t a, int32_t b, int32_t c, int32_t step) {
    ++made_;
    TDelaunayTriangle t;
    t.p1 = a;
    t.p2 = b;
    t.p3 = c;
    Circumcircle(points_[a], points_[b], points_[c], t.xc, t.yc, t.r);
    t.Cached = true;
    int32_t id;
    if (freeIds_.empty()) {
      id = static_cast<int32_t>(positionOf_.size());
      positionOf_.push_back(0);
      nextOfEnd_.push_back(-1);
      madeAt_.push_back(0);
    } else {
      id = freeIds_.back();
      freeIds_.pop_back();
    }
    positionOf_[id] = static_cast<int32_t>(triangles_.size());
    idAt_.push_back(id);
    triangles_.push_back(t);
    madeAt_[id] = step;
    if (a >= n || b >= n || c >= n || !(t.r <= wideRadius)) {
      wide_.push_back(id);
      return;
    }
    const int32_t end = EndOf(t, step);
    if (end >= 0) {
      nextOfEnd_[id] = endsAt_[end];
      endsAt_[end] = id;
    }
  };
  pointIndex_.DropBelow(1);
  make(n, n + 1, n + 2, -1);

  std::vector<int32_t>& cavity = cavity_;
  for (int32_t i = 0; i < n; ++i) {
    cavity.clear();
    for (int32_t id = endsAt_[i]; id >= 0; id = nextOfEnd_[id]) {
      cavity.push_back(positionOf_[id]);
      freeIds_.push_back(id);
    }
    const T2DVector p = points_[i];
    for (size_t k = 0; k < wide_.size();) {
      const int32_t id = wide_[k];
      const TDelaunayTriangle& t = triangles_[positionOf_[id]];
      const bool inside = InCircumcircle(p, t.xc, t.yc, t.r, madeAt_[id] == i - 1 ? 1.0000001 : 1.0);
      // Complete once the sweep has passed the circle; it stays then.
      const bool complete = t.xc + t.r < p.x;
      if (complete || inside) {
        if (!complete) {
          cavity.push_back(positionOf_[id]);
          freeIds_.push_back(id);
        }
        wide_[k] = wide_.back();
        wide_.pop_back();
      } else {
        ++k;
      }
    }
    std::sort(cavity.begin(), cavity.end());
    // A scan in list order: a removed triangle's place takes the last one,
    // which is looked at there next.
    edgeBuffer_.clear();
    size_t first = 0, past = cavity.size();
    while (first < past) {
      const int32_t j = cavity[first];
      const TDelaunayTriangle& t = triangles_[j];
      edgeBuffer_.insert(edgeBuffer_.end(), {t.p1, t.p2, t.p2, t.p3, t.p3, t.p1});
      const auto last = static_cast<int32_t>(triangles_.size()) - 1;
      if (cavity[past - 1] == last && last != j)
        --past;  // the last one is in the cavity too, and now at j
      else
        ++first;
      if (j != last) {
        triangles_[j] = triangles_[last];
        idAt_[j] = idAt_[last];
        positionOf_[idAt_[j]] = j;
      }
      triangles_.pop_back();
      idAt_.pop_back();
    }
    CancelSharedEdges(edgeBuffer_);
    pointIndex_.DropBelow(i + 2);
    for (size_t e = 0; e + 1 < edgeBuffer_.size(); e += 2)
      if (edgeBuffer_[e] >= 0) make(edgeBuffer_[e], edgeBuffer_[e + 1], i, i);
  }

  size_t i = 0;
  while (i < triangles_.size()) {
    const TDelaunayTriangle& t = triangles_[i];
    if (t.p1 >= n || t.p2 >= n || t.p3 >= n) {
      triangles_[i] = triangles_.back();
      triangles_.pop_back();
    } else {
      ++i;
    }
  }
  // What the records would hold after testing: the circle once the next
  // point has looked at it, and complete once any point lay right of it.
  for (TDelaunayTriangle& t : triangles_) {
    if (t.p3 == n - 1) {
      t.Cached = false;
      t.xc = t.yc = t.r = 0;
    } else {
      t.Complete = t.xc + t.r < pointIndex_.MaxX(t.p3 + 1, n - 1);
    }
  }
  points_.resize(n);
  idAt_ = {};
  positionOf_ = {};
  nextOfEnd_ = {};
  endsAt_ = {};
  freeIds_ = {};
  cavity_ = {};
  madeAt_ = {};
  wide_ = {};
  triangulated_ = true;
  keysValid_ = false;
}

void TTriangulator::FindEdgeKeys() {
  const auto tcount = static_cast<int32_t>(triangles_.size());
  const size_t slots = 3 * static_cast<size_t>(tcount);
  // A directed edge is named by its first slot (3 * triangle + slot); a
  // triangulation bent by rounding may hold the same directed edge twice.
  // Slots sorted by edge, then slot: each run of one edge starts with its
  // name. Sorting, not a walk round each vertex, so that a vertex of
  // thousands of triangles costs no more than the others.
  auto edgeKey = [](int32_t a, int32_t b) { return (uint64_t(uint32_t(a)) << 32) | uint32_t(b); };
  std::vector<std::pair<uint64_t, int32_t>> bySlot(slots);
  for (int32_t i = 0; i < tcount; ++i)
    for (int s = 0; s < 3; ++s)
      bySlot[3 * i + s] = {edgeKey(triangles_[i].Vertex(s), triangles_[i].Vertex((s + 1) % 3)), 3 * i + s};
  std::sort(bySlot.begin(), bySlot.end());
  // One entry per directed edge: its key and its name; then the reverse of
  // each found by a merge over the keys turned round, as both lists are
  // sorted (a search per edge would miss the cache on big layers).
  std::vector<std::pair<uint64_t, int32_t>> names, turned;
  for (size_t k = 0; k < slots; ++k)
    if (k == 0 || bySlot[k].first != bySlot[k - 1].first) names.push_back(bySlot[k]);
  turned.reserve(names.size());
  for (size_t g = 0; g < names.size(); ++g)
    turned.push_back({(names[g].first << 32) | (names[g].first >> 32), static_cast<int32_t>(g)});
  std::sort(turned.begin(), turned.end());
  std::vector<int32_t> reverseOf(names.size(), -1);
  for (size_t q = 0, g = 0; q < turned.size(); ++q) {
    while (g < names.size() && names[g].first < turned[q].first) ++g;
    if (g < names.size() && names[g].first == turned[q].first) reverseOf[turned[q].second] = names[g].second;
  }
  keyOf_.assign(slots, -1);
  reverseKeyOf_.assign(slots, -1);
  for (size_t k = 0, g = 0; k < slots; ++k) {
    if (k > 0 && bySlot[k].first != bySlot[k - 1].first) ++g;
    keyOf_[bySlot[k].second] = names[g].second;
    reverseKeyOf_[bySlot[k].second] = reverseOf[g];
  }
  // Room per key for every edge that carries it.
  keyStart_.assign(slots + 1, 0);
  for (size_t e = 0; e < slots; ++e) ++keyStart_[keyOf_[e] + 1];
  for (size_t e = 0; e < slots; ++e) keyStart_[e + 1] += keyStart_[e];
  keysValid_ = true;
}

void TTriangulator::ComputeHull() {
  if (points_.size() < 3) return;
  if (!triangulated_) Triangulate();
  minEdge_ = 1e308;
  maxEdge_ = -1e308;
  hull_.clear();
  const auto tcount = static_cast<int32_t>(triangles_.size());
  if (!keysValid_) FindEdgeKeys();

  // The hull positions of each directed edge: the search for the reverse
  // of an edge looks at the positions of its key only, and takes the first
  // as a search from the start of the list would.
  const size_t slots = 3 * static_cast<size_t>(tcount);
  keyFill_.assign(slots, 0);
  keySlots_.resize(slots);
  hullKey_.clear();
  for (int32_t i = 0; i < tcount; ++i) {
    for (int s = 0; s < 3; ++s) {
      const int32_t e = 3 * i + s;
      const int32_t rk = reverseKeyOf_[e];
      if (rk >= 0 && keyFill_[rk] > 0) {
        const int32_t base = keyStart_[rk];
        int32_t best = base;
        for (int32_t c = base + 1; c < base + keyFill_[rk]; ++c)
          if (keySlots_[c] < keySlots_[best]) best = c;
        const int32_t k = keySlots_[best];
        keySlots_[best] = keySlots_[base + --keyFill_[rk]];
        const THullEdge found = hull_[k];
        triangles_[i].SetNeighbour(s, found.Triangle);
        triangles_[found.Triangle].SetNeighbour(found.Slot, i);
        const auto last = static_cast<int32_t>(hull_.size()) - 1;
        if (k != last) {
          hull_[k] = hull_[last];
          hullKey_[k] = hullKey_[last];
          const int32_t lk = hullKey_[k];
          int32_t c = keyStart_[lk];
          while (keySlots_[c] != last) ++c;
          keySlots_[c] = k;
        }
        hull_.pop_back();
        hullKey_.pop_back();
      } else {
        const int32_t a = triangles_[i].Vertex(s), b = triangles_[i].Vertex((s + 1) % 3);
        const int32_t key = keyOf_[e];
        keySlots_[keyStart_[key] + keyFill_[key]++] = static_cast<int32_t>(hull_.size());
        hull_.push_back({a, b, i, static_cast<uint8_t>(s)});
        hullKey_.push_back(key);
        // Every edge is measured once, when first met.
        const double dx = points_[b].x - points_[a].x, dy = points_[b].y - points_[a].y;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (len < minEdge_) minEdge_ = len;
        if (len > maxEdge_) maxEdge_ = len;
      }
    }
  }
  // Without a triangle no edge was measured: a range of 0, not the
  // starting values, so no threshold becomes infinite or NaN.
  if (tcount == 0) minEdge_ = maxEdge_ = 0;
  OrderChain(hull_);
  hullDone_ = true;
}

void TTriangulator::OrderChain(THullArray& edges) {
  const auto m = static_cast<int32_t>(edges.size());
  if (m < 3) return;  // nothing can be swapped
  const auto n = static_cast<int32_t>(points_.size());
  // Positions of the edges starting at each vertex, ascending.
  chainStart_.assign(static_cast<size_t>(n) + 1, 0);
  for (const THullEdge& e : edges) ++chainStart_[e.p1 + 1];
  for (int32_t v = 0; v < n; ++v) chainStart_[v + 1] += chainStart_[v];
  chainAt_.assign(chainStart_.begin(), chainStart_.end() - 1);
  chainPos_.resize(static_cast<size_t>(m));
  for (int32_t p = 0; p < m; ++p) chainPos_[chainAt_[edges[p].p1]++] = p;

  for (int32_t i = 0; i + 1 < m; ++i) {
    const int32_t v = edges[i].p2;
    if (edges[i + 1].p1 == v) continue;
    const int32_t lo = chainStart_[v], hi = chainStart_[v + 1];
    int32_t c = lo;
    while (c < hi && chainPos_[c] < i + 2) ++c;
    if (c == hi) continue;
    // Every later edge starting at v is swapped into i + 1 in turn: the
    // last one ends there and each earlier one moves one match on.
    const int32_t first = chainPos_[c];
    const THullEdge moved = edges[i + 1];
    THullEdge carry = moved;
    for (int32_t k = c; k < hi; ++k) std::swap(carry, edges[chainPos_[k]]);
    edges[i + 1] = carry;
    // The first match's position now holds the edge from i + 1 (start u);
    // v's list gains i + 1 in its place, which keeps it ascending.
    chainPos_[c] = i + 1;
    const int32_t u = moved.p1;
    int32_t k = chainStart_[u];
    while (chainPos_[k] != i + 1) ++k;
    chainPos_[k] = first;
    while (k + 1 < chainStart_[u + 1] && chainPos_[k + 1] < chainPos_[k]) {
      std::swap(chainPos_[k], chainPos_[k + 1]);
      ++k;
    }
  }
}

void TTriangulator::GetEdgeRange(double& minEdge, double& maxEdge) {
  ComputeHull();
  minEdge = minEdge_;
  maxEdge = maxEdge_;
}

void TTriangulator::SetConcavity(double f) {
  Fraction = f;
  double lo = 0, hi = 0;
  GetEdgeRange(lo, hi);
  Threshold = lo + f * (hi - lo);
}

void TTriangulator::ComputeConcaveHull() { ConcaveHull(false); }
void TTriangulator::ComputeConcaveHullByArea() { ConcaveHull(true); }

double TTriangulator::Measure(const THullEdge& e, bool byArea) const {
  if (!byArea) return Distance(points_[e.p1], points_[e.p2]);
  if (e.Triangle < 0 || e.Triangle >= static_cast<int32_t>(triangles_.size())) return 0;
  const TDelaunayTriangle& t = triangles_[e.Triangle];
  const T2DVector u = Subtract(points_[t.p2], points_[t.p1]);
  const T2DVector w = Subtract(points_[t.p3], points_[t.p1]);
  return std::fabs(u.x * w.y - u.y * w.x);
}

void TTriangulator::ConcaveHull(bool byArea) {
  if (points_.size() <= 2) return;
  if (!hullDone_) ComputeHull();
  const double limit = byArea ? Threshold * Threshold / 2 : Threshold;
  std::vector<TMeasuredEdge> copy(hull_.size()), next, kept, added;
  for (size_t i = 0; i < hull_.size(); ++i) copy[i] = {Measure(hull_[i], byArea), hull_[i]};
  QuickSortByMeasure(copy);
  // Vertices on the chain so far; they only ever grow, so one mark per
  // vertex answers "an end point of any edge" without a search.
  onHull_.assign(points_.size(), 0);
  for (const TMeasuredEdge& m : copy) onHull_[m.e.p1] = onHull_[m.e.p2] = 1;
  const auto tcount = static_cast<int32_t>(triangles_.size());
  for (;;) {
    next.clear();
    kept.clear();
    added.clear();
    for (const TMeasuredEdge& m : copy) {
      const THullEdge& e = m.e;
      bool dug = false;
      if (e.Triangle >= 0 && e.Triangle < tcount && m.m > limit) {
        const TDelaunayTriangle& t = triangles_[e.Triangle];
        // The slot of a dug edge is not kept: find the edge in its triangle.
        int slot = -1;
        for (int s = 0; s < 3 && slot < 0; ++s)
          if (t.Vertex(s) == e.p1 && t.Vertex((s + 1) % 3) == e.p2) slot = s;
        if (slot >= 0) {
          const int32_t o = t.Vertex((slot + 2) % 3);
          if (!onHull_[o]) {
            // Across a-o lies the edge before the opposite vertex, across o-b
            // the one after it.
            const THullEdge ao{e.p1, o, t.Neighbour((slot + 2) % 3), 0};
            const THullEdge ob{o, e.p2, t.Neighbour((slot + 1) % 3), 0};
            next.push_back({Measure(ao, byArea), ao});
            next.push_back({Measure(ob, byArea), ob});
            added.push_back(next[next.size() - 2]);
            added.push_back(next.back());
            onHull_[o] = 1;
            dug = true;
          }
        }
      }
      if (!dug) {
        next.push_back(m);
        kept.push_back(m);
      }
    }
    if (next.size() == copy.size()) break;
    // The kept edges are still in order; merged with the new ones they give
    // the sorted list, which is the quicksort's own whenever no two measures
    // are equal. With a tie the quicksort decides.
    std::sort(added.begin(), added.end(), [](const TMeasuredEdge& a, const TMeasuredEdge& b) { return a.m > b.m; });
    copy.resize(next.size());
    std::merge(kept.begin(), kept.end(), added.begin(), added.end(), copy.begin(),
               [](const TMeasuredEdge& a, const TMeasuredEdge& b) { return a.m > b.m; });
    bool distinct = true;
    for (size_t i = 0; i < copy.size() && distinct; ++i)
      distinct = std::isfinite(copy[i].m) && (i == 0 || copy[i - 1].m > copy[i].m);
    if (!distinct) {
      copy = next;
      QuickSortByMeasure(copy);
    }
  }
  concaveHull_.clear();
  for (const TMeasuredEdge& m : next) concaveHull_.push_back(m.e);
  OrderChain(concaveHull_);
  concaveDone_ = true;
}

}  // namespace lumora
