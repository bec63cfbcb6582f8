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

// The colour a colouring gives a point of the walls or of their
// centreline, from the survey the point belongs to (-1 for none) and its
// height; `top` and `bottom` are the highest and lowest wall heights, in
// the same units. Every wall colouring, on the screen and in files, is
// made by this rule.
class TWallPalette {
 public:
  TWallPalette(const TPlotModel& model, TWallColoring mode, uint32_t plainColor, double top, double bottom);
  TWallColoring Mode() const { return mode_; }
  uint32_t operator()(int32_t survey, double height) const;

 private:
  TWallColoring mode_;
  uint32_t plain_;
  double top_, bottom_;
  std::vector<uint32_t> surveys_;  // by date or by survey
};

// Corners by their height (scene y) and the survey of their face; the
// centreline by its segments' middles and surveys.
void PaintWallMesh(TGLFastMesh& mesh, const TSurveyRuns& surveys, const TWallPalette& palette);
void PaintCentreline(TGLLines& centre, const std::vector<int32_t>& surveys, const TWallPalette& palette);

// Both, the palette spanning the walls' heights.
void ColorWalls(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor);

// The key of a colouring, top entry first: elevations in the working units
// for depth, years for dates, survey names for surveys; empty for one
// colour. `options` gives the scene's units and centring.
std::vector<TColorKeyEntry> ColorKey(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                                     TWallColoring mode, const TWorkingUnits& units);
// The same from the highest and lowest wall heights in the plot's feet.
std::vector<TColorKeyEntry> ColorKey(const TPlotModel& model, TWallColoring mode, const TWorkingUnits& units,
                                     double top, double bottom);

}  // namespace lumora
