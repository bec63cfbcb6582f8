#include "model/Survex3DReader.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <vector>

#include "geometry/HugePages.h"
#include "geometry/IndexTable.h"
#include "model/CoordinateSystem.h"
#include "model/Survex3DFormat.h"

namespace lumora {
namespace {

// Names are stored whole up to this length; longer ones may share their
// start, and the loader then reads no more of them than it needs.
constexpr size_t kShortLabel = 64;
// The stations at one place that are searched for one inside a record's
// survey; more are found through the table of direct children only.
constexpr int kScannedAtPlace = 8;

uint64_t Mix(uint64_t a, uint64_t b) {
  uint64_t h = a ^ (b + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 29);
}

// One place where stations lie; its stations are chained in file order.
struct TPlace {
  TCm At;
  int32_t First = -1, Last = -1;
  int32_t LastCrossSection = -1;
  bool HasRecord = false;
  // Its stations are in the table that tells them apart; a place of one
  // station, most of a cave's, needs none.
  bool Indexed = false;
  uint8_t Flags = 0;  // entrance, exported, fixed: of every station here
};

struct TStation {
  TLabelKey Key;     // the whole label
  TLabelKey Parent;  // the label before its last separator
  TNameId Name;
  int32_t Place;
  int32_t Next = -1;  // the next station at the same place
};

struct TCrossSection {
  TLabelKey Station;
  int32_t Dims[4];
  int32_t Passage;
  int32_t Place = -1;
};

// A cross-section's station beside one of its passage neighbours.
struct TSectionPair {
  int32_t Place, Neighbour, CrossSection;
};

struct TDates {
  int32_t First = kNoDay, Last = kNoDay;
  bool operator==(const TDates& o) const { return First == o.First && Last == o.Last; }
};

// A run of legs with one label and one date, or of stations that no leg
// reaches with one survey part.
struct TSurveyStart {
  TLabelKey Key;
  TDates Dates;
  int32_t FirstPlot = 0, FirstLine = 0;
  ShortString<20> Name;
  CompactString<255> Comment;
  TLabelKey SectionKey;
  ShortString<80> Section;
  std::string Short;  // the whole label when it is short, for prefix tests
};

struct TSource {
  TCm Position;
  int32_t Survey;
  int32_t Place = -1;
};

PackedDate DateOfDay(int32_t day) {
  if (day < 0) return kNoDate;
  using namespace std::chrono;
  const year_month_day d{sys_days{year{1900} / January / 1} + days{day}};
  return PackDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                  static_cast<int>(static_cast<unsigned>(d.day())));
}

struct TItemCounts {
  int Legs = 0, Moves = 0, Stations = 0;
  size_t NameBytes = 0;  // of the named stations' labels stored whole
};

TItemCounts CountItems(std::string_view data, const std::string& fileName) {
  T3DScanner in(data, fileName, false);
  in.ReadHeader();
  TItemCounts n;
  T3DItem item;
  while (in.Next(item)) {
    n.Legs += item.Kind == T3DItemKind::Leg;
    n.Moves += item.Kind == T3DItemKind::Move;
    if (item.Kind != T3DItemKind::Station) continue;
    ++n.Stations;
    const size_t size = in.Label().Size();
    if (!(item.Flags & kStationAnonymous) && size <= kShortLabel) n.NameBytes += size;
  }
  return n;
}

class T3DLoader {
 public:
  T3DLoader(TPlotModel& model, std::string_view data, const std::string& fileName, const TPlotProgress& progress)
      : model_(model), in_(data, fileName), progress_(progress) {}

  void Run(const TItemCounts& expected) {
    in_.ReadHeader();
    ReadHeaderValues();
    const int records = expected.Legs + expected.Moves;
    ReserveOnce(places_, expected.Stations);
    ReserveOnce(stations_, expected.Stations);
    placeTable_.Reserve(expected.Stations);
    model_.Names.Reserve(static_cast<size_t>(expected.Stations), expected.NameBytes);
    if (records > model_.Plots.Capacity()) model_.Plots.SetCapacity(records + records / 16 + 16);
    ReserveOnce(sources_, records + records / 16 + 16);
    ReadItems();
    IndexSharedPlaces();
    EquateNamesAtPlaces();
    NameRecords();
    AddUnreachedStations();
    AddSurveysAndSections();
  }

