#pragma once
// A dial holding a direction as two angles in degrees: yaw, kept in
// [0, 360), and pitch, held in [0, 180]. The direction is (0, 1, 0) turned
// by 360° − yaw in the x–y plane and then by pitch in the y–z plane.
//
// The face reads like a compass seen from the front: the needle's tip lies
// at (−x, y) of the direction, so a growing yaw turns it clockwise, and the
// tip is solid while the direction leans away (z < 0), hollow while it
// leans towards you. Dragging right turns the yaw up, dragging down the
// pitch, one degree a pixel; the arrow keys step by one degree, by ten with
// Shift.

#include <QWidget>

#include "geometry/Vector.h"

namespace lumora {

struct TDialAngles {
  double Yaw = 45, Pitch = 45;
};

// (sin θ, cos θ · cos p, −cos θ · sin p) with θ = 360° − yaw, p = pitch.
T3DVector DialVector(const TDialAngles& angles);
// The angles whose vector points the way of v. A zero or non-finite vector
// points nowhere: false, and the angles are left as they were.
bool DialAnglesOf(const T3DVector& v, TDialAngles& angles);

class TDirectionDial : public QWidget {
  Q_OBJECT
 public:
  explicit TDirectionDial(QWidget* parent = nullptr);

  double Yaw() const { return angles_.Yaw; }
  double Pitch() const { return angles_.Pitch; }
  // Wraps the yaw and holds the pitch in range; raises no Changing.
  void SetAngles(double yaw, double pitch);
  T3DVector Vector() const { return DialVector(angles_); }
  // Shows the direction of v; a vector without one leaves the dial as it
  // is. Raises no Changing.
  void SetVector(const T3DVector& v);

  QSize sizeHint() const override { return {96, 96}; }
  QSize minimumSizeHint() const override { return {48, 48}; }

 signals:
  // The user turned the dial.
  void Changing();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void TurnBy(double yaw, double pitch);
  void ShowAngles();

  TDialAngles angles_;
  QPointF last_;
};

}  // namespace lumora
