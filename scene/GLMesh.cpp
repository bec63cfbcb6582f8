#include "scene/GLMesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene/GLGuards.h"
#include "scene/GLTexture.h"

namespace lumora {

bool SameVertex(const T3DVector& a, const T3DVector& b) {
  return std::fabs(a.x - b.x) <= kVertexTolerance && std::fabs(a.y - b.y) <= kVertexTolerance &&
         std::fabs(a.z - b.z) <= kVertexTolerance;
}

int CompareVertices(const T3DVector& a, const T3DVector& b) {
  auto cmp = [](double p, double q) { return std::fabs(p - q) <= kVertexTolerance ? 0 : (p < q ? -1 : 1); };
  if (int c = cmp(a.x, b.x)) return c;
  if (int c = cmp(a.y, b.y)) return c;
  return cmp(a.z, b.z);
}

int MulDiv100(int position, int maximum) {
  if (maximum == 0) return -1;
  const long long n = 100LL * position;
  const long long q = (2 * std::llabs(n) + std::llabs(maximum)) / (2 * std::llabs(static_cast<long long>(maximum)));
  return static_cast<int>(((n < 0) != (maximum < 0)) ? -q : q);
}

uint32_t AlphaFromTransparency(double percent) {
  const double v = 255.0 * (100.0 - percent) / 100.0;
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint32_t>(v);
}

// ---- TGLCustomMesh ----

void TGLCustomMesh::SetRenderStyle(uint8_t style) {
  if (style != RenderStyle()) OctreeValid = false;
  TGLRenderer::SetRenderStyle(style);
}

void TGLCustomMesh::Clear() {
  TGLRenderer::Clear();
  ClearGeometry();
  Invalidate();
}

void TGLCustomMesh::Invalidate() {
  OctreeValid = false;
  Texture->CoordsValid = false;
  Changed();
}

void TGLCustomMesh::RecomputeBounds() {
  T3DVector lo{1.7e308, 1.7e308, 1.7e308}, hi{-1.7e308, -1.7e308, -1.7e308};
  for (int i = 0; i < VertexCount(); ++i) {
    const T3DVector v = GetVertex(i);
    lo = MinVector(lo, v);
    hi = MaxVector(hi, v);
  }
  SetMin(lo);
  SetMax(hi);
}

void TGLCustomMesh::ReportProgress(const std::string& text, int position, int maximum) {
  if (!OnProgress) return;
  if (maximum < 0 || position % (maximum / 100 + 1) != 0) return;
  OnProgress(*this, text, MulDiv100(position, maximum));
}

std::vector<int> TGLCustomMesh::TrianglesAt(const T3DVector& point) const {
  std::vector<int> found;
  for (int t = 0; t < ColorCount(); ++t) {
    const TTriangle3 tri = GetTriangle(t);
    if (SameVertex(tri.p[0], point) || SameVertex(tri.p[1], point) || SameVertex(tri.p[2], point)) found.push_back(t);
  }
  return found;
}

bool TGLCustomMesh::IsDegenerate(int i) const {
  const TTriangle3 t = GetTriangle(i);
  return SameVertex(t.p[0], t.p[1]) || SameVertex(t.p[1], t.p[2]) || SameVertex(t.p[2], t.p[0]);
}

void TGLCustomMesh::RemoveDegenerate() {
  bool any = false;
  for (int t = ColorCount() - 1; t >= 0; --t)
    if (IsDegenerate(t)) {
      DeleteTriangle(t);
      any = true;
    }
  if (any) Invalidate();
}

void TGLCustomMesh::RemoveDegenerateAt(const T3DVector& point) {
  const std::vector<int> found = TrianglesAt(point);
  bool any = false;
  for (auto it = found.rbegin(); it != found.rend(); ++it)
    if (IsDegenerate(*it)) {
      DeleteTriangle(*it);
      any = true;
    }
  if (any) Invalidate();
}

T3DVector TGLCustomMesh::CollapseTriangle(int i) {
  const TTriangle3 t = GetTriangle(i);
  const T3DVector centre = DivideScalar(Add(Add(t.p[0], t.p[1]), t.p[2]), 3);
  for (const T3DVector& p : t.p) MoveVertex(p, centre);
  DeleteTriangle(i);
  Invalidate();
  return centre;
}

int TGLCustomMesh::FindEdgeNeighbour(const T3DVector& a, const T3DVector& b, int excluded, int& edge) const {
  edge = -1;
  for (int t : TrianglesAt(a)) {
    if (t == excluded || IsDegenerate(t)) continue;
    const TTriangle3 tri = GetTriangle(t);
    for (int k = 0; k < 3; ++k) {
      const T3DVector& p = tri.p[k];
      const T3DVector& q = tri.p[(k + 1) % 3];
      if ((SameVertex(p, a) && SameVertex(q, b)) || (SameVertex(p, b) && SameVertex(q, a))) {
        edge = k;
        return t;
      }
    }
  }
  return -1;
}

int TGLCustomMesh::AddTriangle3(const T3DVector& a, const T3DVector& b, const T3DVector& c, uint32_t colour) {
  return AddTriangle(TTriangle3{{a, b, c}}, colour);
}

void TGLCustomMesh::AddQuadCoords(const double (&c)[12], uint32_t colour) {
  AddQuad({c[0], c[1], c[2]}, {c[3], c[4], c[5]}, {c[6], c[7], c[8]}, {c[9], c[10], c[11]}, colour);
}

void TGLCustomMesh::AddRectangle(const T3DVector& a, const T3DVector& b, uint32_t colour) {
  AddQuad(a, {b.x, a.y, b.z}, b, {a.x, b.y, a.z}, colour);
}

void TGLCustomMesh::AddQuad(const T3DVector& a, const T3DVector& b, const T3DVector& c, const T3DVector& d,
                            uint32_t colour) {
  AddTriangle(TTriangle3{{a, b, d}}, colour);
  AddTriangle(TTriangle3{{b, c, d}}, colour);
}

void TGLCustomMesh::AddQuadArray(const T3DVector (&p)[4], uint32_t colour) { AddQuad(p[0], p[1], p[2], p[3], colour); }

void TGLCustomMesh::AddBox8(const T3DVector (&p)[8], uint32_t colour) {
  AddQuad(p[0], p[1], p[2], p[3], colour);
  AddQuad(p[4], p[5], p[6], p[7], colour);
  AddQuad(p[0], p[5], p[4], p[1], colour);
  AddQuad(p[1], p[4], p[7], p[2], colour);
  AddQuad(p[3], p[6], p[5], p[0], colour);
  AddQuad(p[3], p[2], p[7], p[6], colour);
}

void TGLCustomMesh::AddBox(const T3DVector& a, const T3DVector& b, uint32_t colour) {
  const T3DVector p[8] = {{a.x, a.y, b.z}, {b.x, a.y, b.z}, {b.x, b.y, b.z}, {a.x, b.y, b.z},
                          {b.x, a.y, a.z}, {a.x, a.y, a.z}, {a.x, b.y, a.z}, {b.x, b.y, a.z}};
  AddBox8(p, colour);
}

void TGLCustomMesh::AddBoxGrid(const T3DVector& a, const T3DVector& b, uint32_t colour, int nx, int ny, int nz) {
  const T3DVector cell = Divide(Subtract(b, a), T3DVector{double(nx), double(ny), double(nz)});
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j)
      for (int k = 0; k < nz; ++k)
        AddBox(Add(a, Multiply(T3DVector{double(i), double(j), double(k)}, cell)),
               Add(a, Multiply(T3DVector{double(i + 1), double(j + 1), double(k + 1)}, cell)), colour);
}

