#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "export/KMLExport.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "platform/tests/ShellOutput.h"

using namespace lumora;

namespace {

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Two sections in zone 13 near 500000 E, 4000000 N (feet on the grid).
const char* const kPlot =
    "Z 13123000 13124000 1640000 1641000 -100 0\r\n"
    "G 13\r\nONorth American 1983\r\n"
    "S First Section\r\n"
    "N A D 1 1 2000 C x\r\n"
    "M 13123360 1640420 0 S A1 P 3 3 3 3\r\n"
    "D 13123400 1640430 -5 S A2 P 3 3 3 3\r\n"
    "D 13123450 1640440 -8 S A3 P 3 3 3 3 I 0 FS\r\n"
    "d 13123500 1640450 -9 S A4 P 3 3 3 3\r\n"
    "X 13123360 13123500 1640420 1640450 -9 0\r\n"
    "S Second\r\n"
    "N B D 1 1 2000 C y\r\n"
    "M 13123500 1640450 -9 S A4 P 3 3 3 3\r\n"
    "D 13123550 1640460 -10 S B1 P 3 3 3 3\r\n"
    "X 13123500 13123550 1640450 1640460 -10 -9\r\n";

struct Fixture {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lumora-kml-" + std::to_string(getpid()));
  TPlotModel model;
  TExportOptions options;
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  Fixture() {
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(LoadPlotText(model, kPlot, "cave.plt").Ok);
  }
  ~Fixture() {
    if (!getenv("KEEP")) std::filesystem::remove_all(dir);
  }
  std::string Write(bool passages, const std::string& name = "cave") {
    const auto path = dir / (name + ".kml");
    const TExportJob job{model, options, passage, state, progress};
    EXPECT_TRUE(passages ? write_kml_passages(path, job) : write_kml_lines(path, job));
    return ReadWholeFile(path);
  }
};

double Metres(const TLonLat& a, double lon, double lat) {
  const double k = 6371000 * M_PI / 180;
  return std::hypot((a.Longitude - lon) * k * std::cos(lat * M_PI / 180), (a.Latitude - lat) * k);
}

}  // namespace

TEST(KMLExport, KnownPointsAndDatumTable) {
  const double f = MetresPerFoot();
  // The central meridian on the equator, north and south.
  TLonLat p = to_longitude_latitude({500000 / f, 0, 0}, 13, KMLDatumIndex("WGS 1984"));
  EXPECT_NEAR(p.Longitude, -105, 1e-6);
  EXPECT_NEAR(p.Latitude, 0, 1e-6);
  p = to_longitude_latitude({500000 / f, 10000000 / f, 0}, -33, KMLDatumIndex("WGS 1984"));
  EXPECT_NEAR(p.Longitude, 15, 1e-6);
  EXPECT_NEAR(p.Latitude, 0, 1e-6);
  // A shift moves the point: North American 1927 is not WGS 84.
  const TLonLat q = to_longitude_latitude({500000 / f, 0, 0}, 13, KMLDatumIndex("North American 1927"));
  EXPECT_GT(Metres(q, -105, 0), 50);
  EXPECT_EQ(KMLDatumCount(), 24);
  EXPECT_EQ(KMLDatumName(13), "North American 1927");
  EXPECT_EQ(KMLDatumName(99), "WGS 1972");
  EXPECT_EQ(KMLColor(kColorBlue, 255 - 64), "bfff0000");
  EXPECT_EQ(KMLColor(kColorRed, 255), "ff0000ff");
}

