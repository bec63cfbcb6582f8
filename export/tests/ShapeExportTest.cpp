#include <gtest/gtest.h>

#include <unistd.h>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "export/ShapeExport.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "platform/tests/ShellOutput.h"

using namespace lumora;

namespace {

// One survey: a hidden shot in the middle, "A1" revisited, "a1" apart.
const char* const kPlot =
    "Z 0 50 0 0 -123.45 123.45\r\n"
    "S Main\r\n"
    "N SURV D 2 3 2024 C first survey\r\n"
    "M 0 0 0 S A1 P 10 1 -1 2\r\n"
    "D 10 0 -123.45 S A2 P 1 1 1 1\r\n"
    "d 20 0 -5 S A3 P 1 1 1 1\r\n"
    "D 30 0 -5 S A4 P 1 1 1 1\r\n"
    "D 40 0 123.45 S a1 P 1 1 1 1\r\n"
    "D 50 0 0 S A1 P 1 1 1 1\r\n"
    "X 0 50 0 0 -123.45 123.45\r\n";

int32_t BE(const std::string& s, size_t at) {
  return static_cast<int32_t>(static_cast<uint8_t>(s[at]) << 24 | static_cast<uint8_t>(s[at + 1]) << 16 |
                              static_cast<uint8_t>(s[at + 2]) << 8 | static_cast<uint8_t>(s[at + 3]));
}
int32_t LE(const std::string& s, size_t at) {
  return static_cast<int32_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 |
                              static_cast<uint8_t>(s[at + 2]) << 16 | static_cast<uint8_t>(s[at + 3]) << 24);
}
double Dbl(const std::string& s, size_t at) {
  uint64_t u = 0;
  std::memcpy(&u, s.data() + at, 8);
  return std::bit_cast<double>(u);
}

struct Fixture {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lumora-shp-" + std::to_string(getpid()));
  TPlotModel model;
  TExportOptions options;
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  std::vector<std::string> warnings;

  explicit Fixture(const std::string& plot = kPlot) {
    std::filesystem::create_directories(dir);
    EXPECT_TRUE(LoadPlotText(model, plot, "cave.plt").Ok);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }

  bool Export(const std::string& name, bool force = true) {
    TShapefileRequest r;
    r.Path = dir / (name + ".shp");
    r.ConfirmOverwrite = [force](const std::string&) { return force; };
    r.Warn = [this](const std::string& t) { warnings.push_back(t); };
    return export_shapefile(r, {model, options, passage, state, progress});
  }
  std::string File(const std::string& name, const char* ext) { return ReadWholeFile(dir / (name + "." + ext)); }
  // The text of field `offset`, `width` wide, of DBF record `i`.
  std::string Field(const std::string& dbf, int i, int offset, int width) {
    const int header = LE(dbf, 8) & 0xFFFF, length = LE(dbf, 10) & 0xFFFF;
    return dbf.substr(header + i * length + 1 + offset, width);
  }
};

}  // namespace

