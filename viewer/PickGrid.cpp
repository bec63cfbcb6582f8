#include "viewer/PickGrid.h"

#include <algorithm>
#include <cmath>

namespace lumora {

bool TPickGrid::Project(const T3DVector& p, double& x, double& y, double& depth) const {
  const TMatrix4& m = modelview_;
  // As ProjectToWindow, written out, so that distances and ties agree.
  const double ex = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
  const double ey = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
  depth = -(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
  if (!(depth > 1)) return false;
  x = width_ / 2.0 + 1000 * ex / depth;
  y = height_ / 2.0 - 1000 * ey / depth;
  return true;
}

void TPickGrid::Build(const TMatrix4& m, int width, int height, const std::vector<T3DVector>& points,
                      const std::vector<uint8_t>& shown, double radius) {
  modelview_ = m;
  width_ = width;
  height_ = height;
  points_ = &points;
  count_ = points.size();
  radius_ = radius;
  // Points up to a radius outside the window can still be picked at its edge.
  columns_ = static_cast<int>(std::ceil((width + 2 * radius) / radius)) + 1;
  rows_ = static_cast<int>(std::ceil((height + 2 * radius) / radius)) + 1;
  const uint32_t cells = static_cast<uint32_t>(columns_) * static_cast<uint32_t>(rows_);
  constexpr uint32_t kNone = ~0u;
  std::vector<uint32_t> cellOf(points.size(), kNone);
  cellStart_.assign(cells + 1, 0);
  for (size_t i = 0; i < points.size(); ++i) {
    if (!shown.empty() && !shown[i]) continue;
    double x, y, depth;
    if (!Project(points[i], x, y, depth)) continue;
    const double cx = (x + radius) / radius, cy = (y + radius) / radius;
    if (!(cx >= 0 && cy >= 0 && cx < columns_ && cy < rows_)) continue;
    cellOf[i] = static_cast<uint32_t>(static_cast<int>(cy) * columns_ + static_cast<int>(cx));
    ++cellStart_[cellOf[i] + 1];
  }
  for (uint32_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
  byCell_.resize(cellStart_[cells]);
  std::vector<uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (size_t i = 0; i < points.size(); ++i)
    if (cellOf[i] != kNone) byCell_[fill[cellOf[i]]++] = static_cast<int32_t>(i);
}

bool TPickGrid::BuiltFor(const TMatrix4& m, int width, int height, size_t points, double radius) const {
  return width == width_ && height == height_ && points == count_ && radius == radius_ &&
         std::equal(std::begin(m.m), std::end(m.m), std::begin(modelview_.m)) && !cellStart_.empty();
}

int TPickGrid::Nearest(double x, double y) const {
  if (cellStart_.empty()) return -1;
  const int cx = static_cast<int>(std::floor((x + radius_) / radius_));
  const int cy = static_cast<int>(std::floor((y + radius_) / radius_));
  // The few points of the nine cells, projected again: the nearest on the
  // screen first, then the nearest to the eye of those as near as it.
  struct TNear {
    double Distance, Depth;
    int32_t Point;
  };
  std::vector<TNear> near;
  double best = HUGE_VAL;
  for (int r = std::max(cy - 1, 0); r <= std::min(cy + 1, rows_ - 1); ++r)
    for (int c = std::max(cx - 1, 0); c <= std::min(cx + 1, columns_ - 1); ++c) {
      const size_t cell = static_cast<size_t>(r) * columns_ + c;
      for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
        double px, py, depth;
        Project((*points_)[byCell_[k]], px, py, depth);
        const double d = std::hypot(px - x, py - y);
        if (d > radius_) continue;
        near.push_back({d, depth, byCell_[k]});
        best = std::min(best, d);
      }
    }
  int hit = -1;
  double hitDepth = HUGE_VAL;
  for (const TNear& n : near)
    if (n.Distance <= best + kPickTie && (n.Depth < hitDepth || (n.Depth == hitDepth && n.Point < hit))) {
      hit = n.Point;
      hitDepth = n.Depth;
    }
  return hit;
}

}  // namespace lumora
