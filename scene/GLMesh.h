#pragma once
// Triangle meshes. TGLCustomMesh is the shared interface and builds the
// composite shapes (quads, boxes, fans) from single triangles; TGLMesh is
// a triangle soup whose smooth normals come from vertices sorted by
// position. The indexed kind is in GLFastMesh.h.

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "geometry/HugeArry.h"
#include "scene/GLRenderer.h"
#include "scene/OctTree.h"

namespace lumora {

class TGLCustomMesh;

using TMeshProgress = std::function<void(TGLCustomMesh&, const std::string&, int)>;
using TIndexSet = std::set<int32_t>;

// Coordinates closer than this are the same vertex.
constexpr double kVertexTolerance = 1e-11;
bool SameVertex(const T3DVector& a, const T3DVector& b);
// Orders by x, then y, then z, each with the tolerance: -1, 0 or 1.
int CompareVertices(const T3DVector& a, const T3DVector& b);
// 100 * position / maximum rounded half away from zero, as MulDiv does; -1
// for a zero maximum.
int MulDiv100(int position, int maximum);
// The alpha byte trunc(255 * (100 - percent) / 100), kept within 0..255
// (NaN gives 0) so that no conversion is undefined.
uint32_t AlphaFromTransparency(double percent);

class TGLCustomMesh : public TGLRenderer {
 public:
  TGLCustomMesh() = default;

  uint32_t GetColor() const override { return 0xFFFFFF; }
  void SetRenderStyle(uint8_t style) override;
  void Clear() override;

  // Slots 14 on; the base does nothing where a slot needs storage.
  virtual void Invalidate();
  virtual T3DVector GetVertex(int /*i*/) const { return {}; }
  virtual void SetVertex(int /*i*/, const T3DVector& /*v*/) {}
  virtual uint32_t GetVertexColor(int /*i*/) const { return 0; }
  virtual void SetVertexColor(int /*i*/, uint32_t /*c*/) {}
  virtual int VertexCount() const { return 0; }
  virtual void SetVertexCount(int /*n*/) {}
  virtual T3DVector GetVertexNormal(int /*i*/) const { return {}; }
  virtual void SetVertexNormal(int /*i*/, const T3DVector& /*n*/) {}
  virtual int ColorCount() const { return 0; }
  virtual TTriangle3 GetTriangle(int /*i*/) const { return {}; }
  virtual void SetTriangle(int /*i*/, const TTriangle3& /*t*/) {}
  virtual TGLColorTriple GetTriangleColors(int /*i*/) const { return {}; }
  virtual void SetTriangleColors(int /*i*/, const TGLColorTriple& /*c*/) {}
  virtual T3DVector GetFaceNormal(int /*i*/) const { return {}; }
  virtual void SetFaceNormal(int /*i*/, const T3DVector& /*n*/) {}
  virtual void BuildTextureCoords() {}
  virtual void RecomputeBounds();
  virtual void ComputeNormals(bool smooth) { ComputeNormalsEx(smooth, 89); }
  virtual void ComputeAllNormals() { ComputeNormals(true); }
  virtual void ComputeNormalsEx(bool /*smooth*/, double /*crease*/) {}
  virtual void ComputeSmoothNormals(double crease) { ComputeNormalsEx(true, crease); }
  virtual void RecomputeNormalsAt(const T3DVector& /*point*/, double /*crease*/) {}
  virtual void RemoveDegenerate();
  virtual void RemoveDegenerateAt(const T3DVector& point);
  virtual T3DVector CollapseTriangle(int i);
  // Triangle index, or -1; `edge` gets 0 (v0-v1), 1 (v1-v2) or 2 (v2-v0).
  virtual int FindEdgeNeighbour(const T3DVector& a, const T3DVector& b, int excluded, int& edge) const;
  virtual int AddTriangleRGB(const TTriangle3& /*t*/, uint32_t /*colour*/) { return -1; }
  virtual int AddTriangle(const TTriangle3& /*t*/, uint32_t /*colour*/) { return -1; }
  int AddTriangle3(const T3DVector& a, const T3DVector& b, const T3DVector& c, uint32_t colour);
  void AddQuadCoords(const double (&c)[12], uint32_t colour);
  void AddRectangle(const T3DVector& a, const T3DVector& b, uint32_t colour);
  void AddQuad(const T3DVector& a, const T3DVector& b, const T3DVector& c, const T3DVector& d, uint32_t colour);
  void AddQuadArray(const T3DVector (&corners)[4], uint32_t colour);
  void AddBox8(const T3DVector (&p)[8], uint32_t colour);
  void AddBox(const T3DVector& a, const T3DVector& b, uint32_t colour);
  void AddBoxGrid(const T3DVector& a, const T3DVector& b, uint32_t colour, int nx, int ny, int nz);
  void AddHexagon(const T3DVector (&p)[6], uint32_t colour);
  void AddPentagon(const T3DVector (&p)[5], uint32_t colour);
  virtual void DeleteTriangle(int /*i*/) {}
  virtual void ApplyScale();
  virtual void CentreOnOrigin();
  virtual void TranslateVertices(const T3DVector& v);
  virtual void ClearGeometry() {}
  void SetTriangleColors3(int i, uint32_t c0, uint32_t c1, uint32_t c2) {
    SetTriangleColors(i, TGLColorTriple{{c0, c1, c2}});
  }
  TTriangle3 GetTriangleCorners(int i) const { return GetTriangle(i); }
  virtual void TrianglesAtVertex(const T3DVector& point, TIndexSet& set) const;
  virtual std::array<int32_t, 3> TriangleVertexIndices(int /*i*/) const { return {0, 0, 0}; }
  virtual int FindVertex(const T3DVector& point) const;
  virtual void FindVertices(const T3DVector& point, TIndexSet& set) const;
  virtual void MoveVertex(const T3DVector& from, const T3DVector& to);

