// The .lox reader on small Therion projects of our own, compiled by therion.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "model/PlotStats.h"
#include "model/SurveyFile.h"
#include "model/TherionLoxReader.h"
#include "platform/FileBytes.h"

using namespace lumora;
namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) { return fs::exists(p) ? std::string(TFileBytes(p.string()).View()) : ""; }

// Compiles data/therion/NAME.th (with `from` replaced by `to`) and gives the
// model's bytes; empty when therion is missing.
std::string Compile(const std::string& name, const std::string& options = "", const std::string& from = "",
                    const std::string& to = "") {
  if (std::system("command -v therion > /dev/null 2>&1") != 0) return {};
  const fs::path src = LUMORA_TEST_DATA "/therion";
  const fs::path dir = fs::temp_directory_path() / ("lumora-lox-" + std::to_string(::getpid()) + "-" + name);
  fs::create_directories(dir);
  for (const char* f : {"map.png", "map.jpg"}) fs::copy_file(src / f, dir / f, fs::copy_options::overwrite_existing);
  std::string th = ReadAll(src / (name + ".th"));
  if (!from.empty()) th.replace(th.find(from), from.size(), to);
  std::ofstream(dir / "cave.th") << th;
  std::ofstream(dir / "thconfig") << "source cave.th\nexport model -fmt loch " << options << " -o cave.lox\n";
  const std::string cmd = "cd '" + dir.string() + "' && therion thconfig > log.txt 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << ReadAll(dir / "log.txt");
  std::string bytes = ReadAll(dir / "cave.lox");
  fs::remove_all(dir);
  return bytes;
}

#define REQUIRE_THERION(bytes) \
  if ((bytes).empty()) GTEST_SKIP() << "therion is not installed"

const TPlotVector* Record(const TPlotModel& m, const std::string& name) {
  for (int i = 0; i < m.Plots.Count(); ++i)
    if (m.Name(m.Plots[i]) == name) return &m.Plots[i];
  return nullptr;
}

T3DVector Feet(double x, double y, double z) { return {x * FeetPerMetre(), y * FeetPerMetre(), z * FeetPerMetre()}; }

#define ExpectNear(a, b) EXPECT_LT(Length(Subtract(a, b)), 0.01)

TEST(TherionLox, NestedSurveys) {
  for (const char* options : {"", "-disable walls", "-wall-source centerline"}) {
    SCOPED_TRACE(options);
    const std::string bytes = Compile("nested", options);
    REQUIRE_THERION(bytes);
    ASSERT_TRUE(IsTherionLox(bytes));
    TPlotModel m;
    const TPlotLoadResult r = LoadTherionLoxData(m, bytes, "nested.lox");
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(m.PlotInfo.Title, "Jaskinia Żółta");
    const TPlotStats s = ComputePlotStats(m);
    // main's 6 shots and side's 2; the empty survey holds no records.
    EXPECT_EQ(s.D + s.d, 8);
    EXPECT_EQ(s.d, 1);
    EXPECT_EQ(s.SplayLegs, 1);
    EXPECT_EQ(s.DuplicateLegs, 1);
    ASSERT_EQ(m.Surveys.Count(), 2);
    EXPECT_EQ(m.Surveys[1].Comment.View(), "cave.side");
    ASSERT_EQ(m.Sections.Count(), 1);
    EXPECT_EQ(m.Sections[0].Name.View(), "cave");
    const TPlotVector* one = Record(m, "cave.main.1");
    ASSERT_TRUE(one);
    ExpectNear(one->Position, Feet(1000, 2000, 300));
    EXPECT_EQ(one->Comment.View(), "the way in");
    EXPECT_EQ(m.StationFlagsOf(*one), TPlotModel::kStationEntrance | TPlotModel::kStationFixed);
    EXPECT_EQ(m.StationFlagsOf(*Record(m, "cave.main.5")), TPlotModel::kStationContinuation);
    // The equate: one place, two names of one station.
    const TPlotVector *four = Record(m, "cave.main.4"), *side = Record(m, "cave.side.1");
    ASSERT_TRUE(four && side);
    ExpectNear(four->Position, side->Position);
    EXPECT_EQ(m.Aliases(*four), std::vector<std::string>{"cave.side.1"});
    // The to-end of shot 1-2.
    const TPlotVector* two = Record(m, "cave.main.2");
    ExpectNear(two->Position, Feet(1000, 2010, 300));
    const float f = static_cast<float>(FeetPerMetre());
    EXPECT_FLOAT_EQ(two->Left, 1 * f);
    EXPECT_FLOAT_EQ(two->Right, 2 * f);
    EXPECT_FLOAT_EQ(two->Up, 3 * f);
    EXPECT_FLOAT_EQ(two->Down, 4 * f);
    // Splay hulls: two tetrahedra; the hull of the one-point splay end at
    // main.4 is only degenerate triangles and is left out.
    EXPECT_EQ(m.Meshes.Scraps.size(), options[0] ? 0u : 2u);
    // Side's shots have no section: the numbers there are left-overs.
    for (int i = m.Surveys[1].FirstPlot; i < m.Plots.Count(); ++i)
      EXPECT_EQ(m.Plots[i].Left + m.Plots[i].Right + m.Plots[i].Up + m.Plots[i].Down, 0) << i;
  }
}

