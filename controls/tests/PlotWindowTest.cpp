#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

#include "controls/Plotwind.h"

namespace lumora {
namespace {

QColor At(const QImage& image, QPoint p) { return image.pixelColor(p); }

TPlotWindow* BlackPlot(int w, int h) {
  auto* plot = new TPlotWindow;
  QPalette p = plot->palette();
  p.setColor(QPalette::Window, Qt::black);
  plot->setPalette(p);
  plot->resize(w, h);
  return plot;
}

// A square of 100 by 100 world units fitted into panels of several shapes:
// the box is centred, scaled uniformly to the smaller ratio with the 5 %
// margin, y upwards; painting it lands on exactly the mapped pixels.
TEST(PlotWindow, SquareLandsOnTheBorderRule) {
  const T3DVector lo{-40, 10, 0}, hi{60, 110, 0};
  for (const QSize size : {QSize(200, 200), QSize(300, 200), QSize(200, 320), QSize(457, 123)}) {
    std::unique_ptr<TPlotWindow> plot(BlackPlot(size.width(), size.height()));
    plot->SetRange(true, lo, hi);
    const QPoint a = plot->WorldToScreen(lo), b = plot->WorldToScreen(hi);
    const int spanX = b.x() - a.x(), spanY = a.y() - b.y();
    EXPECT_GT(spanY, 0) << "y runs upwards";
    EXPECT_NEAR(spanX, spanY, 1) << "one scale for both axes";
    const int limit = std::min(size.width(), size.height());
    EXPECT_NEAR(spanX, 0.95 * limit, 1.0);
    // Centred: equal margins on both sides of both axes, but for the
    // rule's truncations and its one-pixel lift.
    EXPECT_NEAR(a.x(), size.width() - 1 - b.x(), 1.5);
    EXPECT_NEAR(b.y(), size.height() - 1 - a.y(), 3.5);
    EXPECT_DOUBLE_EQ(plot->Scale(), 0.95 * limit / 100);

    plot->OnPaint = [&](TPlotWindow& p) {
      p.SetRange(true, lo, hi);
      p.SetPen(Qt::white);
      p.PlotTo('M', lo);
      p.PlotTo('D', {hi.x, lo.y, 0});
      p.PlotTo('D', hi);
      p.PlotTo('X', {lo.x, hi.y, 0});  // not a line code: the pen stays
      p.PlotTo('D', {lo.x, hi.y, 0});
    };
    const QImage image = plot->grab().toImage();
    EXPECT_EQ(At(image, a), QColor(Qt::white));
    EXPECT_EQ(At(image, QPoint(b.x(), a.y())), QColor(Qt::white));
    EXPECT_EQ(At(image, b), QColor(Qt::white));
    // From the right top corner straight to the left top corner: the 'X'
    // drew nothing, and nothing was drawn down the left side.
    EXPECT_EQ(At(image, QPoint(a.x(), b.y())), QColor(Qt::white));
    EXPECT_EQ(At(image, QPoint(a.x(), (a.y() + b.y()) / 2)), QColor(Qt::black));
    EXPECT_EQ(At(image, QPoint(a.x() - 1, a.y())), QColor(Qt::black));
    EXPECT_EQ(At(image, QPoint((a.x() + b.x()) / 2, (a.y() + b.y()) / 2)), QColor(Qt::black));
  }
}

// Side views show (x, z); markers, arrows and polygons fill what they cover.
TEST(PlotWindow, ShapesAndSideView) {
  std::unique_ptr<TPlotWindow> plot(BlackPlot(200, 200));
  plot->SetRange(false, {0, -999, 0}, {100, 999, 100});
  EXPECT_EQ(plot->WorldToScreen({0, 5, 0}), plot->WorldToScreen({0, -5, 0}));
  EXPECT_LT(plot->WorldToScreen({0, 0, 100}).y(), plot->WorldToScreen({0, 0, 0}).y());
  QPoint marker, arrowTip, arrowBack, inside;
  plot->OnPaint = [&](TPlotWindow& p) {
    p.SetRange(false, {0, 0, 0}, {100, 0, 100});
    p.SetBrush(QColor(0, 0, 255));
    p.SetPen(QColor(0, 0, 255));
    p.DrawPolygon({{0, 0, 0}, {40, 0, 0}, {40, 0, 40}, {0, 0, 40}});
    inside = p.WorldToScreen({20, 0, 20});
    p.DrawMarker({70, 0, 70});
    marker = p.WorldToScreen({70, 0, 70});
    p.SetPen(Qt::green);
    p.SetBrush(Qt::yellow);
    p.DrawArrow({60, 0, 20}, {95, 0, 20});
    arrowTip = p.WorldToScreen({95, 0, 20});
    arrowBack = p.WorldToScreen({60, 0, 20});
  };
  const QImage image = plot->grab().toImage();
  EXPECT_EQ(At(image, inside), QColor(0, 0, 255));
  EXPECT_EQ(At(image, marker), QColor(255, 0, 0));
  // The head is 10 pixels long and 6 wide, filled with the brush.
  EXPECT_EQ(At(image, arrowTip - QPoint(6, 0)), QColor(Qt::yellow));
  EXPECT_EQ(At(image, arrowTip - QPoint(6, 4)), QColor(Qt::black));
  EXPECT_EQ(At(image, arrowBack + QPoint(3, 0)), QColor(Qt::green));
}

// Zoom grows by the factor, never shrinks below the visible area, and
// keeps the scroll positions in proportion.
TEST(PlotWindow, ZoomKeepsProportionAndFloor) {
  auto* plot = BlackPlot(10, 10);
  TPlotScroll scroll(plot);
  scroll.resize(300, 200);
  scroll.show();
  const QSize client = scroll.maximumViewportSize();
  EXPECT_EQ(plot->size(), client);
  int w = plot->width();
  for (int i = 0; i < 5; ++i) {
    scroll.Zoom(1.1);
    w = static_cast<int>(std::trunc(w * 1.1));
    EXPECT_EQ(plot->width(), w);
  }
  QApplication::processEvents();
  QScrollBar* h = scroll.horizontalScrollBar();
  h->setValue(h->maximum() / 2);
  const double ratio = double(h->value()) / plot->width();
  scroll.Zoom(1.1);
  EXPECT_NEAR(double(h->value()) / plot->width(), ratio, 2.0 / plot->width());
  for (int i = 0; i < 30; ++i) scroll.Zoom(0.9);
  EXPECT_EQ(plot->size(), client);
  scroll.Zoom(2);
  scroll.ResetZoom();
  EXPECT_EQ(plot->size(), client);
}

}  // namespace
}  // namespace lumora
