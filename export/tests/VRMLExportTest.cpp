#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "export/VRMLExport.h"
#include "model/DemoCave.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

// One square passage north along 10 feet, centred on (0, 5, 0).
const char* const kOneShot =
    "Z 0 10 -1 1 -1 1\r\nN SURV D 1 1 2000 C test\r\n"
    "M 0 0 0 S A1 P 1 1 1 1\r\nD 10 0 0 S A2 P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n";

struct Export {
  TPlotModel model;
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  std::string text;
};

std::unique_ptr<Export> ExportVrml(const std::string& plot, const TExportOptions& o) {
  auto e = std::make_unique<Export>();
  EXPECT_TRUE(LoadPlotText(e->model, plot, "test.plt").Ok);
  const auto path = std::filesystem::temp_directory_path() / ("lumora-vrml-" + std::to_string(getpid()) + ".wrl");
  write_vrml(path, {e->model, o, e->passage, e->state, e->progress});
  e->text = ReadWholeFile(path);
  std::filesystem::remove(path);
  return e;
}

TExportOptions SquareUnsealed() {
  TExportOptions o;
  o.PassShapeRadio = 0;
  o.SealChk = false;
  return o;
}

const std::string kOpening =
    "#VRML V2.0 utf8\r\n# Bramble\r\n# Brookfen\r\n"
    "Background\r\n    {\r\n    skyColor 0.50196 0.50196 0.50196\r\n    }\r\n"
    "DEF ViewPoint1\r\nViewpoint\r\n    {\r\n    position 0.00000 0.00000 3.00000\r\n"
    "    orientation 0.00000 0.00000 0.00000 0.00000\r\n    }\r\n"
    "DEF Frame1\r\nTransform\r\n    {\r\n    translation -5.00000 -5.00000 0.00000\r\n"
    "    scale 1.00000 1.00000 1.00000\r\n    children\r\n        [\r\n";

const std::string kMaterialStart =
    "        Shape\r\n            {\r\n            appearance Appearance\r\n                {\r\n"
    "                material Material\r\n                    {\r\n";

// ---- A strict reading of what we write ----

struct Shape {
  std::string geometry;
  size_t points = 0;
  std::vector<long> coordIndex;
  size_t colors = 0;
  std::vector<long> colorIndex;
  bool perVertex = true;
  std::vector<double> coords;
};

struct World {
  std::vector<Shape> shapes;
  std::string error;
};

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  bool comment = false;
  for (char c : text) {
    if (comment) {
      comment = c != '\n' && c != '\r';
      continue;
    }
    if (c == '#') {
      comment = true;
    } else if (c == ' ' || c == ',' || c == '\r' || c == '\n' || c == '\t') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
      continue;
    } else if (c == '{' || c == '}' || c == '[' || c == ']') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
      out.emplace_back(1, c);
      continue;
    }
    if (!comment) cur += c;
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

bool IsNumber(const std::string& t, double& v) {
  char* end = nullptr;
  v = std::strtod(t.c_str(), &end);
  return !t.empty() && end == t.c_str() + t.size();
}

