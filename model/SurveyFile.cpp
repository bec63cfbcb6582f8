#include "model/SurveyFile.h"

#include <new>

#include "model/Survex3DReader.h"
#include "platform/AtomicFile.h"

namespace lumora {

TPlotLoadResult LoadSurveyFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress,
                               const TMessageProc& warn) {
  std::string data;
  try {
    data = ReadWholeFile(fileName);
  } catch (const std::exception&) {
    // The plot reader words a file that cannot be read, out of memory included.
    return LoadPlotFile(model, fileName, progress, warn);
  }
  if (IsSurvex3D(data)) return LoadSurvex3DData(model, data, fileName, progress, warn);
  return LoadPlotText(model, data, fileName, progress, warn);
}

TPlotLineCounts CountSurveyLines(const std::string& fileName) {
  const std::string data = ReadWholeFile(fileName);
  if (IsSurvex3D(data)) return CountSurvex3DLegs(data, fileName);
  return CountPlotLinesInText(data);
}

}  // namespace lumora
