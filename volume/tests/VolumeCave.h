#pragma once
// Small survey models for the volume tests, built line by line, and the
// passage state of their wall build.

#include <memory>
#include <string>
#include <vector>

#include "model/PlotArray.h"
#include "passage/PassageLib.h"

namespace lumora::testing {

struct Station {
  double x = 0, y = 0, z = 0;  // east, north, up
  float L = 1, R = 1, U = 1, D = 1;
};

class VolumeCave {
 public:
  VolumeCave() : model_(std::make_unique<TPlotModel>()) {
    TSectionRec section;
    section.Name = "(None)";
    model_->Sections.Add(section);
    TSurveyID s;
    s.Name = "S1";
    model_->Surveys.Add(s);
  }

  TPlotModel& Model() { return *model_; }

  // The first station starts the line with 'M'.
  void Line(const std::vector<Station>& stations, const std::string& prefix = "A") {
    for (size_t i = 0; i < stations.size(); ++i) {
      const Station& s = stations[i];
      TPlotVector r;
      r.Code = i == 0 ? 'M' : 'D';
      if (i == 0) model_->LineStarts.Add(model_->Plots.Count());
      model_->SetName(r, prefix + std::to_string(model_->Plots.Count()));
      r.Position = {s.x, s.y, s.z};
      r.Left = s.L, r.Right = s.R, r.Up = s.U, r.Down = s.D;
      r.ShotIndex = model_->Plots.Count();
      model_->Plots.Add(r);
    }
  }

  // Walls with the given options; the state keeps extent and volume.
  TPassageState Build(const TPassageOptions& options = {}) {
    TPassageState state;
    BuildPassages(*model_, options, state,
                  [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
    return state;
  }

 private:
  std::unique_ptr<TPlotModel> model_;
};

}  // namespace lumora::testing
