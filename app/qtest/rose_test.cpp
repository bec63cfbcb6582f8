// The rose tool from the main window: the "Rose Diagram" dialog's
// defaults, limits and couplings, Create Rose showing the rose in the
// view, its two views, and an empty rose.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/GLMain.h"
#include "app/core/GLSettings.h"
#include "app/qtest/ShowWindow.h"
#include "controls/ColorDisplay.h"
#include "model/PlotReader.h"
#include "rose/ui/RoseDlg.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

QRgb Swatch(QWidget* w) { return qobject_cast<TColorDisplay*>(w)->SwatchColor().rgb(); }

}  // namespace

class RoseTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QStringList infos;
  QTemporaryDir temp;

  template <class T = QWidget>
  T* Find(const char* name) {
    // The dialog's own controls first: other dialogs have a "CloseBtn" too.
    T* w = Dialog()->findChild<T*>(name);
    if (!w) w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TRoseDlg* Dialog() { return form->RoseDlg(); }
  QRadioButton* Radio(const char* group, const QString& text) {
    for (auto* r : Find<QGroupBox>(group)->findChildren<QRadioButton*>())
      if (r->text() == text) return r;
    qFatal("no radio %s", qPrintable(text));
  }
  void Load(const QString& file) {
    form->LoadCave(file);
    QVERIFY(!form->Loading());
  }
  void OpenRose() {
    Find<QAction>("RoseMnu")->trigger();
    QVERIFY(Dialog()->isVisible());
  }
  void CreateRose() { QTest::mouseClick(Find<QPushButton>("CreateRoseBtn"), Qt::LeftButton); }

 private slots:
  void initTestCase() {
    ShowWindow(form, 700, 520, &infos, &infos);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
  }

  void defaultsLimitsAndCouplings() {
    QVERIFY(Find<QAction>("RoseMnu")->isEnabled());
    Load(kDemo);
    OpenRose();
    QCOMPARE(Dialog()->windowTitle(), QString("Rose Diagram"));
    QVERIFY(!Dialog()->isModal());

    auto* minLen = Find<QDoubleSpinBox>("MinLenSpin");
    QCOMPARE(minLen->value(), 0.0);
    QCOMPARE(minLen->maximum(), 100000.0);
    QCOMPARE(minLen->singleStep(), 1.0);
    QVERIFY(Radio("GraphByRadio", "Total Length")->isChecked());
    QVERIFY(Radio("RoseTypeRadio", "360 Degree Rose")->isChecked());
    for (const char* box : {"RainbowChk", "SlopeChk", "BaseChk"}) QVERIFY2(Find<QCheckBox>(box)->isChecked(), box);
    auto* petals = Find<QSpinBox>("PetalsSpin");
    QCOMPARE(petals->value(), 36);
    QCOMPARE(petals->minimum(), 4);
    QCOMPARE(petals->maximum(), 360);
    QCOMPARE(Find<QLabel>("AngleDis")->text(), QString("10.0"));
    petals->setValue(7);
    QCOMPARE(Find<QLabel>("AngleDis")->text(), QString("51.4"));
    petals->setValue(36);

    // Opening set the thickness from the depth range: 1 - -447 ft.
    const double range = form->Document().Model.PlotInfo.DepthRange;
    QCOMPARE(range, 448.0);
    auto* layers = Find<QSpinBox>("LayersSpin");
    auto* thick = Find<QDoubleSpinBox>("ThickSpin");
    QCOMPARE(layers->value(), 24);
    QCOMPARE(layers->minimum(), 1);
    QCOMPARE(layers->maximum(), 180);
    QCOMPARE(thick->decimals(), 2);
    QCOMPARE(thick->minimum(), 0.1);
    QCOMPARE(thick->maximum(), 1000000.0);
    QCOMPARE(thick->value(), 18.67);
    layers->setValue(12);
    QCOMPARE(thick->value(), 37.33);
    thick->setValue(100);
    QCOMPARE(layers->value(), 4);  // round(4.48)
    thick->setValue(0.1);
    QCOMPARE(layers->value(), 180);
    layers->setValue(24);
    QCOMPARE(thick->value(), 18.67);

    auto* fonts = Find<QListWidget>("FontList");
    QCOMPARE(fonts->count(), 8);
    QCOMPARE(fonts->currentItem()->text(), QString("Sans-Serif"));
    QCOMPARE(fonts->item(0)->text(), QString("Roman"));
    QCOMPARE(Swatch(Find("GridColorDis")), qRgb(0, 255, 0));
    QCOMPARE(Swatch(Find("FontColorDis")), qRgb(255, 0, 0));
    auto* bar = Find<QProgressBar>("ProgressBar");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);

    // The colour buttons take the chooser's colour; cancelling keeps it.
    Dialog()->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x804020); };
    Find<QPushButton>("GridColorBtn")->click();
    QCOMPARE(Swatch(Find("GridColorDis")), qRgb(0x20, 0x40, 0x80));
    Dialog()->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(); };
    Find<QPushButton>("FontColorBtn")->click();
    QCOMPARE(Swatch(Find("FontColorDis")), qRgb(255, 0, 0));

    Radio("GraphByRadio", "Frequency")->setChecked(true);
    Radio("RoseTypeRadio", "Water Flow")->setChecked(true);
    Find<QCheckBox>("SlopeChk")->setChecked(false);
    minLen->setValue(3);
    fonts->setCurrentRow(7);
    const TRoseOptions o = Dialog()->Options();
    QCOMPARE(o.GraphBy, TGraphBy::Frequency);
    QCOMPARE(o.RoseType, TRoseType::WaterFlow);
    QVERIFY(!o.SlopeLength && o.Rainbow);
    QCOMPARE(o.MinLength, 3.0);
    QCOMPARE(o.GridColor, 0x804020u);
    QCOMPARE(o.FontColor, 0x0000FFu);
    QCOMPARE(o.FontIndex, 7);

    Radio("GraphByRadio", "Total Length")->setChecked(true);
    Radio("RoseTypeRadio", "360 Degree Rose")->setChecked(true);
    Find<QCheckBox>("SlopeChk")->setChecked(true);
    minLen->setValue(0);
    fonts->setCurrentRow(3);
    Find<QPushButton>("CloseBtn")->click();
    QVERIFY(!Dialog()->isVisible());
  }

  void createRoseShowsItInTheView() {
    Load(kDemo);
    OpenRose();
    const TCaveScene& s = form->Scene();
    CreateRose();
    QVERIFY(form->RoseBuilt());
    QVERIFY(infos.isEmpty());
    QVERIFY(Find<QGroupBox>("RoseChk")->isChecked());
    QCOMPARE(form->NavigatedFrame(), s.RoseFrame);
    QVERIFY(s.RoseFrame->Visible && s.Rose->Visible && s.RoseBase->Visible && s.RoseGrid->Visible);
    QVERIFY(!s.PassageMesh->Visible);
    QCOMPARE(s.Rose->TriangleCount(), 24 * 36 * 8);
    QCOMPARE(Find<QProgressBar>("ProgressBar")->value(), 100);
    QVERIFY(Find<QLabel>("StatusDis")->text().contains("shots counted"));

    // The first rose sits back so the whole of it shows: everything drawn
    // lies inside the picture's frame, and the rainbow is there.
    QTest::mouseClick(Find<QPushButton>("FaceUpBtn"), Qt::LeftButton);
    QVERIFY(std::abs(RotateVector(s.Rose->Orientation, T3DVector{0, 1, 0}).z - 1) < 1e-9);
    const QImage view = form->Viewer()->grabFramebuffer();
    int coloured = 0, edge = 0;
    for (int y = 0; y < view.height(); ++y)
      for (int x = 0; x < view.width(); ++x) {
        const QColor c = view.pixelColor(x, y);
        if (c.saturation() > 128 && c.value() > 80) ++coloured;
        if ((x < 3 || y < 3 || x >= view.width() - 3 || y >= view.height() - 3) && c.value() > 0) ++edge;
      }
    QVERIFY2(coloured > 2000, qPrintable(QString::number(coloured)));
    QCOMPARE(edge, 0);

    // The tool bar turns the rose, not the cave; a rebuild keeps the turn.
    const TQuaternion cave = s.CaveFrame->Orientation;
    QTest::mouseClick(Find<QToolButton>("YawLeftBtn"), Qt::LeftButton);
    const TQuaternion turned = s.RoseFrame->Orientation;
    QVERIFY(std::abs(turned.w - 1) > 1e-6);
    QCOMPARE(s.CaveFrame->Orientation.w, cave.w);
    Find<QSpinBox>("LayersSpin")->setValue(6);
    CreateRose();
    QCOMPARE(s.Rose->TriangleCount(), 6 * 36 * 8);
    QCOMPARE(s.RoseFrame->Orientation.w, turned.w);
    QTest::mouseClick(Find<QPushButton>("SideViewBtn"), Qt::LeftButton);
    QVERIFY(std::abs(RotateVector(s.Rose->Orientation, T3DVector{0, 1, 0}).y - 1) < 1e-9);

    // A new load forgets the rose: it cannot be shown until built again.
    Load(kDemo);
    QVERIFY(!form->RoseBuilt());
    QVERIFY(!Find<QGroupBox>("RoseChk")->isChecked());
    Find<QGroupBox>("RoseChk")->setChecked(true);
    QCOMPARE(infos, QStringList{"No Rose Built. Use Rose Diagram Menu Option"});
    infos.clear();
    Dialog()->close();
  }

  void emptyRoseSaysSo() {
    const QString path = temp.filePath("no shots.plt");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Z 0 10 0 10 0 20\r\nSMain\r\nN S1 D 1 1 2000 C none\r\nM 1 1 1 S A0 P 0 0 0 0\r\n");
    f.close();
    Load(path);
    OpenRose();
    CreateRose();
    const TCaveScene& s = form->Scene();
    QVERIFY(form->RoseBuilt());
    QCOMPARE(s.Rose->TriangleCount(), 0);
    QCOMPARE(s.RoseBase->TriangleCount(), 12);
    QVERIFY(s.RoseGrid->SegmentCount() > 0);
    QVERIFY(Find<QLabel>("StatusDis")->text().startsWith("No shot counted"));
    form->Viewer()->grabFramebuffer();
    Dialog()->close();
  }
};

QTEST_MAIN(RoseTest)
#include "rose_test.moc"
