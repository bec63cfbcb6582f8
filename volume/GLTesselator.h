#pragma once
// Solid slabs from plan contours through the GLU polygon tessellator: the
// top is tessellated with the odd winding rule into triangles only, the
// bottom is its reversed copy lowered by the thickness, and the sides join
// each contour edge to its lowered copy.

#include <functional>
#include <stdexcept>

#include "scene/GLMesh.h"
#include "volume/GLPolygons.h"

namespace lumora {

class EVolume : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

extern const char* const kNoTesselatorMessage;  // "Unable to create Tesselator"

constexpr uint32_t kHullTopColor = 0x0000FF;
constexpr uint32_t kHullSideColor = 0xFF0000;

using TVolumeProgress = std::function<void(int percent)>;

class TGLTesselator {
 public:
  // Orients the contours (outer ones clockwise, holes counter-clockwise,
  // in place), then adds top, bottom and sides to `mesh`.
  void Tesselate(TGLPolygonArray& polygons, TGLCustomMesh& mesh, double thickness,
                 const TVolumeProgress& progress = {});
};

// round(a * b / c), halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

}  // namespace lumora
