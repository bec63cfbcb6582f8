#include "export/DXFExport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace lumora {

namespace dxf {

namespace {

bool Allowed(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '-' || c == '.';
}

void AppendRight3(std::string& out, int v) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  const int len = static_cast<int>(r.ptr - buf);
  if (len < 3) out.append(static_cast<size_t>(3 - len), ' ');
  out.append(buf, r.ptr);
  out += "\r\n";
}

}  // namespace

std::string Sanitize(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (!Allowed(c)) c = '0';
  return s;
}

std::string Group(int code, std::string_view value) {
  std::string s;
  AppendRight3(s, code);
  s += value;
  return s += "\r\n";
}

std::string IntGroup(int code, int value) {
  std::string s;
  AppendRight3(s, code);
  AppendRight3(s, value);
  return s;
}

std::string RealGroup(int code, double value) {
  std::string s;
  AppendRight3(s, code);
  AppendFixed(s, value, 2, 5);
  return s += "\r\n";
}

}  // namespace dxf

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// Old DXF readers take at most 255 characters of a text.
constexpr size_t kLongestText = 255;

class TDXFWriter {
 public:
  TDXFWriter(const TExportJob& job, TExportFile& file)
      : job_(job), model_(job.Model), o_(job.Options), file_(file), out_(file.Buffer()) {
    uf_ = unit_factor(o_);
    s_ = o_.ScaleChk ? o_.ScaleSpin / 100 : 1.0;
    k_ = uf_ * s_;
    label_unit_ = unit_label(o_);
  }

  void Write() {
    const TExportOptions& o = o_;
    const int surveys = model_.Surveys.Count();
    tickMode_ = o.WallsChk && (o.ProfileChk || o.PassageTypeRadio == 1);
    faceMode_ = o.WallsChk && !tickMode_;

    Str(0, "SECTION");
    Str(2, "HEADER");
    Str(9, "$DWGCODEPAGE");
    Str(3, "ascii");
    Str(0, "ENDSEC");
    LayerTable(surveys);

    Str(0, "SECTION");
    Str(2, "ENTITIES");
    if (o.ProfileChk) {
      sinRot_ = std::sin(o.RotSpin * kRadPerDeg);
      cosRot_ = std::cos(o.RotSpin * kRadPerDeg);
    }
    CopyWallSettings(o, TExportWriter::DXF, job_.Passage);
    job_.Progress.set_progress_pass(0, faceMode_ ? 2 : 1);
    Stations(surveys);
    job_.Progress.set_progress_pass(1, faceMode_ ? 2 : 1);
    if (faceMode_) Faces();
    // A plot without a box (no 'Z' line) would put these at 9.9e99.
    const TPlotInfo& info = model_.PlotInfo;
    const bool hasBox = info.Min.x <= info.Max.x && info.Min.y <= info.Max.y;
    if (o.NorthArrowChk && hasBox) NorthArrow();
    if (o.ScaleBarChk && hasBox) ScaleBar();
    Str(0, "ENDSEC");
    Str(0, "EOF");
    out_ += '\x1A';
  }

 private:
  // ---- Text ----

  void Code(int code) {
    if (code < 10) {
      out_ += "  ";
      out_ += static_cast<char>('0' + code);
      out_ += "\r\n";
    } else if (code < 100) {
      out_ += ' ';
      out_ += static_cast<char>('0' + code / 10);
      out_ += static_cast<char>('0' + code % 10);
      out_ += "\r\n";
    } else {
      out_ += std::to_string(code);
      out_ += "\r\n";
    }
  }
  void Str(int code, std::string_view value) {
    Code(code);
    out_ += value;
    out_ += "\r\n";
  }
  void Int(int code, int value) { out_ += dxf::IntGroup(code, value); }
  void Real(int code, double value) {
    Code(code);
    AppendFixed(out_, value, 2, 5);
    out_ += "\r\n";
  }
  void Point(int i, const T3DVector& p) {
    Real(10 + i, p.x * k_);
    Real(20 + i, p.y * k_);
    Real(30 + i, p.z * k_);
  }

  // ---- Entities ----

