#include "geometry/MeshArrays.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumora {

// ---- TFaceList ----
// The parallel arrays change first, so the face list's own change
// notification always sees all three in step.

int TFaceList::Add(const TFace& face, uint32_t colour, const T3DVector& normal) {
  Normals.Add(normal);
  Colors.Add(colour);
  return THugeArray::AddObject(face, nullptr);
}

int TFaceList::AddObject(const TFace& face, uint32_t colour, void* object) {
  Normals.Add(T3DVector{});
  Colors.Add(colour);
  return THugeArray::AddObject(face, object);
}

int TFaceList::AddObject(const TFace& face, void* object) { return AddObject(face, 0, object); }

void TFaceList::Insert(const TFace& face, uint32_t colour, const T3DVector& normal, int i) {
  if (i < 0 || i > Count()) return;
  Normals.Insert(normal, i);
  Colors.Insert(colour, i);
  THugeArray::Insert(face, i);
}

void TFaceList::Insert(const TFace& face, int i) { Insert(face, 0, T3DVector{}, i); }

void TFaceList::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  Normals.Delete(i);
  Colors.Delete(i);
  THugeArray::Delete(i);
}

void TFaceList::Exchange(int i, int j) {
  Normals.Exchange(i, j);
  Colors.Exchange(i, j);
  THugeArray::Exchange(i, j);
}

void TFaceList::Clear() {
  Normals.Clear();
  Colors.Clear();
  THugeArray::Clear();
}

void TFaceList::Assign(const TFaceList& other) {
  if (&other == this) return;
  Normals.Assign(other.Normals);
  Colors.Assign(other.Colors);
  THugeArray::Assign(other);
}

void TFaceList::SetCount(int n) {
  Normals.SetCount(n);
  Colors.SetCount(n);
  THugeArray::SetCount(n);
}

void TFaceList::SetCapacity(int n) {
  Normals.SetCapacity(n);
  Colors.SetCapacity(n);
  THugeArray::SetCapacity(n);
}

// ---- TNO2DIntArray ----

void TNO2DIntArray::Append(int list, int32_t value) {
  const int32_t node = pool_.Add(Node{value, -1});
  Head& h = heads_[list];
  if (h.last >= 0)
    pool_[h.last].next = node;
  else
    h.first = node;
  h.last = node;
  ++h.count;
  ++live_;
}

void TNO2DIntArray::Reserve(int lists, int values) {
  if (lists > heads_.Capacity()) heads_.SetCapacity(lists);
  if (values > pool_.Capacity()) pool_.SetCapacity(values);
}

void TNO2DIntArray::Delete(int list) {
  if (list < 0 || list >= Count()) return;
  live_ -= heads_[list].count;
  heads_.Delete(list);
  // Deleted lists leave their nodes behind; reclaim them once they dominate.
  if (pool_.Count() > 2 * live_ + 1024) Compact();
}

void TNO2DIntArray::Clear() {
  heads_.Clear();
  pool_.Clear();
  live_ = 0;
}

void TNO2DIntArray::Compact() {
  THugeArray<Node> pool(std::max(live_, 1));
  for (int i = 0; i < Count(); ++i) {
    Head& h = heads_[i];
    int32_t n = h.first;
    h = Head{};
    for (; n >= 0; n = pool_[n].next) {
      const int32_t node = pool.Add(Node{pool_[n].value, -1});
      if (h.last >= 0)
        pool[h.last].next = node;
      else
        h.first = node;
      h.last = node;
      ++h.count;
    }
  }
  pool_ = std::move(pool);
}

std::vector<int32_t> TNO2DIntArray::Values(int list) const {
  std::vector<int32_t> out;
  out.reserve(ListCount(list));
  ForEach(list, [&out](int32_t v) { out.push_back(v); });
  return out;
}

THugeInteger TNO2DIntArray::List(int list) const {
  THugeInteger out(std::max(ListCount(list), 1));
  out.Name = Name(list);
  ForEach(list, [&out](int32_t v) { out.Add(v); });
  return out;
}

// ---- TVertexArray ----

int TVertexArray::AppendVertex(const T3DVector& p, uint32_t colour, void* object) {
  if (KeepIndices) Indices.AddList();
  Normals.Add(T3DVector{});
  Colors.Add(colour);
  BoundsMin = T3DVector{std::min(BoundsMin.x, p.x), std::min(BoundsMin.y, p.y), std::min(BoundsMin.z, p.z)};
  BoundsMax = T3DVector{std::max(BoundsMax.x, p.x), std::max(BoundsMax.y, p.y), std::max(BoundsMax.z, p.z)};
  return THashedArray::Add(p, object);
}

int TVertexArray::AddVertex(const T3DVector& position, void* object) {
  ForgetRecent();
  return AppendVertex(position, DefaultColor, object);
}

int TVertexArray::AddUniqueVertex(const T3DVector& position, uint32_t colour) {
  uint64_t w[3];
  std::memcpy(w, &position, sizeof w);
  uint64_t h = (w[0] ^ (w[1] * 0x9E3779B97F4A7C15ull) ^ (w[2] * 0xC2B2AE3D27D4EB4Full));
  h ^= h >> 31;
  TRecent& recent = recent_[(h * 0x9E3779B97F4A7C15ull) >> (64 - kRecentBits)];
  if (recent.Generation == recentGeneration_ && std::memcmp(&recent.Position, &position, sizeof position) == 0)
    return recent.Index;
  int i = IndexOf(position);
  if (i < 0) i = AppendVertex(position, colour, nullptr);
  recent = TRecent{position, i, recentGeneration_};
  return i;
}

void TVertexArray::Put(int i, const T3DVector& v) {
  ForgetRecent();
  T3DVectorHash::Put(i, v);
}

void TVertexArray::Sort() {
  ForgetRecent();
  T3DVectorHash::Sort();
}

void TVertexArray::Delete(int i) {
  ForgetRecent();
  if (i < 0 || i >= Count()) return;
  Indices.Delete(i);
  Normals.Delete(i);
  Colors.Delete(i);
  T3DVectorHash::Delete(i);
}

void TVertexArray::Clear() {
  ForgetRecent();
  Indices.Clear();
  Normals.Clear();
  Colors.Clear();
  BoundsMin = T3DVector{kNoBound, kNoBound, kNoBound};
  BoundsMax = T3DVector{-kNoBound, -kNoBound, -kNoBound};
  T3DVectorHash::Clear();
}

void TVertexArray::Assign(const TVertexArray& other) {
  if (&other == this) return;
  ForgetRecent();
  T3DVectorHash::Assign(other);
  Indices = other.Indices;
  KeepIndices = other.KeepIndices;
  Normals.Assign(other.Normals);
  Colors.Assign(other.Colors);
  BoundsMin = other.BoundsMin;
  BoundsMax = other.BoundsMax;
  DefaultColor = other.DefaultColor;
}

// ---- TTriInterface ----

TTriangle3 TTriInterface::Triangle(int i) const {
  const TFace& f = (*faces_)[i];
  TTriangle3 t;
  for (int k = 0; k < 3; ++k) {
    const int32_t v = f.v[k];
    if (v < 0 || v >= vertices_->Count())
      throw EHugeArray("Face " + std::to_string(i) + " refers to missing vertex " + std::to_string(v));
    t.p[k] = (*vertices_)[v];
  }
  return t;
}

}  // namespace lumora
