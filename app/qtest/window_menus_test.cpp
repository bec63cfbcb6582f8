// The main window's menus and program, each test in a fresh window: which
// items are ready and their shortcuts, the dialogs of the Tools, Settings
// and Help menus, the program's options, and the window's size kept.

#include <QAction>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include "app/core/GLSettings.h"
#include "app/qtest/MainWindowFixture.h"

using namespace lumora;

class WindowMenusTest : public QObject, TMainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string())); }
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void menusAndTools() {
    for (const char* name : {"OpenPlotFileMnu", "LoadXFileMnu",   "SaveXFileMnu",      "ExportMnu",   "SaveBitmapMnu",
                             "CopyMnu",         "ArmCaptureMnu",  "PassageModelMnu",   "LightingMnu", "MaterialsMnu",
                             "RenderingMnu",    "TestObjectsMnu", "CaptureOptionsMnu", "SettingsMnu", "SaveSettingsMnu",
                             "ContentsMnu",     "AboutMnu",       "ExitMnu",           "RoseMnu",     "VolumeMnu"})
      QVERIFY2(Find<QAction>(name)->isEnabled(), name);
    QCOMPARE(Find<QAction>("OpenPlotFileMnu")->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(Find<QAction>("ReloadMnu")->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(Find<QToolButton>("YawRightBtn")->toolTip(), QString("Yaw Right"));
    QVERIFY(Find<QToolButton>("PanLeftBtn")->autoRepeat());
    QVERIFY(!Find<QToolButton>("ResetBtn")->autoRepeat());
    QDoubleSpinBox* inc = Find<QDoubleSpinBox>("IncSpin");
    QCOMPARE(inc->minimum(), 0.1);
    QCOMPARE(inc->maximum(), 100.0);
    QCOMPARE(inc->singleStep(), 0.5);
  }

  void dialogsFromTheMenus() {
    Load(kDemo);
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    QString title;
    // "Close" keeps the scene; "Reprocess" loads the file again, from home.
    Click("ZoomInBtn");
    const double zoomed = Cave().Position.z;
    OnNextDialog([](QWidget* d) { Press(d, "Close"); }, &title);
    Find<QAction>("PassageModelMnu")->trigger();
    QCOMPARE(title, QString("Cave Mesh Settings"));
    QCOMPARE(Cave().Position.z, zoomed);
    OnNextDialog([](QWidget* d) { Press(d, "Reprocess"); }, &title);
    Find<QAction>("PassageModelMnu")->trigger();
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);

    QVERIFY(form->Document().Units.UnitsFeet);
    OnNextDialog(
        [](QWidget* d) {
          Press(d, "Meters");
          Press(d, "OK");
        },
        &title);
    Find<QAction>("SettingsMnu")->trigger();
    QCOMPARE(title, QString("Environment Options"));
    QVERIFY(!form->Document().Units.UnitsFeet);
    form->Document().Units = MakeWorkingUnits(true);

    OnNextDialog([](QWidget* d) { Press(d, "OK"); }, &title);
    Find<QAction>("AboutMnu")->trigger();
    QCOMPARE(title, QString("About Lumor Viewer"));
  }

  void programOptions() {
    const QString program = QCoreApplication::applicationDirPath() + "/../lumora";
    if (!QFileInfo::exists(program)) QSKIP("the lumora program is not built");
    auto run = [&](const QStringList& args, QByteArray* out) {
      QProcess p;
      p.start(program, args);
      if (!p.waitForFinished(20000)) return -1;
      *out = p.readAllStandardOutput() + p.readAllStandardError();
      return p.exitCode();
    };
    QByteArray out;
    QCOMPARE(run({"--help"}, &out), 0);
    QVERIFY(out.startsWith("usage: lumora [OPTIONS] [PLOTFILE]"));
    QVERIFY(out.contains("--version"));
    QCOMPARE(run({"--version"}, &out), 0);
    QVERIFY(out.startsWith("lumora ") && out.trimmed().size() > 7);
    QCOMPARE(run({"--bogus"}, &out), 2);
    QVERIFY(out.contains("unknown option '--bogus'"));
    QCOMPARE(run({"a.plt", "b.plt"}, &out), 2);
  }

  void windowKeepsItsPlace() {
    form->resize(700, 460);
    QTest::qWait(20);
    const QSize size = form->size();
    QVERIFY(form->close());
    TForm1 next;
    QCOMPARE(next.size(), size);
  }
};

QTEST_MAIN(WindowMenusTest)
#include "window_menus_test.moc"
