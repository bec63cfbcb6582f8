#pragma once
// The main window's status bar fields: position, rotation, triangles,
// triangles and frames per second.

#include <QLabel>
#include <QString>

class QStatusBar;

namespace lumora {

// Fixed decimals with the locale's thousands separators (the C locale's
// ',' where the locale has none).
QString FormatThousands(double value, int decimals);

// Fixed decimals, '.' and no thousands separators.
QString FormatPlain(double value, int decimals);

// A label that takes what width it is given and shows as much of its text
// as fits, with an ellipsis where it is cut; the whole text is its tooltip.
class TElidedLabel : public QLabel {
 public:
  TElidedLabel();
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  QString full_;
};

struct TStatusFields {
  // Adds the captions and fields to the bar, left to right.
  explicit TStatusFields(QStatusBar* bar);

  QLabel *DisPosX, *DisPosY, *DisPosZ;
  QLabel *YawDis, *PitchDis, *RollDis;
  QLabel *TriangleDis, *TPSDis, *FPSDis;
  QLabel* ViewKindDis;  // says when the view is held to an elevation
};

}  // namespace lumora
