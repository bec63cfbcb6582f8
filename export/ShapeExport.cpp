#include "export/ShapeExport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <span>
#include <unordered_set>

#include "export/DBFLibrary.h"
#include "export/ZipperLib.h"
#include "model/CoordinateSystem.h"
#include "platform/AtomicFile.h"

namespace lumora {

const char* const kNoPlotFileOpenMessage = "No Plot File Open";
const char* const kNoLineFeaturesMessage = "No Line Feautures in the File";
const char* const kNoLocationFeaturesMessage = "No Location Feautures in the File";
const char* const kGenericProjectionLine = "CREATING GENERIC PROJECTION FILE";

namespace {

constexpr const char* kSuffixes[11] = {"sta", "srv",   "shots",  "splt",  "fpt",   "fln",
                                       "pas", "prism", "mprism", "bound", "mbound"};

enum TGeometry { gPoints, gLines, gPlan, gPrism, gMultiPatch };
constexpr TGeometry kGeometry[11] = {gPoints, gLines, gLines,      gLines, gPoints,    gLines,
                                     gPlan,   gPrism, gMultiPatch, gPrism, gMultiPatch};

int ShapeType(TGeometry g, bool threeD) {
  switch (g) {
    case gPoints:
      return threeD ? 11 : 1;
    case gLines:
      return threeD ? 13 : 3;
    case gPlan:
      return threeD ? 15 : 5;
    case gPrism:
      return 15;
    case gMultiPatch:
      return 31;
  }
  return 0;
}

// Record fields written in place into the output buffers.
char* PutBE(char* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((u >> (24 - 8 * i)) & 0xFF);
  return p + 4;
}
char* PutLE(char* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return p + 4;
}
char* PutDouble(char* p, double v) {
  const auto u = std::bit_cast<uint64_t>(Finite(v));
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  return p + 8;
}

// File length in words at byte 24 of a main or index file.
void PatchLength(TPatchedFile& file) {
  char word[4];
  PutBE(word, static_cast<int32_t>(file.Size() / 2));
  file.Patch(24, std::string_view(word, 4));
}

constexpr int kOnePart[1] = {0};
// The width of the station fields: longer names keep their end.
constexpr size_t kStationField = 20;

struct TBox {
  T3DVector Min{9.9e99, 9.9e99, 9.9e99}, Max{-9.9e99, -9.9e99, -9.9e99};
  void Add(const T3DVector& p) {
    Min = {std::min(Min.x, p.x), std::min(Min.y, p.y), std::min(Min.z, p.z)};
    Max = {std::max(Max.x, p.x), std::max(Max.y, p.y), std::max(Max.z, p.z)};
  }
};

T3DVector Scaled(const T3DVector& p, double k) { return {p.x * k, p.y * k, p.z * k}; }

// Dates of "Date Type", shot values and the shared attribute tables.
class TShapeWriter {
 public:
  TShapeWriter(const TShapefileRequest& request, const TExportJob& job, int item)
      : request_(request),
        job_(job),
        model_(job.Model),
        o_(job.Options),
        item_(item),
        geometry_(kGeometry[item]),
        threeD_(o_.ShapeTypeRadio == 0 || item >= 7),
        type_(ShapeType(geometry_, threeD_)),
        u_(unit_factor(o_)),
        shp_(ShapefileMember(request.Path, "shp")),
        shx_(ShapefileMember(request.Path, "shx")) {}

  void Run() {
    job_.Progress.show_status("File: " + ShapefileMember(request_.Path, "shp").filename().string());
    WriteHeader();
    DefineTable();
    // Millions of rows go straight to the file rather than into memory.
    dbf_.stream_to(ShapefileMember(request_.Path, "dbf"));
    switch (item_) {
      case 0:
        Stations();
        break;
      case 1:
        Surveys(false);
        break;
      case 2:
        Shots(false, false);
        break;
      case 3:
        Shots(true, false);
        break;
      case 4:
        Locations();
        break;
      case 5:
        Surveys(true);
        break;
      case 6:
        Shots(false, true);
        break;
      case 7:
      case 8:
        Prisms();
        break;
      default:
        Bounding();
        break;
    }
    PatchLength(shp_);
    PatchLength(shx_);
    shp_.Close();
    shx_.Close();
    job_.Progress.show_status("Writing Database");
    dbfFile_ =
        dbf_.finish_file(ShapefileMember(request_.Path, "dbf"), [&](int p) { job_.Progress.set_all_progress(p); });
  }

