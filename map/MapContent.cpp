#include "map/MapContent.h"

#include <QDate>
#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "app/core/CaveOverlays.h"
#include "geometry/NumberText.h"
#include "model/PlotReader.h"

namespace lumora {

namespace {

constexpr int kPathElements = 10000;
constexpr double kMerge = 1;       // units: detail below 0.1 mm merges
constexpr double kMarkGap = 15;    // units between station dots
constexpr double kLabelSize = 18;  // units
constexpr double kGridLabelSize = 16;
constexpr uint32_t kInk = 0x202020;
constexpr uint32_t kGridInk = 0x909090;
constexpr uint32_t kEntranceInk = 0x1010C0;  // red low: a dark red

QString Q(const std::string& s) { return QString::fromStdString(s); }

double Cross(QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); }

// Whether segments ab and cd cross properly.
bool Crosses(QPointF a, QPointF b, QPointF c, QPointF d) {
  const double d1 = Cross(b - a, c - a), d2 = Cross(b - a, d - a);
  const double d3 = Cross(d - c, a - c), d4 = Cross(d - c, b - c);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Twice the signed area; the map's pieces all wind the negative way.
double Area(const QPointF* p, size_t n) {
  double a = 0;
  for (size_t i = 0; i < n; ++i) a += Cross(p[i], p[(i + 1) % n]);
  return a;
}

QPointF Rounded(QPointF p) { return {std::round(p.x()), std::round(p.y())}; }

double DistanceToLine(QPointF p, QPointF a, QPointF b) {
  const QPointF d = b - a;
  const double len = std::hypot(d.x(), d.y());
  if (len == 0) return std::hypot(p.x() - a.x(), p.y() - a.y());
  return std::abs(Cross(d, p - a)) / len;
}

// The points of a line that keep it within `tolerance` of itself
// (Douglas and Peucker), ends kept.
void Simplify(std::vector<QPointF>& line, double tolerance) {
  if (line.size() < 3) return;
  std::vector<char> keep(line.size(), 0);
  keep.front() = keep.back() = 1;
  std::vector<std::pair<size_t, size_t>> spans{{0, line.size() - 1}};
  while (!spans.empty()) {
    const auto [a, b] = spans.back();
    spans.pop_back();
    double most = 0;
    size_t at = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double d = DistanceToLine(line[i], line[a], line[b]);
      if (d > most) most = d, at = i;
    }
    if (most > tolerance) {
      keep[at] = 1;
      spans.push_back({a, at});
      spans.push_back({at, b});
    }
  }
  size_t n = 0;
  for (size_t i = 0; i < line.size(); ++i)
    if (keep[i]) line[n++] = line[i];
  line.resize(n);
}

// The convex hull, wound the map's way; fewer than 3 points when flat.
std::vector<QPointF> Hull(std::vector<QPointF> p) {
  std::sort(p.begin(), p.end(),
            [](QPointF a, QPointF b) { return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y()); });
  if (p.size() < 3) return p;
  std::vector<QPointF> h(2 * p.size());
  size_t k = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && Cross(h[k - 1] - h[k - 2], p[i] - h[k - 2]) <= 0) --k;
    h[k++] = p[i];
  }
  for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && Cross(h[k - 1] - h[k - 2], p[i] - h[k - 2]) <= 0) --k;
    h[k++] = p[i];
  }
  h.resize(k - 1);
  if (Area(h.data(), h.size()) > 0) std::reverse(h.begin(), h.end());
  return h;
}

struct TProjection {
  TMapView View;
  double SinB, CosB;
  double K;       // units per foot
  double CU, CV;  // cave centre, feet
  double PX, PY;  // its place on the page, units
  TMapPoint Cave(const T3DVector& p) const { return Project(View, p, SinB, CosB); }
  QPointF Paper(const T3DVector& p) const {
    const TMapPoint m = Cave(p);
    return {PX + (m.U - CU) * K, PY - (m.V - CV) * K};
  }
};

