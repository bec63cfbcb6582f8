#pragma once
// Stroke text: the eight built-in BGI stroked fonts, parsed, and a text
// turned into line segments handed to a callback. Draws nothing itself.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/Vector.h"

namespace lumora {

class EFontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TStrokePoint {
  int32_t x = 0, y = 0;
  uint8_t op = 0;  // 0 end of character, 1 ignored, 2 move, 3 draw
};

using TStrokeArray = std::vector<TStrokePoint>;

class TChrFontInfo {
 public:
  // Parses a BGI stroked-font file. Throws EFontError("Invalid font data")
  // when it is cut short or has no height; this object is then unchanged.
  void Load(const uint8_t* data, size_t size);

  bool Loaded = false;
  std::string Description;
  uint16_t HeaderSize = 0;
  std::string InternalName;
  uint16_t DataSize = 0;
  std::string Version;
  uint8_t Signature = 0;
  uint16_t CharCount = 0;
  uint8_t FirstChar = 0;
  uint16_t StrokeOffset = 0;
  uint8_t ScanFlag = 0;
  int8_t TopOfCapital = 0, Baseline = 0, BottomOfDescender = 0;
  uint16_t Offsets[256] = {};
  uint8_t Widths[256] = {};
  TStrokeArray Strokes[256];
};

struct TFontItem {
  const char* Name;
  const unsigned char* Data;
  size_t Size;
};

constexpr int kStrokeFontCount = 8;
// The built-in fonts, indexed 0 to 7; throws EFontError("Invalid Font
// Index") outside that range.
const TFontItem& StrokeFontItem(int index);

// from, to: the segment; pen: the current pen; width: Size rounded.
using TLineDrawProc =
    std::function<void(const T3DVector& from, const T3DVector& to, const T3DVector& pen, int width, uint32_t colour)>;

class TStrokeFont {
 public:
  TStrokeFont();

  void LoadFont(int index);
  // A font from outside the table (tests, other files).
  void LoadFontData(const uint8_t* data, size_t size);
  void SetRotation(double x, double y, double z);
  void SetOrientation(const T3DVector& direction, double angle);
  void DrawText(const T3DVector& position, std::string_view text);

  const TChrFontInfo& Font() const { return *font_; }
  int FontHeight() const { return fontHeight_; }
  double FontScale() const { return scale_; }

  TLineDrawProc LineDrawProc;
  TQuaternion Rotation = IdentityQuaternion();
  T3DVector Origin, Pen;
  double Size = 1.0;
  uint32_t Color = 0x00FF00;

 private:
  void SetFont(std::shared_ptr<const TChrFontInfo> font);
  void DrawChar(uint8_t c);

  // Parsed fonts are shared: every line set owns a stroke font.
  std::shared_ptr<const TChrFontInfo> font_;
  double scale_ = 1;
  int fontHeight_ = 1;
  int column_ = 0;
};

}  // namespace lumora
