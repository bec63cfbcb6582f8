// The volume tool driven through the main window: its controls, the
// numbers against lumora-cli's, the plan plot, the reports and the hull in
// the 3D view.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/core/GLSettings.h"
#include "app/qtest/ShowWindow.h"
#include "controls/Plotwind.h"
#include "controls/RadioGroup.h"
#include "export/ExportMain.h"
#include "export/ui/BoundingPolygons.h"
#include "geometry/NumberText.h"
#include "model/PlotReader.h"
#include "viewer/GLViewer.h"
#include "volume/VolumeReport.h"
#include "volume/ui/CVMain.h"
#include "volume/ui/CVReports.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

QString Volume(double v) { return QString::fromStdString(GroupedNumber(v, 1)) + " ft^3"; }
QString Percent(double v) { return QString::fromStdString(GroupedNumber(v, 3)) + "%"; }

}  // namespace

class VolumeToolTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QTemporaryDir temp;
  QStringList infos;

  TVolumeDlg& Dlg() { return *form->VolumeDlg(); }
  void Settle() { QTRY_VERIFY(!Dlg().Busy()); }
  void Open() {
    form->findChild<QAction*>("VolumeMnu")->trigger();
    Settle();
  }
  QString Cli() const { return QCoreApplication::applicationDirPath() + "/../lumora-cli"; }
  QByteArray RunCli(const QStringList& args) {
    QProcess p;
    p.start(Cli(), args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) qFatal("lumora-cli %s failed", qPrintable(args.join(' ')));
    return p.readAllStandardOutput();
  }
  QJsonObject CliVolume(const QStringList& options) {
    return QJsonDocument::fromJson(RunCli(QStringList{"volume", kDemo, "--json"} + options)).object();
  }
  // The dialog's totals and shown layer against the command line's.
  // In stations mode the layers keep the lengths of the last build with
  // passage dimensions, which a fresh command line does not have.
  void CompareWithCli(const QJsonObject& cli, int layer, bool layerCave = true) {
    QCOMPARE(Dlg().VolumeDis->text(), Volume(cli["rock_volume"].toDouble()));
    QCOMPARE(Dlg().CaveVolumeDis->text(), Volume(cli["cave_volume"].toDouble()));
    QCOMPARE(Dlg().PorosityDis->text(), Percent(cli["porosity"].toDouble()));
    const QJsonObject l = cli["layers"].toArray()[layer].toObject();
    QCOMPARE(Dlg().TopDis->text(), QString::fromStdString(FixedText(l["top"].toDouble(), 1)) + " ft");
    QCOMPARE(Dlg().BottomDis->text(), QString::fromStdString(FixedText(l["bottom"].toDouble(), 1)) + " ft");
    QCOMPARE(Dlg().AreaDis->text(), QString::fromStdString(GroupedNumber(l["area"].toDouble(), 1)) + " ft^2");
    QCOMPARE(Dlg().LayerRockVolDis->text(), Volume(l["rock_volume"].toDouble()));
    if (layerCave) QCOMPARE(Dlg().LayerCaveVolDis->text(), Volume(l["cave_volume"].toDouble()));
    QCOMPARE(Dlg().StatusDis->text(),
             QString("Points: %1  Triangles: %2").arg(l["points"].toInt()).arg(l["triangles"].toInt()));
  }
  QImage Frame() { return form->Viewer()->grabFramebuffer(); }

 private slots:
  void initTestCase() {
    ShowWindow(form, 640, 480, &infos, &infos);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
  }

  void defaultsAndLimits() {
    TVolumeDlg& d = Dlg();
    QCOMPARE(d.windowTitle(), QString("Cave Volume Tool"));
    QVERIFY(!d.isModal());
    QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(form->findChild<QAction*>("VolumeMnu")->isEnabled());
    QCOMPARE(form->findChild<QAction*>("VolumeMnu")->text(), QString("&Volume Tool..."));

    QCOMPARE(d.ConcaveBar->minimum(), 1);
    QCOMPARE(d.ConcaveBar->maximum(), 100);
    QCOMPARE(d.ConcaveBar->tickInterval(), 5);
    QCOMPARE(d.ConcaveBar->value(), 50);
    QCOMPARE(d.PercentSpin->minimum(), 1.0);
    QCOMPARE(d.PercentSpin->maximum(), 100.0);
    QCOMPARE(d.PercentSpin->singleStep(), 0.1);
    QCOMPARE(d.PercentSpin->decimals(), 1);
    QCOMPARE(d.PercentSpin->value(), 50.0);
    d.PercentSpin->setValue(0);  // limits enforced
    QCOMPARE(d.PercentSpin->value(), 1.0);
    d.PercentSpin->setValue(250);
    QCOMPARE(d.PercentSpin->value(), 100.0);
    d.ResetBtn->click();
    QCOMPARE(d.ConcaveBar->value(), 50);
    QCOMPARE(d.PercentSpin->value(), 50.0);
    QCOMPARE(d.ResetBtn->text(), QString("Reset"));
    QCOMPARE(d.Button1->text(), QString("Reports"));

    QCOMPARE(d.PageControl->count(), 3);
    QCOMPARE(d.PageControl->tabText(0), QString("Hulls"));
    QCOMPARE(d.PageControl->tabText(1), QString("3D Modeling"));
    QCOMPARE(d.PageControl->tabText(2), QString("Graphs"));
    QCOMPARE(d.PageControl->currentIndex(), 0);
    QVERIFY(d.UseDimsChk->isChecked());
    QVERIFY(!d.ByAreaChk->isChecked());
    QVERIFY(!d.UpDownChk->isChecked());
    QCOMPARE(d.SubdivideLength(), 100);
    QStringList lengths;
    for (QRadioButton* b : d.SubdivideRadio->findChildren<QRadioButton*>()) lengths << b->text();
    QCOMPARE(lengths, (QStringList{"5", "10", "25", "50", "100"}));
    QCOMPARE(d.LevelCntSpin->minimum(), 1);
    QCOMPARE(d.LevelCntSpin->maximum(), 10);
    QCOMPARE(d.LevelCntSpin->value(), 10);
    QCOMPARE(d.LevelSpin->minimum(), 0);
    QCOMPARE(d.LevelSpin->maximum(), 9);
    QCOMPARE(d.LevelSpin->value(), 0);

    QVERIFY(d.TransparentChk->isCheckable() && d.TransparentChk->isChecked());
    QCOMPARE(d.TransparentTrack->minimum(), 0);
    QCOMPARE(d.TransparentTrack->maximum(), 100);
    QCOMPARE(d.TransparentTrack->tickInterval(), 10);
    QCOMPARE(d.TransparentTrack->value(), 50);
    QVERIFY(d.InternalReflectChk->isChecked());
    QVERIFY(d.DepthCheckChk->isChecked());
    QCOMPARE(d.HullColor(), 0x00FFFFu);
    QCOMPARE(d.ColorDis->SwatchColor(), QColor(255, 255, 0));
    d.TransparentChk->setChecked(false);
    QVERIFY(!d.TransparentTrack->isEnabled() && !d.DepthCheckChk->isEnabled());
    d.TransparentChk->setChecked(true);
    QVERIFY(d.TransparentTrack->isEnabled());
    for (QCheckBox* b : {d.ShowTrianglesChk, d.TriangleChk, d.VertexNumChk, d.LineNumChk, d.ArrowChk})
      QVERIFY(!b->isChecked());

    QCOMPARE(d.ResetZoomBtn->toolTip(), QString("Reset"));
    QCOMPARE(d.ZoomOutBtn->toolTip(), QString("Zoom Out"));
    QCOMPARE(d.ZoomInBtn->toolTip(), QString("Zoom In"));
    QVERIFY(d.ZoomInBtn->autoRepeat() && d.ZoomOutBtn->autoRepeat() && !d.ResetZoomBtn->autoRepeat());
    QCOMPARE(d.ProgrBar->minimum(), 0);
    QCOMPARE(d.ProgrBar->maximum(), 100);
    QCOMPARE(d.PlotWin->palette().color(QPalette::Window), QColor(Qt::black));

    // "Use Up/Down" only with the passage dimensions.
    QVERIFY(d.UpDownChk->isEnabled());
    d.UseDimsChk->click();
    QVERIFY(!d.UpDownChk->isEnabled());
    d.UseDimsChk->click();
    QVERIFY(d.UpDownChk->isEnabled());
    Settle();
  }

  void openOnALoadedCave() {
    form->LoadCave(kDemo);
    QVERIFY(!form->Loading());
    QVERIFY(!form->HullBuilt());
    // A rose shown is put away.
    form->SetRoseBuilt(true);
    form->Options()->RoseChk->setChecked(true);
    Open();
    QVERIFY(Dlg().isVisible());
    QVERIFY(!form->Options()->RoseChk->isChecked());
    QVERIFY(form->HullBuilt());
    QVERIFY(form->Options()->DisplayHullsChk->isChecked());
    const TGLMesh& hull = *form->Scene().Hull;
    QVERIFY(hull.Visible);
    QVERIFY(hull.TriangleCount() > 100);
    QVERIFY(infos.isEmpty());
    CompareWithCli(CliVolume({}), 0);
    QVERIFY(Dlg().LengthDis->text().endsWith(" ft"));
    QVERIFY(!Dlg().SubTimer1->text().isEmpty());

    // The exporter's bounding polygons: one per layer hull, plan points at
    // the layer's top and bottom; the exporter then offers them.
    const TVolumeModel& m = Dlg().Model();
    const std::vector<TBoundingPolygon> polygons = BoundingPolygonsOf(m);
    QCOMPARE(int(polygons.size()), m.Count());
    for (int k = 0; k < m.Count(); ++k) {
      const TTriangulator& t = m.Levels[k].Triangulator;
      QCOMPARE(polygons[k].size(), t.ConcaveHull().size());
      const TBoundingVertex& v = polygons[k].front();
      QCOMPARE(v.Top.x, t.Points()[t.ConcaveHull().front().p1].x);
      QCOMPARE(v.Bottom.y, v.Top.y);
      QCOMPARE(v.Top.z, m.Levels[k].Top);
      QCOMPARE(v.Bottom.z, m.Levels[k].Bottom);
    }
    TExportOptions options;
    TExportContext context;
    context.BoundingPolygons = polygons;
    context.BoundingPolygonsAvailable = form->HullBuilt();
    QVERIFY(RefreshDataTypeChoices(options, context).Visible[9]);
  }

  void typedConcavityKeepsItsDecimal() {
    TVolumeDlg& d = Dlg();
    d.PercentSpin->setFocus();
    d.PercentSpin->selectAll();
    QTest::keyClicks(d.PercentSpin, "37.8");
    QTest::keyClick(d.PercentSpin, Qt::Key_Enter);
    Settle();
    QCOMPARE(d.PercentSpin->value(), 37.8);
    QCOMPARE(d.ConcaveBar->value(), 37);
    CompareWithCli(CliVolume({"--concavity", "37.8"}), 0);
    // Not 37: the threshold of the shown layer follows the decimal.
    const TTriangulator& t = d.Model().Levels[0].Triangulator;
    const double threshold = t.MinEdge() + 0.378 * (t.MaxEdge() - t.MinEdge());
    QCOMPARE(d.LengthDis->text(), QString::fromStdString(FixedText(threshold, 1)) + " ft");

    // A bar move sets the spin to its whole value.
    d.ConcaveBar->setValue(80);
    QCOMPARE(d.PercentSpin->value(), 80.0);
    Settle();
    CompareWithCli(CliVolume({"--concavity", "80"}), 0);
  }

  void barMovesCoalesce() {
    TVolumeDlg& d = Dlg();
    int builds = 0;
    const auto saved = d.OnHullBuilt;
    d.OnHullBuilt = [&] {
      ++builds;
      saved();
    };
    for (int p : {10, 20, 30, 40, 65}) d.ConcaveBar->setValue(p);
    QVERIFY(d.Busy());
    Settle();
    d.OnHullBuilt = saved;
    QCOMPARE(builds, 1);
    QCOMPARE(d.PercentSpin->value(), 65.0);
    CompareWithCli(CliVolume({"--concavity", "65"}), 0);

    // A move that arrives while a recomputation runs replaces it rather
    // than waiting behind it: one hull, built for the newer position.
    builds = 0;
    int runs = 0;
    d.OnHullBuilt = [&] {
      ++builds;
      saved();
    };
    auto* count = new QObject(&d);
    // The newer position arrives while the first run reports its progress.
    connect(d.ProgrBar, &QProgressBar::valueChanged, count, [&](int v) {
      if (v != 0) return;
      ++runs;
      if (d.ConcaveBar->value() == 20) d.ConcaveBar->setValue(70);
    });
    d.ConcaveBar->setValue(20);
    Settle();
    delete count;
    d.OnHullBuilt = saved;
    QCOMPARE(builds, 1);
    QCOMPARE(runs, 2);
    CompareWithCli(CliVolume({"--concavity", "70"}), 0);
  }

  void layerCountClampsTheShownLayer() {
    TVolumeDlg& d = Dlg();
    d.ResetBtn->click();
    d.LevelSpin->setValue(7);
    Settle();
    d.LevelCntSpin->setValue(4);
    Settle();
    QCOMPARE(d.LevelSpin->value(), 3);
    QCOMPARE(d.LevelSpin->maximum(), 3);
    QCOMPARE(d.CurrentLayer(), 3);
    QCOMPARE(d.Model().LevelCount, 4);
    d.ByAreaChk->click();
    Settle();
    CompareWithCli(CliVolume({"--layers", "4", "--by-area"}), 3);
    d.ByAreaChk->click();
    d.SubdivideRadio->findChildren<QRadioButton*>()[1]->click();  // 10
    Settle();
    const QString layerCave = d.LayerCaveVolDis->text();
    d.UseDimsChk->click();
    Settle();
    CompareWithCli(CliVolume({"--layers", "4", "--no-pass-dims"}), 3, false);
    QCOMPARE(d.LayerCaveVolDis->text(), layerCave);
    d.UseDimsChk->click();
    d.UpDownChk->click();
    Settle();
    CompareWithCli(CliVolume({"--layers", "4", "--up-down", "--subdivide", "10"}), 3);
    d.UpDownChk->click();
    d.SubdivideRadio->findChildren<QRadioButton*>()[4]->click();
    Settle();
  }

  void planPlotDrawsTheLayer() {
    TVolumeDlg& d = Dlg();
    d.ResetZoomBtn->click();
    const QImage plain = d.PlotWin->grab().toImage();
    int blue = 0, green = 0, red = 0, grey = 0;
    auto count = [&](const QImage& image) {
      blue = green = red = grey = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QColor c = image.pixelColor(x, y);
          blue += c == QColor(0, 0, 255);
          green += c == QColor(0, 255, 0);
          red += c == QColor(255, 0, 0);
          grey += c == QColor(128, 128, 128);
        }
    };
    count(plain);
    QVERIFY(blue > 100);   // centreline
    QVERIFY(green > 100);  // hull edges
    QVERIFY(red > 50);     // point markers
    QCOMPARE(grey, 0);
    d.ShowTrianglesChk->setChecked(true);
    count(d.PlotWin->grab().toImage());
    QVERIFY(grey > 1000);
    d.ShowTrianglesChk->setChecked(false);

    // Neighbour labels: a square of two triangles; each names the other
    // across their shared edge, inside itself near that edge.
    TTriangulator square;
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {100.0, 0.0}, {100.0, 100.0}, {0.0, 100.0}}) square.AddPoint(x, y);
    square.Triangulate();
    square.ComputeHull();  // links the neighbours
    QCOMPARE(int(square.Triangles().size()), 2);
    for (int t = 0; t < 2; ++t) {
      const std::vector<TPlotLabel> labels = NeighbourLabels(square, t);
      QCOMPARE(int(labels.size()), 1);
      const TDelaunayTriangle& tri = square.Triangles()[t];
      int slot = 0;
      while (tri.Neighbour(slot) < 0) ++slot;
      QCOMPARE(labels[0].Text, QString("%1-%2").arg(slot + 1).arg(1 - t));
      const T2DVector a = square.Points()[tri.Vertex(slot)], b = square.Points()[tri.Vertex((slot + 1) % 3)];
      const T3DVector mid{(a.x + b.x) / 2, (a.y + b.y) / 2, 0};
      QVERIFY(std::abs(Length(Subtract(labels[0].At, mid)) - 20) < 1e-9);
      // On the triangle's side of the diagonal.
      const T2DVector c = square.Points()[tri.Vertex((slot + 2) % 3)];
      auto side = [&](double x, double y) { return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x); };
      QVERIFY(side(labels[0].At.x, labels[0].At.y) * side(c.x, c.y) > 0);
    }

    // The pointer position in plot pixels.
    QTest::mouseMove(d.PlotWin, QPoint(17, 23));
    QTRY_COMPARE(d.MouseDis->text(), QString("X: 17 Y: 23"));

    // Zoom grows by a tenth per step and never shrinks below the view.
    const QSize start = d.PlotWin->size();
    d.ZoomInBtn->click();
    d.ZoomInBtn->click();
    QCOMPARE(d.PlotWin->width(), int(std::trunc(int(std::trunc(start.width() * 1.1)) * 1.1)));
    for (int i = 0; i < 10; ++i) d.ZoomOutBtn->click();
    QVERIFY(d.PlotWin->width() >= d.PlotScroll->maximumViewportSize().width());
    QVERIFY(d.PlotWin->height() >= d.PlotScroll->maximumViewportSize().height());
    d.ResetZoomBtn->click();
    QCOMPARE(d.PlotWin->size(), start);
  }

  void reportsAbortSaveFindCopy() {
    TVolumeDlg& d = Dlg();
    TVolumeReportsDlg& r = *d.Reports();
    const QString rockBefore = d.VolumeDis->text();
    r.show();
    // The whole report, served to the memo at its pace, is the command
    // line's.
    const QString cliText = QString::fromUtf8(RunCli({"volume", kDemo, "--report"}));
    const QStringList cli = cliText.split('\n');
    QCOMPARE(cli.size(), 1041);
    r.Button1->click();
    QCOMPARE(r.ReportMemo->toPlainText() + '\n', cliText);
    Settle();
    // Abort once a few rows of the first block are in, the memo served
    // after every row so that the press lands there.
    r.PaceMs = 0;
    auto* presser = new QTimer(&r);
    connect(presser, &QTimer::timeout, &r, [&r, presser] {
      if (r.ReportMemo->blockCount() < 12) return;
      presser->stop();
      r.AbortBtn->click();
    });
    presser->start(0);
    r.Button1->click();
    presser->deleteLater();
    const QStringList lines = r.ReportMemo->toPlainText().split('\n');
    QVERIFY(lines.size() >= 12);
    QVERIFY(lines.size() < 104);
    QCOMPARE(lines, cli.mid(0, lines.size()));
    QVERIFY(lines.last().endsWith('%'));
    // The tool's own layer count (4) and numbers come back.
    QCOMPARE(d.Model().LevelCount, 4);
    QCOMPARE(d.LevelCntSpin->value(), 4);
    Settle();
    QCOMPARE(d.VolumeDis->text(), rockBefore);

    const QString file = temp.filePath("report.txt");
    r.AskSaveFile = [&] { return file; };
    r.FileStatsBtn->click();
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), lines.join('\n') + '\n');

    QStringList errors;
    QPoint errorAt;
    r.ErrorBox = [&](const QString& text, QPoint at) {
      errors << text;
      errorAt = at;
    };
    r.ShowStatsBtn->click();
    QVERIFY(r.FindDialog->isVisible());
    r.FindDialog->FindText->setText("levels: 1 ");
    r.FindDialog->MatchCase->setChecked(true);
    r.FindDialog->FindNextBtn->click();
    QCOMPARE(errors, QStringList{"Could not find: levels: 1 "});
    QCOMPARE(errorAt, r.FindDialog->frameGeometry().topLeft() + QPoint(360, 125));
    r.FindDialog->MatchCase->setChecked(false);
    r.FindDialog->FindNextBtn->click();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(r.ReportMemo->textCursor().selectedText(), QString("Levels: 1 "));
    QCOMPARE(r.ReportMemo->textCursor().selectionStart(), 1);
    // The next find starts after that match: there is no second block.
    r.FindDialog->FindNextBtn->click();
    QCOMPARE(errors.size(), 2);
    r.FindDialog->FindText->setText("\n3\t");
    r.FindDialog->FindNextBtn->click();
    QCOMPARE(errors.size(), 2);
    r.FindDialog->hide();

    // Printing writes the whole memo (here into a PDF file).
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temp.filePath("report.pdf"));
    r.PrintReport(printer);
    QFile pdf(temp.filePath("report.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 2000);

    r.CopyBtn->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), r.ReportMemo->toPlainText());
    r.OKBtn->click();
    QVERIFY(!r.isVisible());
  }

  void hullBlendsOverTheWalls() {
    TVolumeDlg& d = Dlg();
    TOptionsPanel& o = *form->Options();
    form->Scene().CaveFrame->ApplyHomeAngles();
    form->Scene().CaveFrame->ResetOrientation();
    o.DisplayHullsChk->setChecked(false);
    const QImage walls = Frame();
    o.DisplayHullsChk->setChecked(true);
    const QImage blended = Frame();
    d.TransparentChk->setChecked(false);
    const QImage opaque = Frame();
    d.TransparentChk->setChecked(true);
    QCOMPARE(form->Scene().Hull->Blend, true);
    // Where the walls show and the opaque hull looks different, the
    // translucent hull lies between the two in the channel that differs most.
    int wall = 0, mixed = 0;
    for (int y = 0; y < walls.height(); y += 2)
      for (int x = 0; x < walls.width(); x += 2) {
        const QColor w = walls.pixelColor(x, y), b = blended.pixelColor(x, y), q = opaque.pixelColor(x, y);
        if (std::max({w.red(), w.green(), w.blue()}) < 100) continue;  // background
        const int channel[3][3] = {
            {w.red(), b.red(), q.red()}, {w.green(), b.green(), q.green()}, {w.blue(), b.blue(), q.blue()}};
        int c = 0;
        for (int k = 1; k < 3; ++k)
          if (std::abs(channel[k][0] - channel[k][2]) > std::abs(channel[c][0] - channel[c][2])) c = k;
        const int lo = std::min(channel[c][0], channel[c][2]), hi = std::max(channel[c][0], channel[c][2]);
        if (hi - lo < 80) continue;
        ++wall;
        if (channel[c][1] > lo + 20 && channel[c][1] < hi - 20) ++mixed;
      }
    QVERIFY2(wall > 200, qPrintable(QString::number(wall)));
    QVERIFY2(mixed > wall * 3 / 4, qPrintable(QString("%1 of %2").arg(mixed).arg(wall)));

    // A new colour reaches the hull mesh.
    d.ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0xFF00FF); };
    d.ColorBtn->click();
    QCOMPARE(d.HullColor(), 0xFF00FFu);
    QCOMPARE(d.ColorDis->SwatchColor(), QColor(255, 0, 255));
    QCOMPARE(form->Scene().Hull->GetTriangleColors(0).c[0] & 0xFFFFFF, 0xFF00FFu);
  }

  void loadResetsTheTool() {
    TVolumeDlg& d = Dlg();
    d.ConcaveBar->setValue(20);
    Settle();
    form->LoadCave(kDemo);
    QVERIFY(!form->Loading());
    QVERIFY(!form->HullBuilt());
    QCOMPARE(d.ConcaveBar->value(), 50);
    QCOMPARE(d.PercentSpin->value(), 50.0);
    QVERIFY(!d.Model().LevelsBuilt);
    QVERIFY(!d.Busy());
    // The next change collects the new cave's layers first.
    d.LevelSpin->setValue(1);
    Settle();
    QVERIFY(d.Model().LevelsBuilt);
    QVERIFY(form->HullBuilt());
    CompareWithCli(CliVolume({"--layers", "4"}), 1);

    // A survey of more than 15000 records loses "Use Pass Dims".
    const QString big = temp.filePath("big.plt");
    RunCli({"demo", big, "--stations", "15100"});
    QVERIFY(d.UseDimsChk->isChecked());
    form->LoadCave(big);
    QVERIFY(!form->Loading());
    QVERIFY(!d.UseDimsChk->isChecked());
    QVERIFY(!d.UpDownChk->isEnabled());
  }
};

QTEST_MAIN(VolumeToolTest)
#include "volumetool_test.moc"
