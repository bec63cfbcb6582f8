// Any bytes as a plot file: the reader must end with a model or a message.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/PlotReader.h"
#include "model/PlotStats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::TPlotModel model;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  lumora::LoadPlotText(model, text, "fuzz.plt", [](int, int) {});
  // Walk what the model claims to hold, as every consumer will.
  for (int s = 0; s < model.Sections.Count(); ++s) model.SectionSurveyRange(s);
  for (int s = 0; s < model.Surveys.Count(); ++s) {
    lumora::TRange lines = model.SurveyLineRange(s);
    for (int l = lines.First; l <= lines.Last; ++l) model.LinePlotRange(l);
    model.SurveyPlotRange(s);
  }
  lumora::ComputePlotStats(model);
  return 0;
}
