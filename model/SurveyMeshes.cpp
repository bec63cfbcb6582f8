#include "model/SurveyMeshes.h"

#include <algorithm>
#include <utility>

namespace lumora {
namespace {

double Det(const T3DVector& a, const T3DVector& b, const T3DVector& c) {
  return a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
}

T3DVector Sub(const T3DVector& a, const T3DVector& o) { return {a.x - o.x, a.y - o.y, a.z - o.z}; }

}  // namespace

double SignedVolume6(const TScrapMesh& mesh) {
  if (mesh.Points.empty()) return 0;
  // Relative to a point of the mesh: projected coordinates run to 10^6.
  const T3DVector o = mesh.Points[0];
  double v = 0;
  for (const auto& t : mesh.Triangles)
    v += Det(Sub(mesh.Points[t[0]], o), Sub(mesh.Points[t[1]], o), Sub(mesh.Points[t[2]], o));
  return v;
}

void TMeshOrienter::Orient(TScrapMesh& mesh) {
  auto& tris = mesh.Triangles;
  std::erase_if(tris, [](const std::array<uint32_t, 3>& t) { return t[0] == t[1] || t[1] == t[2] || t[0] == t[2]; });
  const size_t n = tris.size();
  if (n == 0) return;
  // The half-edge across each one, through a table of edges; an edge of
  // more than two triangles pairs its first two only.
  size_t size = 16;
  while (size < 6 * n) size <<= 1;
  table_.assign(size, TSlot{UINT64_MAX, 0});
  across_.assign(3 * n, UINT32_MAX);
  const size_t mask = size - 1;
  for (size_t h = 0; h < 3 * n; ++h) {
    const uint64_t a = tris[h / 3][h % 3], b = tris[h / 3][(h + 1) % 3];
    const uint64_t key = std::min(a, b) << 32 | std::max(a, b);
    size_t at = (key * 0x9E3779B97F4A7C15ull) >> 32 & mask;
    while (table_[at].Key != UINT64_MAX && table_[at].Key != key) at = (at + 1) & mask;
    TSlot& slot = table_[at];
    if (slot.Key == UINT64_MAX) {
      slot = {key, static_cast<uint32_t>(h)};
    } else if (slot.Id != UINT32_MAX) {
      across_[slot.Id] = static_cast<uint32_t>(h);
      across_[h] = slot.Id;
      slot.Id = UINT32_MAX;  // paired: later uses stay alone
    }
  }
  flip_.assign(n, -1);
  for (size_t seed = 0; seed < n; ++seed) {
    if (flip_[seed] >= 0) continue;
    flip_[seed] = 0;
    stack_.assign(1, static_cast<uint32_t>(seed));
    component_.clear();
    while (!stack_.empty()) {
      const uint32_t t = stack_.back();
      stack_.pop_back();
      component_.push_back(t);
      for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t g = across_[3 * t + k];
        if (g == UINT32_MAX) continue;
        const uint32_t u = g / 3;
        if (flip_[u] >= 0) continue;
        // Stored the same way round, the neighbour must turn the other way.
        const bool same = tris[u][g % 3] == tris[t][k];
        flip_[u] = static_cast<int8_t>(same ? !flip_[t] : flip_[t]);
        stack_.push_back(u);
      }
    }
    const T3DVector o = mesh.Points[tris[component_[0]][0]];
    double v = 0;
    for (const uint32_t t : component_) {
      const double d =
          Det(Sub(mesh.Points[tris[t][0]], o), Sub(mesh.Points[tris[t][1]], o), Sub(mesh.Points[tris[t][2]], o));
      v += flip_[t] ? -d : d;
    }
    if (v < 0)
      for (const uint32_t t : component_) flip_[t] = static_cast<int8_t>(!flip_[t]);
  }
  for (size_t t = 0; t < n; ++t)
    if (flip_[t]) std::swap(tris[t][1], tris[t][2]);
}

TImageKind ImageKindOf(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xD8\xFF")) return TImageKind::Jpeg;
  if (bytes.starts_with(std::string_view("\x89PNG\r\n\x1A\n", 8))) return TImageKind::Png;
  return TImageKind::None;
}

}  // namespace lumora
