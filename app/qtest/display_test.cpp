// The display dialogs from the main window's Options menu: "Lighting" with
// its direction dials and position graphs, "Materials", "Display
// Rendering" and "Test Objects", driven through their controls and judged
// by the view's lights, materials and pixels.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/GLMain.h"
#include "app/LightingDlg.h"
#include "app/OptionsPanel.h"
#include "app/MaterialsDlg.h"
#include "app/RenderingDlg.h"
#include "app/TestObjectsDlg.h"
#include "app/qtest/ShowWindow.h"
#include "app/qtest/WhenModal.h"
#include "controls/ColorDisplay.h"
#include "controls/DirectionDial.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

using TRGB = std::array<int, 3>;

// The bytes the view drew, whatever alpha it left beside them; the image
// is one of the 32-bit formats the view's grab gives.
TRGB Raw(const QImage& image, int x, int y) {
  const uchar* p = image.constScanLine(y) + 4 * x;
  return {p[2], p[1], p[0]};
}

bool Near(const TRGB& got, const TRGB& want, int tolerance = 3) {
  for (int k = 0; k < 3; ++k)
    if (std::abs(got[k] - want[k]) > tolerance) return false;
  return true;
}

QByteArray Text(const TRGB& c) { return QByteArray::number(c[0]) + "," + QByteArray::number(c[1]) + "," + QByteArray::number(c[2]); }

// Sum of red, green and blue over the left and the right half of the
// torus's outer rim, which turns outwards like a ball: the test torus at 10
// units shows 100 pixels a unit, so the rim lies 100 to 160 pixels from the
// middle. The overlays in the corners stay outside.
std::pair<double, double> RimHalves(const QImage& image) {
  double left = 0, right = 0;
  const double cx = image.width() / 2.0, cy = image.height() / 2.0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (r < 100 || r > 170) continue;
      const TRGB c = Raw(image, x, y);
      (x < cx ? left : right) += c[0] + c[1] + c[2];
    }
  return {left, right};
}

double Total(const QImage& image) {
  double sum = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const TRGB c = Raw(image, x, y);
      sum += c[0] + c[1] + c[2];
    }
  return sum;
}

void Mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
  QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves to `to` with the left button held, lets go.
