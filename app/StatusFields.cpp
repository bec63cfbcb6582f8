#include "app/StatusFields.h"

#include <QLocale>
#include <QResizeEvent>
#include <QStatusBar>

#include <cmath>

namespace lumora {

QString FormatThousands(double value, int decimals) {
  // Asking the system for its locale costs more than the formatting.
  static const QLocale locale = [] {
    QLocale l;
    if (l.groupSeparator().isEmpty()) l = QLocale::c();
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return l;
  }();
  // A frame too short to time gives an infinite rate: nothing to show.
  if (!std::isfinite(value)) value = 0;
  return locale.toString(value, 'f', decimals);
}

QString FormatPlain(double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  return QString::number(value, 'f', decimals);
}

TElidedLabel::TElidedLabel() { setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); }

void TElidedLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Elide();
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void TElidedLabel::Elide() {
  const int room = contentsRect().width() - 2 * margin() - 4;
  setText(fontMetrics().horizontalAdvance(full_) <= room ? full_
                                                         : fontMetrics().elidedText(full_, Qt::ElideRight, room));
}

namespace {

QLabel* Field(QStatusBar* bar, const char* name, int minimumWidth) {
  auto* l = new QLabel;
  l->setObjectName(name);
  l->setMinimumWidth(minimumWidth);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bar->addWidget(l);
  return l;
}

void Caption(QStatusBar* bar, const char* text) { bar->addWidget(new QLabel(text)); }

}  // namespace

TStatusFields::TStatusFields(QStatusBar* bar) {
  Caption(bar, " Position:");
  DisPosX = Field(bar, "DisPosX", 60);
  DisPosY = Field(bar, "DisPosY", 60);
  DisPosZ = Field(bar, "DisPosZ", 60);
  Caption(bar, " Rotation:");
  YawDis = Field(bar, "YawDis", 50);
  PitchDis = Field(bar, "PitchDis", 50);
  RollDis = Field(bar, "RollDis", 50);
  Caption(bar, " Tris:");
  TriangleDis = Field(bar, "TriangleDis", 70);
  Caption(bar, " TPS:");
  TPSDis = Field(bar, "TPSDis", 90);
  Caption(bar, " FPS:");
  FPSDis = Field(bar, "FPSDis", 60);
  ViewKindDis = Field(bar, "ViewKindDis", 0);
  ViewKindDis->hide();
}

}  // namespace lumora
