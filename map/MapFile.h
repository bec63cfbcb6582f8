#pragma once
// Maps as files: SVG sized in millimetres with one named group per layer
// (for finishing in Inkscape), and PDF. Both are written whole or not at
// all; a failure throws std::runtime_error naming the file.

#include <string>

#include "map/MapContent.h"

namespace lumora {

std::string MapSvg(const TMapContent& map, const std::string& title);
std::string MapPdf(const TMapContent& map, const std::string& title);

// By the file's suffix, .svg or .pdf; false for another suffix.
bool WriteMapFile(const std::string& path, const TMapContent& map, const std::string& title);

}  // namespace lumora
