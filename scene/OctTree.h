#pragma once
// An 8 x 8 x 8 grid over a box that sorts primitives into cells, so that a
// render draws only the cells inside the view frustum. Primitives spanning
// two cells go to an overflow list that is always drawn.

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/Vector.h"

namespace lumora {

struct TPlane {
  double a = 0, b = 0, c = 0, d = 0;
};

using TFrustum = std::array<TPlane, 6>;

// The six planes of projection x modelview, each normalised by the length
// of its normal part.
TFrustum FrustumPlanes(const TMatrix4& projection, const TMatrix4& modelview);

class TOctTree {
 public:
  static constexpr int kCells = 8;

  struct TCell {
    T3DVector Min, Max;
    std::vector<int32_t> Indices;
    bool Visible = false;
  };

  TOctTree();

  void Clear();
  void SetBox(const T3DVector& min, const T3DVector& max);
  // False when the point lies outside the box on any axis.
  bool CellOf(const T3DVector& p, int& x, int& y, int& z) const;
  // Into the one cell that holds all points, else into the overflow list;
  // nowhere when any point is outside. Returns where it went: the cell
  // number, -1 for the overflow list, -2 for nowhere.
  int Insert(int32_t index, const T3DVector* points, int count);

  void SetVisibility(const TFrustum& frustum);
  // Reads the GL projection and modelview matrices.
  void UpdateVisibility();

  // Visible cells, z outermost and x innermost, then the overflow list.
  template <class F>
  void Visit(F&& f) const {
    for (const TCell& cell : cells_)
      if (cell.Visible)
        for (int32_t i : cell.Indices) f(i);
    for (int32_t i : Overflow) f(i);
  }

  static int CellNumber(int x, int y, int z) { return (z * kCells + y) * kCells + x; }
  TCell& Cell(int x, int y, int z) { return cells_[CellNumber(x, y, z)]; }
  const TCell& Cell(int x, int y, int z) const { return cells_[CellNumber(x, y, z)]; }

  T3DVector BoxMin, BoxMax;
  std::vector<int32_t> Overflow;

 private:
  int Slab(double p, double lo, double step) const;

  std::array<TCell, kCells * kCells * kCells> cells_;
};

}  // namespace lumora
