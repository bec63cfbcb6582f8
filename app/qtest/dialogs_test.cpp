// The settings, progress, About, help and "Cave Mesh Settings" windows,
// driven through their controls.

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <functional>

#include "app/CaveMeshDlg.h"
#include "app/SettingsDialogs.h"
#include "app/core/GLSettings.h"
#include "app/qtest/WhenModal.h"
#include "platform/IniFile.h"
#include "platform/Settings.h"

using namespace lumora;

namespace {

QAbstractButton* ButtonWithText(QWidget* parent, const QString& text) {
  for (auto* b : parent->findChildren<QAbstractButton*>())
    if (b->text().remove(QLatin1Char('&')) == text) return b;
  return nullptr;
}

void Click(QWidget* parent, const QString& text) {
  if (QAbstractButton* b = ButtonWithText(parent, text)) b->click();
}

QString FieldText(QWidget* parent, const char* name) {
  if (auto* edit = parent->findChild<QLineEdit*>(QLatin1String(name))) return edit->text();
  if (auto* label = parent->findChild<QLabel*>(QLatin1String(name))) return label->text();
  return QStringLiteral("<no field %1>").arg(QLatin1String(name));
}

// A plot file with `draws` 'D' lines and `moves` 'M' lines in one survey.
QString WritePlot(const QTemporaryDir& dir, int draws, int moves) {
  const QString path = dir.filePath(QStringLiteral("estimate cave.plt"));
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write("Z -10 10 -10 10 -10 10\r\nSEstimate\r\nNA D 1 1 2020  C\r\n");
  for (int m = 0; m < moves; ++m) {
    f.write(QStringLiteral("M %1.00 0.00 0.00 SM%1 P 1.0 1.0 1.0 1.0 I 0.00 F\r\n").arg(m).toLatin1());
    for (int d = m * draws / moves; d < (m + 1) * draws / moves; ++d)
      f.write(QStringLiteral("D %1.00 1.00 0.00 SD%1 P 1.0 1.0 1.0 1.0 I 1.00 F\r\n").arg(d).toLatin1());
  }
  f.write("X -10 10 -10 10 -10 10\r\n");
  return path;
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void unitsOkChangesAndCancelKeeps() {
    QObject scope;
    TWorkingUnits units = MakeWorkingUnits(true);
    bool presetFeet = false;
    WhenModal(&scope, [&](QWidget* dlg) {
      presetFeet = dlg->windowTitle() == "Environment Options" && ButtonWithText(dlg, "Feet")->isChecked();
      Click(dlg, "Meters");
      Click(dlg, "Cancel");
    });
    QVERIFY(!EditUnits(nullptr, units));
    QVERIFY(presetFeet);
    QVERIFY(units.UnitsFeet);
    QCOMPARE(units.ShortUnitName, std::string("ft"));

    WhenModal(&scope, [&](QWidget* dlg) {
      Click(dlg, "Meters");
      Click(dlg, "OK");
    });
    QVERIFY(EditUnits(nullptr, units));
    QVERIFY(!units.UnitsFeet);
    QCOMPARE(units.ShortUnitName, std::string("m"));
    QCOMPARE(units.LongUnitName, std::string("Meters"));
    QVERIFY(units.LengthFactor > 0.3 && units.LengthFactor < 0.31);

    bool presetMeters = false;
    WhenModal(&scope, [&](QWidget* dlg) {
      presetMeters = ButtonWithText(dlg, "Meters")->isChecked();
      Click(dlg, "OK");
    });
    QVERIFY(EditUnits(nullptr, units));
    QVERIFY(presetMeters);
    QVERIFY(!units.UnitsFeet);
  }

  void saveSettingsWritesOrNamesTheFile() {
    QObject scope;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir dir;
    const TWorkingUnits metres = MakeWorkingUnits(false);

    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    bool boxShown = false;
    {
      QObject watch;
      WhenModal(&watch, [&](QWidget*) { boxShown = true; });
      SaveUnitsCommand(nullptr, metres);
      QTest::qWait(100);  // the watch would have seen a box by now
    }
    QVERIFY(!boxShown);
    QCOMPARE(TIniFile(UnitsSettingsPath()).ReadString("Units", "Feet", "absent"), std::string("0"));

    // A configuration home that is a plain file: nothing can be written.
    const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
    QFile(blocker).open(QIODevice::WriteOnly);
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    const QString target = QString::fromStdString(UnitsSettingsPath().string());
    QString message;
    WhenModal(&scope, [&](QWidget* box) {
      if (auto* mb = qobject_cast<QMessageBox*>(box)) {
        message = mb->text();
        mb->accept();
      }
    });
    SaveUnitsCommand(nullptr, metres);
    qputenv("XDG_CONFIG_HOME", saved);
    QVERIFY2(message.contains(target), qPrintable(message));
  }

  void meshDialogDefaultsAndRanges() {
    TCaveMeshDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("Cave Mesh Settings"));
    auto checked = [&](const char* group) {
      for (auto* r : dlg.findChild<QGroupBox*>(group)->findChildren<QRadioButton*>())
        if (r->isChecked()) return r->text();
      return QString();
    };
    QCOMPARE(checked("PassShapeRadio"), QString("Octagon"));
    QCOMPARE(checked("CornerRadio"), QString("One Pass"));
    struct Spin {
      const char* name;
      double max, value;
    };
    for (const Spin& s :
         {Spin{"CornerAngleSpin", 180, 20}, Spin{"SubSpin", 90, 2}, Spin{"VerticalAngleSpin", 90, 50}}) {
      auto* spin = dlg.findChild<QDoubleSpinBox*>(s.name);
      QVERIFY2(spin, s.name);
      QCOMPARE(spin->minimum(), 0.0);
      QCOMPARE(spin->maximum(), s.max);
      QCOMPARE(spin->singleStep(), 1.0);
      QCOMPARE(spin->value(), s.value);
    }
    for (const char* on : {"SubChk", "ExpandChk", "VerticalChk", "SealChk"})
      QVERIFY2(dlg.findChild<QCheckBox*>(on)->isChecked(), on);
    QVERIFY(!dlg.findChild<QCheckBox*>("ShowHiddenChk")->isChecked());
    QCOMPARE(dlg.findChild<QCheckBox*>("SubChk")->text(), QString("Subst. Missing LRUDs"));

    TCaveMeshSettings s;
    s.PassageShape = psDiamond;
    s.RoundingDepth = 2;
    s.CornerThreshold = 33;
    s.SubstituteDiameter = 7.5;
    s.SubstituteMissing = false;
    s.ExpandPassages = false;
    s.VerticalPrisms = false;
    s.VerticalThreshold = 12;
    s.SealEnds = false;
    s.ShowHidden = true;
    dlg.SetSettings(s);
    const TCaveMeshSettings back = dlg.Settings();
    QCOMPARE(back.PassageShape, int(psDiamond));
    QCOMPARE(back.RoundingDepth, 2);
    QCOMPARE(back.CornerThreshold, 33.0);
    QCOMPARE(back.SubstituteDiameter, 7.5);
    QVERIFY(!back.SubstituteMissing && !back.ExpandPassages && !back.VerticalPrisms && !back.SealEnds);
    QCOMPARE(back.VerticalThreshold, 12.0);
    QVERIFY(back.ShowHidden);

    s.PassageShape = 9;  // from a bad caller: the default, not no choice
    s.CornerThreshold = 500;
    dlg.SetSettings(s);
    QCOMPARE(dlg.Settings().PassageShape, int(psOctagon));
    QCOMPARE(dlg.Settings().CornerThreshold, 180.0);
  }

