#pragma once
// The binder that ties each control of the exporter window to one field of
// the option set, so the window never keeps a copy of its own.

#include <QGroupBox>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/ColorDisplay.h"
#include "controls/RadioGroup.h"
#include "export/ExportOptions.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace lumora {

// Every control writes its field as the user changes it, then `changed`
// runs (the window's enabling rules); Load shows every field again.
class TOptionBinder {
 public:
  using O = TExportOptions;
  TOptionBinder(TExportOptions& options, std::function<void()> changed);

  void Bind(QCheckBox* box, bool O::*field);
  void Bind(QGroupBox* checkGroup, bool O::*field);
  void Bind(QDoubleSpinBox* spin, double O::*field);
  void Bind(QSpinBox* spin, int O::*field);
  void Bind(QSlider* slider, int O::*field);
  void Bind(QComboBox* combo, int O::*field);
  void Bind(QLineEdit* edit, std::string O::*field);
  void Bind(TRadioGroup* radio, int O::*field);
  void Bind(TColorDisplay* swatch, uint32_t O::*field);
  // A DXF layer colour: the field is a colour index, the swatch shows its
  // palette colour.
  void BindLayer(TColorDisplay* swatch, int O::*field);

  void Load();

 private:
  void Changed();

  TExportOptions& options_;
  std::function<void()> changed_;
  std::vector<std::function<void()>> loaders_;
  bool loading_ = false;
};

}  // namespace lumora
