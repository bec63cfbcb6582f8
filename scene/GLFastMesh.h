#pragma once
// The indexed triangle mesh: unique vertices in a hashed store, faces of
// three vertex indices, and one draw call for the smooth style.

#include "geometry/MeshArrays.h"
#include "scene/GLMesh.h"

namespace lumora {

// On a graphics card the smooth style draws from buffer objects, made at
// the first draw and again after a change; anything that changes
// VertexStore or Faces directly must call Invalidate for the change to be
// drawn.
class TGLFastMesh : public TGLCustomMesh {
 public:
  // A software renderer draws from the arrays in memory: its buffer
  // objects would only be a second copy of them in the same memory.
  enum class TBufferUse { OnGraphicsCards, Always, Never };
  static inline TBufferUse BufferUse = TBufferUse::OnGraphicsCards;

  TGLFastMesh();
  ~TGLFastMesh() override;

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLFastMesh>(); }
  T3DVector GetMax() const override { return VertexStore.BoundsMax; }
  T3DVector GetMin() const override { return VertexStore.BoundsMin; }
  void SetMax(const T3DVector& v) override;
  void SetMin(const T3DVector& v) override;
  void Assign(const TGLObject& source) override;
  void Render() override;

  uint32_t GetColor() const override { return VertexStore.Count() ? VertexStore.Colors[0] : 0xFFFFFF; }
  void SetTransparency(double percent) override;
  void SetColor(uint32_t colour) override;
  T3DVector GetVertex(int i) const override { return VertexStore[i]; }
  void SetVertex(int i, const T3DVector& v) override;
  uint32_t GetVertexColor(int i) const override { return VertexStore.Colors[i]; }
  void SetVertexColor(int i, uint32_t c) override {
    buffersStale_ = true;
    VertexStore.Colors.Put(i, c);
  }
  int VertexCount() const override { return VertexStore.Count(); }
  T3DVector GetVertexNormal(int i) const override { return VertexStore.Normals[i]; }
  void SetVertexNormal(int i, const T3DVector& n) override {
    smoothNormalsCurrent_ = false;
    buffersStale_ = true;
    VertexStore.Normals.Put(i, n);
  }
  int ColorCount() const override { return Faces.Count(); }
  TTriangle3 GetTriangle(int i) const override { return Triangles.Triangle(i); }
  void SetTriangle(int i, const TTriangle3& t) override;
  TGLColorTriple GetTriangleColors(int i) const override;
  void SetTriangleColors(int i, const TGLColorTriple& c) override;
  T3DVector GetFaceNormal(int i) const override { return FaceNormal(i); }
  void SetFaceNormal(int i, const T3DVector& n) override;
  void BuildTextureCoords() override;
  // Smooth normals still current from the last computation or fill are
  // not computed again.
  void ComputeNormalsEx(bool smooth, double crease) override;
  void Invalidate() override;
  void RecomputeNormalsAt(const T3DVector& point, double crease) override;
  int AddTriangleRGB(const TTriangle3& t, uint32_t colour) override;
  int AddTriangle(const TTriangle3& t, uint32_t colour) override { return AddTriangleRGB(t, colour); }
  void DeleteTriangle(int i) override;
  void ClearGeometry() override;
  std::array<int32_t, 3> TriangleVertexIndices(int i) const override;
  int FindVertex(const T3DVector& point) const override { return VertexStore.IndexOf(point); }
  void FindVertices(const T3DVector& point, TIndexSet& set) const override;
  void MoveVertex(const T3DVector& from, const T3DVector& to) override;

  // Room for this many faces and vertices, so that a builder that knows its
  // size does not pay for the arrays' stepwise growth.
  void Reserve(int faces, int vertices);
  // For a builder that adds many faces and asks nothing of the vertices'
  // face lists while it does: the lists are then made once, when first
  // needed, instead of growing with every face (a third of the mesh's
  // memory for a cave). Smooth normals need no lists. Clear ends it.
  void DeferFaceLists();
  // Makes the face lists of a deferred build; later faces keep them.
  void EnsureFaceLists();
  // Exchanges vertices, faces and normals with another fast mesh, so that
  // a mesh built apart (on another thread) can take the place of this
  // one's; then both are invalidated.
  void SwapGeometry(TGLFastMesh& other);

