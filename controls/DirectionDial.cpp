#include "controls/DirectionDial.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumora {
namespace {

constexpr double kRadian = std::numbers::pi / 180;

double WrapYaw(double yaw) {
  double y = std::fmod(yaw, 360.0);
  if (y < 0) y += 360;
  return y >= 360 ? 0 : y;  // -tiny + 360 rounds to 360
}

}  // namespace

T3DVector DialVector(const TDialAngles& angles) {
  const double theta = (360 - angles.Yaw) * kRadian, p = angles.Pitch * kRadian;
  return {std::sin(theta), std::cos(theta) * std::cos(p), -std::cos(theta) * std::sin(p)};
}

bool DialAnglesOf(const T3DVector& v, TDialAngles& angles) {
  const double length = Length(v);
  if (!std::isfinite(length) || length == 0) return false;
  const T3DVector n = Scale(v, 1 / length);
  // y and z give the pitch and the size of cos θ; a pitch past the ends of
  // 0..180 is the same direction with cos θ negative.
  double pitch = std::atan2(-n.z, n.y) / kRadian;
  double c = std::hypot(n.y, n.z);
  if (pitch < 0) {
    pitch += 180;
    c = -c;
  }
  const double theta = std::atan2(n.x, c) / kRadian;
  angles.Yaw = WrapYaw(360 - theta);
  angles.Pitch = std::clamp(pitch, 0.0, 180.0);
  return true;
}

TDirectionDial::TDirectionDial(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  ShowAngles();
}

void TDirectionDial::SetAngles(double yaw, double pitch) {
  if (!std::isfinite(yaw) || !std::isfinite(pitch)) return;
  angles_.Yaw = WrapYaw(yaw);
  angles_.Pitch = std::clamp(pitch, 0.0, 180.0);
  ShowAngles();
}

void TDirectionDial::SetVector(const T3DVector& v) {
  if (DialAnglesOf(v, angles_)) ShowAngles();
}

void TDirectionDial::TurnBy(double yaw, double pitch) {
  const TDialAngles before = angles_;
  SetAngles(angles_.Yaw + yaw, angles_.Pitch + pitch);
  if (angles_.Yaw != before.Yaw || angles_.Pitch != before.Pitch) emit Changing();
}

void TDirectionDial::ShowAngles() {
  const QString text =
      QStringLiteral("Yaw %1\u00b0, pitch %2\u00b0").arg(angles_.Yaw, 0, 'f', 1).arg(angles_.Pitch, 0, 'f', 1);
  setToolTip(text);
  setAccessibleDescription(text);
  update();
}

void TDirectionDial::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(width() / 2.0, height() / 2.0);
  const double r = std::max(4.0, std::min(width(), height()) / 2.0 - 5);
  p.setPen(QPen(palette().color(QPalette::Mid), 1));
  p.setBrush(palette().color(QPalette::Base));
  p.drawEllipse(c, r, r);
  // Ticks every 45 degrees round the rim, and the cross through the middle.
  for (int k = 0; k < 8; ++k) {
    const double a = k * 45 * kRadian;
    const QPointF d(std::sin(a), -std::cos(a));
    p.drawLine(c + d * (r * (k % 2 ? 0.9 : 0.8)), c + d * r);
  }
  p.setPen(QPen(palette().color(QPalette::Midlight), 1, Qt::DotLine));
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));

  const T3DVector v = Vector();
  const QPointF tip(c.x() - r * v.x, c.y() - r * v.y);
  const QColor needle = palette().color(QPalette::Highlight);
  p.setPen(QPen(needle, 2));
  p.drawLine(c, tip);
  p.setBrush(v.z < 0 ? needle : palette().color(QPalette::Base));
  p.drawEllipse(tip, 4, 4);
  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TDirectionDial::mousePressEvent(QMouseEvent* event) {
  last_ = event->position();
  QWidget::mousePressEvent(event);
}

void TDirectionDial::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  const QPointF d = event->position() - last_;
  last_ = event->position();
  TurnBy(d.x(), d.y());
}

void TDirectionDial::keyPressEvent(QKeyEvent* event) {
  const double step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
  switch (event->key()) {
    case Qt::Key_Left:
      return TurnBy(-step, 0);
    case Qt::Key_Right:
      return TurnBy(step, 0);
    case Qt::Key_Up:
      return TurnBy(0, -step);
    case Qt::Key_Down:
      return TurnBy(0, step);
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace lumora
