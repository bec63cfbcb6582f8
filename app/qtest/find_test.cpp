// Stations in the main window: the find box, picking with a click,
// measuring with Shift+click and Escape, checked against the plot records
// and against the pixels the view draws.

#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/StationTool.h"
#include "app/core/GLSettings.h"
#include "app/qtest/ShowWindow.h"
#include "model/PlotArray.h"
#include "model/WorkingUnits.h"
#include "viewer/GLViewer.h"
#include "viewer/ViewProjection.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

// The numbers of a status text after its first ": " (names may hold digits).
std::vector<double> Numbers(const QString& text) {
  std::vector<double> out;
  const QString tail = text.mid(text.indexOf(": ") + 2);
  for (const auto& m : QRegularExpression(R"(-?\d+\.\d+)").globalMatch(tail)) out.push_back(m.captured().toDouble());
  return out;
}

bool Near(QRgb p, int r, int g, int b) {
  return std::abs(qRed(p) - r) < 40 && std::abs(qGreen(p) - g) < 40 && std::abs(qBlue(p) - b) < 40;
}

// Whether a pixel of that colour lies within `reach` of (x, y).
bool ColourAround(const QImage& image, double x, double y, int reach, int r, int g, int b) {
  const int cx = static_cast<int>(std::lround(x)), cy = static_cast<int>(std::lround(y));
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx)
      if (image.valid(cx + dx, cy + dy) && Near(image.pixel(cx + dx, cy + dy), r, g, b)) return true;
  return false;
}

}  // namespace

class FindTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QStringList errors;

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TStationTool& Tool() { return *form->Stations(); }
  const TStationIndex& Index() { return Tool().Index(); }
  QString Status() { return Tool().FieldText(); }
  QImage Frame() { return form->Viewer()->grabFramebuffer(); }
  void Home() {
    TGLFrame& cave = *form->Scene().CaveFrame;
    cave.ApplyHomeAngles();
    cave.ResetOrientation();
    Frame();
  }
  void Mouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent e(type, at, form->Viewer()->mapToGlobal(at), button, buttons, modifiers);
    QApplication::sendEvent(form->Viewer(), &e);
  }
  void ClickAt(QPointF at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
    Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
  }
  TWindowPoint At(int entry) {
    TWindowPoint p;
    if (!Tool().WindowPosition(entry, p)) qFatal("station %d is behind the eye", entry);
    return p;
  }
  // A station well inside the view with no other within twice the pick
  // radius, so a click near it can only mean it; the n-th such in file order.
  int LoneStation(int n) {
    const auto& w = *form->Viewer();
    std::vector<TWindowPoint> at(Index().Count());
    std::vector<bool> front(Index().Count());
    for (int i = 0; i < Index().Count(); ++i) front[i] = Tool().WindowPosition(i, at[i]);
    for (int i = 0; i < Index().Count(); ++i) {
      if (!front[i] || at[i].X < 20 || at[i].Y < 20 || at[i].X > w.width() - 20 || at[i].Y > w.height() - 20) continue;
      bool alone = true;
      for (int j = 0; j < Index().Count() && alone; ++j)
        alone =
            j == i || !front[j] || std::hypot(at[j].X - at[i].X, at[j].Y - at[i].Y) > 2 * TStationTool::kPickRadius + 2;
      if (alone && n-- == 0) return i;
    }
    qFatal("no lone station in view (z %g)", form->Scene().CaveFrame->Position.z);
  }
  const TPlotVector& Record(int entry) { return form->Document().Model.Plots[Index().Entry(entry).Plot]; }
  double Top() {
    double top = -1e300;
    for (int i = 0; i < Index().Count(); ++i) top = std::max(top, Index().Entry(i).Position.z);
    return top;
  }

 private slots:
  void initTestCase() {
    ShowWindow(form, 720, 480, nullptr, &errors);
    if (QTest::currentTestFailed()) return;
    form->Document().Units = MakeWorkingUnits(true);
    QTRY_VERIFY(form->SceneCreated());
    form->LoadCave(kDemo);
    QVERIFY(!form->Loading());
    QVERIFY(errors.isEmpty());
    QVERIFY(Index().Count() > 1000);
    QCOMPARE(Tool().ScenePositions().size(), static_cast<size_t>(Index().Count()));
    Frame();
  }

  void projectionFallsOnTheDrawnStations() {
    // Walls off, stations as big yellow points: the view's own drawing is
    // the oracle for where the tool believes each station is.
    Find<QCheckBox>("WallsChk")->setChecked(false);
    Find<QCheckBox>("StationsChk")->setChecked(true);
    Find<QSpinBox>("PointSizeSpin")->setValue(5);
    Find<QDoubleSpinBox>("IncSpin")->setValue(15);
    const char* const views[][3] = {
        {nullptr}, {"YawRightBtn", "PitchDownBtn", nullptr}, {"ZoomInBtn", "ZoomInBtn", "PanLeftBtn"}};
    for (const auto& buttons : views) {
      Home();
      for (const char* b : buttons)
        if (b) QTest::mouseClick(Find<QToolButton>(b), Qt::LeftButton);
      const QImage image = Frame();
      int checked = 0;
      for (int i = 0; i < Index().Count(); i += 37) {
        TWindowPoint p;
        if (!Tool().WindowPosition(i, p) || !image.rect().adjusted(3, 3, -3, -3).contains(p.X, p.Y)) continue;
        QVERIFY2(ColourAround(image, p.X, p.Y, 1, 255, 255, 0), qPrintable(QString("station %1").arg(i)));
        ++checked;
      }
      QVERIFY(checked > 20);
      // Beside the points the background shows through somewhere.
      int background = 0;
      for (int i = 0; i < Index().Count(); i += 37) {
        TWindowPoint p;
        if (Tool().WindowPosition(i, p) && !ColourAround(image, p.X + 9, p.Y + 9, 0, 255, 255, 0)) ++background;
      }
      QVERIFY(background > 0);
    }
    Find<QSpinBox>("PointSizeSpin")->setValue(1);
    Find<QCheckBox>("StationsChk")->setChecked(false);
    Find<QCheckBox>("WallsChk")->setChecked(true);
    Home();
  }

  void clickPicksAndDragStillTurns() {
    for (bool walls : {true, false}) {
      Find<QCheckBox>("WallsChk")->setChecked(walls);
      // The whole cave, where stations crowd: the nearest on the screen wins,
      // and of those as near, the nearest to the eye.
      Home();
      for (int k = 0; k < 400; k += 53) {
        const TWindowPoint c = At(k);
        // The click lands on a whole pixel.
        const double x = std::round(c.X + 2), y = std::round(c.Y + 1);
        ClickAt(QPointF(x, y));
        const int s = Tool().Selected();
        QVERIFY(s >= 0);
        const TWindowPoint ps = At(s);
        const double ds = std::hypot(ps.X - x, ps.Y - y);
        QVERIFY(ds <= TStationTool::kPickRadius);
        for (int j = 0; j < Index().Count(); ++j) {
          TWindowPoint pj;
          if (!Tool().WindowPosition(j, pj)) continue;
          const double dj = std::hypot(pj.X - x, pj.Y - y);
          QVERIFY2(dj >= ds - kPickTie, qPrintable(QString("%1 is nearer on screen than %2").arg(j).arg(s)));
          if (dj <= ds) QVERIFY2(pj.Depth >= ps.Depth, qPrintable(QString("%1 is nearer than %2").arg(j).arg(s)));
        }
        QVERIFY(Status().startsWith(QString::fromStdString(form->Document().Model.Name(Record(s))) + " ("));
      }
      // Close in, a station on its own, and the whole text.
      form->Scene().CaveFrame->Position.z *= 0.1;
      Frame();
      const int e = LoneStation(3);
      const TWindowPoint p = At(e);
      ClickAt(QPointF(p.X + 3, p.Y - 2));
      QCOMPARE(Tool().Selected(), e);
      const QString text = Status();
      const TPlotVector& r = Record(e);
      QVERIFY2(text.startsWith(QString::fromStdString(form->Document().Model.Name(r)) + " (" +
                               QString::fromUtf8(Index().SurveyName(e).data(),
                                                 static_cast<qsizetype>(Index().SurveyName(e).size())) +
                               ")"),
               qPrintable(text));
      const std::vector<double> n = Numbers(text);
      QCOMPARE(n.size(), size_t(4));
      QVERIFY(std::abs(n[0] - r.Position.x) < 0.006);
      QVERIFY(std::abs(n[1] - r.Position.y) < 0.006);
      QVERIFY(std::abs(n[2] - r.Position.z) < 0.006);
      QVERIFY(std::abs(n[3] - (Top() - r.Position.z)) < 0.006);
      QVERIFY(text.contains(" ft"));
    }
    Find<QCheckBox>("WallsChk")->setChecked(true);
    // Metres when the settings say so.
    form->Document().Units = MakeWorkingUnits(false);
    const int e = LoneStation(5);
    ClickAt(QPointF(At(e).X, At(e).Y));
    const std::vector<double> n = Numbers(Status());
    QCOMPARE(n.size(), size_t(4));
    QVERIFY(std::abs(n[2] - Record(e).Position.z * 0.3048) < 0.006);
    QVERIFY(Status().contains(" m,") && !Status().contains("ft"));
    form->Document().Units = MakeWorkingUnits(true);

    // Far from every station a click picks nothing and keeps the selection.
    const int before = Tool().Selected();
    ClickAt(QPointF(2, 2));
    QCOMPARE(Tool().Selected(), before);

    // A drag turns the cave and picks nothing, even one starting on a station.
    const int other = LoneStation(7);
    const TWindowPoint q = At(other);
    const TQuaternion turned = form->Scene().CaveFrame->Orientation;
    Mouse(QEvent::MouseButtonPress, QPointF(q.X, q.Y), Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 10; ++i) Mouse(QEvent::MouseMove, QPointF(q.X + 3 * i, q.Y), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPointF(q.X + 30, q.Y), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(Tool().Selected(), before);
    QVERIFY(std::abs(form->Scene().CaveFrame->Orientation.w - turned.w) > 1e-6);
    Home();
  }

  void shiftClickMeasuresAndEscapeClears() {
    // Escape is a shortcut of the window: it must be the active one.
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->Scene().CaveFrame->Position.z *= 0.1;
    Frame();
    const int a = LoneStation(2), b = LoneStation(10);
    ClickAt(QPointF(At(a).X, At(a).Y));
    ClickAt(QPointF(At(b).X + 2, At(b).Y + 2), Qt::ShiftModifier);
    QCOMPARE(Tool().Selected(), a);
    QCOMPARE(Tool().MeasuredTo(), b);
    const QString text = Status();
    QVERIFY2(text.startsWith(QString::fromStdString(form->Document().Model.Name(Record(a))) + " to " +
                             QString::fromStdString(form->Document().Model.Name(Record(b))) + ": distance "),
             qPrintable(text));
    // Worked out here from the records, not by the index's measurement.
    const T3DVector d = Subtract(Record(b).Position, Record(a).Position);
    const double horizontal = std::hypot(d.x, d.y);
    double bearing = std::atan2(d.x, d.y) * 180 / std::numbers::pi;
    if (bearing < 0) bearing += 360;
    const double expected[] = {Length(d), horizontal, d.z, bearing,
                               std::atan2(d.z, horizontal) * 180 / std::numbers::pi};
    const std::vector<double> n = Numbers(text);
    QCOMPARE(n.size(), size_t(5));
    for (int i = 0; i < 5; ++i)
      QVERIFY2(std::abs(n[i] - expected[i]) < (i < 3 ? 0.006 : 0.06), qPrintable(QString::number(i)));
    const TMeasurement m = Measure(Index().Entry(a).Position, Index().Entry(b).Position);
    QVERIFY(std::abs(m.Distance - expected[0]) < 1e-9);

    // The line between the two is drawn over the walls, and goes with Escape.
    const TWindowPoint pa = At(a), pb = At(b);
    const double mx = (pa.X + pb.X) / 2, my = (pa.Y + pb.Y) / 2;
    QVERIFY(ColourAround(Frame(), mx, my, 1, 255, 255, 255));
    QVERIFY(ColourAround(Frame(), pb.X, pb.Y, 0, 0, 255, 255));
    QTest::keyClick(form.get(), Qt::Key_Escape);
    QCOMPARE(Tool().Selected(), -1);
    QCOMPARE(Tool().MeasuredTo(), -1);
    QVERIFY(Status().isEmpty());
    QVERIFY(!ColourAround(Frame(), mx, my, 0, 255, 255, 255));
    QVERIFY(!ColourAround(Frame(), pb.X, pb.Y, 0, 0, 255, 255));

    // Shift+click with nothing picked first just picks.
    ClickAt(QPointF(At(b).X, At(b).Y), Qt::ShiftModifier);
    QCOMPARE(Tool().Selected(), b);
    QCOMPARE(Tool().MeasuredTo(), -1);
    QTest::keyClick(form.get(), Qt::Key_Escape);
    Home();
  }

  void findFliesToEachMatch() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto* edit = Find<QLineEdit>("FindEdit");
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(edit->hasFocus());
    // Counted here over the index's names with a regular expression.
    const QRegularExpression re("^a1.$", QRegularExpression::CaseInsensitiveOption);
    std::vector<int> expected;
    for (int i = 0; i < Index().Count(); ++i)
      if (re.match(QString::fromStdString(Index().Name(i))).hasMatch()) expected.push_back(i);
    QVERIFY(expected.size() > 2);
    QTest::keyClicks(edit, "a1?");
    const auto* v = form->Viewer();
    // The first Enter frames them all, within the margin.
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(Tool().Matches(), expected);
    QCOMPARE(Tool().Selected(), -1);
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int e : expected) {
      const TWindowPoint p = At(e);
      minX = std::min(minX, p.X), maxX = std::max(maxX, p.X), minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    const double mx = TStationTool::kFrameMargin * v->width(), my = TStationTool::kFrameMargin * v->height();
    QVERIFY2(minX >= mx - 1 && maxX <= v->width() - mx + 1 && minY >= my - 1 && maxY <= v->height() - my + 1,
             qPrintable(QString("%1..%2 x %3..%4").arg(minX).arg(maxX).arg(minY).arg(maxY)));
    // Zoomed to fit: some match touches the margin.
    QVERIFY(std::abs(minX - mx) < 1 || std::abs(maxX - v->width() + mx) < 1 || std::abs(minY - my) < 1 ||
            std::abs(maxY - v->height() + my) < 1);
    for (size_t k = 0; k < 3; ++k) {
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(Tool().Matches(), expected);
      QCOMPARE(Tool().Selected(), expected[k]);
      QVERIFY2(Status().startsWith(QString("%1 matches for \"a1?\", %2 of %1: ").arg(expected.size()).arg(k + 1)),
               qPrintable(Status()));
      const QImage image = Frame();
      const TWindowPoint p = At(expected[k]);
      QVERIFY(std::abs(p.X - v->width() / 2.0) < 0.5 && std::abs(p.Y - v->height() / 2.0) < 0.5);
      // The current match's marker sits in the middle of the picture.
      QVERIFY(ColourAround(image, v->width() / 2.0, v->height() / 2.0, 0, 0, 255, 255));
    }
    // Every other match in view carries a marker.
    const QImage image = Frame();
    int marked = 0, inView = 0;
    for (int e : expected) {
      TWindowPoint p;
      if (e == Tool().Selected() || !Tool().WindowPosition(e, p) ||
          !image.rect().adjusted(8, 8, -8, -8).contains(p.X, p.Y))
        continue;
      ++inView;
      if (ColourAround(image, p.X, p.Y, 5, 255, 0, 255)) ++marked;
    }
    QCOMPARE(marked, inView);

    edit->selectAll();
    QTest::keyClicks(edit, "nosuch*");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(Tool().Matches().empty());
    QCOMPARE(Tool().Selected(), -1);
    QCOMPARE(Status(), QString("no match for \"nosuch*\""));

    // An exact name comes first; Escape from the box clears the highlight.
    edit->selectAll();
    QTest::keyClicks(edit, "A1");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(Tool().Matches().size() > 1);
    QCOMPARE(Tool().Matches().front(), Index().FindExact("a1").front());
    QVERIFY(Status().startsWith(QString("%1 matches for \"A1\", all framed").arg(Tool().Matches().size())));
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(Tool().Matches().empty());
    QVERIFY(Status().isEmpty());
  }

  void plainTextIsFoundAnywhereAndListed() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto* edit = Find<QLineEdit>("FindEdit");
    edit->setFocus();
    edit->clear();
    // Counted here: names holding "1" anywhere, case aside, exact first.
    std::vector<int> expected;
    for (int i = 0; i < Index().Count(); ++i)
      if (QString::fromStdString(Index().Name(i)).contains('1')) expected.push_back(i);
    QVERIFY(expected.size() > 20);
    QTest::keyClicks(edit, "1");
    std::vector<int> found = Tool().Matches();
    std::sort(found.begin(), found.end());
    QCOMPARE(found, expected);
    QTreeWidget* list = Tool().MatchList();
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(list->topLevelItemCount(), std::min<int>(static_cast<int>(expected.size()), 200));
    const QTreeWidgetItem* row = list->topLevelItem(2);
    const int e = row->data(0, Qt::UserRole).toInt();
    QCOMPARE(row->text(0), QString::fromStdString(Index().Name(e)));
    QCOMPARE(row->text(1).toStdString(), std::string(Index().SurveyName(e)));
    QCOMPARE(row->text(2), QString::number(Index().Depth(e), 'f', 2) + " ft");
    // Down to the third row and Enter: that station, framed in the middle.
    for (int k = 0; k < 3; ++k) QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!list->isVisible());
    QCOMPARE(Tool().Selected(), e);
    QVERIFY(std::abs(At(e).X - form->Viewer()->width() / 2.0) < 0.5);

    // The field shows what fits, the tooltip and Ctrl+C the whole text.
    Home();
    form->Scene().CaveFrame->Position.z *= 0.1;
    Frame();
    const int a = LoneStation(1), b = LoneStation(4);
    ClickAt(QPointF(At(a).X, At(a).Y));
    ClickAt(QPointF(At(b).X, At(b).Y), Qt::ShiftModifier);
    auto* field = Find<QLabel>("StationDis");
    QCOMPARE(field->toolTip(), Status());
    QVERIFY(field->fontMetrics().horizontalAdvance(field->text()) <= field->contentsRect().width());
    QVERIFY(Status().startsWith(field->text().left(8)));
    form->Viewer()->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(form->Viewer(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), Status());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    Home();
  }
};

QTEST_MAIN(FindTest)
#include "find_test.moc"
