#include "scene/LabelThinning.h"

#include <algorithm>
#include <cmath>

namespace lumora {
namespace {

TLabelBox BoxOf(const TLabelSpot& s, double height) { return {s.X, s.Y - height / 4, s.X + s.Width, s.Y + height}; }

bool Overlap(const TLabelBox& a, const TLabelBox& b) {
  return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

// Every so many spots, in order, give the places where the rounds end.
size_t SampleStep(size_t n) { return std::max<size_t>(1, n / 4096); }

}  // namespace

// The boxes kept so far, through a grid of cells over an extent. A box
// outside the grid is filed in the cells at its edge: two boxes that
// overlap still share a cell.
class TLabelThinning::TKeptBoxes {
 public:
  // The cells keep their memory from one start to the next.
  void Reset(const TLabelBox& extent, double cell) {
    constexpr double kMostCells = 1024;
    left_ = extent[0], bottom_ = extent[1], cell_ = cell, perCell_ = 0;
    columns_ = rows_ = 1;
    const double w = extent[2] - extent[0], h = extent[3] - extent[1];
    if (std::isfinite(w) && std::isfinite(h)) {
      cell_ = std::max({cell_, w / kMostCells, h / kMostCells});
      columns_ = static_cast<int>(w / cell_) + 1;
      rows_ = static_cast<int>(h / cell_) + 1;
      perCell_ = 1 / cell_;
    }
    const size_t cells = static_cast<size_t>(columns_) * rows_;
    for (size_t i = 0; i < std::min(cells, cells_.size()); ++i) cells_[i].clear();
    cells_.resize(cells);
    boxes_.clear();
  }

  // Neighbouring labels tend to be turned away by the same box: the one
  // that turned the last away is asked first.
  bool Overlaps(const TLabelBox& b, size_t& last) const {
    if (last < boxes_.size() && Overlap(b, boxes_[last])) return true;
    int c0, c1, r0, r1;
    Cells(b, c0, c1, r0, r1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        for (uint32_t k : cells_[static_cast<size_t>(r) * columns_ + c])
          if (Overlap(b, boxes_[k])) {
            last = k;
            return true;
          }
    return false;
  }

  // Whether one box overlaps each of the boxes that lie from `least`,
  // the box of the spot at the lower left, to `most`, that of the upper
  // right: such a box overlaps the lower left one, so it is asked for in
  // that one's cells.
  bool OverlapsAll(const TLabelBox& least, const TLabelBox& most, size_t& last) const {
    auto all = [&](const TLabelBox& k) {
      return most[0] < k[2] && k[0] < least[2] && most[1] < k[3] && k[1] < least[3];
    };
    if (last < boxes_.size() && all(boxes_[last])) return true;
    int c0, c1, r0, r1;
    Cells(least, c0, c1, r0, r1);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c)
        for (uint32_t k : cells_[static_cast<size_t>(r) * columns_ + c])
          if (all(boxes_[k])) {
            last = k;
            return true;
          }
    return false;
  }

