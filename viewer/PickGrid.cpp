#include "viewer/PickGrid.h"

#include <algorithm>
#include <cmath>

namespace lumora {

void TPickGrid::Build(const TMatrix4& m, int width, int height, const std::vector<T3DVector>& points,
                      const std::vector<uint8_t>& shown, double radius) {
  modelview_ = m;
  width_ = width;
  height_ = height;
  points_ = points.size();
  radius_ = radius;
  // Points up to a radius outside the window can still be picked at its edge.
  columns_ = static_cast<int>(std::ceil((width + 2 * radius) / radius)) + 1;
  rows_ = static_cast<int>(std::ceil((height + 2 * radius) / radius)) + 1;
  const size_t cells = static_cast<size_t>(columns_) * rows_;
  std::vector<TProjected> all;
  all.reserve(points.size());
  std::vector<uint32_t> cellOf;
  cellOf.reserve(points.size());
  cellStart_.assign(cells + 1, 0);
  for (size_t i = 0; i < points.size(); ++i) {
    if (!shown.empty() && !shown[i]) continue;
    const T3DVector& p = points[i];
    // As ProjectToWindow, written out: this loop is the whole cost.
    const double ex = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const double ey = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const double depth = -(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
    if (!(depth > 1)) continue;
    const double x = width / 2.0 + 1000 * ex / depth, y = height / 2.0 - 1000 * ey / depth;
    const double cx = (x + radius) / radius, cy = (y + radius) / radius;
    if (!(cx >= 0 && cy >= 0 && cx < columns_ && cy < rows_)) continue;
    const uint32_t cell = static_cast<uint32_t>(static_cast<int>(cy) * columns_ + static_cast<int>(cx));
    all.push_back({x, y, depth, static_cast<int32_t>(i)});
    cellOf.push_back(cell);
    ++cellStart_[cell + 1];
  }
  for (size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
  projected_.resize(all.size());
  std::vector<uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (size_t k = 0; k < all.size(); ++k) projected_[fill[cellOf[k]]++] = all[k];
}

bool TPickGrid::BuiltFor(const TMatrix4& m, int width, int height, size_t points, double radius) const {
  return width == width_ && height == height_ && points == points_ && radius == radius_ &&
         std::equal(std::begin(m.m), std::end(m.m), std::begin(modelview_.m)) && !cellStart_.empty();
}

int TPickGrid::Nearest(double x, double y) const {
  if (cellStart_.empty()) return -1;
  const int cx = static_cast<int>(std::floor((x + radius_) / radius_));
  const int cy = static_cast<int>(std::floor((y + radius_) / radius_));
  // The nearest on the screen first, then the nearest to the eye of those
  // as near as it.
  double best = HUGE_VAL;
  for (int pass = 0; pass < 2; ++pass) {
    int hit = -1;
    double hitDepth = HUGE_VAL;
    for (int r = std::max(cy - 1, 0); r <= std::min(cy + 1, rows_ - 1); ++r)
      for (int c = std::max(cx - 1, 0); c <= std::min(cx + 1, columns_ - 1); ++c) {
        const size_t cell = static_cast<size_t>(r) * columns_ + c;
        for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
          const TProjected& p = projected_[k];
          const double d = std::hypot(p.X - x, p.Y - y);
          if (d > radius_) continue;
          if (pass == 0) {
            best = std::min(best, d);
          } else if (d <= best + kPickTie && (p.Depth < hitDepth || (p.Depth == hitDepth && p.Point < hit))) {
            hit = p.Point;
            hitDepth = p.Depth;
          }
        }
      }
    if (pass == 0 && best == HUGE_VAL) return -1;
    if (pass == 1) return hit;
  }
  return -1;
}

}  // namespace lumora
