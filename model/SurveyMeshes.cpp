#include "model/SurveyMeshes.h"

#include <algorithm>
#include <utility>

namespace lumora {
namespace {

struct THalfEdge {
  uint64_t Key;  // the two points, lower first
  uint32_t Id;   // triangle * 3 + corner
};

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

void OrientScrapMesh(TScrapMesh& mesh) {
  auto& tris = mesh.Triangles;
  std::erase_if(tris, [](const std::array<uint32_t, 3>& t) { return t[0] == t[1] || t[1] == t[2] || t[0] == t[2]; });
  const size_t n = tris.size();
  if (n == 0) return;
  std::vector<THalfEdge> edges(3 * n);
  for (size_t t = 0; t < n; ++t)
    for (uint32_t k = 0; k < 3; ++k) {
      const uint64_t a = tris[t][k], b = tris[t][(k + 1) % 3];
      edges[3 * t + k] = {std::min(a, b) << 32 | std::max(a, b), static_cast<uint32_t>(3 * t + k)};
    }
  std::sort(edges.begin(), edges.end(), [](const THalfEdge& a, const THalfEdge& b) { return a.Key < b.Key; });
  // The half-edge across each one; an edge of more than two triangles pairs
  // its first two only.
  std::vector<uint32_t> across(3 * n, UINT32_MAX);
  for (size_t i = 0; i + 1 < edges.size();) {
    size_t j = i + 1;
    while (j < edges.size() && edges[j].Key == edges[i].Key) ++j;
    if (j - i >= 2) {
      across[edges[i].Id] = edges[i + 1].Id;
      across[edges[i + 1].Id] = edges[i].Id;
    }
    i = j;
  }
  std::vector<int8_t> flip(n, -1);
  std::vector<uint32_t> stack, component;
  for (size_t seed = 0; seed < n; ++seed) {
    if (flip[seed] >= 0) continue;
    flip[seed] = 0;
    stack.assign(1, static_cast<uint32_t>(seed));
    component.clear();
    while (!stack.empty()) {
      const uint32_t t = stack.back();
      stack.pop_back();
      component.push_back(t);
      for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t g = across[3 * t + k];
        if (g == UINT32_MAX) continue;
        const uint32_t u = g / 3;
        if (flip[u] >= 0) continue;
        // Stored the same way round, the neighbour must turn the other way.
        const bool same = tris[u][g % 3] == tris[t][k];
        flip[u] = static_cast<int8_t>(same ? !flip[t] : flip[t]);
        stack.push_back(u);
      }
    }
    const T3DVector o = mesh.Points[tris[component[0]][0]];
    double v = 0;
    for (const uint32_t t : component) {
      const double d =
          Det(Sub(mesh.Points[tris[t][0]], o), Sub(mesh.Points[tris[t][1]], o), Sub(mesh.Points[tris[t][2]], o));
      v += flip[t] ? -d : d;
    }
    if (v < 0)
      for (const uint32_t t : component) flip[t] = static_cast<int8_t>(!flip[t]);
  }
  for (size_t t = 0; t < n; ++t)
    if (flip[t]) std::swap(tris[t][1], tris[t][2]);
}

TImageKind ImageKindOf(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xD8\xFF")) return TImageKind::Jpeg;
  if (bytes.starts_with(std::string_view("\x89PNG\r\n\x1A\n", 8))) return TImageKind::Png;
  return TImageKind::None;
}

}  // namespace lumora
