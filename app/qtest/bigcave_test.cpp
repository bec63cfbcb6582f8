// The window on caves too big to draw quickly: "Cancel" in the load's
// progress window at every stage of a load, the double click's fly-in that
// takes its time whatever a frame costs, the centreline standing in for
// the walls while a slow cave is dragged, turned by keys or zoomed by the
// wheel, and input that piles up while a frame draws. Frame costs come
// from a clock of the test's own, moved on by each frame.

#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include <memory>
#include <utility>
#include <vector>

#include "app/GLMain.h"
#include "app/SettingsDialogs.h"
#include "app/ViewMotion.h"
#include "app/qtest/ShowWindow.h"
#include "model/DemoCave.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

int Drawn(const QImage& picture) {
  int n = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) n += (picture.pixel(x, y) & 0xFFFFFF) != 0;
  return n;
}

}  // namespace

class BigCaveTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QStringList errors;
  QTemporaryDir temp;
  QString big;
  double now = 0;        // the motion's clock, in seconds
  double frameCost = 0;  // what each frame adds to it
  bool lightFrameSeen = false;
  // Each frame drawn: light or full ('L', 'F'), and the view it showed.
  QString kinds;
  std::vector<std::pair<TQuaternion, T3DVector>> views;

  TViewMotion& Motion() { return *form->Motion(); }
  TGLFrame& Cave() { return *form->Scene().CaveFrame; }
  TLoadProgressDlg* Progress() { return form->findChild<TLoadProgressDlg*>(); }

  // Draws one frame through the event loop, as the window does.
  void Frame() {
    QSignalSpy shown(form->Viewer(), &QOpenGLWidget::frameSwapped);
    form->Viewer()->update();
    QVERIFY(shown.wait(5000));
  }
  void Load(const QString& file) {
    form->LoadCave(file);
    QVERIFY(!form->Loading());
    Frame();
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, form->Viewer()->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(form->Viewer(), &e);
  }
  // Runs a fly-in to the point with frames of the given cost; returns the
  // frames it drew.
  int FlyIn(QPoint at, double cost) {
    frameCost = cost;
    Frame();  // the last full frame now costs `cost`
    Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!Motion().Flying(), 20000); }();
    Frame();
    return Motion().FlyInFrames();
  }

 private slots:
  void initTestCase() {
    ShowWindow(form, 640, 480, nullptr, &errors);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    Motion().Clock = [this] { return now; };
    // Each frame costs frameCost on the motion's clock.
    form->Viewer()->OnPaint = [this, paint = form->Viewer()->OnPaint](TGLViewer& v) {
      paint(v);
      now += frameCost;
      const bool light = !form->Scene().PassageMesh->Visible;
      lightFrameSeen |= light;
      kinds += light ? 'L' : 'F';
      views.emplace_back(Cave().Orientation, Cave().Position);
    };
    big = temp.filePath("big.plt");
    QFile f(big);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(GenerateDemoCave(TDemoOptions{40000, 3}).Text));
  }

  void init() { errors.clear(); }

  void cancelAtEveryStageLeavesAnEmptyView_data() {
    QTest::addColumn<QString>("stage");
    QTest::newRow("reading") << "Reading File";
    QTest::newRow("shots") << "Shots: ";
    QTest::newRow("labels") << "Labels: ";
    QTest::newRow("walls") << "Passage - Prisms";
    QTest::newRow("normals") << "Passage - Setting";
  }

  void cancelAtEveryStageLeavesAnEmptyView() {
    QFETCH(QString, stage);
    Load(kDemo);
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 0);
    // Pressed at the first report of the stage.
    bool pressed = false;
    Progress()->OnAction = [&](const std::string& action) {
      if (pressed || !QString::fromStdString(action).startsWith(stage)) return;
      pressed = true;
      QTest::mouseClick(Progress()->findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
    };
    form->LoadCave(big);
    Progress()->OnAction = nullptr;
    QVERIFY2(pressed, "the stage was never reported");
    QVERIFY(errors.isEmpty());
    QVERIFY(!form->Loading() && !Progress()->isVisible());
    const TCaveScene& s = form->Scene();
    QCOMPARE(s.PassageMesh->ColorCount(), 0);
    QCOMPARE(s.Shots->SegmentCount(), 0);
    QCOMPARE(s.Stations->Points.Count(), 0);
    QCOMPARE(form->Document().Model.Plots.Count(), 0);
    QCOMPARE(form->windowTitle(), QString("Lumora"));
    QVERIFY(form->menuBar()->isEnabled() && form->Viewer()->Enabled);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // Nothing of the cancelled cave is drawn; the next load works.
    Frame();
    QCOMPARE(Drawn(form->Viewer()->grabFramebuffer()), 0);
    Load(big);
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 0);
  }

  void closingTheProgressWindowCancelsToo() {
    QTimer::singleShot(0, this, [this] { QTest::keyClick(Progress(), Qt::Key_Escape); });
    form->LoadCave(big);
    QVERIFY(errors.isEmpty());
    QCOMPARE(form->Scene().PassageMesh->ColorCount(), 0);
    Load(kDemo);
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 0);
  }

  void flyInTakesItsTimeWhateverAFrameCosts() {
    Load(kDemo);
    const QPoint at(form->Viewer()->width() / 3, form->Viewer()->height() / 3);
    const T3DVector start = Cave().Position;

    const int quick = FlyIn(at, 0.03);  // a step and a half's time a frame
    const T3DVector quickEnd = Cave().Position;
    QVERIFY2(quick >= 15, qPrintable(QString::number(quick)));
    QVERIFY(quickEnd.z > start.z + 1);

    Cave().Position = start;
    lightFrameSeen = false;
    const int slow = FlyIn(at, 0.3);
    QVERIFY2(slow <= 3, qPrintable(QString::number(slow)));
    // The frames were dropped, not the steps: the same place to the bit.
    QCOMPARE(Cave().Position.x, quickEnd.x);
    QCOMPARE(Cave().Position.y, quickEnd.y);
    QCOMPARE(Cave().Position.z, quickEnd.z);
    QVERIFY2(lightFrameSeen, "slow frames stand in while flying");
    QVERIFY(form->Scene().PassageMesh->Visible);

    // A press ends a fly-in at its end point at once.
    Cave().Position = start;
    frameCost = 0.0;
    Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(Motion().Flying());
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!Motion().Flying());
    QCOMPARE(Cave().Position.z, quickEnd.z);
  }

  void slowCavesDragWithTheirCentreline() {
    Load(kDemo);
    // Near enough for the walls to be far wider than their centreline.
    Cave().Position.z /= 4;
    const QPoint centre(form->Viewer()->width() / 2, form->Viewer()->height() / 2);
    frameCost = 0.01;
    Frame();
    const int full = Drawn(form->Viewer()->grabFramebuffer());
    QVERIFY(full > 2000);

    for (double cost : {0.01, 0.5}) {
      frameCost = cost;
      Frame();
      QCOMPARE(Motion().LastFullFrame(), cost);
      Mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
      Mouse(QEvent::MouseMove, centre + QPoint(4, 0), Qt::NoButton, Qt::LeftButton);
      const int moving = Drawn(form->Viewer()->grabFramebuffer());
      if (cost < TViewMotion::kSlowFrame) {
        QVERIFY2(moving > full / 2, "quick frames stay whole");
      } else {
        QVERIFY2(moving > 0 && moving < full / 3, qPrintable(QString("%1 of %2").arg(moving).arg(full)));
        QCOMPARE(Motion().LastFullFrame(), cost);  // a light frame is not a full one
        // The mouse rests: the full picture comes without a release.
        QVERIFY(!form->Scene().PassageMesh->Visible);
        QTRY_VERIFY_WITH_TIMEOUT(form->Scene().PassageMesh->Visible, 5000);
        Mouse(QEvent::MouseMove, centre + QPoint(8, 0), Qt::NoButton, Qt::LeftButton);
        QVERIFY(Drawn(form->Viewer()->grabFramebuffer()) < full / 3);
      }
      Mouse(QEvent::MouseButtonRelease, centre + QPoint(8, 0), Qt::LeftButton, Qt::NoButton);
      QVERIFY2(Drawn(form->Viewer()->grabFramebuffer()) > full / 2, "the full picture when the mouse stops");
    }
  }

  void inputWhileAFrameDrawsGivesOneFrameOfTheNewestView_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<double>("cost");
    QTest::addColumn<QString>("frames");
    for (const char* input : {"drag", "keys", "wheel"}) {
      QTest::addRow("%s, quick frames", input) << input << 0.01 << "F";
      QTest::addRow("%s, slow frames", input) << input << 0.5 << "LF";
    }
  }

  void inputWhileAFrameDrawsGivesOneFrameOfTheNewestView() {
    QFETCH(QString, input);
    QFETCH(double, cost);
    QFETCH(QString, frames);
    Load(kDemo);
    frameCost = cost;
    Frame();
    kinds.clear();
    views.clear();
    const TQuaternion turn0 = Cave().Orientation;
    const T3DVector place0 = Cave().Position;
    // Ten events, all in before the window draws again, as when they come
    // while a frame draws; a drag's release among them.
    TGLViewer* v = form->Viewer();
    const QPoint centre(v->width() / 2, v->height() / 2);
    if (input == "drag") Mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    // Shortcuts need the active window; without a window manager ask for it.
    form->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == form.get());
    v->setFocus();
    for (int i = 1; i <= 10; ++i) {
      if (input == "drag") {
        Mouse(QEvent::MouseMove, centre + QPoint(3 * i, i), Qt::NoButton, Qt::LeftButton);
      } else if (input == "keys") {
        QTest::keyClick(v, Qt::Key_Right);
      } else {
        QWheelEvent e(QPointF(centre), QPointF(v->mapToGlobal(centre)), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(v, &e);
      }
    }
    if (input == "drag") Mouse(QEvent::MouseButtonRelease, centre + QPoint(30, 10), Qt::LeftButton, Qt::NoButton);
    const TQuaternion turn = Cave().Orientation;
    const T3DVector place = Cave().Position;
    QVERIFY(turn.w != turn0.w || place.z != place0.z);

    // A slow cave's stand-in first, then the full picture, and nothing
    // after it: no frame of an older view, no turning once let go.
    QTRY_COMPARE(kinds, frames);
    QTest::qWait(3 * TViewMotion::kRestMilliseconds);
    QCOMPARE(kinds, frames);
    for (const auto& [o, p] : views) {
      QVERIFY(o.x == turn.x && o.y == turn.y && o.z == turn.z && o.w == turn.w);
      QVERIFY(p.x == place.x && p.y == place.y && p.z == place.z);
    }
  }

  void cleanupTestCase() { form.reset(); }
};

QTEST_MAIN(BigCaveTest)
#include "bigcave_test.moc"
