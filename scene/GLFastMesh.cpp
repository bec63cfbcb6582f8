#include "scene/GLFastMesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "geometry/HugePages.h"
#include "geometry/ParallelFor.h"
#include "scene/GLGuards.h"
#include "scene/GLTexture.h"

namespace lumora {

namespace {
constexpr int kFacesPerDraw = 1 << 14;
}  // namespace

TGLFastMesh::TGLFastMesh() {
  // Like every other object, an empty mesh has its bounds at the origin.
  VertexStore.BoundsMin = VertexStore.BoundsMax = T3DVector{};
}

TGLFastMesh::~TGLFastMesh() { ReleaseBuffers(); }

void TGLFastMesh::Reserve(int faces, int vertices) {
  if (faces > Faces.Capacity()) Faces.SetCapacity(faces);
  if (vertices > VertexStore.Normals.Capacity()) {
    VertexStore.Normals.SetCapacity(vertices);
    VertexStore.Colors.SetCapacity(vertices);
  }
  VertexStore.Reserve(vertices);
  if (!deferFaceLists_) VertexStore.Indices.Reserve(vertices, 3 * faces);
}

void TGLFastMesh::DeferFaceLists() {
  deferFaceLists_ = true;
  faceListsStale_ = true;
  VertexStore.KeepIndices = false;
}

void TGLFastMesh::EnsureFaceLists() {
  deferFaceLists_ = false;
  if (faceListsStale_) RebuildFaceLists();
}

void TGLFastMesh::SwapGeometry(TGLFastMesh& other) {
  VertexStore.Swap(other.VertexStore);
  Faces.Swap(other.Faces);
  std::swap(deferFaceLists_, other.deferFaceLists_);
  std::swap(faceListsStale_, other.faceListsStale_);
  const bool mine = smoothNormalsCurrent_, theirs = other.smoothNormalsCurrent_;
  Invalidate();
  other.Invalidate();
  smoothNormalsCurrent_ = theirs;
  other.smoothNormalsCurrent_ = mine;
}

void TGLFastMesh::SetMax(const T3DVector& v) {
  VertexStore.BoundsMax = v;
  BoundsMax = v;
}

void TGLFastMesh::SetMin(const T3DVector& v) {
  VertexStore.BoundsMin = v;
  BoundsMin = v;
}

void TGLFastMesh::SetTransparency(double percent) {
  buffersStale_ = true;
  const uint32_t a = AlphaFromTransparency(percent) << 24;
  VertexStore.Colors.ForEach([a](uint32_t& c) { c = (c & 0xFFFFFF) | a; });
  Faces.Colors.ForEach([a](uint32_t& c) { c = (c & 0xFFFFFF) | a; });
  TGLRenderer::SetTransparency(percent);
}

void TGLFastMesh::SetColor(uint32_t colour) {
  buffersStale_ = true;
  VertexStore.Colors.Fill(colour);
  Faces.Colors.Fill(colour);
}

void TGLFastMesh::Invalidate() {
  smoothNormalsCurrent_ = false;
  buffersStale_ = true;
  TGLCustomMesh::Invalidate();
}

void TGLFastMesh::SetFaceNormal(int i, const T3DVector& n) {
  smoothNormalsCurrent_ = false;
  EnsureFaceNormals();
  Faces.Normals.Put(i, n);
}

void TGLFastMesh::EnsureFaceNormals() {
  const int n = Faces.Count();
  if (Faces.Normals.Count() == n) return;
  Faces.Normals.SetCapacity(n);
  for (int f = Faces.Normals.Count(); f < n; ++f) Faces.Normals.Add(TriangleNormal(Triangles.Triangle(f)));
}

void TGLFastMesh::SetVertex(int i, const T3DVector& v) {
  EnsureFaceNormals();
  VertexStore.Put(i, v);
  VertexStore.BoundsMin = MinVector(VertexStore.BoundsMin, v);
  VertexStore.BoundsMax = MaxVector(VertexStore.BoundsMax, v);
  Invalidate();
}

void TGLFastMesh::SetTriangle(int i, const TTriangle3& t) {
  EnsureFaceNormals();
  TFace f;
  for (int k = 0; k < 3; ++k) f.v[k] = VertexStore.AddUniqueVertex(t.p[k], Faces.Colors[i]);
  Faces[i] = f;
  Faces.Normals[i] = TriangleNormal(t);
  RebuildFaceLists();
  Invalidate();
}

TGLColorTriple TGLFastMesh::GetTriangleColors(int i) const {
  const TFace& f = Faces[i];
  return TGLColorTriple{{VertexStore.Colors[f.v[0]], VertexStore.Colors[f.v[1]], VertexStore.Colors[f.v[2]]}};
}

void TGLFastMesh::SetTriangleColors(int i, const TGLColorTriple& c) {
  buffersStale_ = true;
  const TFace f = Faces[i];
  Faces.Colors.Put(i, c.c[0]);
  for (int k = 0; k < 3; ++k) VertexStore.Colors.Put(f.v[k], c.c[k]);
}

std::array<int32_t, 3> TGLFastMesh::TriangleVertexIndices(int i) const {
  const TFace& f = Faces[i];
  return {f.v[0], f.v[1], f.v[2]};
}

void TGLFastMesh::FindVertices(const T3DVector& point, TIndexSet& set) const {
  const int i = VertexStore.IndexOf(point);
  if (i >= 0) set.insert(i);
}

std::vector<int> TGLFastMesh::TrianglesAt(const T3DVector& point) const {
  // The lists are a cache of the faces: making them changes nothing seen.
  const_cast<TGLFastMesh*>(this)->EnsureFaceLists();
  std::vector<int> found;
  const int v = VertexStore.IndexOf(point);
  if (v < 0) return found;
  VertexStore.Indices.ForEach(v, [&](int32_t f) { found.push_back(f); });
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

bool TGLFastMesh::IsDegenerate(int i) const {
  const TFace& f = Faces[i];
  return f.v[0] == f.v[1] || f.v[1] == f.v[2] || f.v[2] == f.v[0] || TGLCustomMesh::IsDegenerate(i);
}

void TGLFastMesh::RebuildFaceLists() {
  // Every vertex has its list again; a deferred build goes on without.
  faceListsStale_ = deferFaceLists_;
  VertexStore.KeepIndices = !deferFaceLists_;
  VertexStore.Indices.Clear();
  VertexStore.Indices.Reserve(VertexStore.Count(), 3 * Faces.Count());
  for (int i = 0; i < VertexStore.Count(); ++i) VertexStore.Indices.AddList();
  for (int f = 0; f < Faces.Count(); ++f)
    for (int32_t v : Faces[f].v) VertexStore.AddIndex(v, f);
}

void TGLFastMesh::Repoint(int from, int to) {
  EnsureFaceNormals();
  for (int f = 0; f < Faces.Count(); ++f)
    for (int32_t& v : Faces[f].v)
      if (v == from) v = to;
  RebuildFaceLists();
}

void TGLFastMesh::MoveVertex(const T3DVector& from, const T3DVector& to) {
  const int i = VertexStore.IndexOf(from);
  if (i < 0) return;
  const int j = VertexStore.IndexOf(to);
  if (j < 0)
    SetVertex(i, to);
  else if (j != i)
    Repoint(i, j);  // the store keeps one vertex per position: faces share it
  Invalidate();
}

void TGLFastMesh::MapVertices(const std::function<T3DVector(const T3DVector&)>& f) {
  EnsureFaceNormals();
  const int n = VertexStore.Count();
  std::vector<T3DVector> positions(n), normals(n);
  TVertexColors colours;
  colours.Assign(VertexStore.Colors);
  for (int i = 0; i < n; ++i) {
    positions[i] = f(VertexStore[i]);
    normals[i] = VertexStore.Normals[i];
  }
  const T3DVector lo = VertexStore.BoundsMin, hi = VertexStore.BoundsMax;
  // Keys cannot move in place without breaking the hash chains: build the
  // store again with the same indices.
  VertexStore.Clear();
  for (int i = 0; i < n; ++i) {
    VertexStore.AddVertex(positions[i]);
    VertexStore.Normals[i] = normals[i];
  }
  VertexStore.Colors.Swap(colours);
  VertexStore.BoundsMin = MinVector(VertexStore.BoundsMin, lo);
  VertexStore.BoundsMax = MaxVector(VertexStore.BoundsMax, hi);
  RebuildFaceLists();
}

int TGLFastMesh::AddTriangleRGB(const TTriangle3& t, uint32_t colour) {
  EnsureFaceNormals();
  TFace f;
  for (int k = 0; k < 3; ++k) f.v[k] = VertexStore.AddUniqueVertex(t.p[k], colour);
  const int i = Faces.Add(f, colour, TriangleNormal(t));
  if (!deferFaceLists_)
    for (int32_t v : f.v) VertexStore.AddIndex(v, i);
  Invalidate();
  return i;
}

void TGLFastMesh::DeleteTriangle(int i) {
  if (i < 0 || i >= Faces.Count()) throw EHugeArray("Triangle index out of range: " + std::to_string(i));
  EnsureFaceNormals();
  Faces.Delete(i);
  RebuildFaceLists();
  Invalidate();
}

void TGLFastMesh::ClearGeometry() {
  ReleaseBuffers();
  deferFaceLists_ = faceListsStale_ = false;
  VertexStore.KeepIndices = VertexStore.KeepNormals = true;
  VertexStore.Clear();
  Faces.Clear();
  Invalidate();
  SetMin(T3DVector{});
  SetMax(T3DVector{});
}

T3DVector TGLFastMesh::VertexNormal(int i) const {
  const_cast<TGLFastMesh*>(this)->EnsureFaceLists();
  T3DVector sum;
  const T3DVector p = VertexStore[i];
  VertexStore.Indices.ForEach(i, [&](int32_t f) {
    T3DVector n = FaceNormal(f);
    if (AngleWeighted) {
      const TTriangle3 t = Triangles.Triangle(f);
      // The corner of face f at this vertex.
      const TFace& face = Faces[f];
      int k = 0;
      while (k < 2 && face.v[k] != i) ++k;
      double w = Angle(Subtract(t.p[(k + 1) % 3], p), Subtract(t.p[(k + 2) % 3], p));
      if (AreaWeighted) w *= TriangleArea(t);
      n = lumora::Scale(n, w);
    }
    sum = Add(sum, n);
  });
  return Normalize(sum);
}

void TGLFastMesh::ComputeNormalsEx(bool smooth, double) {
  ReportProgress("Setting Face Normals", 0, 1);
  if (smooth) {
    ReportProgress("Setting Vertices Normals", 7, 10);
    if (smoothNormalsCurrent_ && !AngleWeighted) {
      const int n = VertexStore.Count();
      for (int i = 0; i < n; ++i) ReportProgress("Vertex Normals", i, n);
    } else if (faceListsStale_) {
      AccumulateVertexNormals();
    } else {
      const int n = VertexStore.Count();
      for (int i = 0; i < n; ++i) {
        VertexStore.Normals[i] = VertexNormal(i);
        ReportProgress("Vertex Normals", i, n);
      }
    }
    smoothNormalsCurrent_ = !AngleWeighted;
    buffersStale_ = true;
  }
  ReportProgress("Done", 1, 1);
}

void TGLFastMesh::AccumulateVertexNormals() {
  SumVertexNormals();
  const int n = VertexStore.Count();
  for (int i = 0; i < n; ++i) {
    VertexStore.Normals[i] = Normalize(VertexStore.Normals[i]);
    ReportProgress("Vertex Normals", i, n);
  }
}

void TGLFastMesh::SumVertexNormals(bool normalize) {
  const int n = VertexStore.Count();
  THuge3DVector& normals = VertexStore.Normals;
  constexpr int kFacesPerThread = 1 << 16;
  const int threads = static_cast<int>(std::clamp<int64_t>(
      std::min<int64_t>(std::thread::hardware_concurrency(), Faces.Count() / kFacesPerThread), 1, 8));
  if (n <= normals.Capacity()) FaultInPages(normals.Data(), normals.Count(), n, threads);
  normals.SetCount(n);
  for (int i = 0; i < n; ++i) normals[i] = T3DVector{};
  // Faces in index order, the order of every vertex's list, so each sum is
  // the one VertexNormal makes, to the last bit. Split among threads by
  // vertex ranges, each sum still takes its faces in that order.
  auto sum = [this, &normals](int32_t first, int32_t end) {
    for (int f = 0; f < Faces.Count(); ++f) {
      const TFace& face = Faces[f];
      auto mine = [&](int32_t v) { return v >= first && v < end; };
      if (!mine(face.v[0]) && !mine(face.v[1]) && !mine(face.v[2])) continue;
      const T3DVector normal = FaceNormal(f);
      for (int32_t v : face.v) {
        if (!mine(v)) continue;
        T3DVector w = normal;
        if (AngleWeighted) {
          const TTriangle3 t = Triangles.Triangle(f);
          int k = 0;
          while (k < 2 && face.v[k] != v) ++k;
          const T3DVector p = VertexStore[v];
          double a = Angle(Subtract(t.p[(k + 1) % 3], p), Subtract(t.p[(k + 2) % 3], p));
          if (AreaWeighted) a *= TriangleArea(t);
          w = lumora::Scale(w, a);
        }
        normals[v] = Add(normals[v], w);
      }
    }
  };
  ParallelFor(threads, threads, [&](int t) {
    const auto first = static_cast<int32_t>(int64_t{n} * t / threads);
    const auto end = static_cast<int32_t>(int64_t{n} * (t + 1) / threads);
    sum(first, end);
    if (normalize)
      for (int32_t v = first; v < end; ++v) normals[v] = Normalize(normals[v]);
  });
}

void TGLFastMesh::RecomputeNormalsAt(const T3DVector& point, double) {
  EnsureFaceNormals();
  for (int f : TrianglesAt(point)) {
    Faces.Normals[f] = TriangleNormal(Triangles.Triangle(f));
    for (int32_t v : Faces[f].v) VertexStore.Normals[v] = VertexNormal(v);
  }
  Invalidate();
}

void TGLFastMesh::BuildTextureCoords() {
  Texture->BuildCoords(VertexStore.Keys());
  Texture->CoordsValid = true;
}

void TGLFastMesh::Assign(const TGLObject& source) {
  Clear();
  TGLRenderer::Assign(source);
  auto* s = dynamic_cast<const TGLFastMesh*>(&source);
  if (s && s != this) {
    VertexStore.Assign(s->VertexStore);
    Faces.Assign(s->Faces);
    // A source built with deferred lists hands over lists of fewer vertices.
    if (s->faceListsStale_) RebuildFaceLists();
    AngleWeighted = s->AngleWeighted;
    AreaWeighted = s->AreaWeighted;
    Texture->Assign(*s->Texture);
  }
  Invalidate();
}

namespace {

// OpenGL 1.5 made buffer objects core.
bool HasBufferObjects() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  return version && std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 1 || (major == 1 && minor >= 5));
}

bool SoftwareRenderer() {
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const std::string renderer = name ? name : "";
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (renderer.find(soft) != std::string::npos) return true;
  return false;
}

bool UseBufferObjects() {
  switch (TGLFastMesh::BufferUse) {
    case TGLFastMesh::TBufferUse::Never:
      return false;
    case TGLFastMesh::TBufferUse::Always:
      return HasBufferObjects();
    default:
      return HasBufferObjects() && !SoftwareRenderer();
  }
}

}  // namespace

