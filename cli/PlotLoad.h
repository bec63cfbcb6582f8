#pragma once
// How every subcommand reads its plot file.

#include <cstdint>
#include <string>
#include <vector>

#include "model/PlotReader.h"

namespace lumora::cli {

// Reads `file` into `model` with a progress line, shows the reader's
// warning on stderr as "lumora-cli <command>: warning: ...", and fails a
// file that yields no plot records. A failure's message names the file.
TPlotLoadResult LoadPlotForCommand(const char* command, TPlotModel& model, const std::string& file);

// The line on stderr for a load's warning, when it has one.
void ShowLoadWarning(const char* command, const std::string& warning);

// The surveys that --surveys PATTERNS picks (SurveysMatching), or nothing
// after saying on stderr that none matches.
bool PickSurveys(const char* command, const TPlotModel& model, const std::string& file, const std::string& patterns,
                 std::vector<uint8_t>& shown);

}  // namespace lumora::cli
