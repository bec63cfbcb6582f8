#pragma once
// Containers of indexed triangle meshes: faces with their normals and
// colours, unique vertices with their per-vertex lists, and an accessor
// that yields the corner positions of a face.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "geometry/Hash.h"
#include "geometry/HugeArry.h"
#include "geometry/UniformArray.h"
#include "geometry/Vector.h"

namespace lumora {

struct TFace {
  int32_t v[3] = {0, 0, 0};
};

// One colour a face or a vertex; walls are built and shown in one colour.
using TFaceColors = TUniformArray<uint32_t>;
using TVertexColors = TUniformArray<uint32_t>;

// Faces with two parallel arrays that every change keeps in step.
class TFaceList : public THugeArray<TFace> {
 public:
  explicit TFaceList(int initialCapacity = 16)
      : THugeArray(initialCapacity), Normals(initialCapacity), Colors(initialCapacity) {}

  THuge3DVector Normals;
  TFaceColors Colors;

  int Add(const TFace& face, uint32_t colour, const T3DVector& normal);
  // Appends without a normal, for an owner that makes the normals later:
  // Normals then counts fewer than the faces until it does.
  int AddWithoutNormal(const TFace& face, uint32_t colour);
  int AddObject(const TFace& face, uint32_t colour, void* object);
  void Insert(const TFace& face, uint32_t colour, const T3DVector& normal, int i);

  // The single-record forms store colour 0 and a zero normal.
  using THugeArray::Add;
  int Add(TFace&& face) { return AddObject(face, nullptr); }  // the base one skips AddObject
  int AddObject(const TFace& face, void* object) override;
  void Insert(const TFace& face, int i) override;
  void Delete(int i) override;
  void Exchange(int i, int j) override;
  void Clear() override;
  void Assign(const TFaceList& other);
  void Swap(TFaceList& other);
  void SetCount(int n);
  void SetCapacity(int n);
};

// One list of 32-bit values per vertex, stored as chains in one shared
// pool: a vertex costs 12 bytes and a value 8, with no allocation per
// vertex. A vertex's list as a named THugeInteger is made on request.
class TNO2DIntArray {
 public:
  int Count() const { return heads_.Count(); }
  void AddList() { heads_.Add(Head{}); }
  // Room for this many lists and values in all, so that filling them
  // never grows the blocks by copying.
  void Reserve(int lists, int values);
  void Delete(int list);
  void Clear();
  void Swap(TNO2DIntArray& other);

  void Append(int list, int32_t value);
  int ListCount(int list) const { return heads_[list].count; }
  // Values in the order appended.
  std::vector<int32_t> Values(int list) const;
  template <class F>
  void ForEach(int list, F&& f) const {
    for (int32_t n = heads_[list].first; n >= 0; n = pool_[n].next) f(pool_[n].value);
  }

  // The list's index as decimal text.
  static std::string Name(int list) { return std::to_string(list); }
  // A copy of the list, named by Name(list).
  THugeInteger List(int list) const;

 private:
  struct Head {
    int32_t first = -1, last = -1, count = 0;
  };
  struct Node {
    int32_t value = 0, next = -1;
  };
  void Compact();

  THugeArray<Head> heads_;
  THugeArray<Node> pool_;
  int live_ = 0;  // pool nodes still reachable
};

// Unique vertex positions (per T3DVectorHash equality) with a list of
// indices, a normal and a colour per vertex, and the bounds of all positions.
class TVertexArray : public T3DVectorHash {
 public:
  static constexpr double kNoBound = 1.7e308;

  explicit TVertexArray(int initialCapacity = 16)
      : T3DVectorHash(initialCapacity), Normals(initialCapacity), Colors(initialCapacity) {}

  TNO2DIntArray Indices;
  THuge3DVector Normals;
  TVertexColors Colors;
  T3DVector BoundsMin{kNoBound, kNoBound, kNoBound};
  T3DVector BoundsMax{-kNoBound, -kNoBound, -kNoBound};
  uint32_t DefaultColor = 0x00FFFFFF;  // white
  // False while an owner that makes the lists later adds vertices: new
  // vertices then get no list, and Indices counts fewer lists than vertices.
  bool KeepIndices = true;
  // False likewise while an owner that makes the normals later adds
  // vertices: Normals then counts fewer than the vertices.
  bool KeepNormals = true;