TEST(TherionLox, ScrapAndSurface) {
  for (const char* image : {"map.png", "map.jpg"}) {
    SCOPED_TRACE(image);
    const std::string bytes = Compile("scrap", "", "map.png", image);
    REQUIRE_THERION(bytes);
    TPlotModel m;
    ASSERT_TRUE(LoadTherionLoxData(m, bytes, "scrap.lox").Ok);
    ASSERT_EQ(m.Meshes.Scraps.size(), 1u);
    const TScrapMesh& scrap = m.Meshes.Scraps[0];
    EXPECT_EQ(scrap.Survey, 0);
    ASSERT_GE(scrap.Triangles.size(), 4u);
    std::map<std::pair<uint32_t, uint32_t>, int> used;
    for (const auto& t : scrap.Triangles)
      for (int k = 0; k < 3; ++k) ++used[{t[k], t[(k + 1) % 3]}];
    for (const auto& [e, n] : used)
      EXPECT_TRUE(n == 1 && used.count({e.second, e.first})) << e.first << "-" << e.second;
    EXPECT_GT(SignedVolume6(scrap), 0);
    ASSERT_EQ(m.Meshes.Surfaces.size(), 1u);
    const TSurfaceGrid& g = m.Meshes.Surfaces[0];
    ASSERT_EQ(g.Width * g.Height, 6u);
    // The last height row of the source is row 0, at the grid's origin.
    ExpectNear(g.Nodes[0], Feet(0, 0, 3));
    ExpectNear(g.Nodes[5], Feet(20, 10, 7));
    // Therion 6.1.6 types every image as JPEG.
    EXPECT_EQ(g.Kind, image == std::string("map.png") ? TImageKind::Png : TImageKind::Jpeg);
    ASSERT_EQ(g.Pixels.size(), 6u);
    EXPECT_FLOAT_EQ(g.Pixels[5][0], 20);
    EXPECT_FLOAT_EQ(g.Pixels[5][1], 10);
  }
}

uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void Put32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// Chunk start by type, and every chunk end.
std::map<uint32_t, size_t> Chunks(const std::string& b, std::vector<size_t>& ends) {
  std::map<uint32_t, size_t> at;
  for (size_t o = 0; o < b.size(); o += 16 + Get32(b, o + 4) + Get32(b, o + 12)) {
    at[Get32(b, o)] = o;
    ends.push_back(o + 16 + Get32(b, o + 4) + Get32(b, o + 12));
  }
  return at;
}

size_t RefusedAt(const std::string& bytes) {
  TPlotModel m;
  const TPlotLoadResult r = LoadTherionLoxData(m, bytes, "x.lox");
  if (r.Ok) return SIZE_MAX;
  EXPECT_EQ(m.Plots.Count(), 0);
  const size_t at = r.Message.find("(at byte ");
  EXPECT_NE(at, std::string::npos) << r.Message;
  return at == std::string::npos ? SIZE_MAX - 1 : std::stoul(r.Message.substr(at + 9));
}

TEST(TherionLox, TruncationAndCorruption) {
  const std::string scrap = Compile("scrap"), nested = Compile("nested");
  REQUIRE_THERION(scrap);
  for (const std::string* file : {&scrap, &nested}) {
    std::vector<size_t> ends;
    const auto chunk = Chunks(*file, ends);
    for (size_t n = 0; n < file->size(); ++n) {
      const size_t at = RefusedAt(file->substr(0, n));
      const bool boundary = std::find(ends.begin(), ends.end(), n) != ends.end() && n > chunk.at(2);
      if (boundary)
        EXPECT_EQ(at, SIZE_MAX) << n;
      else
        EXPECT_LE(at, n) << n;
    }
  }
  std::vector<size_t> ends;
  const auto chunk = Chunks(scrap, ends);
  const size_t survey1 = chunk.at(1) + 16 + 24, shot0 = chunk.at(3) + 16, scrap0 = chunk.at(4) + 16;
  const size_t scrapBlob = scrap0 + 32;
  const std::vector<std::pair<std::function<void(std::string&)>, size_t>> cases = {
      {[](std::string& b) { Put32(b, 4, Get32(b, 4) + 1); }, 4},
      {[](std::string& b) { Put32(b, 12, 0xFFFFFFFF); }, 12},
      {[&](std::string& b) { Put32(b, survey1 + 4, Get32(b, 12)); }, survey1 + 4},
      {[&](std::string& b) { Put32(b, scrapBlob + Get32(b, scrap0 + 24), Get32(b, scrap0 + 8)); },
       scrapBlob + Get32(scrap, scrap0 + 24)},
      {[&](std::string& b) { Put32(b, shot0 + 4, 0xABCDEF); }, shot0 + 4},
      // The root's parent becomes its child: no survey reaches a root.
      {[&](std::string& b) { Put32(b, chunk.at(1) + 16 + 12, Get32(b, survey1)); }, chunk.at(1) + 16 + 12},
  };
  for (const auto& [mutate, expected] : cases) {
    std::string b = scrap;
    mutate(b);
    EXPECT_EQ(RefusedAt(b), expected);
  }
  // Not a .lox at all: a plot file's text.
  EXPECT_FALSE(IsTherionLox("Z 1 2 3 4 5 6\r\nSNAME\r\n"));
}

}  // namespace
