#include "volume/Delaunay.h"

#include <algorithm>
#include <cmath>

#include "volume/ExactPredicates.h"
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
  QuickSort(keys, 0, static_cast<int>(keys.size()) - 1,
            [](const TMeasureKey& a, const TMeasureKey& b) { return a.m > b.m ? -1 : (a.m < b.m ? 1 : 0); });
  sorted.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) sorted[i] = items[keys[i].i];
  items.swap(sorted);
}

}  // namespace

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
  triangulated_ = hullDone_ = concaveDone_ = false;
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
  QuickSort(items, left, right, [](const TSortItem& a, const TSortItem& b) { return ComparePoints(a.p, b.p); });
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

double TTriangulator::MaxX(int32_t lo, int32_t hi) const {
  const auto n = static_cast<int32_t>(maxXTo_.size());
  if (lo == 0 || maxXTo_[lo - 1] < maxXTo_[hi]) return maxXTo_[hi];  // the range holds the prefix's maximum
  double m = -HUGE_VAL;
  for (int32_t l = lo + n, h = hi + n + 1; l < h; l >>= 1, h >>= 1) {
    if (l & 1) m = std::max(m, maxTree_[l++]);
    if (h & 1) m = std::max(m, maxTree_[--h]);
  }
  return m;
}

// A point inside a triangle's circle removes the triangle. The side is
// decided exactly; a point exactly on the circle, where either choice
// gives a valid triangulation, is taken as the earlier sweep took it: by
// its rounded circle, with a tolerance at the first test (the next point),
// unless a point already passed right of that circle.
bool TTriangulator::Inside(int32_t id, int32_t point, bool& onCircle) const {
  const TDelaunayTriangle& t = triangles_[positionOf_[id]];
  const int side = InCircle(points_[t.p1], points_[t.p2], points_[t.p3], points_[point]);
  onCircle = side == 0;
  if (!onCircle) return side < 0;
  const int32_t step = madeAt_[id];
  double xc, yc, r;
  Circumcircle(points_[t.p1], points_[t.p2], points_[t.p3], xc, yc, r);
  if (xc + r < MaxX(step + 1, point)) return false;
  const double dx = points_[point].x - xc, dy = points_[point].y - yc;
  return dx * dx + dy * dy <= r * r * (point == step + 1 ? 1.0000001 : 1.0);
}

// The triangle holding the point, walking from triangle `id` across the
// edges the point lies beyond (in a random order, so that the walk cannot
// go round in circles); -1 for none.
int32_t TTriangulator::Locate(int32_t id, int32_t point) {
  const T2DVector& p = points_[point];
  auto beyond = [&](const TDelaunayTriangle& t, int s) {
    // Inside lies to the right of each edge of a clockwise triangle.
    return Orientation(points_[t.Vertex(s)], points_[t.Vertex((s + 1) % 3)], p) > 0;
  };
  // Coordinates so large that their products overflow could mislead the
  // walk; after as many steps as there are triangles, every one is asked.
  for (size_t steps = 0; steps <= triangles_.size(); ++steps) {
    const TDelaunayTriangle& t = triangles_[positionOf_[id]];
    random_ = random_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const int first = static_cast<int>((random_ >> 33) % 3);
    int across = -1;
    for (int k = 0; k < 3 && across < 0; ++k)
      if (beyond(t, (first + k) % 3)) across = (first + k) % 3;
    if (across < 0) return id;
    id = neighbours_[3 * id + across];
    if (id < 0) break;
  }
  for (size_t j = 0; j < triangles_.size(); ++j)
    if (!beyond(triangles_[j], 0) && !beyond(triangles_[j], 1) && !beyond(triangles_[j], 2)) return idAt_[j];
  return -1;
}