  void Report() {
    if (progress_) progress_(static_cast<int>(surveys_.size()), model_.Plots.Count());
  }

  // Set when bytes follow the end mark.
  std::string TrailingWarning(const std::string& fileName) const {
    const size_t after = in_.Size() - in_.Offset();
    if (after == 0) return {};
    return "\"" + fileName + "\": the end mark at byte " + std::to_string(in_.Offset() - 1) + " ended the read; the " +
           std::to_string(after) + (after == 1 ? " byte after it was" : " bytes after it were") + " not read";
  }

 private:
  template <class T>
  static void ReserveOnce(std::vector<T>& v, int n) {
    v.reserve(static_cast<size_t>(n));
    PreferHugePages(v.data(), v.size(), v.capacity());
  }

  void ReadHeaderValues() {
    TPlotInfo& info = model_.PlotInfo;
    info.Title = in_.Title;
    info.CoordinateSystem = in_.CoordinateSystem;
    info.ExtendedElevation = in_.ExtendedElevation;
    info.Separator = in_.Separator;
    info.FormatVersion = in_.Version;
    SetGeoreference(info);
  }

  void ReadItems() {
    T3DItem item;
    while (in_.Next(item)) {
      switch (item.Kind) {
        case T3DItemKind::Move:
          Move(item.Position);
          break;
        case T3DItemKind::Leg:
          Leg(item);
          break;
        case T3DItemKind::Station:
          AddStation(item);
          break;
        case T3DItemKind::CrossSection:
          crossSections_.push_back(
              {in_.Label().Key(), {item.Dims[0], item.Dims[1], item.Dims[2], item.Dims[3]}, passage_});
          passage_ += item.EndsPassage;
          break;
        case T3DItemKind::Date:
          dates_ = {item.FirstDay, item.LastDay};
          break;
        case T3DItemKind::TraverseError:
          model_.TraverseErrors.push_back({item.Values[0], item.Values[1] / 100.0, item.Values[2] / 100.0,
                                           item.Values[3] / 100.0, item.Values[4] / 100.0, model_.Plots.Count()});
          break;
      }
    }
  }

  void AddRecord(char code, const TCm& p, uint8_t legFlags, bool noSurvey) {
    TPlotVector r;
    r.Code = code;
    r.Position = Feet(p);
    r.ShotIndex = shots_;
    r.NoSurvey = noSurvey;
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
    AddRecord('M', p, 0, false);
    current_ = p;
  }

  // A survey of the label as it stands (a leg's survey).
  TSurveyStart SurveyOfLabel() const {
    const T3DLabel& label = in_.Label();
    const std::string_view text = label.Text();
    const size_t last = label.LastSeparator(), first = label.FirstSeparator();
    TSurveyStart s;
    s.Key = label.Key();
    s.Name = last == std::string_view::npos ? text : text.substr(last + 1);
    s.Comment = text;
    s.SectionKey = label.KeyOf(first == std::string_view::npos ? text.size() : first);
    s.Section = text.substr(0, s.SectionKey.Length);
    if (text.size() <= kShortLabel) s.Short = text;
    return s;
  }

  void Leg(const T3DItem& leg) {
    if (surveys_.empty() || in_.Label().Key() != surveys_.back().Key || dates_ != surveys_.back().Dates) {
      if (pendingMove_ < 0) Move(current_);
      // The first survey also takes the moves before it.
      const bool first = surveys_.empty();
      TSurveyStart s = SurveyOfLabel();
      s.Dates = dates_;
      s.FirstPlot = first ? 0 : pendingMove_;
      s.FirstLine = first ? 0 : model_.LineStarts.Count() - 1;
      surveys_.push_back(std::move(s));
      sources_[pendingMove_].Survey = static_cast<int32_t>(surveys_.size()) - 1;
    }
    pendingMove_ = -1;
    AddRecord(leg.Flags & kLegSurface ? 'd' : 'D', leg.Position, leg.Flags, leg.NoSurvey);
    current_ = leg.Position;
  }

  int32_t FindPlace(const TCm& p) const {
    return placeTable_.Find(HashOf(p), [&](int32_t i) { return places_[i].At == p; });
  }