void TGLFastMesh::ReleaseBuffers() {
  if (buffers_[0]) glDeleteBuffers(2, buffers_);
  buffers_[0] = buffers_[1] = 0;
}

void TGLFastMesh::UploadBuffers() {
  const int n = VertexStore.Count();
  const size_t floats = size_t{3} * n * sizeof(float);
  glBindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
  glBufferData(GL_ARRAY_BUFFER, 2 * floats + size_t{4} * n, nullptr, GL_STATIC_DRAW);
  // Written in place, as the GL would convert the doubles itself.
  auto* p = static_cast<float*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
  if (p) {
    float* normals = p + size_t{3} * n;
    for (int i = 0; i < n; ++i) {
      const T3DVector& v = VertexStore[i];
      const T3DVector& m = VertexStore.Normals[i];
      p[3 * i] = static_cast<float>(v.x), p[3 * i + 1] = static_cast<float>(v.y),
            p[3 * i + 2] = static_cast<float>(v.z);
      normals[3 * i] = static_cast<float>(m.x), normals[3 * i + 1] = static_cast<float>(m.y),
                  normals[3 * i + 2] = static_cast<float>(m.z);
    }
    auto* colours = reinterpret_cast<uint32_t*>(normals + size_t{3} * n);
    if (const uint32_t* each = VertexStore.Colors.Data())
      std::memcpy(colours, each, size_t{4} * n);
    else
      std::fill_n(colours, n, VertexStore.Colors[0]);
    glUnmapBuffer(GL_ARRAY_BUFFER);
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[1]);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(TFace) * Faces.Count(), Faces.Data(), GL_STATIC_DRAW);
  buffersStale_ = !p;
}

