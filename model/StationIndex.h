#pragma once
// Every named station of a loaded survey, for finding stations by name and
// measuring between them. Names are whole (a Survex station's full dotted
// name) and compare without regard to ASCII case; a station is found under
// each of its names (aliases) and by any part of its name that follows a
// separator ("rumblinghole.entrance" of "leckmasongill.rumblinghole.entrance").

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
  // Names longer than this are kept in the model but not searched: no one
  // types them, and a hostile file could make the index huge with them.
  static constexpr size_t kLongestSearchedName = 4096;

  // Indexes the model's named records, splay ends included; feature lines
  // are no stations. The model must outlive the index.
  void Build(const TPlotModel& model);
  void Clear();

  int Count() const { return static_cast<int>(entries_.size()); }
  const TStationEntry& Entry(int i) const { return entries_[i]; }
  std::string Name(int i) const;
  // The station's other names, in the order the file gave them.
  std::vector<std::string> Aliases(int i) const;
  std::string_view SurveyName(int i) const;
  std::string_view SectionName(int i) const;
  // Depth below the highest indexed station.
  double Depth(int i) const { return top_ - entries_[i].Position.z; }

  // Entry indices in file order.
  std::vector<int> FindExact(std::string_view name) const;
  // Stations with a name that ends in a separator and `tail`.
  std::vector<int> FindSuffix(std::string_view tail) const;
  std::vector<int> FindPrefix(std::string_view prefix) const;
  // '*' matches any run of characters, '?' any one character.
  std::vector<int> FindPattern(std::string_view pattern) const;
  // The one station a name means: its whole name, else the one whose name
  // ends in it after a separator. Several or none: `found` lists them.
  int FindOne(std::string_view name, std::vector<int>& found) const;
  // Names holding `text` anywhere.
  std::vector<int> FindAnywhere(std::string_view text) const;
  // The rule of every search by name, the window's and the command line's:
  // a pattern with wildcards as a pattern; plain text anywhere in a name,
  // exact names first, then names ending in it after a separator, then the
  // rest, each group in file order.
  std::vector<int> Find(std::string_view text) const;

 private:
  std::vector<int> EntriesOfNames(const std::vector<uint32_t>& nameIds) const;
  std::string_view NameKey(uint32_t nameId) const;  // folded
  uint32_t AddName(std::string_view name, std::vector<int>& lastEntryOfName);
  void Link(uint32_t nameId, int entry, std::vector<int>& lastEntryOfName);
  bool Known(uint32_t nameId, const T3DVector& at, const std::vector<int>& lastEntryOfName) const;
  void SortNames();

  const TPlotModel* model_ = nullptr;
  char separator_ = '.';
  std::vector<TStationEntry> entries_;
  // Distinct folded names, each followed by '\0', in first-seen order, so a
  // literal search over the whole pool finds candidates in one pass.
  std::string pool_;
  std::vector<uint32_t> nameOffset_;  // start of each name in the pool, plus the end
  std::vector<uint32_t> byName_;      // name ids in name order
  std::vector<uint32_t> byEnd_;       // name ids in the order of their reversed names
  std::vector<uint32_t> nameFirst_;   // entries of name k: nameEntries_[nameFirst_[k] .. nameFirst_[k+1])
  std::vector<uint32_t> nameEntries_;
  // While building: each name's link to an entry, chained per name.
  struct TLink {
    uint32_t Name;
    int Entry;
    int Previous;  // the name's link before this one
  };
  std::vector<TLink> links_;
  std::vector<uint32_t> table_;  // open addressing over name ids while building
  double top_ = 0;
};

// Whether `name` matches `pattern` ('*' and '?'), ignoring ASCII case.
bool MatchStationPattern(std::string_view pattern, std::string_view name);
// Whether `name` matches one of the comma-separated patterns of `list`
// (surveys chosen on the command line); blanks around each are dropped.
bool MatchPatternList(std::string_view list, std::string_view name);

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