// Shapes of one colour each, in the order their colours first came.
class TShapes {
 public:
  explicit TShapes(std::vector<TMapShape>& out) : out_(out) {}
  // The path to add to; a full one is followed by another of the colour,
  // so that no element of a file grows past what XML readers take.
  QPainterPath& Of(uint32_t color) {
    const auto [it, added] = index_.try_emplace(color, out_.size());
    if (!added && out_[it->second].Path.elementCount() > kPathElements) it->second = out_.size();
    if (it->second == out_.size()) {
      out_.push_back({color, {}});
      // Overlapping pieces are one passage.
      out_.back().Path.setFillRule(Qt::WindingFill);
    }
    return out_[it->second].Path;
  }

 private:
  std::vector<TMapShape>& out_;
  std::map<uint32_t, size_t> index_;
};

// The passage outline: each leg's walls seen from the view are the strip
// between the extremes of its two cross-sections across the leg. Runs of
// joined legs become one ribbon while every piece of it is a simple quad
// wound the map's way, so the winding fill gives their union; any other
// piece is filled as its own convex hull.
class TOutliner {
 public:
  TOutliner(const TProjection& proj, TShapes& shapes) : proj_(proj), shapes_(shapes) {}

  void Segment(const TSegmentRings& s, uint32_t color) {
    Ring from = Project(s.From), to = Project(s.To);
    const QPointF d = to.Centre - from.Centre;
    const double len = std::hypot(d.x(), d.y());
    if (!s.Joined || color != color_) Finish();
    color_ = color;
    if (len < kMerge) {
      // Seen end on: the hull of both sections.
      Finish();
      std::vector<QPointF> all(from.P.begin(), from.P.begin() + from.N);
      all.insert(all.end(), to.P.begin(), to.P.begin() + to.N);
      AddHull(std::move(all));
      return;
    }
    const QPointF n(-d.y() / len, d.x() / len);
    if (!active_) {
      Start(from, n);
    } else {
      QPointF j = n + normal_;
      const double jl = std::hypot(j.x(), j.y());
      if (jl < 0.3) {
        // Turning back on itself: end here and start again.
        Finish();
        Start(from, n);
      } else {
        j /= jl;
        if (std::hypot(from.Centre.x() - keptCentre_.x(), from.Centre.y() - keptCentre_.y()) >= kMerge)
          Append(Extreme(from, j), Extreme(from, -j), from.Centre);
      }
    }
    pending_ = to;
    normal_ = n;
  }

  void Finish() {
    if (!active_) return;
    const QPointF l = Extreme(pending_, normal_), r = Extreme(pending_, -normal_);
    Append(l, r, pending_.Centre);
    Emit();
    active_ = false;
  }

 private:
  struct Ring {
    std::array<QPointF, 8> P;
    int N = 0;
    QPointF Centre;
  };

  Ring Project(const TCrossSection& c) const {
    Ring r;
    r.N = std::min(c.Count, 8);
    for (int i = 0; i < r.N; ++i) r.P[i] = proj_.Paper(c.Points[i]);
    r.Centre = proj_.Paper(c.Centre);
    return r;
  }

  static QPointF Extreme(const Ring& r, QPointF n) {
    QPointF best = r.Centre;
    double most = 0;
    for (int i = 0; i < r.N; ++i) {
      const double v = QPointF::dotProduct(r.P[i] - r.Centre, n);
      if (v > most) most = v, best = r.P[i];
    }
    return best;
  }

  void Start(const Ring& from, QPointF n) {
    left_.assign(1, Extreme(from, n));
    right_.assign(1, Extreme(from, -n));
    keptCentre_ = from.Centre;
    active_ = true;
  }

  void Append(QPointF l, QPointF r, QPointF centre) {
    const QPointF q[4] = {left_.back(), l, r, right_.back()};
    const bool simple = !Crosses(q[0], q[1], q[2], q[3]) && !Crosses(q[1], q[2], q[3], q[0]);
    if (!simple || Area(q, 4) >= 0) {
      // Not a piece of the ribbon: this span on its own, the ribbon on afresh.
      AddHull({q[0], q[1], q[2], q[3]});
      Emit();
      left_.assign(1, l);
      right_.assign(1, r);
    } else {
      left_.push_back(l);
      right_.push_back(r);
    }
    keptCentre_ = centre;
  }

