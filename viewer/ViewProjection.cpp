#include "viewer/ViewProjection.h"

#include <algorithm>
#include <cmath>

namespace lumora {

TMatrix4 LookAtMatrix(const TGLCamera& camera) {
  const T3DVector f = Normalize(Subtract(camera.Centre, camera.Eye));
  const T3DVector s = Normalize(Cross(f, camera.Up));
  const T3DVector u = Cross(s, f);
  TMatrix4 m = IdentityMatrix();
  const T3DVector rows[3] = {s, u, Scale(f, -1)};
  for (int r = 0; r < 3; ++r) {
    m[r] = rows[r].x;
    m[4 + r] = rows[r].y;
    m[8 + r] = rows[r].z;
    m[12 + r] = -Dot(rows[r], camera.Eye);
  }
  return m;
}

TMatrix4 ModelviewOf(const TGLCamera& camera, std::initializer_list<const TGLObject*> chain) {
  TMatrix4 m = LookAtMatrix(camera);
  for (const TGLObject* o : chain) m = MatrixMultiply(o->LocalMatrix(), m);
  return m;
}

std::optional<TWindowPoint> ProjectToWindow(const TMatrix4& modelview, double width, double height,
                                            const T3DVector& p) {
  const T3DVector e = TransformPoint(modelview, p);
  const double depth = -e.z;
  if (!(depth > 1)) return std::nullopt;
  return TWindowPoint{width / 2 + 1000 * e.x / depth, height / 2 - 1000 * e.y / depth, depth};
}

int PickNearest(const TMatrix4& modelview, double width, double height, const std::vector<T3DVector>& points, double x,
                double y, double radius) {
  std::vector<std::optional<TWindowPoint>> at(points.size());
  double nearest = HUGE_VAL;
  for (size_t i = 0; i < points.size(); ++i) {
    at[i] = ProjectToWindow(modelview, width, height, points[i]);
    if (at[i]) nearest = std::min(nearest, std::hypot(at[i]->X - x, at[i]->Y - y));
  }
  if (nearest > radius) return -1;
  int best = -1;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!at[i]) continue;
    const double d = std::hypot(at[i]->X - x, at[i]->Y - y);
    if (d <= radius && d <= nearest + kPickTie && (best < 0 || at[i]->Depth < at[best]->Depth))
      best = static_cast<int>(i);
  }
  return best;
}

}  // namespace lumora
