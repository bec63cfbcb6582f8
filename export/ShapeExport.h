#pragma once
// The shapefile writer: one layer of the survey as a .shp/.shx/.dbf/.prj
// set sharing one base name, optionally packed into a ZIP archive.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "export/ExportMain.h"

namespace lumora {

extern const char* const kNoPlotFileOpenMessage;      // "No Plot File Open"
extern const char* const kNoLineFeaturesMessage;      // "No Line Feautures in the File"
extern const char* const kNoLocationFeaturesMessage;  // "No Location Feautures in the File"
extern const char* const kGenericProjectionLine;      // "CREATING GENERIC PROJECTION FILE"

// Suffix of "Data Types To Convert" item 0..10 ("sta", "srv", ...).
const char* ShapeLayerSuffix(int item);
// "cave_3Dsta" for the plot file cave.plt and the 3D stations layer.
std::string ShapefileProposedName(const std::string& plotPath, const TExportOptions& options);
// The four files of the set named by `path` (its extension replaced).
std::filesystem::path ShapefileMember(const std::filesystem::path& path, const char* extension);
// Files of the set that exist, checked in the order .dbf, .shp, .shx, .prj.
std::vector<std::filesystem::path> ExistingShapefiles(const std::filesystem::path& path);
// "The files: \n<names>\nalready exist.\nDo you want to replace them?"
std::string OverwriteQuestion(const std::vector<std::filesystem::path>& files);

// The .prj text for a datum name and UTM zone (negative: southern).
std::string ProjectionText(const std::string& datum, int zone, bool metres);

struct TShapefileRequest {
  std::filesystem::path Path;  // the chosen .shp (any extension is replaced)
  bool CreateZip = false;
  std::vector<TBoundingPolygon> BoundingPolygons;  // items 9 and 10
  // Asked when files of the set exist; false keeps them and writes nothing.
  std::function<bool(const std::string& question)> ConfirmOverwrite;
  TMessageProc Warn;
};

// Writes the layer chosen in the options. Returns whether the set was
// written (false after a warning or a refused overwrite). Throws EExport
// with the system's message when a file cannot be written; files already
// in place are then left as they were.
bool export_shapefile(const TShapefileRequest& request, const TExportJob& job);

}  // namespace lumora
