#pragma once
// The survey model: the in-memory image of one loaded plot file. Lengths are
// in feet, x east, y north, z up.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "geometry/CompactString.h"
#include "geometry/HugeArry.h"
#include "geometry/ShortString.h"
#include "geometry/Vector.h"
#include "model/StationNames.h"
#include "model/SurveyMeshes.h"

namespace lumora {

// Day in the lowest byte, month in the next, year in the upper 16 bits, so
// packed dates compare as integers.
using PackedDate = int32_t;

constexpr PackedDate PackDate(int year, int month, int day) {
  return static_cast<PackedDate>((static_cast<uint32_t>(year) << 16) | ((month & 0xFF) << 8) | (day & 0xFF));
}
constexpr int DateYear(PackedDate d) { return static_cast<int16_t>(static_cast<uint32_t>(d) >> 16); }
constexpr int DateMonth(PackedDate d) { return (d >> 8) & 0xFF; }
constexpr int DateDay(PackedDate d) { return d & 0xFF; }
constexpr PackedDate kNoDate = PackDate(1, 1, 1);

// 80 bytes: a million-record cave is read, walked and written through as
// few memory pages as the values allow. The station's name lives in the
// model's TStationNames (Name, SetName of TPlotModel), however long.
struct TPlotVector {
  T3DVector Position;
  double IValue = 0;
  CompactString<> Comment;
  float Up = 0, Down = 0, Right = 0, Left = 0;
  int32_t ShotIndex = 0;
  TNameId NameId = TStationNames::kUnnamed;
  char Code = 'M';
  bool Marked = false;
  // A Survex leg in the "no survey" style: it joins stations without a
  // measurement, so it counts in no length.
  bool NoSurvey = false;
  ShortString<10> Flags;

  bool IsSplay() const { return Flags.View().find('S') != std::string_view::npos; }
  bool IsDuplicate() const { return Flags.View().find('L') != std::string_view::npos; }
};
static_assert(sizeof(TPlotVector) <= 80, "plot records are the bulk of a big cave's memory");

enum TSurveyKind : uint8_t { skSurvey = 0, skFeature = 1, skFeatureRange = 2 };

struct TSurveyID {
  ShortString<20> Name;
  PackedDate SurveyDate = 0;
  PackedDate DiscoveryDate = 0;
  CompactString<255> Comment;
  uint8_t Kind = skSurvey;
  bool IsFeature = false;
  int32_t FirstPlot = 0;
  int32_t FirstLine = 0;
  T3DVector Min, Max;
};

struct TSectionRec {
  ShortString<80> Name;
  int32_t FirstSurvey = 0;
};

// The from-station's name is the key of the item that holds the shot.
struct TSplayShot {
  ShortString<20> ToName;
  T3DVector From, To;
};

// A view of one station's splays, valid until the next shot is added.
struct TSplayItem {
  T3DVector Position;
  std::span<const TSplayShot> Shots;
};

using TPlotArray = THugeArray<TPlotVector>;
using TSurveyArray = THugeArray<TSurveyID>;
using TSectionArray = THugeArray<TSectionRec>;

// The splays grouped by from-station, items in the order their station was
// first met. Station names match case-sensitively and are cut to 20
// characters.
class TSplayArray {
 public:
  TSplayArray();
  ~TSplayArray();
  TSplayArray(const TSplayArray&) = delete;
  TSplayArray& operator=(const TSplayArray&) = delete;
  // Swaps, so that both stay usable.
  TSplayArray& operator=(TSplayArray&& other) noexcept;

  int AddSplay(std::string_view fromName, const T3DVector& from, std::string_view toName, const T3DVector& to);
  // Gives back the room kept for growth, once a load is complete.
  void Trim();
  void Clear();
  int Count() const;
  TSplayItem Item(int i) const;
  std::string_view Key(int i) const;
  int IndexOf(std::string_view fromName) const;
  int ShotCount() const { return shotCount_; }
  // Bytes held for the items and shots, for memory accounts.
  size_t MemoryBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int shotCount_ = 0;
};

struct TPlotInfo {
  T3DVector Min{9.9e99, 9.9e99, 9.9e99};
  T3DVector Max{-9.9e99, -9.9e99, -9.9e99};
  T3DVector FirstPosition;
  T3DVector Center;
  // Highest z + up and lowest z - down over the records that gave passage
  // extents; both 0 until the first one (HasExtent) sets them.
  double Top = 0;
  double Bottom = 0;
  bool HasExtent = false;
  double DepthRange = 0;
  bool HasZone = false;
  int32_t Zone = 0;
  ShortString<255> Datum;
  std::string FileName;
  bool Loaded = false;
  // What a Survex .3d file adds; a plot file leaves them empty.
  std::string FileKind;  // "plot", "survex-3d" or "therion-lox"
  std::string Title;
  std::string CoordinateSystem;
  std::string CoordinateSystemName;  // as PROJ names it; empty when unknown
  // PROJ places the coordinate system's positions on the earth.
  bool ProjectedSystem = false;
  int FormatVersion = 0;
  bool ExtendedElevation = false;
  // Parts station names: '.' (or the file's own) in a .3d file, '|'
  // between prefix and station in a plot file.
  char Separator = '|';

