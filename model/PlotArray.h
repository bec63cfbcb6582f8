#pragma once
// The survey model: the in-memory image of one loaded plot file. Lengths are
// in feet, x east, y north, z up.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry/HugeArry.h"
#include "geometry/ShortString.h"
#include "geometry/Vector.h"

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

struct TPlotVector {
  char Code = 'M';
  ShortString<20> Name = "?";
  ShortString<20> Prefix;
  ShortString<20> Station;
  T3DVector Position;
  double IValue = 0;
  float Up = 0, Down = 0, Right = 0, Left = 0;
  int32_t ShotIndex = 0;
  ShortString<10> Flags;
  bool Marked = false;
  std::string Comment;

  bool IsSplay() const { return Flags.View().find('S') != std::string_view::npos; }
};

enum TSurveyKind : uint8_t { skSurvey = 0, skFeature = 1, skFeatureRange = 2 };

struct TSurveyID {
  ShortString<20> Name;
  PackedDate SurveyDate = 0;
  PackedDate DiscoveryDate = 0;
  ShortString<255> Comment;
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

struct TSplayShot {
  ShortString<20> FromName, ToName;
  T3DVector From, To;
};

struct TSplayItem {
  T3DVector Position;
  std::vector<TSplayShot> Shots;
};

using TPlotArray = THugeArray<TPlotVector>;
using TSurveyArray = THugeArray<TSurveyID>;
using TSectionArray = THugeArray<TSectionRec>;

// The splays grouped by from-station, items in the order their station was
// first met. Station names match case-sensitively.
class TSplayArray {
 public:
  TSplayArray();
  ~TSplayArray();
  TSplayArray(const TSplayArray&) = delete;
  TSplayArray& operator=(const TSplayArray&) = delete;

  int AddSplay(std::string_view fromName, const T3DVector& from, std::string_view toName, const T3DVector& to);
  void Clear();
  int Count() const;
  const TSplayItem& Item(int i) const;
  std::string_view Key(int i) const;
  int IndexOf(std::string_view fromName) const;
  int ShotCount() const { return shotCount_; }

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
  double Top = 0;
  double Bottom = 0;
  double DepthRange = 0;
  bool HasZone = false;
  int32_t Zone = 0;
  ShortString<255> Datum;
  std::string FileName;
  bool Loaded = false;
  // What a Survex .3d file adds; a plot file leaves them empty.
  std::string FileKind;  // "plot" or "survex-3d"
  std::string Title;
  std::string CoordinateSystem;
  bool ExtendedElevation = false;
};

// One traverse's closure as a Survex .3d file records it.
struct TTraverseError {
  int32_t Legs = 0;
  double LengthMetres = 0;
  double E = 0, H = 0, V = 0;
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

  void ClearPlotModel();
  TRange SectionSurveyRange(int s) const;
  TRange LinePlotRange(int i) const;
  TRange SurveyPlotRange(int s);  // also copies survey s into CurrentSurvey
  TRange SurveyLineRange(int s) const;
};

// The one model of the program.
TPlotModel& PlotModel();

}  // namespace lumora