  void meshDialogEstimatesAndRecomputes() {
    QObject scope;
    QTemporaryDir dir;
    const QString plot = WritePlot(dir, 100, 5);
    TCaveMeshDlg dlg;
    QStringList seen;
    WhenModal(&scope, [&](QWidget* w) {
      auto fields = [&] {
        seen << FieldText(w, "FileDis") + "|" + FieldText(w, "ShotDis") + "|" + FieldText(w, "PolyDis") + "|" +
                    FieldText(w, "MemoryDis");
      };
      fields();
      Click(w, "Square");
      fields();
      Click(w, "Two Pass");
      fields();
      Click(w, "Reprocess");
    });
    QVERIFY(dlg.Execute(plot.toStdString()));
    // Octagon, one pass: 8*199*2 + 8*10 triangles.
    QCOMPARE(seen.value(0), QString("estimate cave.plt|100|3264|0.756 MB"));
    QCOMPARE(seen.value(1), QString("estimate cave.plt|100|1632|0.378 MB"));
    QCOMPARE(seen.value(2), QString("estimate cave.plt|100|3216|0.742 MB"));
    QCOMPARE(dlg.Settings().PassageShape, int(psSquare));

    WhenModal(&scope, [&](QWidget* w) { Click(w, "Close"); });
    QVERIFY(!dlg.Execute(plot.toStdString()));
  }

