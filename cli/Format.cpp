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

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
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
