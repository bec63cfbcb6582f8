#include "model/DemoCave.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <unordered_map>

namespace lumora {
namespace {

constexpr double kFloor = -430;  // the cave stays within a few hundred feet of depth
constexpr double kCeiling = 25;
constexpr const char* kCRLF = "\r\n";

// splitmix64: small, fast and the same sequence with every library, which
// the standard distributions are not.
class TDemoRandom {
 public:
  explicit TDemoRandom(uint32_t seed) : state_(seed * 0xD1B54A32D192ED03ull + 0x8CB92BA72F3D8DD7ull) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(double p) { return Unit() < p; }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Next() % N];
  }

 private:
  uint64_t state_;
};

std::string Fixed(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  return std::string(buf, r.ptr);
}

// The value the reader gets back from what we write, so that every figure
// we derive is computed from the same doubles as the reader's.
double Q(double v) {
  const std::string s = Fixed(v);
  double q = 0;
  std::from_chars(s.data(), s.data() + s.size(), q);
  return q == 0 ? 0.0 : q;  // never write "-0.00"
}
T3DVector Q(const T3DVector& v) { return {Q(v.x), Q(v.y), Q(v.z)}; }

void GrowBox(T3DVector& lo, T3DVector& hi, const T3DVector& p) {
  lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
  hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
}

// North, east, elevation: the order of every line but the splay lines.
std::string NorthEastUp(const T3DVector& p) { return Fixed(p.y) + " " + Fixed(p.x) + " " + Fixed(p.z); }
std::string EastNorthUp(const T3DVector& p) { return Fixed(p.x) + " " + Fixed(p.y) + " " + Fixed(p.z); }
std::string BoxNumbers(const T3DVector& lo, const T3DVector& hi) {
  return Fixed(lo.y) + " " + Fixed(hi.y) + " " + Fixed(lo.x) + " " + Fixed(hi.x) + " " + Fixed(lo.z) + " " +
         Fixed(hi.z);
}

// A, B, ..., Z, AA, AB, ...
std::string Designation(int k) {
  std::string s;
  for (++k; k > 0; k = (k - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (k - 1) % 26));
  return s;
}

const char* const kSectionNames[] = {"Entrance Series",      "North Branch", "The Abyss",
                                     "Lower Stream Passage", "Crystal Maze", "Southwest Extension",
                                     "Fossil Galleries",     "Sump Series"};
// Odd sections come from linked projects, so their names carry a prefix.
const char* const kSectionPrefixes[] = {"", "NB", "", "LS", "", "SW", "", "SS"};
constexpr int kMaxSections = 8;

const char* const kSurveyComments[] = {
    "Surveyed by A. Rivera and K. Osei",
    "Resurvey of the 1978 line, old tags found",
    "Sketch: T. Novak; instruments: tape, compass and clino",
    "Pushed to a sump, no way on",
    "Survey through the breakdown; loose rock",
    "Connection survey between the two series",
    "Lead checking trip, several leads left",
    "Wet trip: the stream was high",
};

const char* const kStationNotes[] = {
    "Breakdown pile, climb on the left",
    "Small stream enters from the ceiling",
    "Bat roost, do not disturb in winter",
    "Helictites on the north wall",
    "Tight squeeze, 30 cm",
    "Named \"The Chapel\" by the 1998 team",
    "Mud floor, footprints",
    "Dig site: draughting strongly",
    "Flowstone cascade",
    "Rigging: 2 bolts + natural",
    "Gypsum needles (fragile)",
    "Old survey tag C\\14 found here",
};

struct TFeatureKind {
  const char* Name;
  double Low, High;
};
const TFeatureKind kFeatures[] = {
    {"Stream_Depth", 0.0, 6.5}, {"Air_Temp", -2.0, 14.5}, {"Radon", 20.0, 850.0}, {"CO2", 0.04, 3.2}};

struct TLrud {
  double Left = 0, Up = 0, Down = 0, Right = 0;
};

// The optional parts of a plot record line, which the reader only finds in
// the order P, I, F, comment: a record has a prefix of them.
struct TParts {
  bool HasLrud = false;
  TLrud Lrud;
  bool HasI = false;  // with I come F and, when given, the comment
  double I = 0;
  std::string Flags;
  std::vector<std::string> CommentLines;
  bool Marked = false;
  bool HasValue = false;  // 'L' lines: the V part
  double Value = 0;
};