  void Line(const std::string& layer, const T3DVector& a, const T3DVector& b) {
    Str(0, "LINE");
    Str(8, layer);
    Point(0, a);
    Point(1, b);
    file_.MaybeFlush();
  }
  void Face(const std::string& layer, const T3DVector& a, const T3DVector& b, const T3DVector& c, const T3DVector& d) {
    Str(0, "3DFACE");
    Str(8, layer);
    Point(0, a);
    Point(1, b);
    Point(2, c);
    Point(3, d);
    file_.MaybeFlush();
  }
  // `text` is written as given; callers sanitise names.
  void Text(const std::string& layer, const T3DVector& at, double baseHeight, std::string_view text) {
    Str(0, "TEXT");
    Str(7, "STANDARD");
    Str(8, layer);
    Point(0, at);
    Real(40, baseHeight * uf_ * s_);
    Str(1, text);
    file_.MaybeFlush();
  }
  void StationMark(const std::string& layer, const T3DVector& c, double r) {
    T3DVector v[14];
    for (int j = 0; j < 14; ++j) {
      const double a = j * (360.0 / 14) * kRadPerDeg;
      v[j] = {c.x + r * std::sin(a), c.y + r * std::cos(a), c.z};
    }
    for (int j = 0; j < 14; ++j) Line(layer, v[j], v[(j + 1) % 14]);
  }

  // ---- Layers ----

  static std::string Prefixed(const char* prefix, std::string_view name) {
    std::string s = prefix;
    s += name;
    if (s.size() > 22) s.resize(22);
    return dxf::Sanitize(s);
  }

  void LayerEntry(const std::string& name, int flags, int colour) {
    Str(0, "LAYER");
    Str(2, name);
    Int(70, flags);
    Int(62, colour);
    Str(6, "CONTINUOUS");
  }

  // A group of layers: one per survey when associated and split, none when
  // associated but not split (its entities lie on the survey layers), else
  // the base layer.
  void LayerGroup(bool associated, const char* prefix, const char* base, int colour) {
    if (!associated) {
      LayerEntry(base, 65, colour);
    } else if (o_.SeparateChk) {
      for (int s = 0; s < model_.Surveys.Count(); ++s) LayerEntry(Prefixed(prefix, model_.Surveys[s].Name), 65, colour);
    }
  }

  void LayerTable(int surveys) {
    const TExportOptions& o = o_;
    const bool separate = o.LayerSurveysChk;
    const bool labels = separate && o.AssocLabelChk;
    const bool passage = separate && o.AssocPassChk;
    auto count = [&](bool on, bool associated) { return on ? (associated ? surveys : 1) : 0; };
    const int n = (separate ? surveys : 0) + count(o.LabelsChk, labels) + count(o.StationMarkChk, labels) +
                  count(o.WallsChk, passage) + count(o.DepthChk, labels) + (o.NorthArrowChk || o.ScaleBarChk ? 1 : 0);
    if (n == 0) return;
    Str(0, "SECTION");
    Str(2, "TABLES");
    Str(0, "TABLE");
    Str(2, "LAYER");
    Int(70, n);
    if (separate)
      for (int s = 0; s < surveys; ++s) LayerEntry(dxf::Sanitize(model_.Surveys[s].Name), 64, o.SurveyColor);
    if (o.LabelsChk) LayerGroup(labels, "S-", "LABELS", o.LabelColor);
    if (o.StationMarkChk) LayerGroup(labels, "M-", "MARKS", o.LabelColor);
    if (o.WallsChk) {
      if (tickMode_)
        LayerGroup(passage, "T-", "TICKS", o.WallColor);
      else
        LayerGroup(passage, "P-", "PASSAGE", o.WallColor);
    }
    if (o.NorthArrowChk || o.ScaleBarChk) LayerEntry("OBJECTS", 64, o.LabelColor);
    if (o.DepthChk) LayerGroup(labels, "D-", "DEPTH", o.DepthColor);
    Str(0, "ENDTAB");
    Str(0, "ENDSEC");
    file_.MaybeFlush();
  }

