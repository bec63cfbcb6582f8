#pragma once
// "Bitmap Size": the magnification of a saved or copied picture of the
// view. The dialog lives for the whole run, so the scale is kept.

#include <QDialog>

class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

namespace lumora {

class TBMPSizeDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TBMPSizeDlg(QWidget* parent = nullptr);

  // Shows the largest size the GL draws, the view's size and the scaled
  // size; true with the scale when the user pressed OK. The maximum is
  // shown only: a larger picture is refused when it is drawn.
  bool AskBitmapScale(int maxWidth, int maxHeight, int baseWidth, int baseHeight, double& scale);

  QLineEdit *MaxWidthDis, *MaxHeightDis, *BaseWidthDis, *BaseHeightDis, *ScaledWidthDis, *ScaledHeightDis;
  QDoubleSpinBox* ScaleSpin;
  QPushButton* ResetBtn;

 private:
  void ScaleSpinChange();

  int baseWidth_ = 0, baseHeight_ = 0;
};

}  // namespace lumora
