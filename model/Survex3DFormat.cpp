#include "model/Survex3DFormat.h"

#include <algorithm>
#include <new>
#include <random>

namespace lumora {
namespace {

constexpr std::string_view kFirstLine = "Survex 3D Image File\n";
constexpr uint64_t kMersenne61 = (uint64_t{1} << 61) - 1;

uint64_t MulMod(uint64_t a, uint64_t b) {
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  uint64_t r = (static_cast<uint64_t>(p) & kMersenne61) + static_cast<uint64_t>(p >> 61);
  return r >= kMersenne61 ? r - kMersenne61 : r;
}

uint64_t HashBase() {
  static const uint64_t base = [] {
    std::random_device seed;
    const uint64_t r = (static_cast<uint64_t>(seed()) << 32) ^ seed();
    return (r % (kMersenne61 - (1u << 20))) + (1u << 20);
  }();
  return base;
}

// Days since 1900-01-01 of a Unix time, as versions 4 to 6 give dates.
int32_t DayOfUnixTime(uint32_t seconds) {
  constexpr int64_t kDays1900To1970 = 25567;
  const int64_t t = static_cast<int32_t>(seconds);
  return static_cast<int32_t>((t >= 0 ? t / 86400 : (t - 86399) / 86400) + kDays1900To1970);
}

}  // namespace

uint64_t HashOf(const TCm& p) {
  uint64_t h = static_cast<uint32_t>(p.x) * 0x9E3779B97F4A7C15ull;
  h ^= (static_cast<uint64_t>(static_cast<uint32_t>(p.y)) + (h << 6) + (h >> 2)) * 0xC2B2AE3D27D4EB4Full;
  h ^= (static_cast<uint64_t>(static_cast<uint32_t>(p.z)) + (h << 6) + (h >> 2)) * 0x165667B19E3779F9ull;
  return h ^ (h >> 29);
}

namespace {

uint64_t HashStep(uint64_t h, char c) {
  h = MulMod(h, HashBase()) + static_cast<uint8_t>(c) + 1;
  return h >= kMersenne61 ? h - kMersenne61 : h;
}

}  // namespace

TLabelKey LabelKeyOf(std::string_view text) {
  uint64_t h = 0;
  for (const char c : text) h = HashStep(h, c);
  return {h, static_cast<uint32_t>(text.size())};
}

T3DLabel::T3DLabel(bool keyed) : hash_(1, 0), keyed_(keyed) {}

size_t T3DLabel::TakeShortest() {
  const size_t s = shortest_;
  shortest_ = text_.size();
  return s;
}

void T3DLabel::Append(std::string_view bytes) {
  if (text_.size() + bytes.size() > UINT32_MAX) throw std::bad_alloc();
  if (!keyed_) {
    text_.append(bytes);
    return;
  }
  uint64_t h = hash_.back();
  for (const char c : bytes) {
    if (c == separator_) separators_.push_back(static_cast<uint32_t>(text_.size()));
    text_.push_back(c);
    hash_.push_back(h = HashStep(h, c));
  }
}

void T3DLabel::Resize(size_t length) {
  text_.resize(length);
  shortest_ = std::min(shortest_, length);
  if (!keyed_) return;
  hash_.resize(length + 1);
  while (!separators_.empty() && separators_.back() >= length) separators_.pop_back();
}

void T3DScanner::Fail(const std::string& what, size_t offset) const {
  throw E3DRead(file_ + " " + what + " (at byte " + std::to_string(offset) + ")", offset);
}

uint32_t T3DScanner::UInt(int bytes) {
  Need(static_cast<size_t>(bytes));
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(data_[p_ + i])) << (8 * i);
  p_ += static_cast<size_t>(bytes);
  return v;
}

void T3DScanner::ReadPosition(TCm& p) {
  Need(12);
  p.x = Int32();
  p.y = Int32();
  p.z = Int32();
}

