#include "model/StationIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <utility>

namespace lumora {
namespace {

// Two records of one name closer than this are the same station: plot
// files give positions to a hundredth of a foot.
constexpr double kSameStationFeet = 0.01;
constexpr uint32_t kNoName = ~0u;

// NUL would end a name in the pool.
char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c == '\0' ? '\1' : c; }

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Fold(c);
  return out;
}

// Iterative glob with one backtrack point: linear for the usual patterns.
bool MatchFolded(std::string_view pattern, std::string_view name, bool foldName) {
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    const char c = foldName ? Fold(name[n]) : name[n];
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && pattern[p] == c))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The longest run of the pattern without wildcards.
std::string_view LongestLiteral(std::string_view pattern) {
  std::string_view best;
  size_t start = 0;
  for (size_t i = 0; i <= pattern.size(); ++i)
    if (i == pattern.size() || pattern[i] == '*' || pattern[i] == '?') {
      if (i - start > best.size()) best = pattern.substr(start, i - start);
      start = i + 1;
    }
  return best;
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace

bool MatchStationPattern(std::string_view pattern, std::string_view name) {
  return MatchFolded(Folded(pattern), name, true);
}

void TStationIndex::Clear() {
  model_ = nullptr;
  entries_.clear();
  entryName_.clear();
  pool_.clear();
  nameOffset_.clear();
  byName_.clear();
  nameFirst_.clear();
  nameEntries_.clear();
  top_ = 0;
}

void TStationIndex::Build(const TPlotModel& model) {
  Clear();
  model_ = &model;
  const int plots = model.Plots.Count();
  const int surveys = model.Surveys.Count();
  const int sections = model.Sections.Count();

  // Views into the pool must stay valid while it grows.
  size_t poolSize = 0;
  for (int i = 0; i < plots; ++i) poolSize += model.Plots[i].Name.Size() + 1;
  pool_.reserve(poolSize);

  // Open addressing over name ids: no allocation per name.
  size_t slots = 16;
  while (slots < 2 * static_cast<size_t>(plots)) slots *= 2;
  std::vector<uint32_t> table(slots, kNoName);
  std::vector<int> lastEntryOfName;  // newest entry of each name id
  std::vector<int> previousOfName;   // entry -> the name's entry before it
  entries_.reserve(static_cast<size_t>(plots));
  top_ = -HUGE_VAL;

  int survey = -1, section = sections > 0 ? 0 : -1;
  for (int i = 0; i < plots; ++i) {
    while (survey + 1 < surveys && model.Surveys[survey + 1].FirstPlot <= i) ++survey;
    while (section + 1 < sections && model.Sections[section + 1].FirstSurvey <= std::max(survey, 0)) ++section;
    const TPlotVector& r = model.Plots[i];
    if (r.Name.Empty() || r.IsSplay() || r.Code == 'L' || r.Code == 'V') continue;
    if (survey >= 0 && model.Surveys[survey].Kind != skSurvey) continue;

    const size_t start = pool_.size();
    for (char c : r.Name.View()) pool_.push_back(Fold(c));
    const std::string_view key(pool_.data() + start, pool_.size() - start);
    size_t slot = std::hash<std::string_view>()(key) & (slots - 1);
    while (table[slot] != kNoName && NameKeyWhileBuilding(table[slot]) != key) slot = (slot + 1) & (slots - 1);
    const bool added = table[slot] == kNoName;
    if (added) table[slot] = static_cast<uint32_t>(nameOffset_.size());
    const uint32_t id = table[slot];
    if (added) {
      pool_.push_back('\0');
      nameOffset_.push_back(static_cast<uint32_t>(start));
      lastEntryOfName.push_back(-1);
    } else {
      pool_.resize(start);
      bool known = false;
      for (int e = lastEntryOfName[id]; e >= 0 && !known; e = previousOfName[e])
        known = Length(Subtract(entries_[e].Position, r.Position)) < kSameStationFeet;
      if (known) continue;
    }
    previousOfName.push_back(lastEntryOfName[id]);
    lastEntryOfName[id] = static_cast<int>(entries_.size());
    entries_.push_back({i, survey, section, r.Position});
    entryName_.push_back(id);
    top_ = std::max(top_, r.Position.z);
  }
  const uint32_t names = static_cast<uint32_t>(nameOffset_.size());
  nameOffset_.push_back(static_cast<uint32_t>(pool_.size()));
  if (entries_.empty()) top_ = 0;

  // Entries grouped by name, each group in file order.
  nameFirst_.assign(names + 1, 0);
  for (uint32_t id : entryName_) ++nameFirst_[id + 1];
  for (uint32_t k = 0; k < names; ++k) nameFirst_[k + 1] += nameFirst_[k];
  nameEntries_.resize(entries_.size());
  std::vector<uint32_t> fill(nameFirst_.begin(), nameFirst_.end() - 1);
  for (uint32_t e = 0; e < entries_.size(); ++e) nameEntries_[fill[entryName_[e]]++] = e;

  // Sorted on the first eight bytes as one number, then whole names where those tie.
  std::vector<std::pair<uint64_t, uint32_t>> keyed(names);
  for (uint32_t k = 0; k < names; ++k) {
    const std::string_view name = NameKey(k);
    uint64_t head = 0;
    for (size_t b = 0; b < 8; ++b) head = (head << 8) | (b < name.size() ? static_cast<unsigned char>(name[b]) : 0);
    keyed[k] = {head, k};
  }
  std::sort(keyed.begin(), keyed.end());
  for (size_t a = 0; a < keyed.size();) {
    size_t b = a + 1;
    while (b < keyed.size() && keyed[b].first == keyed[a].first) ++b;
    if (b - a > 1)
      std::sort(keyed.begin() + a, keyed.begin() + b,
                [this](const auto& x, const auto& y) { return NameKey(x.second) < NameKey(y.second); });
    a = b;
  }
  byName_.resize(names);
  for (uint32_t k = 0; k < names; ++k) byName_[k] = keyed[k].second;
}

std::string_view TStationIndex::Name(int i) const { return model_->Plots[entries_[i].Plot].Name.View(); }

std::string_view TStationIndex::SurveyName(int i) const {
  const int s = entries_[i].Survey;
  return s >= 0 ? model_->Surveys[s].Name.View() : std::string_view();
}

std::string_view TStationIndex::SectionName(int i) const {
  const int s = entries_[i].Section;
  return s >= 0 ? model_->Sections[s].Name.View() : std::string_view();
}

std::vector<int> TStationIndex::EntriesOfNames(const std::vector<uint32_t>& nameIds) const {
  std::vector<int> out;
  for (uint32_t k : nameIds)
    for (uint32_t j = nameFirst_[k]; j < nameFirst_[k + 1]; ++j) out.push_back(static_cast<int>(nameEntries_[j]));
  std::sort(out.begin(), out.end());
  return out;
}

// During the build the last name has no end offset yet; every name ends at its '\0'.
std::string_view TStationIndex::NameKeyWhileBuilding(uint32_t k) const {
  return std::string_view(pool_.data() + nameOffset_[k]);
}

std::string_view TStationIndex::NameKey(uint32_t k) const {
  return std::string_view(pool_.data() + nameOffset_[k], nameOffset_[k + 1] - nameOffset_[k] - 1);
}

// The first name id in name order not below `key`.
std::vector<uint32_t>::const_iterator TStationIndex::LowerBound(std::string_view key) const {
  return std::lower_bound(byName_.begin(), byName_.end(), key,
                          [this](uint32_t k, std::string_view v) { return NameKey(k) < v; });
}

std::vector<int> TStationIndex::FindExact(std::string_view name) const {
  const std::string key = Folded(name);
  auto it = LowerBound(key);
  if (it == byName_.end() || NameKey(*it) != key) return {};
  return EntriesOfNames({*it});
}

std::vector<int> TStationIndex::FindPrefix(std::string_view prefix) const {
  const std::string key = Folded(prefix);
  std::vector<uint32_t> ids;
  for (auto it = LowerBound(key); it != byName_.end() && NameKey(*it).starts_with(key); ++it) ids.push_back(*it);
  return EntriesOfNames(ids);
}

std::vector<int> TStationIndex::FindPattern(std::string_view pattern) const {
  const std::string folded = Folded(pattern);
  const size_t firstWild = folded.find_first_of("*?");
  const size_t lastWild = folded.find_last_of("*?");
  const std::string_view head = std::string_view(folded).substr(0, firstWild);
  const std::string_view tail =
      lastWild == std::string::npos ? std::string_view() : std::string_view(folded).substr(lastWild + 1);
  // Cheap tests first: most candidates fail on the pattern's end.
  auto matches = [&](uint32_t k) {
    const std::string_view name = NameKey(k);
    return name.ends_with(tail) && MatchFolded(folded, name, false);
  };
  std::vector<uint32_t> ids;
  if (!head.empty()) {
    // Names sorted: the ones starting with the head are one run.
    for (auto it = LowerBound(head); it != byName_.end() && NameKey(*it).starts_with(head); ++it)
      if (matches(*it)) ids.push_back(*it);
    return EntriesOfNames(ids);
  }
  const std::string_view literal = LongestLiteral(folded);
  const uint32_t names = static_cast<uint32_t>(byName_.size());
  if (literal.empty()) {
    for (uint32_t k = 0; k < names; ++k)
      if (matches(k)) ids.push_back(k);
    return EntriesOfNames(ids);
  }
  // Only names holding the longest literal can match: one pass over the pool.
  size_t from = 0;
  auto next = nameOffset_.begin();
  while (from < pool_.size()) {
    const void* hit = memmem(pool_.data() + from, pool_.size() - from, literal.data(), literal.size());
    if (!hit) break;
    next =
        std::upper_bound(next, nameOffset_.end(), static_cast<uint32_t>(static_cast<const char*>(hit) - pool_.data()));
    const uint32_t k = static_cast<uint32_t>(next - nameOffset_.begin() - 1);
    if (matches(k)) ids.push_back(k);
    from = nameOffset_[k + 1];
  }
  return EntriesOfNames(ids);
}

std::vector<int> TStationIndex::Find(std::string_view text) const {
  if (HasWildcard(text)) return FindPattern(text);
  std::vector<int> exact = FindExact(text);
  return exact.empty() ? FindPrefix(text) : exact;
}

TMeasurement Measure(const T3DVector& from, const T3DVector& to) {
  constexpr double kDegrees = 180 / std::numbers::pi;
  const double dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
  TMeasurement m;
  m.Horizontal = std::hypot(dx, dy);
  m.Vertical = dz;
  m.Distance = std::hypot(m.Horizontal, dz);
  if (m.Horizontal > 0) {
    m.Bearing = std::atan2(dx, dy) * kDegrees;
    if (m.Bearing < 0) m.Bearing += 360;
    if (m.Bearing >= 360) m.Bearing = 0;
  }
  if (m.Distance > 0) m.Gradient = std::atan2(dz, m.Horizontal) * kDegrees;
  return m;
}

}  // namespace lumora
