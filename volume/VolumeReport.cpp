#include "volume/VolumeReport.h"

#include <cmath>

#include "geometry/NumberText.h"

namespace lumora {

std::string ReportVolume(double cubicFeet, const TWorkingUnits& units) {
  return GroupedNumber(cubicFeet * units.VolumeFactor, 1);
}

std::string ReportPorosity(const std::optional<double>& percent) {
  if (!percent || !std::isfinite(*percent)) return "n/a";
  return FixedText(*percent, 3) + "%";
}

std::vector<std::string> ReportBlockHeader(int n, const TWorkingUnits& units) {
  return {"", "Levels: " + std::to_string(n) + " Units: " + units.LongUnitName,
          "Convex\tRock Volume\tCave Volume\tPorosity", std::string(50, '-')};
}

std::string ReportRow(int k, double rockVolume, double caveVolume, const TWorkingUnits& units) {
  return std::to_string(k) + "\t" + ReportVolume(rockVolume, units) + "\t" + ReportVolume(caveVolume, units) + "\t" +
         ReportPorosity(TVolumeModel::Ratio(caveVolume, rockVolume));
}

bool TVolumeReports::Run(TVolumeModel& model, const TWorkingUnits& units, const TReportOptions& options) {
  Abort = false;
  Lines.clear();
  auto add = [this](std::string line) {
    Lines.push_back(std::move(line));
    if (OnLine) OnLine(Lines.back());
    if (OnIdle) OnIdle();
  };
  for (int n = 1; n <= kMaxLevels && !Abort; ++n) {
    for (std::string& line : ReportBlockHeader(n, units)) add(std::move(line));
    model.LevelCount = n;
    model.BuildLevels(OnProgress, options.UseDims);
    for (int k = 1; k <= 100 && !Abort; ++k) {
      model.ComputeVolumes(OnProgress, options.ByArea, k / 100.0);
      add(ReportRow(k, model.RockVolume, model.CaveVolume(), units));
    }
  }
  const bool finished = !Abort;
  model.LevelCount = options.RestoreLevelCount;
  model.BuildLevels(OnProgress, options.UseDims);
  model.ComputeVolumes(OnProgress, options.ByArea, options.RestoreFraction);
  return finished;
}

std::string TVolumeReports::Text() const {
  std::string text;
  for (const std::string& line : Lines) (text += line) += '\n';
  return text;
}

}  // namespace lumora
