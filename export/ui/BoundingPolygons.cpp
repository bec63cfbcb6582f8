#include "export/ui/BoundingPolygons.h"

#include "volume/CVVolume.h"

namespace lumora {

const char* const kNoBoundingBoxMessage =
    "No Bounding Box has been Built, so the\r\n"
    "Bounding Box export will be unavailable.\r\n"
    "Use the \"Volume Tool\" to create one.\r\n";

std::vector<TBoundingPolygon> BoundingPolygonsOf(const TVolumeModel& volume) {
  std::vector<TBoundingPolygon> polygons;
  for (int k = 0; k < volume.Count(); ++k) {
    const TVolumeLevel& level = volume.Levels[k];
    const TTriangulator& t = level.Triangulator;
    TBoundingPolygon polygon;
    for (const THullEdge& e : t.ConcaveHull()) {
      const auto& p = t.Points()[e.p1];
      polygon.push_back({{p.x, p.y, level.Top}, {p.x, p.y, level.Bottom}});
    }
    if (!polygon.empty()) polygons.push_back(std::move(polygon));
  }
  return polygons;
}

}  // namespace lumora
