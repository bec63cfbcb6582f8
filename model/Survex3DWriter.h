#pragma once
// Version 8 .3d files written item by item, for the hostile files of the
// tests and benchmarks: labels of any length, stations, legs, moves and
// cross-sections anywhere.

#include <cstdint>
#include <string>
#include <string_view>

namespace lumora::testing {

class T3DWriter {
 public:
  T3DWriter() { out_ = std::string("Survex 3D Image File\nv8\nhostile\n@0\n") + '\0'; }

  void Station(size_t drop, std::string_view add, int x, int y = 0) {
    out_ += '\x82';  // underground
    Label(drop, add);
    Position(x, y);
  }
  void Leg(size_t drop, std::string_view add, int x, int y = 0) {
    out_ += '\x40';
    Label(drop, add);
    Position(x, y);
  }
  void Move(int x, int y = 0) {
    out_ += '\x0f';
    Position(x, y);
  }
  void CrossSection(size_t drop, std::string_view add) {
    out_ += '\x30';
    Label(drop, add);
    out_.append(8, '\x01');
  }
  std::string End() { return out_ + std::string(2, '\0'); }

 private:
  void Count(size_t n) {
    if (n < 255) {
      out_ += static_cast<char>(n);
    } else {
      out_ += '\xff';
      for (int i = 0; i < 4; ++i) out_ += static_cast<char>((n >> (8 * i)) & 0xff);
    }
  }
  void Label(size_t drop, std::string_view add) {
    if (drop < 16 && add.size() < 16 && (drop || !add.empty())) {
      out_ += static_cast<char>((drop << 4) | add.size());
    } else {
      out_ += '\0';
      Count(drop);
      Count(add.size());
    }
    out_.append(add);
  }
  void Position(int x, int y) {
    for (const int v : {x, y, 0})
      for (int i = 0; i < 4; ++i) out_ += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xff);
  }
  std::string out_;
};

// Six digits, for labels that change only at their end.
inline std::string SixDigits(int i) { return std::to_string(1000000 + i).substr(1); }

// A megabyte label, then 4000 items of one kind ("stations", "legs" or
// "cross-sections") that each change its end.
inline std::string LongLabelFile(std::string_view kind) {
  const std::string big(1 << 20, 'a');
  T3DWriter w;
  if (kind == "legs") {
    w.Move(0);
    w.Leg(0, big + SixDigits(0), 1);
  } else {
    w.Station(0, big + SixDigits(0), 0);
    if (kind == "cross-sections") w.Leg(0, "", 1);
  }
  for (int i = 1; i <= 4000; ++i) {
    if (kind == "stations") w.Station(6, SixDigits(i), 100 * i);
    if (kind == "legs") w.Leg(6, SixDigits(i), 100 * i + 1);
    if (kind == "cross-sections") w.CrossSection(6, SixDigits(i));
  }
  return w.End();
}

// `n` differently named stations at one place, and n / 10 legs out to
// other places and back.
inline std::string ManyNamesFile(int n) {
  T3DWriter w;
  w.Station(0, "s." + SixDigits(0), 0);
  for (int i = 1; i < n; ++i) w.Station(6, SixDigits(i), 0);
  w.Move(0);
  for (int i = 0; i < n / 10; ++i) {
    w.Leg(0, "", 1000 + i);
    w.Leg(0, "", 0);
  }
  return w.End();
}

}  // namespace lumora::testing