bool TGLFastMesh::DrawBuffers(bool mapped) {
  // A name that is no buffer here belongs to a context that has gone.
  if (buffers_[0] && !glIsBuffer(buffers_[0])) buffers_[0] = buffers_[1] = 0, buffersStale_ = true;
  if (!buffers_[0]) {
    if (!UseBufferObjects()) return false;
    glGenBuffers(2, buffers_);
  }
  if (buffersStale_) UploadBuffers();
  if (buffersStale_) return false;
  const int n = VertexStore.Count();
  TAttribGuard arrays;
  glShadeModel(GL_SMOOTH);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glBindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[1]);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, nullptr);
  glNormalPointer(GL_FLOAT, 0, reinterpret_cast<const void*>(size_t{3} * n * sizeof(float)));
  glColorPointer(4, GL_UNSIGNED_BYTE, 0, reinterpret_cast<const void*>(size_t{6} * n * sizeof(float)));
  if (mapped) {
    // The texture coordinates stay in client memory.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_DOUBLE, 0, Texture->TexCoords.Data());
  }
  glDrawElements(GL_TRIANGLES, 3 * Faces.Count(), GL_UNSIGNED_INT, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glPopClientAttrib();
  return true;
}

void TGLFastMesh::Render() {
  TAttribGuard attribs;
  const uint8_t style = RenderStyle();
  // The smooth style draws every face in one call and an untextured mesh
  // needs no coordinates: neither is made for a frame that does not use it.
  if (!OctreeValid && style != 2) BuildOctree();
  if (!Texture->CoordsValid && Texture->TextureEnabled) BuildTextureCoords();
  TGLRenderer::Render();
  const bool mapped = Texture->TextureMode == 1 && Texture->TexCoords.Count() == VertexStore.Count();
  if (style == 2) {
    if (Faces.Count() == 0 || DrawBuffers(mapped)) return;
    TAttribGuard arrays;
    glShadeModel(GL_SMOOTH);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_DOUBLE, 0, VertexStore.Keys().Data());
    glNormalPointer(GL_DOUBLE, 0, VertexStore.Normals.Data());
    // Vertices all of one colour draw in the current colour, made from the
    // bytes as the vertex fetch makes it, so the pixels are the same.
    if (const uint32_t* each = VertexStore.Colors.Data()) {
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(4, GL_UNSIGNED_BYTE, 0, each);
    } else {
      const uint32_t c = VertexStore.Colors[0];
      constexpr float k = 1.0f / 255;
      glColor4f((c & 0xFF) * k, (c >> 8 & 0xFF) * k, (c >> 16 & 0xFF) * k, (c >> 24) * k);
    }
    if (mapped) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_DOUBLE, 0, Texture->TexCoords.Data());
    }
    // A software renderer holds every face of a draw until it rasterises
    // them, up to several scenes of tens of MB: drawn and flushed in
    // pieces, in the same order, each scene stays small.
    for (int f = 0; f < Faces.Count(); f += kFacesPerDraw) {
      glDrawElements(GL_TRIANGLES, 3 * std::min(kFacesPerDraw, Faces.Count() - f), GL_UNSIGNED_INT, Faces.Data() + f);
      if (Faces.Count() > kFacesPerDraw) glFlush();
    }
    glPopClientAttrib();
    return;
  }
  Octree.UpdateVisibility();
  const float alpha = Alpha();
  DrawTriangles(style, [&](int f, bool wire) {
    const TFace& face = Faces[f];
    GLColor(Faces.Colors[f], alpha);
    if (wire) {
      glBegin(GL_LINE_LOOP);
      for (int32_t v : face.v) glVertex3dv(&VertexStore[v].x);
      glEnd();
      return;
    }
    const T3DVector normal = FaceNormal(f);
    glNormal3dv(&normal.x);
    for (int32_t v : face.v) {
      if (mapped) glTexCoord2d(Texture->TexCoords[v].x, Texture->TexCoords[v].y);
      glVertex3dv(&VertexStore[v].x);
    }
  });
}

}  // namespace lumora