// Checks the header, balanced blocks, numbers in every list, and that
// every index names an existing point or colour.
World Check(const std::string& text) {
  World w;
  if (text.rfind("#VRML V2.0 utf8\r\n", 0) != 0) {
    w.error = "no VRML 2.0 header";
    return w;
  }
  const auto tokens = Tokens(text);
  std::vector<char> stack;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& t = tokens[i];
    if (t == "{" || t == "[") stack.push_back(t[0]);
    if (t == "}" || t == "]") {
      if (stack.empty() || stack.back() != (t == "}" ? '{' : '[')) {
        w.error = "unbalanced " + t + " at token " + std::to_string(i);
        return w;
      }
      stack.pop_back();
    }
    auto list = [&](std::vector<double>& values) {
      if (i + 1 >= tokens.size() || tokens[i + 1] != "[") return false;
      size_t j = i + 2;
      double v;
      for (; j < tokens.size() && tokens[j] != "]"; ++j) {
        if (!IsNumber(tokens[j], v)) return false;
        values.push_back(v);
      }
      return j < tokens.size();
    };
    if (t == "geometry") {
      w.shapes.push_back({});
      w.shapes.back().geometry = tokens[i + 1];
    } else if (!w.shapes.empty()) {
      Shape& s = w.shapes.back();
      std::vector<double> values;
      if (t == "point") {
        if (!list(values) || values.size() % 3) w.error = "bad point list";
        s.points = values.size() / 3;
        s.coords = values;
      } else if (t == "coordIndex" || t == "colorIndex") {
        if (!list(values)) w.error = "bad " + t;
        for (double v : values) (t == "coordIndex" ? s.coordIndex : s.colorIndex).push_back(long(v));
      } else if (t == "color" && i + 1 < tokens.size() && tokens[i + 1] == "[") {
        if (!list(values) || values.size() % 3) w.error = "bad color list";
        s.colors = values.size() / 3;
      } else if (t == "colorPerVertex") {
        s.perVertex = tokens[i + 1] == "TRUE";
      }
    }
  }
  if (!stack.empty()) w.error = "unclosed blocks";
  for (const Shape& s : w.shapes) {
    if (!s.coordIndex.empty() && s.coordIndex.back() != -1) w.error = "a polygon without its -1";
    for (long i : s.coordIndex)
      if (i < -1 || i >= long(s.points)) w.error = "coordIndex " + std::to_string(i) + " beyond the points";
    for (long i : s.colorIndex)
      if (i < -1 || i >= long(s.colors)) w.error = "colorIndex " + std::to_string(i) + " beyond the colours";
    if (!s.colorIndex.empty() && s.perVertex && s.colorIndex.size() != s.coordIndex.size())
      w.error = "per-vertex colour indexes do not follow the polygons";
  }
  return w;
}

size_t Polygons(const Shape& s) { return size_t(std::count(s.coordIndex.begin(), s.coordIndex.end(), -1)); }

}  // namespace

TEST(VRMLWriter, IndentedBlocks) {
  std::string out;
  TVRMLWriter w(out);
  w.OpenBlock("Shape", "{");
  w.OpenBlock("point", "[");
  w.SetDecimals(2);
  w.Line(w.Vector({1, -2.5, 1e-9}));
  w.CloseList();
  w.CloseBlock();
  w.CloseBlock();  // never below zero
  w.Def("X");
  w.ColorField("c", VRMLColorOf(0x0000FF));
  EXPECT_EQ(out,
            "Shape\r\n    {\r\n    point\r\n        [\r\n        1.00 -2.50 0.00\r\n        ]\r\n    }\r\n}\r\n"
            "DEF X\r\nc 1.00 0.00 0.00\r\n");
  EXPECT_EQ(w.Rotation({0, 1, 0}, 3.14159), "0.00 1.00 0.00 3.14");
}

TEST(VRMLExport, OpeningAndOneSquarePassage) {
  const auto e = ExportVrml(kOneShot, SquareUnsealed());
  const std::string expected =
      kOpening + kMaterialStart +
      "                    diffuseColor 1.00000 0.00000 0.00000\r\n"
      "                    emissiveColor 0.00000 0.00000 0.00000\r\n"
      "                    specularColor 0.50196 0.50196 0.50196\r\n"
      "                    ambientIntensity 0.20000\r\n"
      "                    shininess 0.20000\r\n"
      "                    }\r\n"
      "                }\r\n"
      "            geometry IndexedFaceSet\r\n                {\r\n"
      "                creaseAngle 1.571\r\n"
      "                coord Coordinate\r\n                    {\r\n"
      "                    point\r\n                        [\r\n"
      "\r\n                        1.00 1.00 5.00, 1.00 1.00 -5.00, -1.00 1.00 -5.00, -1.00 1.00 5.00, "
      "1.00 -1.00 5.00, 1.00 -1.00 -5.00, -1.00 -1.00 5.00, -1.00 -1.00 -5.00, \r\n"
      "                        ]\r\n                    }\r\n"
      "                coordIndex\r\n                    [\r\n"
      "\r\n                    0, 1, 2, 3, -1, 4, 5, 1, 0, -1, 6, 7, 5, 4, -1, 3, 2, 7, 6, -1, \r\n"
      "                    ]\r\n"
      "                }\r\n"
      "            }\r\n"
      "        ]\r\n"
      "    }\r\n";
  EXPECT_EQ(e->text, expected);
  EXPECT_TRUE(e->passage.CenterModel);
  EXPECT_EQ(Check(e->text).error, "");
}

