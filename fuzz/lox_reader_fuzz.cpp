// Any bytes as a Therion .lox model: the reader must end with a model or a
// message with the byte offset, and a model it calls loaded must hold
// together, its meshes' indices included.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/PlotStats.h"
#include "model/TherionLoxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::TPlotModel model;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const lumora::TPlotLoadResult r = lumora::LoadTherionLoxData(model, bytes, "fuzz.lox", [](int, int) {});
  if (!r.Ok) {
    if (r.Message != lumora::kOutOfMemoryMessage &&
        (r.Message.rfind("fuzz.lox ", 0) != 0 || r.Message.find("(at byte ") == std::string::npos))
      std::abort();
    if (model.Plots.Count() != 0) std::abort();
    return 0;
  }
  if (model.Sections.Count() == 0) std::abort();
  for (int s = 0; s < model.Sections.Count(); ++s) model.SectionSurveyRange(s);
  for (int s = 0; s < model.Surveys.Count(); ++s) {
    lumora::TRange lines = model.SurveyLineRange(s);
    for (int l = lines.First; l <= lines.Last; ++l) model.LinePlotRange(l);
    model.SurveyPlotRange(s);
  }
  for (int i = 0; i < model.Plots.Count(); ++i) model.Name(model.Plots[i]);
  for (const lumora::TScrapMesh& m : model.Meshes.Scraps) {
    if (m.Survey >= model.Surveys.Count()) std::abort();
    for (const auto& t : m.Triangles)
      for (const uint32_t v : t)
        if (v >= m.Points.size()) std::abort();
  }
  for (const lumora::TSurfaceGrid& g : model.Meshes.Surfaces)
    if (g.Nodes.size() != static_cast<size_t>(g.Width) * g.Height ||
        (!g.Pixels.empty() && g.Pixels.size() != g.Nodes.size()))
      std::abort();
  lumora::ComputePlotStats(model);
  return 0;
}
