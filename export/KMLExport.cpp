#include "export/KMLExport.h"

#include <libxml/encoding.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "model/CoordinateSystem.h"

namespace lumora {

namespace {

constexpr double kDeg = std::numbers::pi / 180;
constexpr const char* kKmlNamespace = "http://earth.google.com/kml/2.0";

struct TEllipsoid {
  double a, b;
};
constexpr TEllipsoid kClarke1866{6378206.4, 6356583.8}, kClarke1880{6378249.145, 6356514.86955},
    kBessel{6377397.155, 6356078.96284}, kInternational1967{6378157.5, 6356772.2},
    kInternational1909{6378388.0, 6356911.94613}, kWGS72{6378135.0, 6356750.519915},
    kEverest{6377276.3452, 6356075.4133}, kGRS1980{6378137.0, 6356752.31414}, kWGS84{6378137.0, 6356752.31414},
    kAiry{6377563.396, 6356256.91}, kAustralian{6378160.0, 6356774.719}, kKrassovsky{6378245.0, 6356863.0188},
    kSouthAmerican1969{6378160.0, 6356774.7192};

struct TDatum {
  const char* Name;
  TEllipsoid Ellipsoid;
  double dx, dy, dz;
};
constexpr TDatum kDatums[24] = {
    {"Adindan", kClarke1880, -162, -12, 206},
    {"Arc 1950", kClarke1880, -143, -90, -294},
    {"Arc 1960", kClarke1880, -160, -8, -300},
    {"Australian 1966", kAustralian, -133, -48, 148},
    {"Australian 1984", kAustralian, -134, -48, 149},
    {"Camp Area Astro", kInternational1967, -104, -129, 230},
    {"Cape", kClarke1880, -136, -108, -292},
    {"European 1950", kInternational1909, -87, -98, -121},
    {"European 1979", kInternational1967, -86, -98, -119},
    {"Geodetic 1949", kInternational1967, 84, -22, 209},
    {"Hong Kong 1963", kInternational1967, -156, -271, -189},
    {"Hu Tzu Shan", kInternational1967, -634, -549, -201},
    {"Indian", kEverest, 289, 734, 257},
    {"North American 1927", kClarke1866, -8, 160, 176},
    {"North American 1983", kGRS1980, 0, 0, 0},
    {"Oman", kClarke1880, -346, -1, 224},
    {"Ordnance Survey 1936", kAiry, 375, -111, 431},
    {"Pulkovo 1942", kKrassovsky, 27, -135, -89},
    {"South American 1956", kInternational1967, -288, 175, -376},
    {"South American 1969", kSouthAmerican1969, -57, 1, -41},
    {"Tokyo", kBessel, -128, 481, 664},
    {"WGS 1972", kWGS72, 0, 0, -4.5},
    {"WGS 1984", kWGS84, 0, 0, 0},
    {"NAD27 Mexico", kClarke1866, -12, 130, 190},
};
constexpr int kWGS1984Row = 22;

int DatumRow(int index) { return index < 0 || index > 23 ? 21 : index; }

std::string Fixed8(double v) { return FixedString(v, 8); }

std::string Shortest(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Finite(v));
  return std::string(buf, r.ptr);
}

xmlNodePtr Child(xmlNodePtr parent, const char* name, const std::string& text = {}) {
  return xmlNewTextChild(parent, nullptr, BAD_CAST name, text.empty() ? nullptr : BAD_CAST text.c_str());
}

struct DocFree {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
struct NodeFree {
  void operator()(xmlNodePtr n) const { xmlFreeNode(n); }
};
using TNode = std::unique_ptr<xmlNode, NodeFree>;

// Writes a document exactly as libxml2's indented UTF-8 save of the whole
// tree would, but one subtree at a time, so that a million polygons never
// sit in memory together: libxml2 serialises every subtree; only the tags
// of the containers (kml, Document, Placemark, MultiGeometry) are written
// here, the way the save writes an element with element children.
class TKMLStream {
 public:
  TKMLStream(const std::filesystem::path& target, xmlDocPtr doc)
      : file_(AsExportError([&] { return std::make_unique<TAtomicFile>(target); })), doc_(doc) {
    // The buffer writes through the file, keeping the reason of a failure,
    // and leaves it open for Commit.
    buf_ = xmlOutputBufferCreateIO(WriteOut, nullptr, this, xmlFindCharEncodingHandler("UTF-8"));
    if (!buf_) throw EExport("Cannot write file \"" + target.string() + "\"");
    Raw("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  }
  ~TKMLStream() {
    if (buf_) xmlOutputBufferClose(buf_);
  }

  // A container whose open tag waits for its first child: without one it
  // is written as an empty element.
  void Open(const char* name, std::string attributes = {}) { open_.push_back({name, std::move(attributes), false}); }
  void Close() {
    const TOpen o = std::move(open_.back());
    open_.pop_back();
    const int level = static_cast<int>(open_.size());
    if (!o.Written) {
      Touch();
      Indent(level);
      Raw("<" + std::string(o.Name) + o.Attributes + "/>\n");
    } else {
      Indent(level);
      Raw("</" + std::string(o.Name) + ">\n");
    }
  }
  // A complete subtree, a child of the innermost open container.
  void Node(xmlNodePtr node) {
    Touch();
    const int level = static_cast<int>(open_.size());
    Indent(level);
    xmlNodeDumpOutput(buf_, doc_, node, level, 1, "UTF-8");
    Raw("\n");
  }

  void Commit() {
    xmlOutputBufferPtr buf = buf_;
    buf_ = nullptr;
    const int closed = xmlOutputBufferClose(buf);
    if (!error_.empty()) throw EExport(error_);
    if (closed < 0) throw EExport("Cannot write file \"" + file_->Target().string() + "\"");
    AsExportError([&] { file_->Commit(); });
  }

 private:
  struct TOpen {
    const char* Name;
    std::string Attributes;
    bool Written;
  };
  void Raw(const std::string& text) { xmlOutputBufferWrite(buf_, static_cast<int>(text.size()), text.c_str()); }
  void Indent(int level) { xmlOutputBufferWrite(buf_, 2 * level, "                                        "); }
  // Writes the open tags still waiting, outermost first.
  void Touch() {
    for (size_t i = 0; i < open_.size(); ++i) {
      if (open_[i].Written) continue;
      Indent(static_cast<int>(i));
      Raw("<" + std::string(open_[i].Name) + open_[i].Attributes + ">\n");
      open_[i].Written = true;
    }
  }

  static int WriteOut(void* context, const char* bytes, int size) {
    auto* self = static_cast<TKMLStream*>(context);
    if (!self->error_.empty()) return -1;
    try {
      self->file_->Write(std::string_view(bytes, static_cast<size_t>(size)));
      return size;
    } catch (const std::exception& e) {
      self->error_ = e.what();
      return -1;
    }
  }

  std::unique_ptr<TAtomicFile> file_;
  xmlDocPtr doc_;
  xmlOutputBufferPtr buf_ = nullptr;
  std::string error_;  // the first failed write's message
  std::vector<TOpen> open_;
};

// One geometry element built once and written many times with a new id
// and new coordinates.
struct TGeometryTemplate {
  TNode Root;
  xmlNodePtr Id = nullptr;           // the id attribute's text
  xmlNodePtr Coordinates = nullptr;  // the coordinates element's text
  void Set(const std::string& id, const std::string& coordinates) const {
    xmlNodeSetContent(Id, BAD_CAST id.c_str());
    xmlNodeSetContent(Coordinates, BAD_CAST coordinates.c_str());
  }
};

class TKMLWriter {
 public:
  TKMLWriter(const std::filesystem::path& path, const TExportJob& job, bool passages)
      : path_(path), job_(job), model_(job.Model), o_(job.Options), passages_(passages) {
    zone_ = model_.PlotInfo.Zone;
    datum_ = DatumRow(o_.DatumCombo);
    // A .3d file names its coordinate system, datum and all: PROJ places it.
    if (model_.PlotInfo.ProjectedSystem) proj_ = std::make_unique<TLonLatTransform>(model_.PlotInfo.CoordinateSystem);
    name_ = path.stem().string();
    style_ = passages ? "CaveStyle1" : "CaveStyle2";
  }

  void Run() {
    CopyWallSettings(o_, TExportWriter::Shapefile, job_.Passage);
    doc_.reset(xmlNewDoc(BAD_CAST "1.0"));
    // The whole-document save names the encoding on the document while it
    // writes, which keeps non-ASCII letters of attributes as they are.
    doc_->encoding = xmlStrdup(BAD_CAST "UTF-8");
    TKMLStream out(path_, doc_.get());
    out_ = &out;
    geometry_ = passages_ ? Template("Polygon", "1", 7) : Template("LineString", "0", 5);
    out.Open("kml", std::string(" xmlns=\"") + kKmlNamespace + "\"");
    out.Open("Document");
    Leaf("name", name_);
    Leaf("open", "0");
    LookAt();
    Style();

    const int sections = model_.Sections.Count();
    if (!o_.SectionsChk) OpenGeometryPlacemark(name_);
    for (int s = 0; s < sections; ++s) {
      const std::string section = model_.Sections[s].Name.Str();
      job_.Progress.show_status(passages_ ? "Writing Section Passages" : "Writing Section Lines");
      if (o_.SectionsChk) {
        if (o_.MarkSectionsChk || o_.LabelSectionsChk) Marker(s, section);
        OpenGeometryPlacemark(section);
      }
      const TRange surveys = model_.SectionSurveyRange(s);
      for (int sv = surveys.First; sv <= surveys.Last; ++sv) {
        if (model_.Surveys[sv].Kind == skSurvey) {
          if (passages_)
            Passages(sv);
          else
            Lines(sv, o_.SectionsChk ? section : name_);
        }
        job_.Progress.show_progress(s, sections, sv - surveys.First, surveys.Last - surveys.First + 1, 0, 1);
      }
      if (o_.SectionsChk) CloseGeometryPlacemark();
    }
    if (!o_.SectionsChk) CloseGeometryPlacemark();
    LoneStations();
    out.Close();  // Document
    out.Close();  // kml
    out.Commit();
    out_ = nullptr;
    job_.Progress.set_all_progress(100);
  }

 private:
  bool Hidden(const TPlotVector& v) const { return v.Code == 'd' && !o_.ShowHiddenChk; }
  bool Unused(const TPlotVector& v) const { return Hidden(v) || (v.IsSplay() && !o_.KMLSplayChk); }

  TNode Element(const char* name) const { return TNode(xmlNewDocNode(doc_.get(), nullptr, BAD_CAST name, nullptr)); }

  void Leaf(const char* name, const std::string& text) {
    TNode node = Element(name);
    if (!text.empty()) xmlAddChild(node.get(), xmlNewDocText(doc_.get(), BAD_CAST text.c_str()));
    out_->Node(node.get());
  }

  std::string Coordinate(const T3DVector& p) const {
    const TLonLat ll = Place(p);
    std::string t;
    AppendFixed(t, ll.Longitude, 8);
    t += ',';
    AppendFixed(t, ll.Latitude, 8);
    if (o_.AltitudeModeRadio != 0) {
      t += ',';
      AppendFixed(t, o_.AltitudeSpin, 8);
    }
    return t;
  }

  void LookAt() {
    const TPlotInfo& info = model_.PlotInfo;
    const TLonLat c = Place(info.Center);
    const double dx = info.Max.x - info.Min.x, dy = info.Max.y - info.Min.y, dz = info.Max.z - info.Min.z;
    TNode look = Element("LookAt");
    Child(look.get(), "longitude", Shortest(c.Longitude));
    Child(look.get(), "latitude", Shortest(c.Latitude));
    Child(look.get(), "range", Shortest(std::tan(20 * kDeg) * std::sqrt(dx * dx + dy * dy + dz * dz)));
    Child(look.get(), "heading", Shortest(o_.HeadingSpin));
    out_->Node(look.get());
  }

  void Style() {
    TNode style = Element("Style");
    xmlNewProp(style.get(), BAD_CAST "id", BAD_CAST style_.c_str());
    Child(Child(style.get(), "PolyStyle"), "color", KMLColor(o_.KMLFillColorDis, 255 - o_.FillTransBar));
    xmlNodePtr line = Child(style.get(), "LineStyle");
    Child(line, "color", KMLColor(o_.KMLLineColorDis, 255));
    if (!passages_) Child(line, "width", std::to_string(o_.LineWidthSpin));
    xmlNodePtr icon = Child(style.get(), "IconStyle");
    Child(icon, "color", KMLColor(o_.KMLMarkColorDis, 255));
    Child(icon, "scale", FixedString(o_.MarkSectionsChk ? o_.KMLMarkScaleSpin : 0, 1));
    xmlNodePtr label = Child(style.get(), "LabelStyle");
    Child(label, "color", KMLColor(o_.KMLLabelColorDis, 255));
    Child(label, "scale", FixedString(o_.LabelSectionsChk ? o_.KMLLabelScaleSpin : 0, 1));
    out_->Node(style.get());
  }

  TLonLat Place(const T3DVector& p) const {
    if (!proj_) return to_longitude_latitude(p, zone_, datum_);
    const auto [longitude, latitude] = proj_->Transform(p.x * MetresPerFoot(), p.y * MetresPerFoot());
    return {longitude, latitude};
  }

  void Marker(int s, const std::string& section) {
    const TRange surveys = model_.SectionSurveyRange(s);
    if (surveys.Empty()) return;
    const TRange plots = model_.SurveyPlotRange(surveys.First);
    if (plots.Empty()) return;
    Point(section, model_.Plots[plots.First].Position);
  }

  // Stations on lines of their own (fixed points, a file without legs)
  // have no line to show them: each is a point of its own.
  void LoneStations() {
    for (int l = 0; l < model_.LineStarts.Count(); ++l) {
      const TRange r = model_.LinePlotRange(l);
      if (r.First == r.Last && model_.Plots[r.First].Code == 'M')
        Point(model_.Name(model_.Plots[r.First]), model_.Plots[r.First].Position);
    }
  }

  void Point(const std::string& name, const T3DVector& at) {
    const TLonLat ll = Place(at);
    TNode mark = Element("Placemark");
    Child(mark.get(), "name", name);
    Child(Child(mark.get(), "Point"), "coordinates", Fixed8(ll.Longitude) + "," + Fixed8(ll.Latitude) + ",0");
    Child(mark.get(), "styleUrl", "#" + style_);
    out_->Node(mark.get());
  }

  void OpenGeometryPlacemark(const std::string& name) {
    out_->Open("Placemark");
    Leaf("name", name);
    Leaf("styleUrl", "#" + style_);
    out_->Open("MultiGeometry");
  }
  void CloseGeometryPlacemark() {
    out_->Close();  // MultiGeometry
    out_->Close();  // Placemark
  }

  // extrude, the altitude mode, tessellate and the coordinates element, at
  // `depth` below the document root.
  TGeometryTemplate Template(const char* element, const char* tessellate, int depth) {
    TGeometryTemplate t;
    t.Root = Element(element);
    t.Id = xmlNewProp(t.Root.get(), BAD_CAST "id", BAD_CAST "")->children;
    xmlNodePtr g = t.Root.get();
    Child(g, "extrude", "0");
    if (o_.AltitudeModeRadio == 0) {
      Child(g, "altitudeMode", "clampToGround");
    } else {
      Child(g, "altitudeMode", "relativeToGround");
      Child(g, "altitude", Fixed8(o_.AltitudeSpin));
    }
    Child(g, "tessellate", tessellate);
    xmlNodePtr parent = passages_ ? Child(Child(g, "outerBoundaryIs"), "LinearRing") : g;
    t.Coordinates = xmlNewText(BAD_CAST "");
    xmlAddChild(Child(parent, "coordinates"), t.Coordinates);
    indent_ = "\n" + std::string(2 * depth, ' ');
    return t;
  }

  void Passages(int sv) {
    const TRange r = model_.SurveyPlotRange(sv);
    const TPassageOptions& p = job_.Passage;
    std::vector<TShot>& run = run_;
    auto flush = [&] {
      if (p.AverageJoints)
        for (size_t k = 0; k + 1 < run.size(); ++k) AverageSegmentEnds(run[k].c, run[k + 1].c);
      for (const TShot& s : run) Polygon(s.c, s.id);
      run.clear();
    };
    for (int i = r.First; i < r.Last; ++i) {
      const TPlotVector& next = model_.Plots[i + 1];
      if (next.Code == 'M' || Unused(next)) {
        flush();
        continue;
      }
      TPlotVector a = model_.Plots[i], b = next;
      CleanDimensions(a);
      CleanDimensions(b);
      if (p.FillDimensions) FillPairDimensions(a, b, p.SubstituteDiameter);
      std::string id = model_.Name(a);
      id += '-';
      id += model_.Name(b);
      run.push_back({PlanOutline(a, b), std::move(id)});
    }
    flush();
  }

  void Polygon(const TPlanOutline& c, const std::string& id) {
    // The first corner closes the ring; it is converted once.
    const std::string first = Coordinate(c[0]);
    text_.clear();
    for (const std::string& t : {first, Coordinate(c[2]), Coordinate(c[3]), Coordinate(c[1]), first}) {
      text_ += indent_;
      text_ += t;
    }
    text_ += indent_;
    geometry_.Set(id, text_);
    out_->Node(geometry_.Root.get());
  }

  void Lines(int sv, const std::string& id) {
    const TRange lines = model_.SurveyLineRange(sv);
    for (int l = lines.First; l <= lines.Last; ++l) {
      const TRange r = model_.LinePlotRange(l);
      text_.clear();
      int count = 0;
      bool draws = o_.ShowHiddenChk;
      for (int i = r.First; i <= r.Last; ++i) {
        const TPlotVector& v = model_.Plots[i];
        draws = draws || v.Code == 'D';
        // Unused splays and hidden shots are left out; the rest of the line stays.
        if (Unused(v)) continue;
        text_ += indent_;
        text_ += Coordinate(v.Position);
        ++count;
      }
      if (!draws || count < 2) continue;
      text_ += indent_;
      geometry_.Set(id, text_);
      out_->Node(geometry_.Root.get());
    }
  }

  std::filesystem::path path_;
  const TExportJob& job_;
  TPlotModel& model_;
  const TExportOptions& o_;
  bool passages_;
  int zone_ = 0, datum_ = 21;
  std::unique_ptr<TLonLatTransform> proj_;
  std::string name_, style_;
  std::unique_ptr<xmlDoc, DocFree> doc_;
  TKMLStream* out_ = nullptr;
  TGeometryTemplate geometry_;
  std::string indent_;  // before each coordinate text
  std::string text_;    // the coordinates being written
  // The outlines of one run of consecutive shots, joined before writing.
  struct TShot {
    TPlanOutline c;
    std::string id;
  };
  std::vector<TShot> run_;
};

bool WriteKml(const std::filesystem::path& path, const TExportJob& job, const TMessageProc& warn, bool passages) {
  if (!CheckGeoreference(job.Model, warn)) return false;
  job.Progress.reset_progress();
  TKMLWriter(path, job, passages).Run();
  return true;
}

}  // namespace

int KMLDatumCount() { return 24; }
std::string KMLDatumName(int index) { return kDatums[DatumRow(index)].Name; }
int KMLDatumIndex(const std::string& name) {
  for (int i = 0; i < 24; ++i)
    if (name == kDatums[i].Name) return i;
  return -1;
}

std::string KMLColor(uint32_t color, int opacity) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02x%06x", static_cast<unsigned>(std::clamp(opacity, 0, 255)),
                static_cast<unsigned>(color & 0xFFFFFF));
  return buf;
}

TLonLat to_longitude_latitude(const T3DVector& position, int zone, int datum) {
  const double mpf = MetresPerFoot();
  const double E = position.x * mpf, N = position.y * mpf, h = position.z * mpf;
  const TDatum& d = kDatums[DatumRow(datum)];
  const double a = d.Ellipsoid.a, b = d.Ellipsoid.b;
  const double e2 = (a * a - b * b) / (a * a), ep2 = (a * a - b * b) / (b * b);
  const double k0 = 0.9996;
  const double lambda0 = (std::abs(zone) * 6 - 183) * kDeg;
  const double falseNorthing = zone < 0 ? 10000000 : 0;
  const double x = (E - 500000) / k0, y = (N - falseNorthing) / k0;

  const double e4 = e2 * e2, e6 = e4 * e2, e8 = e6 * e2;
  const double c = a * (1 - e2);
  const double A = 1 + 3.0 / 4 * e2 + 45.0 / 64 * e4 + 175.0 / 256 * e6 + 11025.0 / 16384 * e8;
  const double B = 3.0 / 4 * e2 + 15.0 / 16 * e4 + 525.0 / 512 * e6 + 2205.0 / 2048 * e8;
  const double C = 15.0 / 64 * e4 + 105.0 / 256 * e6 + 2205.0 / 4096 * e8;
  const double D = 35.0 / 512 * e6 + 315.0 / 2048 * e8;
  auto arc = [&](double phi) {
    return c * (A * phi - B / 2 * std::sin(2 * phi) + C / 4 * std::sin(4 * phi) - D / 6 * std::sin(6 * phi));
  };
  auto step = [&](double phi, double m) {
    const double delta = y - m;
    const double s = std::sin(phi);
    const double W = std::sqrt(1 - e2 * s * s);
    const double W3 = W * W * W, W4 = W3 * W;
    return phi + delta * W3 / c + delta * delta * std::cos(phi) * (-3 * e2) * W4 / (c * c);
  };
  double phi = step(0, arc(0));
  double previous = y;
  for (int k = 0; k < 10; ++k) {
    const double m = arc(phi);
    if (m == previous) break;
    previous = m;
    phi = step(phi, m);
  }
  const double phi1 = std::clamp(phi, -std::numbers::pi / 2, std::numbers::pi / 2);

  const double T = std::tan(phi1), T2 = T * T, T4 = T2 * T2, T6 = T4 * T2;
  const double cos1 = std::cos(phi1), sin1 = std::sin(phi1);
  const double Cc = ep2 * cos1 * cos1, C2 = Cc * Cc, C3 = C2 * Cc, C4 = C3 * Cc;
  const double N1 = a / std::sqrt(1 - e2 * sin1 * sin1);
  const double Dd = x / N1, D2 = Dd * Dd, D3 = D2 * Dd, D4 = D2 * D2, D5 = D4 * Dd, D6 = D4 * D2, D8 = D4 * D4;
  const double G = T * (1 + Cc);
  double lat = phi1 - G * D2 / 2 + G * D4 * (5 + 3 * T2 + Cc - 4 * C2 - 9 * T2 * Cc) / 24 -
               G * D6 *
                   (61 + 90 * T2 + 46 * Cc + 45 * T4 - 252 * T2 * Cc - 3 * C2 + 100 * C3 - 66 * T2 * C2 - 90 * T4 * Cc +
                    88 * C4 + 225 * T4 * C2 + 84 * T2 * C3 - 192 * T2 * C4) /
                   720 +
               G * D8 * (1385 + 3633 * T2 + 4095 * T4 + 1575 * T6) / 40320;
  double lon =
      lambda0 + (Dd - D3 * (1 + 2 * T2 + Cc) / 6 + D5 * (5 + 28 * T2 + 24 * T4 + 6 * Cc + 8 * T2 * Cc) / 120) / cos1;

  if (DatumRow(datum) != kWGS1984Row) {
    const double f = (a - b) / a;
    const double fW = (kWGS84.a - kWGS84.b) / kWGS84.a;
    const double da = kWGS84.a - a, df = fW - f;
    const double sp = std::sin(lat), cp = std::cos(lat), sl = std::sin(lon), cl = std::cos(lon);
    const double w = 1 - e2 * sp * sp;
    const double M = a * (1 - e2) / std::pow(w, 1.5), Nn = a / std::sqrt(w);
    const double dphi = (-d.dx * sp * cl - d.dy * sp * sl + d.dz * cp + da * Nn * e2 * sp * cp / a +
                         df * (M / (1 - f) + Nn * (1 - f)) * sp * cp) /
                        (M + h);
    const double dlambda = (-d.dx * sl + d.dy * cl) / ((Nn + h) * cp);
    lat += dphi;
    lon += dlambda;
  }
  return {lon / kDeg, lat / kDeg};
}

bool write_kml_passages(const std::filesystem::path& path, const TExportJob& job, const TMessageProc& warn) {
  return WriteKml(path, job, warn, true);
}

bool write_kml_lines(const std::filesystem::path& path, const TExportJob& job, const TMessageProc& warn) {
  return WriteKml(path, job, warn, false);
}

}  // namespace lumora