TEST(KMLExport, AgreesWithProj) {
  if (Shell("command -v gdaltransform").empty()) GTEST_SKIP() << "gdaltransform not available";
  struct Case {
    const char* datum;
    int zone;
    double e, n, tolerance;
    const char* proj;
  };
  const Case cases[] = {
      {"WGS 1984", 13, 432000, 4012000, 0.5, "+proj=utm +zone=13 +datum=WGS84"},
      {"North American 1983", 17, 612345, 3912345, 0.5, "+proj=utm +zone=17 +ellps=GRS80 +towgs84=0,0,0"},
      {"North American 1927", 17, 398765, 4456789, 10, "+proj=utm +zone=17 +ellps=clrk66 +towgs84=-8,160,176"},
      {"WGS 1984", -33, 345678, 6234567, 0.5, "+proj=utm +zone=33 +south +datum=WGS84"},
      {"North American 1927", 13, 700000, 3500000, 10, "+proj=utm +zone=13 +ellps=clrk66 +towgs84=-8,160,176"},
  };
  const double f = MetresPerFoot();
  for (const Case& c : cases) {
    const std::string out =
        Shell("echo '" + std::to_string(c.e) + " " + std::to_string(c.n) + " 0' | gdaltransform -s_srs '" + c.proj +
              "' -t_srs '+proj=longlat +datum=WGS84' 2>&1");
    double lon = 0, lat = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "%lf %lf", &lon, &lat), 2) << out;
    const TLonLat p = to_longitude_latitude({c.e / f, c.n / f, 0}, c.zone, KMLDatumIndex(c.datum));
    EXPECT_LT(Metres(p, lon, lat), c.tolerance)
        << c.datum << " zone " << c.zone << ": " << p.Longitude << " " << p.Latitude << " vs " << out;
  }
}

TEST(KMLExport, PassageDocument) {
  Fixture f;
  f.options.DatumCombo = KMLDatumIndex("WGS 1984");
  f.options.KMLFillColorDis = kColorBlue;
  f.options.FillTransBar = 64;
  f.options.MarkSectionsChk = false;
  const std::string kml = f.Write(true);
  EXPECT_EQ(kml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://earth.google.com/kml/2.0\">", 0),
            0u);
  EXPECT_NE(kml.find("<Style id=\"CaveStyle1\">"), std::string::npos);
  EXPECT_NE(kml.find("<color>bfff0000</color>"), std::string::npos);
  EXPECT_NE(kml.find("<IconStyle>\n        <color>ffffffff</color>\n        <scale>0.0</scale>"), std::string::npos)
      << kml;
  EXPECT_NE(kml.find("<name>cave</name>"), std::string::npos);
  // Markers for both sections (labels are on), then geometry placemarks.
  EXPECT_EQ(Count(kml, "<Placemark>"), 4);
  EXPECT_EQ(Count(kml, "<Point>"), 2);
  // A1-A2 only: A3 is a splay, A4 a hidden shot; B1 in the second section.
  EXPECT_EQ(Count(kml, "<Polygon "), 2);
  EXPECT_NE(kml.find("<Polygon id=\"A1-A2\">"), std::string::npos);
  EXPECT_NE(kml.find("<Polygon id=\"A4-B1\">"), std::string::npos);
  EXPECT_NE(kml.find("<altitudeMode>clampToGround</altitudeMode>"), std::string::npos);
  // Five corners, each on its own line at the depth of the element, two values each.
  const size_t at = kml.find("<coordinates>", kml.find("<Polygon ")) + 13;
  const std::string coords = kml.substr(at, kml.find("</coordinates>", at) - at);
  EXPECT_EQ(Count(coords, "\n              -10"), 5) << coords;
  EXPECT_EQ(Count(coords, ","), 5);
  EXPECT_EQ(coords.substr(coords.size() - 15), "\n              ");

  const std::string path = (f.dir / "cave.kml").string();
  if (!Shell("command -v xmllint").empty()) {
    EXPECT_EQ(Shell("xmllint --noout " + path + " 2>&1; echo $?"), "0\n");
  }
  const std::string info = Shell("ogrinfo -ro -al " + path + " 2>&1");
  if (info.find("Feature Count") == std::string::npos) GTEST_SKIP() << "ogrinfo not available: " << info;
  EXPECT_NE(info.find("MULTIPOLYGON"), std::string::npos) << info;
  EXPECT_NE(info.find("Name (String) =  Second"), std::string::npos) << info;
}

