#include "map/MapView.h"

namespace lumora {

double MapBearing(TMapView view) {
  switch (view) {
    case TMapView::East:
      return 90;
    case TMapView::South:
      return 180;
    case TMapView::West:
      return 270;
    default:
      return 0;
  }
}

bool IsElevation(TMapView view) { return view != TMapView::Plan; }

std::string ViewWord(TMapView view) {
  switch (view) {
    case TMapView::Plan:
      return "plan";
    case TMapView::North:
      return "north";
    case TMapView::East:
      return "east";
    case TMapView::South:
      return "south";
    case TMapView::West:
      return "west";
    case TMapView::Extended:
      return "extended";
  }
  return "plan";
}

}  // namespace lumora