  void Emit() {
    if (left_.size() >= 2) {
      // Within 0.1 mm the pieces' union stays the same to the eye.
      Simplify(left_, kMerge);
      Simplify(right_, kMerge);
      QPainterPath& path = shapes_.Of(color_);
      path.moveTo(Rounded(left_[0]));
      for (size_t i = 1; i < left_.size(); ++i) path.lineTo(Rounded(left_[i]));
      for (size_t i = right_.size(); i-- > 0;) path.lineTo(Rounded(right_[i]));
      path.closeSubpath();
    }
    left_.clear();
    right_.clear();
  }

  void AddHull(std::vector<QPointF> points) {
    for (QPointF& p : points) p = Rounded(p);
    const std::vector<QPointF> h = Hull(std::move(points));
    if (h.size() < 3 || std::abs(Area(h.data(), h.size())) < 2) return;
    QPainterPath& path = shapes_.Of(color_);
    path.moveTo(h[0]);
    for (size_t i = 1; i < h.size(); ++i) path.lineTo(h[i]);
    path.closeSubpath();
  }

  const TProjection& proj_;
  TShapes& shapes_;
  bool active_ = false;
  uint32_t color_ = 0;
  Ring pending_;
  QPointF normal_, keptCentre_;
  std::vector<QPointF> left_, right_;
};

// Points at least `gap` apart, by the cells of a grid over the page
// (points off it in its edge cells), each cell's points chained.
class TSpacing {
 public:
  TSpacing(double gap, double width, double height) : gap_(gap) {
    cell_ = gap;
    // At most some 16 million cells, however big the page.
    while ((width / cell_ + 1) * (height / cell_ + 1) > 16e6) cell_ *= 2;
    nx_ = static_cast<int>(width / cell_) + 1, ny_ = static_cast<int>(height / cell_) + 1;
    first_.assign(static_cast<size_t>(nx_) * ny_, -1);
  }
  bool Take(QPointF p) {
    const int cx = Cell(p.x(), nx_), cy = Cell(p.y(), ny_);
    for (int y = std::max(0, cy - 1); y <= std::min(ny_ - 1, cy + 1); ++y)
      for (int x = std::max(0, cx - 1); x <= std::min(nx_ - 1, cx + 1); ++x)
        for (int32_t i = first_[static_cast<size_t>(y) * nx_ + x]; i >= 0; i = next_[i]) {
          const QPointF d = points_[i] - p;
          if (d.x() * d.x() + d.y() * d.y() < gap_ * gap_) return false;
        }
    int32_t& head = first_[static_cast<size_t>(cy) * nx_ + cx];
    points_.push_back(p);
    next_.push_back(head);
    head = static_cast<int32_t>(points_.size() - 1);
    return true;
  }

 private:
  int Cell(double v, int n) const { return std::clamp(static_cast<int>(std::floor(v / cell_)), 0, n - 1); }
  double gap_, cell_;
  int nx_, ny_;
  std::vector<int32_t> first_, next_;
  std::vector<QPointF> points_;
};

// Rectangles that do not overlap, by the cells of a coarse grid.
class TRectSpacing {
 public:
  bool Take(const QRectF& r) {
    const auto [x0, x1, y0, y1] = Cells(r);
    for (int64_t x = x0; x <= x1; ++x)
      for (int64_t y = y0; y <= y1; ++y) {
        const auto it = cells_.find(Key(x, y));
        if (it == cells_.end()) continue;
        for (int i : it->second)
          if (rects_[i].intersects(r)) return false;
      }
    const int index = static_cast<int>(rects_.size());
    rects_.push_back(r);
    for (int64_t x = x0; x <= x1; ++x)
      for (int64_t y = y0; y <= y1; ++y) cells_[Key(x, y)].push_back(index);
    return true;
  }