class TDemoWriter {
 public:
  explicit TDemoWriter(const TDemoOptions& options) : options_(options), rng_(options.Seed) {}

  TDemoCave Run() {
    auto& s = summary_;
    s.Min = s.StationMin = {9.9e99, 9.9e99, 9.9e99};
    s.Max = s.StationMax = {-9.9e99, -9.9e99, -9.9e99};

    const int n = options_.Stations;
    const int sections = std::clamp(n / 450, n >= 40 ? 2 : 1, kMaxSections);
    int left = n;
    for (int sec = 0; sec < sections; ++sec) {
      const int remaining = sections - sec;
      int budget = left;
      if (remaining > 1) {
        budget = static_cast<int>(left / remaining * rng_.Range(0.75, 1.25));
        budget = std::clamp(budget, 20, left - 20 * (remaining - 1));
      }
      left -= budget;
      Section(sec, budget);
    }

    s.Stations = s.M + s.D + s.d;
    s.LineStarts = s.M + s.L + s.V;
    s.SplayItems = static_cast<int>(s.SplayList.size());
    for (const auto& sv : s.SurveyList) (sv.Kind == skSurvey ? s.Surveys : s.Features)++;

    // Whole feet, a foot outside the outermost station.
    for (double T3DVector::*c : {&T3DVector::x, &T3DVector::y, &T3DVector::z}) {
      s.Min.*c = Q(std::floor(s.StationMin.*c) - 1);
      s.Max.*c = Q(std::ceil(s.StationMax.*c) + 1);
    }
    s.Zone = 13;
    s.Datum = "North American 1983";

    TDemoCave cave;
    cave.Text = Header() + body_ + static_cast<char>(26);
    cave.Summary = std::move(summary_);
    return cave;
  }

 private:
  struct TStation {
    std::string Name;
    T3DVector Pos;
    double Heading = 0;  // degrees from north, of the passage arriving here
  };

  std::string Header() {
    const auto& s = summary_;
    std::string h;
    h += "Z " + BoxNumbers(s.Min, s.Max) + " I 11.20" + kCRLF;
    h += "U" + DemoOptionsLine(options_) + kCRLF;
    h += "G " + std::to_string(s.Zone) + kCRLF;
    // The datum is read from right after the letter: no space there.
    h += "O" + s.Datum + kCRLF;
    h += std::string("C 3") + kCRLF + "K 1" + kCRLF;
    h += "P " + entranceName_ + " " + NorthEastUp(entrance_) + " /Main entrance, GPS fix/" + kCRLF;
    h += SurfaceMesh();
    return h;
  }

  // A triangle block of the ground above the entrance, spread over lines.
  std::string SurfaceMesh() {
    constexpr int kCells = 2;
    const int triangles = kCells * kCells * 2;
    auto ground = [&](int i, int j) {
      return T3DVector{entrance_.x + (i - 1) * 150.0, entrance_.y + (j - 1) * 150.0,
                       Q(entrance_.z + 12.0 * std::sin(i * 1.3 + j * 0.7))};
    };
    std::string t = "T SURFACE " + std::to_string(triangles) + " 0.00 0.00 0.00" + kCRLF;
    for (int i = 0; i < kCells; ++i)
      for (int j = 0; j < kCells; ++j) {
        const T3DVector a = ground(i, j), b = ground(i + 1, j), c = ground(i + 1, j + 1), d = ground(i, j + 1);
        const T3DVector* corners[] = {&a, &b, &c, &a, &c, &d};
        for (int k = 0; k < 6; ++k) {
          t += ' ';
          t += EastNorthUp(*corners[k]);
          if (k % 3 == 2) t += kCRLF;
        }
      }
    return t;
  }

