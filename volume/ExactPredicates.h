#pragma once
// Signs of the two plane determinants the triangulator decides by, exact
// for any finite coordinates whose products stay finite: a quick estimate
// with its error bound settles almost every case, and the rest are
// evaluated without rounding in sums of doubles (expansions).

#include "geometry/Vector.h"

namespace lumora {

// +1 when a, b, c turn counter-clockwise (y up), -1 clockwise, 0 collinear.
int Orientation(const T2DVector& a, const T2DVector& b, const T2DVector& c);

// +1 when d lies inside the circle through a, b, c taken counter-clockwise
// (outside when they run clockwise), -1 on the other side, 0 on the circle.
int InCircle(const T2DVector& a, const T2DVector& b, const T2DVector& c, const T2DVector& d);

}  // namespace lumora
