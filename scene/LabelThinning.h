#pragma once
// Hiding labels that overlap: the lines are taken by rank, then nearest
// first, and each is kept unless its box overlaps one kept before. A
// million labels crowd a view that holds a few thousand, so most are
// turned away by the boxes kept so far before any ordering is done.

#include <cstdint>
#include <vector>

namespace lumora {

// One label line placed in the window: its box runs from X to X + Width
// and from Y - height / 4 to Y + height.
struct TLabelSpot {
  double X = 0, Y = 0, Width = 0;
  double Depth = 0;  // 0 near to 1 far
  uint8_t Rank = 0;  // lower ranks first
};

// Keeps its buffers from one thinning to the next, so that a frame of a
// million labels does not fault in fresh memory.
class TLabelThinning {
 public:
  // The indices of the kept spots in the order they are taken; spots of
  // equal rank and depth are taken in their given order.
  const std::vector<uint32_t>& Thin(const std::vector<TLabelSpot>& spots, double height);

 private:
  std::vector<uint32_t> kept_, sample_, room_, waiting_, next_;
};

}  // namespace lumora