  void Section(int sec, int budget) {
    const std::string name = kSectionNames[sec];
    body_ += "S" + name + kCRLF;
    summary_.Sections.push_back({name, static_cast<int>(summary_.SurveyList.size())});
    prefix_ = kSectionPrefixes[sec];
    const int firstStation = static_cast<int>(stations_.size());

    int lastOfPrevious = -1;
    while (budget > 0) {
      int b = rng_.Int(12, 60);
      if (budget - b < 8) b = budget;
      budget -= b;

      int tie = -1;
      if (stations_.empty()) {
        tie = -1;  // the entrance
      } else if (lastOfPrevious < 0) {
        tie = rng_.Int(0, static_cast<int>(stations_.size()) - 1);  // a lead from an earlier series
      } else if (rng_.Chance(0.55)) {
        tie = lastOfPrevious;
      } else {
        const int lo = rng_.Chance(0.85) ? firstStation : 0;
        tie = rng_.Int(lo, static_cast<int>(stations_.size()) - 1);
      }
      lastOfPrevious = Survey(b, tie);
    }

    const int sectionStations = static_cast<int>(stations_.size()) - firstStation;
    const int features = sec == 0 ? 2 : rng_.Int(0, 2);
    for (int f = 0; f < features && sectionStations >= 2; ++f) Feature(firstStation, sectionStations);

    for (int r = rng_.Int(0, 2); r > 0 && stations_.size() >= 4; --r) Loop(firstStation);
  }

  // Returns the index of the survey's last station.
  int Survey(int budget, int tie) {
    const std::string desig = Designation(surveyCounter_++);
    auto& cur = survey_;
    cur.Kind = skSurvey;
    cur.Name = desig;
    std::string line = "N" + desig;
    if (rng_.Chance(0.05)) {
      cur.SurveyDate = cur.DiscoveryDate = kNoDate;  // no date given: no comment either
      cur.Comment.clear();
    } else {
      const int year = rng_.Int(1972, 2023), month = rng_.Int(1, 12), day = rng_.Int(1, 28);
      cur.SurveyDate = cur.DiscoveryDate = PackDate(year, month, day);
      cur.Comment = rng_.Pick(kSurveyComments);
      line +=
          " D " + std::to_string(month) + " " + std::to_string(day) + " " + std::to_string(year) + "  C" + cur.Comment;
    }
    StartSurveyRecord();
    body_ += line + kCRLF;
    if (cur.SurveyDate != kNoDate && rng_.Chance(0.15)) {
      const int year = std::max(1950, DateYear(cur.SurveyDate) - rng_.Int(0, 6));
      const int month = rng_.Int(1, 12), day = rng_.Int(1, 28);
      cur.DiscoveryDate = PackDate(year, month, day);
      body_ +=
          "E" + desig + " D " + std::to_string(month) + " " + std::to_string(day) + " " + std::to_string(year) + kCRLF;
    }

    const int firstStation = static_cast<int>(stations_.size());
    int next = 1;
    int at = tie;
    if (tie < 0) {
      entrance_ = {0, 0, 0};
      entranceName_ = StationName(desig, next++);
      stations_.push_back({entranceName_, entrance_, rng_.Range(0, 360)});
      at = static_cast<int>(stations_.size()) - 1;
    }
    heading_ = stations_[at].Heading + (tie < 0 ? 0 : rng_.Range(-60, 60));
    pitchLeft_ = 0;
    StationRecord('M', stations_[at].Name, stations_[at].Pos, 0, false);
    --budget;

    std::vector<TStation> later;  // second splay groups, written at the survey's end
    int shotsInLine = 0;
    while (budget > 0) {
      if (shotsInLine >= 2 && budget >= 3 && rng_.Chance(0.07)) {
        at = rng_.Int(firstStation, static_cast<int>(stations_.size()) - 1);
        heading_ = stations_[at].Heading + (rng_.Chance(0.5) ? 1 : -1) * rng_.Range(60, 120);
        pitchLeft_ = 0;
        StationRecord('M', stations_[at].Name, stations_[at].Pos, 0, false);
        --budget;
        shotsInLine = 0;
        continue;
      }

      double length = 0;
      bool pitch = false;
      const T3DVector pos = NextPosition(stations_[at].Pos, length, pitch);
      const char code = rng_.Chance(0.03) ? 'd' : 'D';
      stations_.push_back({StationName(desig, next++), pos, heading_});
      at = static_cast<int>(stations_.size()) - 1;
      StationRecord(code, stations_[at].Name, pos, length, pitch);
      --budget;
      ++shotsInLine;
      if (code == 'd') continue;

      if (rng_.Chance(0.12)) {
        SplayGroup(stations_[at]);
        if (rng_.Chance(0.25)) later.push_back(stations_[at]);
      }
      if (budget >= 1 && rng_.Chance(0.1)) {
        const int k = rng_.Int(1, std::min(3, budget));
        for (int j = 1; j <= k; ++j) SplayRecord(stations_[at], j);
        budget -= k;
      }
    }
    for (const TStation& st : later) SplayGroup(st);

    body_ += "X " + BoxNumbers(cur.Min, cur.Max) + kCRLF;
    summary_.SurveyList.push_back(cur);
    return at;
  }

