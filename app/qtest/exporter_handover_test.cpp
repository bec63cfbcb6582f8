// The main window and its exporter window on one cave document: the volume
// model's hulls handed over as bounding polygons (their shapefile opens in
// GDAL), the notice without them, and a file opened inside the exporter
// becoming the main window's cave while the exporter is still open.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

#include "app/GLMain.h"
#include "app/qtest/ShowWindow.h"
#include "controls/RadioGroup.h"
#include "export/ui/BoundingPolygons.h"
#include "export/ui/ExporterForm.h"
#include "platform/Settings.h"
#include "volume/CVVolume.h"

using namespace lumora;

namespace {
const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");
}

class ExporterHandOverTest : public QObject {
  Q_OBJECT

 private slots:
  void handOver() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    QDir::setCurrent(temp.path());
    QFile::remove(QString::fromStdString(ExportSettingsPath().string()));
    std::unique_ptr<TForm1> main;
    QStringList infos, errors;
    ShowWindow(main, 640, 420, &infos, &errors);
    QTRY_VERIFY(main->SceneCreated());
    main->LoadCave(kDemo);
    QAction* item = main->findChild<QAction*>("ExportMnu");
    QVERIFY(item && item->isEnabled());

    TVolumeModel& volume = main->Document().Volume;
    volume.LevelCount = 3;
    volume.BuildLevels({}, false);
    volume.ComputeVolumes({}, false, 0.3);
    const auto polygons = BoundingPolygonsOf(volume);
    QCOMPARE(static_cast<int>(polygons.size()), 3);

    const QString shp = temp.filePath("bounds.shp");
    const QString other = temp.filePath("other cave.plt");
    QVERIFY(QFile::copy(kDemo, other));
    bool sawItems = false, sawHidden = false;
    QString helpPage, titleWhileOpen;
    int wallsWhileOpen = 0;
    auto whenOpen = [&](std::function<void(TExporterForm*)> act) {
      QTimer::singleShot(0, main.get(), [&, act] {
        QTRY_VERIFY(qobject_cast<TExporterForm*>(QApplication::activeModalWidget()));
        auto* x = qobject_cast<TExporterForm*>(QApplication::activeModalWidget());
        x->WarningBox = x->ErrorBox = [&errors](const QString& t) { errors << t; };
        x->ConfirmBox = [](const QString&) { return true; };
        x->AskFileName = [&shp](const QString&, const QString&, const QString&, const QString&, bool) { return shp; };
        act(x);
        x->accept();
      });
    };

    whenOpen(
        [&](TExporterForm* x) { sawHidden = x->findChild<TRadioGroup*>("ConvertTypeRadio")->Item(9)->isHidden(); });
    item->trigger();
    QVERIFY(sawHidden);
    QCOMPARE(infos, QStringList(QString::fromLatin1(kNoBoundingBoxMessage)));

    main->SetHullBuilt(true);
    whenOpen([&](TExporterForm* x) {
      auto* types = x->findChild<TRadioGroup*>("ConvertTypeRadio");
      sawItems = !types->Item(9)->isHidden() && !types->Item(10)->isHidden();
      types->Item(9)->click();
      x->findChild<QPushButton*>("ShapeExportBtn")->click();
      x->findChild<QAction*>("ContentsMnu")->trigger();
      if (auto* b = x->findChild<QTextBrowser*>("HelpBrowser")) helpPage = b->source().fileName();
      x->OpenPlotFile(other);
      titleWhileOpen = main->windowTitle();
      wallsWhileOpen = main->Scene().PassageMesh->ColorCount();
    });
    item->trigger();
    QVERIFY(sawItems);
    QCOMPARE(infos.size(), 1);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QCOMPARE(helpPage, QString("exporter.html"));
    // The window built its scene from the document at the exporter's load.
    QCOMPARE(titleWhileOpen, QString("Lumora - other cave.plt"));
    QVERIFY(wallsWhileOpen > 0);

    QProcess ogr;
    ogr.start("ogrinfo", {"-ro", "-al", "-so", shp});
    QVERIFY(ogr.waitForFinished(60000));
    const QString info = QString::fromLocal8Bit(ogr.readAllStandardOutput());
    QVERIFY2(ogr.exitCode() == 0, qPrintable(info + ogr.readAllStandardError()));
    // One wall quad per hull side.
    size_t sides = 0;
    for (const auto& p : polygons) sides += p.size();
    QVERIFY2(info.contains(QString("Feature Count: %1\n").arg(sides)), qPrintable(info));
    QVERIFY2(info.contains("Geometry: 3D Measured Polygon"), qPrintable(info));

    // The hidden bounding item falls back to the first one.
    int typeAfter = -1;
    whenOpen([&](TExporterForm* x) { typeAfter = x->findChild<TRadioGroup*>("ConvertTypeRadio")->ItemIndex(); });
    item->trigger();
    QCOMPARE(typeAfter, 0);
    QCOMPARE(infos.size(), 2);

    QCOMPARE(main->CurrentPlotFile, QFileInfo(other).absoluteFilePath());
    QCOMPARE(main->windowTitle(), QString("Lumora - other cave.plt"));
    QVERIFY(!main->HullBuilt());
  }
};

QTEST_MAIN(ExporterHandOverTest)
#include "exporter_handover_test.moc"