  void Add(const TLabelBox& b) {
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
  void Cells(const TLabelBox& b, int& c0, int& c1, int& r0, int& r1) const {
    c0 = Cell(b[0], left_, columns_), c1 = Cell(b[2], left_, columns_);
    r0 = Cell(b[1], bottom_, rows_), r1 = Cell(b[3], bottom_, rows_);
  }

  double left_ = 0, bottom_ = 0, cell_ = 1, perCell_ = 0;
  int columns_ = 1, rows_ = 1;
  std::vector<std::vector<uint32_t>> cells_;
  std::vector<TLabelBox> boxes_;
};

TLabelThinning::TLabelThinning() : boxes_(std::make_unique<TKeptBoxes>()) {}
TLabelThinning::~TLabelThinning() = default;

void TLabelThinning::Start(double height, const TLabelBox& extent) {
  height_ = height;
  boxes_->Reset(extent, std::max(2 * height, 1.0));
}

bool TLabelThinning::Covered(const TLabelSpot& spot, size_t& hint) const {
  return boxes_->Overlaps(BoxOf(spot, height_), hint);
}

bool TLabelThinning::CoveredAll(const TLabelBox& anchors, double width, size_t& hint) const {
  // Box edges grow with the spot's place and width, rounding included.
  const TLabelBox least = BoxOf({anchors[0], anchors[1], width}, height_);
  const TLabelBox most = BoxOf({anchors[2], anchors[3], width}, height_);
  return boxes_->OverlapsAll(least, most, hint);
}

const std::vector<uint32_t>& TLabelThinning::Thin(const std::vector<TLabelSpot>& spots, double height) {
  // The grid over the extent of the spots that mark the rounds' ends.
  TLabelBox extent{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (size_t i = 0; i < spots.size(); i += SampleStep(spots.size())) {
    const TLabelBox b = BoxOf(spots[i], height);
    extent = {std::min(extent[0], b[0]), std::min(extent[1], b[1]), std::max(extent[2], b[2]),
              std::max(extent[3], b[3])};
  }
  Start(height, extent);
  return Batch(spots);
}

const std::vector<uint32_t>& TLabelThinning::Batch(const std::vector<TLabelSpot>& spots) {
  kept_.clear();
  const size_t n = spots.size();
  if (n == 0) return kept_;
  const double height = height_;
  auto before = [&](uint32_t a, uint32_t b) {
    const TLabelSpot &x = spots[a], &y = spots[b];
    return x.Rank != y.Rank ? x.Rank < y.Rank : x.Depth != y.Depth ? x.Depth < y.Depth : a < b;
  };
  const size_t step = SampleStep(n);
  sample_.clear();
  for (size_t i = 0; i < n; i += step) sample_.push_back(static_cast<uint32_t>(i));
  std::sort(sample_.begin(), sample_.end(), before);
  // Each round takes the spots up to its end, in order, and passes the
  // later ones that still have room to the next round: the first rounds
  // fill the view, and the boxes they keep turn most of the rest away
  // before any of it is put in order.
  constexpr size_t kRounds = 4;
  const size_t ends[kRounds - 1] = {sample_.size() / 256, sample_.size() / 32, sample_.size() / 4};
  TKeptBoxes& boxes = *boxes_;
  size_t last = 0;
  auto take = [&] {
    std::sort(room_.begin(), room_.end(), before);
    for (uint32_t i : room_) {
      const TLabelBox box = BoxOf(spots[i], height);
      if (boxes.Overlaps(box, last)) continue;
      boxes.Add(box);
      kept_.push_back(i);
    }
    room_.clear();
  };
  auto later = [&](const TLabelSpot& s, const TLabelSpot* end) {
    return end && (s.Rank != end->Rank ? s.Rank > end->Rank : s.Depth > end->Depth);
  };
  // The first round turns nothing away before its spots are in order.
  const TLabelSpot* first = &spots[sample_[ends[0]]];
  for (uint32_t i = 0; i < n; ++i)
    if (!later(spots[i], first)) room_.push_back(i);
  take();
  for (size_t round = 1; round < kRounds; ++round) {
    const TLabelSpot* end = round + 1 < kRounds ? &spots[sample_[ends[round]]] : nullptr;
    next_.clear();
    auto visit = [&](uint32_t i) {
      const TLabelSpot& s = spots[i];
      if (!boxes.Overlaps(BoxOf(s, height), last)) (later(s, end) ? next_ : room_).push_back(i);
    };
    if (round == 1) {
      for (uint32_t i = 0; i < n; ++i)
        if (later(spots[i], first)) visit(i);
    } else {
      for (uint32_t i : waiting_) visit(i);
    }
    take();
    std::swap(waiting_, next_);
    if (waiting_.empty()) break;
  }
  return kept_;
}

}  // namespace lumora