 private:
  static constexpr double kCell = 100;
  static std::array<int64_t, 4> Cells(const QRectF& r) {
    return {static_cast<int64_t>(std::floor(r.left() / kCell)), static_cast<int64_t>(std::floor(r.right() / kCell)),
            static_cast<int64_t>(std::floor(r.top() / kCell)), static_cast<int64_t>(std::floor(r.bottom() / kCell))};
  }
  static int64_t Key(int64_t x, int64_t y) { return (x << 32) ^ (y & 0xFFFFFFFF); }
  std::vector<QRectF> rects_;
  std::unordered_map<int64_t, std::vector<int>> cells_;
};

// A passage extent as the wall builder takes it: missing, negative or
// beyond 900 feet counts as none.
double Dimension(float v) { return std::isfinite(v) && v > 0 && v <= 900 ? v : 0; }

bool DrawnCode(char code, bool hidden) { return code == 'D' || (code == 'd' && hidden); }

// The name's last part: what a map has room for.
std::string ShortName(const TPlotModel& model, const TPlotVector& r) {
  std::string name = model.Name(r);
  const size_t cut = name.find_last_of(model.PlotInfo.Separator);
  return cut == std::string::npos || cut + 1 == name.size() ? name : name.substr(cut + 1);
}

std::string CoordinateText(const TPlotInfo& info) {
  if (!info.CoordinateSystemName.empty()) return info.CoordinateSystemName;
  if (!info.CoordinateSystem.empty()) return info.CoordinateSystem;
  if (info.HasZone) {
    std::string s = "UTM zone " + std::to_string(info.Zone);
    if (!std::string(info.Datum.View()).empty()) s += ", " + std::string(info.Datum.View());
    return s;
  }
  return "the survey's own (not georeferenced)";
}

std::string ViewText(TMapView view) {
  if (view == TMapView::Plan) return "Plan";
  if (view == TMapView::Extended) return "Extended elevation";
  return "Elevation looking " + ViewWord(view);
}

std::string Bearing3(double b) {
  std::string s = std::to_string(static_cast<int>(std::lround(b)) % 360);
  return std::string(3 - std::min<size_t>(3, s.size()), '0') + s + "\u00B0";
}

// Decimals that show a grid spacing.
int Decimals(double spacing) {
  int d = 0;
  while (d < 6 && std::abs(spacing * std::pow(10, d) - std::round(spacing * std::pow(10, d))) > 1e-6) ++d;
  return d;
}

// Whether the records, taken in order, belong to a survey that is drawn.
class TSurveyCursor {
 public:
  TSurveyCursor(const TPlotModel& model, const std::vector<uint8_t>& shown) : model_(model), shown_(shown) {}
  int Survey() const { return survey_; }
  bool Shown(int survey) const {
    return shown_.empty() || survey < 0 || static_cast<size_t>(survey) >= shown_.size() || shown_[survey] != 0;
  }
  // Moves on to record `i`, which is past the last one asked.
  bool ShownAt(int i) {
    while (survey_ + 1 < model_.Surveys.Count() && model_.Surveys[survey_ + 1].FirstPlot <= i) ++survey_;
    return Shown(survey_);
  }

 private:
  const TPlotModel& model_;
  const std::vector<uint8_t>& shown_;
  int survey_ = -1;
};

}  // namespace

QFont MapFont(double size, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
  f.setBold(bold);
  return f;
}

