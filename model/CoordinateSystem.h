#pragma once
// The coordinate systems that Survex and Therion write into .3d files, in
// every spelling they ever used (EPSG:n in any case, ESRI:n, +proj strings,
// +init=epsg:n), understood through PROJ.

#include <memory>
#include <string>
#include <string_view>

#include "model/PlotArray.h"

namespace lumora {

struct TCoordinateSystem {
  bool Known = false;      // PROJ understands the text
  bool Projected = false;  // a map projection, which the exports can place
  std::string Name;        // PROJ's name, e.g. "WGS 84 / UTM zone 33N"
  std::string Code;        // "EPSG:32633", when an authority's code fits it
  int UtmZone = 0;         // a WGS 84 UTM zone, negative in the south; else 0
};

TCoordinateSystem DescribeCoordinateSystem(std::string_view text);

// The UTM zone (negative in the south) that a coordinate system names when
// it is WGS 84 UTM; 0 for every other system.
int UtmZoneOf(std::string_view coordinateSystem);

// Fills the georeference of a .3d file's model from its coordinate system:
// the name, whether PROJ can place it, and the UTM zone and datum where it
// is WGS 84 UTM.
void SetGeoreference(TPlotInfo& info);

// From a projected system's coordinates (as the file gives them: model feet
// times metres per foot) to WGS 84 longitude and latitude in degrees.
class TLonLatTransform {
 public:
  // Throws std::runtime_error when PROJ has no way from the system.
  explicit TLonLatTransform(std::string_view coordinateSystem);
  ~TLonLatTransform();
  TLonLatTransform(const TLonLatTransform&) = delete;
  TLonLatTransform& operator=(const TLonLatTransform&) = delete;

  // Longitude, latitude; infinities where the point has no place.
  std::pair<double, double> Transform(double east, double north) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The system as ESRI WKT for a shapefile's .prj, for coordinates written
// in the file's own units (`feet` false) or in feet of `metresPerFoot`.
// Empty when PROJ cannot write it.
std::string EsriProjection(std::string_view coordinateSystem, bool feet, double metresPerFoot);

}  // namespace lumora