  // The closed, uncommitted .shp, .shx and .dbf.
  std::vector<TAtomicFile*> Files() { return {&shp_.File(), &shx_.File(), &dbfFile_->File()}; }

  int64_t Records() const { return record_; }

 private:
  // Hidden shots count as draws when exported, else they are left out.
  bool Excluded(const TPlotVector& v) const { return v.Code == 'd' && !o_.ShowHiddenChk; }
  bool IsDraw(const TPlotVector& v) const { return v.Code == 'D' || (v.Code == 'd' && o_.ShowHiddenChk); }

  void WriteHeader() {
    TBox box;
    box.Min = model_.PlotInfo.Min;
    box.Max = model_.PlotInfo.Max;
    if (item_ >= 6) {
      double k = 0;
      const TPlotArray& plots = model_.Plots;
      for (int i = 0; i < plots.Count(); ++i) {
        const TPlotVector& v = plots[i];
        k = std::max({k, double(v.Up), double(v.Down), double(v.Left), double(v.Right)});
      }
      GrowBox(box.Min, box.Max, k);
    }
    box.Min = Scaled(box.Min, u_);
    box.Max = Scaled(box.Max, u_);
    for (TPatchedFile* f : {&shp_, &shx_}) {
      char* h = f->Extend(100);
      h = PutBE(h, 9994);
      for (int i = 0; i < 5; ++i) h = PutBE(h, 0);
      h = PutBE(h, 0);
      h = PutLE(h, 1000);
      h = PutLE(h, type_);
      for (double v : {box.Min.x, box.Min.y, box.Max.x, box.Max.y, box.Min.z, box.Max.z}) h = PutDouble(h, v);
      h = PutDouble(h, -1.7976931348623157e308);
      PutDouble(h, -1.7976931348623157e308);
    }
  }

  void DefineTable() {
    dbf_.start_table();
    auto shotHead = [&] {
      dbf_.add_field("SECTION", 'C', 0, 80);
      dbf_.add_field("SURVEY", 'C', 0, 20);
      dbf_.add_field("MONTH", 'C', 0, 2);
      dbf_.add_field("DAY", 'C', 0, 2);
      dbf_.add_field("YEAR", 'C', 0, 4);
    };
    auto shotTail = [&](bool face) {
      dbf_.add_field("FR_STATION", 'C', 0, 20);
      dbf_.add_field("TO_STATION", 'C', 0, 20);
      if (face) dbf_.add_field("FACE", 'N', 2, 4);
      for (const char* n : {"ELEVATION", "AZIMUTH", "INCLINATION", "LENGTH"}) dbf_.add_field(n, 'N', 2, 4);
      dbf_.add_field("COMMENT", 'C', 0, 160);
    };
    switch (item_) {
      case 0:
        dbf_.add_field("SECTION", 'C', 0, 80);
        dbf_.add_field("STATION", 'C', 0, 20);
        for (const char* n : {"BRAMBLE_X", "BRAMBLE_Y", "BRAMBLE_Z"}) dbf_.add_field(n, 'N', 5, 18);
        for (const char* n : {"LEFT", "RIGHT", "UP", "DOWN"}) dbf_.add_field(n, 'N', 2, 4);
        dbf_.add_field("COMMENT", 'C', 0, 160);
        break;
      case 1:
      case 5:
        shotHead();
        for (const char* n :
             {"BRAMBLE_NMIN", "BRAMBLE_NMAX", "BRAMBLE_EMIN", "BRAMBLE_EMAX", "BRAMBLE_VMIN", "BRAMBLE_VMAX"})
          dbf_.add_field(n, 'N', 5, 18);
        dbf_.add_field("COMMENT", 'C', 0, 255);
        break;
      case 2:
      case 3:
      case 6:
        shotHead();
        shotTail(false);
        break;
      case 4:
        dbf_.add_field("SECTION", 'C', 0, 80);
        dbf_.add_field("FEATURE", 'C', 0, 25);
        dbf_.add_field("STATION", 'C', 0, 20);
        for (const char* n : {"BRAMBLE_X", "BRAMBLE_Y", "BRAMBLE_Z"}) dbf_.add_field(n, 'N', 5, 18);
        for (const char* n : {"RANGE_MIN", "RANGE_MAX", "VALUE"}) dbf_.add_field(n, 'N', 2, 4);
        dbf_.add_field("COMMENT", 'C', 0, 255);
        break;
      case 7:
      case 8:
        shotHead();
        shotTail(true);
        break;
      default:
        for (const char* n : {"Layer_Count", "Layer_Number", "Edge_Count", "Edge_Number"}) dbf_.add_field(n, 'N', 0, 4);
        for (const char* n : {"Top", "Bottom", "Depth"}) dbf_.add_field(n, 'N', 2, 4);
        break;
    }
  }

