#pragma once
// The reader of Therion's .lox models: the processed survey tree, stations
// and shots into the same survey model as a plot or .3d file, and the scrap
// walls and terrain surfaces into the model's Meshes.

#include <string>
#include <string_view>

#include "model/PlotReader.h"

namespace lumora {

// True when the data begins with a chunk header that checks: a .lox file
// has no magic, its first chunk is all there is to tell it by.
bool IsTherionLox(std::string_view data);

// Empties the model and fills it from the bytes of a .lox file. A file that
// does not hold together is refused with a message naming `fileName` and the
// byte offset; the model is then left empty. What is read but cannot be
// shown (a grid too small, an image of unknown kind) gives the warning.
TPlotLoadResult LoadTherionLoxData(TPlotModel& model, std::string_view data, const std::string& fileName,
                                   const TPlotProgress& progress = {}, const TMessageProc& warn = {});

// Shots as draw records and twice the moves they need, an estimate read
// from the shot records alone. Throws std::runtime_error for a file whose
// chunks do not hold together.
TPlotLineCounts CountTherionLoxLegs(std::string_view data, const std::string& fileName);

}  // namespace lumora
