#include "geometry/MeshArrays.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
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

int TFaceList::AddWithoutNormal(const TFace& face, uint32_t colour) {
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

void TFaceList::Swap(TFaceList& other) {
  Normals.Swap(other.Normals);
  Colors.Swap(other.Colors);
  THugeArray::Swap(other);
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

void TNO2DIntArray::Swap(TNO2DIntArray& other) {
  heads_.Swap(other.heads_);
  pool_.Swap(other.pool_);
  std::swap(live_, other.live_);
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

void TVertexArray::AppendVertexData(const T3DVector& p, uint32_t colour) {
  if (KeepIndices) Indices.AddList();
  if (KeepNormals) Normals.Add(T3DVector{});
  Colors.Add(colour);
  BoundsMin = T3DVector{std::min(BoundsMin.x, p.x), std::min(BoundsMin.y, p.y), std::min(BoundsMin.z, p.z)};
  BoundsMax = T3DVector{std::max(BoundsMax.x, p.x), std::max(BoundsMax.y, p.y), std::max(BoundsMax.z, p.z)};
}

int TVertexArray::AppendVertex(const T3DVector& p, uint32_t colour, void* object) {
  AppendVertexData(p, colour);
  return THashedArray::Add(p, object);
}

int TVertexArray::AddUnlinkedVertex(const T3DVector& p, uint32_t colour) {
  ForgetRecent();
  AppendVertexData(p, colour);
  return AddUnlinked(p);
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
  KeepNormals = other.KeepNormals;
  Normals.Assign(other.Normals);
  Colors.Assign(other.Colors);
  BoundsMin = other.BoundsMin;
  BoundsMax = other.BoundsMax;
  DefaultColor = other.DefaultColor;
}

void TVertexArray::Swap(TVertexArray& other) {
  ForgetRecent();
  other.ForgetRecent();
  SwapChains(other);
  Indices.Swap(other.Indices);
  Normals.Swap(other.Normals);
  Colors.Swap(other.Colors);
  std::swap(BoundsMin, other.BoundsMin);
  std::swap(BoundsMax, other.BoundsMax);
  std::swap(DefaultColor, other.DefaultColor);
  std::swap(KeepIndices, other.KeepIndices);
  std::swap(KeepNormals, other.KeepNormals);
}

// ---- TVertexFinder ----

namespace {

// A component as the store compares it: in single precision, -0 as +0.
uint32_t FloatBits(double v) {
  float f = static_cast<float>(v);
  if (f == 0) f = 0;
  return std::bit_cast<uint32_t>(f);
}

}  // namespace

TVertexFinder::TVertexFinder(const TVertexArray& store, int expectedVertices) : store_(store) {
  size_t n = 16;
  // At most three quarters full.
  while (n * 3 < (static_cast<size_t>(std::max(expectedVertices, store.Count())) + 1) * 4) n *= 2;
  Allocate(n);
  for (int i = 0; i < store.Count(); ++i) Added(i, Hash(store[i]));
}

void TVertexFinder::Allocate(size_t slots) {
  TSlot* p = static_cast<TSlot*>(std::calloc(slots, sizeof(TSlot)));
  if (!p) throw std::bad_alloc();
  slots_.reset(p);
  size_ = slots;
  shift_ = 64 - std::countr_zero(slots);
  used_ = 0;
  PreferHugePages(p, 0, slots);
}

uint32_t TVertexFinder::Hash(const T3DVector& p) {
  uint64_t h = FloatBits(p.x) * uint64_t{0x9E3779B97F4A7C15};
  h = (h ^ (h >> 29) ^ FloatBits(p.y)) * uint64_t{0xC2B2AE3D27D4EB4F};
  h = (h ^ (h >> 32) ^ FloatBits(p.z)) * uint64_t{0x165667B19E3779F9};
  return static_cast<uint32_t>(h >> 32);
}

int32_t TVertexFinder::Find(const T3DVector& p, uint32_t hash) const {
  // Equal keys of one reference bucket match each other, so a store built
  // by unique adds holds at most one match; the latest wins otherwise, as
  // the chains would have it.
  int32_t found = -1;
  int64_t bucket = -1;
  for (size_t s = Slot(hash);; s = s + 1 == size_ ? 0 : s + 1) {
    const TSlot& slot = slots_[s];
    if (slot.IndexPlus1 == 0) return found;
    const int32_t index = slot.IndexPlus1 - 1;
    if (slot.Hash != hash || index < found) continue;
    const T3DVector& key = store_[index];
    if (!store_.Equal(key, p)) continue;
    if (std::memcmp(&key, &p, sizeof p) != 0) {
      if (bucket < 0) bucket = store_.TableBucket(p);
      if (store_.TableBucket(key) != bucket) continue;
    }
    found = index;
  }
}

void TVertexFinder::Added(int32_t index, uint32_t hash) {
  if ((used_ + 1) * 4 > size_ * 3) {
    std::unique_ptr<TSlot[], TFree> old = std::move(slots_);
    const size_t oldSize = size_;
    Allocate(2 * oldSize);
    for (size_t i = 0; i < oldSize; ++i)
      if (old[i].IndexPlus1 != 0) Place(old[i].Hash, old[i].IndexPlus1);
  }
  Place(hash, index + 1);
}

void TVertexFinder::Release() {
  slots_.reset();
  size_ = used_ = 0;
}

void TVertexFinder::Place(uint32_t hash, int32_t indexPlus1) {
  size_t s = Slot(hash);
  while (slots_[s].IndexPlus1 != 0) s = s + 1 == size_ ? 0 : s + 1;
  slots_[s] = TSlot{hash, indexPlus1};
  ++used_;
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
