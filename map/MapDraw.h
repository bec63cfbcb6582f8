#pragma once
// The one drawing of a map on a QPainter, for SVG, PDF and the printer
// alike: text stays text and lines stay vectors.

#include <QPainter>

#include <functional>

#include "map/MapContent.h"

namespace lumora {

// The layers in drawing order, each named as its SVG group.
inline constexpr const char* kMapLayers[] = {"grid", "walls", "centreline", "stations", "labels", "legend"};

// Called before each layer with its name; the SVG writer begins the
// painter on a new device there.
using TMapLayerStart = std::function<void(QPainter& painter, const char* layer)>;

// Draws in paper units (tenths of a millimetre from the page's top left):
// the painter's transform must map them onto the device.
void DrawMap(QPainter& painter, const TMapContent& map, const TMapLayerStart& start = {});

// The transform that puts the page on a device of `dotsPerInch`, offset by
// (`left`, `top`) device pixels.
QTransform MapToDevice(double dotsPerInch, double left = 0, double top = 0);

}  // namespace lumora