TEST(KMLExport, LineDocumentOptions) {
  Fixture f;
  f.options.SectionsChk = false;
  f.options.AltitudeModeRadio = 1;
  f.options.AltitudeSpin = 2.5;
  f.options.KMLSplayChk = true;
  std::string kml = f.Write(false, "lines");
  EXPECT_NE(kml.find("<Style id=\"CaveStyle2\">"), std::string::npos);
  EXPECT_NE(kml.find("<width>4</width>"), std::string::npos);
  EXPECT_EQ(Count(kml, "<Placemark>"), 1);
  EXPECT_EQ(Count(kml, "<LineString id=\"lines\">"), 2);
  EXPECT_NE(kml.find("<altitude>2.50000000</altitude>"), std::string::npos);
  EXPECT_EQ(Count(kml, ",2.50000000\n"), 5);  // A1, A2, A3 (splays shown), A4, B1
  EXPECT_NE(kml.find("<heading>355.9</heading>"), std::string::npos);

  // Without a zone: the warning, and no file.
  TPlotModel bare;
  ASSERT_TRUE(LoadPlotText(bare, "S s\r\nN A D 1 1 2000\r\nM 0 0 0 S A1\r\nX 0 0 0 0 0 0\r\n", "b.plt").Ok);
  std::string warned;
  EXPECT_FALSE(write_kml_lines(f.dir / "none.kml", {bare, f.options, f.passage, f.state, f.progress},
                               [&](const std::string& t) { warned = t; }));
  EXPECT_NE(warned.find("No Georeference Data"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "none.kml"));
}

// The document is written one piece at a time; read back without its
// indentation and saved whole by libxml2 it must come out byte for byte the
// same: the same indentation, escaping and empty elements. The second
// section has only a hidden shot, so its geometry is empty.
TEST(KMLExport, StreamedDocumentIsLibxml2sOwnSave) {
  Fixture f;
  const std::string plot =
      "Z 13123000 13124000 1640000 1641000 -100 0\r\n"
      "G 13\r\nONorth American 1983\r\n"
      "SRock & <\"Roll\"> caf\xC3\xA9\r\n"
      "N A D 1 1 2000 C x\r\n"
      "M 13123360 1640420 0 SA&1 P 3 3 3 3\r\n"
      "D 13123400 1640430 -5 SA<2> P 3 3 3 3\r\n"
      "D 13123450 1640440 -8 SA'3 P 3 3 3 3\r\n"
      "X 13123360 13123450 1640420 1640440 -8 0\r\n"
      "SEmpty\r\n"
      "N B D 1 1 2000 C y\r\n"
      "M 13123500 1640450 -9 SB1 P 3 3 3 3\r\n"
      "d 13123550 1640460 -10 SB2 P 3 3 3 3\r\n"
      "X 13123500 13123550 1640450 1640460 -10 -9\r\n";
  ASSERT_TRUE(LoadPlotText(f.model, plot, "cave.plt").Ok);
  const auto resaved = f.dir / "resaved.kml";
  for (int variant = 0; variant < 4; ++variant) {
    f.options.SectionsChk = variant % 2 == 0;
    f.options.AltitudeModeRadio = variant / 2;
    for (bool passages : {true, false}) {
      const std::string kml = f.Write(passages, "stream");
      xmlDocPtr doc = xmlReadFile((f.dir / "stream.kml").c_str(), nullptr, XML_PARSE_NOBLANKS);
      ASSERT_NE(doc, nullptr);
      ASSERT_GT(xmlSaveFormatFileEnc(resaved.c_str(), doc, "UTF-8", 1), 0);
      xmlFreeDoc(doc);
      EXPECT_TRUE(ReadWholeFile(resaved) == kml) << kml << "\n----\n" << ReadWholeFile(resaved);
      if (passages && f.options.SectionsChk) {
        EXPECT_NE(kml.find("<MultiGeometry/>"), std::string::npos) << kml;
        EXPECT_NE(kml.find("<name>Rock &amp; &lt;\"Roll\"&gt; caf\xC3\xA9</name>"), std::string::npos) << kml;
        EXPECT_NE(kml.find("<Polygon id=\"A&amp;1-A&lt;2&gt;\">"), std::string::npos) << kml;
      }
    }
  }
}