  void AddStation(const T3DItem& item) {
    // Anonymous stations (splay ends) have no name to give.
    if (item.Flags & kStationAnonymous) return;
    T3DLabel& label = in_.Label();
    const TLabelKey key = label.Key();
    const auto [placeSlot, newPlace] = placeTable_.Insert(HashOf(item.Position), static_cast<int32_t>(places_.size()),
                                                          [&](int32_t i) { return places_[i].At == item.Position; });
    if (newPlace) places_.push_back({item.Position});
    const int32_t place = *placeSlot;
    places_[place].Flags |=
        item.Flags & (TPlotModel::kStationEntrance | TPlotModel::kStationExported | TPlotModel::kStationFixed);
    const auto index = static_cast<int32_t>(stations_.size());
    // The same station again at the same place adds nothing.
    if (!IsNewAtPlace(key, place, index)) return;
    model_.Names.Cut(share_, label.TakeShortest());
    const TNameId name = model_.Names.AddFromLabel(share_, label.Text());
    const size_t last = label.LastSeparator();
    const TLabelKey parent = label.KeyOf(last == std::string_view::npos ? 0 : last);
    stations_.push_back({key, parent, name, place});
    TPlace& at = places_[place];
    if (at.First < 0)
      at.First = index;
    else
      stations_[at.Last].Next = index;
    at.Last = index;
  }

  // Whether no station of this label lies at the place yet; a place's
  // stations enter the table once it has a second.
  bool IsNewAtPlace(const TLabelKey& key, int32_t place, int32_t index) {
    TPlace& at = places_[place];
    if (at.First < 0) return true;
    auto insert = [&](const TLabelKey& k, int32_t i) {
      return sameStation_
          .Insert(Mix(k.Hash, static_cast<uint64_t>(place)), i,
                  [&](int32_t s) { return stations_[s].Key == k && stations_[s].Place == place; })
          .second;
    };
    if (!at.Indexed) {
      at.Indexed = true;
      insert(stations_[at.First].Key, at.First);
    }
    return insert(key, index);
  }

  // The children of each survey at places of several stations, for
  // StationFor: the first station wins, in file order.
  void IndexSharedPlaces() {
    for (size_t i = 0; i < stations_.size(); ++i) {
      const TStation& s = stations_[i];
      if (stations_[places_[s.Place].First].Next < 0) continue;
      childAt_.Insert(Mix(s.Parent.Hash, static_cast<uint64_t>(s.Place)), static_cast<int32_t>(i),
                      [&](int32_t k) { return stations_[k].Parent == s.Parent && stations_[k].Place == s.Place; });
    }
  }

  // Every name of a place names the one station there, with its flags.
  void EquateNamesAtPlaces() {
    for (const TPlace& p : places_) {
      for (int32_t s = stations_[p.First].Next; s >= 0; s = stations_[s].Next)
        model_.Names.Equate(stations_[p.First].Name, stations_[s].Name);
      if (p.Flags == 0) continue;
      if (model_.StationFlags.empty()) model_.StationFlags.resize(model_.Names.Count());
      for (int32_t s = p.First; s >= 0; s = stations_[s].Next) model_.StationFlags[stations_[s].Name] |= p.Flags;
    }
  }

  // The station of the record's own survey where several share its place:
  // one right inside the survey, else one further down inside it (looked
  // for among the first few), else the first station of the place.
  int32_t StationFor(int32_t place, int32_t survey) const {
    const TPlace& at = places_[place];
    if (survey < 0 || stations_[at.First].Next < 0) return at.First;
    const TSurveyStart& s = surveys_[survey];
    const int32_t child = childAt_.Find(Mix(s.Key.Hash, static_cast<uint64_t>(place)), [&](int32_t i) {
      return stations_[i].Parent == s.Key && stations_[i].Place == place;
    });
    if (child >= 0) return child;
    if (s.Short.size() == s.Key.Length) {
      const char sep = in_.Separator;
      std::string scratch;
      int scanned = 0;
      for (int32_t i = at.First; i >= 0 && scanned < kScannedAtPlace; i = stations_[i].Next, ++scanned) {
        if (model_.Names.Size(stations_[i].Name) > kShortLabel) continue;
        const std::string_view label = model_.Names.View(stations_[i].Name, scratch);
        if (label.size() > s.Short.size() && label.starts_with(s.Short) && label[s.Short.size()] == sep) return i;
      }
    }
    return at.First;
  }

