#pragma once
// The hand-over from the volume tool to the exporter: each layer's
// concave hull as a bounding polygon.

#include <vector>

#include "export/ExportMain.h"

namespace lumora {

class TVolumeModel;

// The information box shown when no hull has been built.
extern const char* const kNoBoundingBoxMessage;

// One polygon per layer hull, in layer order: for each hull edge in order,
// the edge's first vertex at the layer's top and at its bottom. Layers
// without a hull give no polygon.
std::vector<TBoundingPolygon> BoundingPolygonsOf(const TVolumeModel& volume);

}  // namespace lumora
