#pragma once
// Text of the scene drawn with system-font glyphs: label sets (screen-aligned
// bitmap glyphs anchored at window or scene points) and solid 3D strings
// (extruded outline glyphs). The glyphs themselves come from a glyph source
// installed by the layer that owns the platform's fonts; the scene turns
// them into display lists.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vector.h"
#include "scene/GLRenderer.h"
#include "scene/LabelPlaces.h"
#include "scene/LabelThinning.h"
#include "scene/StrokeFont.h"

namespace lumora {

// A system font as the text objects describe it.
struct TFontDescription {
  std::string Name = "Arial";
  int Height = 16;
  bool Bold = true, Italic = false, Underline = false, StrikeOut = false;
  uint8_t CharSet = 0;
  uint8_t Pitch = 0;  // 0 default, 1 fixed, 2 variable
  uint32_t Color = 0xFF0000;

  bool operator==(const TFontDescription&) const = default;
};

// One outline glyph in em units (the em is 1.0), y up, the pen at the
// origin on the baseline. Contours are closed polygons.
struct TOutlineGlyph {
  std::vector<std::vector<T2DVector>> Contours;
  // Black-box width and height, glyph origin x and y (top-left of the
  // black box), advance x and y.
  std::array<float, 6> Metrics{};
};

// One bitmap glyph in glBitmap form: rows bottom to top, each row packed
// most significant bit first and padded to a byte; the origin is the pen
// position on the baseline measured from the bitmap's lower-left corner.
struct TBitmapGlyph {
  int Width = 0, Height = 0;
  float OriginX = 0, OriginY = 0;
  float AdvanceX = 0;
  std::vector<uint8_t> Bits;
};

class TGlyphSource {
 public:
  virtual ~TGlyphSource() = default;
  // Fill 256 glyphs, one per code 0 to 255; false when the font cannot
  // be made.
  virtual bool Outlines(const TFontDescription& font, std::vector<TOutlineGlyph>& glyphs) = 0;
  virtual bool Bitmaps(const TFontDescription& font, std::vector<TBitmapGlyph>& glyphs) = 0;
};

// The process's glyph source; none until a font-owning layer installs one,
// and then every glyph build fails and text draws nothing.
void SetGlyphSource(std::shared_ptr<TGlyphSource> source);
std::shared_ptr<TGlyphSource> GlyphSource();

// Lines of a text, split as ForEachLine splits them.
std::vector<std::string> SplitLines(const std::string& text);

class TGL3DFont {
 public:
  using FontEvent = std::function<void(TGL3DFont&)>;

  TGL3DFont() = default;
  TGL3DFont(const TGL3DFont& other) { Assign(other); }
  TGL3DFont& operator=(const TGL3DFont&) = delete;
  ~TGL3DFont();

  // Copies the description and extrusion; the lists are rebuilt later.
  void Assign(const TGL3DFont& other);
  // Builds the 256 glyph solids of `font` into the lists; needs a current
  // context. The second form uses the own description.
  bool BuildFont(const TFontDescription& font);
  bool BuildFont() { return BuildFont(Font); }

  bool Built = false;
  uint32_t ListBase = 0;
  std::array<std::array<float, 6>, 256> Metrics{};
  TFontDescription Font;
  double Extrusion = 0.2;
  FontEvent OnChange;
};

class TGL3DString : public TGLRenderer {
 public:
  TGL3DString();
  // From a template: its font, text, alignment, size and line settings.
  explicit TGL3DString(const TGL3DString& source);

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGL3DString>(); }
  void Assign(const TGLObject& source) override;
  void Render() override;
  uint32_t GetColor() const override { return Font.Font.Color; }
  void Clear() override;
  void SetColor(uint32_t colour) override;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool on);
  double LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(double spacing);

  double TextWidth(const std::string& text) const;
  // Builds the glyphs when needed (current context), then sizes the block.
  void Layout();
  // The block's size from the glyph metrics already there.
  void Measure();
  // Where line i of text t starts, relative to the object's origin.
  T2DVector LineOffset(int i, const std::string& t) const;

  uint8_t Alignment = 2;  // 0 left, 1 right, 2 centre
  T3DVector Size;
  double Width = 0, Height = 0;
  double LineHeight = 0;
  T3DVector MinCorner, MaxCorner;
  TGL3DFont Font;

 private:
  std::string text_;
  bool multiLine_ = true;
  double lineSpacing_ = 0.1;
};

class TGL2DString : public TGLRenderer {
 public:
  TGL2DString();
  ~TGL2DString() override;

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGL2DString>(); }
  void Render() override;

  int AddString(const std::string& text, const T3DVector& position, uint8_t mode, uint8_t rank = 0);
  void ClearStrings() {
    labels_.clear();
    places_.Invalidate();
  }
  // Room for n labels, so a big cave's labels are not copied as they come.
  void ReserveStrings(int n) { labels_.reserve(static_cast<size_t>(std::max(n, 0))); }
  int StringCount() const { return static_cast<int>(labels_.size()); }
  const std::string& Strings(int i) const { return labels_.at(i).Text; }
  const TGLStringInfo& StringInfo(int i) const { return labels_.at(i).Info; }

  const TFontDescription& Font() const { return font_; }
  void SetFont(const TFontDescription& font);
  // Compiles the bitmap glyphs of the font; needs a current context.
  void BuildFont();
  // Copies the renderer settings and the font; labels are not copied.
  void AssignString(const TGLObject& source);

  bool Built() const { return built_; }
  uint32_t ListBase() const { return listBase_; }

  // Labels placed at points (mode 2) are drawn by rank, then nearest
  // first, and one that would overlap a label already drawn is left out.
  bool HideOverlapping = false;
  // The window boxes (left, bottom, right, top) of the lines the last draw
  // placed at points, for checking the thinning.
  std::vector<std::array<double, 4>> DrawnBoxes;

  int Viewport[4] = {0, 0, 0, 0};
  TMatrix4 ModelviewMatrix = IdentityMatrix();
  TMatrix4 ProjectionMatrix = IdentityMatrix();

 private:
  void FontChanged();
  void BuildAtlas(const std::vector<TBitmapGlyph>& glyphs);
  // Queues the quads of one line whose pen starts at window (x, y).
  void AddLine(std::string_view line, double x, double y, double depth);
  double LineWidth(std::string_view line) const;

  std::vector<TGLLabel> labels_;
  bool built_ = false;
  uint32_t listBase_ = 0;
  TFontDescription font_{.Color = 0x00FF00};
  // The font the lists were made from; a build with the same font is
  // skipped.
  std::unique_ptr<TFontDescription> builtFont_;
  // The same glyphs packed into one alpha texture: a draw sends every
  // label's glyphs as textured quads in one call, which draws the pixels
  // the bitmap lists would at a small part of their cost.
  struct TAtlasGlyph {
    float x = 0, y = 0;  // lower-left texel
    int Width = 0, Height = 0;
    float OriginX = 0, OriginY = 0, AdvanceX = 0;
  };
  std::array<TAtlasGlyph, 256> atlas_{};
  uint32_t atlasTexture_ = 0;
  int atlasWidth_ = 1, atlasHeight_ = 1;
  std::vector<float> quads_;
  // Each draw's lines placed at points, kept for the next draw's use.
  TLabelPlaces places_;
  std::vector<TLabelSpot> spots_;
  std::vector<TLabelLine> spotLines_;
  std::array<float, 256> advances_{};
  TLabelThinning thinning_;
};

}  // namespace lumora