  // ---- Records ----

  // Starts record `record_ + 1` of `bytes` content bytes, with its index
  // entry, and returns where the content goes.
  char* Record(size_t bytes) {
    ++record_;
    const auto words = static_cast<int32_t>(bytes / 2);
    char* x = shx_.Extend(8);
    x = PutBE(x, static_cast<int32_t>(shp_.Size() / 2));
    PutBE(x, words);
    char* p = shp_.Extend(8 + bytes);
    p = PutBE(p, static_cast<int32_t>(record_));
    return PutBE(p, words);
  }

  void Point(const T3DVector& feet) {
    const T3DVector p = Scaled(feet, u_);
    char* c = Record(threeD_ ? 36 : 20);
    c = PutLE(c, type_);
    c = PutDouble(c, p.x);
    c = PutDouble(c, p.y);
    if (threeD_) {
      c = PutDouble(c, p.z);
      PutDouble(c, 0);
    }
  }

  // Points already in output units; `starts` are the parts' first indexes.
  void Poly(std::span<const T3DVector> pts, std::span<const int> starts, const TBox& box) {
    const size_t parts = starts.size(), n = pts.size();
    char* c = Record(44 + 4 * parts * (type_ == 31 ? 2 : 1) + 16 * n + (threeD_ ? 32 + 16 * n : 0));
    c = PutLE(c, type_);
    for (double v : {box.Min.x, box.Min.y, box.Max.x, box.Max.y}) c = PutDouble(c, v);
    c = PutLE(c, static_cast<int32_t>(parts));
    c = PutLE(c, static_cast<int32_t>(n));
    for (int s : starts) c = PutLE(c, s);
    if (type_ == 31)
      for (size_t i = 0; i < parts; ++i) c = PutLE(c, 2);
    for (const auto& p : pts) {
      c = PutDouble(c, p.x);
      c = PutDouble(c, p.y);
    }
    if (threeD_) {
      c = PutDouble(c, box.Min.z);
      c = PutDouble(c, box.Max.z);
      for (const auto& p : pts) c = PutDouble(c, p.z);
      std::memset(c, 0, 16 + 8 * n);  // M range and one M per point
    }
  }

  void Ring(std::initializer_list<T3DVector> ring) {
    TBox box;
    for (const auto& p : ring) box.Add(p);
    Poly(std::span(ring.begin(), ring.size()), kOnePart, box);
  }

  // ---- Attributes ----

  void Date(const TSurveyID& s, int field) {
    const PackedDate d = o_.DateRadio == 1 ? s.DiscoveryDate : s.SurveyDate;
    dbf_.set_text(std::to_string(DateMonth(d)), field);
    dbf_.set_text(std::to_string(DateDay(d)), field + 1);
    dbf_.set_text(std::to_string(DateYear(d)), field + 2);
  }

  // Every field of a shot row but FACE; the caller ends the row, or several
  // identical ones, as values carry over to the next row.
  void SetShot(const std::string& section, const TSurveyID& s, const TPlotVector& from, const TPlotVector& to,
               const T3DVector& fromPos, const T3DVector& toPos, bool faceField, std::string_view comment) {
    dbf_.set_text(section, 0);
    dbf_.set_text(s.Name.View(), 1);
    Date(s, 2);
    dbf_.set_text(model_.CutName(from, kStationField), 5);
    dbf_.set_text(model_.CutName(to, kStationField), 6);
    const int f = faceField ? 8 : 7;
    const T3DVector d{toPos.x - fromPos.x, toPos.y - fromPos.y, toPos.z - fromPos.z};
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    double azimuth = std::atan2(d.x, d.y) * 180 / std::numbers::pi;
    if (azimuth < 0) azimuth += 360;
    const double inclination = d.z == 0 ? 0 : std::asin(std::clamp(d.z / length, -1.0, 1.0)) * 180 / std::numbers::pi;
    dbf_.set_number(f, toPos.z);
    dbf_.set_number(f + 1, azimuth);
    dbf_.set_number(f + 2, inclination);
    dbf_.set_number(f + 3, length);
    dbf_.set_text(comment, f + 4);
  }

