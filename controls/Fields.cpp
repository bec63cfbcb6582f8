#include "controls/Fields.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace lumora {

QLineEdit* DisplayField(const char* name) {
  auto* box = new QLineEdit;
  box->setObjectName(name);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

QLineEdit* ReadOnlyBox(const char* name, const QString& text) {
  QLineEdit* box = DisplayField(name);
  box->setText(text);
  box->setMaximumWidth(80);
  return box;
}

QDoubleSpinBox* RealSpin(const char* name, double minimum, double maximum, double step, int decimals, double value) {
  auto* spin = new QDoubleSpinBox;
  spin->setObjectName(QLatin1String(name));
  spin->setDecimals(decimals);
  spin->setRange(minimum, maximum);
  spin->setSingleStep(step);
  spin->setValue(value);
  return spin;
}

QSpinBox* IntSpin(const char* name, int minimum, int maximum, int value) {
  auto* spin = new QSpinBox;
  spin->setObjectName(QLatin1String(name));
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  return spin;
}

QSlider* Track(const char* name, int tickInterval, int value, int minimum, int maximum) {
  auto* track = new QSlider(Qt::Horizontal);
  track->setObjectName(QLatin1String(name));
  track->setRange(minimum, maximum);
  track->setTickInterval(tickInterval);
  track->setTickPosition(tickInterval > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
  track->setValue(value);
  return track;
}

QCheckBox* CheckBox(const char* name, const QString& caption, bool checked) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(QLatin1String(name));
  box->setChecked(checked);
  return box;
}

QPushButton* Button(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

QToolButton* ToolButton(const char* name, const QString& glyph, const QString& hint, int repeatMs) {
  auto* b = new QToolButton;
  b->setObjectName(QLatin1String(name));
  b->setText(glyph);
  b->setToolTip(hint);
  b->setAccessibleName(hint);
  b->setAutoRepeat(repeatMs > 0);
  if (repeatMs > 0) b->setAutoRepeatInterval(repeatMs);
  return b;
}

}  // namespace lumora
