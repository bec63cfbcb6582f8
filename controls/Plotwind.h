#pragma once
// A 2D plot panel: fits a world box into the panel (uniform scale, centred,
// y upwards, a free margin around it) and draws lines, polygons, markers,
// arrows and texts in world coordinates. The drawing calls are valid inside
// OnPaint, which runs after the panel has cleared itself.
// TPlotScroll holds a plot panel in a scroll box and zooms it.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "geometry/Vector.h"

class QPainter;

namespace lumora {

class TPlotWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TPlotWindow(QWidget* parent = nullptr);

  // Fits the box; plan shows (x, y), otherwise (x, z).
  void SetRange(bool plan, const T3DVector& minimum, const T3DVector& maximum);
  QPoint WorldToScreen(const T3DVector& v) const;
  // 'D' draws from the pen position to v, 'M' moves the pen there; any
  // other code does nothing.
  void PlotTo(char code, const T3DVector& v);
  void DrawPolygon(const std::vector<T3DVector>& vectors);
  void DrawMarker(const T3DVector& v);
  void DrawArrow(const T3DVector& from, const T3DVector& to);
  void TextAt(const QString& text, const T3DVector& v);
  void ClearPlot();

  // Pen, brush and font colour of the drawing calls (inside OnPaint).
  void SetPen(const QColor& colour, int width = 1);
  void SetBrush(const QColor& colour);
  void SetFontColor(const QColor& colour);
  // The painter of the paint in progress, or null outside one.
  QPainter* Canvas() const { return painter_; }

  double Scale() const { return scale_; }
  double XOffset() const { return xOffset_; }
  double YOffset() const { return yOffset_; }
  bool Plan() const { return plan_; }
  const T3DVector& RangeMin() const { return rangeMin_; }
  const T3DVector& RangeMax() const { return rangeMax_; }

  int BorderPercent = 5;
  bool DrawFrame = false;
  QColor FrameColor = Qt::black;
  std::function<void(TPlotWindow&)> OnPaint;
  std::function<void(TPlotWindow&, QPoint)> OnMouseMove;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QPainter* painter_ = nullptr;
  double scale_ = 1, xOffset_ = 0, yOffset_ = 0;
  bool plan_ = true;
  T3DVector rangeMin_{}, rangeMax_{};
  QPoint pen_{};
  QRect exposed_;
  QColor fontColor_ = Qt::black;
};

// The scroll box around a plot panel. Zoom grows or shrinks the panel by a
// factor, never below the visible area, keeping the scroll positions in
// proportion; ResetZoom (and every resize) makes it fill the box again.
class TPlotScroll : public QScrollArea {
  Q_OBJECT
 public:
  explicit TPlotScroll(TPlotWindow* plot, QWidget* parent = nullptr);
  void Zoom(double factor);
  void ResetZoom();
  TPlotWindow* Plot() const { return plot_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TPlotWindow* plot_;
};

}  // namespace lumora
