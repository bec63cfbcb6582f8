#pragma once
// Picking a point under the mouse among a million: the points are projected
// into the window once per view and sorted into square cells of the pick
// radius, so a pick looks at the nine cells around the mouse only.

#include <cstdint>
#include <vector>

#include "geometry/GLMatrix.h"
#include "viewer/ViewProjection.h"

namespace lumora {

class TPickGrid {
 public:
  // Projects `points` with the viewer's projection (ProjectToWindow); a
  // point whose `shown` byte is 0 is left out (`shown` may be empty).
  void Build(const TMatrix4& modelview, int width, int height, const std::vector<T3DVector>& points,
             const std::vector<uint8_t>& shown, double radius);
  // Whether the grid was built for this view of that many points.
  bool BuiltFor(const TMatrix4& modelview, int width, int height, size_t points, double radius) const;
  void Clear() { *this = TPickGrid(); }

  // PickNearest's answer over the shown points for (x, y) inside the
  // window, from the cells around it.
  int Nearest(double x, double y) const;

 private:
  // Doubles, so that ties come out as PickNearest's do.
  struct TProjected {
    double X, Y, Depth;
    int32_t Point;
  };
  TMatrix4 modelview_{};
  int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  size_t points_ = 0;
  double radius_ = 0;
  std::vector<uint32_t> cellStart_;  // into projected_, per cell, plus the end
  std::vector<TProjected> projected_;
};

}  // namespace lumora
