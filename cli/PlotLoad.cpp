#include "cli/PlotLoad.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/Commands.h"
#include "model/SurveyFile.h"
#include "model/SurveyTree.h"

namespace lumora::cli {

void ShowLoadWarning(const char* command, const std::string& warning) {
  if (!warning.empty()) std::fprintf(stderr, "lumora-cli %s: warning: %s\n", command, warning.c_str());
}

TPlotLoadResult LoadPlotForCommand(const char* command, TPlotModel& model, const std::string& file) {
  TPlotLoadResult loaded = LoadSurveyFile(model, file, [](int surveys, int plots) {
    ShowProgress("Reading: " + std::to_string(surveys) + " surveys, " + std::to_string(plots) + " lines");
  });
  EndProgress();
  ShowLoadWarning(command, loaded.Warning);
  // The shell may have run several commands; each message names its file.
  if (!loaded.Ok && loaded.Message.find(file) == std::string::npos)
    loaded.Message = "\"" + file + "\": " + loaded.Message;
  return RequirePlotRecords(model, std::move(loaded));
}

bool PickSurveys(const char* command, const TPlotModel& model, const std::string& file, const std::string& patterns,
                 std::vector<uint8_t>& shown) {
  shown = SurveysMatching(model, patterns);
  if (std::find(shown.begin(), shown.end(), 1) != shown.end()) return true;
  std::fprintf(stderr, "lumora-cli %s: no survey of \"%s\" matches \"%s\"\n", command, file.c_str(), patterns.c_str());
  return false;
}

}  // namespace lumora::cli
