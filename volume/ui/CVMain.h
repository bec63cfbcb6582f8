#pragma once
// "Cave Volume Tool": drives the volume model. It holds the options,
// recomputes when they change, shows the volumes, draws the current layer
// in a plan plot and styles the scene's "Hull" mesh. Modeless, on top.
//
// Concavity bar moves are recomputed on the next turn of the event loop,
// so a run of moves costs one recomputation; the progress of a running
// recomputation lets events run, and a newer request abandons it and
// starts again with the newest values.

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "model/WorkingUnits.h"
#include "volume/CVVolume.h"

class QAbstractButton;
class QCheckBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;

namespace lumora {

class TColorDisplay;
class TPlotWindow;
class TRadioGroup;
class TPlotScroll;
class TVolumeReportsDlg;

class TVolumeDlg : public QDialog {
  Q_OBJECT
 public:
  TVolumeDlg(TVolumeModel& model, TWorkingUnits& units, QWidget* parent = nullptr);
  ~TVolumeDlg() override;

  // Point collection, then RecomputeVolumes, then the 3D view redrawn.
  void RebuildVolumes();
  // Hulls, areas, the length threshold, the hull mesh and its look.
  void RecomputeVolumes();
  // Bar and spin to 50, then the plot repainted.
  void ResetConcavity();
  // Before a new cave is loaded: the layers of the old one are dropped and
  // the concavity reset, without computing anything. The next change the
  // user makes collects the new cave's layers first.
  void ResetForLoad();
  // Unchecks "Use Pass Dims" without rebuilding (large surveys).
  void ClearUseDims();
  // A recomputation is running or waiting for the event loop.
  bool Busy() const;
  int CurrentLayer() const { return currentLayer_; }
  TVolumeModel& Model() { return model_; }
  TVolumeReportsDlg* Reports() const { return reports_; }

  // What the dialog needs of the window: the scene's "Hull" mesh (null
  // before the scene exists), a repaint of the 3D view, and a notice after
  // each hull build.
  std::function<TGLMesh*()> HullMesh;
  std::function<void()> Redraw3D;
  std::function<void()> OnHullBuilt;
  // Replaceable so that the dialog can be driven without a person.
  std::function<std::optional<uint32_t>(uint32_t colour)> ChooseColor;

  // Top bar and totals.
  QSlider* ConcaveBar;
  QLineEdit* LengthDis;
  QDoubleSpinBox* PercentSpin;
  QAbstractButton *ResetBtn, *Button1;
  QLineEdit *VolumeDis, *CaveVolumeDis, *PorosityDis;
  // "Hulls"
  QTabWidget* PageControl;
  QCheckBox *UseDimsChk, *ByAreaChk, *UpDownChk;
  TRadioGroup* SubdivideRadio;
  QSpinBox *LevelCntSpin, *LevelSpin;
  QLineEdit *TopDis, *BottomDis, *AreaDis, *DepthDis, *LayerRockVolDis, *LayerCaveVolDis, *LayerPorosityDis;
  // "3D Modeling"
  QGroupBox* TransparentChk;
  QSlider* TransparentTrack;
  QCheckBox *InternalReflectChk, *DepthCheckChk;
  TColorDisplay* ColorDis;
  QAbstractButton* ColorBtn;
  // "Graphs"
  QCheckBox *ShowTrianglesChk, *TriangleChk, *VertexNumChk, *LineNumChk, *ArrowChk;
  // Plot and status.
  TPlotWindow* PlotWin;
  TPlotScroll* PlotScroll;
  QToolButton *ResetZoomBtn, *ZoomOutBtn, *ZoomInBtn;
  QLabel *MouseDis, *StatusDis, *SubTimer1;
  QProgressBar* ProgrBar;

  // The selected "Subdivided Length" in feet.
  int SubdivideLength() const;
  uint32_t HullColor() const { return model_.HullColor; }
  // The texts of the dialog for the current layer (also run by every paint).
  void UpdateTexts();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* TopBar();
  QWidget* TotalsBar();
  QWidget* HullsPage();
  QWidget* ModelingPage();
  QWidget* GraphsPage();
  QWidget* PlotArea();
  void Connect();

  void ConcaveBarChange(int position);
  void PercentSpinChange(double value);
  void LevelCntSpinChange(int count);
  void LevelSpinChange(int layer);
  void DimsChange();
  void ApplyHullLook();
  void ColorBtnClick();
  void ReportsClick();
  // Asks for a recomputation (a rebuild first when `rebuild`): now, or on
  // the next turn of the event loop when `deferred`; one already running
  // gives way.
  void Request(bool rebuild, bool deferred);
  void RunPending();
  void Compute(bool rebuild);
  void Progress(int percent);
  void Paint(TPlotWindow& plot);
  void PaintTriangleLabels(TPlotWindow& plot, int t);
  void ShowStopwatch(int64_t nanoseconds);
  void RedrawView();

  TVolumeModel& model_;
  TWorkingUnits& units_;
  TVolumeReportsDlg* reports_;
  QTimer* deferred_;
  QElapsedTimer stopwatch_, paced_;
  int currentLayer_ = 0;
  bool guard_ = false;    // the spin's handler is moving the bar
  bool pending_ = false;  // a recomputation is asked for
  bool rebuild_ = false;  // ... with the points collected again first
  bool computing_ = false;
  bool superseded_ = false;  // the running one gives way
  bool stale_ = false;       // the layers belong to a cave no longer loaded
  bool quiet_ = false;       // changes compute nothing (a load resets us)
  bool centred_ = false;
};

// The labels of triangle `index` for its neighbours: "1-", "2-" or "3-"
// and the neighbour across the first, second or third edge, at the edge's
// midpoint moved 20 world units towards the triangle's centre; none for an
// edge on the boundary.
struct TPlotLabel {
  QString Text;
  T3DVector At;
};
std::vector<TPlotLabel> NeighbourLabels(const TTriangulator& t, int index);

// "12 µs", "3.4 ms", "1.25 s": a duration in a unit that suits it.
QString StopwatchText(int64_t nanoseconds);

}  // namespace lumora