  // Where each cross-section lies and which neighbours it has in its passage.
  void PlaceCrossSections() {
    for (size_t i = 0; i < stations_.size(); ++i) {
      const TLabelKey& key = stations_[i].Key;
      byLabel_.Insert(key.Hash, static_cast<int32_t>(i), [&](int32_t s) { return stations_[s].Key == key; });
    }
    for (TCrossSection& x : crossSections_) {
      const int32_t s = byLabel_.Find(x.Station.Hash, [&](int32_t i) { return stations_[i].Key == x.Station; });
      x.Place = s < 0 ? -1 : stations_[s].Place;
    }
    for (size_t i = 0; i < crossSections_.size(); ++i) {
      const TCrossSection& x = crossSections_[i];
      if (x.Place < 0) continue;
      places_[x.Place].LastCrossSection = static_cast<int32_t>(i);
      for (const size_t j : {i - 1, i + 1}) {
        if (j >= crossSections_.size() || crossSections_[j].Passage != x.Passage || crossSections_[j].Place < 0)
          continue;
        const TSectionPair pair{x.Place, crossSections_[j].Place, static_cast<int32_t>(i)};
        const auto [slot, added] = pairTable_.Insert(
            Mix(static_cast<uint64_t>(pair.Place), static_cast<uint64_t>(pair.Neighbour)),
            static_cast<int32_t>(pairs_.size()),
            [&](int32_t k) { return pairs_[k].Place == pair.Place && pairs_[k].Neighbour == pair.Neighbour; });
        if (added)
          pairs_.push_back(pair);
        else
          pairs_[*slot].CrossSection = pair.CrossSection;  // a later passage through both wins
      }
    }
  }

  int32_t CrossSectionBeside(int32_t place, int32_t neighbour) const {
    if (neighbour < 0) return -1;
    const int32_t k =
        pairTable_.Find(Mix(static_cast<uint64_t>(place), static_cast<uint64_t>(neighbour)),
                        [&](int32_t i) { return pairs_[i].Place == place && pairs_[i].Neighbour == neighbour; });
    return k < 0 ? -1 : pairs_[k].CrossSection;
  }

  // The cross-section of record i: the one of its passage with the record
  // before it (or after it, at a line's start), else the last one given
  // for its station.
  int32_t CrossSectionOf(int i) const {
    const int32_t place = sources_[i].Place;
    const int count = model_.Plots.Count();
    const bool starts = model_.Plots[i].Code == 'M';
    const bool nextDraws = i + 1 < count && model_.Plots[i + 1].Code != 'M';
    int32_t x = -1;
    if (!starts && i > 0) x = CrossSectionBeside(place, sources_[i - 1].Place);
    if (x < 0 && nextDraws) x = CrossSectionBeside(place, sources_[i + 1].Place);
    return x >= 0 ? x : places_[place].LastCrossSection;
  }

  void NameRecords() {
    const int count = model_.Plots.Count();
    for (int i = 0; i < count; ++i) {
      TSource& src = sources_[i];
      src.Place = FindPlace(src.Position);
      if (src.Place >= 0) places_[src.Place].HasRecord = true;
    }
    if (!crossSections_.empty()) PlaceCrossSections();
    for (int i = 0; i < count; ++i) {
      const int32_t place = sources_[i].Place;
      if (place < 0) continue;
      TPlotVector& r = model_.Plots[i];
      r.NameId = stations_[StationFor(place, sources_[i].Survey)].Name;
      if (crossSections_.empty()) continue;
      const int32_t x = CrossSectionOf(i);
      if (x < 0) continue;
      const int32_t* d = crossSections_[x].Dims;
      auto dim = [](int32_t cm) {
        return cm == kMissingDimension ? 0.0f : static_cast<float>(cm * 0.01 * FeetPerMetre());
      };
      r.Left = dim(d[0]);
      r.Right = dim(d[1]);
      r.Up = dim(d[2]);
      r.Down = dim(d[3]);
      model_.PlotInfo.AddExtent(r.Position.z + r.Up, r.Position.z - r.Down);
    }
  }