TMapContent MakeMapContent(const TPlotModel& model, const TPassageOptions& walls, const TMapOptions& o) {
  TMapContent c;
  c.Plain = o.Coloring == TWallColoring::Plain;
  const TPlotInfo& info = model.PlotInfo;
  const TMapView view = info.ExtendedElevation ? TMapView::Extended : o.View;
  const double bearing = MapBearing(view) * std::numbers::pi / 180;
  const double mpf = MetresPerFoot();
  const double perFoot = o.Feet ? 1.0 : mpf;  // map units per foot
  const std::string unit = o.Feet ? "ft" : "m";
  const bool hidden = walls.IncludeHidden;
  TProjection proj{view, std::sin(bearing), std::cos(bearing), 0, 0, 0, 0, 0};

  // The extent: the centreline's, and the walls' reach round it.
  double u0 = 1e300, u1 = -1e300, v0 = 1e300, v1 = -1e300;
  double w0 = 1e300, w1 = -1e300, h0 = 1e300, h1 = -1e300;
  TSurveyCursor extentSurveys(model, o.ShownSurveys);
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (!extentSurveys.ShownAt(i) || !(r.Code == 'M' || DrawnCode(r.Code, hidden)) || r.IsSplay()) continue;
    const TMapPoint m = proj.Cave(r.Position);
    u0 = std::min(u0, m.U), u1 = std::max(u1, m.U), v0 = std::min(v0, m.V), v1 = std::max(v1, m.V);
    const double side = std::max(Dimension(r.Left), Dimension(r.Right));
    const double up = view == TMapView::Plan ? side : Dimension(r.Up);
    const double down = view == TMapView::Plan ? side : Dimension(r.Down);
    w0 = std::min(w0, m.U - side), w1 = std::max(w1, m.U + side);
    h0 = std::min(h0, m.V - down), h1 = std::max(h1, m.V + up);
  }
  if (u0 > u1) throw std::runtime_error("the file has no stations to draw");
  c.CaveWidth = (u1 - u0) * mpf;
  c.CaveHeight = (v1 - v0) * mpf;
  c.Page = LayOutPage((w1 - w0) * mpf, (h1 - h0) * mpf, o.Page);
  if (!c.Page.Fits)
    c.Warnings.push_back("the cave does not fit " + c.Page.PaperName + " at 1:" + FixedText(c.Page.Scale, 0) +
                         "; it runs over the frame");
  const TPageLayout& page = c.Page;
  c.Frame = QRectF(page.FrameLeft, page.FrameTop, page.FrameWidth, page.FrameHeight);
  c.Frame = QRectF(c.Frame.topLeft() * kMapUnitsPerMm, c.Frame.size() * kMapUnitsPerMm);
  proj.K = mpf * 1000 * kMapUnitsPerMm / page.Scale;
  proj.CU = (w0 + w1) / 2, proj.CV = (h0 + h1) / 2;
  proj.PX = std::round(c.Frame.center().x()), proj.PY = std::round(c.Frame.center().y());

  const double top = info.HasExtent ? info.Top : info.Max.z, bottom = info.HasExtent ? info.Bottom : info.Min.z;
  const TWallPalette palette(model, o.Coloring, 0, top, bottom);
  auto colour = [&](int32_t survey, double z) {
    return o.Coloring == TWallColoring::Plain ? kInk : palette(survey, z);
  };

  // Walls.
  {
    TPassageOptions options = walls;
    options.CenterModel = false;
    options.ConvertToMetres = false;
    // On paper a station is a corner: rounding would double the points for detail of a millimetre or less.
    options.RoundingPasses = 0;
    TPassageState state;
    TShapes shapes(c.Walls);
    TOutliner outline(proj, shapes);
    const TSurveyCursor surveys(model, o.ShownSurveys);
    BuildPassageRings(
        model, options, state,
        [&](const TSegmentRings& s) {
          outline.Segment(s, colour(state.CurrentPassageSurvey, (s.From.Centre.z + s.To.Centre.z) / 2));
        },
        {}, [&](int survey) { return surveys.Shown(survey); });
    outline.Finish();
  }

  // Centreline, merged below 0.1 mm.
  {
    TShapes shapes(c.Centreline);
    std::vector<QPointF> line;
    uint32_t lineColor = 0;
    QPointF previous;
    T3DVector previousPosition;
    bool have = false;
    TSurveyCursor surveys(model, o.ShownSurveys);
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    auto flush = [&] {
      if (line.size() >= 2) {
        Simplify(line, kMerge);
        QPainterPath& path = shapes.Of(lineColor);
        path.moveTo(line[0]);
        for (size_t i = 1; i < line.size(); ++i) path.lineTo(line[i]);
        for (const QPointF& p : line)
          x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x()), y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
      }
      line.clear();
    };
    for (int i = 0; i < model.Plots.Count(); ++i) {
      const TPlotVector& r = model.Plots[i];
      const bool surveyShown = surveys.ShownAt(i);
      const QPointF p = Rounded(proj.Paper(r.Position));
      // A splay is a side shot: the survey goes on from its station, as
      // the walls do.
      if (r.IsSplay() && DrawnCode(r.Code, hidden)) continue;
      // Moves and hidden legs draw nothing; the next leg starts at their end.
      if (r.Code == 'M' || !DrawnCode(r.Code, hidden) || !have || !surveyShown) {
        flush();
        previous = p, previousPosition = r.Position, have = true;
        continue;
      }
      ++c.Shots;
      const uint32_t col = colour(surveys.Survey(), (r.Position.z + previousPosition.z) / 2);
      if (line.empty() || col != lineColor) {
        flush();
        lineColor = col;
        line.push_back(previous);
      }
      if (p != line.back()) line.push_back(p);
      previous = p;
      previousPosition = r.Position;
    }
    flush();
    if (x0 <= x1) c.CentrelineBox = QRectF(x0, y0, x1 - x0, y1 - y0);
  }

  // Entrances, then the stations with names, thinned; their labels after.
  TSpacing dots(kMarkGap, c.Page.Width * kMapUnitsPerMm, c.Page.Height * kMapUnitsPerMm);
  TRectSpacing labelRoom;
  const QFontMetricsF metrics(MapFont(kLabelSize, false)), bold(MapFont(kLabelSize + 4, true));
  auto label = [&](QPointF p, const std::string& text, bool entrance) {
    const double size = entrance ? kLabelSize + 4 : kLabelSize;
    const QString t = Q(text);
    const QFontMetricsF& m = entrance ? bold : metrics;
    const double w = m.horizontalAdvance(t), up = m.ascent(), down = m.descent();
    // Above right, below right, above left, below left of the station.
    const double dx = entrance ? 17 : 8, dy = entrance ? 10 : 6;  // clear of the mark
    const QPointF offsets[4] = {{dx, -dy}, {dx, dy + up}, {-dx - w, -dy}, {-dx - w, dy + up}};
    for (const QPointF& off : offsets) {
      const QPointF at = Rounded(p + off);
      if (labelRoom.Take(QRectF(at.x(), at.y() - up, w, up + down))) {
        c.Labels.push_back({at, t, size, entrance, entrance ? kEntranceInk : kInk});
        return;
      }
    }
  };
  // Every record of an entrance carries its flag, and so do the other names
  // of its place: one mark a place.
  std::set<std::pair<double, double>> entrancePlaces;
  TSurveyCursor entranceSurveys(model, o.ShownSurveys);
  for (int i = 0; i < model.Plots.Count() && !model.StationFlags.empty(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (!entranceSurveys.ShownAt(i) || r.IsSplay() || !(model.StationFlagsOf(r) & TPlotModel::kStationEntrance))
      continue;
    const QPointF p = Rounded(proj.Paper(r.Position));
    if (!entrancePlaces.insert({p.x(), p.y()}).second) continue;
    c.Entrances.moveTo(p + QPointF(0, -16));
    c.Entrances.lineTo(p + QPointF(14, 9));
    c.Entrances.lineTo(p + QPointF(-14, 9));
    c.Entrances.closeSubpath();
    labelRoom.Take(QRectF(p.x() - 14, p.y() - 16, 28, 25));
    dots.Take(p);
    if (o.Labels) {
      std::string name = model.Names.Text(r.NameId);
      const size_t cut = name.find_last_of(info.Separator);
      label(p, cut == std::string::npos ? name : name.substr(cut + 1), true);
    }
  }
  std::vector<int> shown;
  TShapes stationDots(c.Stations);
  TSurveyCursor stationSurveys(model, o.ShownSurveys);
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (!stationSurveys.ShownAt(i) || r.NameId == TStationNames::kUnnamed || r.IsSplay() ||
        !(r.Code == 'M' || DrawnCode(r.Code, hidden)))
      continue;
    const QPointF p = Rounded(proj.Paper(r.Position));
    if (!dots.Take(p)) continue;
    QPainterPath& dot = stationDots.Of(0);
    dot.moveTo(p);
    dot.lineTo(p + QPointF(1, 0));
    if (o.Labels) shown.push_back(i);
  }
  for (int i : shown) label(Rounded(proj.Paper(model.Plots[i].Position)), ShortName(model, model.Plots[i]), false);

  // The grid in the cave's coordinates, in the map's units.
  const double unitsPerMap = proj.K / perFoot;  // paper units per map unit
  double spacing = o.Grid;
  if (spacing > 0 && spacing * unitsPerMap < 20) {
    c.Warnings.push_back("a grid of " + FixedText(spacing, Decimals(spacing)) + " " + unit +
                         " is under 2 mm on the paper; a round spacing is drawn instead");
    spacing = 0;
  }
  if (spacing <= 0) spacing = RoundLength(600 / unitsPerMap);
  {
    const QRectF f = c.Frame;
    auto mapU = [&](double x) { return ((x - proj.PX) / proj.K + proj.CU) * perFoot; };
    auto mapV = [&](double y) { return ((proj.PY - y) / proj.K + proj.CV) * perFoot; };
    auto paperX = [&](double u) { return proj.PX + (u / perFoot - proj.CU) * proj.K; };
    auto paperY = [&](double v) { return proj.PY - (v / perFoot - proj.CV) * proj.K; };
    const int decimals = Decimals(spacing);
    for (double u = std::ceil(mapU(f.left()) / spacing) * spacing; paperX(u) <= f.right(); u += spacing) {
      const double x = std::round(paperX(u));
      c.GridLines.moveTo(x, f.top());
      c.GridLines.lineTo(x, f.bottom());
      c.GridLabels.push_back(
          {QPointF(x + 4, f.bottom() - 8), Q(FixedText(u, decimals)), kGridLabelSize, false, kGridInk});
    }
    for (double v = std::ceil(mapV(f.bottom()) / spacing) * spacing; paperY(v) >= f.top(); v += spacing) {
      const double y = std::round(paperY(v));
      c.GridLines.moveTo(f.left(), y);
      c.GridLines.lineTo(f.right(), y);
      c.GridLabels.push_back(
          {QPointF(f.left() + 6, y - 5), Q(FixedText(v, decimals)), kGridLabelSize, false, kGridInk});
    }
  }

  // The legend strip: title block, scale bar, north arrow, colour key.
  const double stripTop = c.Frame.bottom() + 40, stripLeft = c.Frame.left(), stripWidth = c.Frame.width();
  auto text = [&](double x, double y, const std::string& s, double size, bool b = false) {
    c.LegendText.push_back({QPointF(x, y), Q(s), size, b, kInk});
  };
  {
    std::string title = o.Title;
    if (title.empty()) title = info.Title;
    if (title.empty()) title = std::filesystem::path(info.FileName).stem().string();
    const std::string date = o.Date.empty() ? QDate::currentDate().toString(Qt::ISODate).toStdString() : o.Date;
    std::string paper =
        page.PaperName == "custom" ? "a page" : page.PaperName + (page.Landscape ? " landscape" : " portrait");
    paper += " (" + FixedText(page.Width, 0) + " \u00D7 " + FixedText(page.Height, 0) + " mm)";
    const double x = stripLeft;
    text(x, stripTop + 36, title, 40, true);
    text(x, stripTop + 80, ViewText(view) + " \u00B7 scale 1:" + FixedText(page.Scale, 0) + " on " + paper, 20);
    text(x, stripTop + 112, "Grid " + FixedText(spacing, Decimals(spacing)) + " " + unit + " \u00B7 drawn " + date, 20);
    text(x, stripTop + 144, "Coordinates: " + CoordinateText(info), 20);
  }
  const double titleWidth = std::min(1000.0, stripWidth * 0.45);
  {
    // Scale bar: a round length in four blocks.
    const double room = std::min(600.0, stripWidth * 0.3);
    const double length = RoundLength(room / unitsPerMap);
    const double w = std::round(length * unitsPerMap);
    const double x = std::round(stripLeft + titleWidth + 40), y = stripTop + 40;
    c.LegendLines.addRect(QRectF(x, y, w, 20));
    for (int i = 0; i < 4; i += 2) c.LegendFilled.addRect(QRectF(x + w * i / 4, y, w / 4, 20));
    text(x - 5, y + 50, "0", 20);
    text(x + w / 2 - 10, y + 50, FixedText(length / 2, Decimals(length / 2)), 20);
    text(x + w - 10, y + 50, FixedText(length, Decimals(length)) + " " + unit, 20);
    text(x, y + 90, "1:" + FixedText(page.Scale, 0), 24, true);
  }
  const double arrowX = std::round(stripLeft + titleWidth + 40 + std::min(600.0, stripWidth * 0.3) + 120);
  {
    const double cy = stripTop + 140;
    if (view == TMapView::Plan) {
      c.LegendLines.moveTo(arrowX, cy + 60);
      c.LegendLines.lineTo(arrowX, cy - 60);
      c.LegendFilled.moveTo(arrowX, cy - 110);
      c.LegendFilled.lineTo(arrowX + 22, cy - 50);
      c.LegendFilled.lineTo(arrowX, cy - 62);
      c.LegendFilled.lineTo(arrowX - 22, cy - 50);
      c.LegendFilled.closeSubpath();
      text(arrowX - 12, cy + 100, "N", 32, true);
    } else if (view != TMapView::Extended) {
      const double b = MapBearing(view) * std::numbers::pi / 180, r = 60;
      c.LegendLines.addEllipse(QPointF(arrowX, cy - 30), r, r);
      const QPointF tip(arrowX + r * std::sin(b), cy - 30 - r * std::cos(b));
      c.LegendLines.moveTo(arrowX, cy - 30);
      c.LegendLines.lineTo(tip);
      const QPointF along = (tip - QPointF(arrowX, cy - 30)) / r, across(-along.y(), along.x());
      c.LegendFilled.moveTo(tip + along * 20);
      c.LegendFilled.lineTo(tip - along * 10 + across * 14);
      c.LegendFilled.lineTo(tip - along * 10 - across * 14);
      c.LegendFilled.closeSubpath();
      text(arrowX - 10, cy - 30 - r - 10, "N", 24, true);
      text(arrowX - 80, cy + 70, "looking " + Bearing3(MapBearing(view)), 20);
    } else {
      text(arrowX - 80, cy, "along the extended", 20);
      text(arrowX - 80, cy + 30, "survey: no bearing", 20);
    }
  }
  if (o.Coloring != TWallColoring::Plain) {
    const std::vector<TColorKeyEntry> key = ColorKey(model, o.Coloring, MakeWorkingUnits(o.Feet), top, bottom);
    const double x0 = arrowX + 160, right = stripLeft + stripWidth;
    const double rowH = o.Coloring == TWallColoring::Survey ? 26 : 12;
    const QFontMetricsF small(MapFont(16, false));
    double x = x0, y = stripTop, column = 0;
    for (const TColorKeyEntry& e : key) {
      if (y + rowH > stripTop + 290) {
        x += column + 30, y = stripTop, column = 0;
      }
      const double w = 30 + (e.Text.empty() ? 0 : 8 + small.horizontalAdvance(Q(e.Text)));
      if (x + w > right) break;
      // The key's "..." stands for more surveys, in no colour.
      if (e.Text != "...") c.Swatches.push_back({QRectF(x, y, 30, rowH), e.Color});
      if (!e.Text.empty()) text(x + 38, y + rowH / 2 + 6, e.Text, 16);
      column = std::max(column, w);
      y += rowH;
    }
  }
  return c;
}

}  // namespace lumora
