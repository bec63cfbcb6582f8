#include <cstring>
#include <string>

#include "scene/GLTexture.h"
#include "scene/ResourceData.h"

namespace lumora {

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

TBitmap32 DecodeBitmap(const uint8_t* data, size_t size) {
  auto fail = [](const char* why) { return ETextureError(std::string("Not a usable bitmap: ") + why); };
  if (size < 54 || data[0] != 'B' || data[1] != 'M') throw fail("no BM header");
  const uint32_t offset = U32(data + 10);
  const uint32_t infoSize = U32(data + 14);
  const int32_t width = static_cast<int32_t>(U32(data + 18));
  const int32_t rawHeight = static_cast<int32_t>(U32(data + 22));
  const uint16_t bits = U16(data + 28);
  const uint32_t compression = U32(data + 30);
  uint32_t colours = U32(data + 46);
  if (compression != 0) throw fail("compressed");
  if (bits != 4 && bits != 8 && bits != 24 && bits != 32) throw fail("unsupported depth");
  if (width <= 0 || rawHeight == 0 || width > 1 << 15 || rawHeight > 1 << 15 || rawHeight < -(1 << 15))
    throw fail("bad size");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  const size_t palette = 14 + static_cast<size_t>(infoSize);
  if (bits <= 8 && (colours > (1u << bits) || palette + colours * 4 > size)) throw fail("bad palette");
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (offset > size || stride * height > size - offset) throw fail("truncated");

  TBitmap32 out;
  out.Width = width;
  out.Height = height;
  out.Data.assign(static_cast<size_t>(width) * height * 4, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = data + offset + stride * (topDown ? y : height - 1 - y);
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < width; ++x, dst += 4) {
      if (bits >= 24) {
        std::memcpy(dst, src + x * (bits / 8), 3);
        continue;
      }
      uint32_t index = bits == 8 ? src[x] : (x % 2 ? src[x / 2] & 0x0F : src[x / 2] >> 4);
      if (index >= colours) index = 0;
      std::memcpy(dst, data + palette + index * 4, 3);
    }
  }
  return out;
}

bool LoadResourceBitmap(std::string_view name, TBitmap32& bitmap) {
  for (size_t i = 0; i < kEmbeddedResourceCount; ++i)
    if (name == kEmbeddedResources[i].Name) {
      bitmap = DecodeBitmap(kEmbeddedResources[i].Data, kEmbeddedResources[i].Size);
      return true;
    }
  return false;
}

}  // namespace lumora
