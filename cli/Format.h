#pragma once
// JSON and vector text shared by the subcommands, over the number texts of
// geometry/NumberText.h; never locale-dependent.

#include <optional>
#include <string>
#include <string_view>

#include "geometry/NumberText.h"
#include "geometry/Vector.h"

namespace lumora::cli {

std::string JsonNumber(double v);                          // shortest exact text; null when not finite
std::string JsonString(std::string_view s);                // quoted; bytes above 127 taken as Latin-1
std::string JsonVector(const T3DVector& v);                // [x, y, z]
std::string VectorText(const T3DVector& v, int decimals);  // x, y, z
std::optional<double> ParseNumber(const std::string& s);   // whole text, finite

}  // namespace lumora::cli
