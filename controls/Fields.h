#pragma once
// Small controls the dialogs build alike.

class QLineEdit;

namespace lumora {

// A read-only box showing a figure; it takes no focus.
QLineEdit* DisplayField(const char* name);

}  // namespace lumora