  // ---- Walks ----

  template <typename F>
  void ForSurveys(F&& f) {
    const int sections = model_.Sections.Count();
    for (int s = 0; s < sections; ++s) {
      const std::string section = model_.Sections[s].Name.Str();
      const TRange surveys = model_.SectionSurveyRange(s);
      for (int sv = surveys.First; sv <= surveys.Last; ++sv) {
        f(section, sv);
        if (sv % 100 == 0)
          job_.Progress.show_progress(s, sections, sv - surveys.First, surveys.Last - surveys.First + 1, 0, 1);
      }
    }
  }

  void Stations() {
    std::unordered_set<std::string> seen;
    ForSurveys([&](const std::string& section, int sv) {
      if (model_.Surveys[sv].Kind != skSurvey) return;
      const TRange r = model_.SurveyPlotRange(sv);
      for (int i = r.First; i <= r.Last; ++i) {
        const TPlotVector& v = model_.Plots[i];
        if (Excluded(v) || !seen.insert(model_.Name(v)).second) continue;
        Point(v.Position);
        const T3DVector p = Scaled(v.Position, u_);
        dbf_.set_text(section, 0);
        dbf_.set_text(model_.CutName(v, kStationField), 1);
        dbf_.set_number(2, p.x);
        dbf_.set_number(3, p.y);
        dbf_.set_number(4, p.z);
        int f = 5;
        for (float e : {v.Left, v.Right, v.Up, v.Down}) {
          if (e < 0)
            dbf_.set_missing(f);
          else
            dbf_.set_number(f, e * u_);
          ++f;
        }
        dbf_.set_text(v.Comment, 9);
        dbf_.end_record();
      }
    });
  }

  bool IsLineFeature(int sv) {
    const TSurveyID& s = model_.Surveys[sv];
    if (s.Kind != skFeature) return false;
    const TRange r = model_.SurveyPlotRange(sv);
    return !r.Empty() && model_.Plots[r.First].Code == 'M';
  }

  void SurveyLine(const std::string& section, int sv) {
    const TSurveyID s = model_.Surveys[sv];
    const TRange r = model_.SurveyPlotRange(sv);
    std::vector<T3DVector> pts;
    std::vector<int> starts;
    for (int i = r.First; i <= r.Last; ++i) {
      const TPlotVector& v = model_.Plots[i];
      if (v.Code == 'M') {
        // A move starts a part when the next counted vector draws from it.
        int j = i + 1;
        while (j <= r.Last && Excluded(model_.Plots[j])) ++j;
        if (j > r.Last || !IsDraw(model_.Plots[j])) continue;
        starts.push_back(static_cast<int>(pts.size()));
      } else if (IsDraw(v)) {
        if (starts.empty()) starts.push_back(0);
      } else {
        continue;
      }
      pts.push_back(Scaled(v.Position, u_));
    }
    TBox box{Scaled(s.Min, u_), Scaled(s.Max, u_)};
    Poly(pts, starts, box);
    dbf_.set_text(section, 0);
    dbf_.set_text(s.Name.View(), 1);
    Date(s, 2);
    dbf_.set_number(5, box.Min.y);
    dbf_.set_number(6, box.Max.y);
    dbf_.set_number(7, box.Min.x);
    dbf_.set_number(8, box.Max.x);
    dbf_.set_number(9, box.Min.z);
    dbf_.set_number(10, box.Max.z);
    dbf_.set_text(s.Comment.View(), 11);
    dbf_.end_record();
  }

  void Surveys(bool features) {
    ForSurveys([&](const std::string& section, int sv) {
      if (!features || IsLineFeature(sv)) SurveyLine(section, sv);
    });
  }

