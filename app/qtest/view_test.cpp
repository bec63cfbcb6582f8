// The view as a caver drives it: every key of the help's key table, the
// View menu's overlays and their settings, the colourings, the swatches,
// label thinning, and files that are not caves.

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>

#include <cmath>

#include "app/OptionsPanel.h"
#include "app/core/CaveViews.h"
#include "app/core/GLSettings.h"
#include "app/qtest/MainWindowFixture.h"
#include "controls/ReopenMenu.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"

using namespace lumora;

namespace {

bool SameTurn(const TQuaternion& a, const TQuaternion& b) {
  const double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  return std::abs(std::abs(dot) - 1) < 1e-9;
}

}  // namespace

// One window for all the tests: each goes on from the view the last left.
class ViewTest : public QObject, TMainWindowFixture {
  Q_OBJECT

 private:
  void Key(const QKeySequence& key) {
    form->Viewer()->setFocus();
    const QKeyCombination k = key[0];
    QTest::keyClick(form->Viewer(), k.key(), k.keyboardModifiers());
  }
  // Every extent point inside the view, and the cave across most of it.
  void VerifyFitted() {
    const double w = form->Viewer()->width(), h = form->Viewer()->height();
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const T3DVector& p : ExtentPoints(form->Scene())) {
      const T3DVector s = ScreenPoint(Cave(), p, w, h);
      x0 = std::min(x0, s.x), x1 = std::max(x1, s.x), y0 = std::min(y0, s.y), y1 = std::max(y1, s.y);
    }
    QVERIFY(x0 >= 0 && x1 <= w && y0 >= 0 && y1 <= h);
    QVERIFY((x1 - x0) > 0.8 * w || (y1 - y0) > 0.8 * h);
  }

 private slots:
  void initTestCase() {
    QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string()));
    ShowWindow(form, 800, 560, nullptr, &errors);
    if (QTest::currentTestFailed()) return;
    // Shortcuts need the active window; without a window manager ask for it.
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    QTRY_VERIFY(QApplication::activeWindow() == form.get());
    QTRY_VERIFY(form->SceneCreated());
    form->LoadCave(kDemo);
    QVERIFY(!form->Loading());
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 0);
    Render();
  }

  void init() { errors.clear(); }

  // Every key the help lists belongs to a command of the window.
  void helpKeysAreTheWindowsKeys() {
    QFile help(":/help/navigation.html");
    QVERIFY(help.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(help.readAll());
    const QString table = html.mid(html.indexOf("id=\"keys\""));
    QList<QKeySequence> listed;
    const QRegularExpression row("<tr><td>([^<]+)</td>");
    for (auto it = row.globalMatch(table.left(table.indexOf("</table>"))); it.hasNext();)
      for (const QString& k : it.next().captured(1).split(", "))
        listed << QKeySequence::fromString(k.trimmed(), QKeySequence::PortableText);
    QVERIFY(listed.size() >= 18);
    for (const QKeySequence& k : listed) {
      bool found = false;
      for (QAction* a : form->findChildren<QAction*>())
        if (a->shortcuts().contains(k)) found = true;
      QVERIFY2(found, qPrintable(k.toString()));
    }
  }

  void planElevationAndFitKeys() {
    Key(Qt::Key_P);
    QCOMPARE(std::lround(ViewTilt(Cave())), 90L);
    QVERIFY(std::abs(ViewBearing(Cave())) < 1e-6);
    VerifyFitted();
    // L: north, then round the compass, then north again.
    for (double bearing : {0.0, 90.0, 180.0, 270.0, 0.0}) {
      Key(Qt::Key_L);
      QVERIFY(std::abs(ViewTilt(Cave())) < 1e-6);
      QVERIFY2(std::abs(ViewBearing(Cave()) - bearing) < 1e-6, qPrintable(QString::number(ViewBearing(Cave()))));
      VerifyFitted();
    }
    // F keeps the turn and fits it.
    Cave().Rotate(30, 40, 0);
    const TQuaternion turned = Cave().Orientation;
    Cave().Translate(500, -300, -2000);
    Key(Qt::Key_F);
    QVERIFY(SameTurn(Cave().Orientation, turned));
    VerifyFitted();
  }

  void zoomKeysStepByATenth() {
    Key(Qt::Key_F);
    struct Case {
      QKeySequence key;
      double factor;
    };
    for (const Case& c :
         {Case{Qt::Key_Plus, 1.1}, Case{Qt::Key_Equal, 1.1}, Case{Qt::KeypadModifier | Qt::Key_Plus, 1.1},
          Case{Qt::Key_Minus, 1 / 1.1}, Case{Qt::KeypadModifier | Qt::Key_Minus, 1 / 1.1}}) {
      const double before = ViewScale(Cave());
      Key(c.key);
      QVERIFY2(std::abs(ViewScale(Cave()) / before - c.factor) < 1e-9, qPrintable(c.key.toString()));
    }
  }

  void arrowsTurnTiltAndPan() {
    Key(Qt::Key_L);  // a level view, whatever came before
    while (std::abs(ViewBearing(Cave())) > 1e-6) Key(Qt::Key_L);
    const double step = Find<QDoubleSpinBox>("IncSpin")->value();
    auto bearingAfter = [&](Qt::Key k) {
      const double b = ViewBearing(Cave());
      Key(k);
      double d = ViewBearing(Cave()) - b;
      if (d > 180) d -= 360;
      if (d < -180) d += 360;
      return d;
    };
    const double left = bearingAfter(Qt::Key_Left), right = bearingAfter(Qt::Key_Right);
    QVERIFY(std::abs(std::abs(left) - step) < 1e-6);
    QVERIFY(std::abs(left + right) < 1e-6);
    const double tilt = ViewTilt(Cave());
    Key(Qt::Key_Down);
    const double down = ViewTilt(Cave()) - tilt;
    QVERIFY(std::abs(std::abs(down) - step) < 1e-6);
    Key(Qt::Key_Up);
    QVERIFY(std::abs(ViewTilt(Cave()) - tilt) < 1e-6);

    // Pans move without turning, and opposite keys undo each other.
    const TQuaternion turn = Cave().Orientation;
    for (auto [a, b, axis] : {std::tuple{Qt::Key_Left, Qt::Key_Right, 0}, std::tuple{Qt::Key_Up, Qt::Key_Down, 1}}) {
      const T3DVector p = Cave().Position;
      Key(QKeySequence(Qt::CTRL | a));
      const T3DVector q = Cave().Position;
      QVERIFY((axis == 0 ? std::abs(q.x - p.x) : std::abs(q.y - p.y)) > 1e-6);
      Key(QKeySequence(Qt::CTRL | b));
      QVERIFY(std::abs(Cave().Position.x - p.x) < 1e-6 && std::abs(Cave().Position.y - p.y) < 1e-6);
      QVERIFY(SameTurn(Cave().Orientation, turn));
    }
    // As the tool bar's Pan Left: the view moves left, the cave right.
    const T3DVector centre = Scale(Add(Cave().GetMin(), Cave().GetMax()), 0.5);
    const double w = form->Viewer()->width(), h = form->Viewer()->height();
    const double x = ScreenPoint(Cave(), centre, w, h).x;
    Key(QKeySequence(Qt::CTRL | Qt::Key_Left));
    QVERIFY(ScreenPoint(Cave(), centre, w, h).x > x + 1);
  }

  void spaceAnimatesAndHomeGoesHome() {
    auto* animate = Find<QToolButton>("AnimateBtn");
    QVERIFY(!animate->isChecked());
    Key(Qt::Key_Space);
    QVERIFY(animate->isChecked());
    Key(Qt::Key_Space);
    QVERIFY(!animate->isChecked());
    Key(Qt::Key_P);
    Key(Qt::Key_Plus);
    Key(Qt::Key_Home);
    QVERIFY(SameTurn(Cave().Orientation, FromEuler(Cave().HomeAngles[0], Cave().HomeAngles[1], Cave().HomeAngles[2])));
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);
  }

  // The overlays are where the layout puts them, switch with the menu and
  // are remembered in the settings file.
  void overlaysFromTheMenu() {
    Key(Qt::Key_P);
    Find<QCheckBox>("DepthChk")->setChecked(true);
    const QImage on = Render();
    const TCaveDocument& document = form->Document();
    const TOverlayContent content =
        OverlayContent(form->Scene(), document.Model, document.PassageOptions, form->Coloring(), document.Units);
    const TOverlayLayout l = LayoutOverlays(content, form->Viewer()->width(), form->Viewer()->height());
    QCOMPARE(content.Key.size(), size_t{23});
    const qreal dpr = on.devicePixelRatio();
    auto pixel = [&](const QImage& image, double x, double y) {
      return image.pixel(static_cast<int>(x * dpr), static_cast<int>(y * dpr)) & 0xFFFFFF;
    };
    auto rgb = [](uint32_t c) { return QRgb((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF)); };
    for (size_t i = 0; i < content.Key.size(); ++i) {
      const TPixelRect& r = l.KeySwatches[i];
      QCOMPARE(pixel(on, r.Left + r.Width / 2, r.Top + r.Height / 2), rgb(content.Key[i].Color));
    }
    const double barY = l.ScaleBar.Top + l.ScaleBar.Height / 2;
    QCOMPARE(pixel(on, l.ScaleBar.Left + l.ScaleBar.Width / 2, barY), QRgb(0xFFFFFF));

    auto* bar = Find<QAction>("ScaleBarMnu");
    QVERIFY(bar->isChecked());
    bar->trigger();
    const QImage off = Render();
    QCOMPARE(pixel(off, l.ScaleBar.Left + l.ScaleBar.Width / 2, barY), QRgb(0));
    QVERIFY(!TIniFile(RecentFilesSettingsPath()).ReadBool("View", "ScaleBar", true));
    bar->trigger();
    QVERIFY(TIniFile(RecentFilesSettingsPath()).ReadBool("View", "ScaleBar", false));

    // Without a colouring there is no key.
    Find<QCheckBox>("DepthChk")->setChecked(false);
    const QImage plain = Render();
    const TPixelRect& first = l.KeySwatches[0];
    QVERIFY(pixel(plain, first.Left + first.Width / 2, first.Top + first.Height / 2) != rgb(content.Key[0].Color));
  }

  void coloursExcludeEachOtherAndSwatchesShowTheirColours() {
    auto* depth = Find<QCheckBox>("DepthChk");
    auto* date = Find<QCheckBox>("DateChk");
    auto* survey = Find<QCheckBox>("SurveyChk");
    depth->setChecked(true);
    date->setChecked(true);
    QVERIFY(!depth->isChecked());
    QCOMPARE(form->Coloring(), TWallColoring::Date);
    survey->setChecked(true);
    QVERIFY(!date->isChecked());
    QCOMPARE(form->Coloring(), TWallColoring::Survey);
    survey->setChecked(false);
    QCOMPARE(form->Coloring(), TWallColoring::Plain);
    QCOMPARE(form->Scene().Centreline->GetColor(), Find<TColorDisplay>("WallColorDis")->Color());

    form->Options()->setCurrentIndex(1);  // Colors
    for (const char* name : {"WallColorDis", "ShotColorDis", "BoundingBoxDis", "SplayColorDis"}) {
      auto* swatch = Find<TColorDisplay>(name);
      const QImage image = swatch->grab().toImage();
      QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), swatch->SwatchColor());
    }
  }

  void labelThinningFollowsItsBox() {
    auto* thin = Find<QCheckBox>("ThinLabelsChk");
    QVERIFY(thin->isChecked());
    QVERIFY(form->Scene().Labels->HideOverlapping);
    Find<QCheckBox>("LabelsChk")->setChecked(true);
    Key(Qt::Key_P);
    Render();
    const size_t thinned = form->Scene().Labels->DrawnBoxes.size();
    thin->setChecked(false);
    Render();
    const size_t all = form->Scene().Labels->DrawnBoxes.size();
    QVERIFY(thinned > 0);
    QVERIFY(thinned < all);
    thin->setChecked(true);
    Find<QCheckBox>("LabelsChk")->setChecked(false);
  }

  // Files that are not caves are refused by name and change nothing.
  void filesWithoutRecordsAreRefused() {
    const int triangles = form->Scene().PassageMesh->ColorCount();
    const QString title = form->windowTitle(), current = form->CurrentPlotFile;
    const auto recent = form->ReopenMenu()->Paths();
    struct Bad {
      const char* name;
      QByteArray bytes;
    };
    QByteArray binary;
    for (int i = 0; i < 4096; ++i) binary.append(static_cast<char>((i * 7919 + 13) & 0xFF));
    for (const Bad& b :
         {Bad{"empty.plt", {}}, Bad{"binary.plt", binary}, Bad{"table.plt", "name,x,y,z\nA1,1,2,3\nA2,4,5,6\n"}}) {
      const QString path = temp.filePath(b.name);
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(b.bytes);
      f.close();
      errors.clear();
      form->LoadCave(path);
      QCOMPARE(errors.size(), 1);
      QVERIFY2(errors[0].contains(b.name), qPrintable(errors[0]));
      QCOMPARE(form->Scene().PassageMesh->ColorCount(), triangles);
      QCOMPARE(form->windowTitle(), title);
      QCOMPARE(form->CurrentPlotFile, current);
      QCOMPARE(form->ReopenMenu()->Paths(), recent);
      QVERIFY(form->Document().Model.Plots.Count() > 0);
    }
  }

  // An extended elevation is shown as an elevation only, and a file of
  // fixed points without legs shows its stations and their names.
  void extendedElevationsAndFilesWithoutLegs() {
    if (QProcess::execute("sh", {"-c", "command -v cavern && command -v extend"}) != 0) QSKIP("no Survex");
    const QString data = LUMORA_SOURCE_DIR "/model/tests/data/survex/";
    const QString nested = temp.filePath("nested.3d"), ext = temp.filePath("ext.3d"), fixes = temp.filePath("fixes.3d");
    QCOMPARE(QProcess::execute("cavern", {"-q", "-o", nested, data + "nested.svx"}), 0);
    QCOMPARE(QProcess::execute("extend", {nested, ext}), 0);
    QCOMPARE(QProcess::execute("cavern", {"-q", "-o", fixes, data + "fixes.svx"}), 0);

    form->LoadCave(ext);
    QVERIFY(errors.isEmpty());
    QVERIFY(!Find<QToolButton>("YawLeftBtn")->isEnabled());
    QVERIFY(!form->findChild<QAction*>("PlanMnu")->isEnabled());
    QVERIFY(Find<QLabel>("ViewKindDis")->text().contains("Extended elevation"));
    const TQuaternion before = Cave().Orientation;
    Key(Qt::Key_Left);
    Click("YawRightBtn");
    QVERIFY(SameTurn(Cave().Orientation, before));
    Key(Qt::Key_Up);  // tilting stays
    QVERIFY(!SameTurn(Cave().Orientation, before));

    form->LoadCave(fixes);
    QVERIFY(errors.isEmpty());
    QVERIFY(Find<QCheckBox>("StationsChk")->isChecked() && Find<QCheckBox>("LabelsChk")->isChecked());
    QVERIFY(form->Scene().Stations->Visible && form->Scene().Labels->Visible);
    QVERIFY(Find<QToolButton>("YawLeftBtn")->isEnabled());
    QVERIFY(Find<QLabel>("ViewKindDis")->isHidden());

    form->LoadCave(kDemo);
    Find<QCheckBox>("StationsChk")->setChecked(false);
    Find<QCheckBox>("LabelsChk")->setChecked(false);
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
