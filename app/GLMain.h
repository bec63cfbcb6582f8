#pragma once
// The main window: the view, its navigation tool bar, the status bar, the
// options panel and the menus that reach every tool.

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/core/CaveColors.h"
#include "app/core/CaveOverlays.h"
#include "app/core/GLCave.h"
#include "capture/GLCapture.h"
#include "map/MapContent.h"

class QAction;
class QDoubleSpinBox;
class QCheckBox;
class QTimer;
class QToolButton;

namespace lumora {

class TGLViewer;
class TOptionsPanel;
class TColorDisplay;
class TReopenMenu;
class TLoadProgressDlg;
class TProgressDlg;
class TCaveMeshDlg;
class TRoseDlg;
class TExporterForm;
class TVolumeDlg;
class TStationTool;
class TSurveyPage;
class TBMPSizeDlg;
class TCaptureDlg;
class TViewMotion;
struct TStatusFields;
class TLightingDlg;
class TMaterialsDlg;
class TRenderingDlg;
class TTestObjectsDlg;
class TMapDlg;

// A file dialog with the title, filter and default extension of a command,
// starting in the current folder; an empty result when cancelled.
QString AskFile(QWidget* owner, bool save, const QString& title, const QString& filter, const QString& suffix);

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  TGLViewer* Viewer() const { return viewer_; }
  TOptionsPanel* Options() const { return options_; }
  TReopenMenu* ReopenMenu() const { return reopen_; }
  TStationTool* Stations() const { return stations_; }
  TSurveyPage* SurveyPage() const { return surveyPage_; }
  TViewMotion* Motion() const { return motion_; }
  // Valid once the view has its GL context (the first show).
  const TCaveScene& Scene() const { return scene_; }
  bool SceneCreated() const { return sceneCreated_; }
  // What the loaded survey allows: an extended elevation has no plan view,
  // compass or turns about the vertical; a file of stations without legs
  // shows its stations and labels.
  void ApplySurveyKind();
  // The rose frame while "Show Rose Diagram" is checked, else the cave frame.
  TGLFrame* NavigatedFrame() const;

  // Loads a plot file into the view; refused while a load runs. Before the
  // view exists the load waits for it.
  void LoadCave(const QString& plotFile);
  bool Loading() const { return loading_; }
  QString CurrentPlotFile;
  // The cave the window shows, shared with the exporter window.
  TCaveDocument& Document() { return document_; }
  const TCaveDocument& Document() const { return document_; }

  // Set by the rose and volume tools; every load clears them.
  bool RoseBuilt() const { return roseBuilt_; }
  void SetRoseBuilt(bool built) { roseBuilt_ = built; }
  bool HullBuilt() const { return hullBuilt_; }
  void SetHullBuilt(bool built) { hullBuilt_ = built; }
  TRoseDlg* RoseDlg() const { return roseDlg_; }
  // "&Volume Tool...": the rose hidden, the tool shown and rebuilt, the
  // hull built and shown.
  void OpenVolumeTool();
  TVolumeDlg* VolumeDlg() const { return volumeDlg_; }

  // What the walls are coloured by, from the Cave Options boxes.
  TWallColoring Coloring() const;
  // The walls coloured again, by the boxes and the highlighted survey.
  void Recolor();
  // Shots, stations and labels made again after a change of the shown
  // surveys or of the station options, then the walls coloured again.
  void Restyle();
  const TOverlaySwitches& Overlays() const { return overlays_; }

  void ApplyDisplayDefaults();
  void SyncVisibility();
  void UpdateStatus();
  void RequestStatus();

  // Message boxes and the colour dialog, replaceable so that the window can
  // be driven without a person.
  std::function<void(const QString& text)> InformationBox;
  std::function<void(const QString& text)> ErrorBox;
  std::function<std::optional<uint32_t>(uint32_t colour)> ChooseColor;
  // A file name from an open (save false) or save dialog with the title,
  // filter and default extension; empty when cancelled.
  std::function<QString(const QString& title, const QString& filter, const QString& suffix, bool save)> AskFileName;
  // Runs the map dialog of Print... and Export Map...; false when cancelled.
  std::function<bool(TMapDlg& dialog)> RunMapDialog;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Construction (GLMain.cpp).
  void CreateToolBar();
  void CreateMenus();
  void ConnectOptions();
  void CreateVolumeTool();  // GLMainVolume.cpp
  void CreateSurveyPage();  // GLMainView.cpp

  // Navigation (GLMain.cpp).
  void Step(const std::function<void(TGLFrame&, double k, double s)>& step);
  void ResetBtnClick();
  void ZoomToPoint(int x, int y);
  void DrawCrosshairs();
  void FreeRotChkClick();

  // View menu, its keys and the overlays (GLMainView.cpp).
  void CreateViewMenu();
  void ViewPlan();
  void ViewElevation();
  void ViewFit();
  void ViewZoom(double factor);
  // The fly-in and the light frames while the view moves.
  void ConnectMotion();
  void SetOverlay(bool TOverlaySwitches::*which, const char* key, bool on);
  void DrawViewOverlays();
  void ColoringChkClick(QCheckBox* box);
  std::vector<std::pair<QCheckBox*, TWallColoring>> ColoringBoxes() const;