  void LayerNames(int survey) {
    const std::string_view name = model_.Surveys[survey].Name;
    const bool separate = o_.LayerSurveysChk;
    surveyLayer_ = separate ? dxf::Sanitize(name) : "0";
    labelLayer_ = "LABELS";
    depthLayer_ = "DEPTH";
    markLayer_ = "MARKS";
    passageLayer_ = "PASSAGE";
    tickLayer_ = "TICKS";
    if (!separate) return;
    if (o_.AssocLabelChk) {
      labelLayer_ = o_.SeparateChk ? Prefixed("S-", name) : surveyLayer_;
      markLayer_ = o_.SeparateChk ? Prefixed("M-", name) : surveyLayer_;
      depthLayer_ = o_.SeparateChk ? Prefixed("D-", name) : surveyLayer_;
    }
    if (o_.AssocPassChk) {
      passageLayer_ = o_.SeparateChk ? Prefixed("P-", name) : surveyLayer_;
      tickLayer_ = o_.SeparateChk ? Prefixed("T-", name) : surveyLayer_;
    }
  }

  // ---- Stations, shots, ticks ----

  void Stations(int surveys) {
    const TExportOptions& o = o_;
    const T3DVector centre = model_.PlotInfo.Center;
    const double markRadius = o.MarkSizeSpin / uf_ * s_;
    const double depthDrop = 1.2 * (o.ScaleSpin / 100);
    TPlotVector prev;
    std::string text;
    for (int sv = 0; sv < surveys; ++sv) {
      LayerNames(sv);
      const TRange range = model_.SurveyPlotRange(sv);
      const int count = range.Last - range.First + 1;
      for (int i = range.First; i <= range.Last; ++i) {
        TPlotVector cur = model_.Plots[i];
        CleanDimensions(cur);
        const double elevation = cur.Position.z;
        if (o.ProfileChk) {
          const double dx = cur.Position.x - centre.x, dy = cur.Position.y - centre.y;
          const double x = centre.x + dx * cosRot_ + dy * sinRot_;
          const double y = centre.y - dx * sinRot_ + dy * cosRot_;
          cur.Position = {x, cur.Position.z, y};
        }
        if (cur.Code == 'M') job_.Progress.show_progress(sv, surveys, i - range.First, count, i - range.First, count);
        // Hidden shots ('d') are shots too: the DXF draws every shot.
        if (cur.Code == 'D' || cur.Code == 'd') {
          if (tickMode_) Ticks(prev, cur);
          if (o.ShotLineChk) ShotLine(prev.Position, cur.Position, markRadius);
        }
        if (o.LabelsChk) Text(labelLayer_, cur.Position, 1, dxf::Sanitize(model_.CutName(cur, kLongestText)));
        if (o.StationMarkChk) StationMark(markLayer_, cur.Position, markRadius);
        if (o.DepthChk) {
          text.clear();
          AppendFixed(text, elevation * uf_, 1);
          text += label_unit_;
          T3DVector at = cur.Position;
          at.y -= depthDrop;
          Text(depthLayer_, at, 1, dxf::Sanitize(text));
        }
        prev = cur;
      }
    }
  }

  void ShotLine(T3DVector a, T3DVector b, double clip) {
    if (o_.ClipLinesChk) {
      const T3DVector d = Subtract(b, a);
      const double len = Length(d);
      if (len > 0) {  // a shot of no length has no direction to clip along
        const T3DVector step = Scale(d, clip / len);
        a = Add(a, step);
        b = Subtract(b, step);
      }
    }
    Line(surveyLayer_, a, b);
  }

  void Mark(char letter, const T3DVector& station, const T3DVector& point) {
    if (o_.LineCheck) Line(tickLayer_, station, point);
    // The marks are the writer's own texts; a star must stay a star.
    const char text[2] = {o_.MarkWithRadio == 1 ? '.' : o_.MarkWithRadio == 2 ? '*' : letter, 0};
    Text(tickLayer_, point, 1, text);
  }

  void MarkEnd(const TCrossSection& c) {
    // Diamond ring: up, right, down, left.
    if (o_.LeftRightCheck) {
      Mark('L', c.Centre, c.Points[3]);
      Mark('R', c.Centre, c.Points[1]);
    }
    if (o_.UpDownCheck) {
      Mark('U', c.Centre, c.Points[0]);
      Mark('D', c.Centre, c.Points[2]);
    }
  }

