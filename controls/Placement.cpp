#include "controls/Placement.h"

#include <QScreen>
#include <QWidget>

namespace lumora {

void CentreOnScreen(QWidget* w) {
  if (const QScreen* s = w->screen()) w->move(s->availableGeometry().center() - w->rect().center());
}

}  // namespace lumora
