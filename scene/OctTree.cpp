#include "scene/OctTree.h"

#include <cmath>

#include "scene/GLHeaders.h"

namespace lumora {

TFrustum FrustumPlanes(const TMatrix4& projection, const TMatrix4& modelview) {
  // projection * modelview: the modelview acts first.
  const TMatrix4 clip = MatrixMultiply(modelview, projection);
  auto row = [&](int r) { return TPlane{clip[r], clip[4 + r], clip[8 + r], clip[12 + r]}; };
  const TPlane r1 = row(0), r2 = row(1), r3 = row(2), r4 = row(3);
  auto plane = [](const TPlane& a, const TPlane& b, double k) {
    TPlane p{a.a + k * b.a, a.b + k * b.b, a.c + k * b.c, a.d + k * b.d};
    const double len = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
    if (len > 0) p = TPlane{p.a / len, p.b / len, p.c / len, p.d / len};
    return p;
  };
  return TFrustum{plane(r4, r1, -1), plane(r4, r1, 1),  plane(r4, r2, 1),
                  plane(r4, r2, -1), plane(r4, r3, -1), plane(r4, r3, 1)};
}

TOctTree::TOctTree() { SetBox(T3DVector{0, 0, 0}, T3DVector{8, 8, 8}); }

void TOctTree::Clear() {
  for (TCell& c : cells_) {
    c.Indices.clear();
    c.Visible = false;
  }
  Overflow.clear();
}

void TOctTree::SetBox(const T3DVector& min, const T3DVector& max) {
  BoxMin = min;
  BoxMax = max;
  const T3DVector s = DivideScalar(Subtract(max, min), kCells);
  for (int z = 0; z < kCells; ++z)
    for (int y = 0; y < kCells; ++y)
      for (int x = 0; x < kCells; ++x) {
        TCell& c = Cell(x, y, z);
        c.Min = Add(min, Multiply(T3DVector{double(x), double(y), double(z)}, s));
        c.Max = Add(min, Multiply(T3DVector{double(x + 1), double(y + 1), double(z + 1)}, s));
      }
}

int TOctTree::Slab(double p, double lo, double step) const {
  int a = 0, b = kCells - 1;
  while (a < b) {
    const int mid = (a + b) / 2;
    if (p < lo + mid * step)
      b = mid;
    else if (p > lo + (mid + 1) * step)
      a = mid + 1;
    else
      return mid;
  }
  // The search narrowed to one slab without testing it: that slab holds p.
  return a;
}

bool TOctTree::CellOf(const T3DVector& p, int& x, int& y, int& z) const {
  if (p.x < BoxMin.x || p.y < BoxMin.y || p.z < BoxMin.z || p.x > BoxMax.x || p.y > BoxMax.y || p.z > BoxMax.z)
    return false;
  const T3DVector s = DivideScalar(Subtract(BoxMax, BoxMin), kCells);
  x = Slab(p.x, BoxMin.x, s.x);
  y = Slab(p.y, BoxMin.y, s.y);
  z = Slab(p.z, BoxMin.z, s.z);
  return true;
}

int TOctTree::Insert(int32_t index, const T3DVector* points, int count) {
  int cell = -1;
  for (int k = 0; k < count; ++k) {
    int x, y, z;
    if (!CellOf(points[k], x, y, z)) return -2;
    const int n = CellNumber(x, y, z);
    if (k == 0)
      cell = n;
    else if (n != cell)
      cell = -1;
  }
  if (count > 0 && cell >= 0) {
    cells_[cell].Indices.push_back(index);
    return cell;
  }
  Overflow.push_back(index);
  return -1;
}

void TOctTree::SetVisibility(const TFrustum& frustum) {
  for (TCell& c : cells_) {
    c.Visible = true;
    for (const TPlane& p : frustum) {
      bool allOutside = true;
      for (int k = 0; k < 8 && allOutside; ++k) {
        const double x = (k & 1) ? c.Max.x : c.Min.x;
        const double y = (k & 2) ? c.Max.y : c.Min.y;
        const double z = (k & 4) ? c.Max.z : c.Min.z;
        if (p.a * x + p.b * y + p.c * z + p.d > 0) allOutside = false;
      }
      if (allOutside) {
        c.Visible = false;
        break;
      }
    }
  }
}

void TOctTree::UpdateVisibility() {
  TMatrix4 projection, modelview;
  glGetDoublev(GL_PROJECTION_MATRIX, projection.m);
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview.m);
  SetVisibility(FrustumPlanes(projection, modelview));
}

}  // namespace lumora