std::string_view T3DScanner::Line() {
  const size_t lf = data_.find('\n', p_);
  if (lf == std::string_view::npos) Truncated();
  const std::string_view line = data_.substr(p_, lf - p_);
  p_ = lf + 1;
  return line;
}

void T3DScanner::ReadHeader() {
  if (data_.substr(0, kFirstLine.size()) != kFirstLine) Fail("is not a Survex .3d file", 0);
  p_ = kFirstLine.size();
  const size_t versionAt = p_;
  const std::string_view version = Line();
  if (version.size() != 2 || version[0] != 'v' || version[1] < '3' || version[1] > '8')
    Fail("has .3d format version \"" + std::string(version.substr(0, 20)) + "\"; only versions 3 to 8 can be read",
         versionAt);
  Version = version[1] - '0';
  if (Version < 8) {
    Title = Line();
    Line();  // the time in words
    label_.SetSeparator(Separator);
    return;
  }
  const std::string_view meta = Line();
  for (size_t start = 0, field = 0; start <= meta.size() && field < 3; ++field) {
    size_t nul = meta.find('\0', start);
    if (nul == std::string_view::npos) nul = meta.size();
    const std::string_view item = meta.substr(start, nul - start);
    if (field == 0) Title = item;
    if (field == 1) CoordinateSystem = item;
    if (field == 2 && !item.empty()) Separator = item[0];
    start = nul + 1;
  }
  Line();  // the timestamp
  ExtendedElevation = (Byte() & 0x80) != 0;
  label_.SetSeparator(Separator);
}

bool T3DScanner::Next(T3DItem& item) {
  item.NoSurvey = false;
  return Version == 8 ? NextVersion8(item) : NextOlder(item);
}

void T3DScanner::Dimensions(T3DItem& item, uint8_t code) {
  item.Kind = T3DItemKind::CrossSection;
  item.EndsPassage = (code & 1) != 0;
  const bool wide = (code & 2) != 0;
  for (int32_t& d : item.Dims) {
    const uint32_t raw = UInt(wide ? 4 : 2);
    d = raw == (wide ? 0xffffffffu : 0xffffu) ? kMissingDimension
                                              : (wide ? static_cast<int32_t>(raw) : static_cast<int16_t>(raw));
  }
}

void T3DScanner::Drop(size_t n, size_t at) {
  if (n > label_.Size())
    Fail("drops " + std::to_string(n) + " bytes of a " + std::to_string(label_.Size()) + "-byte label", at);
  label_.Resize(label_.Size() - n);
}

void T3DScanner::AppendFromFile(size_t n) {
  Need(n);
  label_.Append(data_.substr(p_, n));
  p_ += n;
}

size_t T3DScanner::Count() {
  const uint8_t n = Byte();
  return n == 255 ? UInt(4) : n;
}

void T3DScanner::LabelChange() {
  const size_t at = p_;
  size_t drop, add;
  if (const uint8_t b = Byte(); b != 0) {
    drop = b >> 4;
    add = b & 15;
  } else {
    drop = Count();
    add = Count();
  }
  Drop(drop, at);
  AppendFromFile(add);
}