void TGLCustomMesh::AddHexagon(const T3DVector (&p)[6], uint32_t colour) {
  T3DVector c;
  for (const T3DVector& q : p) c = Add(c, q);
  c = DivideScalar(c, 6);
  for (int k = 0; k < 6; ++k) AddTriangle(TTriangle3{{c, p[k], p[(k + 1) % 6]}}, colour);
}

void TGLCustomMesh::AddPentagon(const T3DVector (&p)[5], uint32_t colour) {
  T3DVector c;
  for (const T3DVector& q : p) c = Add(c, q);
  c = DivideScalar(c, 5);
  for (int k = 0; k < 5; ++k) AddTriangle(TTriangle3{{c, p[k], p[(k + 1) % 5]}}, colour);
}

void TGLCustomMesh::MapVertices(const std::function<T3DVector(const T3DVector&)>& f) {
  for (int i = 0; i < VertexCount(); ++i) SetVertex(i, f(GetVertex(i)));
}

void TGLCustomMesh::ApplyScale() {
  const T3DVector s = Scale;
  MapVertices([&](const T3DVector& v) { return Multiply(v, s); });
  Scale = T3DVector{1, 1, 1};
  Invalidate();
}

void TGLCustomMesh::CentreOnOrigin() {
  const T3DVector c = lumora::Scale(Add(GetMax(), GetMin()), 0.5);
  MapVertices([&](const T3DVector& v) { return Subtract(v, c); });
  Invalidate();
  RotationCentre = T3DVector{};
}

