#include "volume/ExactPredicates.h"

#include <cmath>

// The exact sums and products below need each operation rounded on its own:
// this file is compiled without contraction into fused multiply-adds.

namespace lumora {
namespace {

constexpr double kEpsilon = 0x1p-53;  // half a unit in the last place of 1
constexpr double kSplitter = 0x1p27 + 1;
constexpr double kOrientBound = (3 + 16 * kEpsilon) * kEpsilon;
constexpr double kCircleBound = (10 + 96 * kEpsilon) * kEpsilon;

// A number held exactly as a sum of doubles that do not overlap, smallest
// first; N components at most.
template <int N>
struct TExpansion {
  double c[N];
  int n = 0;

  double Sign() const { return c[n - 1] > 0 ? 1 : (c[n - 1] < 0 ? -1 : 0); }
};

// a + b = x + y exactly.
inline void TwoSum(double a, double b, double& x, double& y) {
  x = a + b;
  const double bv = x - a, av = x - bv;
  y = (a - av) + (b - bv);
}

// a - b = x + y exactly.
inline TExpansion<2> Difference(double a, double b) {
  const double x = a - b;
  const double bv = a - x, av = x + bv;
  const double y = (a - av) + (bv - b);
  TExpansion<2> e;
  if (y != 0) e.c[e.n++] = y;
  e.c[e.n++] = x;
  return e;
}

inline void Split(double a, double& hi, double& lo) {
  const double c = kSplitter * a;
  hi = c - (c - a);
  lo = a - hi;
}

// a * b = x + y exactly.
inline void TwoProduct(double a, double b, double& x, double& y) {
  x = a * b;
  double ahi, alo, bhi, blo;
  Split(a, ahi, alo);
  Split(b, bhi, blo);
  const double err1 = x - ahi * bhi, err2 = err1 - alo * bhi, err3 = err2 - ahi * blo;
  y = alo * blo - err3;
}

// e + f, zero components dropped (but a zero sum keeps one).
template <int N, int M>
TExpansion<N + M> Sum(const TExpansion<N>& e, const TExpansion<M>& f) {
  TExpansion<N + M> h;
  int i = 0, j = 0;
  // Components are taken in order of magnitude from both lists.
  auto next = [&]() {
    if (j >= f.n || (i < e.n && std::fabs(e.c[i]) <= std::fabs(f.c[j]))) return e.c[i++];
    return f.c[j++];
  };
  double q = next();
  while (i < e.n || j < f.n) {
    double sum, error;
    TwoSum(q, next(), sum, error);
    if (error != 0) h.c[h.n++] = error;
    q = sum;
  }
  if (q != 0 || h.n == 0) h.c[h.n++] = q;
  return h;
}

template <int N>
TExpansion<N> Negated(TExpansion<N> e) {
  for (int i = 0; i < e.n; ++i) e.c[i] = -e.c[i];
  return e;
}

// e * b.
template <int N>
TExpansion<2 * N> Scaled(const TExpansion<N>& e, double b) {
  TExpansion<2 * N> h;
  double q, low;
  TwoProduct(e.c[0], b, q, low);
  if (low != 0) h.c[h.n++] = low;
  for (int i = 1; i < e.n; ++i) {
    double product, productLow, sum, error;
    TwoProduct(e.c[i], b, product, productLow);
    TwoSum(q, productLow, sum, error);
    if (error != 0) h.c[h.n++] = error;
    TwoSum(product, sum, q, error);
    if (error != 0) h.c[h.n++] = error;
  }
  if (q != 0 || h.n == 0) h.c[h.n++] = q;
  return h;
}

// e * f.
template <int N, int M>
TExpansion<2 * N * M> Product(const TExpansion<N>& e, const TExpansion<M>& f) {
  TExpansion<2 * N * M> h;
  const TExpansion<2 * N> first = Scaled(e, f.c[0]);
  h.n = first.n;
  for (int k = 0; k < first.n; ++k) h.c[k] = first.c[k];
  for (int j = 1; j < f.n; ++j) {
    const TExpansion<2 * N* M + 2 * N> sum = Sum(h, Scaled(e, f.c[j]));
    // A sum has no more parts than its terms: j + 1 parts of 2 N fit.
    h.n = sum.n;
    for (int k = 0; k < sum.n; ++k) h.c[k] = sum.c[k];
  }
  return h;
}

// Exact signs from coordinate differences held as expansions of K parts.
template <int K>
int OrientationExact(const TExpansion<K>& acx, const TExpansion<K>& acy, const TExpansion<K>& bcx,
                     const TExpansion<K>& bcy) {
  return static_cast<int>(Sum(Product(acx, bcy), Negated(Product(acy, bcx))).Sign());
}

template <int K>
int InCircleExact(const TExpansion<K> (&x)[3], const TExpansion<K> (&y)[3]) {
  auto lift = [&](int i) { return Sum(Product(x[i], x[i]), Product(y[i], y[i])); };
  auto cross = [&](int i, int j) { return Sum(Product(x[i], y[j]), Negated(Product(y[i], x[j]))); };
  return static_cast<int>(
      Sum(Sum(Product(lift(0), cross(1, 2)), Product(lift(1), cross(2, 0))), Product(lift(2), cross(0, 1))).Sign());
}

TExpansion<1> One(double v) {
  TExpansion<1> e;
  e.c[e.n++] = v;
  return e;
}

}  // namespace

int Orientation(const T2DVector& a, const T2DVector& b, const T2DVector& c) {
  const double left = (a.x - c.x) * (b.y - c.y), right = (a.y - c.y) * (b.x - c.x);
  const double det = left - right;
  const double bound = kOrientBound * (std::fabs(left) + std::fabs(right));
  if (det > bound) return 1;
  if (-det > bound) return -1;
  const TExpansion<2> d[4] = {Difference(a.x, c.x), Difference(a.y, c.y), Difference(b.x, c.x), Difference(b.y, c.y)};
  if (d[0].n == 1 && d[1].n == 1 && d[2].n == 1 && d[3].n == 1)
    return OrientationExact(One(d[0].c[0]), One(d[1].c[0]), One(d[2].c[0]), One(d[3].c[0]));
  return OrientationExact(d[0], d[1], d[2], d[3]);
}

int InCircle(const T2DVector& a, const T2DVector& b, const T2DVector& c, const T2DVector& d) {
  const double adx = a.x - d.x, ady = a.y - d.y, bdx = b.x - d.x, bdy = b.y - d.y, cdx = c.x - d.x, cdy = c.y - d.y;
  const double alift = adx * adx + ady * ady, blift = bdx * bdx + bdy * bdy, clift = cdx * cdx + cdy * cdy;
  const double bc = bdx * cdy - cdx * bdy, ca = cdx * ady - adx * cdy, ab = adx * bdy - bdx * ady;
  const double det = alift * bc + blift * ca + clift * ab;
  const double permanent = (std::fabs(bdx * cdy) + std::fabs(cdx * bdy)) * alift +
                           (std::fabs(cdx * ady) + std::fabs(adx * cdy)) * blift +
                           (std::fabs(adx * bdy) + std::fabs(bdx * ady)) * clift;
  const double bound = kCircleBound * permanent;
  if (det > bound) return 1;
  if (-det > bound) return -1;
  const TExpansion<2> x[3] = {Difference(a.x, d.x), Difference(b.x, d.x), Difference(c.x, d.x)};
  const TExpansion<2> y[3] = {Difference(a.y, d.y), Difference(b.y, d.y), Difference(c.y, d.y)};
  bool exact = true;
  for (int i = 0; i < 3; ++i) exact = exact && x[i].n == 1 && y[i].n == 1;
  if (exact) {
    // The usual case: the differences themselves were not rounded.
    const TExpansion<1> x1[3] = {One(adx), One(bdx), One(cdx)};
    const TExpansion<1> y1[3] = {One(ady), One(bdy), One(cdy)};
    return InCircleExact(x1, y1);
  }
  return InCircleExact(x, y);
}

}  // namespace lumora
