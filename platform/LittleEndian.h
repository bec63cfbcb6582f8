#pragma once
// Little-endian integers appended to a byte string, as the binary formats
// (ZIP, dBASE, STL, BMP, AVI) store them.

#include <cstdint>
#include <string>

namespace lumora {

inline void PutLE(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void Put16(std::string& out, uint32_t v) { PutLE(out, v, 2); }
inline void Put32(std::string& out, uint32_t v) { PutLE(out, v, 4); }
inline void Put64(std::string& out, uint64_t v) { PutLE(out, v, 8); }

}  // namespace lumora
