#include "model/PlotStats.h"

#include <cmath>
#include <vector>

namespace lumora {

double ShotLength(const TPlotModel& model, int i) {
  if (i <= 0) return 0;
  const T3DVector& a = model.Plots[i - 1].Position;
  const T3DVector& b = model.Plots[i].Position;
  return std::hypot(b.x - a.x, b.y - a.y, b.z - a.z);
}

TPlotStats ComputePlotStats(const TPlotModel& model) {
  TPlotStats s;
  // A .3d or .lox file's records share one name per station; a plot file's
  // do not.
  const bool survex = model.PlotInfo.FileKind == "survex-3d" || model.PlotInfo.FileKind == "therion-lox";
  std::vector<bool> named(survex ? model.Names.Count() : 0, false);
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (survex && r.NameId != TStationNames::kUnnamed && !named[r.NameId]) {
      named[r.NameId] = true;
      ++s.Stations;
    }
    switch (r.Code) {
      case 'M':
        ++s.M;
        continue;
      case 'L':
        ++s.L;
        continue;
      case 'V':
        ++s.V;
        continue;
      case 'd':
        ++s.d;
        break;
      case 'D':
        ++s.D;
        break;
      default:
        continue;
    }
    s.SplayLegs += r.IsSplay();
    s.DuplicateLegs += r.IsDuplicate();
    const double length = ShotLength(model, i);
    TLegLength* apart = r.IsSplay()                 ? &s.Splay
                        : survex && r.IsDuplicate() ? &s.Duplicate
                        : r.Code == 'd'             ? &s.Surface
                        : survex && r.NoSurvey      ? &s.NoSurvey
                                                    : nullptr;
    if (apart) {
      ++apart->Count;
      apart->Feet += length;
    } else {
      s.ShotLengthFeet += length;
    }
  }
  for (int i = 0; i < model.Surveys.Count(); ++i) (model.Surveys[i].Kind == skSurvey ? s.Surveys : s.Features)++;
  s.SplayShots = model.Splays.ShotCount();
  return s;
}

}  // namespace lumora
