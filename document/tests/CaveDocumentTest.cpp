#include "document/CaveDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/PlotReader.h"

namespace lumora {
namespace {

// One passage falling `drop` feet over three shots.
std::string Cave(int drop) {
  std::string text = "Z 0 100 0 200 -500 10\r\nSMain\r\nN S1 D 1 1 2000 C one\r\nM 0 0 0 S A1 P 2 2 2 2\r\n";
  for (int i = 1; i <= 3; ++i)
    text += "D " + std::to_string(10 * i) + " 0 " + std::to_string(-drop * i / 3) + " S A" + std::to_string(i + 1) +
            " P 2 2 2 2\r\n";
  return text + "X 0 30 0 0 " + std::to_string(-drop) + " 0\r\n";
}

void LoadAndBuildWalls(TCaveDocument& document, int drop) {
  ASSERT_TRUE(LoadPlotText(document.Model, Cave(drop), "cave.plt").Ok);
  BuildPassages(document.Model, document.PassageOptions, document.PassageState,
                [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
}

// The volume model slices the walls of its own document, whichever
// document built its walls last.
TEST(CaveDocumentTest, EachVolumeModelSlicesItsOwnDocumentsWalls) {
  TCaveDocument shallow, deep;
  LoadAndBuildWalls(shallow, 30);
  LoadAndBuildWalls(deep, 300);
  for (TCaveDocument* d : {&shallow, &deep}) {
    const TPassageState& walls = d->PassageState;
    ASSERT_LT(walls.OutputMin.z, walls.OutputMax.z);
    d->Volume.LevelCount = 4;
    d->Volume.BuildLevels({}, false);
    EXPECT_DOUBLE_EQ(d->Volume.Levels[0].Bottom, walls.OutputMin.z);
    EXPECT_NEAR(d->Volume.Levels[3].Top, walls.OutputMax.z, 1e-9);
    EXPECT_EQ(&d->Volume.Model(), &d->Model);
  }
  EXPECT_GT(shallow.Volume.Levels[0].Bottom, deep.Volume.Levels[0].Bottom + 200);
}

TEST(CaveDocumentTest, ALoadIsToldToEveryListenerInTurn) {
  TCaveDocument document;
  std::vector<std::string> heard;
  document.Loaded("none yet.plt");
  document.OnLoaded([&](const std::string& path) { heard.push_back("view " + path); });
  document.OnLoaded([&](const std::string& path) { heard.push_back("tool " + path); });
  document.Loaded("a.plt");
  EXPECT_EQ(heard, (std::vector<std::string>{"view a.plt", "tool a.plt"}));
}

}  // namespace
}  // namespace lumora
