#pragma once
// The layout of Survex .3d files, versions 3 to 8: the header, then the
// items one at a time, with the label buffer that carries over between
// them. docs/survex-3d-versions.md describes what differs between versions.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class E3DRead : public std::runtime_error {
 public:
  E3DRead(const std::string& what, size_t offset) : std::runtime_error(what), offset_(offset) {}
  size_t Offset() const { return offset_; }

 private:
  size_t offset_;
};

// A position in the file's centimetres.
struct TCm {
  int32_t x = 0, y = 0, z = 0;
  bool operator==(const TCm& o) const { return x == o.x && y == o.y && z == o.z; }
};
uint64_t HashOf(const TCm& p);

// A label's identity without its bytes: a hash (modulo 2^61 - 1 with a
// base drawn at start, so no file can aim at collisions) and the length.
struct TLabelKey {
  uint64_t Hash = 0;
  uint32_t Length = 0;
  bool operator==(const TLabelKey& o) const { return Hash == o.Hash && Length == o.Length; }
};

// The key of a text as T3DLabel::KeyOf gives it for the label's bytes.
TLabelKey LabelKeyOf(std::string_view text);

enum class T3DItemKind { Move, Date, TraverseError, CrossSection, Leg, Station };

// Leg and station flags, numbered as version 8 numbers them.
enum : uint8_t { kLegSurface = 0x01, kLegDuplicate = 0x02, kLegSplay = 0x04 };
enum : uint8_t { kStationEntrance = 0x04, kStationAnonymous = 0x20 };

constexpr int32_t kMissingDimension = -1;  // 0xffff or 0xffffffff in the file
constexpr int32_t kNoDay = -1;

struct T3DItem {
  T3DItemKind Kind = T3DItemKind::Move;
  uint8_t Flags = 0;          // of a leg or a station
  bool NoSurvey = false;      // a leg drawn in the "no survey" style
  bool EndsPassage = false;   // a cross-section at its passage's last station
  TCm Position;               // of a move, leg end or station
  int32_t Dims[4] = {};       // L, R, U, D of a cross-section in cm
  int32_t FirstDay = kNoDay;  // of a date item, days since 1900-01-01
  int32_t LastDay = kNoDay;
  int32_t Values[5] = {};  // of a traverse error: legs, length, E, H, V
};

// The label buffer, and what the reader asks of it in constant time: the
// key of the whole label or of any start of it, where its separators are,
// and the shortest it has been since last asked. A label without keys
// keeps its bytes only, for a pass that just counts the items.
class T3DLabel {
 public:
  explicit T3DLabel(bool keyed = true);
  void SetSeparator(char separator) { separator_ = separator; }
  char Separator() const { return separator_; }

  std::string_view Text() const { return text_; }
  size_t Size() const { return text_.size(); }
  TLabelKey Key() const { return KeyOf(text_.size()); }
  TLabelKey KeyOf(size_t length) const { return {hash_[length], static_cast<uint32_t>(length)}; }
  // Positions of the first and the last separator; npos when none.
  size_t FirstSeparator() const { return separators_.empty() ? std::string_view::npos : separators_.front(); }
  size_t LastSeparator() const { return separators_.empty() ? std::string_view::npos : separators_.back(); }
  // The shortest length since the last call; then the count starts again.
  size_t TakeShortest();

  void Append(std::string_view bytes);
  void Resize(size_t length);  // not longer

 private:
  std::string text_;
  std::vector<uint64_t> hash_;  // hash_[i]: the key's hash of the first i bytes
  std::vector<uint32_t> separators_;
  size_t shortest_ = 0;
  char separator_ = '.';
  bool keyed_ = true;
};

class T3DScanner {
 public:
  // `keyed`: whether the label's keys and separators are kept.
  T3DScanner(std::string_view data, const std::string& fileName, bool keyed = true)
      : data_(data), file_(fileName), label_(keyed) {}

  void ReadHeader();
  // False at the end mark.
  bool Next(T3DItem& item);

  T3DLabel& Label() { return label_; }
  const T3DLabel& Label() const { return label_; }
  // Where the last item began, and the first byte not yet read.
  size_t ItemOffset() const { return itemAt_; }
  size_t Offset() const { return p_; }
  size_t Size() const { return data_.size(); }

  int Version = 8;
  std::string Title, CoordinateSystem;
  char Separator = '.';
  bool ExtendedElevation = false;

 private:
  bool NextVersion8(T3DItem& item);
  bool NextOlder(T3DItem& item);
  void Dimensions(T3DItem& item, uint8_t code);

  [[noreturn]] void Fail(const std::string& what, size_t offset) const;
  [[noreturn]] void Truncated() const { Fail("is truncated", data_.size()); }
  void Need(size_t n) const {
    if (data_.size() - p_ < n) Truncated();
  }
  uint8_t Byte() {
    Need(1);
    return static_cast<uint8_t>(data_[p_++]);
  }
  uint32_t UInt(int bytes);
  int32_t Int32() { return static_cast<int32_t>(UInt(4)); }
  void ReadPosition(TCm& p);
  std::string_view Line();
  // Version 8's count after a zero label byte, and the older versions' label length.
  size_t Count();
  size_t OlderLength();
  void Drop(size_t n, size_t at);
  void AppendFromFile(size_t n);
  void LabelChange();
  void TrimToSeparator(int levels, size_t at);

  std::string_view data_;
  const std::string& file_;
  size_t p_ = 0;
  size_t itemAt_ = 0;
  int style_ = -1;  // version 8: unknown until the first style item or leg
  T3DLabel label_;
};

}  // namespace lumora
