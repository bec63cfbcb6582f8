#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGuiApplication>

#include <memory>

#include "app/core/GLCave.h"
#include "map/MapContent.h"
#include "model/SurveyFile.h"

namespace lumora {
namespace {

// Every paper and scale the page chooses holds the cave in its room, and
// the next round scale (or the next smaller paper) would not.
TEST(MapPage, ChoosesTheSmallestThatHolds) {
  const double room[2] = {2 * kPageMargin + 2 * kFrameInset, 2 * kPageMargin + kTitleStrip + 2 * kFrameInset};
  auto fits = [&](double w, double h, double pw, double ph, double scale) {
    return w * 1000 / scale <= pw - room[0] + 1e-9 && h * 1000 / scale <= ph - room[1] + 1e-9;
  };
  for (double w : {3.0, 170.0, 900.0, 4000.0})
    for (double h : {2.0, 250.0, 1200.0}) {
      const TPageLayout fit = LayOutPage(w, h, {"A3", true, 0});
      EXPECT_EQ(fit.PaperName, "A3");
      EXPECT_DOUBLE_EQ(fit.Width, 420);
      EXPECT_TRUE(fits(w, h, fit.Width, fit.Height, fit.Scale)) << w << " x " << h;
      // The next round scale below: 1, 2, 2.5, 5 times a power of ten.
      double below = 0;
      for (double p = 1e-3; p < fit.Scale; p *= 10)
        for (double m : {1.0, 2.0, 2.5, 5.0})
          if (m * p < fit.Scale * (1 - 1e-9)) below = m * p;
      EXPECT_FALSE(fits(w, h, fit.Width, fit.Height, below)) << "1:" << below << " would do";
      EXPECT_EQ(RoundScale(fit.Scale), fit.Scale);

      const TPageLayout scaled = LayOutPage(w, h, {"", false, 1000});
      EXPECT_TRUE(fits(w, h, scaled.Width, scaled.Height, 1000));
      if (scaled.PaperName == "custom") {
        EXPECT_FALSE(fits(w, h, 841, 1189, 1000) || fits(w, h, 1189, 841, 1000));
      } else if (scaled.PaperName != "A4") {
        const TPaperSize* paper = FindPaper(scaled.PaperName);
        const TPaperSize smaller = paper[-1];
        EXPECT_FALSE(fits(w, h, smaller.Width, smaller.Height, 1000) ||
                     fits(w, h, smaller.Height, smaller.Width, 1000));
      }
    }
}

class MapContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
    InitPlotUnits();
    ASSERT_TRUE(LoadSurveyFile(model, LUMORA_SOURCE_DIR "/data/demo.plt").Ok);
    ApplyMeshOptions(TCaveMeshSettings{}, walls);
  }
  int argc = 3;
  char name[9] = "test_map", option[10] = "-platform", platform[10] = "offscreen";
  char* argv[4] = {name, option, platform, nullptr};
  std::unique_ptr<QGuiApplication> app;
  TPlotModel model;
  TPassageOptions walls;
};

// In every view the walls hold the centreline, the labels do not overlap,
// the station dots keep apart, and all lies inside the frame.
TEST_F(MapContentTest, ThinsLabelsAndKeepsTheCaveInItsWalls) {
  for (TMapView view : {TMapView::Plan, TMapView::North, TMapView::East, TMapView::South, TMapView::West})
    for (double scale : {0.0, 2000.0}) {
      TMapOptions o;
      o.View = view;
      o.Page.Scale = scale;
      o.Labels = true;
      const TMapContent map = MakeMapContent(model, walls, o);
      SCOPED_TRACE(ViewWord(view) + " 1:" + std::to_string(map.Page.Scale));
      QRectF wallBox;
      for (const TMapShape& s : map.Walls) wallBox |= s.Path.boundingRect();
      EXPECT_TRUE(wallBox.adjusted(-1, -1, 1, 1).contains(map.CentrelineBox));
      EXPECT_TRUE(map.Frame.contains(wallBox));
      ASSERT_GT(map.Labels.size(), 20u);
      std::vector<QRectF> rects;
      for (const TMapText& t : map.Labels) {
        EXPECT_FALSE(t.Text.isEmpty());
        const QFontMetricsF m(MapFont(t.Size, t.Bold));
        const QRectF r(t.At.x(), t.At.y() - m.ascent(), m.horizontalAdvance(t.Text), m.ascent() + m.descent());
        for (const QRectF& other : rects)
          EXPECT_FALSE(r.adjusted(1, 1, -1, -1).intersects(other)) << t.Text.toStdString();
        rects.push_back(r);
      }
      std::vector<QPointF> dots;
      for (const TMapShape& s : map.Stations)
        for (int i = 0; i < s.Path.elementCount(); i += 2) dots.push_back(s.Path.elementAt(i));
      ASSERT_GT(dots.size(), 20u);
      for (size_t i = 0; i < dots.size(); ++i)
        for (size_t j = i + 1; j < dots.size(); ++j) ASSERT_GE(QLineF(dots[i], dots[j]).length(), 15 - 1e-9);
    }
}

}  // namespace
}  // namespace lumora