  void StartSurveyRecord() {
    survey_.FirstPlot = static_cast<int>(summary_.Records.size());
    survey_.FirstLine = summary_.M + summary_.L + summary_.V;
    survey_.Min = {9.9e99, 9.9e99, 9.9e99};
    survey_.Max = {-9.9e99, -9.9e99, -9.9e99};
  }

  std::string StationName(const std::string& desig, int number) const {
    const std::string name = desig + std::to_string(number);
    return prefix_.empty() ? name : prefix_ + "|" + name;
  }

  // The next station of the walk: realistic shots of 5 to 50 feet that
  // wander, with now and then a pitch of a few near-vertical shots.
  T3DVector NextPosition(const T3DVector& from, double& length, bool& pitch) {
    if (pitchLeft_ == 0 && rng_.Chance(0.05)) {
      pitchLeft_ = rng_.Int(1, 4);
      pitchDown_ = from.z > kFloor + 60 ? rng_.Chance(0.8) : false;
      if (from.z > 0) pitchDown_ = true;
    }
    double inclination;
    if (pitchLeft_ > 0) {
      --pitchLeft_;
      pitch = true;
      inclination = (pitchDown_ ? -1 : 1) * rng_.Range(70, 90);
      length = rng_.Range(10, 50);
      if (!pitchDown_ && from.z + length > kCeiling) inclination = -inclination;
      if (pitchDown_ && from.z - length < kFloor) inclination = -inclination;
    } else {
      heading_ += rng_.Range(-35, 35);
      inclination = rng_.Range(-18, 14);
      if (from.z < kFloor) inclination = rng_.Range(0, 20);
      if (from.z > kCeiling) inclination = rng_.Range(-20, 0);
      const double u = rng_.Unit();
      length = 5 + 45 * u * u;
    }
    heading_ = std::fmod(heading_ + 360, 360);
    const double h = heading_ * std::numbers::pi / 180, i = inclination * std::numbers::pi / 180;
    const T3DVector to = Q(T3DVector{from.x + length * std::sin(h) * std::cos(i),
                                     from.y + length * std::cos(h) * std::cos(i), from.z + length * std::sin(i)});
    length = std::hypot(to.x - from.x, to.y - from.y, to.z - from.z);
    return to;
  }

  TLrud MakeLrud(bool pitch) {
    TLrud l{rng_.Range(0.5, 12), rng_.Range(0.5, pitch ? 60 : 15), rng_.Range(0.2, pitch ? 40 : 6),
            rng_.Range(0.5, 12)};
    double* values[] = {&l.Left, &l.Up, &l.Down, &l.Right};
    if (rng_.Chance(0.05)) *values[rng_.Int(0, 3)] = rng_.Chance(0.5) ? -9.0 : -rng_.Range(0.1, 5);
    if (rng_.Chance(0.02)) *(rng_.Chance(0.5) ? &l.Left : &l.Right) = 999;
    for (double* v : values) *v = Q(*v);
    return l;
  }

  void StationRecord(char code, const std::string& name, const T3DVector& pos, double length, bool pitch) {
    TParts p;
    if (rng_.Chance(0.05) && code != 'M') {
      Record(code, name, pos, p);  // no extents, and so nothing after the name
      return;
    }
    p.HasLrud = true;
    p.Lrud = MakeLrud(pitch);
    p.HasI = true;
    p.I = Q(length);
    if (code == 'd')
      p.Flags = "X";
    else if (rng_.Chance(0.03))
      p.Flags = "L";
    if (code != 'd' && rng_.Chance(0.05)) {
      const int lines = rng_.Int(1, 3);
      for (int i = 0; i < lines; ++i) p.CommentLines.push_back(rng_.Pick(kStationNotes));
      p.Marked = rng_.Chance(0.3);
    }
    Record(code, name, pos, p);
  }

