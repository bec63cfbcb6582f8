#include "export/ui/ExporterControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace lumora {

TOptionBinder::TOptionBinder(TExportOptions& options, std::function<void()> changed)
    : options_(options), changed_(std::move(changed)) {}

void TOptionBinder::Changed() {
  if (!loading_ && changed_) changed_();
}

void TOptionBinder::Load() {
  loading_ = true;
  for (const auto& load : loaders_) load();
  loading_ = false;
  Changed();
}

void TOptionBinder::Bind(QCheckBox* box, bool O::*field) {
  QObject::connect(box, &QCheckBox::toggled, [this, field](bool on) {
    if (loading_) return;
    options_.*field = on;
    Changed();
  });
  loaders_.push_back([this, box, field] { box->setChecked(options_.*field); });
}

void TOptionBinder::Bind(QGroupBox* group, bool O::*field) {
  group->setCheckable(true);
  QObject::connect(group, &QGroupBox::toggled, [this, field](bool on) {
    if (loading_) return;
    options_.*field = on;
    Changed();
  });
  loaders_.push_back([this, group, field] { group->setChecked(options_.*field); });
}

// A spin box shows its field rounded to its decimals; the field keeps what
// the settings file held until the user changes the value.
void TOptionBinder::Bind(QDoubleSpinBox* spin, double O::*field) {
  QObject::connect(spin, &QDoubleSpinBox::valueChanged, [this, field](double v) {
    if (loading_) return;
    options_.*field = v;
    Changed();
  });
  loaders_.push_back([this, spin, field] { spin->setValue(options_.*field); });
}

void TOptionBinder::Bind(QSpinBox* spin, int O::*field) {
  QObject::connect(spin, &QSpinBox::valueChanged, [this, field](int v) {
    if (loading_) return;
    options_.*field = v;
    Changed();
  });
  loaders_.push_back([this, spin, field] { spin->setValue(options_.*field); });
}

void TOptionBinder::Bind(QSlider* slider, int O::*field) {
  QObject::connect(slider, &QSlider::valueChanged, [this, field](int v) {
    if (loading_) return;
    options_.*field = v;
    Changed();
  });
  loaders_.push_back([this, slider, field] { slider->setValue(options_.*field); });
}

void TOptionBinder::Bind(QComboBox* combo, int O::*field) {
  QObject::connect(combo, &QComboBox::currentIndexChanged, [this, field](int v) {
    if (loading_ || v < 0) return;
    options_.*field = v;
    Changed();
  });
  loaders_.push_back([this, combo, field] { combo->setCurrentIndex(options_.*field); });
}

void TOptionBinder::Bind(QLineEdit* edit, std::string O::*field) {
  QObject::connect(edit, &QLineEdit::textChanged, [this, field](const QString& text) {
    if (loading_) return;
    options_.*field = text.toStdString();
    Changed();
  });
  loaders_.push_back([this, edit, field] { edit->setText(QString::fromStdString(options_.*field)); });
}

void TOptionBinder::Bind(TRadioGroup* radio, int O::*field) {
  QObject::connect(radio, &TRadioGroup::Clicked, [this, field](int index) {
    if (loading_) return;
    options_.*field = index;
    Changed();
  });
  loaders_.push_back([this, radio, field] { radio->SetItemIndex(options_.*field); });
}

void TOptionBinder::Bind(TColorDisplay* swatch, uint32_t O::*field) {
  loaders_.push_back([this, swatch, field] { swatch->SetColor(options_.*field); });
}

void TOptionBinder::BindLayer(TColorDisplay* swatch, int O::*field) {
  loaders_.push_back([this, swatch, field] { swatch->SetColor(aci_to_rgb(options_.*field)); });
}

}  // namespace lumora
