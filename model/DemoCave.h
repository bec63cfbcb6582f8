#pragma once
// A synthetic cave written as a plot file, for demos, benchmarks and round
// trips through the reader. The same options give the same bytes on every
// platform: the generator has its own random numbers and writes numbers
// without the locale.

#include <cstdint>
#include <string>
#include <vector>

#include "model/PlotArray.h"

namespace lumora {

struct TDemoOptions {
  int Stations = 3000;  // survey records ('M', 'D' and 'd'), at least 10
  uint32_t Seed = 1;
};

// One plot record as the reader should see it.
struct TDemoRecord {
  char Code = 'M';
  std::string Name;
  T3DVector Position;
  double IValue = 0;
  float Left = 0, Up = 0, Down = 0, Right = 0;  // 'V': Right the value, Down and Up the range
  std::string Flags;
  std::string Comment;  // line breaks as "\r\n"
  bool Marked = false;
};

struct TDemoSurvey {
  std::string Name;
  uint8_t Kind = skSurvey;
  PackedDate SurveyDate = 0;
  PackedDate DiscoveryDate = 0;
  std::string Comment;
  int FirstPlot = 0;
  int FirstLine = 0;
  T3DVector Min, Max;  // box of the survey's records, from its 'X' line
};

struct TDemoSection {
  std::string Name;
  int FirstSurvey = 0;
};

struct TDemoSplayItem {
  std::string From;
  T3DVector Position;
  int Shots = 0;
};

// What the generator wrote, in the terms the loaded model uses.
struct TDemoSummary {
  int Stations = 0;  // 'M' + 'D' + 'd'
  int M = 0, D = 0, d = 0, L = 0, V = 0;
  int LineStarts = 0;
  int Surveys = 0;       // kind 0
  int Features = 0;      // kinds 1 and 2
  int SplayRecords = 0;  // 'D' records flagged 'S'
  int SplayItems = 0;
  int SplayShots = 0;
  std::vector<TDemoRecord> Records;
  std::vector<TDemoSurvey> SurveyList;  // surveys and features in file order
  std::vector<TDemoSection> Sections;
  std::vector<TDemoSplayItem> SplayList;
  T3DVector Min, Max;                // the 'Z' line
  T3DVector StationMin, StationMax;  // the records and splay ends themselves
  int32_t Zone = 0;
  std::string Datum;
  double Top = 0, Bottom = 0;  // as the reader derives them from the extents: 0 without any
  double ShotLengthFeet = 0;   // 'D' records but splays: distance from the previous record
};

struct TDemoCave {
  std::string Text;  // the whole plot file: CR LF line ends, final Ctrl-Z
  TDemoSummary Summary;
};

// Throws std::invalid_argument when Stations is below 10.
TDemoCave GenerateDemoCave(const TDemoOptions& options);

// The "U" line that states the options, so a file can be regenerated.
std::string DemoOptionsLine(const TDemoOptions& options);

}  // namespace lumora
