// Pictures and video of the view as a caver takes them: the "Bitmap Size"
// dialog's sums, a picture saved and copied at a scale, one too large for
// the GL, the capture options, and recordings that end by the frame limit,
// by the button, by a full disk, on an unwritable target and when the
// window closes, each read back by ffprobe and ffmpeg.

#include <sys/resource.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <memory>

#include "app/GLMain.h"
#include "app/qtest/ShowWindow.h"
#include "app/qtest/WhenModal.h"
#include "capture/ui/GLBMPSizeDlg.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

QString Field(QWidget* dialog, const char* name) {
  if (auto* e = dialog->findChild<QLineEdit*>(name)) return e->text();
  if (auto* l = dialog->findChild<QLabel*>(name)) return l->text();
  return "<none>";
}

struct TVideo {
  int Width = 0, Height = 0, Frames = -1;
  QString Codec, Errors;
  bool CaveInLastFrame = false;
};

// What ffprobe reads and ffmpeg decodes; Errors holds any complaint.
TVideo ReadVideo(const QString& file) {
  TVideo v;
  QProcess probe;
  probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                          "stream=codec_name,width,height,nb_read_frames", "-of", "default=noprint_wrappers=1", file});
  probe.waitForFinished(60000);
  for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split('\n')) {
    const QString key = line.section('=', 0, 0), value = line.section('=', 1);
    if (key == "codec_name") v.Codec = value;
    if (key == "width") v.Width = value.toInt();
    if (key == "height") v.Height = value.toInt();
    if (key == "nb_read_frames") v.Frames = value.toInt();
  }
  v.Errors = QString::fromUtf8(probe.readAllStandardError());
  QProcess decode;
  decode.start("ffmpeg", {"-v", "error", "-i", file, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  decode.waitForFinished(60000);
  const QByteArray frames = decode.readAllStandardOutput();
  v.Errors += QString::fromUtf8(decode.readAllStandardError());
  const qsizetype frameBytes = qsizetype{v.Width} * v.Height * 3;
  if (frameBytes > 0 && frames.size() >= frameBytes) {
    const QByteArray last = frames.right(frameBytes);
    for (qsizetype i = 0; i < last.size() && !v.CaveInLastFrame; ++i) v.CaveInLastFrame = last[i] != 0;
  }
  return v;
}

}  // namespace

class CaptureTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QStringList infos, errors;
  QTemporaryDir temp;
  QString nextFile, askedTitle, askedSuffix;
  bool haveFfmpeg = false;

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QToolButton* CaptureBtn() { return Find<QToolButton>("CaptureBtn"); }
  void Menu(const char* item) { Find<QAction>(item)->trigger(); }

  // Sets the scale in the next "Bitmap Size" dialog and presses OK.
  void AnswerScale(double scale) {
    WhenModal(form.get(), [scale](QWidget* d) {
      d->findChild<QDoubleSpinBox*>("ScaleSpin")->setValue(scale);
      d->findChild<QAbstractButton*>("OKBtn")->click();
    });
  }
  // Options for the next recordings.
  void SetOptions(int fps, int maxFrames, bool limit) {
    WhenModal(form.get(), [=](QWidget* d) {
      d->findChild<QSpinBox*>("FPSSpin")->setValue(fps);
      d->findChild<QSpinBox*>("MaxFramesSpin")->setValue(maxFrames);
      d->findChild<QCheckBox*>("LimitChk")->setChecked(limit);
      d->findChild<QAbstractButton*>("CloseBtn")->click();
    });
    Menu("CaptureOptionsMnu");
  }
  void Arm(const QString& file) {
    nextFile = file;
    Menu("ArmCaptureMnu");
  }
  // Redraws the view `times` times, a little apart, or until a message.
  void Redraw(int times) {
    for (int i = 0; i < times && infos.isEmpty(); ++i) {
      form->Viewer()->repaint();
      QTest::qWait(5);
    }
  }

 private slots:
  void initTestCase() {
    haveFfmpeg =
        !QStandardPaths::findExecutable("ffprobe").isEmpty() && !QStandardPaths::findExecutable("ffmpeg").isEmpty();
    ShowWindow(form, 640, 420, &infos, &errors);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    form->LoadCave(kDemo);
    QVERIFY(!form->Loading());
    form->AskFileName = [this](const QString& title, const QString&, const QString& suffix, bool save) {
      askedTitle = title;
      askedSuffix = suffix;
      return save ? nextFile : QString();
    };
  }

  void init() {
    infos.clear();
    errors.clear();
  }

  void bitmapSizeDialogRoundsAndRemembers() {
    TBMPSizeDlg dlg;
    QString max, base, scaled, reset;
    double clampedHigh = 0, clampedLow = 0;
    WhenModal(&dlg, [&](QWidget* d) {
      auto* spin = d->findChild<QDoubleSpinBox*>("ScaleSpin");
      max = Field(d, "MaxWidthDis") + "x" + Field(d, "MaxHeightDis");
      base = Field(d, "BaseWidthDis") + "x" + Field(d, "BaseHeightDis");
      spin->setValue(2.5);  // 2.5 x 401 = 1002.5, halves to even
      scaled = Field(d, "ScaledWidthDis") + "x" + Field(d, "ScaledHeightDis");
      d->findChild<QAbstractButton*>("ResetBtn")->click();
      reset = QString::number(spin->value()) + " " + Field(d, "ScaledWidthDis") + "x" + Field(d, "ScaledHeightDis");
      spin->setValue(5000);
      clampedHigh = spin->value();
      spin->setValue(0.01);
      clampedLow = spin->value();
      spin->setValue(2.5);
      d->findChild<QAbstractButton*>("OKBtn")->click();
    });
    double scale = 0;
    QVERIFY(dlg.AskBitmapScale(8192, 4096, 401, 300, scale));
    QCOMPARE(dlg.windowTitle(), QString("Bitmap Size"));
    QCOMPARE(scale, 2.5);
    QCOMPARE(max, QString("8192x4096"));
    QCOMPARE(base, QString("401x300"));
    QCOMPARE(scaled, QString("1002x750"));
    QCOMPARE(reset, QString("1 401x300"));
    QCOMPARE(clampedHigh, 1000.0);
    QCOMPARE(clampedLow, 0.1);

    // The scale is kept for the next use; Escape cancels.
    double kept = 0;
    WhenModal(&dlg, [&](QWidget* d) {
      kept = d->findChild<QDoubleSpinBox*>("ScaleSpin")->value();
      QTest::keyClick(d, Qt::Key_Escape);
    });
    scale = 0;
    QVERIFY(!dlg.AskBitmapScale(8192, 4096, 401, 300, scale));
    QCOMPARE(kept, 2.5);
    QCOMPARE(scale, 0.0);
  }

  void savedAndCopiedPicturesHaveTheScaledSize() {
    const int w = form->Viewer()->width(), h = form->Viewer()->height();
    const QString bmp = temp.filePath("view.bmp");
    nextFile = bmp;
    AnswerScale(2);
    Menu("SaveBitmapMnu");
    QCOMPARE(askedTitle, QString("Save Bitmap File"));
    QCOMPARE(askedSuffix, QString("bmp"));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QFile file(bmp);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("BM"));
    // Qt reads our bitmap back as the view draws it at that size.
    const QImage saved(bmp);
    QCOMPARE(saved.size(), QSize(2 * w, 2 * h));
    const TBitmap32 drawn = form->Viewer()->RenderToBitmap(nullptr, 2);
    int differ = 0, cave = 0;
    for (int y = 0; y < drawn.Height; ++y)
      for (int x = 0; x < drawn.Width; ++x) {
        const uint8_t* p = drawn.Row(y) + 4 * x;
        const QRgb q = saved.pixel(x, y);
        differ += qRed(q) != p[2] || qGreen(q) != p[1] || qBlue(q) != p[0];
        cave += qRed(q) > 100;
      }
    QCOMPARE(differ, 0);
    QVERIFY2(cave > 1000, qPrintable(QString::number(cave)));

    // A name ending in .png gets a PNG.
    nextFile = temp.filePath("view.png");
    AnswerScale(0.5);
    Menu("SaveBitmapMnu");
    QCOMPARE(QImageReader(nextFile).format(), QByteArray("png"));
    // Halves round to even, as the dialog shows the size.
    QCOMPARE(QImage(nextFile).size(),
             QSize(static_cast<int>(std::nearbyint(0.5 * w)), static_cast<int>(std::nearbyint(0.5 * h))));

    // Copy puts the same picture on the clipboard.
    QGuiApplication::clipboard()->clear();
    AnswerScale(1.5);
    Menu("CopyMnu");
    QCOMPARE(QGuiApplication::clipboard()->image().size(),
             QSize(static_cast<int>(std::nearbyint(1.5 * w)), static_cast<int>(std::nearbyint(1.5 * h))));
    QVERIFY(errors.isEmpty());
  }

  void aPictureTooLargeIsRefused() {
    nextFile = temp.filePath("huge.bmp");
    AnswerScale(1000);
    Menu("SaveBitmapMnu");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("larger than this graphics system can draw"), qPrintable(errors[0]));
    QVERIFY(!QFile::exists(nextFile));
    // The view still draws.
    QVERIFY(!form->Viewer()->grabFramebuffer().isNull());
  }

  void captureOptionsDialog() {
    QString title, defaults, longest, shortest;
    bool helped = false;
    WhenModal(form.get(), [&](QWidget* d) {
      title = d->windowTitle();
      auto* maxFrames = d->findChild<QSpinBox*>("MaxFramesSpin");
      defaults = QString("%1 %2 %3 %4 %5")
                     .arg(d->findChild<QSpinBox*>("FPSSpin")->value())
                     .arg(d->findChild<QDoubleSpinBox*>("CompressSpin")->value())
                     .arg(d->findChild<QCheckBox*>("LimitChk")->isChecked())
                     .arg(maxFrames->value())
                     .arg(Field(d, "DisTime"));
      maxFrames->setValue(100000);
      longest = Field(d, "DisTime");
      maxFrames->setValue(100);
      shortest = Field(d, "DisTime");
      maxFrames->setValue(180);
      d->findChild<QAbstractButton*>("HelpBtn")->click();
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "HelpWindow" && w->isVisible()) {
          helped = w->findChild<QTextBrowser*>("HelpBrowser")->source().fileName() == "capture.html";
          w->close();
        }
      d->findChild<QAbstractButton*>("CloseBtn")->click();
    });
    Menu("CaptureOptionsMnu");
    QCOMPARE(title, QString("AVI Capture Options"));
    QCOMPARE(defaults, QString("18 35 1 180 0:10"));
    QCOMPARE(longest, QString("92:35"));
    QCOMPARE(shortest, QString("0:05"));
    QVERIFY(helped);
  }

  void theFrameLimitEndsTheRecording() {
    if (!haveFfmpeg) QSKIP("ffprobe and ffmpeg are not installed");
    QVERIFY(!CaptureBtn()->isEnabled());
    SetOptions(1000, 4, true);
    const QString file = temp.filePath("limit.avi");
    Arm(file);
    QCOMPARE(askedTitle, QString("Save AVI File"));
    QCOMPARE(askedSuffix, QString("avi"));
    QVERIFY(CaptureBtn()->isEnabled());
    CaptureBtn()->click();
    QVERIFY(CaptureBtn()->isChecked());
    Redraw(200);
    QTRY_COMPARE(infos, QStringList{"Frame Limit Exceeded\r\nAVI has been closed."});
    QVERIFY(!CaptureBtn()->isChecked());
    QVERIFY(!CaptureBtn()->isEnabled());
    const TVideo v = ReadVideo(file);
    QCOMPARE(v.Codec, QString("rawvideo"));
    QCOMPARE(QSize(v.Width, v.Height), form->Viewer()->size());
    QCOMPARE(v.Frames, 4);
    QVERIFY2(v.Errors.isEmpty(), qPrintable(v.Errors));
    QVERIFY(v.CaveInLastFrame);
  }

  void theButtonStopsAndTheSizeStaysThroughAResize() {
    if (!haveFfmpeg) QSKIP("ffprobe and ffmpeg are not installed");
    SetOptions(1000, 3, false);
    const QString file = temp.filePath("resize.avi");
    Arm(file);
    const QSize first = form->Viewer()->size();
    CaptureBtn()->click();
    Redraw(5);
    form->resize(form->width() + 120, form->height() + 60);
    QTRY_VERIFY(form->Viewer()->size() != first);
    Redraw(5);
    CaptureBtn()->click();
    QVERIFY(!CaptureBtn()->isEnabled());
    QVERIFY(infos.isEmpty());
    const TVideo v = ReadVideo(file);
    QCOMPARE(QSize(v.Width, v.Height), first);
    QVERIFY2(v.Frames >= 6, qPrintable(QString::number(v.Frames)));
    QVERIFY2(v.Errors.isEmpty(), qPrintable(v.Errors));
    QVERIFY(v.CaveInLastFrame);
    form->resize(640, 420);
  }

  void aTargetThatCannotBeWrittenStopsAtOnce() {
    Arm("/proc/lumora/capture.avi");
    CaptureBtn()->click();
    QCOMPARE(infos, QStringList{"File Access Error"});
    QVERIFY(!CaptureBtn()->isChecked());
    QVERIFY(!CaptureBtn()->isEnabled());
  }

  void aFullDiskStopsWithThePlayableFrames() {
    if (!haveFfmpeg) QSKIP("ffprobe and ffmpeg are not installed");
    SetOptions(1000, 100, false);
    const QString file = temp.filePath("full.avi");
    Arm(file);
    // Room for the header and two and a half frames.
    const QSize size = form->Viewer()->size();
    const rlim_t frame = static_cast<rlim_t>((size.width() * 3 + 3) / 4 * 4) * size.height() + 8;
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 17 * 1024 + frame * 5 / 2;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    CaptureBtn()->click();
    Redraw(100);
    QTRY_COMPARE(infos, QStringList{"File Access Error"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    QVERIFY(!CaptureBtn()->isEnabled());
    const TVideo v = ReadVideo(file);
    QCOMPARE(v.Frames, 2);
    QVERIFY2(v.Errors.isEmpty(), qPrintable(v.Errors));
  }

  // Last: the window closes.
  void closingTheWindowFinishesTheVideo() {
    if (!haveFfmpeg) QSKIP("ffprobe and ffmpeg are not installed");
    SetOptions(1000, 100, true);
    const QString file = temp.filePath("closed.avi");
    Arm(file);
    CaptureBtn()->click();
    Redraw(3);
    form->close();
    const TVideo v = ReadVideo(file);
    QVERIFY2(v.Frames >= 1, qPrintable(QString::number(v.Frames)));
    QVERIFY2(v.Errors.isEmpty(), qPrintable(v.Errors));
    QVERIFY(infos.isEmpty());
  }

  void cleanupTestCase() { form.reset(); }
};

QTEST_MAIN(CaptureTest)
#include "capture_test.moc"
