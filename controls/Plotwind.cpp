#include "controls/Plotwind.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumora {
namespace {

// trunc into an int; what is not a number, or is beyond an int, is pinned
// rather than left undefined.
int TruncInt(double v) {
  if (std::isnan(v)) return 0;
  constexpr double lo = std::numeric_limits<int>::min() / 2, hi = std::numeric_limits<int>::max() / 2;
  return static_cast<int>(std::trunc(std::clamp(v, lo, hi)));
}

double Second(bool plan, const T3DVector& v) { return plan ? v.y : v.z; }

}  // namespace

TPlotWindow::TPlotWindow(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPlotWindow::SetRange(bool plan, const T3DVector& minimum, const T3DVector& maximum) {
  plan_ = plan;
  rangeMin_ = minimum;
  rangeMax_ = maximum;
  const double dx = maximum.x - minimum.x, dy = Second(plan, maximum) - Second(plan, minimum);
  const double w = width(), h = height();
  const double m = 1 - BorderPercent / 100.0;
  double s = w > 0 && h / w * dx >= dy ? m * w / dx : m * h / dy;
  // A box of no size (one point) or an empty one has no scale to fit.
  if (!std::isfinite(s) || s <= 0) s = 1;
  scale_ = s;
  xOffset_ = TruncInt(s * minimum.x) - (width() - TruncInt(dx * s)) / 2;
  yOffset_ = TruncInt(s * Second(plan, minimum) + h) - (height() - TruncInt(dy * s)) / 2 - 1;
}

QPoint TPlotWindow::WorldToScreen(const T3DVector& v) const {
  return {TruncInt(scale_ * v.x - xOffset_), TruncInt(yOffset_ - scale_ * Second(plan_, v))};
}

void TPlotWindow::PlotTo(char code, const T3DVector& v) {
  if (code != 'D' && code != 'M') return;
  const QPoint p = WorldToScreen(v);
  if (code == 'D' && painter_) painter_->drawLine(pen_, p);
  pen_ = p;
}

void TPlotWindow::DrawPolygon(const std::vector<T3DVector>& vectors) {
  if (!painter_ || vectors.empty()) return;
  QPolygon poly;
  for (const T3DVector& v : vectors) poly << WorldToScreen(v);
  painter_->drawPolygon(poly);
}

void TPlotWindow::DrawMarker(const T3DVector& v) {
  if (!painter_) return;
  painter_->save();
  painter_->setPen(QPen(Qt::white, 1));
  painter_->setBrush(QColor(255, 0, 0));
  painter_->drawEllipse(WorldToScreen(v), 2, 2);
  painter_->restore();
}

void TPlotWindow::DrawArrow(const T3DVector& from, const T3DVector& to) {
  if (!painter_) return;
  const QPoint a = WorldToScreen(from), b = WorldToScreen(to);
  painter_->drawLine(a, b);
  const double dx = b.x() - a.x(), dy = b.y() - a.y(), len = std::hypot(dx, dy);
  if (len == 0) return;  // no direction for a head
  const double ux = dx / len, uy = dy / len;
  const QPointF tip(b);
  const QPointF base(tip.x() - 10 * ux, tip.y() - 10 * uy);
  const QPointF side(3 * uy, -3 * ux);
  painter_->drawPolygon(QPolygonF{{tip, base + side, base - side}});
}

void TPlotWindow::TextAt(const QString& text, const T3DVector& v) {
  if (!painter_) return;
  painter_->save();
  painter_->setBackgroundMode(Qt::OpaqueMode);
  painter_->setBackground(painter_->brush().color());
  painter_->setPen(fontColor_);
  painter_->drawText(WorldToScreen(v), text);
  painter_->restore();
}

void TPlotWindow::ClearPlot() {
  if (!painter_) return;
  painter_->fillRect(exposed_, palette().color(backgroundRole()));
}

void TPlotWindow::SetPen(const QColor& colour, int width) {
  if (painter_) painter_->setPen(QPen(colour, width));
}

void TPlotWindow::SetBrush(const QColor& colour) {
  if (painter_) painter_->setBrush(colour);
}

void TPlotWindow::SetFontColor(const QColor& colour) { fontColor_ = colour; }

void TPlotWindow::paintEvent(QPaintEvent* event) {
  // What the paint exposes: the part of a zoomed panel that the scroll box
  // shows, or all of it for a grab.
  exposed_ = event->rect();
  QPainter p(this);
  painter_ = &p;
  ClearPlot();
  if (DrawFrame) {
    const int mx = width() * BorderPercent / 100, my = height() * BorderPercent / 100;
    p.setPen(FrameColor);
    p.setBrush(Qt::NoBrush);
    p.drawRect(mx, my, width() - 2 * mx - 1, height() - 2 * my - 1);
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  fontColor_ = Qt::black;
  if (OnPaint) OnPaint(*this);
  painter_ = nullptr;
}

void TPlotWindow::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(*this, event->position().toPoint());
  QWidget::mouseMoveEvent(event);
}

TPlotScroll::TPlotScroll(TPlotWindow* plot, QWidget* parent) : QScrollArea(parent), plot_(plot) {
  setWidgetResizable(false);
  setWidget(plot);
  ResetZoom();
}

void TPlotScroll::ResetZoom() { plot_->resize(maximumViewportSize()); }

void TPlotScroll::Zoom(double factor) {
  const int w = plot_->width(), h = plot_->height();
  if (w <= 0 || h <= 0) return;
  QScrollBar* hb = horizontalScrollBar();
  QScrollBar* vb = verticalScrollBar();
  const double rx = double(hb->value()) / w, ry = double(vb->value()) / h;
  const QSize client = maximumViewportSize();
  const int nw = std::max(static_cast<int>(std::trunc(w * factor)), client.width());
  const int nh = std::max(static_cast<int>(std::trunc(h * factor)), client.height());
  plot_->resize(nw, nh);
  hb->setValue(static_cast<int>(std::trunc(nw * rx)));
  vb->setValue(static_cast<int>(std::trunc(nh * ry)));
}

void TPlotScroll::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  ResetZoom();
}

}  // namespace lumora
