#pragma once
// A titled group of radio buttons with an item index, laid out in columns
// filled top to bottom.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace lumora {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  // `index` -1 checks no item.
  TRadioGroup(const char* name, const QString& title, const QStringList& items, int index, int columns = 1,
              QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const;
  int Count() const;

 signals:
  void Clicked(int index);

 private:
  QButtonGroup* buttons_;
};

}  // namespace lumora