  // Options (GLMainOptions.cpp).
  void DepthChkClick();
  void RockTextureChkClick();
  void WallSourceChange();
  void TransparencyChange();
  void DisplayHullsChkClick();
  void RoseChkClick();
  void ChangeColor(TColorDisplay* display, const std::function<void(uint32_t)>& apply);
  void ConnectColorButtons();
  void FontBtnClick();
  void SetChecked(QCheckBox* box, bool checked);

  // Files (GLMainFile.cpp).
  void CreateSceneOnce();
  // Someone else (the exporter window) read plotFile into the document:
  // the scene is built again from it, as after a load.
  void DocumentLoaded(const QString& plotFile);
  // A load of plotFile, its read first when `read`.
  void RunLoad(const QString& plotFile, bool read);
  // The read of a load; false, with the reason shown, where nothing was
  // read from an existing file. A cancelled read throws ELoadCancelled.
  bool ReadForLoad(const QString& plotFile, TPlotModel& model, const TCaveLoadProgress& fields, TCaveLoadResult& read);
  void OpenPlotFileMnuClick();
  void ReloadMnuClick();
  void Reopen(const QString& path);
  void LoadXFileMnuClick();
  void SaveXFileMnuClick();
  void PassageModelMnuClick();
  void ExportMnuClick();  // GLMainExport.cpp
  // The scene as shown, as a glTF file (GLMainExport.cpp).
  void SaveGltfMnuClick();
  // Maps on paper (GLMainMap.cpp): the dialog's options, the current
  // view's direction and colouring; the map laid out, or nothing.
  void PrintMnuClick();
  void ExportMapMnuClick();
  TMapOptions MapOptionsNow() const;
  std::optional<TMapContent> AskMap(bool printing, QString* format);
  QString MapTitle() const;
  TCaveStyle Style() const;
  // Runs the progress fields with the view's context made current again
  // afterwards, since letting events run may paint other windows.
  TCaveLoadProgress ProgressFields();
  void KeepViewCurrent();
  void SetBusy(bool busy);
  void RestoreWindowGeometry();
  void WarnUnreadableSettings();
  void SaveWindowGeometry() const;

  // Rose (GLMainRose.cpp).
  void CreateRoseDialog();
  void RoseMnuClick();

  // Pictures and video of the view (GLMainCapture.cpp).
  void CreateCapture();
  bool AskBitmapScale(double& scale);
  void SaveBitmapMnuClick();
  void CopyMnuClick();
  void ArmCaptureMnuClick();
  void CaptureOptionsMnuClick();
  void CaptureBtnClick(bool down);
  // After each frame drawn on the screen, before the status.
  void CaptureFrame();
  // Closes a recording, button up and disabled, and shows the message
  // (that of a video that could not be finished when there is none).
  void EndCapture(QString message);

  // Lighting, materials, rendering and test objects (GLMainDisplay.cpp).
  void CreateDisplayDialogs();
  void LightingMnuClick();
  void MaterialsMnuClick();
  void RenderingMnuClick();
  void TestObjectsMnuClick();

  TCaveDocument document_;
  std::optional<TMapOptions> lastMap_;  // the map dialog's last options
  QString mapChoice_;
  TGLViewer* viewer_;
  TOptionsPanel* options_;
  std::unique_ptr<TStatusFields> status_;
  TReopenMenu* reopen_;
  TLoadProgressDlg* loadProgress_;
  TProgressDlg* xProgress_;
  TCaveMeshDlg* meshDlg_;
  TRoseDlg* roseDlg_ = nullptr;
  TExporterForm* exporter_ = nullptr;
  TVolumeDlg* volumeDlg_ = nullptr;
  TTestObjectsDlg* testObjectsDlg_ = nullptr;
  TRenderingDlg* renderingDlg_ = nullptr;
  TLightingDlg* lightingDlg_ = nullptr;
  TMaterialsDlg* materialsDlg_ = nullptr;
  TStationTool* stations_;
  TSurveyPage* surveyPage_;
  TBMPSizeDlg* bmpSizeDlg_ = nullptr;
  TCaptureDlg* captureDlg_ = nullptr;
  std::unique_ptr<TGLCapture> capture_;
  TViewMotion* motion_;
  QDoubleSpinBox* IncSpin;
  QCheckBox* FreeRotChk;
  QToolButton *RollRightBtn, *RollLeftBtn, *AnimateBtn, *CaptureBtn;
  QTimer* animateTimer_;

  TCaveScene scene_;
  bool sceneCreated_ = false;
  bool unitsRead_ = false;
  bool loading_ = false;
  bool closeAfterLoad_ = false;
  bool depthColoring_ = false;
  bool roseBuilt_ = false;
  bool hullBuilt_ = false;
  bool statusPending_ = false;
  // Options > Settings' "Open Caves In Plan, Fitted", kept in Lumor.ini.
  bool openInPlan_ = false;
  void SaveOpenInPlan() const;  // GLMainView.cpp
  QString pendingLoad_;
  TOverlaySwitches overlays_;

 public:
  bool OpenInPlan() const { return openInPlan_; }
};

}  // namespace lumora