namespace lumora {

TGLFastMeshFill::TGLFastMeshFill(TGLFastMesh& mesh, int faces, int vertices, int expectedVertices, uint32_t colour)
    : mesh_(mesh),
      finder_(mesh.VertexStore, expectedVertices),
      colour_(colour),
      sumNormals_(mesh.ColorCount() == 0 && mesh.VertexCount() == 0 && !mesh.AngleWeighted) {
  mesh_.DeferFaceLists();
  if (faces > mesh_.Faces.Capacity()) {
    mesh_.Faces.THugeArray::SetCapacity(faces);
    mesh_.Faces.Colors.SetCapacity(faces);
  }
  TVertexArray& store = mesh_.VertexStore;
  if (vertices > store.Normals.Capacity()) {
    store.Normals.SetCapacity(vertices);
    store.Colors.SetCapacity(vertices);
  }
  store.ReserveKeys(vertices);
  // The normals are summed when the lookup table is gone, so that the two
  // never take memory at once.
  if (sumNormals_) store.KeepNormals = false;
}

TGLFastMeshFill::~TGLFastMeshFill() {
  finder_.Release();
  mesh_.Invalidate();
  if (!sumNormals_) return;
  TVertexArray& store = mesh_.VertexStore;
  store.KeepNormals = true;
  // In the room reserved at the start, unless the fill outgrew it.
  mesh_.SumVertexNormals(true);
  mesh_.smoothNormalsCurrent_ = true;
}

int32_t TGLFastMeshFill::Vertex(const T3DVector& p, uint32_t hash) {
  TVertexArray& store = mesh_.VertexStore;
  const int32_t found = finder_.Find(p, hash);
  if (found >= 0) {
    // A vertex equal in single precision but not to the bit: faces from
    // here on keep the normal of their own corners, as AddTriangleRGB does.
    if (!keepNormals_ && std::memcmp(&store[found], &p, sizeof p) != 0) {
      mesh_.EnsureFaceNormals();
      keepNormals_ = true;
    }
    return found;
  }
  const int32_t i = store.AddUnlinkedVertex(p, colour_);
  finder_.Added(i, hash);
  return i;
}

void TGLFastMeshFill::Face(int32_t ia, int32_t ib, int32_t ic, const T3DVector& a, const T3DVector& b,
                           const T3DVector& c) {
  TFaceList& faces = mesh_.Faces;
  const TFace f{{ia, ib, ic}};
  if (keepNormals_)
    faces.Add(f, colour_, TriangleNormal(TTriangle3{{a, b, c}}));
  else
    faces.AddWithoutNormal(f, colour_);
}

}  // namespace lumora