void TGLCustomMesh::TranslateVertices(const T3DVector& d) {
  MapVertices([&](const T3DVector& v) { return Add(v, d); });
  RotationCentre = d;
  Invalidate();
}

void TGLCustomMesh::TrianglesAtVertex(const T3DVector& point, TIndexSet& set) const {
  for (int t : TrianglesAt(point))
    for (int32_t v : TriangleVertexIndices(t)) set.insert(v);
}

int TGLCustomMesh::FindVertex(const T3DVector& point) const {
  for (int i = 0; i < VertexCount(); ++i)
    if (SameVertex(GetVertex(i), point)) return i;
  return -1;
}

void TGLCustomMesh::FindVertices(const T3DVector& point, TIndexSet& set) const {
  for (int i = 0; i < VertexCount(); ++i)
    if (SameVertex(GetVertex(i), point)) set.insert(i);
}

void TGLCustomMesh::MoveVertex(const T3DVector& from, const T3DVector& to) {
  const T3DVector f = from;  // `from` may be a vertex that moves
  for (int i = 0; i < VertexCount(); ++i)
    if (SameVertex(GetVertex(i), f)) SetVertex(i, to);
}

void TGLCustomMesh::BuildOctree() {
  Octree.Clear();
  Octree.SetBox(GetMin(), GetMax());
  for (int t = 0, n = CompleteTriangles(); t < n; ++t) {
    const TTriangle3 tri = GetTriangle(t);
    Octree.Insert(t, tri.p, 3);
  }
  OctreeValid = true;
}

void TGLCustomMesh::DrawTriangles(uint8_t style, const std::function<void(int, bool)>& drawOne) {
  if (style == 0) {
    glShadeModel(GL_FLAT);
    Octree.Visit([&](int t) { drawOne(t, true); });
    return;
  }
  glShadeModel(style == 2 ? GL_SMOOTH : GL_FLAT);
  glBegin(GL_TRIANGLES);
  Octree.Visit([&](int t) { drawOne(t, false); });
  glEnd();
}

// ---- TGLMesh ----

TGLMesh::TGLMesh() {
  TGLRenderer::SetRenderStyle(1);
  Vertices.OnVectorChange = [this](const T3DVector& v, int) {
    BoundsMin = MinVector(BoundsMin, v);
    BoundsMax = MaxVector(BoundsMax, v);
    Invalidate();
  };
  Vertices.OnVectorAdd = [this](const T3DVector&, int) { VertexNormals.Add(T3DVector{}); };
  Vertices.OnVectorDelete = [this](const T3DVector&, int i) { VertexNormals.Delete(i); };
  Vertices.OnTriangleDelete = [this](const T3DVector&, int t) {
    FaceNormals.Delete(t);
    Colors.Delete(t);
  };
}

uint32_t TGLMesh::GetColor() const { return Colors.Count() ? Colors[0].c[0] : 0xFFFFFF; }

void TGLMesh::SetTransparency(double percent) {
  const uint32_t a = AlphaFromTransparency(percent) << 24;
  for (int i = 0; i < Colors.Count(); ++i)
    for (uint32_t& c : Colors[i].c) c = (c & 0xFFFFFF) | a;
  TGLRenderer::SetTransparency(percent);
}

void TGLMesh::SetColor(uint32_t colour) {
  const uint32_t c = (colour & 0xFFFFFF) | (AlphaFromTransparency(Transparency()) << 24);
  for (int i = 0; i < Colors.Count(); ++i) Colors[i] = TGLColorTriple{{c, c, c}};
}

void TGLMesh::SetVertexColor(int i, uint32_t c) {
  TGLColorTriple t = Colors[i / 3];
  t.c[i % 3] = c;
  Colors.Put(i / 3, t);
}

