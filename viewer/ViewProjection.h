#pragma once
// Where scene points land in the view, worked out from the camera and the
// frames' own transforms rather than read back from GL, so a click is
// answered against the view as it stands even between two frames.

#include <initializer_list>
#include <optional>
#include <vector>

#include "geometry/GLMatrix.h"
#include "viewer/GLViewerCore.h"

namespace lumora {

// Window pixels, y down, and the distance in front of the eye.
struct TWindowPoint {
  double X = 0, Y = 0;
  double Depth = 0;
};

// The matrix gluLookAt makes of the camera.
TMatrix4 LookAtMatrix(const TGLCamera& camera);
// The modelview an object is drawn with: the camera, then each object of
// `chain` from the root frame down to the object itself.
TMatrix4 ModelviewOf(const TGLCamera& camera, std::initializer_list<const TGLObject*> chain);

// The viewer's projection (1000 pixels per unit at distance 1, near plane
// at 1). Nothing for a point at or behind the near plane.
std::optional<TWindowPoint> ProjectToWindow(const TMatrix4& modelview, double width, double height, const T3DVector& p);

// Screen distances closer than this are equal when picking: the eye decides.
constexpr double kPickTie = 0.5;

// The point nearest to (x, y) on the screen within `radius` pixels; among
// those as near (within kPickTie), the one nearest to the eye. -1 when none
// is. One pass over all points: TPickGrid answers the same faster.
int PickNearest(const TMatrix4& modelview, double width, double height, const std::vector<T3DVector>& points, double x,
                double y, double radius);

}  // namespace lumora
