#include "geometry/Hash.h"

#include <bit>
#include <cmath>
#include <limits>

namespace lumora {

static_assert(std::numeric_limits<float>::is_iec559, "double to float must round, not trap");

namespace {

constexpr uint32_t kFnvPrime = 16777619u;

inline uint32_t FnvByte(uint32_t h, uint8_t byte) { return (h ^ byte) * kFnvPrime; }

// Bytes of a double lowest first, as they lie in memory on our targets.
inline uint32_t FnvDouble(uint32_t h, double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  for (int k = 0; k < 8; ++k) h = FnvByte(h, static_cast<uint8_t>(bits >> (8 * k)));
  return h;
}

inline uint32_t FnvWord(uint32_t h, uint32_t v) {
  for (int k = 0; k < 4; ++k) h = FnvByte(h, static_cast<uint8_t>(v >> (8 * k)));
  return h;
}

// Single-precision image of a component with -0 folded into +0, so that
// values equal as floats hash alike.
inline uint32_t FloatImage(double v) {
  float f = static_cast<float>(v);
  if (f == 0) f = 0;
  return std::bit_cast<uint32_t>(f);
}

// Two distinct doubles whose difference squares to 0 lie below 1e-146, so
// folding everything below 1e-140 to 0 puts every pair at distance 0 (and
// -0 with +0) into one chain.
inline double DistanceImage(double v) { return std::fabs(v) < 1e-140 ? 0.0 : v; }

}  // namespace

uint32_t Fnv1a32(const void* data, size_t size, uint32_t h) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) h = FnvByte(h, p[i]);
  return h;
}

// ---- THashTable ----

uint32_t THashTable::ChainHash(std::string_view key) const {
  if (CaseSensitive()) return Fnv1a32(key.data(), key.size());
  uint32_t h = 2166136261u;
  for (char c : key) h = FnvByte(h, static_cast<uint8_t>(AsciiLower(c)));
  return h;
}

bool THashTable::Equal(const std::string& key, std::string_view query) const {
  if (key.size() != query.size()) return false;
  if (CaseSensitive()) return key == query;
  return THugeString::CompareText(key, query, false) == 0;
}

// ---- TIntegerHashTable ----

uint32_t TIntegerHashTable::ChainHash(int32_t key) const { return FnvWord(2166136261u, static_cast<uint32_t>(key)); }

// ---- T3DVectorHash ----

uint32_t T3DVectorHash::TableBucket(const T3DVector& v) const {
  uint32_t h = FnvDouble(2166136261u, v.x);
  h = FnvDouble(h, v.y);
  h = FnvDouble(h, v.z);
  return FnvBucket(h, bits_);
}

uint32_t T3DVectorHash::ChainHash(const T3DVector& v) const {
  uint32_t h = FnvWord(2166136261u, FloatImage(v.x));
  h = FnvWord(h, FloatImage(v.y));
  return FnvWord(h, FloatImage(v.z));
}

bool T3DVectorHash::Equal(const T3DVector& a, const T3DVector& b) const {
  return static_cast<float>(a.x) == static_cast<float>(b.x) && static_cast<float>(a.y) == static_cast<float>(b.y) &&
         static_cast<float>(a.z) == static_cast<float>(b.z);
}

void T3DVectorHash::Put(int i, const T3DVector& v) {
  if (i < 0 || i >= Count() || IndexOf(v) >= 0) return;
  Unlink(i);
  keys_.Put(i, v);
  hashes_[i] = ChainHash(v);
  Link(i);
}

// ---- TVectorHash ----

uint32_t TVectorHash::Bucket(const T3DVector& v) {
  uint32_t h = 0;
  for (double c : {v.x, v.y, v.z}) {
    const uint64_t bits = std::bit_cast<uint64_t>(c);
    for (int k = 0; k < 8; ++k) {
      h = 4 * h + static_cast<uint8_t>(bits >> (8 * k));
      const uint32_t g = h & 0xC000u;
      if (g != 0) h ^= g >> 12;
    }
  }
  return h & 0x7FFu;
}

uint32_t TVectorHash::ChainHash(const T3DVector& v) const {
  uint32_t h = FnvDouble(2166136261u, DistanceImage(v.x));
  h = FnvDouble(h, DistanceImage(v.y));
  return FnvDouble(h, DistanceImage(v.z));
}

bool TVectorHash::Equal(const T3DVector& a, const T3DVector& b) const {
  // Each square separately: the sum of squares is 0 exactly when every
  // square is, and no fused multiply-add can change that.
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return dx * dx == 0 && dy * dy == 0 && dz * dz == 0;
}

}  // namespace lumora
