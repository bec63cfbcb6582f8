#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora {

// A decoded 32-bit bitmap: rows top to bottom, each pixel blue, green,
// red, reserved.
struct TBitmap32 {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Data;

  uint8_t* Row(int y) { return Data.data() + static_cast<size_t>(y) * Width * 4; }
  const uint8_t* Row(int y) const { return Data.data() + static_cast<size_t>(y) * Width * 4; }
};

}  // namespace lumora
