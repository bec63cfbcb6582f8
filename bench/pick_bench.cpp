// Picking the station under the mouse on a generated cave of a million
// stations, the whole cave fitted in a 1280 x 1024 view where they crowd
// most: the first pick of a view (projecting every station into the grid)
// and each later pick of the same view. Goal: a first pick under 50 ms.
//
//   bench_pick [STATIONS]   (default 1000000)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/BenchUtil.h"
#include "viewer/PickGrid.h"
#include "viewer/ViewProjection.h"

using namespace lumora;
using namespace lumora::bench;

int main(int argc, char** argv) {
  const int stations = argc > 1 ? std::atoi(argv[1]) : 1000000;
  TPlotModel model;
  if (!LoadGeneratedCave(model, stations)) return 1;
  std::vector<T3DVector> points;
  points.reserve(static_cast<size_t>(model.Plots.Count()));
  T3DVector lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const T3DVector& p = model.Plots[i].Position;
    points.push_back(p);
    lo = MinVector(lo, p);
    hi = MaxVector(hi, p);
  }
  // Looking down at the cave from where all of it fits the view.
  const T3DVector centre = Scale(Add(lo, hi), 0.5);
  const double size = std::max(hi.x - lo.x, hi.y - lo.y);
  TMatrix4 view = IdentityMatrix();
  view[12] = -centre.x;
  view[13] = -centre.y;
  view[14] = -centre.z - 1000.0 * size / 1280 - (hi.z - lo.z);
  const int w = 1280, h = 1024;
  std::printf("cave: %zu stations, %.0f ft across\n", points.size(), size);

  std::mt19937 rng(1);
  std::uniform_real_distribution<double> ux(0, w), uy(0, h);
  double firstBest = 1e99, laterBest = 1e99, scanBest = 1e99;
  int hits = 0;
  for (int run = 0; run < 5; ++run) {
    TPickGrid grid;
    Stopwatch first;
    grid.Build(view, w, h, points, {}, 6);
    hits += grid.Nearest(ux(rng), uy(rng)) >= 0;
    firstBest = std::min(firstBest, first.Seconds() * 1000);
    Stopwatch later;
    for (int k = 0; k < 1000; ++k) hits += grid.Nearest(ux(rng), uy(rng)) >= 0;
    laterBest = std::min(laterBest, later.Seconds());  // ms per pick over 1000
    Stopwatch scan;
    hits += PickNearest(view, w, h, points, ux(rng), uy(rng), 6) >= 0;
    scanBest = std::min(scanBest, scan.Seconds() * 1000);
  }
  std::printf("first pick of a view (grid built): %.1f ms (goal 50 ms)\n", firstBest);
  std::printf("later picks of the same view:      %.4f ms each\n", laterBest);
  std::printf("one plain scan over every station: %.1f ms\n", scanBest);
  std::printf("picks that found a station: %d\n", hits);
  return firstBest < 50 ? 0 : 1;
}
