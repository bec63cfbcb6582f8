#include "volume/GLPolygons.h"

#include <algorithm>

namespace lumora {

double SignedArea(const TGLLineArray& c) {
  double a = 0, b = 0;
  const size_t n = c.size();
  for (size_t i = 0; i < n; ++i) {
    const T3DVector& p = c[i];
    const T3DVector& q = c[(i + 1) % n];
    a += p.x * q.y;
    b += p.y * q.x;
  }
  return (a - b) / 2;
}

bool IsCounterClockwise(const TGLLineArray& contour) { return SignedArea(contour) >= 0; }

bool PointInContour(const TGLLineArray& c, const T3DVector& point) {
  bool inside = false;
  const size_t n = c.size();
  for (size_t i = 0; i < n; ++i) {
    const T3DVector& a = c[i];
    const T3DVector& b = c[(i + 1) % n];
    if ((a.y <= point.y && point.y < b.y) || (b.y <= point.y && point.y < a.y)) {
      const double x = a.x + (b.x - a.x) * (point.y - a.y) / (b.y - a.y);
      if (x > point.x) inside = !inside;
    }
  }
  return inside;
}

int NestingCount(const TGLPolygonArray& polygons, int k) {
  if (k < 0 || k >= static_cast<int>(polygons.size()) || polygons[k].empty()) return 0;
  int count = 0;
  for (int i = 0; i < static_cast<int>(polygons.size()); ++i)
    if (i != k && PointInContour(polygons[i], polygons[k][0])) ++count;
  return count;
}

bool IsOuter(const TGLPolygonArray& polygons, int k) { return NestingCount(polygons, k) % 2 == 0; }

void ReverseContour(TGLLineArray& contour) { std::reverse(contour.begin(), contour.end()); }

}  // namespace lumora
