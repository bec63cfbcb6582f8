#pragma once
// The volume reports, which tabulate rock volume, cave volume and porosity
// over every layer count (1 to 10) and concavity (1 to 100 %).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/WorkingUnits.h"
#include "volume/CVVolume.h"

namespace lumora {

// Volume in display units with one decimal: "1,234.5".
std::string ReportVolume(double cubicFeet, const TWorkingUnits& units);
// "12.345%", or "n/a" when the porosity is undefined (no rock volume).
std::string ReportPorosity(const std::optional<double>& percent);
// The four lines that open the block of n layers.
std::vector<std::string> ReportBlockHeader(int n, const TWorkingUnits& units);
// One row: concavity k, rock volume, cave volume, porosity, tab-separated.
std::string ReportRow(int k, double rockVolume, double caveVolume, const TWorkingUnits& units);

struct TReportOptions {
  bool UseDims = true;
  bool ByArea = false;
  // What the model is left with afterwards: the tool's own layer count and
  // concavity fraction.
  int RestoreLevelCount = kMaxLevels;
  double RestoreFraction = 0.5;
};

class TVolumeReports {
 public:
  // Runs the ten blocks of a hundred rows into Lines; returns false when
  // Abort stopped it. The model is rebuilt with the restored layer count in
  // either case; its hull mesh is left to the caller.
  bool Run(TVolumeModel& model, const TWorkingUnits& units, const TReportOptions& options);
  // The whole text, lines joined by line feeds.
  std::string Text() const;

  bool Abort = false;  // checked between rows
  std::vector<std::string> Lines;
  std::function<void(const std::string&)> OnLine;  // after each line is added
  std::function<void()> OnIdle;                    // after each line: lets pending events run
  TVolumeProgress OnProgress;
};

}  // namespace lumora
