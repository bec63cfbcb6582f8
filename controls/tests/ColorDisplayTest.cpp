#include "controls/ColorDisplay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QToolBox>
#include <QVBoxLayout>

namespace lumora {
namespace {

QColor Centre(QWidget& w) {
  const QImage image = w.grab().toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

// Swatches sit on the pages of a tool box in the window; what they show is
// read back from their own painting, not from what they were told.
TEST(ColorDisplayTest, ShowsItsColourAndFollowsChanges) {
  QToolBox box;
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* walls = new TColorDisplay(0x0000FF);  // red, red in the low byte
  auto* shots = new TColorDisplay(0xFF0000);  // blue
  layout->addWidget(walls);
  layout->addWidget(shots);
  box.addItem(page, "Colors");
  box.resize(200, 300);
  box.show();

  EXPECT_EQ(Centre(*walls), QColor(255, 0, 0));
  EXPECT_EQ(Centre(*shots), QColor(0, 0, 255));
  walls->SetColor(0x563412);
  EXPECT_EQ(walls->Color(), 0x563412u);
  EXPECT_EQ(Centre(*walls), QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(walls->SwatchColor(), QColor(0x12, 0x34, 0x56));
}

}  // namespace
}  // namespace lumora
