#pragma once
// The one way a survey file enters the model: the reader is picked by the
// file's first line, so a plot file and a Survex .3d file open alike
// whatever their names end in.

#include <string>

#include "model/PlotReader.h"

namespace lumora {

// As LoadPlotFile, for either kind of file.
TPlotLoadResult LoadSurveyFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress = {},
                               const TMessageProc& warn = {});

// The open dialogs' filter: every survey file, then each kind.
inline constexpr const char* kSurveyFileFilter =
    "Survey files (*.plt *.plf *.3d);;Bramble Plot Files (*.plt *.plf);;Survex 3D Files (*.3d);;All Files (*)";

// As CountPlotLines, for either kind of file.
TPlotLineCounts CountSurveyLines(const std::string& fileName);

}  // namespace lumora
