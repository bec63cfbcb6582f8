#pragma once
// Small survey models built record by record, for the wall builder's tests.

#include <memory>
#include <string>
#include <vector>

#include "model/PlotArray.h"

namespace lumora::testing {

struct St {
  double x = 0, y = 0, z = 0;  // east, north, up
  float L = 1, R = 1, U = 1, D = 1;
  char code = 'D';
  const char* flags = "";
};

class TestCave {
 public:
  TestCave() : model_(std::make_unique<TPlotModel>()) {
    TSectionRec section;
    section.Name = "(None)";
    model_->Sections.Add(section);
  }

  TPlotModel& Model() { return *model_; }

  void Survey(const char* name, uint8_t kind = skSurvey) {
    TSurveyID s;
    s.Name = name;
    s.Kind = kind;
    s.IsFeature = kind != skSurvey;
    s.FirstPlot = model_->Plots.Count();
    s.FirstLine = model_->LineStarts.Count();
    model_->Surveys.Add(s);
  }

  // The first station starts the line ('M' unless it says 'L').
  void Line(std::vector<St> stations) {
    if (model_->Surveys.Count() == 0) Survey("S1");
    for (size_t i = 0; i < stations.size(); ++i) {
      const St& s = stations[i];
      TPlotVector r;
      r.Code = i == 0 ? (s.code == 'L' ? 'L' : 'M') : s.code;
      if (r.Code == 'M' || r.Code == 'L') model_->LineStarts.Add(model_->Plots.Count());
      std::string name = "S";
      name += std::to_string(model_->Plots.Count());
      model_->SetName(r, name);
      r.Position = {s.x, s.y, s.z};
      r.Left = s.L;
      r.Right = s.R;
      r.Up = s.U;
      r.Down = s.D;
      r.Flags = s.flags;
      r.ShotIndex = shots_;
      if (r.Code == 'D' || r.Code == 'd') ++shots_;
      model_->Plots.Add(r);
    }
  }

 private:
  std::unique_ptr<TPlotModel> model_;
  int shots_ = 0;
};

}  // namespace lumora::testing
