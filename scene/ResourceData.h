#pragma once
// The bitmaps the program carries, embedded at build time from
// scene/resources (made there by make_bitmaps.py).

#include <cstddef>

namespace lumora {

struct TEmbeddedResource {
  const char* Name;
  const unsigned char* Data;
  size_t Size;
};

extern const TEmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

// The stroke fonts, from scene/fonts (made there by make_chr_fonts.py).
extern const TEmbeddedResource kEmbeddedFonts[];
extern const size_t kEmbeddedFontCount;

}  // namespace lumora