TEST(VRMLExport, CapsMaterialTextureAndAnimation) {
  TExportOptions o = SquareUnsealed();
  o.SealChk = true;
  o.TransparencyChk = true;
  o.TransparencySpin = 25;
  o.TextureChk = true;
  o.TextureEdit = "rock.png";
  o.YawRotateChk = true;
  o.PassColorDis = 0x00FF00;
  auto e = ExportVrml(kOneShot, o);
  EXPECT_NE(e->text.find("                    diffuseColor 0.00000 1.00000 0.00000\r\n"), std::string::npos);
  EXPECT_NE(e->text.find("                    shininess 0.20000\r\n"
                         "                    transparency  0.25000\r\n"
                         "                    }\r\n"
                         "                texture ImageTexture\r\n"
                         "                    {\r\n"
                         "                    url \"rock.png\"\r\n"
                         "                    }\r\n"
                         "                }\r\n"),
            std::string::npos);
  const std::string animation =
      "        ]\r\n    }\r\n\r\n"
      "DEF Timer1\r\nTimeSensor\r\n    {\r\n    cycleInterval 18.00\r\n    loop FALSE\r\n"
      "    startTime 0.00\r\n    stopTime -1.00\r\n    }\r\n"
      "DEF Sensor1\r\nTouchSensor\r\n    {\r\n    }\r\n"
      "DEF Rotator1\r\nOrientationInterpolator\r\n    {\r\n    key [0.00 0.50 1.00]\r\n"
      "    keyValue [0.00 1.00 0.00 0.00, 0.00 1.00 0.00 3.14, 0.00 1.00 0.00 6.28]\r\n    }\r\n"
      "ROUTE Sensor1.isActive TO Timer1.loop\r\n"
      "ROUTE Timer1.fraction_changed TO Rotator1.set_fraction\r\n"
      "ROUTE Rotator1.value_changed TO Frame1.set_rotation\r\n";
  ASSERT_GE(e->text.size(), animation.size());
  EXPECT_EQ(e->text.substr(e->text.size() - animation.size()), animation);

  World w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 1u);
  const Shape& s = w.shapes[0];
  EXPECT_EQ(Polygons(s), 4u + 8u);
  EXPECT_EQ(s.points, 10u);
  // First end: the fan's triangles come as centre, b, a; the last end as
  // centre, a, b (both facing out).
  EXPECT_EQ(std::vector<long>(s.coordIndex.begin() + 20, s.coordIndex.begin() + 24), (std::vector<long>{8, 0, 3, -1}));
  EXPECT_EQ(std::vector<long>(s.coordIndex.begin() + 36, s.coordIndex.begin() + 40), (std::vector<long>{9, 2, 1, -1}));

  // No transparency line when off; no texture block with an empty name.
  o.TransparencyChk = false;
  o.TextureEdit = "";
  e = ExportVrml(kOneShot, o);
  EXPECT_EQ(e->text.find("transparency"), std::string::npos);
  EXPECT_EQ(e->text.find("ImageTexture"), std::string::npos);
  o.SplineSurfaceChk = true;
  e = ExportVrml(kOneShot, o);
  EXPECT_NE(e->text.find("geometry SplineFaceSet\r\n"), std::string::npos);
}

