#include "export/KMLExport.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace lumora {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;
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
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

xmlNodePtr Child(xmlNodePtr parent, const char* name, const std::string& text = {}) {
  return xmlNewTextChild(parent, nullptr, BAD_CAST name, text.empty() ? nullptr : BAD_CAST text.c_str());
}

struct DocFree {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

class TKMLWriter {
 public:
  TKMLWriter(const std::filesystem::path& path, const TExportJob& job, bool passages)
      : path_(path), job_(job), model_(job.Model), o_(job.Options), passages_(passages) {
    zone_ = model_.PlotInfo.Zone;
    datum_ = DatumRow(o_.DatumCombo);
    name_ = path.stem().string();
    style_ = passages ? "CaveStyle1" : "CaveStyle2";
  }

  void Run() {
    CopyWallSettings(o_, TExportWriter::Shapefile, job_.Passage);
    doc_.reset(xmlNewDoc(BAD_CAST "1.0"));
    xmlNodePtr root = xmlNewNode(nullptr, BAD_CAST "kml");
    xmlNewNs(root, BAD_CAST kKmlNamespace, nullptr);
    xmlDocSetRootElement(doc_.get(), root);
    xmlNodePtr document = Child(root, "Document");
    Child(document, "name", name_);
    Child(document, "open", "0");
    LookAt(document);
    Style(document);

    const int sections = model_.Sections.Count();
    xmlNodePtr all = nullptr;
    if (!o_.SectionsChk) all = GeometryPlacemark(document, name_);
    for (int s = 0; s < sections; ++s) {
      const std::string section = model_.Sections[s].Name.Str();
      job_.Progress.show_status(passages_ ? "Writing Section Passages" : "Writing Section Lines");
      xmlNodePtr multi = all;
      if (o_.SectionsChk) {
        if (o_.MarkSectionsChk || o_.LabelSectionsChk) Marker(document, s, section);
        multi = GeometryPlacemark(document, section);
      }
      const TRange surveys = model_.SectionSurveyRange(s);
      for (int sv = surveys.First; sv <= surveys.Last; ++sv) {
        if (model_.Surveys[sv].Kind == skSurvey) {
          if (passages_)
            Passages(multi, sv);
          else
            Lines(multi, sv, o_.SectionsChk ? section : name_);
        }
        job_.Progress.show_progress(s, sections, sv - surveys.First, surveys.Last - surveys.First + 1, 0, 1);
      }
    }
    Save();
    job_.Progress.set_all_progress(100);
  }

 private:
  bool Hidden(const TPlotVector& v) const { return v.Code == 'd' && !o_.ShowHiddenChk; }
  bool Unused(const TPlotVector& v) const { return Hidden(v) || (v.IsSplay() && !o_.KMLSplayChk); }

  std::string Coordinate(const T3DVector& p) const {
    const TLonLat ll = to_longitude_latitude(p, zone_, datum_);
    std::string t = Fixed8(ll.Longitude) + "," + Fixed8(ll.Latitude);
    if (o_.AltitudeModeRadio != 0) t += "," + Fixed8(o_.AltitudeSpin);
    return t;
  }

  void LookAt(xmlNodePtr document) {
    const TPlotInfo& info = model_.PlotInfo;
    const TLonLat c = to_longitude_latitude(info.Center, zone_, datum_);
    const double dx = info.Max.x - info.Min.x, dy = info.Max.y - info.Min.y, dz = info.Max.z - info.Min.z;
    xmlNodePtr look = Child(document, "LookAt");
    Child(look, "longitude", Shortest(c.Longitude));
    Child(look, "latitude", Shortest(c.Latitude));
    Child(look, "range", Shortest(std::tan(20 * kDeg) * std::sqrt(dx * dx + dy * dy + dz * dz)));
    Child(look, "heading", Shortest(o_.HeadingSpin));
  }

  void Style(xmlNodePtr document) {
    xmlNodePtr style = Child(document, "Style");
    xmlNewProp(style, BAD_CAST "id", BAD_CAST style_.c_str());
    Child(Child(style, "PolyStyle"), "color", KMLColor(o_.KMLFillColorDis, 255 - o_.FillTransBar));
    xmlNodePtr line = Child(style, "LineStyle");
    Child(line, "color", KMLColor(o_.KMLLineColorDis, 255));
    if (!passages_) Child(line, "width", std::to_string(o_.LineWidthSpin));
    xmlNodePtr icon = Child(style, "IconStyle");
    Child(icon, "color", KMLColor(o_.KMLMarkColorDis, 255));
    Child(icon, "scale", FixedString(o_.MarkSectionsChk ? o_.KMLMarkScaleSpin : 0, 1));
    xmlNodePtr label = Child(style, "LabelStyle");
    Child(label, "color", KMLColor(o_.KMLLabelColorDis, 255));
    Child(label, "scale", FixedString(o_.LabelSectionsChk ? o_.KMLLabelScaleSpin : 0, 1));
  }

  void Marker(xmlNodePtr document, int s, const std::string& section) {
    const TRange surveys = model_.SectionSurveyRange(s);
    if (surveys.Empty()) return;
    const TRange plots = model_.SurveyPlotRange(surveys.First);
    if (plots.Empty()) return;
    const TLonLat ll = to_longitude_latitude(model_.Plots[plots.First].Position, zone_, datum_);
    xmlNodePtr mark = Child(document, "Placemark");
    Child(mark, "name", section);
    Child(Child(mark, "Point"), "coordinates", Fixed8(ll.Longitude) + "," + Fixed8(ll.Latitude) + ",0");
    Child(mark, "styleUrl", "#" + style_);
  }

