#include "model/StationIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <unordered_map>
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

bool MatchPatternList(std::string_view list, std::string_view name) {
  while (true) {
    const size_t comma = list.find(',');
    std::string_view one = list.substr(0, comma);
    while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
    if (!one.empty() && MatchStationPattern(one, name)) return true;
    if (comma == std::string_view::npos) return false;
    list.remove_prefix(comma + 1);
  }
}

void TStationIndex::Clear() {
  model_ = nullptr;
  entries_.clear();
  pool_.clear();
  nameOffset_.clear();
  byName_.clear();
  byEnd_.clear();
  nameFirst_.clear();
  nameEntries_.clear();
  links_.clear();
  table_.clear();
  top_ = 0;
}

// The name's id, added when new. During the build the last name has no end
// offset yet; every name ends at its '\0'.
uint32_t TStationIndex::AddName(std::string_view name, std::vector<int>& lastLinkOfName) {
  if (2 * (nameOffset_.size() + 1) > table_.size()) {
    table_.assign(std::max<size_t>(64, 2 * table_.size()), kNoName);
    for (uint32_t k = 0; k < nameOffset_.size(); ++k) {
      size_t slot =
          std::hash<std::string_view>()(std::string_view(pool_.data() + nameOffset_[k])) & (table_.size() - 1);
      while (table_[slot] != kNoName) slot = (slot + 1) & (table_.size() - 1);
      table_[slot] = k;
    }
  }
  const size_t start = pool_.size();
  for (char c : name) pool_.push_back(Fold(c));
  const std::string_view key(pool_.data() + start, pool_.size() - start);
  size_t slot = std::hash<std::string_view>()(key) & (table_.size() - 1);
  while (table_[slot] != kNoName && std::string_view(pool_.data() + nameOffset_[table_[slot]]) != key)
    slot = (slot + 1) & (table_.size() - 1);
  if (table_[slot] != kNoName) {
    pool_.resize(start);
    return table_[slot];
  }
  pool_.push_back('\0');
  table_[slot] = static_cast<uint32_t>(nameOffset_.size());
  nameOffset_.push_back(static_cast<uint32_t>(start));
  lastLinkOfName.push_back(-1);
  return table_[slot];
}

void TStationIndex::Link(uint32_t nameId, int entry, std::vector<int>& lastLinkOfName) {
  for (int l = lastLinkOfName[nameId]; l >= 0; l = links_[l].Previous)
    if (links_[l].Entry == entry) return;
  links_.push_back({nameId, entry, lastLinkOfName[nameId]});
  lastLinkOfName[nameId] = static_cast<int>(links_.size()) - 1;
}

bool TStationIndex::Known(uint32_t nameId, const T3DVector& at, const std::vector<int>& lastLinkOfName) const {
  for (int l = lastLinkOfName[nameId]; l >= 0; l = links_[l].Previous)
    if (Length(Subtract(entries_[links_[l].Entry].Position, at)) < kSameStationFeet) return true;
  return false;
}

void TStationIndex::Build(const TPlotModel& model) {
  Clear();
  model_ = &model;
  separator_ = model.PlotInfo.Separator;
  const int plots = model.Plots.Count();
  const int surveys = model.Surveys.Count();
  const int sections = model.Sections.Count();
  std::vector<int> lastLinkOfName;              // newest link of each name id
  std::unordered_map<TNameId, int> unsearched;  // entries of names too long to search
  entries_.reserve(static_cast<size_t>(plots));
  top_ = -HUGE_VAL;
  std::string scratch;

  int survey = -1, section = sections > 0 ? 0 : -1;
  for (int i = 0; i < plots; ++i) {
    while (survey + 1 < surveys && model.Surveys[survey + 1].FirstPlot <= i) ++survey;
    while (section + 1 < sections && model.Sections[section + 1].FirstSurvey <= std::max(survey, 0)) ++section;
    const TPlotVector& r = model.Plots[i];
    if (r.NameId == TStationNames::kUnnamed || r.Code == 'L' || r.Code == 'V') continue;
    if (survey >= 0 && model.Surveys[survey].Kind != skSurvey) continue;

    const int entry = static_cast<int>(entries_.size());
    if (model.Names.Size(r.NameId) > kLongestSearchedName) {
      if (!unsearched.emplace(r.NameId, entry).second) continue;
    } else {
      const uint32_t id = AddName(model.Name(r, scratch), lastLinkOfName);
      if (Known(id, r.Position, lastLinkOfName)) continue;
      Link(id, entry, lastLinkOfName);
    }
    entries_.push_back({i, survey, section, r.Position});
    if (model.Names.HasAliases())
      for (const TNameId alias : model.Names.Aliases(r.NameId))
        if (model.Names.Size(alias) <= kLongestSearchedName)
          Link(AddName(model.Names.View(alias, scratch), lastLinkOfName), entry, lastLinkOfName);
    top_ = std::max(top_, r.Position.z);
  }
  const uint32_t names = static_cast<uint32_t>(nameOffset_.size());
  nameOffset_.push_back(static_cast<uint32_t>(pool_.size()));
  if (entries_.empty()) top_ = 0;
  table_ = {};

  // Entries grouped by name, each group in file order.
  nameFirst_.assign(names + 1, 0);
  for (const TLink& l : links_) ++nameFirst_[l.Name + 1];
  for (uint32_t k = 0; k < names; ++k) nameFirst_[k + 1] += nameFirst_[k];
  nameEntries_.resize(links_.size());
  std::vector<uint32_t> fill(nameFirst_.begin(), nameFirst_.end() - 1);
  for (const TLink& l : links_) nameEntries_[fill[l.Name]++] = static_cast<uint32_t>(l.Entry);
  links_ = {};
  SortNames();
}

