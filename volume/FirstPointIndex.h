#pragma once
// The points of a sweep in a k-d tree, for one question: which is the first
// point still to come that falls inside a circle. Points are numbered in
// sweep order and leave the index in that order. A circle's answer costs
// about the log of the point count wherever the points cluster and however
// far apart the clusters lie, where testing every open circle against every
// point costs as many tests as there are circles spanning the gaps.

#include <cstdint>
#include <vector>

#include "geometry/Vector.h"

namespace lumora {

// The triangulator's in-circle rule: |p - centre|^2 <= r^2 * tolerance, in
// this order of operations, so every caller decides alike.
inline bool InCircumcircle(const T2DVector& p, double xc, double yc, double r, double tolerance) {
  const double dx = p.x - xc, dy = p.y - yc;
  return dx * dx + dy * dy <= r * r * tolerance;
}

class TFirstPointIndex {
 public:
  // `points` must outlive the index and stay unchanged.
  void Build(const T2DVector* points, int32_t count);
  // Points below `first` leave; `first` never decreases.
  void DropBelow(int32_t first);
  int32_t FirstKept() const { return first_; }
  // The smallest kept index j with InCircumcircle(p_j, xc, yc, r, 1), or -1.
  int32_t FirstInside(double xc, double yc, double r) const;
  // The largest x among points lo..hi (both included).
  double MaxX(int32_t lo, int32_t hi) const;

 private:
  struct TNode {
    double x0, y0, x1, y1;  // box of the node's points
    int32_t minKept;        // smallest kept index below the node
    int32_t parent;
    int32_t left = -1, right = -1;  // children, -1 for a leaf
    int32_t begin, end;             // a leaf's slots in order_, by index
  };
  int32_t BuildNode(int32_t begin, int32_t end, int32_t parent);
  void Refresh(int32_t node);

  const T2DVector* points_ = nullptr;
  int32_t count_ = 0, first_ = 0;
  std::vector<TNode> nodes_;
  std::vector<int32_t> order_;   // point indices, leaf by leaf
  std::vector<int32_t> leafOf_;  // per point, its leaf
  std::vector<int32_t> cursor_;  // per node, a leaf's first kept slot
  std::vector<double> minXFrom_;  // smallest x of points i..count-1
  std::vector<double> maxXTo_;    // largest x of points 0..i
  std::vector<double> maxTree_;   // x maxima over index ranges
};

}  // namespace lumora