  int TriangleCount() const { return ColorCount(); }
  void ReportProgress(const std::string& text, int position, int maximum);
  void BuildOctree();

  TMeshProgress OnProgress;
  bool OctreeValid = false;
  TOctTree Octree;

 protected:
  // Moves every vertex by f.
  virtual void MapVertices(const std::function<T3DVector(const T3DVector&)>& f);
  // Triangles with a corner at the point, in index order.
  virtual std::vector<int> TrianglesAt(const T3DVector& point) const;
  virtual bool IsDegenerate(int i) const;
  // Triangles that have all their parts; counts set directly can leave the
  // lists out of step.
  virtual int CompleteTriangles() const { return ColorCount(); }
  // The three draw styles over the visited triangles.
  void DrawTriangles(uint8_t style, const std::function<void(int, bool)>& drawOne);
};

class TGLMesh : public TGLCustomMesh {
 public:
  TGLMesh();

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLMesh>(); }
  void Assign(const TGLObject& source) override;
  bool Combine(const TGLObject& other) override;
  void Render() override;

  uint32_t GetColor() const override;
  void SetTransparency(double percent) override;
  void SetColor(uint32_t colour) override;
  void Invalidate() override;
  T3DVector GetVertex(int i) const override { return Vertices[i]; }
  void SetVertex(int i, const T3DVector& v) override { Vertices.Put(i, v); }
  uint32_t GetVertexColor(int i) const override { return Colors[i / 3].c[i % 3]; }
  void SetVertexColor(int i, uint32_t c) override;
  int VertexCount() const override { return Vertices.Count(); }
  // The vertex normals follow, so every vertex keeps one.
  void SetVertexCount(int n) override;
  T3DVector GetVertexNormal(int i) const override { return VertexNormals[i]; }
  void SetVertexNormal(int i, const T3DVector& n) override { VertexNormals.Put(i, n); }
  int ColorCount() const override { return Colors.Count(); }
  TTriangle3 GetTriangle(int i) const override { return Vertices.GetTriangle(i); }
  void SetTriangle(int i, const TTriangle3& t) override { Vertices.SetTriangle(i, t); }
  TGLColorTriple GetTriangleColors(int i) const override { return Colors[i]; }
  void SetTriangleColors(int i, const TGLColorTriple& c) override { Colors.Put(i, c); }
  T3DVector GetFaceNormal(int i) const override { return FaceNormals[i]; }
  void SetFaceNormal(int i, const T3DVector& n) override { FaceNormals.Put(i, n); }
  void BuildTextureCoords() override;
  void ComputeNormalsEx(bool smooth, double crease) override;
  void RecomputeNormalsAt(const T3DVector& point, double crease) override;
  int AddTriangleRGB(const TTriangle3& t, uint32_t colour) override;
  int AddTriangle(const TTriangle3& t, uint32_t colour) override;
  void DeleteTriangle(int i) override;
  void ClearGeometry() override;
  std::array<int32_t, 3> TriangleVertexIndices(int i) const override { return {3 * i, 3 * i + 1, 3 * i + 2}; }

  // Sorts SortedIndex when it is not valid.
  void SortVertices();
  T3DVector SmoothNormal(int i, double crease) const;

  THugeInteger SortedIndex;
  THuge3DVectorEx Vertices;
  THuge3DVector FaceNormals;
  THuge3DVector VertexNormals;
  TGLColorArray Colors;
  bool SortValid = false;

 protected:
  void MapVertices(const std::function<T3DVector(const T3DVector&)>& f) override;
  int CompleteTriangles() const override;
};

}  // namespace lumora
