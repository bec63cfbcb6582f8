// The main window's File menu and loads, each test in a fresh window: a
// load shows the walls only, its centreline first, recent files, a second
// load refused while one runs, events during a load, a failed load,
// dropped files, opening and reloading through the menu, X files saved and
// loaded, the scene saved as glTF.

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenuBar>
#include <QMimeData>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

#include <filesystem>

#include "app/core/CaveGltf.h"
#include "app/core/GLSettings.h"
#include "app/qtest/MainWindowFixture.h"
#include "controls/ReopenMenu.h"
#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"

using namespace lumora;

namespace {

// A glTF file's groups, and its wall meshes in order: name, triangles and
// the distinct vertex colours.
struct TWallMesh {
  QString Name;
  int Triangles = 0;
  QSet<uint32_t> Colors;
  bool operator==(const TWallMesh& o) const { return Name == o.Name && Triangles == o.Triangles; }
};
struct TGltfContent {
  QStringList Groups;
  QList<TWallMesh> Walls;
};

TGltfContent ReadGltf(const QString& path) {
  QFile f(path), bin(QString(path).replace(".gltf", ".bin"));
  if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
  QByteArray json = f.readAll(), binary;
  if (json.startsWith("glTF")) {
    const uint32_t length = qFromLittleEndian<uint32_t>(json.constData() + 12);
    binary = json.mid(28 + length);
    json = json.mid(20, length);
  } else if (bin.open(QIODevice::ReadOnly)) {
    binary = bin.readAll();
  }
  const QJsonObject doc = QJsonDocument::fromJson(json).object();
  const QJsonArray nodes = doc["nodes"].toArray(), accessors = doc["accessors"].toArray();
  TGltfContent c;
  for (const QJsonValue g : nodes[0]["children"].toArray()) {
    c.Groups << nodes[g.toInt()]["name"].toString();
    for (const QJsonValue child : nodes[g.toInt()]["children"].toArray()) {
      const QJsonObject node = nodes[child.toInt()].toObject();
      if (c.Groups.last() != "Walls") break;
      const QJsonObject primitive = doc["meshes"][node["mesh"].toInt()]["primitives"][0].toObject();
      TWallMesh m{node["name"].toString(), accessors[primitive["indices"].toInt()]["count"].toInt() / 3, {}};
      const QJsonObject a = accessors[primitive["attributes"]["COLOR_0"].toInt(-1)].toObject();
      const int at = doc["bufferViews"][a["bufferView"].toInt()]["byteOffset"].toInt();
      for (int i = 0; i < a["count"].toInt(); ++i)
        m.Colors.insert(qFromLittleEndian<uint32_t>(binary.constData() + at + 4 * i));
      c.Walls << m;
    }
  }
  return c;
}

}  // namespace

class WindowFileMenuTest : public QObject, TMainWindowFixture {
  Q_OBJECT

  int ticksWhileLoading = 0;