  T3DVector SplayEnd(const T3DVector& from) {
    const double h = rng_.Range(0, 2 * std::numbers::pi), i = rng_.Range(-0.7, 0.7), len = rng_.Range(3, 25);
    return Q(T3DVector{from.x + len * std::sin(h) * std::cos(i), from.y + len * std::cos(h) * std::cos(i),
                       from.z + len * std::sin(i)});
  }

  // A splay written as a plot record flagged 'S'.
  void SplayRecord(const TStation& st, int j) {
    TParts p;
    p.HasLrud = true;
    p.Lrud = {-9, -9, -9, -9};
    p.HasI = true;
    const T3DVector end = SplayEnd(st.Pos);
    p.I = Q(std::hypot(end.x - st.Pos.x, end.y - st.Pos.y, end.z - st.Pos.z));
    p.Flags = "S";
    std::string name = st.Name;
    name += 's';
    name += std::to_string(j);
    Record('D', name, end, p);
  }

  // Splays written as one 'V' 'A' line: x east, y north, z up.
  void SplayGroup(const TStation& st) {
    const int n = rng_.Int(2, 5);
    auto [it, added] = splayIndex_.try_emplace(st.Name, static_cast<int>(summary_.SplayList.size()));
    if (added) summary_.SplayList.push_back({st.Name, st.Pos, 0});
    summary_.SplayList[it->second].Shots += n;
    summary_.SplayShots += n;
    GrowBox(summary_.StationMin, summary_.StationMax, st.Pos);

    std::string line = "VA " + st.Name + " " + EastNorthUp(st.Pos) + " " + std::to_string(n);
    const int first = summary_.SplayList[it->second].Shots - n;
    for (int i = 0; i < n; ++i) {
      const T3DVector end = SplayEnd(st.Pos);
      GrowBox(summary_.StationMin, summary_.StationMax, end);
      line += " " + st.Name + static_cast<char>('a' + (first + i) % 26) + " " + EastNorthUp(end);
    }
    body_ += line + kCRLF;
  }

  // A measured quantity along stations of the section just written.
  void Feature(int firstStation, int sectionStations) {
    const TFeatureKind& kind = rng_.Pick(kFeatures);
    const bool ranged = featureCounter_++ % 3 != 1;
    survey_.Name = kind.Name;
    survey_.Kind = ranged ? skFeatureRange : skFeature;
    std::string line = "F" + survey_.Name;
    if (ranged) {
      featureLow_ = Q(kind.Low);
      featureHigh_ = Q(kind.High);
      line += " R " + Fixed(featureLow_) + " " + Fixed(featureHigh_);
    }
    StartSurveyRecord();
    body_ += line + kCRLF;

    const int count = rng_.Int(2, std::min(12, sectionStations));
    const int start = firstStation + rng_.Int(0, sectionStations - count);
    for (int i = 0; i < count; ++i) {
      const TStation& st = stations_[start + i];
      TParts p;
      p.HasLrud = true;
      // A feature without its own range still takes the last one given, so
      // leave the first point of such a feature without a value.
      p.HasValue = ranged || (i > 0 && rng_.Chance(0.5));
      p.Value = Q(rng_.Range(featureLow_, featureHigh_));
      Record('L', st.Name, st.Pos, p);
    }
    body_ += "X " + BoxNumbers(survey_.Min, survey_.Max) + kCRLF;
    summary_.SurveyList.push_back(survey_);
  }

  // A loop closure line: read by the reader and not kept.
  void Loop(int firstStation) {
    const int n = rng_.Int(1, 4);
    const int count = static_cast<int>(stations_.size());
    std::string line = "R " + std::to_string(n);
    for (int i = 0; i < 3 + n; ++i)
      line += " " + stations_[rng_.Int(std::min(firstStation, count - 1), count - 1)].Name;
    // The number ends at a blank, so the colon stands apart.
    line += " S " + Fixed(Q(rng_.Range(0.05, 2.5))) + " : closure error" + kCRLF;
    body_ += line;
  }

