// The walls filled ring by ring against the walls added face by face (the
// earlier build, kept in EarlierWallBuild.h): the same vertices in the same
// order, the same faces, normals, colours, surveys and build state, to the
// bit, over caves and passage options that exercise shared rings, joined
// and unjoined sections, caps, collapsed sections and junctions.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/core/GLCave.h"
#include "app/core/tests/EarlierWallBuild.h"
#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "model/SurveyFile.h"

namespace lumora {
namespace {

bool SameBits(const T3DVector& a, const T3DVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Lines that meet at shared stations, a vertical pitch, a hidden shot, a
// station without extents where nothing fills them (its sections collapse
// to their centre, which the caps share), and a shot doubling back.
const char* const kJunctions =
    "Z 0 100 0 100 -60 10\r\n"
    "SMain\r\n"
    "N J1 D 3 4 2001 C junctions\r\n"
    "M 0 0 0 S A0 P 2 2 1 1\r\n"
    "D 10 0 0 S A1 P 2 2 1 1\r\n"
    "D 10 10 0 S A2 P -1 -1 -1 -1\r\n"
    "D 10 10 -50 S A3 P 1 1 0 0\r\n"
    "D 0 10 -50 S A4 P 0 0 0 0\r\n"
    "d 5 12 -50 S A5 P 1 1 1 1\r\n"
    "D 10 10 -50 S A6 P 2 2 2 2\r\n"
    "M 10 0 0 S A1 P 2 2 1 1\r\n"
    "D 20 0 0 S B1 P 1 3 1 1\r\n"
    "D 20 0 0.0000001 S B2 P 1 3 1 1\r\n"
    "M 10 0 0 S A1 P 2 2 1 1\r\n"
    "D 10 -10 0 S C1 P 0 0 0 0\r\n"
    "D 10 -20 0 S C2 P 0 0 0 0\r\n"
    "X 0 20 -20 10 -50 0\r\n";

struct TCase {
  const char* name;
  TPassageOptions options;
};

std::vector<TCase> OptionCases() {
  TPassageOptions load;  // as a load sets them from the dialog's defaults
  ApplyMeshOptions(TCaveMeshSettings{}, load);
  std::vector<TCase> cases{{"load defaults", load}};
  TPassageOptions o = load;
  o.PassageShape = psSquare;
  o.RoundingPasses = 2;
  cases.push_back({"square, two passes", o});
  o = load;
  o.PassageShape = psDiamond;
  o.RoundingPasses = 0;
  o.SealEnds = false;
  cases.push_back({"diamond, no rounding, open ends", o});
  o = load;
  o.AverageJoints = false;
  o.ConvertToMetres = true;
  cases.push_back({"joints not averaged, metres", o});
  o = load;
  o.FillDimensions = false;
  o.SubstituteDiameter = 0;
  o.IncludeHidden = true;
  o.VerticalPrisms = false;
  o.CenterModel = false;
  cases.push_back({"extents unfilled, hidden shots, no prisms, not centred", o});
  return cases;
}

void ExpectSameWalls(const TPlotModel& model, const TCase& c, int threads) {
  SCOPED_TRACE(std::string(c.name) + ", threads " + std::to_string(threads));
  TGLFastMesh earlier, filled;
  TPassageState earlierState, filledState;
  std::vector<int32_t> earlierSurveys;
  TSurveyRuns filledSurveys;
  testing::EarlierPassageWalls(model, c.options, earlier, earlierState, &earlierSurveys);
  AddPassageWalls(model, c.options, filled, filledState, {}, &filledSurveys, nullptr, nullptr, threads);

  EXPECT_EQ(filledState.FaceCount, earlierState.FaceCount);
  EXPECT_EQ(filledState.SegmentCount, earlierState.SegmentCount);
  // A split build sums its parts' volumes, in another order.
  if (threads == 1)
    EXPECT_EQ(filledState.PassageVolume, earlierState.PassageVolume);
  else
    EXPECT_NEAR(filledState.PassageVolume, earlierState.PassageVolume, 1e-12 * earlierState.PassageVolume);
  EXPECT_TRUE(SameBits(filledState.OutputMin, earlierState.OutputMin));
  EXPECT_TRUE(SameBits(filledState.OutputMax, earlierState.OutputMax));
  // The runs, walked and looked up, give every triangle's survey.
  std::vector<int32_t> byRuns;
  filledSurveys.ForEachRun([&](int first, int end, int32_t survey) {
    EXPECT_EQ(first, static_cast<int>(byRuns.size()));
    byRuns.resize(static_cast<size_t>(end), survey);
  });
  EXPECT_EQ(byRuns, earlierSurveys);
  ASSERT_EQ(filledSurveys.Count(), static_cast<int>(earlierSurveys.size()));
  for (int f = 0; f < filledSurveys.Count(); ++f) ASSERT_EQ(filledSurveys[f], earlierSurveys[f]) << "face " << f;
  EXPECT_EQ(filledSurveys[-1], -1);
  EXPECT_EQ(filledSurveys[filledSurveys.Count()], -1);
  ASSERT_GT(earlier.ColorCount(), 0);

  ASSERT_EQ(filled.VertexCount(), earlier.VertexCount()) << "vertices shared differently";
  for (int v = 0; v < earlier.VertexCount(); ++v) {
    ASSERT_TRUE(SameBits(filled.GetVertex(v), earlier.GetVertex(v))) << "vertex " << v;
    ASSERT_EQ(filled.GetVertexColor(v), earlier.GetVertexColor(v)) << "vertex " << v;
  }
  ASSERT_EQ(filled.ColorCount(), earlier.ColorCount());
  for (int f = 0; f < earlier.ColorCount(); ++f) {
    ASSERT_EQ(filled.TriangleVertexIndices(f), earlier.TriangleVertexIndices(f)) << "face " << f;
    ASSERT_TRUE(SameBits(filled.GetFaceNormal(f), earlier.GetFaceNormal(f))) << "face " << f;
    ASSERT_EQ(filled.Faces.Colors[f], earlier.Faces.Colors[f]) << "face " << f;
  }

  // The fill's smooth normals, summed on the cores by vertex ranges, are
  // those of each vertex's own faces.
  for (int v = 0; v < filled.VertexCount(); v += 7)
    ASSERT_TRUE(SameBits(filled.GetVertexNormal(v), filled.VertexNormal(v))) << "fill's vertex normal " << v;

  earlier.RecomputeBounds();
  filled.RecomputeBounds();
  EXPECT_TRUE(SameBits(filled.GetMin(), earlier.GetMin()) && SameBits(filled.GetMax(), earlier.GetMax()));
  earlier.ComputeAllNormals();
  filled.ComputeAllNormals();
  for (int v = 0; v < earlier.VertexCount(); ++v)
    ASSERT_TRUE(SameBits(filled.GetVertexNormal(v), earlier.GetVertexNormal(v))) << "vertex normal " << v;

  // The store answers lookups afterwards as if it had been filled face by
  // face: found vertices, and a face added later shares the same corners.
  for (int v = 0; v < earlier.VertexCount(); v += 97)
    ASSERT_EQ(filled.FindVertex(earlier.GetVertex(v)), earlier.FindVertex(earlier.GetVertex(v)));
  const TTriangle3 t = earlier.GetTriangle(earlier.ColorCount() / 2);
  const TTriangle3 more{{t.p[1], t.p[0], T3DVector{1e6, 2e6, 3e6}}};
  earlier.AddTriangleRGB(more, 7);
  filled.AddTriangleRGB(more, 7);
  EXPECT_EQ(filled.TriangleVertexIndices(filled.ColorCount() - 1),
            earlier.TriangleVertexIndices(earlier.ColorCount() - 1));
  EXPECT_TRUE(SameBits(filled.GetFaceNormal(filled.ColorCount() - 1), earlier.GetFaceNormal(earlier.ColorCount() - 1)));
}

// One thread, and split builds whose parts meet mid-cave.
void ExpectSameWalls(const TPlotModel& model, const TCase& c) {
  for (int threads : {1, 2, 3}) ExpectSameWalls(model, c, threads);
}

TEST(WallMesh, FilledRingByRingAsAddedFaceByFaceOnTheDemoCave) {
  InitPlotUnits();
  TPlotModel model;
  ASSERT_TRUE(LoadSurveyFile(model, LUMORA_SOURCE_DIR "/data/demo.plt").Ok);
  for (const TCase& c : OptionCases()) ExpectSameWalls(model, c);
}

TEST(WallMesh, FilledRingByRingAsAddedFaceByFaceOnAGeneratedCave) {
  InitPlotUnits();
  TPlotModel model;
  const TDemoCave cave = GenerateDemoCave(TDemoOptions{15000, 11});
  ASSERT_TRUE(LoadPlotText(model, cave.Text, "generated.plt").Ok);
  for (const TCase& c : OptionCases()) ExpectSameWalls(model, c);
}

TEST(WallMesh, FilledRingByRingAsAddedFaceByFaceAtJunctionsAndCollapsedSections) {
  InitPlotUnits();
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, kJunctions, "junctions.plt").Ok);
  for (const TCase& c : OptionCases()) ExpectSameWalls(model, c);
}

// Surveys whose walls coincide, so that a split build's later parts find
// vertices of the earlier ones: the same survey twice, then once more with
// a station a billionth of a foot off, equal in single precision only.
TEST(WallMesh, SplitBuildSharesCornersAcrossSurveys) {
  InitPlotUnits();
  // Without the junction cave's station a ten-millionth of a foot from
  // another, which alone makes a build keep its faces' own normals.
  std::string survey = std::string(kJunctions).substr(std::string(kJunctions).find("N J1"));
  const size_t near = survey.find("D 20 0 0.0000001");
  survey.erase(near, survey.find("M 10 0 0", near) - near);
  auto named = [](std::string s, const char* name) { return s.replace(0, 4, name); };
  std::string shifted = named(survey, "N J3");
  for (size_t at = 0; (at = shifted.find(" 10 0 0 ", at)) != std::string::npos;)
    shifted.replace(at, 8, " 10.000000001 0 0 ");
  const std::string twins = "Z 0 100 0 100 -60 10\r\nSMain\r\n" + survey + named(survey, "N J2");
  for (const bool withNear : {false, true}) {
    TPlotModel model;
    const std::string cave = withNear ? twins + shifted : twins;
    ASSERT_TRUE(LoadPlotText(model, cave, "twins.plt").Ok);
    ASSERT_EQ(model.Surveys.Count(), withNear ? 3 : 2);
    for (const TCase& c : OptionCases()) ExpectSameWalls(model, c);
  }
}

}  // namespace
}  // namespace lumora
