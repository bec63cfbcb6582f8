#include "cli/Format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace lumora::cli {

std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `s`, or 0.
size_t Utf8Length(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  const size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((b(i) & 0xC0) != 0x80) return 0;
  // Overlong forms, surrogates and code points past U+10FFFF.
  if (n == 3 && ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0))) return 0;
  if (n == 4 && ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90))) return 0;
  return n;
}

}  // namespace

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x80) {
          // UTF-8 as it is; a byte that is not UTF-8 stands for its Latin-1 letter.
          if (const size_t n = Utf8Length(s.substr(i)); n > 0) {
            out.append(s.substr(i, n));
            i += n - 1;
            break;
          }
        }
        if (c < 0x20 || c >= 0x80) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonVector(const T3DVector& v) {
  return "[" + JsonNumber(v.x) + ", " + JsonNumber(v.y) + ", " + JsonNumber(v.z) + "]";
}

std::string FixedText(double v, int decimals) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : JsonNumber(v);
}

std::string VectorText(const T3DVector& v, int decimals) {
  return FixedText(v.x, decimals) + ", " + FixedText(v.y, decimals) + ", " + FixedText(v.z, decimals);
}

std::optional<double> ParseNumber(const std::string& s) {
  double v = 0;
  const char* end = s.data() + s.size();
  auto r = std::from_chars(s.data(), end, v);
  if (s.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace lumora::cli
