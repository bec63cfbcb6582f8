#include "volume/FirstPointIndex.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace lumora {
namespace {

constexpr int32_t kLeafSize = 8;
constexpr int32_t kNone = INT32_MAX;

}  // namespace

void TFirstPointIndex::Build(const T2DVector* points, int32_t count) {
  points_ = points;
  count_ = count;
  first_ = 0;
  nodes_.clear();
  order_.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) order_[i] = i;
  leafOf_.assign(static_cast<size_t>(count), -1);
  cursor_.clear();
  if (count > 0) {
    nodes_.reserve(static_cast<size_t>(count / kLeafSize) * 2 + 2);
    BuildNode(0, count, -1);
  }
  // The sweep order ties x within a tolerance, so x is only nearly sorted:
  // the kept points' smallest x comes from a table, not from the first one.
  minXFrom_.resize(static_cast<size_t>(count) + 1);
  minXFrom_[count] = HUGE_VAL;
  for (int32_t i = count - 1; i >= 0; --i) minXFrom_[i] = std::min(points[i].x, minXFrom_[i + 1]);
  maxXTo_.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) maxXTo_[i] = std::max(points[i].x, i ? maxXTo_[i - 1] : -HUGE_VAL);
  maxTree_.assign(2 * static_cast<size_t>(count), -HUGE_VAL);
  for (int32_t i = 0; i < count; ++i) maxTree_[count + i] = points[i].x;
  for (int32_t i = count - 1; i > 0; --i) maxTree_[i] = std::max(maxTree_[2 * i], maxTree_[2 * i + 1]);
}

int32_t TFirstPointIndex::BuildNode(int32_t begin, int32_t end, int32_t parent) {
  const auto id = static_cast<int32_t>(nodes_.size());
  TNode node{};
  node.parent = parent;
  node.begin = begin;
  node.end = end;
  node.x0 = node.y0 = HUGE_VAL;
  node.x1 = node.y1 = -HUGE_VAL;
  for (int32_t s = begin; s < end; ++s) {
    const T2DVector& p = points_[order_[s]];
    node.x0 = std::min(node.x0, p.x), node.x1 = std::max(node.x1, p.x);
    node.y0 = std::min(node.y0, p.y), node.y1 = std::max(node.y1, p.y);
  }
  nodes_.push_back(node);
  cursor_.push_back(begin);
  if (end - begin <= kLeafSize) {
    std::sort(order_.begin() + begin, order_.begin() + end);
    for (int32_t s = begin; s < end; ++s) leafOf_[order_[s]] = id;
    nodes_[id].minKept = order_[begin];
    return id;
  }
  const bool alongX = node.x1 - node.x0 >= node.y1 - node.y0;
  const int32_t mid = begin + (end - begin) / 2;
  std::nth_element(order_.begin() + begin, order_.begin() + mid, order_.begin() + end, [&](int32_t a, int32_t b) {
    const double ka = alongX ? points_[a].x : points_[a].y, kb = alongX ? points_[b].x : points_[b].y;
    return ka < kb || (ka == kb && a < b);
  });
  const int32_t left = BuildNode(begin, mid, id);
  const int32_t right = BuildNode(mid, end, id);
  nodes_[id].left = left;
  nodes_[id].right = right;
  nodes_[id].minKept = std::min(nodes_[left].minKept, nodes_[right].minKept);
  return id;
}

void TFirstPointIndex::Refresh(int32_t node) {
  TNode& leaf = nodes_[node];
  leaf.minKept = cursor_[node] < leaf.end ? order_[cursor_[node]] : kNone;
  for (int32_t up = leaf.parent; up >= 0; up = nodes_[up].parent) {
    const int32_t m = std::min(nodes_[nodes_[up].left].minKept, nodes_[nodes_[up].right].minKept);
    if (m == nodes_[up].minKept) break;
    nodes_[up].minKept = m;
  }
}

void TFirstPointIndex::DropBelow(int32_t first) {
  first = std::min(first, count_);
  for (; first_ < first; ++first_) {
    // Points leave in index order, so the one leaving is its leaf's first.
    const int32_t leaf = leafOf_[first_];
    ++cursor_[leaf];
    Refresh(leaf);
  }
}

int32_t TFirstPointIndex::FirstInside(double xc, double yc, double r) const {
  if (first_ >= count_) return -1;
  if (!std::isfinite(xc) || !std::isfinite(yc) || !std::isfinite(r)) {
    // No box can be ruled out against such a circle: ask every point.
    for (int32_t j = first_; j < count_; ++j)
      if (InCircumcircle(points_[j], xc, yc, r, 1.0)) return j;
    return -1;
  }
  // A box is ruled out only when clearly beyond the circle: rounding of the
  // test at the points themselves stays far inside this margin.
  // The sweep reaches most small circles within a few points.
  for (int32_t j = first_, last = std::min(count_, first_ + 12); j < last; ++j)
    if (InCircumcircle(points_[j], xc, yc, r, 1.0)) return j;
  const double reach = r + 1e-9 * (std::fabs(xc) + std::fabs(yc) + r) + 1e-300;
  const double reach2 = reach * reach;
  const double xKept = minXFrom_[first_];
  int32_t best = kNone;
  int32_t stack[256];
  int sp = 0;
  stack[sp++] = 0;
  while (sp > 0) {
    const TNode& node = nodes_[stack[--sp]];
    if (node.minKept >= best) continue;
    const double bx0 = std::max(node.x0, xKept);
    const double dx = xc < bx0 ? bx0 - xc : (xc > node.x1 ? xc - node.x1 : 0);
    const double dy = yc < node.y0 ? node.y0 - yc : (yc > node.y1 ? yc - node.y1 : 0);
    if (dx > reach || dy > reach || dx * dx + dy * dy > reach2) continue;
    if (node.left < 0) {
      for (int32_t s = cursor_[&node - nodes_.data()]; s < node.end; ++s) {
        const int32_t j = order_[s];
        if (j >= best) break;
        if (InCircumcircle(points_[j], xc, yc, r, 1.0)) {
          best = j;
          break;
        }
      }
      continue;
    }
    const TNode& a = nodes_[node.left];
    const TNode& b = nodes_[node.right];
    // The child holding the earlier points is searched first.
    if (a.minKept <= b.minKept) {
      stack[sp++] = node.right;
      stack[sp++] = node.left;
    } else {
      stack[sp++] = node.left;
      stack[sp++] = node.right;
    }
  }
  return best == kNone ? -1 : best;
}

double TFirstPointIndex::MaxX(int32_t lo, int32_t hi) const {
  if (lo == 0 || maxXTo_[lo - 1] < maxXTo_[hi]) return maxXTo_[hi];  // the range holds the prefix's maximum
  double m = -HUGE_VAL;
  for (int32_t l = lo + count_, h = hi + count_ + 1; l < h; l >>= 1, h >>= 1) {
    if (l & 1) m = std::max(m, maxTree_[l++]);
    if (h & 1) m = std::max(m, maxTree_[--h]);
  }
  return m;
}

}  // namespace lumora
