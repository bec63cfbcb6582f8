#pragma once
// The volume model: the cave's height range cut into up to ten horizontal
// layers; each layer's plan points are triangulated and a concave hull dug,
// whose area times the layer's thickness is the layer's rock volume. The
// passage volume of the wall builder is the cave volume; their ratio is the
// porosity. Everything is in the survey model's feet; only displays convert.

#include <array>
#include <optional>
#include <vector>

#include "model/PlotArray.h"
#include "passage/PassageLib.h"
#include "scene/GLMesh.h"
#include "volume/Delaunay.h"
#include "volume/GLTesselator.h"

namespace lumora {

constexpr int kMaxLevels = 10;
constexpr uint32_t kDefaultHullColor = 0x00FFFF;

struct TVolumeLevel {
  TTriangulator Triangulator;
  double Area = 0;    // of the concave hull, square feet
  double Top = 0;     // feet
  double Bottom = 0;  // feet
  double Length = 0;  // shot length counted in the layer, feet
  double Share = 0;   // Length / total length, 0 when there is none
};

class TVolumeModel {
 public:
  // The model, the options used to fill missing passage extents and the
  // state of the wall build (extent and passage volume) are read, never
  // changed; the walls must have been built first.
  TVolumeModel(const TPlotModel& model, const TPassageOptions& options, const TPassageState& passages);

  // Fills every layer's triangulator from the stations, or from the wall
  // points at the stations when useDims; then the length shares.
  void BuildLevels(const TVolumeProgress& progress, bool useDims);
  // Concave hull, area and rock volume of every layer.
  void ComputeVolumes(const TVolumeProgress& progress, bool byArea, double fraction);
  // Rebuilds `hull` (the scene's "Hull") from the layers' concave hulls, in
  // scene coordinates.
  void BuildHullModel(TGLMesh& hull, const TVolumeProgress& progress = {}) const;
  static void SetHullLook(TGLMesh& hull, double transparency, bool transparent, bool blendBackground, bool depthCheck);
  // Area of layer k's concave hull chain.
  double PolygonArea(int k) const;

  int Count() const;  // LevelCount kept within 1..10
  double CaveVolume() const { return passages_.PassageVolume; }
  // cave / rock * 100; none when the rock volume is 0 or not finite.
  std::optional<double> Porosity() const { return Ratio(CaveVolume(), RockVolume); }
  double Thickness(int k) const { return Levels[k].Top - Levels[k].Bottom; }
  double LayerRockVolume(int k) const { return Levels[k].Area * Thickness(k); }
  double LayerCaveVolume(int k) const { return Levels[k].Share * CaveVolume(); }
  std::optional<double> LayerPorosity(int k) const { return Ratio(LayerCaveVolume(k), LayerRockVolume(k)); }
  static std::optional<double> Ratio(double cave, double rock);

  // The record list of the last passage-dimension build: the plot records
  // with split records after the shots that cross a layer boundary.
  const std::vector<TPlotVector>& SubdividedRecords() const { return subdivided_; }
  const TPlotModel& Model() const { return model_; }

  std::array<TVolumeLevel, kMaxLevels> Levels;
  int LevelCount = kMaxLevels;
  double RockVolume = 0;
  bool LevelsBuilt = false;
  // Options of the volume tool.
  bool UseUpDown = false;
  int SubdivideLength = 100;  // 5, 10, 25, 50 or 100 feet
  uint32_t HullColor = kDefaultHullColor;

 private:
  bool InLayer(int k, double z) const { return Levels[k].Bottom <= z && z <= Levels[k].Top; }
  void AddPoint(int k, double x, double y);
  void MakeSubdividedList();
  void CollectStations(int k);
  void CollectWithDims(int k);
  void WallPoints(int k, const TPlotVector& p, const TPlotVector& c, const TPlotVector& s, bool always);
  void UpDownPoints(int k, const TPlotVector& p, const TPlotVector& c, const TPlotVector& s);

  const TPlotModel& model_;
  const TPassageOptions& options_;
  const TPassageState& passages_;
  bool extentValid_ = false;
  std::vector<TPlotVector> subdivided_;
};

// The split record of the shot p -> c at elevation e.
TPlotVector SplitRecord(const TPlotVector& p, const TPlotVector& c, double e);

}  // namespace lumora
