#include "controls/DirectionDial.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>
#include <random>

namespace lumora {
namespace {

constexpr double kHalfRoot2 = 0.70710678118654752, kHalfRoot3 = 0.86602540378443865;

void ExpectVector(const T3DVector& got, const T3DVector& want) {
  EXPECT_NEAR(got.x, want.x, 1e-12);
  EXPECT_NEAR(got.y, want.y, 1e-12);
  EXPECT_NEAR(got.z, want.z, 1e-12);
}

// The law worked by hand: θ = 360 − yaw turns (0, 1, 0) in x–y, then the
// pitch turns it in y–z.
TEST(DirectionDial, VectorLawAtQuadrantsAndPoles) {
  ExpectVector(DialVector({0, 0}), {0, 1, 0});
  ExpectVector(DialVector({90, 0}), {-1, 0, 0});
  ExpectVector(DialVector({180, 0}), {0, -1, 0});
  ExpectVector(DialVector({270, 0}), {1, 0, 0});
  ExpectVector(DialVector({45, 45}), {-kHalfRoot2, 0.5, -0.5});
  // One direction in each quadrant of the yaw, pitched by 30.
  ExpectVector(DialVector({30, 30}), {-0.5, 0.75, -kHalfRoot3 / 2});
  ExpectVector(DialVector({120, 30}), {-kHalfRoot3, -kHalfRoot3 / 2, 0.25});
  ExpectVector(DialVector({210, 30}), {0.5, -0.75, kHalfRoot3 / 2});
  ExpectVector(DialVector({300, 30}), {kHalfRoot3, kHalfRoot3 / 2, -0.25});
  // The pitch swings y into z and on round to −y.
  ExpectVector(DialVector({0, 90}), {0, 0, -1});
  ExpectVector(DialVector({180, 90}), {0, 0, 1});
  ExpectVector(DialVector({0, 180}), {0, -1, 0});
  // The poles of the dial are ±x, whatever the pitch.
  for (double pitch : {0.0, 60.0, 180.0}) {
    ExpectVector(DialVector({270, pitch}), {1, 0, 0});
    ExpectVector(DialVector({90, pitch}), {-1, 0, 0});
  }
}

TEST(DirectionDial, AnglesFromAVectorPointTheSameWay) {
  TDialAngles a;
  ASSERT_TRUE(DialAnglesOf({1, 0, 0}, a));
  EXPECT_NEAR(a.Yaw, 270, 1e-12);
  ASSERT_TRUE(DialAnglesOf({-5, 0, 0}, a));
  EXPECT_NEAR(a.Yaw, 90, 1e-12);
  ASSERT_TRUE(DialAnglesOf({0, 0, 1}, a));  // the default light direction
  EXPECT_NEAR(a.Yaw, 180, 1e-12);
  EXPECT_NEAR(a.Pitch, 90, 1e-12);
  ASSERT_TRUE(DialAnglesOf({0, 0, -2}, a));  // the default spot direction
  EXPECT_NEAR(a.Yaw, 0, 1e-12);
  EXPECT_NEAR(a.Pitch, 90, 1e-12);

  // Inside the ranges the angles come back as they were set.
  for (double yaw = 0; yaw < 360; yaw += 17.5)
    for (double pitch = 2.5; pitch < 180; pitch += 12.5) {
      ASSERT_TRUE(DialAnglesOf(Scale(DialVector({yaw, pitch}), 3), a));
      EXPECT_NEAR(a.Yaw, yaw, 1e-9) << yaw << ", " << pitch;
      EXPECT_NEAR(a.Pitch, pitch, 1e-9) << yaw << ", " << pitch;
    }
  // Any direction, poles and ends of the pitch included, survives the trip.
  std::mt19937 random(7);
  std::uniform_real_distribution<double> d(-1, 1);
  std::vector<T3DVector> vectors = {{0, 1, 0}, {0, -1, 0}, {0, -1, -0.0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}};
  for (int i = 0; i < 500; ++i) vectors.push_back({d(random), d(random), d(random)});
  for (const T3DVector& v : vectors) {
    ASSERT_TRUE(DialAnglesOf(v, a));
    EXPECT_GE(a.Yaw, 0);
    EXPECT_LT(a.Yaw, 360);
    EXPECT_GE(a.Pitch, 0);
    EXPECT_LE(a.Pitch, 180);
    ExpectVector(DialVector(a), Normalize(v));
  }
  // No direction: the angles stay.
  a = {12, 34};
  EXPECT_FALSE(DialAnglesOf({0, 0, 0}, a));
  EXPECT_FALSE(DialAnglesOf({NAN, 1, 0}, a));
  EXPECT_EQ(a.Yaw, 12);
  EXPECT_EQ(a.Pitch, 34);
}

void Mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
  QMouseEvent e(type, at, w.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

void Key(QWidget& w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(&w, &e);
}

TEST(DirectionDial, TurnsByMouseAndKeysAndSaysSo) {
  TDirectionDial dial;
  EXPECT_EQ(dial.Yaw(), 45);
  EXPECT_EQ(dial.Pitch(), 45);
  int changes = 0;
  QObject::connect(&dial, &TDirectionDial::Changing, [&] { ++changes; });
  dial.SetAngles(-30, 200);
  EXPECT_EQ(dial.Yaw(), 330);
  EXPECT_EQ(dial.Pitch(), 180);
  dial.SetVector({0, 1, 0});
  EXPECT_EQ(changes, 0);  // only the user's turns are reported

  dial.resize(100, 100);
  Mouse(dial, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
  Mouse(dial, QEvent::MouseMove, {70, 50}, Qt::LeftButton);
  EXPECT_NEAR(dial.Yaw(), 20, 1e-9);
  Mouse(dial, QEvent::MouseMove, {70, 60}, Qt::LeftButton);
  EXPECT_NEAR(dial.Pitch(), 10, 1e-9);
  EXPECT_EQ(changes, 2);
  // Past the end of the pitch nothing turns and nothing is reported.
  Mouse(dial, QEvent::MouseMove, {70, 0}, Qt::LeftButton);
  EXPECT_EQ(dial.Pitch(), 0);
  Mouse(dial, QEvent::MouseMove, {70, -20}, Qt::LeftButton);
  EXPECT_EQ(changes, 3);
  Mouse(dial, QEvent::MouseButtonRelease, {70, -20}, Qt::NoButton);
  Mouse(dial, QEvent::MouseMove, {90, 90}, Qt::NoButton);  // no button: no turn
  EXPECT_NEAR(dial.Yaw(), 20, 1e-9);

  Key(dial, Qt::Key_Left);
  EXPECT_NEAR(dial.Yaw(), 19, 1e-9);
  Key(dial, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_NEAR(dial.Pitch(), 10, 1e-9);
  EXPECT_EQ(changes, 5);
}

// The needle is drawn where the face says: at (−x, y) of the direction.
TEST(DirectionDial, NeedlePointsAtMinusXAndY) {
  TDirectionDial dial;
  dial.resize(101, 101);
  auto needlePixels = [&](QRect part) {
    const QImage image = dial.grab().toImage();
    const QColor needle = dial.palette().color(QPalette::Highlight);
    int n = 0;
    for (int y = part.top(); y <= part.bottom(); ++y)
      for (int x = part.left(); x <= part.right(); ++x) n += image.pixelColor(x, y) == needle;
    return n;
  };
  const QRect left(0, 45, 40, 11), right(61, 45, 40, 11), top(45, 0, 11, 40), bottom(45, 61, 11, 40);
  dial.SetVector({1, 0, 0});
  EXPECT_GT(needlePixels(left), 20);
  EXPECT_EQ(needlePixels(right), 0);
  dial.SetVector({0, -1, 0});
  EXPECT_GT(needlePixels(bottom), 20);
  EXPECT_EQ(needlePixels(top), 0);
}

}  // namespace
}  // namespace lumora