bool T3DScanner::NextVersion8(T3DItem& item) {
  while (true) {
    itemAt_ = p_;
    const uint8_t code = Byte();
    if (code <= 0x04) {
      // A file without legs may never set the style, so its end mark can
      // be the first normal style item, at the very end.
      if (code == 0 && (style_ == 0 || p_ == data_.size())) return false;
      style_ = code;
      continue;
    }
    if (code == 0x0f) {
      item.Kind = T3DItemKind::Move;
      ReadPosition(item.Position);
      return true;
    }
    if (code >= 0x10 && code <= 0x13) {
      item.Kind = T3DItemKind::Date;
      item.FirstDay = item.LastDay = code == 0x10 ? kNoDay : static_cast<int32_t>(UInt(2));
      if (code == 0x12) item.LastDay = item.FirstDay + Byte();
      if (code == 0x13) item.LastDay = static_cast<int32_t>(UInt(2));
      return true;
    }
    if (code == 0x1f) {
      item.Kind = T3DItemKind::TraverseError;
      for (int32_t& v : item.Values) v = Int32();
      return true;
    }
    if (code >= 0x30 && code <= 0x33) {
      LabelChange();
      Dimensions(item, code);
      return true;
    }
    if (code >= 0x40 && code <= 0x7f) {
      item.Kind = T3DItemKind::Leg;
      item.Flags = code & 0x1f;
      if (!(code & 0x20)) LabelChange();
      ReadPosition(item.Position);
      // Legs before any style item are drawn in the normal style, but the
      // style stays unknown: a writer that gave none ends with a style
      // item and the end mark.
      item.NoSurvey = style_ == 4;
      return true;
    }
    if (code >= 0x80) {
      item.Kind = T3DItemKind::Station;
      item.Flags = code & 0x7f;
      LabelChange();
      ReadPosition(item.Position);
      return true;
    }
    Fail("holds the reserved item code " + std::to_string(code), itemAt_);
  }
}

size_t T3DScanner::OlderLength() {
  const uint8_t n = Byte();
  if (n == 254) return 254 + UInt(2);
  return n == 255 ? UInt(4) : n;
}

// Drops the last 16 bytes, then everything after the `levels`-th
// separator before them.
void T3DScanner::TrimToSeparator(int levels, size_t at) {
  const std::string_view text = label_.Text();
  if (text.size() < 16) Drop(16, at);  // fails, saying so
  size_t below = text.size() - 16, dot = std::string_view::npos;
  for (int i = 0; i < levels; ++i) {
    dot = below == 0 ? std::string_view::npos : text.rfind(label_.Separator(), below - 1);
    if (dot == std::string_view::npos)
      Fail("trims " + std::to_string(levels) + " levels of the label \"" + std::string(text.substr(0, 40)) + "\"", at);
    below = dot;
  }
  label_.Resize(dot + 1);
}

bool T3DScanner::NextOlder(T3DItem& item) {
  while (true) {
    itemAt_ = p_;
    const uint8_t code = Byte();
    if (code == 0x00) {
      if (label_.Size() == 0) return false;
      label_.Resize(0);
      continue;
    }
    if (code <= 0x0e) {
      TrimToSeparator(code, itemAt_);
      continue;
    }
    if (code == 0x0f) {
      item.Kind = T3DItemKind::Move;
      ReadPosition(item.Position);
      return true;
    }
    if (code <= 0x1f) {
      Drop(code - 15u, itemAt_);
      continue;
    }
    if (code == 0x20 || code == 0x21 || code == 0x23 || code == 0x24) {
      item.Kind = T3DItemKind::Date;
      if (code == 0x24) {
        item.FirstDay = item.LastDay = kNoDay;
      } else if (Version < 7 && code != 0x23) {
        item.FirstDay = item.LastDay = DayOfUnixTime(UInt(4));
        if (code == 0x21) item.LastDay = DayOfUnixTime(UInt(4));
      } else {
        item.FirstDay = item.LastDay = static_cast<int32_t>(UInt(2));
        if (code == 0x21) item.LastDay = item.FirstDay + Byte();
        if (code == 0x23) item.LastDay = static_cast<int32_t>(UInt(2));
      }
      return true;
    }
    if (code == 0x22) {
      item.Kind = T3DItemKind::TraverseError;
      for (int32_t& v : item.Values) v = Int32();
      return true;
    }
    if (code >= 0x30 && code <= 0x33) {
      AppendFromFile(OlderLength());
      Dimensions(item, code);
      return true;
    }
    if (code >= 0x40 && code <= 0xbf) {
      item.Kind = code < 0x80 ? T3DItemKind::Station : T3DItemKind::Leg;
      item.Flags = code & 0x3f;
      AppendFromFile(OlderLength());
      ReadPosition(item.Position);
      return true;
    }
    Fail("holds the reserved item code " + std::to_string(code), itemAt_);
  }
}

}  // namespace lumora
