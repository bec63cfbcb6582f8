#include "scene/StrokeFont.h"

#include <cmath>
#include <mutex>

#include "scene/ResourceData.h"

namespace lumora {

namespace {

class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() {
    if (pos_ >= size_) throw EFontError("Invalid font data");
    return data_[pos_++];
  }
  uint16_t Word() {
    const uint8_t lo = Byte();
    return static_cast<uint16_t>(lo | Byte() << 8);
  }
  void Seek(size_t pos) {
    if (pos > size_) throw EFontError("Invalid font data");
    pos_ = pos;
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0;
};

// Bit 6 is the sign of a 7-bit two's complement number.
int32_t SevenBit(uint8_t b) {
  const int32_t v = b & 0x7F;
  return v & 0x40 ? v - 0x80 : v;
}

constexpr const char* kNames[kStrokeFontCount] = {"Roman",           "Roman Bold", "Roman Italic", "Sans-Serif",
                                                  "Sans-Serif Bold", "Small",      "Script",       "Gothic"};
constexpr const char* kFiles[kStrokeFontCount] = {"ROMAN", "ROMANB", "ROMANI", "SANS",
                                                  "SANSB", "SMALL",  "SCRIPT", "GOTHIC"};

const TFontItem* FontTable() {
  static const auto table = [] {
    std::vector<TFontItem> t;
    for (int i = 0; i < kStrokeFontCount; ++i) {
      TFontItem item{kNames[i], nullptr, 0};
      for (size_t k = 0; k < kEmbeddedFontCount; ++k)
        if (std::string_view(kEmbeddedFonts[k].Name) == kFiles[i]) {
          item.Data = kEmbeddedFonts[k].Data;
          item.Size = kEmbeddedFonts[k].Size;
        }
      t.push_back(item);
    }
    return t;
  }();
  return table.data();
}

std::shared_ptr<const TChrFontInfo> ParsedFont(int index) {
  static std::mutex lock;
  static std::shared_ptr<const TChrFontInfo> cache[kStrokeFontCount];
  const TFontItem& item = StrokeFontItem(index);
  std::lock_guard guard(lock);
  if (!cache[index]) {
    auto font = std::make_shared<TChrFontInfo>();
    font->Load(item.Data, item.Size);
    cache[index] = std::move(font);
  }
  return cache[index];
}

}  // namespace

void TChrFontInfo::Load(const uint8_t* data, size_t size) {
  TReader r(data, data ? size : 0);
  TChrFontInfo f;
  for (int i = 0; i < 8; ++i) r.Byte();
  for (uint8_t b = r.Byte(); b != 0x1A; b = r.Byte()) f.Description += static_cast<char>(b);
  f.HeaderSize = r.Word();
  for (int i = 0; i < 4; ++i) f.InternalName += static_cast<char>(r.Byte());
  f.DataSize = r.Word();
  const int major = r.Byte();
  const int minor = r.Byte();
  f.Version = std::to_string(major) + "." + std::to_string(minor);

  r.Seek(128);
  f.Signature = r.Byte();
  f.CharCount = r.Word();
  r.Byte();
  f.FirstChar = r.Byte();
  f.StrokeOffset = r.Word();
  f.ScanFlag = r.Byte();
  f.TopOfCapital = static_cast<int8_t>(r.Byte());
  f.Baseline = static_cast<int8_t>(r.Byte());
  f.BottomOfDescender = static_cast<int8_t>(r.Byte());
  for (int i = 0; i < 5; ++i) r.Byte();
  // Codes past 255 have no entry; their data is still read in step.
  const int n = f.CharCount, first = f.FirstChar;
  for (int i = 0; i < n; ++i) {
    const uint16_t o = r.Word();
    if (first + i < 256) f.Offsets[first + i] = o;
  }
  for (int i = 0; i < n; ++i) {
    const uint8_t w = r.Byte();
    if (first + i < 256) f.Widths[first + i] = w;
  }
  for (int c = first; c < first + n && c < 256; ++c) {
    if (f.Widths[c] == 0) continue;
    for (;;) {
      const uint8_t a = r.Byte(), b = r.Byte();
      const TStrokePoint p{SevenBit(a), SevenBit(b), static_cast<uint8_t>(2 * (a >> 7) + (b >> 7))};
      f.Strokes[c].push_back(p);
      if (p.op == 0) break;
    }
  }
  if (f.TopOfCapital - f.BottomOfDescender <= 0) throw EFontError("Invalid font data");
  f.Loaded = true;
  *this = std::move(f);
}

const TFontItem& StrokeFontItem(int index) {
  if (index < 0 || index >= kStrokeFontCount) throw EFontError("Invalid Font Index");
  return FontTable()[index];
}

TStrokeFont::TStrokeFont() {
  LoadFont(0);
  SetRotation(0, 0, 0);
}

void TStrokeFont::SetFont(std::shared_ptr<const TChrFontInfo> font) {
  font_ = std::move(font);
  fontHeight_ = font_->TopOfCapital - font_->BottomOfDescender;
  scale_ = 1.0 / fontHeight_;
}

void TStrokeFont::LoadFont(int index) { SetFont(ParsedFont(index)); }

void TStrokeFont::LoadFontData(const uint8_t* data, size_t size) {
  auto font = std::make_shared<TChrFontInfo>();
  font->Load(data, size);
  SetFont(std::move(font));
}

void TStrokeFont::SetRotation(double x, double y, double z) { Rotation = FromEuler(-x, y, z); }

void TStrokeFont::SetOrientation(const T3DVector& direction, double angle) {
  const TQuaternion q1 = RotationBetween(T3DVector{1, 0, 0}, direction);
  const TQuaternion q2 = FromAxisAngle(direction, angle);
  Rotation = QuaternionMultiply(q2, q1);
}

void TStrokeFont::DrawText(const T3DVector& position, std::string_view text) {
  Origin = position;
  Pen = position;
  column_ = 0;
  for (const char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c == 9) {
      // Tab stops every 8 columns, one space width per column.
      const double space = font_->Widths[32] * Size * scale_;
      do {
        Pen.x += space;
        ++column_;
      } while (column_ % 8 != 0);
    } else if (c == 10) {
      Pen.y -= Size;
    } else if (c == 13) {
      Pen.x = Origin.x;
      column_ = 0;
    } else {
      DrawChar(c);
    }
  }
}

void TStrokeFont::DrawChar(uint8_t c) {
  if (!font_ || !font_->Loaded) throw EFontError("No font loaded.");
  if (!LineDrawProc) throw EFontError("LineDrawProc not set");
  const TChrFontInfo& f = *font_;
  if (c < f.FirstChar || c >= f.FirstChar + f.CharCount) return;
  const double k = Size * scale_;
  const int width = static_cast<int>(std::nearbyint(Size));
  T3DVector last = Pen;
  for (const TStrokePoint& s : f.Strokes[c]) {
    const T3DVector local{s.x * k + Pen.x - Origin.x, s.y * k + Pen.y - Origin.y, Pen.z - Origin.z};
    const T3DVector p = Add(Origin, RotateVector(Rotation, local));
    if (s.op == 2) {
      last = p;
    } else if (s.op == 3) {
      if (!LineDrawProc) throw EFontError("LineDrawProc not set");
      LineDrawProc(last, p, Pen, width, Color);
      last = p;
    }
  }
  Pen.x += f.Widths[c] * k;
  ++column_;
}

}  // namespace lumora
