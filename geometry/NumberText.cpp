#include "geometry/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace lumora {

namespace {

// `plain` with ',' between the thousands of its integer part.
std::string Grouped(const std::string& plain) {
  const size_t sign = plain[0] == '-' ? 1 : 0;
  const size_t dot = std::min(plain.find('.'), plain.size());
  std::string out = plain.substr(0, sign);
  for (size_t i = sign; i < dot; ++i) {
    out += plain[i];
    const size_t left = dot - i - 1;
    if (left > 0 && left % 3 == 0) out += ',';
  }
  return out + plain.substr(dot);
}

}  // namespace

std::string FixedText(double v, int decimals) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf";
  // Largest double in fixed notation: 309 digits, sign, point, decimals.
  char buf[420];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, std::clamp(decimals, 0, 100));
  return std::string(buf, r.ptr);
}

std::string GroupedNumber(double v, int decimals) {
  if (!std::isfinite(v)) return "n/a";
  return Grouped(FixedText(v, decimals));
}

std::string GroupedNumber(int64_t n) { return Grouped(std::to_string(n)); }

char* WriteFixed(char* out, double v, int decimals) {
  static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  const double t = v * kPow10[decimals];
  bool fast = std::fabs(t) < 1e15;
  double r = 0;
  if (fast) {
    r = std::nearbyint(t);
    // The product is rounded once; only where it lies this close to a half
    // could its rounding differ from that of the exact decimal value.
    const double frac = std::fabs(t - std::floor(t));
    fast = std::fabs(frac - 0.5) > std::fabs(t) * 4.5e-16 + 1e-300;
  }
  if (fast) {
    uint64_t n = static_cast<uint64_t>(std::fabs(r));
    char digits[24];
    int len = 0;
    do {
      digits[len++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n != 0 || len <= decimals);
    char* p = out;
    if (std::signbit(v) && r != 0) *p++ = '-';
    for (int i = len - 1; i >= 0; --i) {
      if (i == decimals - 1) *p++ = '.';
      *p++ = digits[i];
    }
    return p;
  }
  char* end = std::to_chars(out, out + kFixedTextMax, v, std::chars_format::fixed, decimals).ptr;
  if (out[0] == '-' && std::all_of(out + 1, end, [](char c) { return c == '0' || c == '.'; })) {
    std::memmove(out, out + 1, static_cast<size_t>(end - out - 1));
    --end;
  }
  return end;
}

}  // namespace lumora