  void Locations() {
    ForSurveys([&](const std::string&, int sv) {
      const TSurveyID s = model_.Surveys[sv];
      if ((s.Kind != skFeature && s.Kind != skFeatureRange) || IsLineFeature(sv)) return;
      std::unordered_set<std::string> seen;
      const TRange r = model_.SurveyPlotRange(sv);
      for (int i = r.First; i <= r.Last; ++i) {
        const TPlotVector& v = model_.Plots[i];
        if (!seen.insert(model_.Name(v)).second) continue;
        Point(v.Position);
        const T3DVector p = Scaled(v.Position, u_);
        dbf_.set_text("", 0);
        dbf_.set_text(s.Name.View(), 1);
        dbf_.set_text(model_.CutName(v, kStationField), 2);
        dbf_.set_number(3, p.x);
        dbf_.set_number(4, p.y);
        dbf_.set_number(5, p.z);
        const bool range = s.Kind == skFeatureRange;
        dbf_.set_number(6, range ? v.Down : 0);
        dbf_.set_number(7, range ? v.Up : 0);
        dbf_.set_number(8, range ? v.Right : 0);
        dbf_.set_text(v.Comment, 9);
        dbf_.end_record();
      }
    });
  }

  // Shots, split shots and plan passages: one shot per draw that follows
  // another vector of its survey; both passes use the same rule so that the
  // table and the shapes stay in step.
  void Shots(bool split, bool plan) {
    job_.Progress.set_progress_pass(0, 2);
    ForSurveys([&](const std::string& section, int sv) {
      if (model_.Surveys[sv].Kind != skSurvey) return;
      const TSurveyID s = model_.Surveys[sv];
      const TRange r = model_.SurveyPlotRange(sv);
      for (int i = r.First + 1; i <= r.Last; ++i) {
        const TPlotVector &from = model_.Plots[i - 1], &to = model_.Plots[i];
        if (!IsDraw(to)) continue;
        SetShot(section, s, from, to, Scaled(from.Position, u_), Scaled(to.Position, u_), false, to.Comment);
        for (int k = 0; k < (split ? 2 : 1); ++k) dbf_.end_record();
      }
    });
    job_.Progress.set_progress_pass(1, 2);
    ForSurveys([&](const std::string&, int sv) {
      if (model_.Surveys[sv].Kind != skSurvey) return;
      const TRange r = model_.SurveyPlotRange(sv);
      if (plan) {
        PlanPassages(r);
        return;
      }
      for (int i = r.First + 1; i <= r.Last; ++i) {
        const TPlotVector &from = model_.Plots[i - 1], &to = model_.Plots[i];
        if (!IsDraw(to)) continue;
        const T3DVector a = Scaled(from.Position, u_), b = Scaled(to.Position, u_);
        if (split) {
          const T3DVector m{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
          Line(a, m);
          Line(m, b);
        } else {
          Line(a, b);
        }
      }
    });
  }

  void Line(const T3DVector& a, const T3DVector& b) {
    TBox box;
    box.Add(a);
    box.Add(b);
    const T3DVector pts[2] = {a, b};
    Poly(pts, kOnePart, box);
  }

  void PlanPassages(const TRange& r) {
    const TPassageOptions& p = job_.Passage;
    const double substitute = p.SubstituteDiameter;
    // The outlines of one run of consecutive shots, joined before writing.
    std::vector<TPlanOutline> run;
    auto flush = [&] {
      if (p.AverageJoints)
        for (size_t k = 0; k + 1 < run.size(); ++k) AverageSegmentEnds(run[k], run[k + 1]);
      for (const TPlanOutline& c : run)
        Ring({Scaled(c[0], u_), Scaled(c[2], u_), Scaled(c[3], u_), Scaled(c[1], u_), Scaled(c[0], u_)});
      run.clear();
    };
    for (int i = r.First; i < r.Last; ++i) {
      const TPlotVector& next = model_.Plots[i + 1];
      if (!IsDraw(next)) {
        flush();
        continue;
      }
      TPlotVector a = model_.Plots[i], b = next;
      CleanDimensions(a);
      CleanDimensions(b);
      if (p.FillDimensions) FillPairDimensions(a, b, substitute);
      run.push_back(PlanOutline(a, b));
    }
    flush();
  }

  void Prisms() {
    TPassageOptions& p = job_.Passage;
    job_.Progress.set_progress_pass(0, 2);
    TPlotArray line(64);
    ForSurveys([&](const std::string& section, int sv) {
      if (model_.Surveys[sv].Kind != skSurvey) return;
      const TSurveyID s = model_.Surveys[sv];
      const TRange lines = model_.SurveyLineRange(sv);
      for (int l = lines.First; l <= lines.Last; ++l) {
        const TRange plots = model_.LinePlotRange(l);
        PrepareLine(model_.Plots, plots.First, plots.Last, line, p);
        RoundCorners(line, p);
        for (int k = 0; k + 1 < line.Count(); ++k) {
          const TPlotVector &from = line[k], &to = line[k + 1];
          // The builder emits walls only for the segments it can build.
          if (to.Code == 'M') continue;
          const TPassageSegment seg = BuildSegment(from, to, p.PassageShape, p);
          if (!seg.Built) continue;
          SetShot(section, s, from, to, Scaled(from.Position, u_), Scaled(to.Position, u_), true, to.Comment);
          for (int face = 1; face <= seg.From.Count; ++face) {
            dbf_.set_number(7, face);
            dbf_.end_record();
          }
        }
      }
    });
    job_.Progress.set_progress_pass(1, 2);
    // Points arrive in output units (the builder converts when asked). The
    // builder winds quads counter-clockwise seen from outside; rings are
    // written clockwise seen from outside, as the format wants outer rings.
    BuildPassages(
        model_, p, job_.State,
        [&](const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4, int32_t) {
          Ring({p1, p4, p3, p2, p1});
        },
        {}, [&](int64_t, int percent) { job_.Progress.set_all_progress(percent); });
  }

  void Bounding() {
    const auto& polys = request_.BoundingPolygons;
    const int n = static_cast<int>(polys.size());
    for (int i = 0; i < n; ++i) {
      const auto& poly = polys[i];
      const int m = static_cast<int>(poly.size());
      for (int j = 0; j < m; ++j) {
        const double top = poly[0].Top.z * u_, bottom = poly[0].Bottom.z * u_;
        dbf_.set_number(0, n);
        dbf_.set_number(1, i);
        dbf_.set_number(2, m);
        dbf_.set_number(3, j);
        dbf_.set_number(4, top);
        dbf_.set_number(5, bottom);
        dbf_.set_number(6, std::fabs(top - bottom));
        dbf_.end_record();
      }
      for (int c = 0; c < m; ++c) {
        const int b = c + 1 == m ? 0 : c + 1;
        const T3DVector A = Scaled(poly[b].Top, u_), B = Scaled(poly[c].Top, u_), C = Scaled(poly[c].Bottom, u_),
                        D = Scaled(poly[b].Bottom, u_);
        Ring({A, B, C, D, A});
      }
    }
  }

  const TShapefileRequest& request_;
  const TExportJob& job_;
  TPlotModel& model_;
  const TExportOptions& o_;
  const int item_;
  const TGeometry geometry_;
  const bool threeD_;
  const int type_;
  const double u_;
  TPatchedFile shp_, shx_;
  TDBFWriter dbf_;
  std::unique_ptr<TPatchedFile> dbfFile_;
  int64_t record_ = 0;
};

}  // namespace

const char* ShapeLayerSuffix(int item) { return kSuffixes[std::clamp(item, 0, 10)]; }

std::string ShapefileProposedName(const std::string& plotPath, const TExportOptions& options) {
  const bool threeD = options.ShapeTypeRadio == 0;
  return std::filesystem::path(plotPath).stem().string() + "_" + (threeD ? "3D" : "2D") +
         ShapeLayerSuffix(options.ConvertTypeRadio);
}

std::filesystem::path ShapefileMember(const std::filesystem::path& path, const char* extension) {
  std::filesystem::path p = path;
  p.replace_extension(std::string(".") + extension);
  return p;
}

std::vector<std::filesystem::path> ExistingShapefiles(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> out;
  for (const char* ext : {"dbf", "shp", "shx", "prj"}) {
    std::error_code ec;
    const auto p = ShapefileMember(path, ext);
    if (std::filesystem::exists(p, ec)) out.push_back(p);
  }
  return out;
}

std::string OverwriteQuestion(const std::vector<std::filesystem::path>& files) {
  std::string text = "The files: \r\n";
  for (const auto& f : files) text += f.filename().string() + "\r\n";
  return text + "already exist.\r\nDo you want to replace them?";
}

std::string ProjectionText(const std::string& datum, int zone, bool metres) {
  const int z = std::abs(zone);
  const bool nadZone = (z >= 1 && z <= 22) || (z >= 59 && z <= 60);
  std::string name, geo;
  const std::string tail = "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
  if (datum == "North American 1927" && nadZone) {
    name = "NAD_1927_UTM_Zone_";
    geo = "GEOGCS[\"GCS_Clarke_1866\",DATUM[\"D_Clarke_1866\",SPHEROID[\"Clarke_1866\",6378206.4,294.9786982]],";
  } else if (datum == "North American 1983" && nadZone) {
    name = "NAD_1983_UTM_Zone_";
    geo = "GEOGCS[\"GCS_GRS_1980\",DATUM[\"D_GRS_1980\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],";
  } else if (datum == "WGS 1972") {
    name = "WGS_1972_UTM_Zone_";
    geo = "GEOGCS[\"GCS_WGS_1972\",DATUM[\"D_WGS_1972\",SPHEROID[\"WGS_1972\",6378135.0,298.26]],";
  } else {
    name = "WGS_1984_UTM_Zone_";
    geo = "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],";
  }
  name += std::to_string(z) + (zone < 0 ? "S" : "N") + (metres ? "" : "_Feet");
  return "PROJCS[\"" + name + "\"," + geo + tail + ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\"," +
         (metres ? "500000.0" : "1640419.9475") +
         "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," + FixedString(z * 6.0 - 183, 1) +
         "],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0]," +
         (metres ? "UNIT[\"Meter\",1.0]" : "UNIT[\"Feet_US\",0.3048]") + "]";
}

bool export_shapefile(const TShapefileRequest& request, const TExportJob& job) {
  TPlotModel& model = job.Model;
  const TExportOptions& o = job.Options;
  if (!model.PlotInfo.Loaded) {
    if (request.Warn) request.Warn(kNoPlotFileOpenMessage);
    return false;
  }
  const int item = std::clamp(o.ConvertTypeRadio, 0, 10);
  if (item == 4 || item == 5) {
    bool any = false;
    for (int sv = 0; sv < model.Surveys.Count() && !any; ++sv) {
      const TSurveyID& s = model.Surveys[sv];
      if (s.Kind != skFeature && s.Kind != skFeatureRange) continue;
      const TRange r = model.SurveyPlotRange(sv);
      const bool line = s.Kind == skFeature && !r.Empty() && model.Plots[r.First].Code == 'M';
      any = item == 5 ? line : !line;
    }
    if (!any) {
      if (request.Warn) request.Warn(item == 5 ? kNoLineFeaturesMessage : kNoLocationFeaturesMessage);
      return false;
    }
  }
  if (item >= 9 && request.BoundingPolygons.empty()) return false;
  const auto existing = ExistingShapefiles(request.Path);
  if (!existing.empty() && (!request.ConfirmOverwrite || !request.ConfirmOverwrite(OverwriteQuestion(existing))))
    return false;

  CopyWallSettings(o, TExportWriter::Shapefile, job.Passage);
  job.Progress.reset_progress();
  TShapeWriter writer(request, job, item);
  writer.Run();

  std::string datum = model.PlotInfo.Datum.Str();
  int zone = model.PlotInfo.Zone;
  // A .3d file names its coordinate system: PROJ writes it.
  std::string projection;
  if (model.PlotInfo.ProjectedSystem)
    projection = EsriProjection(model.PlotInfo.CoordinateSystem, o.UnitRadio != 1, MetresPerFoot());
  if (projection.empty() && !CheckGeoreference(model, request.Warn, kGenericProjectionLine)) {
    datum = "WGS 1984";
    zone = 13;
  }
  if (projection.empty()) projection = ProjectionText(datum, zone, o.UnitRadio == 1);
  // Every member is written before any replaces its old file.
  std::vector<TAtomicFile*> files = writer.Files();
  std::unique_ptr<TAtomicFile> prj;
  AsExportError([&] {
    prj = std::make_unique<TAtomicFile>(ShapefileMember(request.Path, "prj"));
    prj->Write(projection);
    prj->Finish();
  });
  files.push_back(prj.get());
  std::unique_ptr<TAtomicFile> zip;
  if (request.CreateZip) {
    job.Progress.show_status("Zipping File");
    std::vector<TZipMember> members;
    for (TAtomicFile* f : files) members.push_back({f->WritePath(), f->Target()});
    AsExportError([&] {
      zip = std::make_unique<TAtomicFile>(ShapefileMember(request.Path, "zip"));
      ZipShapefileSet(zip->WritePath(), members, [&](uint64_t done, uint64_t total) {
        job.Progress.set_all_progress(total ? static_cast<int>(100 * done / total) : 100);
      });
    });
    files.push_back(zip.get());
  }
  AsExportError([&] { CommitFileSet(files); });
  job.Progress.set_all_progress(100);
  job.Progress.show_status("Done");
  return true;
}

}  // namespace lumora
