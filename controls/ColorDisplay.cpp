#include "controls/ColorDisplay.h"

#include <QPainter>

namespace lumora {

TColorDisplay::TColorDisplay(uint32_t colour, QWidget* parent) : QFrame(parent), colour_(colour) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setMinimumSize(40, 20);
}

QColor TColorDisplay::SwatchColor() const {
  return QColor(colour_ & 0xFF, (colour_ >> 8) & 0xFF, (colour_ >> 16) & 0xFF);
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
