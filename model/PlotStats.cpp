#include "model/PlotStats.h"

#include <cmath>

namespace lumora {

TPlotStats ComputePlotStats(const TPlotModel& model) {
  TPlotStats s;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (r.Code == 'D' || r.Code == 'd') {
      const std::string_view flags = r.Flags.View();
      s.SplayLegs += flags.find('S') != std::string_view::npos;
      s.DuplicateLegs += flags.find('L') != std::string_view::npos;
    }
    switch (r.Code) {
      case 'M':
        ++s.M;
        break;
      case 'd':
        ++s.d;
        break;
      case 'L':
        ++s.L;
        break;
      case 'V':
        ++s.V;
        break;
      case 'D': {
        ++s.D;
        if (i > 0) {
          const T3DVector& a = model.Plots[i - 1].Position;
          s.ShotLengthFeet += std::hypot(r.Position.x - a.x, r.Position.y - a.y, r.Position.z - a.z);
        }
        break;
      }
      default:
        break;
    }
  }
  for (int i = 0; i < model.Surveys.Count(); ++i) (model.Surveys[i].Kind == skSurvey ? s.Surveys : s.Features)++;
  s.SplayShots = model.Splays.ShotCount();
  return s;
}

}  // namespace lumora
