#include "model/Survex3DReader.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace lumora {
namespace {

constexpr std::string_view kFirstLine = "Survex 3D Image File\n";
constexpr int kNameLength = 20;
constexpr int32_t kMissingDimension = -1;  // 0xffff or 0xffffffff in the file

class E3DRead : public std::runtime_error {
 public:
  E3DRead(const std::string& what, size_t offset) : std::runtime_error(what), offset_(offset) {}
  size_t Offset() const { return offset_; }

 private:
  size_t offset_;
};

struct TCm {
  int32_t x = 0, y = 0, z = 0;
  bool operator==(const TCm& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct TCmHash {
  size_t operator()(const TCm& p) const {
    uint64_t h = static_cast<uint32_t>(p.x) * 0x9E3779B97F4A7C15ull;
    h ^= (static_cast<uint64_t>(static_cast<uint32_t>(p.y)) + (h << 6) + (h >> 2)) * 0xC2B2AE3D27D4EB4Full;
    h ^= (static_cast<uint64_t>(static_cast<uint32_t>(p.z)) + (h << 6) + (h >> 2)) * 0x165667B19E3779F9ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

// The first station at each place: open addressing in one flat block, as
// a million stations would cost a million node allocations in a map.
class TPlaceIndex {
 public:
  void Reserve(size_t n) {
    size_t cap = 16;
    while (cap < 2 * n) cap <<= 1;
    Rehash(cap);
  }
  // The head of the place's station chain, or null.
  const int32_t* Find(const TCm& p) const {
    if (slots_.empty()) return nullptr;
    for (size_t i = TCmHash{}(p)&mask_;; i = (i + 1) & mask_) {
      const TSlot& s = slots_[i];
      if (s.Head < 0) return nullptr;
      if (s.Place == p) return &s.Head;
    }
  }
  // The head, set to `head` when the place is new; false when it was known.
  std::pair<int32_t*, bool> Insert(const TCm& p, int32_t head) {
    if (2 * (count_ + 1) > slots_.size()) Rehash(std::max<size_t>(16, 2 * slots_.size()));
    for (size_t i = TCmHash{}(p)&mask_;; i = (i + 1) & mask_) {
      TSlot& s = slots_[i];
      if (s.Head < 0) {
        s = {p, head};
        ++count_;
        return {&s.Head, true};
      }
      if (s.Place == p) return {&s.Head, false};
    }
  }

 private:
  struct TSlot {
    TCm Place;
    int32_t Head = -1;
  };
  void Rehash(size_t cap) {
    if (cap <= slots_.size()) return;
    std::vector<TSlot> old(cap);
    old.swap(slots_);
    mask_ = cap - 1;
    count_ = 0;
    for (const TSlot& s : old)
      if (s.Head >= 0) Insert(s.Place, s.Head);
  }
  std::vector<TSlot> slots_;
  size_t mask_ = 0, count_ = 0;
};

enum class TItemKind { End, Move, Date, TraverseError, CrossSection, Leg, Station };

enum : uint8_t { kLegSurface = 0x01, kLegDuplicate = 0x02, kLegSplay = 0x04 };

struct TItem {
  TItemKind Kind = TItemKind::End;
  uint8_t Flags = 0;  // of a leg or a station
  TCm Position;
  int32_t Dims[4] = {};    // L, R, U, D of a cross-section, in cm
  int32_t FirstDay = -1;   // days since 1900-01-01, -1 when no date
  int32_t Values[5] = {};  // of a traverse error
};

// Walks the header and the items; `Label()` is the label buffer after the
// last item read.
class T3DScanner {
 public:
  T3DScanner(std::string_view data, const std::string& fileName) : data_(data), file_(fileName) {}

  void ReadHeader() {
    if (!IsSurvex3D(data_)) Fail("is not a Survex .3d file", 0);
    p_ = kFirstLine.size();
    const size_t versionAt = p_;
    const std::string_view version = Line();
    if (version != "v8")
      Fail("has .3d format version \"" + std::string(version.substr(0, 20)) + "\"; only version 8 can be read",
           versionAt);
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
  }

  // False at the end marker.
  bool Next(TItem& item) {
    while (true) {
      itemAt_ = p_;
      const uint8_t code = Byte();
      if (code <= 0x04) {
        // A file without legs never sets the style, so its end marker is
        // the first normal style item, at the very end.
        if (code == 0 && (style_ == 0 || p_ == data_.size())) return false;
        style_ = code;
        continue;
      }
      if (code == 0x0f) {
        item.Kind = TItemKind::Move;
        ReadPosition(item.Position);
        return true;
      }
      if (code >= 0x10 && code <= 0x13) {
        item.Kind = TItemKind::Date;
        item.FirstDay = code == 0x10 ? -1 : UInt(2);
        if (code == 0x12) Byte();
        if (code == 0x13) UInt(2);
        return true;
      }
      if (code == 0x1f) {
        item.Kind = TItemKind::TraverseError;
        for (int32_t& v : item.Values) v = Int32();
        return true;
      }
      if (code >= 0x30 && code <= 0x33) {
        item.Kind = TItemKind::CrossSection;
        LabelChange();
        const bool wide = code >= 0x32;
        for (int32_t& d : item.Dims) {
          const uint32_t raw = UInt(wide ? 4 : 2);
          d = raw == (wide ? 0xffffffffu : 0xffffu) ? kMissingDimension
                                                    : (wide ? static_cast<int32_t>(raw) : static_cast<int16_t>(raw));
        }
        return true;
      }
      if (code >= 0x40 && code <= 0x7f) {
        item.Kind = TItemKind::Leg;
        item.Flags = code & 0x1f;
        if (!(code & 0x20)) LabelChange();
        ReadPosition(item.Position);
        // Legs before any style item are drawn in the normal style.
        if (style_ < 0) style_ = 0;
        return true;
      }
      if (code >= 0x80) {
        item.Kind = TItemKind::Station;
        item.Flags = code & 0x7f;
        LabelChange();
        ReadPosition(item.Position);
        return true;
      }
      Fail("holds the reserved item code " + std::to_string(code), itemAt_);
    }
  }

  std::string_view Label() const { return label_; }
  size_t ItemOffset() const { return itemAt_; }

  std::string Title, CoordinateSystem;
  char Separator = '.';
  bool ExtendedElevation = false;

 private:
  [[noreturn]] void Fail(const std::string& what, size_t offset) const {
    throw E3DRead(file_ + " " + what + " (at byte " + std::to_string(offset) + ")", offset);
  }
  [[noreturn]] void Truncated() const { Fail("is truncated", data_.size()); }

  void Need(size_t n) const {
    if (data_.size() - p_ < n) Truncated();
  }
  uint8_t Byte() {
    Need(1);
    return static_cast<uint8_t>(data_[p_++]);
  }
  uint32_t UInt(int bytes) {
    Need(static_cast<size_t>(bytes));
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(data_[p_ + i])) << (8 * i);
    p_ += static_cast<size_t>(bytes);
    return v;
  }
  int32_t Int32() { return static_cast<int32_t>(UInt(4)); }
  void ReadPosition(TCm& p) {
    Need(12);
    p.x = Int32();
    p.y = Int32();
    p.z = Int32();
  }

  std::string_view Line() {
    const size_t lf = data_.find('\n', p_);
    if (lf == std::string_view::npos) Truncated();
    const std::string_view line = data_.substr(p_, lf - p_);
    p_ = lf + 1;
    return line;
  }

  size_t Count() {
    const uint8_t n = Byte();
    return n == 255 ? UInt(4) : n;
  }

  void LabelChange() {
    const size_t at = p_;
    size_t drop, add;
    if (const uint8_t b = Byte(); b != 0) {
      drop = b >> 4;
      add = b & 15;
    } else {
      drop = Count();
      add = Count();
    }
    if (drop > label_.size())
      Fail("drops " + std::to_string(drop) + " bytes of a " + std::to_string(label_.size()) + "-byte label", at);
    Need(add);
    label_.resize(label_.size() - drop);
    label_.append(data_.substr(p_, add));
    p_ += add;
  }

  std::string_view data_;
  const std::string& file_;
  size_t p_ = 0;
  size_t itemAt_ = 0;
  int style_ = -1;  // unknown until the first style item or leg
  std::string label_;
};

PackedDate DateOfDay(int32_t day) {
  if (day < 0) return kNoDate;
  using namespace std::chrono;
  const year_month_day d{sys_days{year{1900} / January / 1} + days{day}};
  return PackDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                  static_cast<int>(static_cast<unsigned>(d.day())));
}

// The end of a label that fits the model's names: whole leading parts are
// dropped first, so "mig.dysentry.bath.12" keeps as much of its path as fits.
std::string_view ShortName(std::string_view label, char separator) {
  while (label.size() > kNameLength) {
    const size_t cut = label.find(separator);
    if (cut == std::string_view::npos || cut + 1 >= label.size()) return label.substr(label.size() - kNameLength);
    label.remove_prefix(cut + 1);
  }
  return label;
}

struct TLabelHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct TStation {
  uint32_t At, Length;  // in the station text
  int32_t Next;         // another station at the same place, or -1
};

struct TSurveyStart {
  std::string Label;
  int32_t FirstPlot, FirstLine;
  PackedDate Date;
};

struct TItemCounts {
  int Legs = 0, Moves = 0, Stations = 0;
};

TItemCounts CountItems(std::string_view data, const std::string& fileName) {
  T3DScanner in(data, fileName);
  in.ReadHeader();
  TItemCounts n;
  TItem item;
  while (in.Next(item)) {
    n.Legs += item.Kind == TItemKind::Leg;
    n.Moves += item.Kind == TItemKind::Move;
    n.Stations += item.Kind == TItemKind::Station;
  }
  return n;
}

class T3DLoader {
 public:
  T3DLoader(TPlotModel& model, std::string_view data, const std::string& fileName, const TPlotProgress& progress)
      : model_(model), in_(data, fileName), progress_(progress) {}

  void Run(const TItemCounts& expected) {
    in_.ReadHeader();
    TPlotInfo& info = model_.PlotInfo;
    info.Title = in_.Title;
    info.CoordinateSystem = in_.CoordinateSystem;
    info.ExtendedElevation = in_.ExtendedElevation;
    if (const int zone = UtmZoneOf(in_.CoordinateSystem); zone != 0) {
      info.Zone = zone;
      info.HasZone = true;
      info.Datum = "WGS 1984";
    }
    const int records = expected.Legs + expected.Moves;
    stationAt_.Reserve(expected.Stations);
    stations_.reserve(expected.Stations);
    if (records > model_.Plots.Capacity()) model_.Plots.SetCapacity(records + records / 16 + 16);
    sources_.reserve(static_cast<size_t>(records + records / 16 + 16));

    TItem item;
    while (in_.Next(item)) {
      switch (item.Kind) {
        case TItemKind::Move:
          Move(item.Position);
          break;
        case TItemKind::Leg:
          Leg(item);
          break;
        case TItemKind::Station:
          AddStation(item.Position);
          break;
        case TItemKind::CrossSection:
          crossSections_[std::string(in_.Label())] = {item.Dims[0], item.Dims[1], item.Dims[2], item.Dims[3]};
          break;
        case TItemKind::Date:
          date_ = DateOfDay(item.FirstDay);
          break;
        case TItemKind::TraverseError:
          model_.TraverseErrors.push_back({item.Values[0], item.Values[1] / 100.0, item.Values[2] / 100.0,
                                           item.Values[3] / 100.0, item.Values[4] / 100.0});
          break;
        case TItemKind::End:
          break;
      }
    }
    NameRecords();
    AddSurveysAndSections();
  }

  void Report() {
    if (progress_) progress_(static_cast<int>(surveys_.size()), model_.Plots.Count());
  }

 private:
  void AddRecord(char code, const TCm& p, uint8_t legFlags) {
    TPlotVector r;
    r.Code = code;
    r.Position = Feet(p);
    r.ShotIndex = shots_;
    if (legFlags & (kLegSplay | kLegDuplicate))
      r.Flags = (legFlags & kLegSplay) ? ((legFlags & kLegDuplicate) ? "SL" : "S") : "L";
    if (code == 'M') model_.LineStarts.Add(model_.Plots.Count());
    if (code != 'M') ++shots_;
    model_.Plots.Add(std::move(r));
    sources_.push_back({p, static_cast<int32_t>(surveys_.size()) - 1});
    if (model_.Plots.Count() % 200 == 0) Report();
  }

  void Move(const TCm& p) {
    pendingMove_ = model_.Plots.Count();
    AddRecord('M', p, 0);
    current_ = p;
  }

  void Leg(const TItem& leg) {
    if (surveys_.empty() || in_.Label() != surveys_.back().Label) {
      if (pendingMove_ < 0) Move(current_);
      // The first survey also takes the moves before it.
      const bool first = surveys_.empty();
      surveys_.push_back(
          {std::string(in_.Label()), first ? 0 : pendingMove_, first ? 0 : model_.LineStarts.Count() - 1, date_});
      sources_[pendingMove_].Survey = static_cast<int32_t>(surveys_.size()) - 1;
    }
    pendingMove_ = -1;
    AddRecord(leg.Flags & kLegSurface ? 'd' : 'D', leg.Position, leg.Flags);
    current_ = leg.Position;
  }

  void AddStation(const TCm& p) {
    const std::string_view label = in_.Label();
    auto [head, added] = stationAt_.Insert(p, static_cast<int32_t>(stations_.size()));
    int32_t next = -1;
    if (!added) {
      // The same station again at the same place adds nothing.
      for (int32_t s = *head; s >= 0; s = stations_[s].Next)
        if (StationLabel(s) == label) return;
      next = *head;
      *head = static_cast<int32_t>(stations_.size());
    }
    stations_.push_back({static_cast<uint32_t>(stationText_.size()), static_cast<uint32_t>(label.size()), next});
    stationText_.append(label);
  }

  std::string_view StationLabel(int32_t s) const {
    return std::string_view(stationText_).substr(stations_[s].At, stations_[s].Length);
  }

  // The station of the record's own survey where several share its place.
  int32_t StationFor(const TCm& p, int32_t survey) const {
    const int32_t* head = stationAt_.Find(p);
    if (!head) return -1;
    int32_t best = *head;
    if (survey < 0) return best;
    const std::string& prefix = surveys_[survey].Label;
    for (int32_t s = *head; s >= 0; s = stations_[s].Next) {
      const std::string_view label = StationLabel(s);
      if (label.size() > prefix.size() && label.compare(0, prefix.size(), prefix) == 0 &&
          label[prefix.size()] == in_.Separator &&
          label.find(in_.Separator, prefix.size() + 1) == std::string_view::npos)
        return s;
      if (label.size() > prefix.size() && label.compare(0, prefix.size(), prefix) == 0) best = s;
    }
    return best;
  }

  void NameRecords() {
    TPlotInfo& info = model_.PlotInfo;
    for (int i = 0; i < model_.Plots.Count(); ++i) {
      TPlotVector& r = model_.Plots[i];
      info.Min = MinVector(info.Min, r.Position);
      info.Max = MaxVector(info.Max, r.Position);
      const int32_t s = StationFor(sources_[i].Position, sources_[i].Survey);
      if (s < 0) continue;
      const std::string_view label = StationLabel(s);
      r.SetName(ShortName(label, in_.Separator), false);
      if (crossSections_.empty()) continue;
      // A station equated to others may carry its cross-section under any
      // of their names.
      auto xs = crossSections_.find(label);
      for (int32_t o = *stationAt_.Find(sources_[i].Position); xs == crossSections_.end() && o >= 0;
           o = stations_[o].Next)
        xs = crossSections_.find(StationLabel(o));
      if (xs == crossSections_.end()) continue;
      auto dim = [](int32_t cm) {
        return cm == kMissingDimension ? 0.0f : static_cast<float>(cm * 0.01 * FeetPerMetre());
      };
      r.Left = dim(xs->second[0]);
      r.Right = dim(xs->second[1]);
      r.Up = dim(xs->second[2]);
      r.Down = dim(xs->second[3]);
      info.Top = std::max(info.Top, r.Position.z + r.Up);
      info.Bottom = std::min(info.Bottom, r.Position.z - r.Down);
    }
  }

  void AddSurveysAndSections() {
    const char sep = in_.Separator;
    std::string_view section;
    for (size_t s = 0; s < surveys_.size(); ++s) {
      const TSurveyStart& start = surveys_[s];
      const std::string_view label = start.Label;
      const size_t last = label.rfind(sep);
      const std::string_view head = label.substr(0, label.find(sep));
      if (s == 0 || head != section) {
        section = head;
        model_.Sections.Add(TSectionRec{head.empty() ? std::string_view("(None)") : head,
                                        static_cast<int32_t>(model_.Surveys.Count())});
      }
      TSurveyID survey;
      survey.Name = last == std::string_view::npos ? label : label.substr(last + 1);
      survey.Comment = label;
      survey.SurveyDate = survey.DiscoveryDate = start.Date;
      survey.FirstPlot = start.FirstPlot;
      survey.FirstLine = start.FirstLine;
      const int end = s + 1 < surveys_.size() ? surveys_[s + 1].FirstPlot : model_.Plots.Count();
      survey.Min = {9.9e99, 9.9e99, 9.9e99};
      survey.Max = {-9.9e99, -9.9e99, -9.9e99};
      for (int i = start.FirstPlot; i < end; ++i) {
        const T3DVector& p = model_.Plots[i].Position;
        survey.Min = MinVector(survey.Min, p);
        survey.Max = MaxVector(survey.Max, p);
      }
      model_.Surveys.Add(survey);
    }
  }

  static T3DVector Feet(const TCm& p) {
    const double f = 0.01 * FeetPerMetre();
    return {p.x * f, p.y * f, p.z * f};
  }

  struct TSource {
    TCm Position;
    int32_t Survey;
  };

  TPlotModel& model_;
  T3DScanner in_;
  const TPlotProgress& progress_;
  std::vector<TSource> sources_;
  std::vector<TSurveyStart> surveys_;
  std::vector<TStation> stations_;
  std::string stationText_;
  TPlaceIndex stationAt_;
  std::unordered_map<std::string, std::array<int32_t, 4>, TLabelHash, std::equal_to<>> crossSections_;
  TCm current_;
  int32_t pendingMove_ = -1;
  PackedDate date_ = kNoDate;
  int shots_ = 0;
};

TPlotLoadResult Fail(std::string message, const TMessageProc& warn) {
  if (warn) warn(message);
  return {false, std::move(message), {}};
}

}  // namespace

bool IsSurvex3D(std::string_view data) { return data.substr(0, kFirstLine.size()) == kFirstLine; }

TPlotLineCounts CountSurvex3DLegs(std::string_view data, const std::string& fileName) {
  const TItemCounts n = CountItems(data, fileName);
  return {n.Legs, 2 * n.Moves};
}

TPlotLoadResult LoadSurvex3DData(TPlotModel& model, std::string_view data, const std::string& fileName,
                                 const TPlotProgress& progress, const TMessageProc& warn) {
  model.PlotInfo.FileName = fileName;
  model.ClearPlotModel();
  model.PlotInfo.FileKind = "survex-3d";
  T3DLoader loader(model, data, fileName, progress);
  try {
    loader.Run(CountItems(data, fileName));
  } catch (const std::bad_alloc&) {
    return Fail(kOutOfMemoryMessage, warn);
  } catch (const std::exception& e) {
    return Fail(e.what(), warn);
  }
  SetEndOfLoadValues(model);
  loader.Report();
  return {};
}

int UtmZoneOf(std::string_view cs) {
  auto number = [](std::string_view digits) {
    int n = 0;
    if (digits.empty() || digits.size() > 2) return 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 60 ? n : 0;
  };
  if (cs.size() == 10 && (cs.substr(0, 8) == "EPSG:326" || cs.substr(0, 8) == "EPSG:327")) {
    const int zone = number(cs.substr(8));
    return cs[7] == '7' ? -zone : zone;
  }
  bool utm = false, wgs84 = false, south = false;
  int zone = 0;
  size_t start = 0;
  while (start < cs.size()) {
    size_t end = cs.find(' ', start);
    if (end == std::string_view::npos) end = cs.size();
    const std::string_view token = cs.substr(start, end - start);
    start = end + 1;
    if (token.empty() || token == "+units=m" || token == "+no_defs" || token == "+type=crs") continue;
    if (token == "+proj=utm")
      utm = true;
    else if (token == "+datum=WGS84")
      wgs84 = true;
    else if (token == "+south")
      south = true;
    else if (token.substr(0, 6) == "+zone=" && (zone = number(token.substr(6))) != 0)
      continue;
    else
      return 0;
  }
  if (!utm || !wgs84 || zone == 0) return 0;
  return south ? -zone : zone;
}

}  // namespace lumora
