#pragma once
// Hiding labels that overlap: the lines are taken by rank, then nearest
// first, and each is kept unless its box overlaps one kept before. A
// million labels crowd a view that holds a few thousand, so most are
// turned away by the boxes kept so far before any ordering is done.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

// One label line placed in the window: its box runs from X to X + Width
// and from Y - height / 4 to Y + height.
struct TLabelSpot {
  double X = 0, Y = 0, Width = 0;
  double Depth = 0;  // 0 near to 1 far
  uint8_t Rank = 0;  // lower ranks first
};

using TLabelBox = std::array<double, 4>;  // left, bottom, right, top

// Keeps its buffers from one thinning to the next, so that a frame of a
// million labels does not fault in fresh memory.
class TLabelThinning {
 public:
  TLabelThinning();
  ~TLabelThinning();

  // The indices of the kept spots in the order they are taken; spots of
  // equal rank and depth are taken in their given order.
  const std::vector<uint32_t>& Thin(const std::vector<TLabelSpot>& spots, double height);

  // The same in batches, each of spots that all come after those of the
  // batches before it: Start forgets the boxes kept, each Batch keeps
  // what the one call of Thin would have kept of its spots and gives
  // their indices in the batch. Spots outside `extent` are thinned as
  // well, only more slowly.
  void Start(double height, const TLabelBox& extent);
  const std::vector<uint32_t>& Batch(const std::vector<TLabelSpot>& spots);
  // Whether the spot's box overlaps one kept so far, so that no later
  // batch keeps it. Threads may ask at once between batches, each with a
  // hint of its own (0 at first).
  bool Covered(const TLabelSpot& spot, size_t& hint) const;
  // Whether every spot with X and Y in `anchors` (left, bottom, right,
  // top) and a width of at least `width` is covered by one box.
  bool CoveredAll(const TLabelBox& anchors, double width, size_t& hint) const;

 private:
  class TKeptBoxes;
  double height_ = 0;
  std::unique_ptr<TKeptBoxes> boxes_;
  std::vector<uint32_t> kept_, sample_, room_, waiting_, next_;
};

}  // namespace lumora