void TGLMesh::SetVertexCount(int n) {
  Vertices.SetCount(n);
  VertexNormals.SetCount(Vertices.Count());
}

int TGLMesh::CompleteTriangles() const {
  return std::min({Colors.Count(), FaceNormals.Count(), Vertices.TriangleCount(), VertexNormals.Count() / 3});
}

void TGLMesh::Invalidate() {
  SortValid = false;
  TGLCustomMesh::Invalidate();
}

int TGLMesh::AddTriangleRGB(const TTriangle3& t, uint32_t colour) { return AddTriangle(t, colour & 0xFFFFFF); }

int TGLMesh::AddTriangle(const TTriangle3& t, uint32_t colour) {
  const TTriangle3 copy = t;
  for (const T3DVector& p : copy.p) Vertices.Add(p);
  Colors.AddGrey(colour);
  FaceNormals.Add(TriangleNormal(copy));
  Invalidate();
  return Colors.Count() - 1;
}

void TGLMesh::DeleteTriangle(int i) {
  if (i < 0 || i >= Colors.Count()) throw EHugeArray("Triangle index out of range: " + std::to_string(i));
  Vertices.DeleteTriangle(i);
}

void TGLMesh::ClearGeometry() {
  Vertices.Clear();
  FaceNormals.Clear();
  VertexNormals.Clear();
  Colors.Clear();
  SortedIndex.Clear();
  SortValid = false;
  Invalidate();
  BoundsMin = BoundsMax = T3DVector{};
}

void TGLMesh::MapVertices(const std::function<T3DVector(const T3DVector&)>& f) {
  for (int i = 0; i < Vertices.Count(); ++i) {
    const T3DVector v = f(Vertices[i]);
    Vertices[i] = v;
    BoundsMin = MinVector(BoundsMin, v);
    BoundsMax = MaxVector(BoundsMax, v);
  }
}

void TGLMesh::BuildTextureCoords() {
  Texture->BuildCoords(Vertices);
  Texture->CoordsValid = true;
}

void TGLMesh::SortVertices() {
  if (SortValid) return;
  std::vector<int32_t> order(Vertices.Count());
  for (int i = 0; i < Vertices.Count(); ++i) order[i] = i;
  // Merge sort: the tolerance makes "equal" non-transitive, which a
  // quicksort's unguarded scans would not survive.
  std::stable_sort(order.begin(), order.end(),
                   [this](int32_t a, int32_t b) { return CompareVertices(Vertices[a], Vertices[b]) < 0; });
  SortedIndex.Clear();
  SortedIndex.SetCapacity(std::max<int>(order.size(), 1));
  for (int32_t i : order) SortedIndex.Add(i);
  SortValid = true;
}

T3DVector TGLMesh::SmoothNormal(int i, double crease) const {
  const T3DVector v = Vertices[i];
  const T3DVector n = TriangleNormal(Vertices.GetTriangle(i / 3));
  const int32_t* first = SortedIndex.Data();
  const int32_t* last = first + SortedIndex.Count();
  const int32_t* pos = std::lower_bound(
      first, last, v, [this](int32_t j, const T3DVector& key) { return CompareVertices(Vertices[j], key) < 0; });
  T3DVector sum;
  int count = 0;
  for (; pos != last && SameVertex(Vertices[*pos], v); ++pos) {
    const T3DVector m = TriangleNormal(Vertices.GetTriangle(*pos / 3));
    if (Angle(n, m) * 180.0 / std::numbers::pi < crease) {
      sum = Add(sum, m);
      ++count;
    }
  }
  return count ? DivideScalar(sum, count) : sum;
}

void TGLMesh::ComputeNormalsEx(bool smooth, double crease) {
  ReportProgress("Setting Face Normals", 0, 1);
  const int triangles = Vertices.TriangleCount();
  FaceNormals.Clear();
  FaceNormals.SetCapacity(std::max(triangles, 1));
  for (int t = 0; t < triangles; ++t) {
    FaceNormals.Add(TriangleNormal(Vertices.GetTriangle(t)));
    ReportProgress("Face Normals", t, triangles);
  }
  if (smooth) {
    ReportProgress("Sorting Vertices", 5, 10);
    SortVertices();
    ReportProgress("Setting Vertices Normals", 7, 10);
    const int n = Vertices.Count();
    VertexNormals.Clear();
    VertexNormals.SetCapacity(std::max(n, 1));
    for (int i = 0; i < n; ++i) {
      VertexNormals.Add(SmoothNormal(i, crease));
      ReportProgress("Vertex Normals", i, n);
    }
  }
  ReportProgress("Done", 1, 1);
}

