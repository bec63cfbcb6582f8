#pragma once
// The reader of Survex .3d files (format versions 3 to 8), the processed
// surveys that Survex's cavern and Therion write, into the same survey
// model as a plot file.

#include <string>
#include <string_view>

#include "model/PlotReader.h"

namespace lumora {

// True when the data begins with the .3d file's first line.
bool IsSurvex3D(std::string_view data);

// Empties the model and fills it from the bytes of a .3d file. A file that
// cannot be read to its end is refused with a message naming `fileName` and
// the byte offset; the records read so far stay, as after a failed plot
// load. Bytes after the end mark give the result's warning.
TPlotLoadResult LoadSurvex3DData(TPlotModel& model, std::string_view data, const std::string& fileName,
                                 const TPlotProgress& progress = {}, const TMessageProc& warn = {});

// Legs as draw records and twice the moves, as CountPlotLines gives them for
// a plot file. Throws std::runtime_error for a file that cannot be read.
TPlotLineCounts CountSurvex3DLegs(std::string_view data, const std::string& fileName);

}  // namespace lumora
