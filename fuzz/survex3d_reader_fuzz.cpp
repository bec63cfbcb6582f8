// Any bytes as a Survex .3d file: the reader must end with a model or a
// message, and a model it calls loaded must hold together.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/PlotStats.h"
#include "model/Survex3DReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::TPlotModel model;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const lumora::TPlotLoadResult r = lumora::LoadSurvex3DData(model, bytes, "fuzz.3d", [](int, int) {});
  if (r.Ok && model.Sections.Count() == 0) std::abort();
  if (!r.Ok && r.Message.rfind("fuzz.3d ", 0) != 0 && r.Message != lumora::kOutOfMemoryMessage) std::abort();
  for (int s = 0; s < model.Sections.Count(); ++s) model.SectionSurveyRange(s);
  for (int s = 0; s < model.Surveys.Count(); ++s) {
    lumora::TRange lines = model.SurveyLineRange(s);
    for (int l = lines.First; l <= lines.Last; ++l) model.LinePlotRange(l);
    model.SurveyPlotRange(s);
  }
  lumora::ComputePlotStats(model);
  return 0;
}