// The triangles whose circles hold the point: those around the one that
// holds it, found across their edges. Returns false when a circle that
// only passes through the point would leave the cavity no star around it.
bool TTriangulator::FindCavity(int32_t seed, int32_t point, bool onCircleToo) {
  // A mark of its own for each search, as a point may be searched twice.
  const int32_t mark = 2 * point + (onCircleToo ? 0 : 1);
  cavityMark_ = mark;
  cavityIds_.assign(1, seed);
  inCavity_[seed] = mark;
  bool touched = false;
  for (size_t k = 0; k < cavityIds_.size(); ++k) {
    const int32_t id = cavityIds_[k];
    for (int s = 0; s < 3; ++s) {
      const int32_t nb = neighbours_[3 * id + s];
      if (nb < 0 || inCavity_[nb] == mark || testedFor_[nb] == mark) continue;
      testedFor_[nb] = mark;
      bool onCircle = false;
      if (!Inside(nb, point, onCircle) || (onCircle && !onCircleToo)) continue;
      touched = touched || onCircle;
      inCavity_[nb] = mark;
      cavityIds_.push_back(nb);
    }
  }
  if (!touched) return true;
  for (const int32_t id : cavityIds_) {
    const TDelaunayTriangle& t = triangles_[positionOf_[id]];
    for (int s = 0; s < 3; ++s) {
      const int32_t nb = neighbours_[3 * id + s];
      if ((nb < 0 || inCavity_[nb] != mark) &&
          Orientation(points_[t.Vertex(s)], points_[t.Vertex((s + 1) % 3)], points_[point]) >= 0)
        return false;
    }
  }
  return true;
}

