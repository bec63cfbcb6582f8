#include "controls/Fields.h"

#include <QLineEdit>

namespace lumora {

QLineEdit* DisplayField(const char* name) {
  auto* box = new QLineEdit;
  box->setObjectName(name);
  box->setReadOnly(true);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

}  // namespace lumora
