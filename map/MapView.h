#pragma once
// How the cave is laid on the paper: a plan (east right, north up) or an
// elevation looking along a compass bearing (the right-hand direction
// right, up up); an extended elevation's own x and z as they are.

#include <string>

#include "geometry/Vector.h"

namespace lumora {

enum class TMapView { Plan, North, East, South, West, Extended };

struct TMapPoint {
  double U = 0, V = 0;  // right and up, in the cave's units
};

// The compass bearing the view looks along; 0 for a plan and an extended elevation.
double MapBearing(TMapView view);
bool IsElevation(TMapView view);
// "plan", "north", ... as the command takes them.
std::string ViewWord(TMapView view);

inline TMapPoint Project(TMapView view, const T3DVector& p, double sinB, double cosB) {
  if (view == TMapView::Plan) return {p.x, p.y};
  if (view == TMapView::Extended) return {p.x, p.z};
  return {p.x * cosB - p.y * sinB, p.z};
}

}  // namespace lumora
