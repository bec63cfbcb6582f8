#include "volume/GLTesselator.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "scene/GLHeaders.h"

namespace lumora {

const char* const kNoTesselatorMessage = "Unable to create Tesselator";

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long n = static_cast<long long>(a) * b;
  const long long q =
      (2 * std::llabs(n) + std::llabs(static_cast<long long>(c))) / (2 * std::llabs(static_cast<long long>(c)));
  return static_cast<int>(((n < 0) != (c < 0)) ? -q : q);
}

namespace {

// What one tessellator run works on; handed to every callback.
struct TTessItems {
  T3DVector slots[3];
  int count = 0;
  std::vector<std::unique_ptr<T3DVector>> created;  // combine's vertices
  TGLCustomMesh* mesh = nullptr;
};

void EdgeFlagCallback(GLboolean, void*) {}  // its presence gives separate triangles only

void BeginCallback(GLenum, void* data) { static_cast<TTessItems*>(data)->count = 0; }

void VertexCallback(void* vertex, void* data) {
  auto* items = static_cast<TTessItems*>(data);
  items->slots[items->count++] = *static_cast<const T3DVector*>(vertex);
  if (items->count == 3) {
    items->mesh->AddTriangle(TTriangle3{{items->slots[2], items->slots[1], items->slots[0]}}, kHullTopColor);
    items->count = 0;
  }
}

void EndCallback(void*) {}

void CombineCallback(GLdouble coords[3], void* /*vertexData*/[4], GLfloat /*weight*/[4], void** outData, void* data) {
  auto* items = static_cast<TTessItems*>(data);
  items->created.push_back(std::make_unique<T3DVector>(T3DVector{coords[0], coords[1], coords[2]}));
  *outData = items->created.back().get();
}

void ErrorCallback(GLenum error, void*) { (void)gluErrorString(error); }

T3DVector Lowered(const T3DVector& v, double by) { return {v.x, v.y, v.z - by}; }

}  // namespace

void TGLTesselator::Tesselate(TGLPolygonArray& polygons, TGLCustomMesh& mesh, double thickness,
                              const TVolumeProgress& progress) {
  for (int k = 0; k < static_cast<int>(polygons.size()); ++k) {
    if (polygons[k].empty()) continue;
    const bool ccw = IsCounterClockwise(polygons[k]);
    if (IsOuter(polygons, k) ? ccw : !ccw) ReverseContour(polygons[k]);
  }

  GLUtesselator* tess = gluNewTess();
  if (!tess) throw EVolume(kNoTesselatorMessage);
  TTessItems items;
  items.mesh = &mesh;
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(&EdgeFlagCallback));
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&BeginCallback));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&VertexCallback));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&EndCallback));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&CombineCallback));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&ErrorCallback));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
  gluTessBeginPolygon(tess, &items);
  const int contours = static_cast<int>(polygons.size());
  for (int k = 0; k < contours; ++k) {
    if (progress) progress(MulDiv(95, k, contours - 1));
    gluTessBeginContour(tess);
    for (T3DVector& v : polygons[k]) gluTessVertex(tess, &v.x, &v);
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  items.created.clear();

  const double drop = std::abs(thickness);
  const int tops = mesh.TriangleCount();
  for (int t = 0; t < tops; ++t) {
    const TTriangle3 top = mesh.GetTriangle(t);
    const uint32_t colour = mesh.GetTriangleColors(t).c[0];
    mesh.AddTriangle(TTriangle3{{Lowered(top.p[2], drop), Lowered(top.p[1], drop), Lowered(top.p[0], drop)}}, colour);
  }
  for (const TGLLineArray& contour : polygons) {
    const size_t n = contour.size();
    for (size_t j = 0; j < n; ++j) {
      const T3DVector& a = contour[j];
      const T3DVector& b = contour[(j + 1) % n];
      mesh.AddQuad(a, b, Lowered(b, drop), Lowered(a, drop), kHullSideColor);
    }
  }
}

}  // namespace lumora