void Drag(QWidget* w, QPointF from, QPointF to) {
  Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

void ExpectLightDefaults(const TGLLightSource& l) {
  const TGLLightSource d;
  QCOMPARE(l.Ambient.r, d.Ambient.r);
  QCOMPARE(l.Ambient.a, d.Ambient.a);
  QCOMPARE(l.Diffuse.r, d.Diffuse.r);
  QCOMPARE(l.LightSpecular.g, d.LightSpecular.g);
  QCOMPARE(l.SpotCutoff, d.SpotCutoff);
  for (int k = 0; k < 4; ++k) QCOMPARE(l.LightPosition[k], d.LightPosition[k]);
  for (int k = 0; k < 3; ++k) QCOMPARE(l.SpotDirection[k], d.SpotDirection[k]);
  for (int k = 0; k < 4; ++k) QCOMPARE(l.LightDirection[k], d.LightDirection[k]);
  QCOMPARE(l.LightType, d.LightType);
  QCOMPARE(l.ConstantAttenuation, d.ConstantAttenuation);
  QCOMPARE(l.LinearAttenuation, d.LinearAttenuation);
}

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;

  TGLViewer& View() { return *form->Viewer(); }
  TGLLightSource& Light(int i) { return View().Lights.Lights(i); }
  TLightingDlg* Lighting() { return form->findChild<TLightingDlg*>(); }
  TMaterialsDlg* Materials() { return form->findChild<TMaterialsDlg*>(); }
  TTestObjectsDlg* TestObjects() { return form->findChild<TTestObjectsDlg*>(); }
  template <class T = QWidget>
  static T* In(QWidget* dialog, const char* name) {
    T* w = dialog->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  static QRadioButton* Radio(QWidget* dialog, const char* group, const QString& text) {
    for (auto* r : In(dialog, group)->findChildren<QRadioButton*>())
      if (r->text() == text) return r;
    qFatal("no radio %s", qPrintable(text));
  }
  // Brings the tab page that holds w to the front, as a click on its tab.
  static void ShowTab(QWidget* w) {
    for (QWidget* p = w; p && p->parentWidget(); p = p->parentWidget())
      if (auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget()->parentWidget())) tabs->setCurrentWidget(p);
    QApplication::processEvents();
  }
  static void Click(QWidget* dialog, const char* name) { In<QAbstractButton>(dialog, name)->click(); }
  void Menu(const char* name) { form->findChild<QAction*>(name)->trigger(); }
  QImage Frame() {
    const QImage f = View().grabFramebuffer();
    if (f.depth() != 32) qFatal("grab of %d bits", f.depth());
    return f;
  }
  // Light 0 alone, everything at its defaults.
  void FreshLights() {
    View().ResetLighting();
    for (int i = 0; i < TGLLightArray::kLights; ++i) Light(i).LightEnabled = i == 0;
  }
  TRGB Centre() {
    const QImage f = Frame();
    return Raw(f, f.width() / 2, f.height() / 2);
  }
  void Make(const char* button) {
    Menu("TestObjectsMnu");
    Click(TestObjects(), button);
  }
  // Checks exactly the entries of the materials list with these names.
  void ChooseObjects(QStringList names) {
    auto* list = In<QListWidget>(Materials(), "ObjectList");
    for (int i = 0; i < list->count(); ++i)
      list->item(i)->setCheckState(names.contains(list->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
  }
  void Highlight(const QString& name) {
    auto* list = In<QListWidget>(Materials(), "ObjectList");
    const auto found = list->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    list->setCurrentItem(found.first());
  }

 private slots:
  void initTestCase() {
    ShowWindow(form, 760, 560, nullptr, nullptr);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    QVERIFY(form->Scene().PassageMesh->Visible);
  }

  void optionsItemsOpenTheirDialogsMadeOnce() {
    for (const char* item : {"LightingMnu", "MaterialsMnu", "RenderingMnu", "TestObjectsMnu"})
      QVERIFY2(form->findChild<QAction*>(item)->isEnabled(), item);
    QCOMPARE(form->findChildren<TLightingDlg*>().size(), 1);
    QCOMPARE(form->findChildren<TMaterialsDlg*>().size(), 1);
    QCOMPARE(form->findChildren<TRenderingDlg*>().size(), 1);
    QCOMPARE(form->findChildren<TTestObjectsDlg*>().size(), 1);

    // Before their first opening they act on views of their own.
    QVERIFY(&Lighting()->Target() != &View());
    QVERIFY(&Materials()->Target() != &View());
    QCOMPARE(Materials()->Target().ObjectCount(), 0);
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(100);
    QCOMPARE(Lighting()->Target().SceneAmbient.r, 2.0f);

    QCOMPARE(View().SceneAmbient.r, 0.1f);

    for (auto [item, dialog] : {std::pair<const char*, QDialog*>{"LightingMnu", Lighting()},
                                {"MaterialsMnu", Materials()},
                                {"TestObjectsMnu", TestObjects()}}) {
      Menu(item);
      QVERIFY2(dialog->isVisible(), item);
      QVERIFY(!dialog->isModal());
      QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
      Click(dialog, "CloseBtn");
      QVERIFY(!dialog->isVisible());
      Menu(item);
      QVERIFY(dialog->isVisible());
      dialog->close();
    }
    QCOMPARE(&Lighting()->Target(), &View());
    QCOMPARE(&Materials()->Target(), &View());
    QCOMPARE(Lighting()->windowTitle(), QString("Lighting"));
    QCOMPARE(Materials()->windowTitle(), QString("Materials"));
    QCOMPARE(TestObjects()->windowTitle(), QString("Test Objects"));

    QObject scope;
    QString title;
    bool modal = false;
    WhenModal(&scope, [&](QWidget* w) {
      title = w->windowTitle();
      modal = w->isModal();
      Click(w, "CloseBtn");
    });
    Menu("RenderingMnu");
    QCOMPARE(title, QString("Display Rendering"));
    QVERIFY(modal);
    QVERIFY(!QApplication::activeModalWidget());
  }

  void lightingShowsAndEditsTheHighlightedLight() {
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(50);
    FreshLights();
    Menu("LightingMnu");
    TLightingDlg* d = Lighting();
    auto* list = In<QListWidget>(d, "LightList");
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->count(), 8);
    QCOMPARE(list->item(7)->text(), QString("Light-7"));
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(In<QDoubleSpinBox>(d, "XSpin")->value(), 8.0);
    QCOMPARE(In<QDoubleSpinBox>(d, "ZSpin")->value(), 16.0);
    QCOMPARE(In<QDoubleSpinBox>(d, "CutoffSpin")->value(), 15.0);
    QCOMPARE(In<QDoubleSpinBox>(d, "ConstantSpin")->value(), 1.0);
    QCOMPARE(In<QDoubleSpinBox>(d, "AmbientAlphaSpin")->value(), 1.0);
    QCOMPARE(In<QDoubleSpinBox>(d, "AmbientRedSpin")->value(), 0.0);
    QVERIFY(Radio(d, "LightTypeRadio", "Point")->isChecked());
    // The default ambient 0.1 puts the track at 53, which sets 0.12.
    QCOMPARE(In<QSlider>(d, "AmbientTrack")->value(), 53);
    QCOMPARE(View().SceneAmbient.r, 0.12f);
    QCOMPARE(View().SceneAmbient.a, 0.12f);
    QCOMPARE(In<QLineEdit>(d, "AmbientBox")->text(), QString("0.1"));

    In<QDoubleSpinBox>(d, "XSpin")->setValue(-20);
    QCOMPARE(Light(0).LightPosition[0], -20.0f);
    QCOMPARE(Light(0).LightPosition[3], 1.0f);
    In<QDoubleSpinBox>(d, "DiffuseRedSpin")->setValue(0.5);
    QCOMPARE(Light(0).Diffuse.r, 0.5f);
    QCOMPARE(Light(0).Diffuse.g, 1.0f);
    In<QDoubleSpinBox>(d, "SpecularAlphaSpin")->setValue(0.25);
    QCOMPARE(Light(0).LightSpecular.a, 0.25f);
    Radio(d, "LightTypeRadio", "Spot")->click();
    QCOMPARE(Light(0).LightType, 1);
    In<QDoubleSpinBox>(d, "CutoffSpin")->setValue(30);
    QCOMPARE(Light(0).SpotCutoff, 30.0f);
    In<QDoubleSpinBox>(d, "QuadraticSpin")->setValue(0.125);
    QCOMPARE(Light(0).QuadraticAttenuation, 0.125f);
    QCOMPARE(Light(0).ConstantAttenuation, 1.0f);

    // A check mark switches its light; a click on an entry shows its light.
    list->item(3)->setCheckState(Qt::Checked);
    QVERIFY(Light(3).LightEnabled);
    QVERIFY(Light(0).LightEnabled);
    list->setCurrentRow(3);
    QCOMPARE(In<QDoubleSpinBox>(d, "XSpin")->value(), 8.0);
    QVERIFY(Radio(d, "LightTypeRadio", "Point")->isChecked());
    In<QDoubleSpinBox>(d, "XSpin")->setValue(2);
    QCOMPARE(Light(3).LightPosition[0], 2.0f);
    QCOMPARE(Light(0).LightPosition[0], -20.0f);
    list->item(3)->setCheckState(Qt::Unchecked);
    QVERIFY(!Light(3).LightEnabled);

    // Showing a light does not round it to the spins' decimals.
    Light(0).QuadraticAttenuation = 0.0004f;
    list->setCurrentRow(0);
    QCOMPARE(Light(0).QuadraticAttenuation, 0.0004f);
    d->close();
  }

  // The dials' vector, x turned over, is the light's direction: hand-worked
  // for a quarter turn of the directional dial and 30° of the spot dial.
  void dialsAimTheSpotAndTheDirectionalLight() {
    FreshLights();
    Menu("LightingMnu");
    auto* dir = In<TDirectionDial>(Lighting(), "DirDial");
    auto* spot = In<TDirectionDial>(Lighting(), "SpotDial");
    // (0, 0, 1) and (0, 0, −1), the defaults, as the dials take them.
    QCOMPARE(dir->Yaw(), 180.0);
    QCOMPARE(dir->Pitch(), 90.0);
    QCOMPARE(spot->Yaw(), 0.0);
    QCOMPARE(spot->Pitch(), 90.0);

    Drag(dir, {100, 50}, {10, 50});
    QCOMPARE(dir->Yaw(), 90.0);
    QVERIFY(std::abs(Light(0).LightDirection[0] - 1) < 1e-6);
    QVERIFY(std::abs(Light(0).LightDirection[1]) < 1e-6);
    QVERIFY(std::abs(Light(0).LightDirection[2]) < 1e-6);
    QCOMPARE(Light(0).LightDirection[3], 0.0f);

    Drag(spot, {10, 50}, {40, 50});
    QVERIFY(std::abs(Light(0).SpotDirection[0] - 0.5f) < 1e-6);
    QVERIFY(std::abs(Light(0).SpotDirection[1]) < 1e-6);
    QVERIFY(std::abs(Light(0).SpotDirection[2] + std::sqrt(3.0f) / 2) < 1e-6);
    Lighting()->close();
  }

  // Dragging in a graph moves the light there, and the red dot follows.
  void positionGraphsPlaceTheLight() {
    FreshLights();
    Menu("LightingMnu");
    QWidget* front = In(Lighting(), "FrontGraph");
    QWidget* above = In(Lighting(), "AboveGraph");
    ShowTab(front);
    const QPointF centre(front->width() / 2.0, front->height() / 2.0);
    Drag(front, {0, 0}, {4, 4});
    QVERIFY2(std::abs(Light(0).LightPosition[0] + 50) < 0.6, QByteArray::number(Light(0).LightPosition[0]));
    QVERIFY(std::abs(Light(0).LightPosition[1] - 50) < 0.6);
    QCOMPARE(Light(0).LightPosition[2], 16.0f);
    Drag(above, {0, 0}, {4, 4});  // turned over: z is −50 at the top
    QVERIFY(std::abs(Light(0).LightPosition[2] + 50) < 0.6);
    QVERIFY(std::abs(Light(0).LightPosition[1] - 50) < 0.6);
    Drag(front, centre, centre);
    QVERIFY(std::abs(Light(0).LightPosition[0]) < 1);
    QVERIFY(std::abs(Light(0).LightPosition[1]) < 1);
    QCOMPARE(float(In<QDoubleSpinBox>(Lighting(), "XSpin")->value()), Light(0).LightPosition[0]);

    const QPointF spot(front->width() * 0.75, front->height() * 0.25);
    Drag(front, spot, spot);
    const QImage image = front->grab().toImage();
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == QColor(Qt::red)) sx += x, sy += y, ++n;
    QVERIFY(n > 10);
    QVERIFY2(std::abs(sx / n - spot.x()) < 1.5 && std::abs(sy / n - spot.y()) < 1.5,
             QByteArray::number(sx / n) + "," + QByteArray::number(sy / n));
    Lighting()->close();
  }

  void resetAllResetsOnlyTheLightsThatAreOn() {
    FreshLights();
    Light(2).LightEnabled = false;
    Light(2).LightPosition[0] = 3;
    Light(2).Diffuse = TGLColor{0.3f, 0.2f, 0.1f, 1};
    Light(2).LightType = 2;
    Light(5).LightEnabled = true;
    Light(5).LinearAttenuation = 0.5f;
    Menu("LightingMnu");
    In<QDoubleSpinBox>(Lighting(), "XSpin")->setValue(-7);
    In<QDoubleSpinBox>(Lighting(), "SpecularRedSpin")->setValue(0.3);
    Click(Lighting(), "ResetAllBtn");
    ExpectLightDefaults(Light(0));
    ExpectLightDefaults(Light(5));
    QVERIFY(Light(0).LightEnabled && Light(5).LightEnabled && !Light(2).LightEnabled);
    QCOMPARE(Light(2).LightPosition[0], 3.0f);
    QCOMPARE(Light(2).Diffuse.g, 0.2f);
    QCOMPARE(Light(2).LightType, 2);
    QCOMPARE(In<QDoubleSpinBox>(Lighting(), "XSpin")->value(), 8.0);
    Light(5).LightEnabled = false;
    Lighting()->close();
  }

  void ambientTrackAndItsReset() {
    Menu("LightingMnu");
    auto* track = In<QSlider>(Lighting(), "AmbientTrack");
    auto* box = In<QLineEdit>(Lighting(), "AmbientBox");
    const std::tuple<int, float, const char*> law[] = {{0, -2.0f, "-2.0"}, {50, 0.0f, "0.0"}, {100, 2.0f, "2.0"},
                                                       {75, 1.0f, "1.0"}, {26, -0.96f, "-1.0"}};
    for (const auto& [position, ambient, shown] : law) {
      track->setValue(position);
      QCOMPARE(View().SceneAmbient.r, ambient);
      QCOMPARE(View().SceneAmbient.a, ambient);
      QCOMPARE(box->text(), QString(shown));
    }
    // Reset sets 0.1; the reload moves the track to 53 and so to 0.12, but
    // from 53 the track does not move and 0.1 stays.
    Click(Lighting(), "AmbientResetBtn");
    QCOMPARE(track->value(), 53);
    QCOMPARE(View().SceneAmbient.r, 0.12f);
    Click(Lighting(), "AmbientResetBtn");
    QCOMPARE(View().SceneAmbient.r, 0.1f);
    Lighting()->close();
  }

  // A torus lit by each kind of light is brighter on the side that faces
  // the light, and changes side with it.
  void eachLightTypeLightsTheSideFacingIt() {
    FreshLights();
    Menu("TestObjectsMnu");
    In<QSpinBox>(TestObjects(), "SectorsSpin")->setValue(48);
    In<QSpinBox>(TestObjects(), "SectionsSpin")->setValue(24);
    Click(TestObjects(), "TorusBtn");
    TestObjects()->close();
    Menu("LightingMnu");
    TLightingDlg* d = Lighting();
    auto* x = In<QDoubleSpinBox>(d, "XSpin");
    auto sides = [&] { return RimHalves(Frame()); };

    Radio(d, "LightTypeRadio", "Point")->click();
    In<QDoubleSpinBox>(d, "ZSpin")->setValue(0);
    In<QDoubleSpinBox>(d, "YSpin")->setValue(0);
    x->setValue(20);
    auto [left, right] = sides();
    QVERIFY2(right > 1.3 * left, QByteArray::number(left) + " " + QByteArray::number(right));
    x->setValue(-20);
    std::tie(left, right) = sides();
    QVERIFY2(left > 1.3 * right, QByteArray::number(left) + " " + QByteArray::number(right));

    // Directional: a quarter turn of the dial brings the light from +x,
    // half a turn more from −x.
    Radio(d, "LightTypeRadio", "Directional")->click();
    auto* dir = In<TDirectionDial>(d, "DirDial");
    Drag(dir, {100, 50}, {10, 50});
    std::tie(left, right) = sides();
    QVERIFY2(right > 1.3 * left, QByteArray::number(left) + " " + QByteArray::number(right));
    Drag(dir, {10, 50}, {190, 50});
    QVERIFY(std::abs(Light(0).LightDirection[0] + 1) < 1e-6);
    std::tie(left, right) = sides();
    QVERIFY2(left > 1.3 * right, QByteArray::number(left) + " " + QByteArray::number(right));

    // Spot from the eye, a narrow cone turned 6° right, then 6° left: the
    // ring is 1 unit off the axis at 10 units.
    Radio(d, "LightTypeRadio", "Spot")->click();
    x->setValue(0);
    In<QDoubleSpinBox>(d, "CutoffSpin")->setValue(4);
    auto* spot = In<TDirectionDial>(d, "SpotDial");
    Drag(spot, {50, 50}, {56, 50});
    std::tie(left, right) = sides();
    QVERIFY2(right > 2 * left, QByteArray::number(left) + " " + QByteArray::number(right));
    Drag(spot, {56, 50}, {44, 50});
    std::tie(left, right) = sides();
    QVERIFY2(left > 2 * right, QByteArray::number(left) + " " + QByteArray::number(right));
    d->close();
  }

  // A point light dims with distance only as its attenuation says.
  void attenuationDarkensWithDistance() {
    FreshLights();
    Make("TorusBtn");
    TestObjects()->close();
    Menu("LightingMnu");
    TLightingDlg* d = Lighting();
    In<QDoubleSpinBox>(d, "XSpin")->setValue(0);
    In<QDoubleSpinBox>(d, "YSpin")->setValue(0);
    auto brightness = [&](double z) {
      In<QDoubleSpinBox>(d, "ZSpin")->setValue(z);
      return Total(Frame());
    };
    const double nearPlain = brightness(0), farPlain = brightness(20);
    QVERIFY2(std::abs(farPlain / nearPlain - 1) < 0.1, QByteArray::number(farPlain / nearPlain));
    In<QDoubleSpinBox>(d, "LinearSpin")->setValue(0.1);
    QCOMPARE(Light(0).LinearAttenuation, 0.1f);
    const double nearDim = brightness(0), farDim = brightness(20);
    QVERIFY(nearDim < 0.9 * nearPlain);  // 1 / (1 + 0.1 · 10): half the light
    QVERIFY2(farDim < 0.75 * nearDim, QByteArray::number(farDim / nearDim));
    d->close();
  }

  void materialsLawsAndReset() {
    FreshLights();
    const TCaveScene& s = form->Scene();
    s.Splays->Shininess = 77;
    Light(0).LightPosition[0] = -20;
    Menu("MaterialsMnu");
    TMaterialsDlg* d = Materials();
    auto* list = In<QListWidget>(d, "ObjectList");
    QCOMPARE(list->count(), View().ObjectCount());
    for (int i = 0; i < list->count(); ++i) {
      QCOMPARE(list->item(i)->text(), QString::fromStdString(View().Objects(i)->Name()));
      QCOMPARE(list->item(i)->checkState() == Qt::Checked, View().Objects(i)->Selected());
    }
    QCOMPARE(list->currentRow(), 0);
    auto* shininess = In<QSlider>(d, "ShininessTrack");
    auto* specular = In<QSlider>(d, "SpecularTrack");
    auto* shininessBox = In<QLineEdit>(d, "ShininessBox");
    auto* specularBox = In<QLineEdit>(d, "SpecularBox");
    QCOMPARE(shininessBox->text(), QString("9.8"));
    QCOMPARE(specularBox->text(), QString("0.6"));

    ChooseObjects({"Passage Mesh", "Shots"});
    Highlight("Passage Mesh");
    Click(d, "ResetBtn");
    for (TGLRenderer* r : {static_cast<TGLRenderer*>(s.PassageMesh), static_cast<TGLRenderer*>(s.Shots)}) {
      // 128^0.49 − 1 and 256^0.08 − 1
      QVERIFY(std::abs(r->Shininess - 9.7778686f) < 1e-5);
      for (float c : {r->Specular.r, r->Specular.g, r->Specular.b, r->Specular.a})
        QVERIFY(std::abs(c - 0.5583292f) < 1e-6);
      QCOMPARE(r->Emission.a, 0.0f);
    }
    QCOMPARE(shininess->value(), 49);
    QCOMPARE(specular->value(), 8);
    QCOMPARE(shininessBox->text(), QString("9.8"));
    QCOMPARE(specularBox->text(), QString("0.6"));
    QCOMPARE(s.Splays->Shininess, 77.0f);  // not chosen
    QCOMPARE(Light(0).LightPosition[0], 8.0f);
    QCOMPARE(View().SceneAmbient.r, 0.1f);

    shininess->setValue(100);
    QCOMPARE(s.PassageMesh->Shininess, 127.0f);
    QCOMPARE(shininessBox->text(), QString("127.0"));
    specular->setValue(100);
    QCOMPARE(s.Shots->Specular.g, 255.0f);
    QCOMPARE(specularBox->text(), QString("255.0"));
    specular->setValue(50);
    QCOMPARE(s.PassageMesh->Specular.a, 15.0f);
    QCOMPARE(specularBox->text(), QString("15.0"));
    // Loading the object shows it; 15 loads in base 128 as 57.
    Highlight("Shots");
    Highlight("Passage Mesh");
    QCOMPARE(specular->value(), 57);
    QCOMPARE(shininess->value(), 100);

    // With nothing chosen the boxes keep their first words.
    ChooseObjects({});
    shininess->setValue(30);
    QCOMPARE(shininessBox->text(), QString("9.8"));
    QCOMPARE(s.PassageMesh->Shininess, 127.0f);
    // A frame is no renderer: highlighting it loads nothing.
    Highlight(QString::fromStdString(s.CaveFrame->Name()));
    QCOMPARE(shininess->value(), 30);

    ChooseObjects({"Passage Mesh"});
    In<QDoubleSpinBox>(d, "EmissionRedSpin")->setValue(0.2);
    In<QDoubleSpinBox>(d, "EmissionBlueSpin")->setValue(0.6);
    QCOMPARE(s.PassageMesh->Emission.r, 0.2f);
    QCOMPARE(s.PassageMesh->Emission.b, 0.6f);
    QCOMPARE(s.PassageMesh->Emission.a, 1.0f);
    QCOMPARE(s.Shots->Emission.r, 0.0f);

    Make("CubeBtn");
    TestObjects()->close();
    uint32_t offered = 0;
    form->ChooseColor = [&](uint32_t start) -> std::optional<uint32_t> {
      offered = start;
      return 0x00FF00;
    };
    Click(d, "ColorBtn");
    QCOMPARE(offered, 0xFF0000u);  // the cube's blue
    QCOMPARE(s.PassageMesh->GetColor() & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(In<TColorDisplay>(d, "ColorDis")->Color(), 0x00FF00u);
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(); };
    Click(d, "ColorBtn");
    QCOMPARE(s.PassageMesh->GetColor() & 0xFFFFFF, 0x00FF00u);
    d->close();
  }

  // The cube's face over a grey background, lit by an ambient of exactly 1
  // so its colour is its own: the blended pixel worked by hand.
  void transparencyAndBlendModesMixWithTheBackground() {
    FreshLights();
    Make("CubeBtn");
    TestObjects()->close();
    Menu("LightingMnu");
    In<QListWidget>(Lighting(), "LightList")->item(0)->setCheckState(Qt::Unchecked);
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(75);
    Lighting()->close();
    QCOMPARE(View().SceneAmbient.r, 1.0f);

    Menu("MaterialsMnu");
    TMaterialsDlg* d = Materials();
    ChooseObjects({"Passage Mesh"});
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x808080); };
    Click(d, "BackgroundBtn");
    QCOMPARE(View().ScreenColor(), 0x808080u);
    QVERIFY2(Near(Centre(), {0, 0, 255}), Text(Centre()));

    // Additive at 50 %: the face's 127/255 of blue onto the grey.
    auto* transparent = In<QGroupBox>(d, "TransparentChk");
    auto* track = In<QSlider>(d, "TransparencyTrack");
    track->setValue(50);
    QVERIFY2(Near(Centre(), {0, 0, 255}), Text(Centre()));  // not blended yet
    transparent->setChecked(true);
    QVERIFY(form->Scene().PassageMesh->Blend);
    QVERIFY2(Near(Centre(), {128, 128, 255}), Text(Centre()));
    // Blending with the background: half of each.
    In<QCheckBox>(d, "BlendBackgroundChk")->setChecked(true);
    QVERIFY2(Near(Centre(), {64, 64, 191}), Text(Centre()));
    // A shape made now is as see-through as the one it replaces.
    Make("CubeBtn");
    TestObjects()->close();
    QVERIFY2(Near(Centre(), {64, 64, 191}), Text(Centre()));
    track->setValue(100);
    QVERIFY2(Near(Centre(), {128, 128, 128}), Text(Centre()));
    track->setValue(50);

    // The user's own blend: each radio group picks its factor.
    In<QGroupBox>(d, "UserChk")->setChecked(true);
    Radio(d, "SourceRadio", "One")->click();
    Radio(d, "DestinationRadio", "One")->click();
    Radio(d, "OperatorRadio", "Reverse Subtract")->click();
    QVERIFY2(Near(Centre(), {128, 128, 0}), Text(Centre()));  // grey − blue
    Radio(d, "OperatorRadio", "Subtract")->click();
    QVERIFY2(Near(Centre(), {0, 0, 127}), Text(Centre()));  // blue − grey
    Radio(d, "OperatorRadio", "Min")->click();
    QVERIFY2(Near(Centre(), {0, 0, 128}), Text(Centre()));
    Radio(d, "OperatorRadio", "Max")->click();
    QVERIFY2(Near(Centre(), {128, 128, 255}), Text(Centre()));
    Radio(d, "OperatorRadio", "Add")->click();
    Radio(d, "SourceRadio", "Src Alpha")->click();
    Radio(d, "DestinationRadio", "Zero")->click();
    QVERIFY2(Near(Centre(), {0, 0, 127}), Text(Centre()));
    Radio(d, "DestinationRadio", "Src Color")->click();  // 127/255 blue + grey · (0, 0, 1)
    QVERIFY2(Near(Centre(), {0, 0, 255}), Text(Centre()));
    Radio(d, "SourceRadio", "Zero")->click();
    QVERIFY2(Near(Centre(), {0, 0, 128}), Text(Centre()));

    transparent->setChecked(false);
    QVERIFY(!form->Scene().PassageMesh->Blend);
    QVERIFY2(Near(Centre(), {0, 0, 255}), Text(Centre()));
    d->close();
    View().SetScreenColor(0);
  }

  void renderingCullsTheInsideAndLightsIt() {
    FreshLights();
    Make("CubeBtn");
    TestObjects()->close();
    const TCaveScene& s = form->Scene();
    s.PassageMesh->SetRenderStyle(1);
    s.PassageMesh->SetTwoSided(true);
    View().SetCullFaces(false);
    // The eye inside the cube, half a unit in front of its centre.
    s.CaveFrame->Position.z = 9.5;

    QObject scope;
    bool loaded = false;
    TRGB culled{}, dark{}, lit{};
    WhenModal(&scope, [&](QWidget* w) {
      loaded = Radio(w, "MeshStyleRadio", "Flat")->isChecked() && In<QCheckBox>(w, "InteriorLightingChk")->isChecked() &&
               !In<QCheckBox>(w, "CullBackFacesChk")->isChecked();
      In<QCheckBox>(w, "CullBackFacesChk")->setChecked(true);
      Click(w, "ApplyBtn");
      culled = Centre();
      In<QCheckBox>(w, "CullBackFacesChk")->setChecked(false);
      In<QCheckBox>(w, "InteriorLightingChk")->setChecked(false);
      Click(w, "ApplyBtn");
      dark = Centre();
      In<QCheckBox>(w, "InteriorLightingChk")->setChecked(true);
      Click(w, "ApplyBtn");
      lit = Centre();

      Radio(w, "MeshStyleRadio", "Smooth")->click();
      Click(w, "ApplyBtn");
      loaded = loaded && s.PassageMesh->RenderStyle() == 2 && s.Rose->RenderStyle() == 1 &&
               s.RoseBase->RenderStyle() == 1 && !View().WireFrameLight() && s.Rose->TwoSided();
      Radio(w, "MeshStyleRadio", "Wire Frame")->click();
      Click(w, "ApplyBtn");
      loaded = loaded && s.PassageMesh->RenderStyle() == 0 && s.RoseBase->RenderStyle() == 0 && View().WireFrameLight();
      QVERIFY(w->isVisible());  // Apply leaves it open
      Click(w, "CloseBtn");
    });
    Menu("RenderingMnu");
    QVERIFY(loaded);
    QCOMPARE(culled, (TRGB{0, 0, 0}));  // every wall seen from inside is a back face
    QVERIFY2(dark[2] > 0 && dark[2] < 60, Text(dark));
    QVERIFY2(lit[2] > 150, Text(lit));
    QCOMPARE(form->Options()->MeshQualityRadio->ItemIndex(), 0);

    // Close applies nothing.
    WhenModal(&scope, [&](QWidget* w) {
      Radio(w, "MeshStyleRadio", "Flat")->click();
      Click(w, "CloseBtn");
    });
    Menu("RenderingMnu");
    QCOMPARE(s.PassageMesh->RenderStyle(), 0);
    View().SetWireFrameLight(false);
    View().SetCullFaces(true);
    s.PassageMesh->SetRenderStyle(2);
    s.CaveFrame->Position.z = 0;
  }

  void testObjectsCountTheirTrianglesAndShowProgress() {
    const TCaveScene& s = form->Scene();
    Menu("TestObjectsMnu");
    TTestObjectsDlg* d = TestObjects();
    auto* sectors = In<QSpinBox>(d, "SectorsSpin");
    auto* sections = In<QSpinBox>(d, "SectionsSpin");
    auto* triangles = In<QLineEdit>(d, "TrianglesBox");
    QCOMPARE(sectors->minimum(), 3);
    QCOMPARE(sections->maximum(), 1000);
    for (auto [n, m, shown] : {std::tuple{12, 12, "288"}, {3, 3, "18"}, {7, 5, "70"}}) {
      sectors->setValue(n);
      sections->setValue(m);
      QCOMPARE(triangles->text(), QString(shown));
      s.CaveFrame->Position = {1, 2, -40};
      Click(d, "TorusBtn");
      QCOMPARE(s.PassageMesh->TriangleCount(), 2 * n * m);
      QCOMPARE(s.CaveFrame->Position.z, 0.0);
    }
    // The mesh's stages reached the fields while the dialog was open.
    QVERIFY(!In<QLineEdit>(d, "StatusBox")->text().isEmpty());
    QVERIFY(!In<QLineEdit>(d, "ProgressBox")->text().isEmpty());
    QVERIFY(static_cast<bool>(s.PassageMesh->OnProgress));
    Click(d, "TetrahedronBtn");
    QCOMPARE(s.PassageMesh->TriangleCount(), 4);
    Click(d, "PrismBtn");
    QCOMPARE(s.PassageMesh->TriangleCount(), 12);
    QCOMPARE(s.PassageMesh->GetMax().x, 1.7);
    // The prism fills 3.4 of its 2-unit height's width in the view: wider
    // than high.
    const QImage f = Frame();
    int wide = 0, high = 0;
    for (int x = 0; x < f.width(); ++x) wide += Raw(f, x, f.height() / 2)[2] > 20;
    for (int y = 0; y < f.height(); ++y) high += Raw(f, f.width() / 2, y)[2] > 20;
    QVERIFY2(wide > 1.4 * high, QByteArray::number(wide) + " x " + QByteArray::number(high));

    Click(d, "HelpBtn");
    auto* help = form->findChild<QTextBrowser*>("HelpBrowser");
    QVERIFY(help);
    QCOMPARE(help->source().fileName(), QString("display.html"));
    QVERIFY(help->toPlainText().contains("Test Objects"));
    help->window()->close();

    Click(d, "CloseBtn");
    QVERIFY(!s.PassageMesh->OnProgress);
  }

  void cleanupTestCase() { form.reset(); }
};

QTEST_MAIN(DisplayTest)
#include "display_test.moc"
