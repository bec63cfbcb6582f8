#include "app/DialogParts.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "controls/Fields.h"

namespace lumora {

std::optional<uint32_t> AskColor(QWidget* parent, uint32_t start) {
  const QColor c = QColorDialog::getColor(QColor(start & 0xFF, (start >> 8) & 0xFF, (start >> 16) & 0xFF), parent);
  if (!c.isValid()) return std::nullopt;
  return static_cast<uint32_t>(c.red() | c.green() << 8 | c.blue() << 16);
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

QSlider* Track(const char* name, int tickInterval, int value) {
  auto* track = new QSlider(Qt::Horizontal);
  track->setObjectName(QLatin1String(name));
  track->setRange(0, 100);
  track->setTickInterval(tickInterval);
  track->setTickPosition(QSlider::TicksBelow);
  track->setValue(value);
  return track;
}

QWidget* TrackWithEnds(QSlider* track, const QString& low, const QString& high) {
  return Stack({new QLabel(low), track, new QLabel(high)});
}

QLineEdit* ReadOnlyBox(const char* name, const QString& text) {
  QLineEdit* box = DisplayField(name);
  box->setText(text);
  box->setMaximumWidth(80);
  return box;
}

QPushButton* Button(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

void LayOutDialog(QDialog* dialog, QWidget* body, std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* b : buttons) row->addWidget(b);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(body);
  layout->addLayout(row);
}

void Present(QDialog* dialog) {
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

QGroupBox* FormGroup(const QString& title, std::initializer_list<std::pair<QString, QWidget*>> rows) {
  auto* group = new QGroupBox(title);
  auto* form = new QFormLayout(group);
  for (const auto& [caption, widget] : rows) form->addRow(caption, widget);
  return group;
}

namespace {

void AddAll(QWidget* parent, std::initializer_list<QWidget*> widgets, bool horizontal) {
  auto* layout = new QBoxLayout(horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, parent);
  for (QWidget* w : widgets) layout->addWidget(w);
}

}  // namespace

QWidget* Stack(std::initializer_list<QWidget*> widgets, bool horizontal) {
  auto* stack = new QWidget;
  AddAll(stack, widgets, horizontal);
  stack->layout()->setContentsMargins(0, 0, 0, 0);
  return stack;
}

QWidget* Page(std::initializer_list<QWidget*> widgets) {
  auto* page = new QWidget;
  AddAll(page, widgets, false);
  static_cast<QBoxLayout*>(page->layout())->addStretch();
  return page;
}

QGroupBox* RowGroup(const QString& title, std::initializer_list<QWidget*> widgets, bool horizontal) {
  auto* group = new QGroupBox(title);
  AddAll(group, widgets, horizontal);
  return group;
}

}  // namespace lumora
