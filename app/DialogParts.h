#pragma once
// Named controls for the display dialogs, set up as their forms have them,
// and the boxes and rows that hold them.

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

class QDialog;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

namespace lumora {

// The colour dialog started from a platform colour (red in the low byte);
// the chosen colour, or none when cancelled.
std::optional<uint32_t> AskColor(QWidget* parent, uint32_t start);

QDoubleSpinBox* RealSpin(const char* name, double minimum, double maximum, double step, int decimals, double value);
// A horizontal track from 0 to 100 with ticks below it.
QSlider* Track(const char* name, int tickInterval, int value);
// The track between captions of its two ends.
QWidget* TrackWithEnds(QSlider* track, const QString& low, const QString& high);
// A box that shows a value and takes no input.
QLineEdit* ReadOnlyBox(const char* name, const QString& text = {});
QPushButton* Button(const char* name, const QString& caption);
// A group of captioned controls, one row each.
QGroupBox* FormGroup(const QString& title, std::initializer_list<std::pair<QString, QWidget*>> rows);
// The dialog's body above a row of buttons at the right.
void LayOutDialog(QDialog* dialog, QWidget* body, std::initializer_list<QPushButton*> buttons);
// Shows a modeless dialog in front, or brings it there.
void Present(QDialog* dialog);
// Widgets side by side (horizontal) or stacked, without margins, or in a
// titled group.
QWidget* Stack(std::initializer_list<QWidget*> widgets, bool horizontal = true);
// A tab page: the widgets at its top.
QWidget* Page(std::initializer_list<QWidget*> widgets);
QGroupBox* RowGroup(const QString& title, std::initializer_list<QWidget*> widgets, bool horizontal = true);

}  // namespace lumora