TEST(ShapeExport, StationHeaderRecordsAndIndexByteByByte) {
  Fixture f;
  ASSERT_TRUE(f.Export("st"));
  const std::string shp = f.File("st", "shp"), shx = f.File("st", "shx"), dbf = f.File("st", "dbf");
  // A1, A2, A4, a1: the hidden A3 is left out, the second A1 is not repeated.
  ASSERT_EQ(shp.size(), 100u + 4 * (8 + 36));
  ASSERT_EQ(shx.size(), 100u + 4 * 8);
  for (const std::string* s : {&shp, &shx}) {
    EXPECT_EQ(BE(*s, 0), 9994);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(BE(*s, 4 * i), 0);
    EXPECT_EQ(BE(*s, 24), static_cast<int32_t>(s->size() / 2));
    EXPECT_EQ(LE(*s, 28), 1000);
    EXPECT_EQ(LE(*s, 32), 11);
    const TPlotInfo& info = f.model.PlotInfo;
    EXPECT_EQ(Dbl(*s, 36), info.Min.x);
    EXPECT_EQ(Dbl(*s, 44), info.Min.y);
    EXPECT_EQ(Dbl(*s, 52), info.Max.x);
    EXPECT_EQ(Dbl(*s, 60), info.Max.y);
    EXPECT_EQ(Dbl(*s, 68), info.Min.z);
    EXPECT_EQ(Dbl(*s, 76), info.Max.z);
    EXPECT_EQ(std::bit_cast<uint64_t>(Dbl(*s, 84)), 0xFFEFFFFFFFFFFFFFull);
    EXPECT_EQ(std::bit_cast<uint64_t>(Dbl(*s, 92)), 0xFFEFFFFFFFFFFFFFull);
  }
  // Second record: A2 at north 10, vertical -123.45.
  const size_t r = 100 + 44;
  EXPECT_EQ(BE(shp, r), 2);
  EXPECT_EQ(BE(shp, r + 4), 18);
  EXPECT_EQ(LE(shp, r + 8), 11);
  EXPECT_EQ(Dbl(shp, r + 12), 0);
  EXPECT_EQ(Dbl(shp, r + 20), 10);
  EXPECT_EQ(Dbl(shp, r + 28), -123.45);
  EXPECT_EQ(Dbl(shp, r + 36), 0);
  EXPECT_EQ(BE(shx, 108), 72);  // offset of record 2 in words
  EXPECT_EQ(BE(shx, 112), 18);

  EXPECT_EQ(LE(dbf, 4), 4);
  EXPECT_EQ(f.Field(dbf, 0, 80, 20), "A1                  ");
  EXPECT_EQ(f.Field(dbf, 3, 80, 20), "a1                  ");
  EXPECT_EQ(f.Field(dbf, 1, 100 + 36, 18), "        -123.45000");
  // LEFT 10 cut to its width, DOWN missing.
  EXPECT_EQ(f.Field(dbf, 0, 154, 16), "10.02.001.00****");

  f.options.ShowHiddenChk = true;
  ASSERT_TRUE(f.Export("st"));
  EXPECT_EQ(LE(f.File("st", "dbf"), 4), 5);

  // Metres: 10 feet of LEFT is 3.05; 2D points carry no Z or M.
  f.options.ShowHiddenChk = false;
  f.options.UnitRadio = 1;
  f.options.ShapeTypeRadio = 1;
  ASSERT_TRUE(f.Export("st2"));
  const std::string shp2 = f.File("st2", "shp");
  EXPECT_EQ(LE(shp2, 32), 1);
  ASSERT_EQ(shp2.size(), 100u + 4 * (8 + 20));
  EXPECT_DOUBLE_EQ(Dbl(shp2, 128 + 20), 10 * 0.3048);
  EXPECT_EQ(f.Field(f.File("st2", "dbf"), 0, 154, 4), "3.05");
  EXPECT_NE(f.File("st2", "prj").find("UNIT[\"Meter\",1.0]"), std::string::npos);
}

TEST(ShapeExport, SurveyLinesShotsSplitsAndPassages) {
  Fixture f;
  f.options.ConvertTypeRadio = 1;
  ASSERT_TRUE(f.Export("srv"));
  std::string shp = f.File("srv", "shp");
  // One line of one part joining A2 and A4 over the hidden A3.
  EXPECT_EQ(LE(shp, 108), 13);
  EXPECT_EQ(LE(shp, 108 + 36), 1);
  EXPECT_EQ(LE(shp, 108 + 40), 5);
  EXPECT_EQ(Dbl(shp, 108 + 48 + 2 * 16 + 8), 30);  // third point's north
  const std::string sdbf = f.File("srv", "dbf");
  EXPECT_EQ(f.Field(sdbf, 0, 100, 8), "2 3 2024");

  f.options.ConvertTypeRadio = 2;
  ASSERT_TRUE(f.Export("shots"));
  std::string dbf = f.File("shots", "dbf");
  ASSERT_EQ(LE(dbf, 4), 4);
  // ELEVATION cut to 4: -123.45 and 123.45.
  EXPECT_EQ(f.Field(dbf, 0, 148, 4), "-123");
  EXPECT_EQ(f.Field(dbf, 2, 148, 4), "123.");
  EXPECT_EQ(f.Field(dbf, 0, 108, 40), "A1                  A2                  ");
  EXPECT_EQ(f.Field(dbf, 0, 152, 12), "0.00-85.123.");  // north, steeply down
  EXPECT_EQ(f.File("shots", "shx").size(), 100u + 4 * 8);

  f.options.ConvertTypeRadio = 3;
  ASSERT_TRUE(f.Export("split"));
  dbf = f.File("split", "dbf");
  ASSERT_EQ(LE(dbf, 4), 8);
  EXPECT_EQ(f.Field(dbf, 0, 0, 180), f.Field(dbf, 1, 0, 180));
  shp = f.File("split", "shp");
  EXPECT_EQ(Dbl(shp, 108 + 48 + 16 + 8), 5);  // first half ends midway

  f.options.ConvertTypeRadio = 6;
  ASSERT_TRUE(f.Export("pas"));
  shp = f.File("pas", "shp");
  EXPECT_EQ(LE(shp, 32), 15);
  EXPECT_EQ((f.File("pas", "shx").size() - 100) / 8, 4u);
  EXPECT_EQ(LE(shp, 108 + 40), 5);
  const size_t pts = 108 + 48;
  EXPECT_EQ(Dbl(shp, pts), Dbl(shp, pts + 64));
  EXPECT_EQ(Dbl(shp, pts + 8), Dbl(shp, pts + 72));
  EXPECT_GT(Dbl(shp, 60), f.model.PlotInfo.Max.y);  // header grown by the largest extent
}

