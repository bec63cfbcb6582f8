#pragma once
// Delaunay triangulation of plan points (incremental Bowyer-Watson over
// points sorted by x, with a super-triangle, deciding in-circle and turn
// exactly), the boundary of the triangulation, and concave hulls dug into
// it.
//
// Triangles are all wound the same way (clockwise with y up), so an inner
// edge appears in its two triangles in opposite directions. Indices into the
// point list refer to the sorted and merged points once Triangulate has run;
// InputIndex maps them back to the order of AddPoint.

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Vector.h"

namespace lumora {

struct TDelaunayTriangle {
  int32_t p1 = 0, p2 = 0, p3 = 0;
  // nb1 across p1-p2, nb2 across p2-p3, nb3 across p3-p1; -1 for none.
  int32_t nb1 = -1, nb2 = -1, nb3 = -1;
  bool Cached = false;
  double xc = 0, yc = 0, r = 0;  // circumcircle, valid when Cached
  bool Complete = false;

  int32_t Vertex(int k) const { return k == 0 ? p1 : k == 1 ? p2 : p3; }
  int32_t Neighbour(int slot) const { return slot == 0 ? nb1 : slot == 1 ? nb2 : nb3; }
  void SetNeighbour(int slot, int32_t t) { (slot == 0 ? nb1 : slot == 1 ? nb2 : nb3) = t; }
};

// A directed edge of a hull, the triangle that owns it and its slot there
// (0 for p1-p2, 1 for p2-p3, 2 for p3-p1).
struct THullEdge {
  int32_t p1 = 0, p2 = 0;
  int32_t Triangle = -1;
  uint8_t Slot = 0;

  friend bool operator==(const THullEdge&, const THullEdge&) = default;
};

using T2DVectorArray = std::vector<T2DVector>;
using TIntegerArray = std::vector<int32_t>;
using TTriangleArray = std::vector<TDelaunayTriangle>;
using THullArray = std::vector<THullEdge>;

class TTriangulator {
 public:
  TTriangulator() { Clear(); }

  void Clear();
  void AddPoint(double x, double y);
  // Does nothing with fewer than 3 points.
  void Triangulate();
  // Boundary edges in chain order, neighbour links and the edge range;
  // found once per triangulation.
  void ComputeHull();
  void GetEdgeRange(double& minEdge, double& maxEdge);
  // Threshold := shortest edge + f * (longest - shortest); f in 0..1.
  void SetConcavity(double f);
  // Dig the boundary inwards across edges longer than Threshold, or across
  // triangles whose doubled area exceeds Threshold^2 / 2.
  void ComputeConcaveHull();
  void ComputeConcaveHullByArea();

  bool Triangulated() const { return triangulated_; }
  bool HullDone() const { return hullDone_; }
  bool ConcaveDone() const { return concaveDone_; }
  double MinEdge() const { return minEdge_; }
  double MaxEdge() const { return maxEdge_; }
  // Triangles made by the last triangulation, removed ones included: the
  // work it took.
  int64_t Made() const { return made_; }

  const T2DVectorArray& Points() const { return points_; }
  const TIntegerArray& InputIndex() const { return inputIndex_; }
  const TIntegerArray& SecondIndex() const { return secondIndex_; }
  const TTriangleArray& Triangles() const { return triangles_; }
  const THullArray& Hull() const { return hull_; }
  const THullArray& ConcaveHull() const { return concaveHull_; }

  double Threshold = 150.0;
  double Fraction = 0;
  std::string Name;
  // Digs every hull by the sweep over the whole sorted list, round by
  // round, which the quick way must agree with: for comparisons.
  bool RoundByRound = false;

  // Shared with the tests' direct implementation, so both use the same
  // orders.
  // -1, 0 or 1 by x, then y, each with a tolerance of 1e-6.
  static int ComparePoints(const T2DVector& a, const T2DVector& b);
  // Circumcentre and radius with the fallbacks for flat triples.
  static void Circumcircle(const T2DVector& a, const T2DVector& b, const T2DVector& c, double& xc, double& yc,
                           double& r);

 private:
  void SortPoints(int left, int right);
  void MergeDuplicates();
  // The largest x of the sorted points lo..hi (both included).
  double MaxX(int32_t lo, int32_t hi) const;
  // Whether the point lies inside the circle of triangle `id`, and whether
  // exactly on it.
  bool Inside(int32_t id, int32_t point, bool& onCircle) const;
  int32_t Locate(int32_t id, int32_t point);
  bool FindCavity(int32_t seed, int32_t point, bool onCircleToo);
  void ConcaveHull(bool byArea);
  bool DigByVertex(bool byArea, double limit);
  void DigRoundByRound(bool byArea, double limit);
  double Measure(const THullEdge& e, bool byArea) const;
  // The slot of a chain edge in its triangle when its measure lets it be
  // dug; -1 otherwise.
  int DigSlot(const THullEdge& e, double measure, double limit) const;
  void OrderChain(THullArray& edges);

  bool triangulated_ = false, hullDone_ = false, concaveDone_ = false;
  double minEdge_ = 0, maxEdge_ = 0;
  int64_t made_ = 0;
  T2DVectorArray points_;
  TIntegerArray inputIndex_, secondIndex_;
  TTriangleArray triangles_;
  THullArray hull_, concaveHull_;

  // Scratch kept between calls so that repeated hulls do not allocate.
  // While triangulating: per list position its triangle's id; per id its
  // position, the step that made it, its neighbours across its three edges
  // and the marks of the last cavity search that took it and that tested
  // it; per vertex a triangle at it
  // and the new triangles starting and ending there.
  struct TBoundaryEdge {
    int32_t from, to, outside;
  };
  std::vector<int32_t> idAt_, positionOf_, madeAt_, neighbours_, inCavity_, testedFor_, freeIds_;
  std::vector<int32_t> cornerOf_, fanFrom_, fanTo_;
  // Per point its band of about the same height; per band its last point.
  std::vector<int32_t> bandOf_, lastInBand_;
  std::vector<int32_t> cavity_, cavityIds_;
  std::vector<TBoundaryEdge> boundary_;
  std::vector<double> maxXTo_, maxTree_;  // x maxima of prefixes and of ranges
  int32_t cavityMark_ = -1;               // of the triangles in the last cavity found
  uint64_t random_ = 1;
  std::vector<int32_t> chainStart_, chainPos_, chainAt_;
  std::vector<uint8_t> onHull_;
  // Digging by vertex: per vertex the edge that digs it this round, then
  // the edge leaving it on the chain; per edge of a round its vertex.
  std::vector<int32_t> diggerOf_, facing_;
  // Per edge slot of the triangles, the slot of its reverse in the
  // neighbour (-1 at the boundary), found with the triangles; and its place
  // in the hull list while the hull is found.
  std::vector<int32_t> reverseSlot_, hullAt_;
};

}  // namespace lumora
