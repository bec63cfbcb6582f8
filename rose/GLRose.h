#pragma once
// The 3D rose diagram: the cave's shots counted into depth layers by
// bearing sectors (petals) and drawn as a stack of wedge rings, over a
// plate carrying the direction dial, beside two rulers of layer
// elevations. Qt-free, so the window and `lumora-cli rose` build the same
// rose.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/PlotArray.h"
#include "model/WorkingUnits.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLTexture.h"

namespace lumora {

constexpr int kMinRoseLayers = 1, kMaxRoseLayers = 180;
constexpr int kMinRosePetals = 4, kMaxRosePetals = 360;
constexpr int kRainbowCount = 25;
constexpr int kDefaultRoseFont = 3;  // "Sans-Serif"

// 0x00BBGGRR, index 0 to 24; other indices give 0.
uint32_t RainbowColor(int index);

enum class TRoseType { Rose360 = 0, Rose180 = 1, WaterFlow = 2 };
enum class TGraphBy { TotalLength = 0, Frequency = 1 };

// The rose dialog's options besides layers, petals and the base.
struct TRoseOptions {
  double MinLength = 0;  // feet, 3D length
  TGraphBy GraphBy = TGraphBy::TotalLength;
  bool Rainbow = true;
  bool SlopeLength = true;
  TRoseType RoseType = TRoseType::Rose360;
  uint32_t GridColor = 0x00FF00;
  uint32_t FontColor = 0x0000FF;
  int FontIndex = kDefaultRoseFont;  // outside 0..7: Sans-Serif
};

// Counts per (layer row, petal column), row 0 the lowest layer. Row
// `layers` and column `petals` take the shots at exactly the top and the
// bearings folded to 360: counted, never drawn.
struct TRoseGrid {
  static constexpr int kRows = kMaxRoseLayers + 1, kColumns = kMaxRosePetals + 1;

  double top = 0, bottom = 0, height = 0;
  double maximum = 0;
  int32_t layers = 0, petals = 0;
  std::vector<int32_t> cells = std::vector<int32_t>(kRows * kColumns);
  // Shots that went into a cell (with any weight, 0 included).
  int64_t counted = 0;

  int32_t& Cell(int row, int column) { return cells[static_cast<size_t>(row) * kColumns + column]; }
  int32_t Cell(int row, int column) const { return cells[static_cast<size_t>(row) * kColumns + column]; }
  void Clear();
};

using TRoseProgress = std::function<void(int percent)>;

// Counts one shot from a to b (plot coordinates, feet). False when it is
// shorter than the minimum or its cell lies outside the grid.
bool CountShot(TRoseGrid& grid, const T3DVector& a, const T3DVector& b, const TRoseOptions& options);
// Fills the grid from the model's 'D' records that are not splays.
void BinShots(TRoseGrid& grid, const TPlotModel& model, int layers, int petals, const TRoseOptions& options,
              const TRoseProgress& progress = {});

// One petal: a prism over the sector a0..a1 (degrees clockwise from north,
// north towards -z) of radius r, from height z up by t; 8 triangles.
void AddWedge(TGLCustomMesh& mesh, double r, double a0, double a1, double z, double t, uint32_t colour);
// The colour of layer i of n.
uint32_t LayerColor(int layer, int layers, bool rainbow);

// The two texts written on the dial.
std::string RadiusText(const TRoseGrid& grid, const TRoseOptions& options, const TWorkingUnits& units);
std::string ThicknessText(const TRoseGrid& grid, const TWorkingUnits& units);
// The "BRAMBLE" dial with the two texts written on it in black.
TBitmap32 DialBitmap(const TRoseGrid& grid, const TRoseOptions& options, const TWorkingUnits& units);
// Text drawn into a bitmap with a stroke font, its highest stroke on row y
// and starting near column x, `height` pixels from the top of the
// capitals to the bottom of the descenders; only the strokes are painted.
void WriteBitmapText(TBitmap32& bitmap, int x, int y, int height, const std::string& text, uint32_t colour);

// The 8 x 8 plate at height y, d thick, with the dial mapped once across
// its top.
void BuildRoseBase(TGLMesh& base, double y, double d, uint32_t colour, const TBitmap32& dial);
// The two rulers with a level line and an elevation label per layer
// boundary, from height v up by 4.
void BuildRoseRulers(TGLLines& grid, const TRoseGrid& rose, const TRoseOptions& options, const TWorkingUnits& units,
                     double v);

// The objects the rose fills; the frame holds them.
struct TRoseObjects {
  TGLFrame* Frame = nullptr;
  TGLMesh* Rose = nullptr;   // "Rose Diagram"
  TGLMesh* Base = nullptr;   // "Rose Base"
  TGLLines* Grid = nullptr;  // "Rose Grid"
};

// A frame position that shows the whole rose in a view of that size, the
// eye at eyeZ looking down -z.
double RoseFitPosition(int width, int height, double eyeZ);

class TGLRose {
 public:
  // The whole build; later builds keep the objects' transforms.
  bool BuildRose(const TRoseObjects& objects, const TPlotModel& model, const TWorkingUnits& units, int layers,
                 int petals, bool showBase);
  bool Empty() const { return Grid.maximum <= 0; }

  // Every rose object reset and, for Face Up, turned to be seen from above.
  static void FaceUp(const TRoseObjects& objects);
  static void SideView(const TRoseObjects& objects);

  TRoseOptions Options;
  TRoseGrid Grid;
  bool Created = false;
  TRoseProgress OnProgress;
};

}  // namespace lumora
