#pragma once
// What is drawn over the view: the colour key, a scale bar of a round
// length in the working units, a compass with the view's bearing and a
// clinometer with its tilt. The layout is computed apart from the drawing,
// so the window, `lumora-cli render` and the tests agree on where each
// piece is.

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/CaveColors.h"
#include "geometry/GLMatrix.h"
#include "model/WorkingUnits.h"

namespace lumora {

struct TOverlaySwitches {
  bool Key = true, ScaleBar = true, Compass = true, Clinometer = true;
};

struct TPixelRect {
  double Left = 0, Top = 0, Width = 0, Height = 0;
};

// What the overlays show, from the scene and the view.
struct TOverlayContent {
  std::vector<TColorKeyEntry> Key;
  double PixelsPerUnit = 0;  // working units, at the cave's centre
  std::string UnitName = "ft";
  double Bearing = 0, Tilt = 0;  // degrees
};

struct TOverlayLayout {
  std::vector<TPixelRect> KeySwatches;  // one per key entry, top first
  TPixelRect ScaleBar;                  // the bar itself: its width is the length
  double ScaleLength = 0;               // in the working units
  double CompassX = 0, CompassY = 0, CompassRadius = 0;
  double NeedleX = 0, NeedleY = 0;  // the north tip of the needle
  double ClinoX = 0, ClinoY = 0, ClinoRadius = 0;
  double ClinoTipX = 0, ClinoTipY = 0;  // end of the tilt line
};

// The largest 1, 2 or 5 times a power of ten not over `most`.
double RoundLength(double most);

// Pixel positions, y down, in a view of width x height.
TOverlayLayout LayoutOverlays(const TOverlayContent& content, double width, double height);

// The content for the scene as the frame is seen now.
TOverlayContent OverlayContent(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                               TWallColoring coloring, const TWorkingUnits& units);

// Draws with the current GL context over what is drawn; `background` is
// the view's colour, for text that stands out from it.
void DrawOverlays(const TOverlayContent& content, const TOverlaySwitches& switches, double width, double height,
                  uint32_t background);

// Hollow squares reaching `half` pixels each way around the view points
// of `entries` (indices into `points`), all but `skip`, each at its
// nearest whole pixel of the viewport, 2 of its pixels thick, in the
// current colour: one bitmap drawn at once, which costs a software renderer
// far less than a line loop a mark. Marks behind the eye or outside the
// view are left out.
void DrawSquareMarks(const TMatrix4& modelview, int width, int height, const std::vector<T3DVector>& points,
                     const std::vector<int>& entries, int skip, int half);

// The needle's red and the key's frame colour on a dark background.
constexpr uint32_t kNeedleColor = 0x0000FF;

}  // namespace lumora