void TGLMesh::RecomputeNormalsAt(const T3DVector& point, double crease) {
  SortVertices();
  for (int t : TrianglesAt(point)) {
    FaceNormals.Put(t, TriangleNormal(Vertices.GetTriangle(t)));
    for (int k = 0; k < 3; ++k) VertexNormals.Put(3 * t + k, SmoothNormal(3 * t + k, crease));
  }
  Invalidate();
}

void TGLMesh::Assign(const TGLObject& source) {
  Clear();
  TGLRenderer::Assign(source);
  auto* s = dynamic_cast<const TGLMesh*>(&source);
  if (s && s != this) {
    Vertices.Assign(s->Vertices);
    FaceNormals.Assign(s->FaceNormals);
    VertexNormals.Assign(s->VertexNormals);
    Colors.Assign(s->Colors);
    Texture->Assign(*s->Texture);
  }
  Invalidate();
}

bool TGLMesh::Combine(const TGLObject& other) {
  const bool renderer = TGLRenderer::Combine(other);
  auto* o = dynamic_cast<const TGLMesh*>(&other);
  if (!o || o == this) return renderer;
  const TMatrix4 back = Invert(ObjectMatrix);
  const TMatrix4 toOwn = MatrixMultiply(o->ObjectMatrix, back);
  const TMatrix4 turn = RemoveScale(RotationPart(toOwn));
  // Own vertices would go out through ObjectMatrix and back through its
  // inverse: they stay as they are.
  const int first = Vertices.Count();
  for (int i = 0; i < o->Vertices.Count(); ++i) Vertices.Add(TransformPoint(toOwn, o->Vertices[i]));
  // Adding the vertices appended zero normals; they take the other's.
  for (int i = 0; i < o->VertexNormals.Count() && first + i < VertexNormals.Count(); ++i)
    VertexNormals[first + i] = TransformPoint(turn, o->VertexNormals[i]);
  for (int i = 0; i < o->FaceNormals.Count(); ++i) FaceNormals.Add(TransformPoint(turn, o->FaceNormals[i]));
  for (int i = 0; i < o->Colors.Count(); ++i) Colors.Add(o->Colors[i]);
  RecomputeBounds();
  Invalidate();
  return renderer;
}

void TGLMesh::Render() {
  TAttribGuard attribs;
  if (!OctreeValid) BuildOctree();
  if (!Texture->CoordsValid) BuildTextureCoords();
  TGLRenderer::Render();
  Octree.UpdateVisibility();
  const float alpha = Alpha();
  const bool mapped = Texture->TextureMode == 1 && Texture->TexCoords.Count() == Vertices.Count();
  const uint8_t style = RenderStyle();
  const int complete = CompleteTriangles();
  auto texCoord = [&](int i) {
    if (mapped) {
      const T2DVector& uv = Texture->TexCoords[i];
      glTexCoord2f(static_cast<float>(uv.x), static_cast<float>(uv.y));
    }
  };
  DrawTriangles(style, [&](int t, bool wire) {
    if (t >= complete) return;
    const TGLColorTriple& c = Colors[t];
    GLColor(c.c[0], alpha);
    if (wire) {
      glBegin(GL_LINE_LOOP);
      for (int k = 0; k < 3; ++k) glVertex3dv(&Vertices[3 * t + k].x);
      glEnd();
    } else if (style == 2) {
      for (int k = 0; k < 3; ++k) {
        glNormal3dv(&VertexNormals[3 * t + k].x);
        GLColor(c.c[k], alpha);
        texCoord(3 * t + k);
        glVertex3dv(&Vertices[3 * t + k].x);
      }
    } else {
      glNormal3dv(&FaceNormals[t].x);
      for (int k = 0; k < 3; ++k) {
        texCoord(3 * t + k);
        glVertex3dv(&Vertices[3 * t + k].x);
      }
    }
  });
}

}  // namespace lumora
