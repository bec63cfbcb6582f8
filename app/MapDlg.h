#pragma once
// The options of a map on paper, for File > Print... and File > Export
// Map...: the view, scale or fit, paper, grid, labels, colours, title and
// units, as `lumora-cli map` takes them.

#include <QDialog>

#include "map/MapContent.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

namespace lumora {

class TMapDlg : public QDialog {
  Q_OBJECT
 public:
  // `printing` gives Print... and Preview... buttons, else Export...
  TMapDlg(QWidget* parent, bool printing);

  void SetOptions(const TMapOptions& options);
  TMapOptions Options() const;
  // The format chosen for an export: "svg" or "pdf".
  QString Format() const;
  // Which button closed the dialog: "print", "preview" or "export".
  QString Choice() const { return choice_; }

  QComboBox* ViewBox;
  QComboBox* ScaleBox;  // "Fit to paper" or 1:N, editable
  QComboBox* PaperBox;
  QCheckBox* LandscapeChk;
  QDoubleSpinBox* GridSpin;  // 0: a round spacing
  QCheckBox* LabelsChk;
  QComboBox* ColorBox;
  QLineEdit* TitleEdit;
  QComboBox* UnitsBox;
  QComboBox* FormatBox;

 private:
  QString choice_;
};

}  // namespace lumora
