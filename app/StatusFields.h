#pragma once
// The main window's status bar fields: position, rotation, triangles,
// triangles and frames per second.

#include <QString>

class QLabel;
class QStatusBar;

namespace lumora {

// Fixed decimals with the locale's thousands separators (the C locale's
// ',' where the locale has none).
QString FormatThousands(double value, int decimals);

struct TStatusFields {
  // Adds the captions and fields to the bar, left to right.
  explicit TStatusFields(QStatusBar* bar);

  QLabel *DisPosX, *DisPosY, *DisPosZ;
  QLabel *YawDis, *PitchDis, *RollDis;
  QLabel *TriangleDis, *TPSDis, *FPSDis;
  QLabel* ViewKindDis;  // says when the view is held to an elevation
};

}  // namespace lumora
