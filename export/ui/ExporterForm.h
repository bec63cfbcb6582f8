#pragma once
// "Bramble 3D Exporter": the loaded survey's tree, five tabs of export
// options bound to the exporter's option set, the progress bars every
// writer drives, and the buttons that run the DXF, VRML, shapefile, KML
// and glTF writers. Modal; one per program.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "document/CaveDocument.h"
#include "export/ExportMain.h"
#include "export/ExportOptions.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace lumora {

class TRadioGroup;
class TColorDisplay;
class TOptionBinder;
class TReopenMenu;

// The caption's leading text.
extern const char* const kExporterCaption;  // "Bramble 3D Exporter - "

class TExporterForm : public QDialog {
  Q_OBJECT
 public:
  // The document is shared with the main window: the writers build walls
  // with its passage options and state, and a plot file opened here is read
  // into its model, which then says so to the window.
  explicit TExporterForm(TCaveDocument& document, QWidget* parent = nullptr);
  ~TExporterForm() override;

  // The file the model holds, as the main window loaded it.
  void SetCurrentPlotPath(const QString& path);
  QString CurrentPlotPath() const;

  // Open modally, without or with the volume tool's bounding polygons.
  void open_exporter();
  void open_exporter_with_bounds(std::vector<TBoundingPolygon> polygons);
  // What both do before the window shows (exposed so the window can be
  // shown without a modal loop).
  void PrepareOpen();

  // Opening a plot file inside the window: loads it only when the path
  // differs from the one the model holds.
  void OpenPlotFile(const QString& path);

  void SaveSettings();
  void RestoreSettings();

  TExportOptions& Options() { return options_; }
  const TExportContext& Context() const { return context_; }
  TExportProgress& Progress();
  TReopenMenu* ReopenMenu() const { return reopen_; }

  // Message boxes and dialogs, replaceable so that the window can be driven
  // without a person.
  std::function<void(const QString& text)> WarningBox;
  std::function<void(const QString& text)> ErrorBox;
  std::function<bool(const QString& question)> ConfirmBox;  // Yes/No
  std::function<QString(const QString& title, const QString& filter, const QString& suffix, const QString& proposed,
                        bool save)>
      AskFileName;
  std::function<std::optional<uint32_t>(uint32_t colour)> ChooseColor;
  std::function<void(const QString& folder)> ExploreFolder;
  // The help window on the exporter's page, or (search) on the help's index.
  std::function<void(bool search)> ShowHelp;
  // The About box's version and year lines, given by the program.
  QString VersionLine, YearLine;

 public slots:
  // Refused while a writer runs: its events still reach the window.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class TFormProgress;

  // Construction (ExporterForm.cpp, ExporterTabs.cpp).
  void CreateMenus(QMenuBar* bar);
  QWidget* CreateLeftPanel();
  QWidget* CreateBottomPanel();
  QWidget* ShapefileTab();
  QWidget* VRMLTab();
  QWidget* DXFTab();
  QWidget* KMLTab();
  QWidget* WallsTab();
  void BindControls();
  // A "Change" button that stores a chosen colour in the swatch's field.
  QPushButton* ColorButton(const QString& caption, TColorDisplay* swatch, uint32_t TExportOptions::*field);
  QPushButton* LayerColorButton(TColorDisplay* swatch, int TExportOptions::*field);

  // Rules and shared steps (ExporterForm.cpp).
  void ApplyRules();
  void RefreshDataTypes();
  void FillSurveyTree();
  void ShowPlotFile(const QString& path);
  void OpenMnuClick();
  void ShowAbout();
  void ExploreExportFolder();
  void BrowseTextureClick();

  // Exports (ExporterExports.cpp).
  void ShapeExportClick();
  void VRMLExportClick();
  void DXFExportClick();
  void KMLExportClick();
  void GLTFExportClick();
  QString AskSaveName(const QString& title, const QString& filter, const QString& suffix, const QString& ext);
  // Events run during reads and writes: nothing may start another meanwhile.
  void SetBusy(bool busy);
  void RunWriter(const std::function<void()>& write);
  TExportJob Job();

  TCaveDocument& document_;
  TPlotModel& model_;  // the document's
  TExportOptions options_;
  TExportContext context_;
  std::unique_ptr<TOptionBinder> binder_;
  std::unique_ptr<TFormProgress> progress_;
  TReopenMenu* reopen_;
  bool activated_ = false;
  bool busy_ = false;

  QTreeWidget* SurveyTree;
  QLineEdit *FilenameDis, *SurveyDis, *ShotDis, *ArcFileDis;
  QTabWidget* PageControl;
  QLabel* StatusDis;
  QProgressBar *SectionBar, *SurveyBar, *ShotBar;
  TRadioGroup *UnitRadio, *DateRadio;
  QCheckBox* ShowHiddenChk;
  QPushButton* DirBtn;
  QWidget* bottomOptions_;  // the panel of Units, Date Type, hidden shots and DirBtn

  TRadioGroup *ConvertTypeRadio, *ShapeTypeRadio;
  QCheckBox* ZipShapeChk;

  QCheckBox *DoPassageChk, *PassDepthColorChk, *VertColorChk, *SplineSurfaceChk, *TransparencyChk, *TextureChk,
      *DoLineChk, *LineDepthColorChk, *YawRotateChk, *GLTFSplayChk;
  TColorDisplay *PassColorDis, *LineColorDis, *BackColorDis;
  QDoubleSpinBox* TransparencySpin;
  QLineEdit* TextureEdit;

  QCheckBox *ProfileChk, *LayerSurveysChk, *AssocPassChk, *AssocLabelChk, *SeparateChk, *LeftRightCheck, *UpDownCheck,
      *LineCheck, *MarkFromChk, *MarkToChk, *ExpandMarkChk, *ShotLineChk, *LabelsChk, *StationMarkChk, *WallsChk,
      *NorthArrowChk, *ScaleBarChk, *DepthChk, *ClipLinesChk, *ScaleChk;
  QDoubleSpinBox *RotSpin, *ScaleBarSpin, *MarkSizeSpin, *ScaleSpin;
  TRadioGroup *PassageTypeRadio, *MarkWithRadio;
  TColorDisplay *SurveyColorDis, *LabelColorDis, *DepthColorDis, *WallColorDis;
  QLabel *ScaleBarUnit, *MarkSizeUnit;

  TRadioGroup *OverlayTypeRadio, *AltitudeModeRadio;
  QComboBox* DatumCombo;
  QDoubleSpinBox *AltitudeSpin, *HeadingSpin, *KMLMarkScaleSpin, *KMLLabelScaleSpin;
  QCheckBox *KMLSplayChk, *KMLFixedChk;
  QSpinBox* LineWidthSpin;
  TColorDisplay *KMLLineColorDis, *KMLFillColorDis, *KMLMarkColorDis, *KMLLabelColorDis;
  QSlider* FillTransBar;
  QGroupBox *SectionsChk, *MarkSectionsChk, *LabelSectionsChk;

  TRadioGroup *PassShapeRadio, *CornerRadio;
  QDoubleSpinBox *CornerAngleSpin, *SubSpin, *VerticalAngleSpin;
  QCheckBox *SubChk, *ExpandWallChk, *VerticalChk, *MergeChk, *SealChk;
};

}  // namespace lumora
