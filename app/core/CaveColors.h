#pragma once
// What the walls are coloured by: one colour, depth, the survey's date or
// the survey itself, or the leg's gradient, length or loop error; the walls
// and their centreline always together. The key lists the colours with
// what they stand for, for the view's overlay.

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/GLCave.h"
#include "model/WorkingUnits.h"

namespace lumora {

enum class TWallColoring { Plain, Depth, Date, Survey, Gradient, Length, Error };

// Whether a colouring goes by leg rather than by survey or height.
constexpr bool ByLeg(TWallColoring m) {
  return m == TWallColoring::Gradient || m == TWallColoring::Length || m == TWallColoring::Error;
}

struct TColorKeyEntry {
  uint32_t Color = 0;
  std::string Text;
};

// The grey of surveys without a date, and of legs in no loop.
constexpr uint32_t kUndatedColor = 0x808080;

// A leg's value under a colouring by leg, by shot index: its gradient
// (degrees from the horizontal, either way), its length (feet) or the loop
// error of its traverse (a .3d file's E); below 0 where it has none.
std::vector<double> LegValues(const TPlotModel& model, TWallColoring mode);

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
// With highlighted surveys (`bright` not empty) every other survey's colour
// is dimmed.
class TWallPalette {
 public:
  TWallPalette(const TPlotModel& model, TWallColoring mode, uint32_t plainColor, double top, double bottom,
               std::vector<uint8_t> bright = {});
  TWallColoring Mode() const { return mode_; }
  uint32_t operator()(int32_t survey, double height, int32_t shot = -1) const;

 private:
  uint32_t Base(int32_t survey, double height, int32_t shot) const;
  TWallColoring mode_;
  uint32_t plain_;
  double top_, bottom_;
  std::vector<uint8_t> bright_;
  std::vector<uint32_t> surveys_;  // by date or by survey
  std::vector<uint32_t> legs_;     // by shot index
};

// Corners by their height (scene y), the survey and the leg of their
// face; the centreline by its segments' middles, surveys and legs.
void PaintWallMesh(TGLFastMesh& mesh, const TSurveyRuns& surveys, const TSurveyRuns& shots,
                   const TWallPalette& palette);
void PaintCentreline(TGLLines& centre, const std::vector<int32_t>& surveys, const std::vector<int32_t>& shots,
                     const TWallPalette& palette);

// Both, the palette spanning the walls' heights.
void ColorWalls(const TCaveScene& scene, const TPlotModel& model, TWallColoring mode, uint32_t wallColor,
                const std::vector<uint8_t>& bright = {});

// The key of a colouring, top entry first: elevations in the working units
// for depth, years for dates, survey names for surveys, degrees for
// gradients, lengths in the working units, loop errors; empty for one
// colour. `options` gives the scene's units and centring.
std::vector<TColorKeyEntry> ColorKey(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                                     TWallColoring mode, const TWorkingUnits& units);
// The same from the highest and lowest wall heights in the plot's feet.
std::vector<TColorKeyEntry> ColorKey(const TPlotModel& model, TWallColoring mode, const TWorkingUnits& units,
                                     double top, double bottom);

}  // namespace lumora