 private slots:
  void initTestCase() { QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string())); }
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void loadShowsWallsOnly() {
    // Checked before the load; the load's display defaults clear them.
    Find<QCheckBox>("StationsChk")->setChecked(true);
    Find<QCheckBox>("ShotChk")->setChecked(true);
    Find<QCheckBox>("SplayChk")->setChecked(true);
    Load(kDemo);
    QVERIFY(errors.isEmpty());
    QCOMPARE(form->windowTitle(), QString("Lumora - demo.plt"));
    QCOMPARE(form->CurrentPlotFile, kDemo);
    const TCaveScene& s = form->Scene();
    QVERIFY(s.PassageMesh->ColorCount() > 1000);
    QVERIFY(s.Shots->Segments.Count() > 0);
    QVERIFY(s.PassageMesh->Visible);
    QVERIFY(!s.Shots->Visible && !s.Splays->Visible && !s.Stations->Visible);
    QVERIFY(!s.LineBox->Visible && !s.PassageBox->Visible && !s.Hull->Visible);
    QVERIFY(Find<QCheckBox>("WallsChk")->isChecked());
    for (const char* box : {"StationsChk", "ShotChk", "SplayChk", "DepthChk", "RockTextureChk"})
      QVERIFY2(!Find<QCheckBox>(box)->isChecked(), box);
    // Checking a box afterwards shows its objects.
    Find<QCheckBox>("ShotChk")->setChecked(true);
    QVERIFY(s.Shots->Visible);
    Find<QCheckBox>("ShotChk")->setChecked(false);
    QVERIFY(!s.Shots->Visible);
  }

  void centrelineShownWhileWallsBuild() {
    // The pictures put on screen while the load runs: the walls yet to come,
    // the centreline in its red.
    struct TFrame {
      int faces, segments, redPixels;
    };
    QList<TFrame> during;
    const TCaveScene& s = form->Scene();
    connect(form->Viewer(), &QOpenGLWidget::frameSwapped, form.get(), [&] {
      if (!form->Loading()) return;
      const QImage picture = form->Viewer()->grabFramebuffer();
      int red = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          const QColor c = picture.pixelColor(x, y);
          red += c.red() > 128 && c.green() < 64 && c.blue() < 64;
        }
      during << TFrame{s.PassageMesh->ColorCount(), s.Centreline->SegmentCount(), red};
    });
    Load(kDemo);
    const auto centreline = std::find_if(during.begin(), during.end(), [](const TFrame& f) { return f.segments > 0; });
    QVERIFY(centreline != during.end());
    QCOMPARE(centreline->faces, 0);
    QVERIFY2(centreline->redPixels > 200, qPrintable(QString::number(centreline->redPixels)));
    QVERIFY(s.PassageMesh->ColorCount() > 1000);
  }

  void recentFilesThroughTheWindow() {
    const QString second = CopyOfDemo("second.plt");
    Load(kDemo);
    Load(second);
    QCOMPARE(form->windowTitle(), QString("Lumora - second.plt"));
    auto paths = form->ReopenMenu()->Paths();
    QVERIFY(paths.size() >= 2);
    QCOMPARE(QString::fromStdString(paths[0].string()), second);
    QCOMPARE(QString::fromStdString(paths[1].string()), kDemo);
    const QList<QAction*> items = form->ReopenMenu()->actions();
    QCOMPARE(items.at(0)->text(), QString("&1 second.plt"));
    QCOMPARE(items.at(1)->text(), QString("&2 demo.plt"));
    // The list is in the settings file.
    const TIniFile ini(RecentFilesSettingsPath());
    QCOMPARE(QString::fromStdString(ini.ReadString("history", "Path0", "")), second);

    // Choosing an entry opens it from its folder.
    items.at(1)->trigger();
    QCOMPARE(form->windowTitle(), QString("Lumora - demo.plt"));
    QCOMPARE(form->CurrentPlotFile, kDemo);
    QCOMPARE(QDir::currentPath(), QFileInfo(kDemo).absolutePath());
    QCOMPARE(QString::fromStdString(form->ReopenMenu()->Paths()[0].string()), kDemo);
  }

  // A settings file that cannot be read is said once and never written over.
  void unreadableSettingsSaidOnce() {
    const std::filesystem::path path = RecentFilesSettingsPath();
    CloseWindow();
    std::filesystem::remove_all(path);
    QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    OpenWindow();
    Load(kDemo);
    QTest::qWait(50);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QString::fromStdString(path.string())), qPrintable(errors[0]));
    CloseWindow();
    QVERIFY(std::filesystem::is_fifo(path));
    std::filesystem::remove_all(path);
    OpenWindow();
  }

  void secondLoadRefusedWhileLoading() {
    // The reader's warning box shows while the load runs; a load asked for
    // from there is refused.
    const QString other = CopyOfDemo("other.plt");
    const QString missing = temp.filePath("missing.plt");
    bool loadingThen = false;
    form->ErrorBox = [&](const QString& text) {
      errors << text;
      loadingThen = form->Loading();
      form->LoadCave(other);
      Find<QAction>("ReloadMnu")->trigger();
    };
    form->LoadCave(missing);
    form->ErrorBox = [this](const QString& t) { errors << t; };
    QVERIFY(loadingThen);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(form->CurrentPlotFile, missing);
    QCOMPARE(form->windowTitle(), QString("Lumora - missing.plt"));
    for (const auto& p : form->ReopenMenu()->Paths()) QVERIFY(QString::fromStdString(p.string()) != other);
  }

  void eventsRunDuringALoad() {
    const QString big = temp.filePath("big.plt");
    {
      TDemoOptions o;
      o.Stations = 60000;
      QFile f(big);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray::fromStdString(GenerateDemoCave(o).Text));
    }
    ticksWhileLoading = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [this] { ticksWhileLoading += form->Loading(); });
    tick.start(5);
    QElapsedTimer clock;
    clock.start();
    Load(big);
    tick.stop();
    qInfo("60 000-station load: %lld ms, %d timer ticks during it", clock.elapsed(), ticksWhileLoading);
    QVERIFY(ticksWhileLoading > 0);
    QVERIFY(!form->Loading() && Find<QWidget>("OptionsPanel")->isEnabled() && form->menuBar()->isEnabled());
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 10 * 58896);
    Load(kDemo);
  }

  void fileWithoutRecordsLeavesTheCaveShown() {
    Load(kDemo);
    const int faces = form->Scene().PassageMesh->ColorCount();
    const QString title = form->windowTitle();
    for (const QByteArray& content : {QByteArray(), QByteArray("\x00\x01\xff binary", 10), QByteArray("Z 0 0\r\n")}) {
      const QString file = temp.filePath("norecords.plt");
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
      f.close();
      errors.clear();
      form->LoadCave(file);
      QCOMPARE(errors.size(), 1);
      QVERIFY2(errors[0].contains("The cave shown stays"), qPrintable(errors[0]));
      QCOMPARE(form->Scene().PassageMesh->ColorCount(), faces);
      QCOMPARE(form->windowTitle(), title);
      QVERIFY(!form->Loading() && form->menuBar()->isEnabled());
    }
  }

  void failedLoadLeavesTheWindowUsable() {
    const QString missing = temp.filePath("missing.plt");
    form->LoadCave(missing);
    QVERIFY(!form->Loading());
    QVERIFY(!errors.isEmpty());
    QVERIFY(form->menuBar()->isEnabled());
    QVERIFY(form->Viewer()->Enabled);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    Load(kDemo);
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 1000);
  }

  void droppedPlotFileOpens() {
    const QString dropped = CopyOfDemo("dropped.PLT");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    QCOMPARE(form->windowTitle(), QString("Lumora - dropped.PLT"));

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(temp.filePath("notes.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(form.get(), &refused);
    QVERIFY(!refused.isAccepted());
  }

  void openAndReloadThroughTheMenu() {
    const QString opened = CopyOfDemo("opened.plf");
    QStringList asked;
    form->AskFileName = [&](const QString& title, const QString& filter, const QString& suffix, bool save) {
      asked << title << filter << suffix << (save ? "save" : "open");
      return opened;
    };
    Find<QAction>("OpenPlotFileMnu")->trigger();
    QCOMPARE(asked, (QStringList{"Open Plot File",
                                 "Survey files (*.plt *.plf *.3d *.lox);;Bramble Plot Files (*.plt *.plf);;"
                                 "Survex 3D Files (*.3d);;Therion Models (*.lox);;All Files (*)",
                                 "plt", "open"}));
    QCOMPARE(form->windowTitle(), QString("Lumora - opened.plf"));
    QCOMPARE(QDir::currentPath(), temp.path());
    // F5 loads the same file again from the home view.
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    Click("ZoomInBtn");
    Find<QAction>("ReloadMnu")->trigger();
    QCOMPARE(form->CurrentPlotFile, opened);
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);
    // A cancelled dialog loads nothing.
    form->AskFileName = [](const QString&, const QString&, const QString&, bool) { return QString(); };
    Find<QAction>("OpenPlotFileMnu")->trigger();
    QCOMPARE(form->CurrentPlotFile, opened);
  }

  void xFilesSaveAndLoad() {
    Load(kDemo);
    const QString xfile = temp.filePath("cave.x");
    const int faces = form->Scene().PassageMesh->ColorCount();
    form->AskFileName = [&](const QString&, const QString&, const QString&, bool) { return xfile; };
    Find<QAction>("SaveXFileMnu")->trigger();
    QVERIFY(errors.isEmpty());
    QVERIFY(QFileInfo(xfile).size() > 1000);
    Find<QAction>("LoadXFileMnu")->trigger();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QCOMPARE(form->windowTitle(), xfile);
    const TGLObjectList& meshes = form->Viewer()->Frame.Meshes;
    int loaded = 0;
    for (int i = 0; i < meshes.Count(); ++i) loaded += static_cast<TGLCustomMesh*>(meshes[i])->ColorCount();
    QCOMPARE(loaded, faces);
    QVERIFY(form->Viewer()->Enabled);
    // A file that is not an X file is reported; the view stays usable.
    form->AskFileName = [](const QString&, const QString&, const QString&, bool) { return kDemo; };
    Find<QAction>("LoadXFileMnu")->trigger();
    QCOMPARE(errors, QStringList{"Invalid File"});
    QVERIFY(form->Viewer()->Enabled);
  }

  // The walls as shown, survey by survey, are those the exporter builds
  // with the same settings, in the colours of the view.
  void gltfSavesTheSceneAsShown() {
    Load(kDemo);
    Find<QCheckBox>("SurveyChk")->setChecked(true);
    QString file = temp.filePath("scene.glb");
    form->AskFileName = [&](const QString&, const QString&, const QString&, bool) { return file; };
    Find<QAction>("SaveGltfMnu")->trigger();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    const TGltfContent shown = ReadGltf(file);
    QCOMPARE(shown.Groups, QStringList({"Walls", "Centreline", "Stations"}));
    int triangles = 0;
    for (const TWallMesh& m : shown.Walls) triangles += m.Triangles;
    QCOMPARE(triangles, form->Scene().PassageMesh->ColorCount());

    TExportOptions options;
    TSilentProgress progress;
    TGltfRequest request;
    request.Coloring = TWallColoring::Survey;
    const QString exported = temp.filePath("exported.glb");
    TCaveDocument& d = form->Document();
    write_gltf(exported.toStdString(), {d.Model, options, d.PassageOptions, d.PassageState, progress}, request);
    // The window's scene stays in its units for what comes next.
    QVERIFY(!d.PassageOptions.ConvertToMetres);
    const TGltfContent built = ReadGltf(exported);
    QVERIFY(built.Walls.size() > 10);
    QVERIFY(built.Walls == shown.Walls);
    for (int i = 0; i < built.Walls.size(); ++i) {
      // The view paints a corner two surveys share in the later one's colour.
      const uint32_t own = GltfLinearColor(SurveyColor(built.Walls[i].Name.toStdString()));
      QCOMPARE(built.Walls[i].Colors, QSet<uint32_t>{own});
      QVERIFY(shown.Walls[i].Colors.contains(own));
    }

    // What is hidden stays out.
    Find<QCheckBox>("WallsChk")->setChecked(false);
    Find<QCheckBox>("SplayChk")->setChecked(true);
    file = temp.filePath("splays.gltf");
    Find<QAction>("SaveGltfMnu")->trigger();
    QVERIFY(errors.isEmpty());
    QCOMPARE(ReadGltf(file).Groups, QStringList({"Splays", "Stations"}));
    QVERIFY(QFileInfo(temp.filePath("splays.bin")).size() > 1000);
  }
};

QTEST_MAIN(WindowFileMenuTest)
#include "window_file_menu_test.moc"
