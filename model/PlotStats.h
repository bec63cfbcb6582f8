#pragma once
// Figures of a loaded model that a caver asks for first.

#include "model/PlotArray.h"

namespace lumora {

struct TPlotStats {
  int M = 0, D = 0, d = 0, L = 0, V = 0;  // plot records by code
  int Surveys = 0;                        // kind 0
  int Features = 0;                       // kinds 1 and 2
  int SplayShots = 0;
  int SplayLegs = 0, DuplicateLegs = 0;  // 'D' and 'd' records flagged 'S', 'L'
  double ShotLengthFeet = 0;             // 'D' records: distance from the previous record
};

TPlotStats ComputePlotStats(const TPlotModel& model);

}  // namespace lumora
