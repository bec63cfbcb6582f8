#pragma once
// The KML writer: the survey for a virtual globe, as plan-view passage
// polygons or survey shot lines, in WGS 84 longitude and latitude.

#include <filesystem>
#include <string>

#include "export/ExportMain.h"

namespace lumora {

struct TLonLat {
  double Longitude = 0, Latitude = 0;  // degrees
};

// The datum list of the KML tab: 24 rows; an index outside it means 21.
int KMLDatumCount();
std::string KMLDatumName(int index);
int KMLDatumIndex(const std::string& name);  // -1 when unknown

// A survey position (feet; x east, y north on the UTM grid of `zone`,
// negative zones southern; z up) to WGS 84 longitude and latitude.
TLonLat to_longitude_latitude(const T3DVector& position, int zone, int datum);

// "aabbggrr" of a 0x00BBGGRR colour and an opacity.
std::string KMLColor(uint32_t color, int opacity);

// Write the document; false, after the georeference warning, when the
// plot has no zone. Throws EExport when the file cannot be written; the
// target is then untouched.
bool write_kml_passages(const std::filesystem::path& path, const TExportJob& job, const TMessageProc& warn = {});
bool write_kml_lines(const std::filesystem::path& path, const TExportJob& job, const TMessageProc& warn = {});

}  // namespace lumora
