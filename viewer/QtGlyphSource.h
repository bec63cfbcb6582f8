#pragma once
// System-font glyphs for the scene's text: outlines from QRawFont (em = 1)
// and bitmaps drawn with QPainter. Needs a QGuiApplication for the font
// database; without one every build fails and text draws nothing.

#include "scene/GLFonts.h"

namespace lumora {

class TQtGlyphSource : public TGlyphSource {
 public:
  bool Outlines(const TFontDescription& font, std::vector<TOutlineGlyph>& glyphs) override;
  bool Bitmaps(const TFontDescription& font, std::vector<TBitmapGlyph>& glyphs) override;
};

// Installs a TQtGlyphSource unless some source is installed already.
void InstallQtGlyphSource();

}  // namespace lumora
