#pragma once
// The main window's options panel: five pages of display options, stacked
// so that the panel stays narrow beside the view. The panel only holds the
// controls; the window gives them their effects.

#include <QFrame>
#include <QGroupBox>
#include <QToolBox>

#include <cstdint>

#include "controls/ColorDisplay.h"
#include "controls/RadioGroup.h"

class QCheckBox;
class QPushButton;
class QSlider;
class QSpinBox;

namespace lumora {

class TOptionsPanel : public QToolBox {
  Q_OBJECT
 public:
  explicit TOptionsPanel(QWidget* parent = nullptr);

  // "Cave Options"
  QCheckBox *WallsChk, *DepthChk, *DateChk, *SurveyChk, *RockTextureChk, *StationsChk, *LabelsChk, *ShotChk, *SplayChk,
      *CrossHairsChk;
  // Which walls a Therion model's surveys get: drawn from scraps, or from
  // passage dimensions.
  QCheckBox *ScrapWallsChk, *DimensionWallsChk;
  // A Therion model's terrain with its map, and how much the cave shows
  // through it.
  QCheckBox* ShowSurfaceChk;
  QSlider* SurfaceTransparencyTrack;
  QCheckBox *GradientChk, *LengthChk, *ErrorChk, *LabelAnonChk, *SurfaceLegsChk, *DuplicateLegsChk;
  // "Colors", and the station colour of "Stations"; each "Change" button
  // sits beside its display.
  TColorDisplay *WallColorDis, *ShotColorDis, *BoundingBoxDis, *BackColorDis, *SplayColorDis, *StationColorDis;
  QPushButton *WallColorBtn, *ShotColorBtn, *BoundingBoxBtn, *BackColorBtn, *SplayColorBtn, *StationColorBtn;
  // "Stations"
  QSpinBox* PointSizeSpin;
  QPushButton* FontBtn;
  QCheckBox* ThinLabelsChk;
  // Stations a .3d file flags, each group checkable, with its colour.
  QGroupBox *EntranceChk, *FixedChk, *ExportedChk;
  TColorDisplay *EntranceColorDis, *FixedColorDis, *ExportedColorDis;
  QPushButton *EntranceColorBtn, *FixedColorBtn, *ExportedColorBtn;
  // "Objects"
  QCheckBox* DisplayHullsChk;
  QGroupBox* RoseChk;
  QCheckBox *ShowGridChk, *ShowBaseChk;
  QGroupBox* BoxChk;
  TRadioGroup* BoxRadio;
  // "Rendering"
  QGroupBox* TransparentChk;
  QSlider* TransparentTrack;
  QCheckBox* AntialiasChk;
  TRadioGroup* MeshQualityRadio;

 private:
  QWidget* CaveOptionsPage();
  QWidget* ColorsPage();
  QWidget* StationsPage();
  QWidget* ObjectsPage();
  QWidget* RenderingPage();
};

}  // namespace lumora
