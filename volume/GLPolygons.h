#pragma once
// Closed plan contours for the hull model: a contour is a list of vertices,
// the last joined back to the first; only x and y count for the tests.

#include <vector>

#include "geometry/Vector.h"

namespace lumora {

using TGLLineArray = std::vector<T3DVector>;
using TGLPolygonArray = std::vector<TGLLineArray>;

// Positive for counter-clockwise contours.
double SignedArea(const TGLLineArray& contour);
bool IsCounterClockwise(const TGLLineArray& contour);
// Even-odd crossing test.
bool PointInContour(const TGLLineArray& contour, const T3DVector& point);
// Other contours that contain the first vertex of contour k (0 when it is empty).
int NestingCount(const TGLPolygonArray& polygons, int k);
bool IsOuter(const TGLPolygonArray& polygons, int k);
void ReverseContour(TGLLineArray& contour);

}  // namespace lumora
