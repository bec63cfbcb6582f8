#pragma once
// "AVI Capture Options": frame rate, compression and the movie's size
// limit. The rate, compression and frame limit are read when a recording
// starts, "Limit Movie Size" at every frame.

#include <QDialog>

#include <functional>

#include "capture/GLCapture.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace lumora {

class TCaptureDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCaptureDlg(QWidget* parent = nullptr);

  TCaptureOptions Options() const;
  // Updates the running time and shows the dialog modally.
  void ShowCaptureOptions();
  // The running time of a movie of Max Frames frames.
  void UpdateTime();

  // The Help button's page; unset, the button does nothing.
  std::function<void()> ShowHelp;

  QSpinBox* FPSSpin;
  QDoubleSpinBox* CompressSpin;
  QCheckBox* LimitChk;
  QSpinBox* MaxFramesSpin;
  QLabel* DisTime;
};

}  // namespace lumora