namespace {

// Name ids sorted by `key` of each: the first eight bytes as one number,
// then whole keys where those tie.
template <class Key, class Less>
std::vector<uint32_t> SortedIds(uint32_t names, Key key, Less less) {
  std::vector<std::pair<uint64_t, uint32_t>> keyed(names);
  for (uint32_t k = 0; k < names; ++k) {
    uint64_t head = 0;
    for (size_t b = 0; b < 8; ++b) head = (head << 8) | key(k, b);
    keyed[k] = {head, k};
  }
  std::sort(keyed.begin(), keyed.end());
  for (size_t a = 0; a < keyed.size();) {
    size_t b = a + 1;
    while (b < keyed.size() && keyed[b].first == keyed[a].first) ++b;
    if (b - a > 1)
      std::sort(keyed.begin() + a, keyed.begin() + b,
                [&](const auto& x, const auto& y) { return less(x.second, y.second); });
    a = b;
  }
  std::vector<uint32_t> out(names);
  for (uint32_t k = 0; k < names; ++k) out[k] = keyed[k].second;
  return out;
}

// Whether a, read from its end, comes before b read from its end.
bool EndsBefore(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

uint8_t Byte(std::string_view s, size_t b) { return b < s.size() ? static_cast<unsigned char>(s[b]) : 0; }

}  // namespace

void TStationIndex::SortNames() {
  const uint32_t names = static_cast<uint32_t>(nameOffset_.size() - 1);
  byName_ = SortedIds(
      names, [this](uint32_t k, size_t b) { return Byte(NameKey(k), b); },
      [this](uint32_t x, uint32_t y) { return NameKey(x) < NameKey(y); });
  byEnd_ = SortedIds(
      names,
      [this](uint32_t k, size_t b) {
        const std::string_view n = NameKey(k);
        return b < n.size() ? static_cast<uint8_t>(n[n.size() - 1 - b]) : uint8_t{0};
      },
      [this](uint32_t x, uint32_t y) { return EndsBefore(NameKey(x), NameKey(y)); });
}

std::string TStationIndex::Name(int i) const { return model_->Name(model_->Plots[entries_[i].Plot]); }

std::vector<std::string> TStationIndex::Aliases(int i) const {
  return model_->Aliases(model_->Plots[entries_[i].Plot]);
}

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
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::string_view TStationIndex::NameKey(uint32_t k) const {
  return std::string_view(pool_.data() + nameOffset_[k], nameOffset_[k + 1] - nameOffset_[k] - 1);
}

std::vector<int> TStationIndex::FindExact(std::string_view name) const {
  const std::string key = Folded(name);
  auto it = std::lower_bound(byName_.begin(), byName_.end(), key,
                             [this](uint32_t k, std::string_view v) { return NameKey(k) < v; });
  if (it == byName_.end() || NameKey(*it) != key) return {};
  return EntriesOfNames({*it});
}

std::vector<int> TStationIndex::FindSuffix(std::string_view tail) const {
  if (tail.empty()) return {};
  const std::string key = Folded(std::string(1, separator_) + std::string(tail));
  std::vector<uint32_t> ids;
  // Names sorted from their ends: the ones ending in the key are one run.
  auto it = std::lower_bound(byEnd_.begin(), byEnd_.end(), key,
                             [this](uint32_t k, std::string_view v) { return EndsBefore(NameKey(k), v); });
  for (; it != byEnd_.end() && NameKey(*it).ends_with(key); ++it) ids.push_back(*it);
  return EntriesOfNames(ids);
}

std::vector<int> TStationIndex::FindPrefix(std::string_view prefix) const {
  const std::string key = Folded(prefix);
  std::vector<uint32_t> ids;
  auto it = std::lower_bound(byName_.begin(), byName_.end(), key,
                             [this](uint32_t k, std::string_view v) { return NameKey(k) < v; });
  for (; it != byName_.end() && NameKey(*it).starts_with(key); ++it) ids.push_back(*it);
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
    auto it = std::lower_bound(byName_.begin(), byName_.end(), head,
                               [this](uint32_t k, std::string_view v) { return NameKey(k) < v; });
    for (; it != byName_.end() && NameKey(*it).starts_with(head); ++it)
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

int TStationIndex::FindOne(std::string_view name, std::vector<int>& found) const {
  found = FindExact(name);
  if (found.empty()) found = FindSuffix(name);
  return found.size() == 1 ? found[0] : -1;
}

std::vector<int> TStationIndex::FindAnywhere(std::string_view text) const {
  if (text.empty()) return {};
  // A literal without wildcards goes straight to the one pass over the pool.
  return FindPattern("*" + std::string(text) + "*");
}

std::vector<int> TStationIndex::Find(std::string_view text) const {
  if (HasWildcard(text)) return FindPattern(text);
  std::vector<int> found = FindExact(text);
  std::vector<bool> taken(entries_.size());
  for (int e : found) taken[e] = true;
  for (const std::vector<int>& group : {FindSuffix(text), FindAnywhere(text)})
    for (int e : group)
      if (!taken[e]) {
        taken[e] = true;
        found.push_back(e);
      }
  return found;
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