  // Appends even when an equal position is present.
  int AddVertex(const T3DVector& position, void* object = nullptr);
  // Appends without linking the hash chains (see THashedArray::AddUnlinked).
  int AddUnlinkedVertex(const T3DVector& position, uint32_t colour);
  // Index of an equal position (its colour kept), else of the new vertex.
  int AddUniqueVertex(const T3DVector& position, uint32_t colour);
  void AddIndex(int vertex, int32_t value) { Indices.Append(vertex, value); }
  uint32_t GetColor(int vertex) const { return Colors[vertex]; }
  void SetColor(int vertex, uint32_t colour) { Colors.Put(vertex, colour); }

  int Add(T3DVector position, void* object = nullptr) override { return AddVertex(position, object); }
  void Put(int i, const T3DVector& v) override;
  void Delete(int i) override;
  void Clear() override;
  void Sort() override;
  void Assign(const TVertexArray& other);
  void Swap(TVertexArray& other);

 private:
  int AppendVertex(const T3DVector& position, uint32_t colour, void* object);
  void AppendVertexData(const T3DVector& position, uint32_t colour);

  // The last positions asked for, by their exact bytes. A mesh asks for the
  // same few corners again and again as it adds neighbouring faces; while
  // only AddUniqueVertex adds, no other key can take such a position's
  // place, so the answer stands without a walk of the big table. Anything
  // else that changes the keys forgets them.
  struct TRecent {
    T3DVector Position;
    int32_t Index = -1;
    uint32_t Generation = 0;  // valid only while it equals recentGeneration_
  };
  static constexpr int kRecentBits = 6;
  static constexpr int kRecentSlots = 1 << kRecentBits;
  std::array<TRecent, kRecentSlots> recent_{};
  uint32_t recentGeneration_ = 1;
  // A new generation forgets every slot at once: Put and Delete run once
  // per vertex in some callers.
  void ForgetRecent() {
    if (++recentGeneration_ != 0) return;
    recent_.fill(TRecent{});
    recentGeneration_ = 1;
  }
};

// Finds the vertex that TVertexArray::IndexOf would find while a builder
// appends vertices unlinked: one open table of (hash, index) pairs, one
// cache line a lookup, made for one build and dropped after it.
class TVertexFinder {
 public:
  // Takes in the vertices the store already holds.
  TVertexFinder(const TVertexArray& store, int expectedVertices);

  // Equal vertices (as the store compares them) hash alike.
  static uint32_t Hash(const T3DVector& p);
  // Brings the hash's first slot towards the cache.
  void Prefetch(uint32_t hash) const { __builtin_prefetch(&slots_[Slot(hash)]); }
  // The index IndexOf gives, or -1.
  int32_t Find(const T3DVector& p, uint32_t hash) const;
  // Vertex `index` of the store, just appended, has this hash.
  void Added(int32_t index, uint32_t hash);
  // Frees the table; nothing may be looked up afterwards.
  void Release();

 private:
  // All zero is empty: a fresh table comes from the kernel zeroed and is
  // only touched where it is filled.
  struct TSlot {
    uint32_t Hash;
    int32_t IndexPlus1;
  };
  struct TFree {
    void operator()(TSlot* p) const { std::free(p); }
  };
  size_t Slot(uint32_t hash) const { return (hash * uint64_t{0x9E3779B97F4A7C15}) >> shift_; }
  void Allocate(size_t slots);
  void Place(uint32_t hash, int32_t indexPlus1);

  const TVertexArray& store_;
  std::unique_ptr<TSlot[], TFree> slots_;
  size_t size_ = 0;
  int shift_ = 0;
  size_t used_ = 0;
};

// The corner positions of the faces of a face list.
class TTriInterface {
 public:
  TTriInterface(const TFaceList& faces, const TVertexArray& vertices) : faces_(&faces), vertices_(&vertices) {}

  int Count() const { return faces_->Count(); }
  // Raises EHugeArray when the face refers to a vertex that does not exist.
  TTriangle3 Triangle(int i) const;

 private:
  const TFaceList* faces_;
  const TVertexArray* vertices_;
};

}  // namespace lumora
