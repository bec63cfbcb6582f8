#pragma once
// A titled group of radio buttons with an item index.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace lumora {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& title, const QStringList& items, int index, QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);

 signals:
  void Clicked(int index);

 private:
  QButtonGroup* buttons_;
};

}  // namespace lumora
