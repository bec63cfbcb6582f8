#pragma once
// "Cave Mesh Settings": the passage options of the next load and an
// estimate of the mesh the current plot file gives with them.

#include <QDialog>
#include <filesystem>

#include "app/core/GLCave.h"

class QAbstractButton;
class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;

namespace lumora {

class TRadioGroup;

class TCaveMeshDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCaveMeshDlg(QWidget* parent = nullptr);

  TCaveMeshSettings Settings() const;
  void SetSettings(const TCaveMeshSettings& settings);
  // Shows the dialog modally for the plot file; true when it was closed
  // with "Reprocess".
  bool Execute(const std::filesystem::path& plotFile);

 private:
  void ShowEstimate();

  std::filesystem::path plotFile_;
  TRadioGroup* shape_;
  TRadioGroup* corner_;
  QDoubleSpinBox* cornerAngle_;
  QDoubleSpinBox* subDiameter_;
  QCheckBox* subMissing_;
  QCheckBox* expand_;
  QCheckBox* vertical_;
  QDoubleSpinBox* verticalAngle_;
  QCheckBox* seal_;
  QCheckBox* showHidden_;
  QLineEdit* file_;
  QLineEdit* shots_;
  QLineEdit* polygons_;
  QLineEdit* memory_;
  QAbstractButton* reprocess_;
};

}  // namespace lumora