  // Stations that no move or leg reaches (fixed points, entrances, a file
  // without legs) become lines of one station, in surveys by their part
  // before the last separator.
  void AddUnreachedStations() {
    TLabelKey survey{UINT64_MAX, 0};
    std::string scratch;
    for (const TStation& s : stations_) {
      TPlace& at = places_[s.Place];
      if (at.HasRecord) continue;
      at.HasRecord = true;
      if (surveys_.empty() || !(s.Parent == survey)) {
        survey = s.Parent;
        const std::string prefix(model_.Names.View(s.Name, scratch).substr(0, s.Parent.Length));
        const size_t last = prefix.rfind(in_.Separator), first = prefix.find(in_.Separator);
        TSurveyStart start;
        start.Key = s.Parent;
        start.Name = last == std::string::npos ? std::string_view(prefix) : std::string_view(prefix).substr(last + 1);
        start.Comment = prefix;
        start.Section = std::string_view(prefix).substr(0, first);
        start.SectionKey = LabelKeyOf(std::string_view(prefix).substr(0, first));
        start.FirstPlot = model_.Plots.Count();
        start.FirstLine = model_.LineStarts.Count();
        surveys_.push_back(std::move(start));
      }
      AddRecord('M', at.At, 0, false);
      model_.Plots[model_.Plots.Count() - 1].NameId = s.Name;
    }
  }

  void AddSurveysAndSections() {
    TLabelKey section;
    for (size_t s = 0; s < surveys_.size(); ++s) {
      const TSurveyStart& start = surveys_[s];
      if (s == 0 || !(start.SectionKey == section)) {
        section = start.SectionKey;
        model_.Sections.Add(TSectionRec{start.Section.Empty() ? std::string_view("(None)") : start.Section.View(),
                                        static_cast<int32_t>(model_.Surveys.Count())});
      }
      TSurveyID survey;
      survey.Name = start.Name;
      survey.Comment = start.Comment;
      survey.SurveyDate = survey.DiscoveryDate = DateOfDay(start.Dates.First);
      survey.FirstPlot = start.FirstPlot;
      survey.FirstLine = start.FirstLine;
      const int end = s + 1 < surveys_.size() ? surveys_[s + 1].FirstPlot : model_.Plots.Count();
      survey.Min = {9.9e99, 9.9e99, 9.9e99};
      survey.Max = {-9.9e99, -9.9e99, -9.9e99};
      for (int i = start.FirstPlot; i < end; ++i) {
        const T3DVector& p = model_.Plots[i].Position;
        survey.Min = MinVector(survey.Min, p);
        survey.Max = MaxVector(survey.Max, p);
        model_.PlotInfo.Min = MinVector(model_.PlotInfo.Min, p);
        model_.PlotInfo.Max = MaxVector(model_.PlotInfo.Max, p);
      }
      model_.Surveys.Add(survey);
    }
  }

  static T3DVector Feet(const TCm& p) {
    const double f = 0.01 * FeetPerMetre();
    return {p.x * f, p.y * f, p.z * f};
  }

  TPlotModel& model_;
  T3DScanner in_;
  const TPlotProgress& progress_;
  std::vector<TSource> sources_;
  std::vector<TSurveyStart> surveys_;
  std::vector<TPlace> places_;
  std::vector<TStation> stations_;
  std::vector<TCrossSection> crossSections_;
  std::vector<TSectionPair> pairs_;
  TIndexTable placeTable_, sameStation_, byLabel_, childAt_, pairTable_;
  TStationNames::TLabelShare share_;
  TCm current_;
  int32_t pendingMove_ = -1;
  int32_t passage_ = 0;
  TDates dates_;
  int shots_ = 0;
};

TPlotLoadResult Fail(std::string message, const TMessageProc& warn) {
  if (warn) warn(message);
  return {false, std::move(message), {}};
}

}  // namespace

bool IsSurvex3D(std::string_view data) { return data.starts_with("Survex 3D Image File\n"); }

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
  return {true, {}, loader.TrailingWarning(fileName)};
}

}  // namespace lumora
