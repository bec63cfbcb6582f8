#include "geometry/HugeArry.h"

#include <cmath>

namespace lumora {

int THugeString::CompareText(std::string_view a, std::string_view b, bool caseSensitive) {
  if (caseSensitive) {
    const int c = a.compare(b);
    return (c > 0) - (c < 0);
  }
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<unsigned char>(AsciiLower(a[i]));
    int cb = static_cast<unsigned char>(AsciiLower(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return (a.size() > n) - (b.size() > n);
}

void THugeString::Sort() {
  const bool up = Ascending, cs = CaseSensitive;
  SortWith([up, cs](const std::string& a, const std::string& b) {
    int c = CompareText(a, b, cs);
    return up ? c : -c;
  });
}

uint32_t AlphaByte(double k) {
  double v = std::nearbyint(k * 255.0);
  if (!(v >= 0)) return 0;  // also NaN
  if (v > 255) return 255;
  return static_cast<uint32_t>(v);
}

void TColorArray::SetAlpha(double k) {
  const uint32_t a = AlphaByte(k) << 24;
  for (auto& c : items_) c = (c & 0x00FFFFFFu) | a;
  Changed();
}

void TGLColorArray::SetAlpha(double k) {
  const uint32_t a = AlphaByte(k) << 24;
  for (auto& t : items_)
    for (auto& c : t.c) c = (c & 0x00FFFFFFu) | a;
  Changed();
}

}  // namespace lumora
