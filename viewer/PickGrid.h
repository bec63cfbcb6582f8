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
  // Sorts `points` into cells by where the viewer's projection puts them; a
  // point whose `shown` byte is 0 is left out (`shown` may be empty). The
  // points must stay as they are while the grid is used.
  void Build(const TMatrix4& modelview, int width, int height, const std::vector<T3DVector>& points,
             const std::vector<uint8_t>& shown, double radius);
  // Whether the grid was built for this view of that many points.
  bool BuiltFor(const TMatrix4& modelview, int width, int height, size_t points, double radius) const;
  void Clear() { *this = TPickGrid(); }

  // PickNearest's answer over the shown points for (x, y) inside the
  // window, from the cells around it.
  int Nearest(double x, double y) const;

 private:
  // Where a point lands in the window, worked out as ProjectToWindow does.
  bool Project(const T3DVector& p, double& x, double& y, double& depth) const;

  TMatrix4 modelview_{};
  int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  const std::vector<T3DVector>* points_ = nullptr;  // the caller's, kept while built
  size_t count_ = 0;
  double radius_ = 0;
  std::vector<uint32_t> cellStart_;  // into byCell_, per cell, plus the end
  std::vector<int32_t> byCell_;      // point indices, cell by cell
};

}  // namespace lumora
