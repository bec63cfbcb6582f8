#pragma once
// Small widgets of the exporter window (a colour swatch, a radio group
// with an item index) and the binder that ties each control to one field
// of the option set, so the window never keeps a copy of its own.

#include <QFrame>
#include <QGroupBox>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/ExportOptions.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace lumora {

// A swatch showing a platform colour (0x00BBGGRR).
class TExportSwatch : public QFrame {
  Q_OBJECT
 public:
  explicit TExportSwatch(QWidget* parent = nullptr);
  uint32_t Color() const { return colour_; }
  void SetColor(uint32_t colour);

 private:
  uint32_t colour_ = 0;
};

// A titled group of radio buttons laid out in `columns` columns, read and
// set as an item index.
class TExportRadio : public QGroupBox {
  Q_OBJECT
 public:
  TExportRadio(const QString& title, const QStringList& items, int columns = 1, QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const;
  int Count() const;

 signals:
  void Clicked(int index);

 private:
  QButtonGroup* buttons_;
};

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
  void Bind(TExportRadio* radio, int O::*field);
  void Bind(TExportSwatch* swatch, uint32_t O::*field);
  // A DXF layer colour: the field is a colour index, the swatch shows its
  // palette colour.
  void BindLayer(TExportSwatch* swatch, int O::*field);

  void Load();

 private:
  void Changed();

  TExportOptions& options_;
  std::function<void()> changed_;
  std::vector<std::function<void()>> loaders_;
  bool loading_ = false;
};

}  // namespace lumora
