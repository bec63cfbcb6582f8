#pragma once
// What the walls are coloured by: one colour, depth, the survey's date or
// the survey itself; the walls and their centreline always together. The
// key lists the colours with what they stand for, for the view's overlay.

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/GLCave.h"
#include "model/WorkingUnits.h"

namespace lumora {

enum class TWallColoring { Plain, Depth, Date, Survey };

struct TColorKeyEntry {
  uint32_t Color = 0;
  std::string Text;
};

// The grey of surveys without a date.
constexpr uint32_t kUndatedColor = 0x808080;

// A survey's own colour, from its name, so the same survey keeps its
// colour from run to run and file to file.
uint32_t SurveyColor(const std::string& name);
// A date as a year with its fraction; nothing for an undated survey.
double DateValue(PackedDate date);
bool IsDated(PackedDate date);

void ColorWalls(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor);
// Its two halves, for a caller that colours the centreline apart: the
// walls' mesh, and the centreline by the walls' heights for depth.
void ColorWallMesh(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor);
void ColorCentreline(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t lineColor);

// The key of a colouring, top entry first: elevations in the working units
// for depth, years for dates, survey names for surveys; empty for one
// colour. `options` gives the scene's units and centring.
std::vector<TColorKeyEntry> ColorKey(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                                     TWallColoring mode, const TWorkingUnits& units);

}  // namespace lumora