// Bowyer-Watson over the points in sweep order, each cavity found from the
// triangle holding the point, so the work follows the cavities, whatever
// lies between the points. The triangle list changes as the earlier sweep
// changed it (which scanned the list and moved the last triangle into each
// place it emptied), so its order and the corner order of every triangle
// are that sweep's.
void TTriangulator::Triangulate() {
  if (points_.size() < 3) return;
  hullDone_ = concaveDone_ = false;
  SortPoints(0, static_cast<int>(points_.size()) - 1);
  MergeDuplicates();
  const auto n = static_cast<int32_t>(points_.size());
  triangles_.clear();
  made_ = 0;
  // Every triangle of fewer points has a corner of the super-triangle.
  if (n < 3) {
    triangulated_ = true;
    return;
  }

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
  // The sweep ties x within a tolerance, so x is only nearly sorted:
  // maxima over ranges of points come from a table.
  maxXTo_.resize(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) maxXTo_[i] = std::max(points_[i].x, i ? maxXTo_[i - 1] : -HUGE_VAL);
  maxTree_.assign(2 * static_cast<size_t>(n), -HUGE_VAL);
  for (int32_t i = 0; i < n; ++i) maxTree_[n + i] = points_[i].x;
  for (int32_t i = n - 1; i > 0; --i) maxTree_[i] = std::max(maxTree_[2 * i], maxTree_[2 * i + 1]);

  triangles_.reserve(2 * static_cast<size_t>(n) + 8);
  // Triangles move in the list; an id stays with each until it is removed,
  // and its neighbours are named by id.
  idAt_.clear();
  positionOf_.clear();
  madeAt_.clear();
  neighbours_.clear();
  inCavity_.clear();
  testedFor_.clear();
  freeIds_.clear();
  cornerOf_.assign(static_cast<size_t>(n) + 3, -1);
  fanFrom_.assign(static_cast<size_t>(n) + 3, -1);
  fanTo_.assign(static_cast<size_t>(n) + 3, -1);
  random_ = 1;
  auto make = [&](int32_t a, int32_t b, int32_t c, int32_t step) {
    ++made_;
    TDelaunayTriangle t;
    t.p1 = a;
    t.p2 = b;
    t.p3 = c;
    int32_t id;
    if (freeIds_.empty()) {
      id = static_cast<int32_t>(positionOf_.size());
      positionOf_.push_back(0);
      madeAt_.push_back(0);
      inCavity_.push_back(-1);
      testedFor_.push_back(-1);
      neighbours_.insert(neighbours_.end(), {-1, -1, -1});
    } else {
      id = freeIds_.back();
      freeIds_.pop_back();
    }
    positionOf_[id] = static_cast<int32_t>(triangles_.size());
    idAt_.push_back(id);
    triangles_.push_back(t);
    madeAt_[id] = step;
    cornerOf_[a] = cornerOf_[b] = cornerOf_[c] = id;
    return id;
  };
  make(n, n + 1, n + 2, -1);

  // The walk to each point starts at the nearer of the previous point and
  // the last point of about the same height: points come by x, but may jump
  // far in y. Bands of the square root of the count, by rank (so that
  // clusters and gaps do not matter), hold a point about that far back in
  // the sweep, and are about as high.
  const auto band = std::max<int32_t>(4, static_cast<int32_t>(std::sqrt(static_cast<double>(n))));
  {
    std::vector<int32_t> byHeight(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) byHeight[i] = i;
    std::sort(byHeight.begin(), byHeight.end(), [&](int32_t a, int32_t b) { return points_[a].y < points_[b].y; });
    bandOf_.resize(static_cast<size_t>(n));
    for (int32_t rank = 0; rank < n; ++rank) bandOf_[byHeight[rank]] = rank / band;
    lastInBand_.assign(static_cast<size_t>(n / band) + 1, -1);
  }
  auto distance2 = [&](int32_t a, int32_t b) {
    const double dx = points_[a].x - points_[b].x, dy = points_[a].y - points_[b].y;
    return dx * dx + dy * dy;
  };

  std::vector<int32_t>& cavity = cavity_;
  int32_t previous = -1;
  for (int32_t i = 0; i < n; ++i) {
    int32_t near = previous;
    const int32_t level = lastInBand_[bandOf_[i]];
    if (level >= 0 && (near < 0 || distance2(level, i) < distance2(near, i))) near = level;
    const int32_t seed = Locate(near < 0 ? idAt_[0] : cornerOf_[near], i);
    if (seed < 0) continue;
    const TDelaunayTriangle& holder = triangles_[positionOf_[seed]];
    // A point equal to a corner, which the merge missed (it compares
    // neighbours in the sorted order only), is that corner.
    if (Equal(points_[holder.p1], points_[i]) || Equal(points_[holder.p2], points_[i]) ||
        Equal(points_[holder.p3], points_[i]))
      continue;
    previous = lastInBand_[bandOf_[i]] = i;
    // Circles through the point join only while the cavity stays a star.
    if (!FindCavity(seed, i, true)) FindCavity(seed, i, false);
    cavity.clear();
    for (const int32_t id : cavityIds_) {
      cavity.push_back(positionOf_[id]);
      freeIds_.push_back(id);
    }
    std::sort(cavity.begin(), cavity.end());
    // A scan in list order: a removed triangle's place takes the last one,
    // which is looked at there next. Its edges to triangles outside the
    // cavity, in that order, get the new triangles; the shared ones cancel.
    boundary_.clear();
    size_t first = 0, past = cavity.size();
    while (first < past) {
      const int32_t j = cavity[first];
      const TDelaunayTriangle& t = triangles_[j];
      const int32_t id = idAt_[j];
      for (int s = 0; s < 3; ++s) {
        const int32_t nb = neighbours_[3 * id + s];
        if (nb < 0 || inCavity_[nb] != cavityMark_) boundary_.push_back({t.Vertex(s), t.Vertex((s + 1) % 3), nb});
      }
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
    for (const TBoundaryEdge& e : boundary_) {
      const int32_t id = make(e.from, e.to, i, i);
      fanFrom_[e.from] = fanTo_[e.to] = id;
      neighbours_[3 * id] = e.outside;
      if (e.outside >= 0) {
        const TDelaunayTriangle& o = triangles_[positionOf_[e.outside]];
        for (int s = 0; s < 3; ++s)
          if (o.Vertex(s) == e.to && o.Vertex((s + 1) % 3) == e.from) neighbours_[3 * e.outside + s] = id;
      }
    }
    // Around the point, each new triangle meets the one starting where it
    // ends and the one ending where it starts.
    for (const TBoundaryEdge& e : boundary_) {
      const int32_t id = fanFrom_[e.from];
      neighbours_[3 * id + 1] = fanFrom_[e.to];
      neighbours_[3 * id + 2] = fanTo_[e.from];
    }
  }

  size_t i = 0;
  while (i < triangles_.size()) {
    const TDelaunayTriangle& t = triangles_[i];
    if (t.p1 >= n || t.p2 >= n || t.p3 >= n) {
      const int32_t gone = idAt_[i];
      triangles_[i] = triangles_.back();
      idAt_[i] = idAt_.back();
      positionOf_[idAt_[i]] = static_cast<int32_t>(i);
      triangles_.pop_back();
      idAt_.pop_back();
      positionOf_[gone] = -1;
    } else {
      ++i;
    }
  }
  // Per edge slot (3 * triangle + slot) the slot of the same edge the other
  // way round in the neighbour, -1 at the boundary.
  reverseSlot_.assign(3 * triangles_.size(), -1);
  for (size_t p = 0; p < triangles_.size(); ++p)
    for (int s = 0; s < 3; ++s) {
      const int32_t nb = neighbours_[3 * idAt_[p] + s];
      if (nb < 0 || positionOf_[nb] < 0) continue;
      const TDelaunayTriangle& o = triangles_[positionOf_[nb]];
      for (int r = 0; r < 3; ++r)
        if (o.Vertex(r) == triangles_[p].Vertex((s + 1) % 3) && o.Vertex((r + 1) % 3) == triangles_[p].Vertex(s))
          reverseSlot_[3 * p + s] = 3 * positionOf_[nb] + r;
    }
  // What the records would hold after testing: the circle once the next
  // point has looked at it, and complete once any point lay right of it.
  for (TDelaunayTriangle& t : triangles_) {
    if (t.p3 == n - 1) continue;
    Circumcircle(points_[t.p1], points_[t.p2], points_[t.p3], t.xc, t.yc, t.r);
    t.Cached = true;
    t.Complete = t.xc + t.r < MaxX(t.p3 + 1, n - 1);
  }
  points_.resize(n);
  for (auto* scratch : {&idAt_, &positionOf_, &madeAt_, &neighbours_, &inCavity_, &testedFor_, &freeIds_, &cornerOf_,
                        &fanFrom_, &fanTo_, &cavity_, &cavityIds_, &bandOf_, &lastInBand_})
    *scratch = {};
  boundary_ = {};
  maxXTo_ = {};
  maxTree_ = {};
  triangulated_ = true;
}

void TTriangulator::ComputeHull() {
  if (points_.size() < 3 || hullDone_) return;
  if (!triangulated_) Triangulate();
  minEdge_ = 1e308;
  maxEdge_ = -1e308;
  hull_.clear();
  const auto tcount = static_cast<int32_t>(triangles_.size());
  // Each edge slot's place in the hull list while it is there: the search
  // for an edge the other way round looks at its one slot.
  hullAt_.assign(3 * static_cast<size_t>(tcount), -1);
  for (int32_t i = 0; i < tcount; ++i) {
    for (int s = 0; s < 3; ++s) {
      const int32_t reverse = reverseSlot_[3 * i + s];
      if (reverse >= 0 && hullAt_[reverse] >= 0) {
        const int32_t k = hullAt_[reverse];
        hullAt_[reverse] = -1;
        const THullEdge found = hull_[k];
        triangles_[i].SetNeighbour(s, found.Triangle);
        triangles_[found.Triangle].SetNeighbour(found.Slot, i);
        hull_[k] = hull_.back();
        hull_.pop_back();
        if (k < static_cast<int32_t>(hull_.size())) hullAt_[3 * hull_[k].Triangle + hull_[k].Slot] = k;
      } else {
        const int32_t a = triangles_[i].Vertex(s), b = triangles_[i].Vertex((s + 1) % 3);
        hullAt_[3 * i + s] = static_cast<int32_t>(hull_.size());
        hull_.push_back({a, b, i, static_cast<uint8_t>(s)});
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

int TTriangulator::DigSlot(const THullEdge& e, double measure, double limit) const {
  if (e.Triangle < 0 || e.Triangle >= static_cast<int32_t>(triangles_.size()) || !(measure > limit)) return -1;
  const TDelaunayTriangle& t = triangles_[e.Triangle];
  // The slot of a dug edge is not kept: find the edge in its triangle.
  for (int s = 0; s < 3; ++s)
    if (t.Vertex(s) == e.p1 && t.Vertex((s + 1) % 3) == e.p2) return s;
  return -1;
}

void TTriangulator::ConcaveHull(bool byArea) {
  if (points_.size() <= 2) return;
  if (!hullDone_) ComputeHull();
  const double limit = byArea ? Threshold * Threshold / 2 : Threshold;
  if (RoundByRound || !DigByVertex(byArea, limit)) DigRoundByRound(byArea, limit);
  concaveDone_ = true;
}

// Each round of the sweep digs across the edges of the sorted list in turn,
// so a vertex faced by several edges goes to the first, the longest. Where
// that one is the only longest, a round is the same found vertex by vertex,
// in time of the edges it made; and where the chain left is one simple
// cycle with a single longest edge, its order is that cycle from that edge.
// Anything else is the sweep's to decide: a tie that decides, a measure
// that is not a number (which leaves the list unsorted), another chain.
bool TTriangulator::DigByVertex(bool byArea, double limit) {
  const size_t n = points_.size();
  std::vector<TMeasuredEdge> live, made, kept;
  onHull_.assign(n, 0);
  for (const THullEdge& e : hull_) {
    live.push_back({Measure(e, byArea), e});
    if (std::isnan(live.back().m)) return false;
    onHull_[e.p1] = onHull_[e.p2] = 1;
  }
  diggerOf_.assign(n, -1);
  while (!live.empty()) {
    facing_.resize(live.size());
    for (size_t i = 0; i < live.size(); ++i) {
      const int slot = DigSlot(live[i].e, live[i].m, limit);
      int32_t o = slot < 0 ? -1 : triangles_[live[i].e.Triangle].Vertex((slot + 2) % 3);
      if (o >= 0 && onHull_[o]) o = -1;
      facing_[i] = o;
      if (o >= 0 && (diggerOf_[o] < 0 || live[i].m > live[diggerOf_[o]].m)) diggerOf_[o] = static_cast<int32_t>(i);
    }
    made.clear();
    for (size_t i = 0; i < live.size(); ++i) {
      const int32_t o = facing_[i];
      if (o < 0 || diggerOf_[o] != static_cast<int32_t>(i)) {
        if (o >= 0 && live[i].m == live[diggerOf_[o]].m) return false;
        kept.push_back(live[i]);
        continue;
      }
      const THullEdge& e = live[i].e;
      const TDelaunayTriangle& t = triangles_[e.Triangle];
      const int slot = DigSlot(e, live[i].m, limit);
      const THullEdge ao{e.p1, o, t.Neighbour((slot + 2) % 3), 0};
      const THullEdge ob{o, e.p2, t.Neighbour((slot + 1) % 3), 0};
      made.push_back({Measure(ao, byArea), ao});
      made.push_back({Measure(ob, byArea), ob});
      if (std::isnan(made[made.size() - 2].m) || std::isnan(made.back().m)) return false;
    }
    for (size_t i = 0; i < made.size(); i += 2) {
      const int32_t o = made[i].e.p2;
      onHull_[o] = 1;
      diggerOf_[o] = -1;
    }
    live.swap(made);
  }

  const size_t m = kept.size();
  if (m < 3) return false;
  size_t top = 0;
  for (size_t i = 1; i < m; ++i)
    if (kept[i].m > kept[top].m) top = i;
  std::vector<int32_t>& leaving = diggerOf_;  // per vertex the edge leaving it
  for (size_t i = 0; i < m; ++i) {
    if (i != top && kept[i].m == kept[top].m) return false;
    int32_t& out = leaving[kept[i].e.p1];
    if (out >= 0) return false;
    out = static_cast<int32_t>(i);
  }
  concaveHull_.clear();
  for (auto i = static_cast<int32_t>(top); concaveHull_.size() < m;) {
    concaveHull_.push_back(kept[i].e);
    i = leaving[kept[i].e.p2];
    if (i < 0 || (i == static_cast<int32_t>(top)) != (concaveHull_.size() == m)) return false;
  }
  return true;
}

void TTriangulator::DigRoundByRound(bool byArea, double limit) {
  std::vector<TMeasuredEdge> copy(hull_.size()), next, kept, added;
  for (size_t i = 0; i < hull_.size(); ++i) copy[i] = {Measure(hull_[i], byArea), hull_[i]};
  QuickSortByMeasure(copy);
  // Vertices on the chain so far; they only ever grow, so one mark per
  // vertex answers "an end point of any edge" without a search.
  onHull_.assign(points_.size(), 0);
  for (const TMeasuredEdge& m : copy) onHull_[m.e.p1] = onHull_[m.e.p2] = 1;
  for (;;) {
    next.clear();
    kept.clear();
    added.clear();
    for (const TMeasuredEdge& m : copy) {
      const THullEdge& e = m.e;
      bool dug = false;
      if (const int slot = DigSlot(e, m.m, limit); slot >= 0) {
        const TDelaunayTriangle& t = triangles_[e.Triangle];
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
}

}  // namespace lumora
