#include "controls/ColorDisplay.h"

#include <QPainter>

#include "geometry/GLMatrix.h"

namespace lumora {

TColorDisplay::TColorDisplay(uint32_t colour, QWidget* parent) : QFrame(parent), colour_(colour) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setMinimumSize(40, 20);
}

QColor TColorDisplay::SwatchColor() const {
  const TColorBytes b = UnpackColor(colour_);
  return QColor(static_cast<int>(b.R), static_cast<int>(b.G), static_cast<int>(b.B));
}

void TColorDisplay::SetColor(uint32_t colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void TColorDisplay::paintEvent(QPaintEvent* event) {
  {
    QPainter p(this);
    p.fillRect(contentsRect(), SwatchColor());
  }
  QFrame::paintEvent(event);
}

}  // namespace lumora