TEST(ShapeExport, PrismRecordsMatchTheWallBuilderAndTheTable) {
  Fixture f;
  f.options.ConvertTypeRadio = 8;
  ASSERT_TRUE(f.Export("mp"));
  const std::string shp = f.File("mp", "shp"), dbf = f.File("mp", "dbf");
  const int64_t records = (f.File("mp", "shx").size() - 100) / 8;
  EXPECT_EQ(records, f.state.FaceCount);
  EXPECT_EQ(LE(dbf, 4), records);
  EXPECT_EQ(LE(shp, 32), 31);
  EXPECT_EQ(LE(shp, 108 + 40), 5);
  EXPECT_EQ(LE(shp, 108 + 44), 0);             // part start
  EXPECT_EQ(LE(shp, 108 + 48), 2);             // outer ring
  EXPECT_EQ(f.Field(dbf, 1, 148, 4), "2.00");  // FACE
}

TEST(ShapeExport, WarningsNamesAndOverwrite) {
  Fixture f;
  EXPECT_EQ(ShapefileProposedName("/data/cave.plt", f.options), "cave_3Dsta");
  f.options.ShapeTypeRadio = 1;
  f.options.ConvertTypeRadio = 6;
  EXPECT_EQ(ShapefileProposedName("cave.plt", f.options), "cave_2Dpas");

  f.options.ConvertTypeRadio = 5;
  EXPECT_FALSE(f.Export("fln"));
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_EQ(f.warnings[0], "No Line Feautures in the File");
  f.options.ConvertTypeRadio = 4;
  EXPECT_FALSE(f.Export("fpt"));
  EXPECT_EQ(f.warnings.back(), "No Location Feautures in the File");
  EXPECT_FALSE(std::filesystem::exists(f.dir / "fpt.shp"));

  // No georeference: the warning, then a WGS 1984 zone 13 file.
  f.warnings.clear();
  f.options.ConvertTypeRadio = 0;
  ASSERT_TRUE(f.Export("gen"));
  ASSERT_EQ(f.warnings.size(), 1u);
  EXPECT_NE(f.warnings[0].find("CREATING GENERIC PROJECTION FILE"), std::string::npos);
  EXPECT_EQ(f.File("gen", "prj").rfind("PROJCS[\"WGS_1984_UTM_Zone_13N_Feet\"", 0), 0u);

  // A refused overwrite leaves the set as it was.
  const std::string before = f.File("gen", "shp");
  f.options.ShapeTypeRadio = 0;
  std::string question;
  TShapefileRequest r;
  r.Path = f.dir / "gen.shp";
  r.ConfirmOverwrite = [&](const std::string& q) {
    question = q;
    return false;
  };
  EXPECT_FALSE(export_shapefile(r, {f.model, f.options, f.passage, f.state, f.progress}));
  EXPECT_EQ(
      question,
      "The files: \r\ngen.dbf\r\ngen.shp\r\ngen.shx\r\ngen.prj\r\nalready exist.\r\nDo you want to replace them?");
  EXPECT_EQ(f.File("gen", "shp"), before);

  TPlotModel empty;
  std::string warned;
  r.Warn = [&](const std::string& t) { warned = t; };
  EXPECT_FALSE(export_shapefile(r, {empty, f.options, f.passage, f.state, f.progress}));
  EXPECT_EQ(warned, "No Plot File Open");
}

TEST(ShapeExport, ProjectionFiles) {
  EXPECT_EQ(ProjectionText("WGS 1984", -33, true),
            "PROJCS[\"WGS_1984_UTM_Zone_33S\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
            "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
            "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\","
            "0.0],PARAMETER[\"Central_Meridian\",15.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER["
            "\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]");
  const std::string nad83 = ProjectionText("North American 1983", 13, false);
  EXPECT_EQ(nad83.rfind("PROJCS[\"NAD_1983_UTM_Zone_13N_Feet\",GEOGCS[\"GCS_GRS_1980\"", 0), 0u);
  EXPECT_NE(nad83.find("\"Central_Meridian\",-105.0]"), std::string::npos);
  EXPECT_NE(nad83.find("\"False_Easting\",1640419.9475]"), std::string::npos);
  EXPECT_NE(nad83.find("UNIT[\"Feet_US\",0.3048]]"), std::string::npos);
  EXPECT_EQ(ProjectionText("North American 1927", 17, true)
                .rfind("PROJCS[\"NAD_1927_UTM_Zone_17N\",GEOGCS[\"GCS_Clarke_1866\"", 0),
            0u);
  // Outside the North American zones the name falls back to WGS 1984.
  EXPECT_EQ(ProjectionText("North American 1927", 40, true).rfind("PROJCS[\"WGS_1984_UTM_Zone_40N\"", 0), 0u);
  EXPECT_EQ(ProjectionText("WGS 1972", 60, true).rfind("PROJCS[\"WGS_1972_UTM_Zone_60N\",GEOGCS[\"GCS_WGS_1972\"", 0),
            0u);
  EXPECT_NE(ProjectionText("Tokyo", 54, true).find("GCS_WGS_1984"), std::string::npos);
}

