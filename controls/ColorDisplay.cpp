#include "controls/ColorDisplay.h"

#include <QColorDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

#include "controls/Fields.h"
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

std::optional<uint32_t> AskColor(QWidget* parent, uint32_t start) {
  const QColor c = QColorDialog::getColor(QColor(start & 0xFF, (start >> 8) & 0xFF, (start >> 16) & 0xFF), parent);
  if (!c.isValid()) return std::nullopt;
  return static_cast<uint32_t>(c.red() | c.green() << 8 | c.blue() << 16);
}

QGroupBox* SwatchGroup(const QString& title, const QString& name, uint32_t colour, TColorDisplay*& swatch,
                       QPushButton*& change) {
  swatch = new TColorDisplay(colour);
  swatch->setObjectName(name + QLatin1String("Dis"));
  change = Button((name + QLatin1String("Btn")).toLatin1().constData(), QStringLiteral("Change"));
  auto* group = new QGroupBox(title);
  auto* row = new QHBoxLayout(group);
  row->addWidget(swatch, 1);
  row->addWidget(change);
  return group;
}

}  // namespace lumora