  void Ticks(TPlotVector& prev, TPlotVector& cur) {
    if (o_.ExpandMarkChk) FillPairDimensions(prev, cur, o_.SubChk ? o_.SubSpin : 0);
    if (o_.ProfileChk) {
      const T3DVector& p = prev.Position;  // y is elevation here
      Mark('U', p, {p.x, p.y + prev.Up, p.z});
      Mark('D', p, {p.x, p.y - prev.Down, p.z});
      return;
    }
    const TPassageSegment seg = BuildSegment(prev, cur, psDiamond, job_.Passage);
    if (o_.MarkFromChk) MarkEnd(seg.From);
    if (o_.MarkToChk) MarkEnd(seg.To);
  }

  // ---- Walls ----

  void Faces() {
    int lastSurvey = -1;
    TPassageState& state = job_.State;
    BuildPassages(
        model_, job_.Passage, state,
        [&](const T3DVector& q1, const T3DVector& q2, const T3DVector& q3, const T3DVector& q4, int32_t) {
          if (state.CurrentPassageSurvey != lastSurvey) {
            lastSurvey = state.CurrentPassageSurvey;
            model_.SurveyPlotRange(lastSurvey);
            LayerNames(lastSurvey);
          }
          // Our builder hands quads wound outwards, (from i, from j, to j,
          // to i); the drawing takes the corners as (from i, to i, to j,
          // from j).
          Face(passageLayer_, q1, q4, q3, q2);
        },
        {}, [&](int64_t, int percent) { job_.Progress.set_all_progress(percent); });
  }

  // ---- Objects ----

  void NorthArrow() {
    const TPlotInfo& info = model_.PlotInfo;
    const double d = std::max(info.Max.x - info.Min.x, info.Max.y - info.Min.y);
    const double h = d / 10, u = h / 10;
    const double ox = info.Min.x - h / 2, oy = info.Min.y + h / 2, z = info.FirstPosition.z;
    struct P {
      double x, y;
      bool penUp;
    };
    static constexpr P kPath[] = {{0, -4, false}, {0, 4, false},  {-1, 3, false}, {1, 3, false}, {0, 4, false},
                                  {-1, 5, true},  {-1, 6, false}, {1, 5, false},  {1, 6, false}};
    T3DVector last{};
    for (size_t i = 0; i < std::size(kPath); ++i) {
      const T3DVector p{ox + u * kPath[i].x, oy + u * kPath[i].y, z};
      if (i > 0 && !kPath[i].penUp) Line("OBJECTS", last, p);
      last = p;
    }
  }

  void ScaleBar() {
    const TPlotInfo& info = model_.PlotInfo;
    const double len = o_.ScaleBarSpin / uf_;
    const double baseY = info.Min.y - len / 3;
    const double left = (info.Min.x + info.Max.x) / 2 - len / 2;
    Line("OBJECTS", {left, baseY, 0}, {left + len, baseY, 0});
    for (int i : {0, 5, 10})
      Line("OBJECTS", {left + i * len / 10, baseY, 0}, {left + i * len / 10, baseY + len / 5, 0});
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9})
      Line("OBJECTS", {left + i * len / 10, baseY, 0}, {left + i * len / 10, baseY + len / 10, 0});
    std::string text = FixedString(len * uf_, 1);
    text += label_unit_;
    Text("OBJECTS", {left + len + len / 10, baseY, 0}, len / 10 * s_, dxf::Sanitize(text));
  }

  const TExportJob& job_;
  TPlotModel& model_;
  const TExportOptions& o_;
  TExportFile& file_;
  std::string& out_;
  double uf_ = 1, s_ = 1, k_ = 1;
  std::string label_unit_;
  double sinRot_ = 0, cosRot_ = 1;
  bool tickMode_ = false, faceMode_ = false;
  std::string surveyLayer_ = "0", labelLayer_ = "LABELS", depthLayer_ = "DEPTH", markLayer_ = "MARKS",
              passageLayer_ = "PASSAGE", tickLayer_ = "TICKS";
};

}  // namespace

void write_dxf(const std::filesystem::path& path, const TExportJob& job) {
  WriteTextExport(path, job, "Saving DXF File", [&](TExportFile& file) { TDXFWriter(job, file).Write(); });
}

}  // namespace lumora
