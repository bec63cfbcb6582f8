#include "model/SurveyFile.h"

#include <new>

#include "model/Survex3DReader.h"
#include "model/TherionLoxReader.h"
#include "platform/FileBytes.h"

namespace lumora {

TPlotLoadResult LoadSurveyFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress,
                               const TMessageProc& warn) {
  TFileBytes bytes;
  try {
    bytes = TFileBytes(fileName);
  } catch (const std::exception&) {
    // The plot reader words a file that cannot be read, out of memory included.
    return LoadPlotFile(model, fileName, progress, warn);
  }
  const std::string_view data = bytes.View();
  if (IsSurvex3D(data)) return LoadSurvex3DData(model, data, fileName, progress, warn);
  if (IsTherionLox(data)) return LoadTherionLoxData(model, data, fileName, progress, warn);
  return LoadPlotText(model, data, fileName, progress, warn);
}

TPlotLineCounts CountSurveyLines(const std::string& fileName) {
  const TFileBytes bytes(fileName);
  const std::string_view data = bytes.View();
  if (IsSurvex3D(data)) return CountSurvex3DLegs(data, fileName);
  if (IsTherionLox(data)) return CountTherionLoxLegs(data, fileName);
  return CountPlotLinesInText(data);
}

}  // namespace lumora