TEST(ShapeExport, GdalReadsTheLayers) {
  Fixture f(std::string(kPlot) + "G 13\r\nONorth American 1983\r\n");
  f.options.ShowHiddenChk = true;
  ASSERT_TRUE(f.Export("st"));
  f.options.ConvertTypeRadio = 7;
  ASSERT_TRUE(f.Export("prism"));
  const std::string st = Shell("ogrinfo -ro -al " + (f.dir / "st.shp").string() + " 2>&1");
  if (st.find("Feature Count") == std::string::npos) GTEST_SKIP() << "ogrinfo not available: " << st;
  EXPECT_NE(st.find("Feature Count: 5"), std::string::npos) << st;
  EXPECT_NE(st.find("Geometry: 3D Measured Point"), std::string::npos) << st;
  EXPECT_NE(st.find("STATION (String) = A3"), std::string::npos) << st;
  EXPECT_NE(st.find("NAD_1983_UTM_Zone_13N_Feet"), std::string::npos) << st;
  const std::string pr = Shell("ogrinfo -ro -so " + (f.dir / "prism.shp").string() + " prism 2>&1");
  EXPECT_NE(pr.find("Feature Count: " + std::to_string(f.state.FaceCount)), std::string::npos) << pr;
  EXPECT_NE(pr.find("3D Measured Polygon"), std::string::npos) << pr;
  EXPECT_EQ(pr.find("ERROR"), std::string::npos) << pr;
}

TEST(ShapeExport, BoundingPolygonsAreVerticalFacesPerEdge) {
  Fixture f;
  TShapefileRequest r;
  r.Path = f.dir / "bound.shp";
  TBoundingPolygon square;
  for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}, {0.0, 10.0}})
    square.push_back({{x, y, -10}, {x, y, -30}});
  r.BoundingPolygons = {square, {square[0], square[1], square[2]}};
  f.options.ConvertTypeRadio = 10;
  ASSERT_TRUE(export_shapefile(r, {f.model, f.options, f.passage, f.state, f.progress}));
  const std::string shp = f.File("bound", "shp"), dbf = f.File("bound", "dbf");
  EXPECT_EQ(LE(shp, 32), 31);
  EXPECT_EQ((f.File("bound", "shx").size() - 100) / 8, 7u);
  ASSERT_EQ(LE(dbf, 4), 7);
  // Layer_Count, Layer_Number, Edge_Count, Edge_Number, Top, Bottom, Depth.
  EXPECT_EQ(f.Field(dbf, 5, 0, 28), "   2   1   3   1-10.-30.20.0");
  // First face: A = vertex 1 top, B = vertex 0 top, C = vertex 0 bottom, D = vertex 1 bottom.
  const size_t pts = 108 + 52, zs = pts + 5 * 16 + 16;
  EXPECT_EQ(Dbl(shp, pts), 10);
  EXPECT_EQ(Dbl(shp, pts + 16), 0);
  EXPECT_EQ(Dbl(shp, zs), -10);
  EXPECT_EQ(Dbl(shp, zs + 8), -10);
  EXPECT_EQ(Dbl(shp, zs + 16), -30);
  EXPECT_EQ(Dbl(shp, zs + 24), -30);
  EXPECT_EQ(Dbl(shp, zs + 32), -10);

  // Without polygons the layer writes nothing.
  r.BoundingPolygons.clear();
  r.Path = f.dir / "none.shp";
  EXPECT_FALSE(export_shapefile(r, {f.model, f.options, f.passage, f.state, f.progress}));
  EXPECT_FALSE(std::filesystem::exists(r.Path));
}

TEST(ShapeExport, AFailedWriteLeavesNoFilesBehind) {
  Fixture f;
  std::filesystem::create_directories(f.dir / "fail.dbf" / "inner");
  EXPECT_THROW(f.Export("fail"), EExport);
  for (const auto& e : std::filesystem::directory_iterator(f.dir))
    EXPECT_EQ(e.path().filename(), "fail.dbf") << "left behind: " << e.path();
}
