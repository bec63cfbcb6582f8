// The kit's builders: what a dialog gets from one call.

#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <memory>
#include <vector>

#include "controls/ColorDisplay.h"
#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "controls/RadioGroup.h"

namespace lumora {
namespace {

// Items fill the columns top to bottom; a column holds at most ceil(n / columns).
TEST(KitTest, RadioGroupFillsColumnsTopToBottom) {
  struct Case {
    int items, columns;
    std::vector<std::pair<int, int>> cells;  // row, column of each item
  };
  const Case cases[] = {
      {3, 1, {{0, 0}, {1, 0}, {2, 0}}},
      {5, 2, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}}},
      {3, 3, {{0, 0}, {0, 1}, {0, 2}}},
      {5, 5, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}},
  };
  for (const Case& c : cases) {
    QStringList items;
    for (int i = 0; i < c.items; ++i) items << QString::number(i);
    TRadioGroup group("SomeRadio", "Title", items, 1, c.columns);
    EXPECT_EQ(group.objectName(), "SomeRadio");
    ASSERT_EQ(group.Count(), c.items);
    auto* grid = qobject_cast<QGridLayout*>(group.layout());
    ASSERT_NE(grid, nullptr);
    for (int i = 0; i < c.items; ++i) {
      int row, column, rowSpan, columnSpan;
      grid->getItemPosition(grid->indexOf(group.Item(i)), &row, &column, &rowSpan, &columnSpan);
      EXPECT_EQ(std::pair(row, column), c.cells[i]) << c.items << " items in " << c.columns << ", item " << i;
    }
    EXPECT_EQ(group.ItemIndex(), 1);
  }
}

TEST(KitTest, RadioGroupIndexAndClicks) {
  TRadioGroup none("R", "T", {"a", "b", "c"}, -1);
  EXPECT_EQ(none.ItemIndex(), -1);
  none.SetItemIndex(7);  // no such item: nothing changes
  EXPECT_EQ(none.ItemIndex(), -1);
  std::vector<int> clicked;
  QObject::connect(&none, &TRadioGroup::Clicked, [&](int index) { clicked.push_back(index); });
  none.Item(2)->click();
  EXPECT_EQ(none.ItemIndex(), 2);
  none.SetItemIndex(0);  // set by the program: no click
  EXPECT_EQ(none.ItemIndex(), 0);
  EXPECT_EQ(clicked, std::vector<int>{2});
}

TEST(KitTest, TracksAndSpinsTakeRangeFirst) {
  struct Case {
    int ticks, value, minimum, maximum, shown;
    QSlider::TickPosition position;
  };
  for (const Case& c : {Case{10, 50, 0, 100, 50, QSlider::TicksBelow}, Case{0, 300, 0, 255, 255, QSlider::NoTicks},
                        Case{5, 0, 1, 100, 1, QSlider::TicksBelow}}) {
    std::unique_ptr<QSlider> track(Track("T", c.ticks, c.value, c.minimum, c.maximum));
    EXPECT_EQ(track->value(), c.shown);
    EXPECT_EQ(track->tickPosition(), c.position);
    EXPECT_EQ(track->orientation(), Qt::Horizontal);
  }
  // A value outside the old default range survives because the range comes first.
  std::unique_ptr<QSpinBox> spin(IntSpin("S", 1000, 5000, 2500));
  EXPECT_EQ(spin->value(), 2500);
}

TEST(KitTest, LabelledRowAndTwoColumnPage) {
  auto* control = new QSpinBox;
  auto* after = new QPushButton("Change");
  std::unique_ptr<QWidget> row(LabelledRow("Caption", control, after));
  const auto labels = row->findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0]->buddy(), control);
  EXPECT_EQ(row->layout()->indexOf(after), 2);
  std::unique_ptr<QWidget> bare(LabelledRow({}, new QSpinBox, QString()));
  EXPECT_TRUE(bare->findChildren<QLabel*>().isEmpty());

  auto *a = new QLabel("a"), *b = new QLabel("b"), *c = new QLabel("c");
  std::unique_ptr<QWidget> page(Page({a, b}, {c}));
  auto* columns = qobject_cast<QHBoxLayout*>(page->layout());
  ASSERT_NE(columns, nullptr);
  ASSERT_EQ(columns->count(), 2);
  EXPECT_GE(columns->itemAt(0)->layout()->indexOf(b), 0);
  EXPECT_GE(columns->itemAt(1)->layout()->indexOf(c), 0);
  EXPECT_LT(columns->itemAt(1)->layout()->indexOf(a), 0);
}

TEST(KitTest, SwatchGroupNamesItsParts) {
  TColorDisplay* swatch = nullptr;
  QPushButton* change = nullptr;
  std::unique_ptr<QGroupBox> group(SwatchGroup("Walls", "WallColor", 0x0000FF, swatch, change));
  ASSERT_TRUE(swatch && change);
  EXPECT_EQ(swatch->objectName(), "WallColorDis");
  EXPECT_EQ(change->objectName(), "WallColorBtn");
  EXPECT_EQ(swatch->Color(), 0x0000FFu);
  EXPECT_EQ(group->title(), "Walls");
  EXPECT_FALSE(change->autoDefault());
}

}  // namespace
}  // namespace lumora
