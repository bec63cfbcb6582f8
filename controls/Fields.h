#pragma once
// The single controls the dialogs build alike, named and set up in one
// call; controls/DialogParts.h lays them out.

#include <QString>

#include <cstdint>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace lumora {

// A read-only box showing a figure; it takes no focus.
QLineEdit* DisplayField(const char* name);
// A display field 80 pixels wide at most, showing `text`.
QLineEdit* ReadOnlyBox(const char* name, const QString& text = {});

QDoubleSpinBox* RealSpin(const char* name, double minimum, double maximum, double step, int decimals, double value);
QSpinBox* IntSpin(const char* name, int minimum, int maximum, int value);

// A horizontal track, with ticks below it unless `tickInterval` is 0.
QSlider* Track(const char* name, int tickInterval, int value, int minimum = 0, int maximum = 100);

QCheckBox* CheckBox(const char* name, const QString& caption, bool checked = false);

// A push button that Enter in the dialog does not press.
QPushButton* Button(const char* name, const QString& caption);

// A tool button showing a glyph, with the hint as its tip and accessible
// name; held down it repeats every `repeatMs` milliseconds, 0 for never.
QToolButton* ToolButton(const char* name, const QString& glyph, const QString& hint, int repeatMs = 0);

}  // namespace lumora
