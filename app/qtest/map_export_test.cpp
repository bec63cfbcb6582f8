// File > Export Map... through its dialog: the current view's direction
// and colouring as the dialog's start, the options taken, the file's
// suffix added, the last options offered again, and the print preview.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QtTest>

#include "app/MapDlg.h"
#include "app/core/CaveViews.h"
#include "app/qtest/MainWindowFixture.h"

namespace lumora {

class MapExportTest : public QObject, TMainWindowFixture {
  Q_OBJECT
 private slots:
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void exportsTheViewAsAMap() {
    Load(kDemo);
    struct Case {
      double bearing;  // < 0: plan
      const char* format;
      int view;  // the dialog's view row
      const char* text;
    };
    for (const Case c : {Case{-1, "svg", 0, ">Plan \u00B7 scale 1:2000"}, Case{90, "pdf", 2, "%PDF-"}}) {
      if (c.bearing < 0)
        SetPlanView(Cave());
      else
        SetElevationView(Cave(), c.bearing);
      Render();
      int shownView = -1;
      form->RunMapDialog = [&](TMapDlg& d) {
        shownView = d.ViewBox->currentIndex();
        d.ScaleBox->setCurrentText("1:2000");
        d.FormatBox->setCurrentIndex(QString(c.format) == "pdf" ? 1 : 0);
        d.LabelsChk->setChecked(true);
        return true;
      };
      const QString file = temp.filePath("map");
      form->AskFileName = [&](const QString&, const QString&, const QString&, bool) { return file; };
      Find<QAction>("ExportMapMnu")->trigger();
      QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
      QCOMPARE(shownView, c.view);
      QFile out(file + "." + c.format);
      QVERIFY(out.open(QIODevice::ReadOnly));
      const QByteArray bytes = out.readAll();
      QVERIFY2(bytes.contains(c.text), c.text);
    }
    // The next dialog starts from the last options; its preview draws the
    // map on the printer's pages.
    QString scale;
    form->RunMapDialog = [&](TMapDlg& d) {
      scale = d.ScaleBox->currentText();
      d.findChild<QPushButton*>("PreviewBtn")->click();
      return true;
    };
    QString title;
    int pages = 0;
    OnNextDialog([&](QWidget* d) { pages = d->findChild<QPrintPreviewWidget*>()->pageCount(); }, &title);
    Find<QAction>("PrintMnu")->trigger();
    QCOMPARE(scale, QString("1:2000"));
    QCOMPARE(pages, 1);
  }
};

}  // namespace lumora

QTEST_MAIN(lumora::MapExportTest)
#include "map_export_test.moc"
