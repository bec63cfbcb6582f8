#pragma once
// The indexed triangle mesh: unique vertices in a hashed store, faces of
// three vertex indices, and one draw call for the smooth style.

#include "geometry/MeshArrays.h"
#include "scene/GLMesh.h"

namespace lumora {

class TGLFastMesh : public TGLCustomMesh {
 public:
  TGLFastMesh();

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
  void SetVertexColor(int i, uint32_t c) override { VertexStore.Colors.Put(i, c); }
  int VertexCount() const override { return VertexStore.Count(); }
  T3DVector GetVertexNormal(int i) const override { return VertexStore.Normals[i]; }
  void SetVertexNormal(int i, const T3DVector& n) override { VertexStore.Normals.Put(i, n); }
  int ColorCount() const override { return Faces.Count(); }
  TTriangle3 GetTriangle(int i) const override { return Triangles.Triangle(i); }
  void SetTriangle(int i, const TTriangle3& t) override;
  TGLColorTriple GetTriangleColors(int i) const override;
  void SetTriangleColors(int i, const TGLColorTriple& c) override;
  T3DVector GetFaceNormal(int i) const override { return Faces.Normals[i]; }
  void SetFaceNormal(int i, const T3DVector& n) override { Faces.Normals.Put(i, n); }
  void BuildTextureCoords() override;
  void ComputeNormalsEx(bool smooth, double crease) override;
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

  // The weighted, normalised normal of vertex i from the faces that use it.
  T3DVector VertexNormal(int i) const;

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

  bool deferFaceLists_ = false;
  bool faceListsStale_ = false;
  // Points every face that uses vertex `from` at vertex `to`.
  void Repoint(int from, int to);
};

}  // namespace lumora