  xmlNodePtr GeometryPlacemark(xmlNodePtr document, const std::string& name) {
    xmlNodePtr mark = Child(document, "Placemark");
    Child(mark, "name", name);
    Child(mark, "styleUrl", "#" + style_);
    return Child(mark, "MultiGeometry");
  }

  void Altitude(xmlNodePtr geometry) {
    if (o_.AltitudeModeRadio == 0) {
      Child(geometry, "altitudeMode", "clampToGround");
    } else {
      Child(geometry, "altitudeMode", "relativeToGround");
      Child(geometry, "altitude", Fixed8(o_.AltitudeSpin));
    }
  }

  void Passages(xmlNodePtr multi, int sv) {
    const TRange r = model_.SurveyPlotRange(sv);
    const TPassageOptions& p = job_.Passage;
    struct Shot {
      TPlanOutline c;
      std::string id;
    };
    std::vector<Shot> run;
    auto flush = [&] {
      if (p.AverageJoints)
        for (size_t k = 0; k + 1 < run.size(); ++k) AverageSegmentEnds(run[k].c, run[k + 1].c);
      for (const Shot& s : run) Polygon(multi, s.c, s.id);
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
      run.push_back({PlanOutline(a, b), a.Name.Str() + "-" + b.Name.Str()});
    }
    flush();
  }

  // Coordinates one per line, indented like their element.
  void Coordinates(xmlNodePtr parent, const std::vector<std::string>& coords, int depth) {
    const std::string indent = "\n" + std::string(2 * depth, ' ');
    std::string text;
    for (const auto& c : coords) text += indent + c;
    text += indent;
    Child(parent, "coordinates", text);
  }

  void Polygon(xmlNodePtr multi, const TPlanOutline& c, const std::string& id) {
    xmlNodePtr poly = Child(multi, "Polygon");
    xmlNewProp(poly, BAD_CAST "id", BAD_CAST id.c_str());
    Child(poly, "extrude", "0");
    Altitude(poly);
    Child(poly, "tessellate", "1");
    xmlNodePtr ring = Child(Child(poly, "outerBoundaryIs"), "LinearRing");
    Coordinates(ring, {Coordinate(c[0]), Coordinate(c[2]), Coordinate(c[3]), Coordinate(c[1]), Coordinate(c[0])}, 7);
  }

  void Lines(xmlNodePtr multi, int sv, const std::string& id) {
    const TRange lines = model_.SurveyLineRange(sv);
    for (int l = lines.First; l <= lines.Last; ++l) {
      const TRange r = model_.LinePlotRange(l);
      std::vector<std::string> coords;
      bool draws = o_.ShowHiddenChk;
      for (int i = r.First; i <= r.Last; ++i) {
        const TPlotVector& v = model_.Plots[i];
        draws = draws || v.Code == 'D';
        // Unused splays and hidden shots are left out; the rest of the line stays.
        if (!Unused(v)) coords.push_back(Coordinate(v.Position));
      }
      if (!draws || coords.size() < 2) continue;
      xmlNodePtr ls = Child(multi, "LineString");
      xmlNewProp(ls, BAD_CAST "id", BAD_CAST id.c_str());
      Child(ls, "extrude", "0");
      Altitude(ls);
      Child(ls, "tessellate", "0");
      Coordinates(ls, coords, 5);
    }
  }

  void Save() {
    std::filesystem::path temp = path_;
    temp += ".tmp~";
    const int saved = xmlSaveFormatFileEnc(temp.c_str(), doc_.get(), "UTF-8", 1);
    std::error_code ec;
    if (saved < 0) {
      std::filesystem::remove(temp, ec);
      throw EExport("Cannot write file \"" + path_.string() + "\"");
    }
    std::filesystem::rename(temp, path_, ec);
    if (ec) {
      std::filesystem::remove(temp, ec);
      throw EExport("Cannot write file \"" + path_.string() + "\": " + ec.message());
    }
  }

  std::filesystem::path path_;
  const TExportJob& job_;
  TPlotModel& model_;
  const TExportOptions& o_;
  bool passages_;
  int zone_ = 0, datum_ = 21;
  std::string name_, style_;
  std::unique_ptr<xmlDoc, DocFree> doc_;
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
  const double phi1 = std::clamp(phi, -kPi / 2, kPi / 2);

  const double T = std::tan(phi1), T2 = T * T, T4 = T2 * T2, T6 = T4 * T2;
  const double cos1 = std::cos(phi1), sin1 = std::sin(phi1);
  const double Cc = ep2 * cos1 * cos1, C2 = Cc * Cc, C3 = C2 * Cc, C4 = C3 * Cc;
  const double N1 = a / std::sqrt(1 - e2 * sin1 * sin1);
  const double Dd = x / N1, D2 = Dd * Dd, D3 = D2 * Dd, D4 = D2 * D2, D5 = D4 * Dd, D6 = D4 * D2, D8 = D4 * D4;
  const double G = T * (1 + Cc);
  double lat = phi1 - G * D2 / 2 + G * D4 * (5 + 3 * T2 + Cc - 4 * C2 - 9 * T2 * Cc) / 24 -
               G * D6 *
                   (61 + 90 * T2 + 46 * Cc + 45 * T4 - 252 * T2 * Cc - 3 * C2 + 100 * C3 - 66 * T2 * C2 -
                    90 * T4 * Cc + 88 * C4 + 225 * T4 * C2 + 84 * T2 * C3 - 192 * T2 * C4) /
                   720 +
               G * D8 * (1385 + 3633 * T2 + 4095 * T4 + 1575 * T6) / 40320;
  double lon = lambda0 + (Dd - D3 * (1 + 2 * T2 + Cc) / 6 + D5 * (5 + 28 * T2 + 24 * T4 + 6 * Cc + 8 * T2 * Cc) / 120) / cos1;

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
