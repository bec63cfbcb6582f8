#pragma once
// The one way a survey file enters the model: the reader is picked by the
// file's first bytes, so a plot file, a Survex .3d file and a Therion .lox
// model open alike whatever their names end in.

#include <string>

#include "model/PlotReader.h"

namespace lumora {

// As LoadPlotFile, for either kind of file.
TPlotLoadResult LoadSurveyFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress = {},
                               const TMessageProc& warn = {});

// The open dialogs' filter: every survey file, then each kind.
inline constexpr const char* kSurveyFileFilter =
    "Survey files (*.plt *.plf *.3d *.lox);;Bramble Plot Files (*.plt *.plf);;Survex 3D Files (*.3d);;"
    "Therion Models (*.lox);;All Files (*)";

// As CountPlotLines, for either kind of file.
TPlotLineCounts CountSurveyLines(const std::string& fileName);

}  // namespace lumora
