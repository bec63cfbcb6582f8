#pragma once
// What a map shows, laid out on its page: the passage outline, the
// centreline, station marks and thinned labels, entrances, the grid and the
// legend strip (title block, scale bar, north arrow, colour key). Paper
// coordinates are whole tenths of a millimetre from the page's top left
// corner, so detail below 0.1 mm merges and files stay small.

#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/CaveColors.h"
#include "map/MapPage.h"
#include "map/MapView.h"
#include "model/PlotArray.h"
#include "model/WorkingUnits.h"
#include "passage/PassageLib.h"

namespace lumora {

// Paper units per millimetre.
constexpr double kMapUnitsPerMm = 10;

struct TMapOptions {
  TMapView View = TMapView::Plan;
  TPageRequest Page;
  double Grid = 0;  // spacing in the map's units; 0 picks a round one
  bool Labels = false;
  TWallColoring Coloring = TWallColoring::Plain;
  std::string Title;  // empty: the file's title or name
  bool Feet = false;  // lengths in feet, else metres
  std::string Date;   // "2026-12-10"; empty: today
  // Non-zero for each survey drawn, by survey index; empty: every survey.
  std::vector<uint8_t> ShownSurveys;
};

struct TMapText {
  QPointF At;  // the baseline's start
  QString Text;
  double Size = 20;  // units
  bool Bold = false;
  uint32_t Color = 0;  // red low
};

struct TMapShape {
  uint32_t Color = 0;  // red low
  QPainterPath Path;
};

struct TMapContent {
  TPageLayout Page;
  bool Plain = true;                  // one colour; else coloured as the key says
  QRectF Frame;                       // units
  std::vector<TMapShape> Walls;       // filled, winding
  std::vector<TMapShape> Centreline;  // stroked
  std::vector<TMapShape> Stations;    // dots: a unit-long stroke each
  QPainterPath Entrances;             // filled triangles
  std::vector<TMapText> Labels;
  QPainterPath GridLines;
  std::vector<TMapText> GridLabels;
  // The legend strip.
  std::vector<TMapText> LegendText;
  QPainterPath LegendLines;   // stroked: frames, arrow shafts, ticks
  QPainterPath LegendFilled;  // filled black: the bar's dark blocks, arrow heads
  std::vector<std::pair<QRectF, uint32_t>> Swatches;
  // The centreline's extent on the page and the cave's in its units; what
  // a reader of the file checks the scale against.
  QRectF CentrelineBox;
  double CaveWidth = 0, CaveHeight = 0;  // metres, of the centreline
  std::vector<std::string> Warnings;
  int64_t Shots = 0;  // legs drawn
};

// The font of map texts of a size in units; measuring it needs a Qt
// application object.
QFont MapFont(double size, bool bold);

// Lays out the map of the model; `walls` are the wall builder's options
// (as the window builds them). Throws std::runtime_error when the model
// has nothing to draw.
TMapContent MakeMapContent(const TPlotModel& model, const TPassageOptions& walls, const TMapOptions& options);

}  // namespace lumora
