#pragma once
// Every named station of a loaded survey, for finding stations by name and
// measuring between them. Names compare without regard to ASCII case.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vector.h"
#include "model/PlotArray.h"

namespace lumora {

// One station: a name at one position. A name met at several positions
// (two surveys reusing a name) gives one entry per position.
struct TStationEntry {
  int Plot = 0;     // first record of the station, in file order
  int Survey = -1;  // -1 for records before the first survey
  int Section = -1;
  T3DVector Position;
};

class TStationIndex {
 public:
  // Indexes the model's records: splay ends and feature lines are no
  // stations. The model must outlive the index.
  void Build(const TPlotModel& model);
  void Clear();

  int Count() const { return static_cast<int>(entries_.size()); }
  const TStationEntry& Entry(int i) const { return entries_[i]; }
  std::string_view Name(int i) const;
  std::string_view SurveyName(int i) const;
  std::string_view SectionName(int i) const;
  // Depth below the highest indexed station.
  double Depth(int i) const { return top_ - entries_[i].Position.z; }

  // Entry indices in file order.
  std::vector<int> FindExact(std::string_view name) const;
  std::vector<int> FindPrefix(std::string_view prefix) const;
  // '*' matches any run of characters, '?' any one character.
  std::vector<int> FindPattern(std::string_view pattern) const;
  // A pattern with wildcards as a pattern; a plain name exactly, or as a
  // prefix when no station carries that exact name.
  std::vector<int> Find(std::string_view text) const;

 private:
  std::vector<int> EntriesOfNames(const std::vector<uint32_t>& nameIds) const;
  std::string_view NameKey(uint32_t nameId) const;  // folded
  std::string_view NameKeyWhileBuilding(uint32_t nameId) const;
  std::vector<uint32_t>::const_iterator LowerBound(std::string_view key) const;

  const TPlotModel* model_ = nullptr;
  std::vector<TStationEntry> entries_;
  std::vector<uint32_t> entryName_;  // name id of each entry
  // Distinct folded names, each followed by '\0', in first-seen order, so a
  // literal search over the whole pool finds candidates in one pass.
  std::string pool_;
  std::vector<uint32_t> nameOffset_;  // start of each name in the pool, plus the end
  std::vector<uint32_t> byName_;      // name ids in name order
  std::vector<uint32_t> nameFirst_;   // entries of name k: nameEntries_[nameFirst_[k] .. nameFirst_[k+1])
  std::vector<uint32_t> nameEntries_;
  double top_ = 0;
};

// Whether `name` matches `pattern` ('*' and '?'), ignoring ASCII case.
bool MatchStationPattern(std::string_view pattern, std::string_view name);

struct TMeasurement {
  double Distance = 0;
  double Horizontal = 0;
  double Vertical = 0;  // positive when `to` is higher
  double Bearing = 0;   // degrees clockwise from north, 0 to below 360
  double Gradient = 0;  // degrees above the horizontal, -90 to 90
};

// From `from` to `to`, both x east, y north, z up.
TMeasurement Measure(const T3DVector& from, const T3DVector& to);

}  // namespace lumora