TEST(VRMLExport, DepthColoursPerFaceAndPerVertex) {
  TExportOptions o = SquareUnsealed();
  o.PassDepthColorChk = true;
  auto e = ExportVrml(kOneShot, o);
  World w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 1u);
  EXPECT_FALSE(w.shapes[0].perVertex);
  EXPECT_EQ(w.shapes[0].colors, 23u);
  // One per face, from the first corner of the quad: top corners are
  // colour 0, bottom ones the last colour.
  EXPECT_EQ(w.shapes[0].colorIndex, (std::vector<long>{0, 0, 22, 22}));
  EXPECT_NE(e->text.find("                    0.25 1.00 0.00\r\n"), std::string::npos);  // (63, 255, 0)

  o.VertColorChk = true;
  e = ExportVrml(kOneShot, o);
  w = Check(e->text);
  ASSERT_EQ(w.error, "");
  EXPECT_TRUE(w.shapes[0].perVertex);
  EXPECT_EQ(w.shapes[0].colorIndex.size(), w.shapes[0].coordIndex.size());
  EXPECT_EQ(std::vector<long>(w.shapes[0].colorIndex.begin(), w.shapes[0].colorIndex.begin() + 5),
            (std::vector<long>{0, 0, 0, 0, -1}));

  TPlotInfo info;
  info.Top = 10;
  info.Bottom = -12;
  info.Center = {0, 0, -1};
  EXPECT_EQ(DepthColorIndex(info, 11), 0);
  EXPECT_EQ(DepthColorIndex(info, 10.5), 0);
  EXPECT_EQ(DepthColorIndex(info, 9.5), 1);
  EXPECT_EQ(DepthColorIndex(info, -11), 22);
  EXPECT_EQ(DepthColorIndex(info, -40), 22);  // below the floor
  info.Bottom = info.Top;                     // a flat plot
  EXPECT_EQ(DepthColorIndex(info, 3), 0);
}

TEST(VRMLExport, LinesOnlyAndNothing) {
  TExportOptions o;
  o.DoPassageChk = false;
  o.DoLineChk = true;
  o.LineDepthColorChk = true;
  o.LineColorDis = 0xFFFF00;
  const std::string plot =
      "Z 0 10 -4 4 -1 1\r\nN SURV D 1 1 2000 C test\r\n"
      "M 0 -4 0 S A1\r\nD 10 4 0 S A2\r\nM 0 0 1 S B1\r\nD 5 0 -1 S B2\r\nd 6 0 -1 S B3\r\nX 0 0 0 0 0 0\r\n";
  auto e = ExportVrml(plot, o);
  // The viewpoint comes from the line shape: x from -4 to 4.
  EXPECT_NE(e->text.find("    position 0.00000 0.00000 12.00000\r\n"), std::string::npos);
  EXPECT_NE(e->text.find("diffuseColor 0.00000 1.00000 1.00000\r\n"), std::string::npos);
  EXPECT_NE(e->text.find("emissiveColor 0.00000 1.00000 1.00000\r\n"), std::string::npos);
  EXPECT_NE(e->text.find("geometry IndexedLineSet\r\n"), std::string::npos);
  EXPECT_EQ(e->text.find("creaseAngle"), std::string::npos);
  World w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 1u);
  EXPECT_EQ(w.shapes[0].coordIndex, (std::vector<long>{0, 1, -1, 2, 3, 4, -1}));
  EXPECT_TRUE(w.shapes[0].perVertex);
  EXPECT_EQ(w.shapes[0].colorIndex.size(), 7u);
  // First point: (-4, 0, 0) minus the centre (0, 5, 0), as (x, z, -y).
  EXPECT_EQ(std::vector<double>(w.shapes[0].coords.begin(), w.shapes[0].coords.begin() + 3),
            (std::vector<double>{-4, 0, 5}));

  // Both shapes: walls first, then lines; the emissive colour of the lines
  // does not stay for later shapes.
  o.DoPassageChk = true;
  e = ExportVrml(plot, o);
  w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 2u);
  EXPECT_EQ(w.shapes[0].geometry, "IndexedFaceSet");
  EXPECT_EQ(w.shapes[1].geometry, "IndexedLineSet");

  // Neither shape: still a whole world.
  o.DoPassageChk = false;
  o.DoLineChk = false;
  e = ExportVrml(plot, o);
  EXPECT_EQ(e->text, kOpening.substr(0, kOpening.find("position")) + "position 0.00000 0.00000 0.00000" +
                         kOpening.substr(kOpening.find("\r\n    orientation")) + "        ]\r\n    }\r\n");
  EXPECT_EQ(Check(e->text).error, "");
}

