#pragma once
// How the dialogs lay out their controls: captioned rows, groups, pages
// and the row of buttons under a dialog's body.

#include <QString>

#include <initializer_list>
#include <utility>

class QDialog;
class QGroupBox;
class QPushButton;
class QSlider;
class QWidget;

namespace lumora {

// An optional caption (the control's buddy), the control taking the room
// left and an optional unit text, on one row without margins.
QWidget* LabelledRow(const QString& caption, QWidget* control, const QString& units = {});
// The same with a widget (a button, a unit label set later) after the control.
QWidget* LabelledRow(const QString& caption, QWidget* control, QWidget* after);
// The track between captions of its two ends.
QWidget* TrackWithEnds(QSlider* track, const QString& low, const QString& high);
// A group of captioned controls, one row each.
QGroupBox* FormGroup(const QString& title, std::initializer_list<std::pair<QString, QWidget*>> rows);
// The dialog's body above a row of buttons at the right.
void LayOutDialog(QDialog* dialog, QWidget* body, std::initializer_list<QPushButton*> buttons);
// Shows a modeless dialog in front, or brings it there.
void Present(QDialog* dialog);
// Widgets side by side (horizontal) or stacked, without margins, or in a
// titled group.
QWidget* Stack(std::initializer_list<QWidget*> widgets, bool horizontal = true);
// A tab page: the widgets at its top, in one column or two.
QWidget* Page(std::initializer_list<QWidget*> widgets, std::initializer_list<QWidget*> second = {});
QGroupBox* RowGroup(const QString& title, std::initializer_list<QWidget*> widgets, bool horizontal = true);

}  // namespace lumora
