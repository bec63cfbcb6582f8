#pragma once
// Where windows open.

class QWidget;

namespace lumora {

// Puts a window in the middle of its screen.
void CentreOnScreen(QWidget* w);

}  // namespace lumora
