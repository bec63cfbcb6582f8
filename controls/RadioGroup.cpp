#include "controls/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumora {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int index, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
  auto* l = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i]);
    buttons_->addButton(b, i);
    l->addWidget(b);
  }
  SetItemIndex(index);
  connect(buttons_, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* b = buttons_->button(index)) b->setChecked(true);
}

}  // namespace lumora
