#pragma once
// Figures of a loaded model that a caver asks for first.

#include "model/PlotArray.h"

namespace lumora {

// Lengths of one kind of leg: how many and how long, in feet.
struct TLegLength {
  int Count = 0;
  double Feet = 0;
};

struct TPlotStats {
  int M = 0, D = 0, d = 0, L = 0, V = 0;  // plot records by code
  int Surveys = 0;                        // kind 0
  int Features = 0;                       // kinds 1 and 2
  int SplayShots = 0;
  int SplayLegs = 0, DuplicateLegs = 0;  // 'D' and 'd' records flagged 'S', 'L'
  // The survey's length as its own software counts it. A .3d file's, as
  // Survex does: every leg but splays, duplicates, surface legs and "no
  // survey" legs. A plot file's: its 'D' records but splays.
  double ShotLengthFeet = 0;
  // The legs left out of that length, each kind on its own; a leg of two
  // kinds counts as the first of splay, duplicate, surface (a plot file's
  // hidden 'd' shots), no survey.
  TLegLength Splay, Duplicate, Surface, NoSurvey;
  // A .3d or .lox file's stations that records name (aliases aside); 0 for
  // a plot file.
  int Stations = 0;
};

// A shot's length: from the record before it; 0 for the first record.
double ShotLength(const TPlotModel& model, int i);

TPlotStats ComputePlotStats(const TPlotModel& model);

}  // namespace lumora
