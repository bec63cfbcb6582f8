// Moving about the cave, each test in a fresh window with the demo cave:
// the tool bar's moves and turns, animation, the mouse's drags, wheel and
// double click, and the status bar that reports the navigated frame.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>

#include "app/core/GLSettings.h"
#include "app/qtest/MainWindowFixture.h"

using namespace lumora;

class WindowNavigationTest : public QObject, TMainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string())); }
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void toolBarMovesTheCaveFrame() {
    Load(kDemo);
    struct Move {
      const char* button;
      double x, y, z;  // in steps of k / s
    };
    const Move moves[] = {{"ZoomInBtn", 0, 0, 1},    {"ZoomOutBtn", 0, 0, -1}, {"PanLeftBtn", 1, 0, 0},
                          {"PanRightBtn", -1, 0, 0}, {"PanUpBtn", 0, -1, 0},   {"PanDownBtn", 0, 1, 0}};
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    for (const Move& m : moves) {
      Home();
      const T3DVector before = Cave().Position;
      const double step = 10 / Cave().PixelsPerUnit();
      QVERIFY(std::isfinite(step) && step > 0);
      Click(m.button);
      QVERIFY2(std::abs(Cave().Position.x - before.x - m.x * step) < 1e-9 * (1 + step), m.button);
      QVERIFY2(std::abs(Cave().Position.y - before.y - m.y * step) < 1e-9 * (1 + step), m.button);
      QVERIFY2(std::abs(Cave().Position.z - before.z - m.z * step) < 1e-9 * (1 + step), m.button);
    }
    // Reset returns to the home view of the load.
    Click("ZoomInBtn");
    Click("YawLeftBtn");
    Click("ResetBtn");
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);
    QVERIFY(std::abs(ToEuler(Cave().Orientation).heading) < 1e-9);
  }

  void toolBarTurnsTheCaveFrame() {
    Load(kDemo);
    QCheckBox* free = Find<QCheckBox>("FreeRotChk");
    QVERIFY(!free->isChecked());
    QVERIFY(!Find<QToolButton>("RollRightBtn")->isEnabled());
    QVERIFY(!Find<QToolButton>("RollLeftBtn")->isEnabled());
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    Home();
    Click("YawRightBtn");
    QCOMPARE(std::round(ToEuler(Cave().Orientation).heading * 1e6) / 1e6, -10.0);
    Home();
    Click("YawLeftBtn");
    QCOMPARE(std::round(ToEuler(Cave().Orientation).heading * 1e6) / 1e6, 10.0);

    free->setChecked(true);
    QVERIFY(Cave().FreeRotation && form->Scene().RoseFrame->FreeRotation);
    QVERIFY(Find<QToolButton>("RollRightBtn")->isEnabled());
    QVERIFY(Find<QToolButton>("RollLeftBtn")->isEnabled());
    const struct {
      const char* button;
      double TEuler::*angle;
      double expected;
    } turns[] = {{"PitchUpBtn", &TEuler::bank, -10},
                 {"PitchDownBtn", &TEuler::bank, 10},
                 {"RollRightBtn", &TEuler::attitude, -10},
                 {"RollLeftBtn", &TEuler::attitude, 10}};
    for (const auto& t : turns) {
      Home();
      Click(t.button);
      QVERIFY2(std::abs(ToEuler(Cave().Orientation).*t.angle - t.expected) < 1e-6, t.button);
    }
    free->setChecked(false);
    QVERIFY(!Cave().FreeRotation);
    QVERIFY(!Find<QToolButton>("RollRightBtn")->isEnabled());
  }

  void animationRepeatsTheLastTurn() {
    Load(kDemo);
    Home();
    Click("YawLeftBtn");
    const double after = ToEuler(Cave().Orientation).heading;
    QToolButton* animate = Find<QToolButton>("AnimateBtn");
    animate->setChecked(true);
    QTRY_VERIFY(std::abs(ToEuler(Cave().Orientation).heading - after) > 1);
    animate->setChecked(false);
    const TQuaternion stopped = Cave().Orientation;
    QTest::qWait(60);
    QCOMPARE(Cave().Orientation.w, stopped.w);
    QVERIFY(!Find<QToolButton>("CaptureBtn")->isEnabled());
  }

  void mouseDragsAndWheel() {
    Load(kDemo);
    Home();
    QWidget* v = form->Viewer();
    const QPoint c(v->width() / 2, v->height() / 2);
    // Left drag: one degree of yaw per pixel.
    SendMouse(QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseMove, c + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, c + QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(std::abs(ToEuler(Cave().Orientation).heading - 20) < 1e-6);
    QVERIFY(!Cave().Tracking);
    // Moving without a button changes nothing.
    const TQuaternion turned = Cave().Orientation;
    SendMouse(QEvent::MouseMove, c + QPoint(60, 0), Qt::NoButton, Qt::NoButton);
    QCOMPARE(Cave().Orientation.y, turned.y);

    Home();
    const double z = Cave().Position.z, s = Cave().PixelsPerUnit();
    QWheelEvent wheel(QPointF(c), QPointF(v->mapToGlobal(c)), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &wheel);
    QVERIFY(std::abs(Cave().Position.z - z - 25 / s) < 1e-9 * (1 + 25 / s));

    // A double click right of the centre zooms in and brings that point
    // towards the middle.
    Home();
    const T3DVector before = Cave().Position;
    SendMouse(QEvent::MouseButtonDblClick, c + QPoint(50, 0), Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, c + QPoint(50, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(Cave().Position.z > before.z);
    QVERIFY(Cave().Position.x < before.x);
    QVERIFY(std::abs(Cave().Position.y - before.y) < 1e-9);
  }

  void statusBarShowsTheNavigatedFrame() {
    Load(kDemo);
    Home();
    Cave().Position = T3DVector{1234.56, -7.04, -20000};
    Cave().SetOrientationAngles(5, -30, 0);
    Render();
    // No thousands separators in position, rotation and TPS.
    QCOMPARE(Find<QLabel>("DisPosX")->text(), QString("1234.6"));
    QCOMPARE(Find<QLabel>("DisPosY")->text(), QString("-7.0"));
    QCOMPARE(Find<QLabel>("DisPosZ")->text(), QString("-20000.0"));
    QCOMPARE(Find<QLabel>("YawDis")->text(), QString("-30.0"));
    QCOMPARE(Find<QLabel>("PitchDis")->text(), QString("5.0"));
    QCOMPARE(Find<QLabel>("RollDis")->text(), QString("0.0"));
    const int faces = form->Scene().PassageMesh->ColorCount();
    QCOMPARE(Find<QLabel>("TriangleDis")->text().remove(',').toInt(), faces);
    QVERIFY(Find<QLabel>("FPSDis")->text().remove(',').toDouble() > 0);
    const QString tps = Find<QLabel>("TPSDis")->text();
    QVERIFY2(QRegularExpression("^\\d+$").match(tps).hasMatch() && tps.toDouble() > faces, qPrintable(tps));
    Home();
  }
};

QTEST_MAIN(WindowNavigationTest)
#include "window_navigation_test.moc"
