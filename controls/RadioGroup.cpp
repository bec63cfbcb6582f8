#include "controls/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>

namespace lumora {

TRadioGroup::TRadioGroup(const char* name, const QString& title, const QStringList& items, int index, int columns,
                         QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
  setObjectName(QLatin1String(name));
  auto* grid = new QGridLayout(this);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / std::max(columns, 1);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    buttons_->addButton(b, i);
    grid->addWidget(b, i % std::max(rows, 1), i / std::max(rows, 1));
  }
  SetItemIndex(index);
  connect(buttons_, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* b = buttons_->button(index)) b->setChecked(true);
}

QRadioButton* TRadioGroup::Item(int index) const { return qobject_cast<QRadioButton*>(buttons_->button(index)); }

int TRadioGroup::Count() const { return static_cast<int>(buttons_->buttons().size()); }

}  // namespace lumora