  // Takes one record's passage extent into Top and Bottom.
  void AddExtent(double top, double bottom) {
    Top = HasExtent ? std::max(Top, top) : top;
    Bottom = HasExtent ? std::min(Bottom, bottom) : bottom;
    HasExtent = true;
  }
};

// One traverse's closure as a Survex .3d file records it.
struct TTraverseError {
  int32_t Legs = 0;
  double LengthMetres = 0;
  double E = 0, H = 0, V = 0;
  // Plots.Count() when it was read: its legs are the last Legs drawn
  // records before that.
  int32_t EndPlot = 0;
};

struct TRange {
  int First = 0, Last = -1;
  bool Empty() const { return Last < First; }
};

class TPlotModel {
 public:
  TPlotArray Plots{500};
  THugeInteger LineStarts{50};
  TSurveyArray Surveys{500};
  TSectionArray Sections{50};
  TSplayArray Splays;
  TPlotInfo PlotInfo;
  TSurveyID CurrentSurvey;
  std::vector<TTraverseError> TraverseErrors;
  // Every record's station name, and the aliases of those that have any.
  TStationNames Names;
  // What a Survex .3d file or a Therion model says of its stations, by name
  // id (every name of a place carries the flags of all): kStation* bits;
  // empty for a plot file.
  std::vector<uint8_t> StationFlags;
  // The .3d file's own bits; a Therion model's continuations take one it leaves free.
  static constexpr uint8_t kStationSurface = 0x01, kStationEntrance = 0x04, kStationExported = 0x08,
                           kStationFixed = 0x10, kStationContinuation = 0x80;
  uint8_t StationFlagsOf(const TPlotVector& r) const {
    return r.NameId < StationFlags.size() ? StationFlags[r.NameId] : uint8_t{0};
  }
  // Scrap walls and surfaces; empty but for a Therion model.
  TSurveyMeshes Meshes;

  // The whole name of a record's station; "?" when it has none.
  std::string Name(const TPlotVector& r) const { return Names.Text(r.NameId); }
  // The same without a copy where the name is stored whole.
  std::string_view Name(const TPlotVector& r, std::string& scratch) const { return Names.View(r.NameId, scratch); }
  // The name cut to `max` bytes for a format that limits it, keeping its
  // end (CutStationName).
  std::string CutName(const TPlotVector& r, size_t max) const {
    std::string scratch;
    return std::string(CutStationName(Name(r, scratch), max, PlotInfo.Separator));
  }
  // Gives a record (in Plots or not yet) its whole name; `prefixed` as in
  // TStationNames::Add. Readers of other formats set names this way; the
  // records of one station share one name: set it on the first and copy
  // its NameId to the others, so that aliases and counts see one station.
  void SetName(TPlotVector& r, std::string_view name, bool prefixed = false) { r.NameId = Names.Add(name, prefixed); }
  // Adds another name of the station that `r` names (an equate); nothing
  // for a record without a name.
  void AddAlias(const TPlotVector& r, std::string_view alias) {
    if (r.NameId != TStationNames::kUnnamed) Names.Equate(r.NameId, Names.Add(alias));
  }
  std::vector<std::string> Aliases(const TPlotVector& r) const;
  // The parts of a plot file's name before and after its first '|'.
  std::string Prefix(const TPlotVector& r) const { return Names.Prefix(r.NameId); }
  std::string Station(const TPlotVector& r) const { return Names.Station(r.NameId); }

  void ClearPlotModel();
  TRange SectionSurveyRange(int s) const;
  TRange LinePlotRange(int i) const;
  TRange SurveyPlotRange(int s);  // also copies survey s into CurrentSurvey
  TRange SurveyLineRange(int s) const;
};

}  // namespace lumora