  void meshDialogGroupsTheThousandsOfMemory() {
    QObject scope;
    QTemporaryDir dir;
    const QString plot = WritePlot(dir, 70000, 1);
    TCaveMeshDlg dlg;
    TCaveMeshSettings twoPass;
    twoPass.RoundingDepth = 2;
    dlg.SetSettings(twoPass);
    QString shots, triangles, memory;
    WhenModal(&scope, [&](QWidget* w) {
      shots = FieldText(w, "ShotDis");
      triangles = FieldText(w, "PolyDis");
      memory = FieldText(w, "MemoryDis");
    });
    dlg.Execute(plot.toStdString());
    QCOMPARE(shots, QString("70000"));
    QCOMPARE(triangles, QString("4479968"));
    QCOMPARE(memory, QString("1,029.657 MB"));
  }

  void meshDialogShowsNothingForAMissingFile() {
    QObject scope;
    QTemporaryDir dir;
    TCaveMeshDlg dlg;
    QString fields;
    bool reprocessEnabled = true;
    WhenModal(&scope, [&](QWidget* w) {
      fields = FieldText(w, "FileDis") + "|" + FieldText(w, "ShotDis") + "|" + FieldText(w, "PolyDis") + "|" +
               FieldText(w, "MemoryDis");
      reprocessEnabled = ButtonWithText(w, "Reprocess")->isEnabled();
      Click(w, "Close");
    });
    QVERIFY(!dlg.Execute(dir.filePath("gone.plt").toStdString()));
    QCOMPARE(fields, QString("gone.plt|||"));
    QVERIFY(!reprocessEnabled);
  }