  void Record(char code, const std::string& name, const T3DVector& pos, const TParts& p) {
    auto& s = summary_;
    TDemoRecord r;
    r.Code = code;
    r.Name = name;
    r.Position = pos;

    std::string line(1, code);
    line += " " + NorthEastUp(pos) + " S" + name;
    if (p.HasLrud) {
      const TLrud& l = p.Lrud;
      line += " P " + Fixed(l.Left) + " " + Fixed(l.Up) + " " + Fixed(l.Down) + " " + Fixed(l.Right);
      r.Left = static_cast<float>(l.Left);
      r.Up = static_cast<float>(l.Up);
      r.Down = static_cast<float>(l.Down);
      r.Right = static_cast<float>(l.Right);
      s.Top = hasExtent_ ? std::max(s.Top, pos.z + r.Up) : pos.z + r.Up;
      s.Bottom = hasExtent_ ? std::min(s.Bottom, pos.z - r.Down) : pos.z - r.Down;
      hasExtent_ = true;
    }
    if (code == 'L') {
      if (p.HasValue) {
        line += " V " + Fixed(p.Value);
        r.Code = 'V';
        r.Right = static_cast<float>(p.Value);
        r.Down = static_cast<float>(featureLow_);
        r.Up = static_cast<float>(featureHigh_);
      }
    } else if (p.HasI) {
      line += " I " + Fixed(p.I) + " F" + p.Flags;
      r.IValue = p.I;
      r.Flags = p.Flags;
      if (!p.CommentLines.empty()) line += " \"" + EncodeComment(p, r) + "\"";
    }
    body_ += line + kCRLF;

    switch (r.Code) {
      case 'M':
        ++s.M;
        break;
      case 'd':
        ++s.d;
        break;
      case 'L':
        ++s.L;
        break;
      case 'V':
        ++s.V;
        break;
      case 'D':
        ++s.D;
        if (r.Flags.find('S') != std::string::npos) {
          ++s.SplayRecords;
        } else if (!s.Records.empty()) {
          const T3DVector& a = s.Records.back().Position;
          s.ShotLengthFeet += std::hypot(pos.x - a.x, pos.y - a.y, pos.z - a.z);
        }
        break;
      default:
        break;
    }
    GrowBox(survey_.Min, survey_.Max, pos);
    GrowBox(s.StationMin, s.StationMax, pos);
    s.Records.push_back(std::move(r));
  }

  // Quotes and backslashes escaped, line breaks as '|' (a space after it
  // is dropped by readers), the marker "{P}" at either end.
  std::string EncodeComment(const TParts& p, TDemoRecord& r) {
    std::string text;
    for (size_t i = 0; i < p.CommentLines.size(); ++i) {
      if (i > 0) {
        text += rng_.Chance(0.5) ? "| " : "|";
        r.Comment += "\r\n";
      }
      for (char c : p.CommentLines[i]) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
      }
      r.Comment += p.CommentLines[i];
    }
    r.Marked = p.Marked;
    if (p.Marked) text = rng_.Chance(0.5) ? "{P}" + text : text + "{p}";
    return text;
  }

  const TDemoOptions options_;
  TDemoRandom rng_;
  TDemoSummary summary_;
  std::string body_;
  std::vector<TStation> stations_;
  std::unordered_map<std::string, int> splayIndex_;
  TDemoSurvey survey_;  // like the reader's, never cleared between surveys
  std::string prefix_;
  std::string entranceName_;
  T3DVector entrance_;
  double heading_ = 0;
  int pitchLeft_ = 0;
  bool pitchDown_ = true;
  int surveyCounter_ = 0;
  int featureCounter_ = 0;
  double featureLow_ = 0, featureHigh_ = 0;
  bool hasExtent_ = false;
};

}  // namespace

std::string DemoOptionsLine(const TDemoOptions& options) {
  return "Lumora demo cave: lumora-cli demo --stations " + std::to_string(options.Stations) + " --seed " +
         std::to_string(options.Seed);
}

TDemoCave GenerateDemoCave(const TDemoOptions& options) {
  if (options.Stations < 10)
    throw std::invalid_argument("a demo cave needs at least 10 stations, not " + std::to_string(options.Stations));
  return TDemoWriter(options).Run();
}

}  // namespace lumora
