#include "scene/LabelThinning.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumora {
namespace {

using TBox = std::array<double, 4>;  // left, bottom, right, top

TBox BoxOf(const TLabelSpot& s, double height) { return {s.X, s.Y - height / 4, s.X + s.Width, s.Y + height}; }

bool Overlap(const TBox& a, const TBox& b) { return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3]; }

// The boxes kept so far, through a grid of cells over the spots' extent.
// A box outside the grid is filed in the cells at its edge: two boxes that
// overlap still share a cell.
class TKeptBoxes {
 public:
  TKeptBoxes(const TBox& extent, double cell) : left_(extent[0]), bottom_(extent[1]), cell_(cell) {
    constexpr double kMostCells = 1024;
    const double w = extent[2] - extent[0], h = extent[3] - extent[1];
    if (!std::isfinite(w) || !std::isfinite(h)) return;
    cell_ = std::max({cell_, w / kMostCells, h / kMostCells});
    columns_ = static_cast<int>(w / cell_) + 1;
    rows_ = static_cast<int>(h / cell_) + 1;
    cells_.resize(static_cast<size_t>(columns_) * rows_);
    perCell_ = 1 / cell_;
  }

  // Neighbouring labels tend to be turned away by the same box: that one
  // is asked first.
  bool Overlaps(const TBox& b) {
    if (last_ < boxes_.size() && Overlap(b, boxes_[last_])) return true;
    int c0, c1, r0, r1;
    Cells(b, c0, c1, r0, r1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        for (uint32_t k : cells_[static_cast<size_t>(r) * columns_ + c])
          if (Overlap(b, boxes_[k])) {
            last_ = k;
            return true;
          }
    return false;
  }

  void Add(const TBox& b) {
    int c0, c1, r0, r1;
    Cells(b, c0, c1, r0, r1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        cells_[static_cast<size_t>(r) * columns_ + c].push_back(static_cast<uint32_t>(boxes_.size()));
    boxes_.push_back(b);
  }

 private:
  int Cell(double v, double origin, int count) const {
    const double q = std::floor((v - origin) * perCell_);
    return q > 0 ? static_cast<int>(std::min(q, count - 1.0)) : 0;
  }
  void Cells(const TBox& b, int& c0, int& c1, int& r0, int& r1) const {
    c0 = Cell(b[0], left_, columns_), c1 = Cell(b[2], left_, columns_);
    r0 = Cell(b[1], bottom_, rows_), r1 = Cell(b[3], bottom_, rows_);
  }

  double left_, bottom_, cell_, perCell_ = 0;
  int columns_ = 1, rows_ = 1;
  std::vector<std::vector<uint32_t>> cells_ = std::vector<std::vector<uint32_t>>(1);
  std::vector<TBox> boxes_;
  size_t last_ = 0;
};

}  // namespace

const std::vector<uint32_t>& TLabelThinning::Thin(const std::vector<TLabelSpot>& spots, double height) {
  kept_.clear();
  if (spots.empty()) return kept_;
  const size_t n = spots.size();
  double near = HUGE_VAL, far = -HUGE_VAL;
  std::array<uint32_t, 256> rankIndex{};
  for (const TLabelSpot& s : spots) {
    near = std::min(near, s.Depth);
    far = std::max(far, s.Depth);
    rankIndex[s.Rank] = 1;
  }
  uint32_t ranks = 0;
  for (uint32_t& r : rankIndex) r = r ? ranks++ : 0;

  // The spots go into buckets of rank and depth, copied in bucket order so
  // that they are read in the order they are stored. A bucket's spots are
  // put in order only when the boxes kept from earlier buckets leave them
  // room, which after the first few buckets is rarely so.
  constexpr uint32_t kDepths = 256;
  const double scale = far > near ? kDepths / (far - near) : 0;
  TBox extent{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  bucketOf_.resize(n);
  start_.assign(static_cast<size_t>(ranks) * kDepths + 1, 0);
  for (size_t i = 0; i < n; ++i) {
    const TLabelSpot& s = spots[i];
    const TBox b = BoxOf(s, height);
    extent = {std::min(extent[0], b[0]), std::min(extent[1], b[1]), std::max(extent[2], b[2]),
              std::max(extent[3], b[3])};
    // Rounding keeps the order of depths, so equal or nearer depths never
    // land in a later bucket.
    const double q = (s.Depth - near) * scale;
    const uint32_t d = q > 0 ? static_cast<uint32_t>(std::min(q, kDepths - 1.0)) : 0;
    bucketOf_[i] = rankIndex[s.Rank] * kDepths + d;
    ++start_[bucketOf_[i] + 1];
  }
  for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
  sorted_.resize(n);
  fill_.assign(start_.begin(), start_.end() - 1);
  for (size_t i = 0; i < n; ++i)
    sorted_[fill_[bucketOf_[i]]++] = {BoxOf(spots[i], height), spots[i].Depth, uint32_t(i)};

  TKeptBoxes boxes(extent, std::max(2 * height, 1.0));
  for (size_t b = 0; b + 1 < start_.size(); ++b) {
    room_.clear();
    for (uint32_t k = start_[b]; k < start_[b + 1]; ++k)
      if (!boxes.Overlaps(sorted_[k].Box)) room_.push_back(k);
    // Within a bucket the copies keep the spots' own order.
    std::sort(room_.begin(), room_.end(), [&](uint32_t x, uint32_t y) {
      return sorted_[x].Depth != sorted_[y].Depth ? sorted_[x].Depth < sorted_[y].Depth : x < y;
    });
    for (uint32_t k : room_) {
      if (boxes.Overlaps(sorted_[k].Box)) continue;
      boxes.Add(sorted_[k].Box);
      kept_.push_back(sorted_[k].Spot);
    }
  }
  return kept_;
}

}  // namespace lumora