  // The weighted, normalised normal of vertex i from the faces that use it.
  T3DVector VertexNormal(int i) const;

  // The normal face i was added with. A fill leaves them to be made from
  // the corners when asked, which gives the same normals while no vertex
  // moves; anything that moves vertices or changes faces makes them first.
  T3DVector FaceNormal(int i) const {
    return i < Faces.Normals.Count() ? Faces.Normals[i] : TriangleNormal(Triangles.Triangle(i));
  }
  void EnsureFaceNormals();

  TVertexArray VertexStore;
  TFaceList Faces;
  TTriInterface Triangles{Faces, VertexStore};
  bool AngleWeighted = false;
  bool AreaWeighted = false;

 protected:
  void MapVertices(const std::function<T3DVector(const T3DVector&)>& f) override;
  std::vector<int> TrianglesAt(const T3DVector& point) const override;
  bool IsDegenerate(int i) const override;

 private:
  // The per-vertex face lists, made again from the faces.
  void RebuildFaceLists();
  // Smooth normals face by face, as VertexNormal gives them, without lists.
  void AccumulateVertexNormals();
  // Their sums, one for every vertex, normalised or not.
  void SumVertexNormals(bool normalize = false);

  friend class TGLFastMeshFill;

  bool deferFaceLists_ = false;
  bool smoothNormalsCurrent_ = false;  // unweighted ones
  bool faceListsStale_ = false;
  // Points every face that uses vertex `from` at vertex `to`.
  void Repoint(int from, int to);
  // The smooth style's draw from buffer objects; false where they are not
  // used.
  bool DrawBuffers(bool mapped);
  void UploadBuffers();
  void ReleaseBuffers();

  // Vertex positions, normals (as floats) and colours in one buffer, the
  // face indices in the other.
  uint32_t buffers_[2] = {0, 0};
  bool buffersStale_ = true;
};

// Fills a cleared fast mesh with many faces of one colour, faster and in
// less memory than adding them one by one, with the same result: vertices
// are shared exactly as AddTriangleRGB shares them, through a table made
// for the fill instead of the store's chains (made again only when a
// lookup needs them); face lists wait as after DeferFaceLists; face
// normals are made from the corners when first needed, and the smooth
// vertex normals that ComputeNormals would make are made when the fill
// ends, after its table is freed. The mesh is invalidated once, then.
class TGLFastMeshFill {
 public:
  // Room for `faces` and `vertices`; the lookup table is sized for the
  // vertices expected and grows past them.
  TGLFastMeshFill(TGLFastMesh& mesh, int faces, int vertices, int expectedVertices, uint32_t colour);
  ~TGLFastMeshFill();
  TGLFastMeshFill(const TGLFastMeshFill&) = delete;
  TGLFastMeshFill& operator=(const TGLFastMeshFill&) = delete;

  static uint32_t Hash(const T3DVector& p) { return TVertexFinder::Hash(p); }
  void Prefetch(uint32_t hash) const { finder_.Prefetch(hash); }
  // The index of the vertex at p, found or added; the hash is Hash(p).
  int32_t Vertex(const T3DVector& p, uint32_t hash);
  int32_t Vertex(const T3DVector& p) { return Vertex(p, Hash(p)); }
  // A face of three vertex indices whose corners are a, b, c.
  void Face(int32_t ia, int32_t ib, int32_t ic, const T3DVector& a, const T3DVector& b, const T3DVector& c);

  // For a build split among fills whose meshes are joined afterwards: the
  // vertex at p if the fill holds one, without adding it; whether some
  // vertex was found that is equal only in single precision (faces then
  // keep their own normals, which a join cannot reproduce); a vertex added
  // without a lookup; and the lookup table dropped once no more are asked.
  int32_t Find(const T3DVector& p) const { return finder_.Find(p, Hash(p)); }
  void Prefetch(const T3DVector& p) const { finder_.Prefetch(Hash(p)); }
  bool KeepsFaceNormals() const { return keepNormals_; }
  int32_t AppendVertex(const T3DVector& p) { return mesh_.VertexStore.AddUnlinkedVertex(p, colour_); }
  void ReleaseLookups() { finder_.Release(); }

 private:
  TGLFastMesh& mesh_;
  TVertexFinder finder_;
  uint32_t colour_;
  bool keepNormals_ = false;
  bool sumNormals_;
};

}  // namespace lumora