  void loadProgressFieldsAndBar() {
    TLoadProgressDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("Converting Cave Data To 3D Mesh"));
    QStringList captions;
    for (auto* l : dlg.findChildren<QLabel*>())
      if (l->objectName().isEmpty()) captions << l->text();
    for (const char* c : {" Actions:", " Shots:", " Surveys:", " Polygons:", " Progress:"})
      QVERIFY2(captions.contains(c), c);
    // One button: "Cancel" stops the load.
    const auto buttons = dlg.findChildren<QAbstractButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->text().remove('&'), QString("Cancel"));

    dlg.show();
    const TCaveLoadProgress fields = dlg.Fields();
    fields.Action("Reading File");
    fields.Shots("1,200");
    fields.Surveys("7");
    fields.Polygons("35,000");
    fields.Progress(42);
    QCOMPARE(FieldText(&dlg, "ActionDis"), QString("Reading File"));
    QCOMPARE(FieldText(&dlg, "ShotDis"), QString("1,200"));
    QCOMPARE(FieldText(&dlg, "SurveyDis"), QString("7"));
    QCOMPARE(FieldText(&dlg, "PolygonDis"), QString("35,000"));
    QCOMPARE(FieldText(&dlg, "ProgressDis"), QString("42"));
    auto* bar = dlg.findChild<QProgressBar*>("ProgressBar");
    QCOMPARE(bar->value(), 42);
    fields.Progress(250);
    QCOMPARE(bar->value(), 100);

    // The fields let the window's pending events run.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    QTest::qWait(60);
    ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    fields.Action("Building Mesh");
    QVERIFY(ran);
  }

  void xProgressProcedureSetsTheBar() {
    TProgressDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("Progress"));
    auto* bar = dlg.findChild<QProgressBar*>("ProgressBar");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    const TXProgress progress = dlg.Procedure();
    progress(37);
    QCOMPARE(bar->value(), 37);
    progress(-3);
    QCOMPARE(bar->value(), 0);
    dlg.SetProgress(100);
    QCOMPARE(bar->value(), 100);
  }

  void versionAndYearTexts() {
    QCOMPARE(FormatVersionText(QDate(2026, 1, 5), "0.1.7"), QString("Version 5.26.1.5.7"));
    QCOMPARE(FormatVersionText(QDate(2009, 12, 31), "3"), QString("Version 5.09.12.31.3"));
    QCOMPARE(FormatVersionText(QDate(2026, 1, 5), ""), QString("Version 5.26.1.5."));
    QCOMPARE(FormatYearText(QDate(2026, 1, 5)), QString("Copyright 2026"));
    // The program's own: its file date and the last part of its version.
    QCoreApplication::setApplicationVersion("2.4.19");
    QVERIFY(QRegularExpression("^Version 5\\.\\d\\d\\.\\d{1,2}\\.\\d{1,2}\\.19$").match(VersionText()).hasMatch());
    QVERIFY(QRegularExpression("^Copyright \\d{4}$").match(YearText()).hasMatch());
  }

  void aboutBox() {
    QObject scope;
    QString title;
    QStringList texts;
    bool hasPicture = false;
    WhenModal(&scope, [&](QWidget* w) {
      title = w->windowTitle();
      for (auto* l : w->findChildren<QLabel*>()) {
        texts << l->text();
        hasPicture = hasPicture || !l->pixmap().isNull();
      }
      Click(w, "OK");
    });
    ShowAbout(nullptr);
    QCOMPARE(title, QString("About Lumor Viewer"));
    QVERIFY(texts.contains("Lumora"));
    QVERIFY(texts.contains("OpenGL Cave  Viewer"));
    QVERIFY(texts.contains(VersionText()));
    QVERIFY(texts.contains(YearText()));
    QVERIFY(hasPicture);
    // The SVG renders, so the picture is the icon and not an empty image.
    const QImage icon = ProgramIcon().pixmap(32, 32).toImage();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.pixelColor(16, 16) != icon.pixelColor(0, 0));
  }

  void helpWindowShowsEveryPage() {
    ShowHelpContents(nullptr);
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->windowTitle() == "Lumora Help") window = w;
    QVERIFY(window);
    auto* browser = window->findChild<QTextBrowser*>();
    QVERIFY(browser);
    QVERIFY(browser->toPlainText().contains("Cave Mesh Settings"));
    QVERIFY(browser->documentTitle() == "Lumora Help");

    // Every page reached from the contents exists, and so does every anchor
    // a link names; external links are left alone.
    QStringList pages{"index.html"}, done;
    const QRegularExpression href("href=\"([^\"#:]*)(#[^\"]*)?\"");
    while (!pages.isEmpty()) {
      const QString page = pages.takeFirst();
      if (done.contains(page)) continue;
      done << page;
      QFile f(":/help/" + page);
      QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(page));
      const QString html = QString::fromUtf8(f.readAll());
      for (auto it = href.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QString target = m.captured(1).isEmpty() ? page : m.captured(1);
        if (!target.endsWith(".html")) continue;  // the style sheet
        QFile t(":/help/" + target);
        QVERIFY2(t.open(QIODevice::ReadOnly), qPrintable(page + " -> " + target));
        const QString anchor = m.captured(2).mid(1);
        QVERIFY2(anchor.isEmpty() || QString::fromUtf8(t.readAll()).contains("id=\"" + anchor + "\""),
                 qPrintable(page + " -> " + target + "#" + anchor));
        pages << target;
      }
    }
    QVERIFY2(done.size() >= 7, qPrintable(done.join(' ')));
    window->close();
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
