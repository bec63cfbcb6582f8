#include "images/BMPFile.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "platform/LittleEndian.h"

namespace lumora {

namespace {

constexpr size_t kFileHeaderSize = 14, kInfoHeaderSize = 40;

void CheckDepth(int bitsPerPixel) {
  if (bitsPerPixel != 24 && bitsPerPixel != 32) throw std::invalid_argument("bitmaps are written at 24 or 32 bits");
}

}  // namespace

size_t DIBStride(int width, int bitsPerPixel) { return (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4; }

size_t DIBImageSize(int width, int height, int bitsPerPixel) {
  return DIBStride(width, bitsPerPixel) * static_cast<size_t>(height);
}

std::string BitmapInfoHeader(int width, int height, int bitsPerPixel) {
  CheckDepth(bitsPerPixel);
  const size_t image = DIBImageSize(width, height, bitsPerPixel);
  if (width <= 0 || height <= 0 || image > std::numeric_limits<uint32_t>::max() - kFileHeaderSize - kInfoHeaderSize)
    throw std::length_error("a bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                            " pixels does not fit a Windows bitmap");
  std::string h;
  h.reserve(kInfoHeaderSize);
  Put32(h, kInfoHeaderSize);
  Put32(h, static_cast<uint32_t>(width));
  Put32(h, static_cast<uint32_t>(height));  // positive: bottom-up
  Put16(h, 1);                              // planes
  Put16(h, static_cast<uint32_t>(bitsPerPixel));
  Put32(h, 0);  // BI_RGB
  Put32(h, static_cast<uint32_t>(image));
  Put32(h, 0);  // pixels per metre, x and y
  Put32(h, 0);
  Put32(h, 0);  // colours used, important: no colour table
  Put32(h, 0);
  return h;
}

void AppendDIBPixels(std::string& out, const TBitmap32& bitmap, int bitsPerPixel) {
  CheckDepth(bitsPerPixel);
  const size_t stride = DIBStride(bitmap.Width, bitsPerPixel);
  const int bytes = bitsPerPixel / 8;
  size_t at = out.size();
  out.resize(at + stride * static_cast<size_t>(bitmap.Height));
  for (int y = bitmap.Height - 1; y >= 0; --y, at += stride) {
    const uint8_t* src = bitmap.Row(y);
    char* dst = out.data() + at;
    for (int x = 0; x < bitmap.Width; ++x, src += 4, dst += bytes) {
      dst[0] = static_cast<char>(src[0]);
      dst[1] = static_cast<char>(src[1]);
      dst[2] = static_cast<char>(src[2]);
      if (bytes == 4) dst[3] = 0;
    }
    for (char* pad = dst; pad < out.data() + at + stride; ++pad) *pad = 0;
  }
}

std::string EncodeBMP(const TBitmap32& bitmap, int bitsPerPixel) {
  const std::string info = BitmapInfoHeader(bitmap.Width, bitmap.Height, bitsPerPixel);
  const size_t offset = kFileHeaderSize + kInfoHeaderSize;
  std::string out;
  out.reserve(offset + DIBImageSize(bitmap.Width, bitmap.Height, bitsPerPixel));
  out += "BM";
  Put32(out, static_cast<uint32_t>(offset + DIBImageSize(bitmap.Width, bitmap.Height, bitsPerPixel)));
  Put32(out, 0);  // reserved
  Put32(out, offset);
  out += info;
  AppendDIBPixels(out, bitmap, bitsPerPixel);
  return out;
}

}  // namespace lumora