TEST(VRMLExport, DemoCavePassesTheStrictCheck) {
  const TDemoCave cave = GenerateDemoCave({3000, 1});
  TExportOptions o;
  o.DoLineChk = true;
  o.PassDepthColorChk = true;
  o.VertColorChk = true;
  o.LineDepthColorChk = true;
  o.YawRotateChk = true;
  const auto e = ExportVrml(cave.Text, o);
  World w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 2u);
  EXPECT_EQ(Polygons(w.shapes[0]), size_t(e->state.FaceCount));
  EXPECT_GT(e->state.FaceCount, 1000);
  size_t lines = 0;
  for (int s = 0; s < e->model.Surveys.Count(); ++s)
    if (e->model.Surveys[s].Kind == skSurvey) {
      const TRange r = e->model.SurveyLineRange(s);
      lines += size_t(r.Last - r.First + 1);
    }
  EXPECT_EQ(Polygons(w.shapes[1]), lines);
  EXPECT_EQ(w.shapes[1].colors, 23u);
}

TEST(VRMLExport, SharedVerticesMatchADirectSearch) {
  // The hashed vertex table gives the indexes and the order that a linear
  // search for an equal vertex gives.
  const TDemoCave cave = GenerateDemoCave({150, 5});
  TExportOptions o;  // octagons, sealed, averaged joints
  const auto e = ExportVrml(cave.Text, o);
  World w = Check(e->text);
  ASSERT_EQ(w.error, "");
  ASSERT_EQ(w.shapes.size(), 1u);

  std::vector<T3DVector> vertices;
  std::vector<long> index;
  TPassageOptions passage = e->passage;
  TPassageState state;
  auto add = [&](std::initializer_list<T3DVector> poly) {
    for (const T3DVector& p : poly) {
      const T3DVector v{p.x, double(float(p.z)), -p.y};
      auto it = std::find_if(vertices.begin(), vertices.end(),
                             [&](const T3DVector& q) { return q.x == v.x && q.y == v.y && q.z == v.z; });
      if (it == vertices.end()) {
        vertices.push_back(v);
        it = vertices.end() - 1;
      }
      index.push_back(long(it - vertices.begin()));
    }
    index.push_back(-1);
  };
  BuildPassages(
      e->model, passage, state,
      [&](const T3DVector& a, const T3DVector& b, const T3DVector& c, const T3DVector& d, int32_t) {
        add({b, c, d, a});
      },
      [&](const T3DVector& c, const T3DVector& a, const T3DVector& b, int32_t, bool first) {
        add({c, first ? b : a, first ? a : b});
      });
  EXPECT_EQ(w.shapes[0].coordIndex, index);
  ASSERT_EQ(w.shapes[0].points, vertices.size());
  for (size_t i = 0; i < vertices.size(); ++i) {
    ASSERT_EQ(FixedString(w.shapes[0].coords[3 * i], 2), FixedString(vertices[i].x, 2)) << i;
    ASSERT_EQ(FixedString(w.shapes[0].coords[3 * i + 2], 2), FixedString(vertices[i].z, 2)) << i;
  }
}

TEST(VRMLExport, VertexTableGrowsAndMatchesExactly) {
  // Past several growths, against an ordered map of the same keys.
  TVertexTable table;
  std::map<std::tuple<double, double, double>, int> reference;
  std::mt19937 rng(3);
  for (int i = 0; i < 200000; ++i) {
    const T3DVector v{double(rng() % 97), double(rng() % 89) * 0.25, double(rng() % 13) - 6.5};
    const auto key = std::make_tuple(v.x, v.y, v.z);
    auto it = reference.find(key);
    const int expected = it == reference.end() ? int(reference.size()) : it->second;
    if (it == reference.end()) reference.emplace(key, expected);
    ASSERT_EQ(table.IndexOrAdd(v), expected) << i;
  }
  EXPECT_EQ(size_t(table.Count()), reference.size());
  // Equal values are one vertex even with different signs of zero; a NaN
  // equals nothing, not even itself.
  const int zero = table.IndexOrAdd({0.0, 0.0, 1e300});
  EXPECT_EQ(table.IndexOrAdd({-0.0, 0.0, 1e300}), zero);
  const double nan = std::nan("");
  const int a = table.IndexOrAdd({nan, 0, 0});
  EXPECT_NE(table.IndexOrAdd({nan, 0, 0}), a);
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.IndexOrAdd({1, 2, 3}), 0);
}
