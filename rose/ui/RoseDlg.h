#pragma once
// "Rose Diagram": the rose tool's options, Create Rose with its progress,
// and the two views of the rose.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

#include "rose/GLRose.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace lumora {

class TColorDisplay;

class TRoseDlg : public QDialog {
  Q_OBJECT
 public:
  // The rose is drawn from the model, its dimensions in the working units.
  TRoseDlg(TPlotModel& model, const TWorkingUnits& units, QWidget* parent = nullptr);

  // The scene objects the rose is built into; nothing is built without.
  void SetObjects(const TRoseObjects& objects) { objects_ = objects; }
  // Shows the dialog (modeless) with the thickness of the current layers.
  void Open();

  TRoseOptions Options() const;
  TGLRose& Rose() { return rose_; }
  const TGLRose& Rose() const { return rose_; }

  void CreateRoseBtnClick();
  void FaceUpBtnClick();
  void SideViewBtnClick();

  // The colour chooser, replaceable so the dialog runs without a person.
  std::function<std::optional<uint32_t>(uint32_t colour)> ChooseColor;
  // After each build: the window marks the rose built and shows it.
  std::function<void()> OnRoseCreated;
  // True while the model may not be read (a load runs): no build then.
  std::function<bool()> Busy;
  // After a change of the rose's view: the window repaints.
  std::function<void()> OnViewChanged;

 private:
  void LayersSpinChange();
  void ThickSpinChange();
  void PetalsSpinChange();
  void ChangeColor(TColorDisplay* display, uint32_t& colour);
  double DepthRange() const;

  TPlotModel& model_;
  const TWorkingUnits& units_;
  TGLRose rose_;
  TRoseObjects objects_;
  bool building_ = false;
  uint32_t gridColor_ = 0x00FF00, fontColor_ = 0x0000FF;

  QDoubleSpinBox* MinLenSpin;
  QButtonGroup* GraphByRadio;
  QCheckBox *RainbowChk, *SlopeChk, *BaseChk;
  QSpinBox* PetalsSpin;
  QLabel* AngleDis;
  QButtonGroup* RoseTypeRadio;
  QSpinBox* LayersSpin;
  QDoubleSpinBox* ThickSpin;
  TColorDisplay *GridColorDis, *FontColorDis;
  QListWidget* FontList;
  QPushButton *CreateRoseBtn, *CloseBtn, *FaceUpBtn, *SideViewBtn;
  QProgressBar* ProgressBar;
  QLabel* StatusDis;
};

}  // namespace lumora
