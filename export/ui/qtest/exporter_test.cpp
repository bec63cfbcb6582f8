// The exporter window driven through its controls: defaults, enabling
// rules, settings, exports compared byte for byte with lumora-cli, and a
// failing export. The main window's hand-over is tested in app/qtest.

#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <csignal>
#include <filesystem>

#include <functional>
#include <memory>

#include "controls/ReopenMenu.h"
#include "document/CaveDocument.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "export/ui/ExporterControls.h"
#include "export/ui/ExporterForm.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "platform/Settings.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

// Every control's shown state by name, to compare two moments.
QMap<QString, QVariant> Snapshot(QWidget* form) {
  QMap<QString, QVariant> s;
  for (auto* w : form->findChildren<QCheckBox*>()) s[w->objectName()] = w->isChecked();
  for (auto* w : form->findChildren<QGroupBox*>())
    if (w->isCheckable()) s[w->objectName()] = w->isChecked();
  for (auto* w : form->findChildren<TRadioGroup*>()) s[w->objectName()] = w->ItemIndex();
  for (auto* w : form->findChildren<QDoubleSpinBox*>()) s[w->objectName()] = w->value();
  for (auto* w : form->findChildren<QSpinBox*>()) s[w->objectName()] = w->value();
  for (auto* w : form->findChildren<QSlider*>()) s[w->objectName()] = w->value();
  for (auto* w : form->findChildren<QComboBox*>()) s[w->objectName()] = w->currentIndex();
  for (auto* w : form->findChildren<TColorDisplay*>()) s[w->objectName()] = w->Color();
  for (auto* w : form->findChildren<QLineEdit*>())
    if (!w->isReadOnly() && !w->objectName().isEmpty()) s[w->objectName()] = w->text();
  s.remove(QString());
  return s;
}

}  // namespace

class ExporterTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir temp;
  TCaveDocument document;
  std::unique_ptr<TExporterForm> form;
  QStringList warnings, errors, asked;
  QString answer;  // what the file dialogs return
  uint32_t chosenColour = 0;

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TRadioGroup* Radio(const char* name) { return Find<TRadioGroup>(name); }
  void ClickItem(const char* radio, int item) { Radio(radio)->Item(item)->click(); }
  void Click(const char* button) { Find<QPushButton>(button)->click(); }
  void Trigger(const char* action) { Find<QAction>(action)->trigger(); }

  void Hook(TExporterForm& f) {
    f.WarningBox = [this](const QString& t) { warnings << t; };
    f.ErrorBox = [this](const QString& t) { errors << t; };
    f.ConfirmBox = [](const QString&) { return true; };
    f.AskFileName = [this](const QString& title, const QString&, const QString&, const QString& proposed, bool) {
      asked << title + "|" + proposed;
      return answer;
    };
    f.ChooseColor = [this](uint32_t) -> std::optional<uint32_t> { return chosenColour; };
  }
  void NewForm(TCaveDocument& cave) {
    form.reset();
    QFile::remove(QString::fromStdString(ExportSettingsPath().string()));
    form = std::make_unique<TExporterForm>(cave);
    Hook(*form);
    warnings.clear();
    errors.clear();
    asked.clear();
  }
  QString Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(LUMORA_CLI), QStringList{"export", kDemo} + args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
      return "lumora-cli failed: " + QString::fromLocal8Bit(p.readAllStandardError());
    return {};
  }

 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale::c());
    InitPlotUnits();
    QVERIFY(temp.isValid());
    QDir::setCurrent(temp.path());
  }

  // Defaults on a fresh settings folder, the tree, caption and datum, and
  // the warning of an export without a plot file.
  void defaultsAndOpening() {
    TCaveDocument empty;
    NewForm(empty);
    answer = temp.filePath("never.dxf");
    for (const char* b : {"DXFExportBtn", "VRMLExportBtn", "KMLExportBtn", "ShapeExportBtn", "GLTFExportBtn"}) Click(b);
    QCOMPARE(warnings, QStringList(5, "No Plot File Load."));
    QVERIFY(asked.isEmpty());

    QTabWidget* tabs = Find<QTabWidget>("PageControl");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
    QCOMPARE(captions, QStringList({"Shapefile Export", "VRML Export", "DXF Export", "KML", "Wall Settings"}));
    QCOMPARE(tabs->currentIndex(), 0);

    const QStringList on = {"ZipShapeChk",     "DoPassageChk",    "LayerSurveysChk", "LeftRightCheck", "UpDownCheck",
                            "MarkFromChk",     "ExpandMarkChk",   "ShotLineChk",     "LabelsChk",      "StationMarkChk",
                            "WallsChk",        "NorthArrowChk",   "ScaleBarChk",     "DepthChk",       "SubChk",
                            "ExpandWallChk",   "VerticalChk",     "MergeChk",        "SealChk",        "SectionsChk",
                            "MarkSectionsChk", "LabelSectionsChk"};
    const QMap<QString, QVariant> shown = Snapshot(form.get());
    for (auto it = shown.begin(); it != shown.end(); ++it)
      if (it.value().typeId() == QMetaType::Bool)
        QVERIFY2(it.value().toBool() == on.contains(it.key()), qPrintable(it.key()));
    const QMap<QString, QVariant> values = {{"UnitRadio", 0},
                                            {"DateRadio", 0},
                                            {"ConvertTypeRadio", 0},
                                            {"ShapeTypeRadio", 0},
                                            {"PassageTypeRadio", 0},
                                            {"MarkWithRadio", 0},
                                            {"OverlayTypeRadio", 0},
                                            {"AltitudeModeRadio", 0},
                                            {"PassShapeRadio", 2},
                                            {"CornerRadio", 1},
                                            {"TransparencySpin", 50.0},
                                            {"RotSpin", 0.0},
                                            {"ScaleBarSpin", 100.0},
                                            {"MarkSizeSpin", 25.0},
                                            {"ScaleSpin", 100.0},
                                            {"AltitudeSpin", 0.1},
                                            {"HeadingSpin", 355.9},
                                            {"KMLMarkScaleSpin", 1.0},
                                            {"KMLLabelScaleSpin", 1.0},
                                            {"CornerAngleSpin", 20.0},
                                            {"SubSpin", 2.0},
                                            {"VerticalAngleSpin", 50.0},
                                            {"LineWidthSpin", 4},
                                            {"FillTransBar", 0},
                                            {"DatumCombo", 21},
                                            {"TextureEdit", "texture2.png"},
                                            {"PassColorDis", 255u},
                                            {"LineColorDis", 16776960u},
                                            {"BackColorDis", 8421504u},
                                            {"KMLLineColorDis", 16711680u},
                                            {"KMLFillColorDis", 255u},
                                            {"KMLMarkColorDis", 16777215u},
                                            {"KMLLabelColorDis", 16777215u},
                                            {"SurveyColorDis", aci_to_rgb(3)},
                                            {"LabelColorDis", aci_to_rgb(2)},
                                            {"DepthColorDis", aci_to_rgb(5)},
                                            {"WallColorDis", aci_to_rgb(1)}};
    for (auto it = values.begin(); it != values.end(); ++it)
      QVERIFY2(shown.value(it.key()) == it.value(), qPrintable(it.key() + " is " + shown.value(it.key()).toString()));
    QCOMPARE(Find<QComboBox>("DatumCombo")->currentText(), QString("WGS 1972"));
    QCOMPARE(Find<QComboBox>("DatumCombo")->count(), 24);
    QCOMPARE(Find<QLabel>("ScaleBarUnit")->text(), QString("Ft."));

    // Opening inside the window fills the tree and picks the file's datum.
    form->OpenPlotFile(kDemo);
    QCOMPARE(form->windowTitle(), QString("Bramble 3D Exporter - demo.plt"));
    QCOMPARE(Find<QLineEdit>("FilenameDis")->text(), QString("demo.plt"));
    QCOMPARE(Find<QComboBox>("DatumCombo")->currentText(), QString::fromStdString(empty.Model.PlotInfo.Datum.Str()));
    QCOMPARE(form->Options().DatumCombo, KMLDatumIndex(empty.Model.PlotInfo.Datum.Str()));
    auto* tree = Find<QTreeWidget>("SurveyTree");
    QCOMPARE(tree->topLevelItemCount(), empty.Model.Sections.Count());
    int surveys = 0;
    for (int s = 0; s < tree->topLevelItemCount(); ++s) {
      QVERIFY(tree->topLevelItem(s)->isExpanded());
      surveys += tree->topLevelItem(s)->childCount();
    }
    QCOMPARE(surveys, empty.Model.Surveys.Count());
    QCOMPARE(Find<QLineEdit>("SurveyDis")->text().isEmpty(), false);
    QCOMPARE(form->ReopenMenu()->Paths().front(), std::filesystem::path(kDemo.toStdString()));
    // The same path again is not read again: a model changed meanwhile stays.
    empty.Model.Sections[0].Name = "Changed";
    form->OpenPlotFile(kDemo);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("Changed"));

    // A datum that matches only without regard to case leaves the choice.
    Find<QComboBox>("DatumCombo")->setCurrentIndex(5);
    QByteArray text = Bytes(kDemo);
    QVERIFY(text.contains("\nONorth American 1983"));
    text.replace("\nONorth American 1983", "\nONORTH AMERICAN 1983");
    QFile upper(temp.filePath("upper.plt"));
    QVERIFY(upper.open(QIODevice::WriteOnly) && upper.write(text) == text.size());
    upper.close();
    form->OpenPlotFile(upper.fileName());
    QCOMPARE(form->windowTitle(), QString("Bramble 3D Exporter - upper.plt"));
    QCOMPARE(form->Options().DatumCombo, 5);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString::fromStdString(empty.Model.Sections[0].Name.Str()));
    QVERIFY(tree->topLevelItem(0)->text(0) != "Changed");

    // The bars through the writers' interface, and pending events run.
    TExportProgress& progress = form->Progress();
    progress.set_progress_pass(1, 2);
    bool ran = false;
    QThread::msleep(60);
    QTimer::singleShot(0, form.get(), [&ran] { ran = true; });
    progress.show_progress(50, 100, 25, 100, 3, 4);
    QCOMPARE(Find<QProgressBar>("SectionBar")->value(), 75);
    QCOMPARE(Find<QProgressBar>("SurveyBar")->value(), 25);
    QCOMPARE(Find<QProgressBar>("ShotBar")->value(), 75);
    QVERIFY(ran);
    progress.show_status("Writing");
    QCOMPARE(Find<QLabel>("StatusDis")->text(), QString("Writing"));
    progress.reset_progress();
    QCOMPARE(Find<QProgressBar>("SectionBar")->value(), 0);

    QString explored;
    form->ExploreFolder = [&explored](const QString& folder) { explored = folder; };
    Click("DirBtn");
    QCOMPARE(explored, temp.path());
  }

  void enablingRules() {
    NewForm(document);
    TRadioGroup* types = Radio("ConvertTypeRadio");
    form->PrepareOpen();
    QVERIFY(types->Item(9)->isHidden() && types->Item(10)->isHidden());
    ClickItem("ConvertTypeRadio", 7);
    QCOMPARE(form->Options().ConvertTypeRadio, 7);
    ClickItem("ShapeTypeRadio", 1);
    QVERIFY(!types->Item(7)->isEnabled() && !types->Item(8)->isEnabled());
    QCOMPARE(types->ItemIndex(), 0);
    QCOMPARE(form->Options().ConvertTypeRadio, 0);
    ClickItem("ShapeTypeRadio", 0);
    QVERIFY(types->Item(7)->isEnabled());

    auto* vertex = Find<QCheckBox>("VertColorChk");
    QVERIFY(!vertex->isEnabled());
    Find<QCheckBox>("PassDepthColorChk")->click();
    QVERIFY(vertex->isEnabled());
    Find<QCheckBox>("DoPassageChk")->click();
    QVERIFY(!vertex->isEnabled());

    QVERIFY(Find<QCheckBox>("AssocPassChk")->isEnabled() && Find<QCheckBox>("AssocLabelChk")->isEnabled());
    Find<QCheckBox>("LayerSurveysChk")->click();
    QVERIFY(!Find<QCheckBox>("AssocPassChk")->isEnabled() && !Find<QCheckBox>("AssocLabelChk")->isEnabled());

    Find<QGroupBox>("SectionsChk")->setChecked(false);
    QVERIFY(!form->Options().SectionsChk);
    QVERIFY(!Find<QDoubleSpinBox>("KMLMarkScaleSpin")->isEnabled());

    ClickItem("UnitRadio", 1);
    QCOMPARE(Find<QLabel>("ScaleBarUnit")->text(), QString("M."));
    QCOMPARE(Find<QLabel>("MarkSizeUnit")->text(), QString("M."));

    // A layer colour becomes the nearest palette entry, shown by its swatch.
    for (uint32_t colour : {0x3C9A21u, 0x808081u, 0x0000FFu}) {
      chosenColour = colour;
      Click("WallColorDisBtn");
      QCOMPARE(form->Options().WallColor, rgb_to_aci(colour));
      QCOMPARE(Find<TColorDisplay>("WallColorDis")->Color(), aci_to_rgb(rgb_to_aci(colour)));
    }
    QCOMPARE(form->Options().WallColor, 1);
    QVERIFY(aci_to_rgb(rgb_to_aci(0x3C9A21)) != 0x3C9A21u);
  }

  // The window's buttons and lumora-cli with the same settings file write
  // the same bytes.
  void exportsMatchCommandLine() {
    NewForm(document);
    form->OpenPlotFile(kDemo);
    const QString ini = temp.filePath("cli.ini");
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "[Global]\nUnits=1\n[Shape]\nDataTypes=2\nFileType=1\n"
        "[VRML]\nColorByDepth=1\nDoShotLine=1\nTransparency=25\n[VRLM]\nBackgroundColor=255\n"
        "[DXF]\nProfileMode=1\nRotation=30\nPassageType=1\nWallColor=65280\n"
        "[KML]\nAltitudeMode=1\nAltitude=5\nFillTransparency=100\nDoSections=0\n"
        // The window selects the plot file's own datum when it opens it.
        "Datum=" +
        QByteArray::number(KMLDatumIndex(document.Model.PlotInfo.Datum.Str())) +
        "\n"
        "[Walls]\nPassShape=0\nCornerThreshold=30\n");
    f.close();
    ClickItem("UnitRadio", 1);
    ClickItem("ShapeTypeRadio", 1);
    ClickItem("ConvertTypeRadio", 2);
    Find<QCheckBox>("ZipShapeChk")->click();
    Find<QCheckBox>("PassDepthColorChk")->click();
    Find<QCheckBox>("DoLineChk")->click();
    Find<QDoubleSpinBox>("TransparencySpin")->setValue(25);
    chosenColour = 255;
    Click("BackColorDisBtn");
    Find<QCheckBox>("ProfileChk")->click();
    Find<QDoubleSpinBox>("RotSpin")->setValue(30);
    ClickItem("PassageTypeRadio", 1);
    chosenColour = 0x00FF00;
    Click("WallColorDisBtn");
    ClickItem("AltitudeModeRadio", 1);
    Find<QDoubleSpinBox>("AltitudeSpin")->setValue(5);
    Find<QSlider>("FillTransBar")->setValue(100);
    Find<QGroupBox>("SectionsChk")->setChecked(false);
    ClickItem("PassShapeRadio", 0);
    Find<QDoubleSpinBox>("CornerAngleSpin")->setValue(30);

    struct Case {
      const char* button;
      QString file;
      QStringList cli;
      QStringList members;
    };
    const QList<Case> cases = {
        {"ShapeExportBtn", "cave.shp", {"--format", "shp"}, {"shp", "shx", "dbf", "prj"}},
        {"VRMLExportBtn", "cave.wrl", {"--format", "vrml"}, {}},
        {"DXFExportBtn", "cave.dxf", {"--format", "dxf"}, {}},
        {"GLTFExportBtn", "cave.glb", {"--format", "glb"}, {}},
        {"GLTFExportBtn", "cave.gltf", {"--format", "gltf"}, {"gltf", "bin"}},
        {"KMLExportBtn", "cave.kml", {"--format", "kml"}, {}},
    };
    // Same names in two folders: KML documents carry their file's name.
    QVERIFY(QDir(temp.path()).mkpath("window") && QDir(temp.path()).mkpath("cli"));
    for (const Case& c : cases) {
      answer = temp.filePath("window/" + c.file);
      Click(c.button);
      QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
      QCOMPARE(Find<QProgressBar>("SectionBar")->value(), 100);
      QVERIFY(!Find<QLabel>("StatusDis")->text().isEmpty());
      QCOMPARE(Cli(c.cli + QStringList{"--ini", ini, "-o", temp.filePath("cli/" + c.file)}), QString());
      for (const QString& m : c.members.isEmpty() ? QStringList{QFileInfo(c.file).suffix()} : c.members) {
        const QString a = temp.filePath("window/cave." + m), b = temp.filePath("cli/cave." + m);
        const QByteArray wa = Bytes(a);
        QVERIFY2(wa.size() > 100, qPrintable(a));
        QVERIFY2(wa == Bytes(b), qPrintable(a + " differs from " + b));
      }
    }
    QCOMPARE(asked.first(), QString("Save Plot As Shape File|demo_2D") + ShapeLayerSuffix(2));
    QCOMPARE(asked.last(), QString("Save Plot As KML File|demo.kml"));
    QCOMPARE(Find<QLineEdit>("ArcFileDis")->text(), QString("cave.shp"));
  }

  void settingsRoundTrip() {
    NewForm(document);
    form->PrepareOpen();
    // Away from every default, through the controls.
    for (auto* w : form->findChildren<QCheckBox*>()) w->click();
    for (auto* w : form->findChildren<QGroupBox*>())
      if (w->isCheckable()) w->setChecked(!w->isChecked());
    for (auto* w : form->findChildren<TRadioGroup*>())
      for (int i = w->Count() - 1; i >= 0; --i)
        if (w->Item(i)->isEnabled() && !w->Item(i)->isHidden() && i != w->ItemIndex()) {
          w->Item(i)->click();
          break;
        }
    for (auto* w : form->findChildren<QDoubleSpinBox*>())
      w->setValue(w->minimum() + (std::min(w->maximum(), 1000.0) - w->minimum()) * 0.37);
    for (auto* w : form->findChildren<QSpinBox*>()) w->setValue(w->maximum() - 3);
    Find<QSlider>("FillTransBar")->setValue(77);
    Find<QComboBox>("DatumCombo")->setCurrentIndex(3);
    Find<QLineEdit>("TextureEdit")->setText("rock.png");
    uint32_t colour = 0x102030;
    for (auto* b : form->findChildren<QPushButton*>())
      if (b->objectName().endsWith("DisBtn")) {
        chosenColour = colour += 0x0A1B07;
        b->click();
      }
    const QMap<QString, QVariant> saved = Snapshot(form.get());
    Trigger("SaveSettingsMnu");
    QVERIFY(errors.isEmpty());

    form->Options() = TExportOptions();
    form->PrepareOpen();
    QVERIFY(Snapshot(form.get()) != saved);
    Trigger("RestoreSettingsMnu");
    QMap<QString, QVariant> restored = Snapshot(form.get());
    // Controls that are not stored keep their value.
    const QStringList unstored = {"DateRadio",   "ShowHiddenChk", "ZipShapeChk",   "OverlayTypeRadio", "HeadingSpin",
                                  "KMLSplayChk", "KMLFixedChk",   "LineWidthSpin", "GLTFSplayChk"};
    for (const QString& name : unstored) {
      QVERIFY(restored.value(name) != saved.value(name));
      restored[name] = saved.value(name);
    }
    for (auto it = saved.begin(); it != saved.end(); ++it)
      QVERIFY2(restored.value(it.key()) == it.value(),
               qPrintable(it.key() + ": " + restored.value(it.key()).toString() + " != " + it.value().toString()));

    // A new window reads the file at creation, and the recent list written
    // back on destruction is read again.
    form->OpenPlotFile(kDemo);
    NewFormKeepingSettings();
    QCOMPARE(Find<QLineEdit>("TextureEdit")->text(), QString("rock.png"));
    QCOMPARE(form->ReopenMenu()->Paths().front(), std::filesystem::path(kDemo.toStdString()));
  }

  // Stored values that cannot be used are said once, naming their keys; a
  // settings file that cannot be read is said once and never written over.
  void unusableSettingsSaidOnce() {
    const std::filesystem::path path = ExportSettingsPath();
    for (const QString& want : {QString("DXF/Rotation=999"), QString::fromStdString(path.string())}) {
      form.reset();
      std::filesystem::remove_all(path);
      if (want.startsWith("DXF"))
        WriteFileAtomically(path, "[DXF]\nRotation=999\n");
      else
        QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
      NewFormKeepingSettings();
      errors.clear();
      QTest::qWait(20);
      QCOMPARE(errors.size(), 1);
      QVERIFY2(errors[0].contains(want), qPrintable(errors[0]));
    }
    Trigger("SaveSettingsMnu");
    QVERIFY(std::filesystem::is_fifo(path));
    std::filesystem::remove_all(path);
  }

  // A target that cannot be replaced: the writer's message, the old file.
  void failingExportKeepsOldFile() {
    NewForm(document);
    form->OpenPlotFile(kDemo);
    QDir dir(temp.path());
    QVERIFY(dir.mkpath("locked"));
    const QString target = temp.filePath("locked/cave.dxf");
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier drawing");
    old.close();
    // Root may write into a read-only folder; a file size limit stops the
    // writer whoever runs the test.
    QFile::setPermissions(temp.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    struct rlimit limit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = limit;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    answer = target;
    Click("DXFExportBtn");
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    QFile::setPermissions(temp.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("cave.dxf"), qPrintable(errors[0]));
    QCOMPARE(Bytes(target), QByteArray("earlier drawing"));
    QVERIFY(Find<QTabWidget>("PageControl")->isEnabled());
  }

 private:
  void NewFormKeepingSettings() {
    form.reset();
    form = std::make_unique<TExporterForm>(document);
    Hook(*form);
  }
};

QTEST_MAIN(ExporterTest)
#include "exporter_test.moc"
