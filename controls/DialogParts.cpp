#include "controls/DialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace lumora {

QWidget* LabelledRow(const QString& caption, QWidget* control, const QString& units) {
  return LabelledRow(caption, control, units.isEmpty() ? nullptr : new QLabel(units));
}

QWidget* LabelledRow(const QString& caption, QWidget* control, QWidget* after) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  if (!caption.isEmpty()) {
    auto* label = new QLabel(caption);
    label->setBuddy(control);
    layout->addWidget(label);
  }
  layout->addWidget(control, 1);
  if (after) layout->addWidget(after);
  return row;
}

QWidget* TrackWithEnds(QSlider* track, const QString& low, const QString& high) {
  return Stack({new QLabel(low), track, new QLabel(high)});
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

QWidget* Page(std::initializer_list<QWidget*> widgets, std::initializer_list<QWidget*> second) {
  auto* page = new QWidget;
  if (second.size() == 0) {
    AddAll(page, widgets, false);
    static_cast<QBoxLayout*>(page->layout())->addStretch();
    return page;
  }
  auto* columns = new QHBoxLayout(page);
  for (const auto& column : {widgets, second}) {
    auto* c = new QVBoxLayout;
    for (QWidget* w : column) c->addWidget(w);
    c->addStretch();
    columns->addLayout(c);
  }
  return page;
}

QGroupBox* RowGroup(const QString& title, std::initializer_list<QWidget*> widgets, bool horizontal) {
  auto* group = new QGroupBox(title);
  AddAll(group, widgets, horizontal);
  return group;
}

}  // namespace lumora
