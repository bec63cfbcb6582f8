#pragma once
// A swatch showing a platform colour (0x00BBGGRR). It paints the colour
// itself, so no style or inherited palette can leave it blank.

#include <QFrame>

#include <cstdint>
#include <optional>

class QGroupBox;
class QPushButton;

namespace lumora {

class TColorDisplay : public QFrame {
  Q_OBJECT
 public:
  explicit TColorDisplay(uint32_t colour, QWidget* parent = nullptr);
  uint32_t Color() const { return colour_; }
  void SetColor(uint32_t colour);
  // The colour as Qt gives it, red first.
  QColor SwatchColor() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  uint32_t colour_;
};

// The colour dialog started from a platform colour; the chosen colour, or
// none when cancelled.
std::optional<uint32_t> AskColor(QWidget* parent, uint32_t start);

// A titled group: the swatch `name`Dis beside its "Change" button `name`Btn.
QGroupBox* SwatchGroup(const QString& title, const QString& name, uint32_t colour, TColorDisplay*& swatch,
                       QPushButton*& change);

}  // namespace lumora
