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
#include <functional>
#include <memory>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/qtest/ShowWindow.h"
#include "app/qtest/WhenModal.h"
#include "app/ui/LightingDlg.h"
#include "app/ui/MaterialsDlg.h"
#include "app/ui/RenderingDlg.h"
#include "app/ui/TestObjectsDlg.h"
#include "controls/DirectionDial.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

using TRGB = std::array<int, 3>;

// The bytes the view drew, whatever alpha it left beside them.
TRGB Raw(const QImage& image, int x, int y) {
  const uchar* p = image.constScanLine(y) + 4 * x;
  return {p[2], p[1], p[0]};
}

// Red + green + blue over the pixels at distance r from the middle, left
// of it, for which `where` holds.
double Sum(const QImage& image, const std::function<bool(double r, bool left)>& where) {
  double sum = 0;
  const double cx = image.width() / 2.0, cy = image.height() / 2.0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (!where(std::hypot(x + 0.5 - cx, y + 0.5 - cy), x < cx)) continue;
      const TRGB c = Raw(image, x, y);
      sum += c[0] + c[1] + c[2];
    }
  return sum;
}

// The left and right half of the test torus's outer rim, which turns
// outwards like a ball: at 10 units the view shows 100 pixels a unit, so
// the rim lies 100 to 160 pixels from the middle, clear of the overlays.
std::pair<double, double> RimHalves(const QImage& image) {
  auto rim = [](bool side) { return [side](double r, bool left) { return r >= 100 && r <= 170 && left == side; }; };
  return {Sum(image, rim(true)), Sum(image, rim(false))};
}

#define VERIFY_MORE(a, factor, b) \
  QVERIFY2((a) > (factor) * (b), QByteArray::number(a) + " against " + QByteArray::number(b))

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

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;

  TGLViewer& View() { return *form->Viewer(); }
  const TCaveScene& Scene() { return form->Scene(); }
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
  static void Click(QWidget* dialog, const char* name) { In<QAbstractButton>(dialog, name)->click(); }
  QDoubleSpinBox* LightSpin(const char* name) { return In<QDoubleSpinBox>(Lighting(), name); }
  void Menu(const char* name) { form->findChild<QAction*>(name)->trigger(); }
  QImage Frame() {
    const QImage f = View().grabFramebuffer();
    if (f.depth() != 32) qFatal("grab of %d bits", f.depth());
    return f;
  }
  TRGB Centre() {
    const QImage f = Frame();
    return Raw(f, f.width() / 2, f.height() / 2);
  }
  void ExpectCentre(const TRGB& want) {
    const TRGB c = Centre();
    for (int k = 0; k < 3; ++k)
      QVERIFY2(std::abs(c[k] - want[k]) <= 3, QStringLiteral("%1,%2,%3").arg(c[0]).arg(c[1]).arg(c[2]).toLatin1());
  }
  // Light 0 alone, everything at its defaults.
  void FreshLights() {
    View().ResetLighting();
    for (int i = 0; i < TGLLightArray::kLights; ++i) Light(i).LightEnabled = i == 0;
  }
  void Make(const char* button) {
    Menu("TestObjectsMnu");
    Click(TestObjects(), button);
    TestObjects()->close();
  }
  // Checks exactly the entries of the materials list with these names.
  void ChooseObjects(const QStringList& names) {
    auto* list = In<QListWidget>(Materials(), "ObjectList");
    for (int i = 0; i < list->count(); ++i)
      list->item(i)->setCheckState(names.contains(list->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
  }
  void Highlight(const QString& name) {
    auto* list = In<QListWidget>(Materials(), "ObjectList");
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
  }

 private slots:
  void initTestCase() {
    ShowWindow(form, 760, 560, nullptr, nullptr);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    QVERIFY(Scene().PassageMesh->Visible);
  }

  void optionsItemsOpenTheirDialogsMadeOnce() {
    // Before their first opening they act on views of their own.
    QVERIFY(&Lighting()->Target() != &View());
    QCOMPARE(Materials()->Target().ObjectCount(), 0);
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(100);
    QCOMPARE(Lighting()->Target().SceneAmbient.r, 2.0f);
    QCOMPARE(View().SceneAmbient.r, 0.1f);

    for (auto [item, dialog] : {std::pair<const char*, QDialog*>{"LightingMnu", Lighting()},
                                {"MaterialsMnu", Materials()},
                                {"TestObjectsMnu", TestObjects()}}) {
      QVERIFY(form->findChild<QAction*>(item)->isEnabled());
      Menu(item);
      QVERIFY2(dialog->isVisible() && !dialog->isModal(), item);
      QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
      Click(dialog, "CloseBtn");
      QVERIFY(!dialog->isVisible());
      Menu(item);
      QVERIFY(dialog->isVisible());
      dialog->close();
    }
    QCOMPARE(form->findChildren<TLightingDlg*>().size(), 1);
    QCOMPARE(form->findChildren<TMaterialsDlg*>().size(), 1);
    QCOMPARE(form->findChildren<TTestObjectsDlg*>().size(), 1);
    QCOMPARE(&Lighting()->Target(), &View());
    QCOMPARE(&Materials()->Target(), &View());

    QObject scope;
    QString title;
    WhenModal(&scope, [&](QWidget* w) {
      title = w->windowTitle();
      Click(w, "CloseBtn");
    });
    Menu("RenderingMnu");
    QCOMPARE(title, QString("Display Rendering"));
    QVERIFY(!QApplication::activeModalWidget());
  }

  void lightingShowsAndEditsTheHighlightedLight() {
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(50);
    FreshLights();
    Menu("LightingMnu");
    auto* list = In<QListWidget>(Lighting(), "LightList");
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->item(7)->text(), QString("Light-7"));
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
    // The default ambient 0.1 puts the track at 53, which sets 0.12.
    QCOMPARE(In<QSlider>(Lighting(), "AmbientTrack")->value(), 53);
    QCOMPARE(View().SceneAmbient.a, 0.12f);
    QCOMPARE(In<QLineEdit>(Lighting(), "AmbientBox")->text(), QString("0.1"));

    // Each spin shows its field and writes it.
    const std::tuple<const char*, double, double, std::function<float&(TGLLightSource&)>> spins[] = {
        {"XSpin", 8, -20, [](TGLLightSource& l) -> float& { return l.LightPosition[0]; }},
        {"ZSpin", 16, 3.5, [](TGLLightSource& l) -> float& { return l.LightPosition[2]; }},
        {"DiffuseRedSpin", 1, 0.5, [](TGLLightSource& l) -> float& { return l.Diffuse.r; }},
        {"AmbientAlphaSpin", 1, 0.3, [](TGLLightSource& l) -> float& { return l.Ambient.a; }},
        {"SpecularGreenSpin", 1, 0.25, [](TGLLightSource& l) -> float& { return l.LightSpecular.g; }},
        {"CutoffSpin", 15, 30, [](TGLLightSource& l) -> float& { return l.SpotCutoff; }},
        {"ConstantSpin", 1, 2, [](TGLLightSource& l) -> float& { return l.ConstantAttenuation; }},
        {"QuadraticSpin", 0, 0.125, [](TGLLightSource& l) -> float& { return l.QuadraticAttenuation; }}};
    for (const auto& [name, shown, set, field] : spins) {
      QCOMPARE(LightSpin(name)->value(), shown);
      LightSpin(name)->setValue(set);
      QCOMPARE(field(Light(0)), float(set));
    }
    QCOMPARE(Light(0).LightPosition[3], 1.0f);
    QCOMPARE(Light(0).LinearAttenuation, 0.0f);
    Radio(Lighting(), "LightTypeRadio", "Spot")->click();
    QCOMPARE(Light(0).LightType, 1);

    // A check mark switches its light; a click on an entry shows its light.
    list->item(3)->setCheckState(Qt::Checked);
    QVERIFY(Light(3).LightEnabled && Light(0).LightEnabled);
    list->setCurrentRow(3);
    QCOMPARE(LightSpin("XSpin")->value(), 8.0);
    QVERIFY(Radio(Lighting(), "LightTypeRadio", "Point")->isChecked());
    LightSpin("XSpin")->setValue(2);
    QCOMPARE(Light(3).LightPosition[0], 2.0f);
    QCOMPARE(Light(0).LightPosition[0], -20.0f);
    // Showing a light does not round it to the spins' decimals.
    Light(0).QuadraticAttenuation = 0.0004f;
    list->setCurrentRow(0);
    QCOMPARE(Light(0).QuadraticAttenuation, 0.0004f);
    Lighting()->close();
  }

  // The dials' vector, x turned over, is the light's direction: worked by
  // hand for a quarter turn of the directional dial and 30° of the spot's.
  void dialsAimTheSpotAndTheDirectionalLight() {
    FreshLights();
    Menu("LightingMnu");
    auto* dir = In<TDirectionDial>(Lighting(), "DirDial");
    auto* spot = In<TDirectionDial>(Lighting(), "SpotDial");
    // The defaults (0, 0, 1) and (0, 0, −1) as the dials take them.
    QVERIFY(dir->Yaw() == 180 && dir->Pitch() == 90 && spot->Yaw() == 0 && spot->Pitch() == 90);
    Drag(dir, {100, 50}, {10, 50});
    QCOMPARE(dir->Yaw(), 90.0);
    const float* d = Light(0).LightDirection;
    QVERIFY(std::abs(d[0] - 1) < 1e-6 && std::abs(d[1]) < 1e-6 && std::abs(d[2]) < 1e-6 && d[3] == 0);
    Drag(spot, {10, 50}, {40, 50});
    const float* s = Light(0).SpotDirection;
    QVERIFY(std::abs(s[0] - 0.5f) < 1e-6 && std::abs(s[1]) < 1e-6 && std::abs(s[2] + std::sqrt(3.0f) / 2) < 1e-6);
    Lighting()->close();
  }

  // Dragging in a graph moves the light there, and the red dot follows.
  void positionGraphsPlaceTheLight() {
    FreshLights();
    Menu("LightingMnu");
    QWidget* front = In(Lighting(), "FrontGraph");
    QWidget* above = In(Lighting(), "AboveGraph");
    // Bring the Position page to the front, as a click on its tab does.
    In<QTabWidget>(Lighting(), "LightPages")->setCurrentIndex(1);
    QApplication::processEvents();
    const float* p = Light(0).LightPosition;
    Drag(front, {0, 0}, {4, 4});  // the top left corner of the graph
    QVERIFY2(std::abs(p[0] + 50) < 0.6 && std::abs(p[1] - 50) < 0.6 && p[2] == 16, QByteArray::number(p[0]));
    Drag(above, {0, 0}, {4, 4});  // turned over: z is −50 at the top
    QVERIFY(std::abs(p[2] + 50) < 0.6 && std::abs(p[1] - 50) < 0.6);

    const QPointF spot(front->width() * 0.75, front->height() * 0.25);
    Drag(front, spot, spot);
    QCOMPARE(float(LightSpin("XSpin")->value()), p[0]);
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
    Light(2).LightPosition[0] = 3;
    Light(2).Diffuse.g = 0.2f;
    Light(2).LightType = 2;
    Light(5).LightEnabled = true;
    Light(5).LinearAttenuation = 0.5f;
    Menu("LightingMnu");
    LightSpin("XSpin")->setValue(-7);
    LightSpin("SpecularRedSpin")->setValue(0.3);
    Click(Lighting(), "ResetAllBtn");
    QVERIFY(Light(0).LightPosition[0] == 8 && Light(0).LightSpecular.r == 1 && Light(5).LinearAttenuation == 0);
    QVERIFY(Light(0).LightEnabled && Light(5).LightEnabled && !Light(2).LightEnabled);
    QVERIFY(Light(2).LightPosition[0] == 3 && Light(2).Diffuse.g == 0.2f && Light(2).LightType == 2);
    QCOMPARE(LightSpin("XSpin")->value(), 8.0);
    Lighting()->close();
  }

  void ambientTrackAndItsReset() {
    Menu("LightingMnu");
    auto* track = In<QSlider>(Lighting(), "AmbientTrack");
    const std::tuple<int, float, const char*> law[] = {
        {0, -2.0f, "-2.0"}, {50, 0.0f, "0.0"}, {100, 2.0f, "2.0"}, {26, -0.96f, "-1.0"}};
    for (const auto& [position, ambient, shown] : law) {
      track->setValue(position);
      QVERIFY(View().SceneAmbient.r == ambient && View().SceneAmbient.a == ambient);
      QCOMPARE(In<QLineEdit>(Lighting(), "AmbientBox")->text(), QString(shown));
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
    auto lightFrom = [&](bool right, double factor) {
      const auto [left, rightSum] = RimHalves(Frame());
      if (right)
        VERIFY_MORE(rightSum, factor, left);
      else
        VERIFY_MORE(left, factor, rightSum);
    };
    // A point light 20 units to either side of the eye.
    LightSpin("YSpin")->setValue(0);
    LightSpin("ZSpin")->setValue(0);
    LightSpin("XSpin")->setValue(20);
    lightFrom(true, 1.3);
    LightSpin("XSpin")->setValue(-20);
    lightFrom(false, 1.3);

    // Directional: a quarter turn of the dial brings the light from +x,
    // half a turn more from −x.
    Radio(Lighting(), "LightTypeRadio", "Directional")->click();
    auto* dir = In<TDirectionDial>(Lighting(), "DirDial");
    Drag(dir, {100, 50}, {10, 50});
    lightFrom(true, 1.3);
    Drag(dir, {10, 50}, {190, 50});
    lightFrom(false, 1.3);

    // A narrow spot from the eye turned 6° right, then 6° left: the ring
    // is 1 unit off the axis 10 units away.
    Radio(Lighting(), "LightTypeRadio", "Spot")->click();
    LightSpin("XSpin")->setValue(0);
    LightSpin("CutoffSpin")->setValue(4);
    auto* spot = In<TDirectionDial>(Lighting(), "SpotDial");
    Drag(spot, {50, 50}, {56, 50});
    lightFrom(true, 2);
    Drag(spot, {56, 50}, {44, 50});
    lightFrom(false, 2);
    Lighting()->close();
  }

  // A point light dims with distance only as its attenuation says.
  void attenuationDarkensWithDistance() {
    FreshLights();
    Make("TorusBtn");
    Menu("LightingMnu");
    LightSpin("XSpin")->setValue(0);
    LightSpin("YSpin")->setValue(0);
    auto brightness = [&](double z) {
      LightSpin("ZSpin")->setValue(z);
      return Sum(Frame(), [](double, bool) { return true; });
    };
    const double nearPlain = brightness(0), farPlain = brightness(20);
    QVERIFY2(std::abs(farPlain / nearPlain - 1) < 0.1, QByteArray::number(farPlain / nearPlain));
    LightSpin("LinearSpin")->setValue(0.1);
    QCOMPARE(Light(0).LinearAttenuation, 0.1f);
    const double nearDim = brightness(0), farDim = brightness(20);
    VERIFY_MORE(nearPlain, 1.1, nearDim);  // 1 / (1 + 0.1 · 10): half the light
    VERIFY_MORE(nearDim, 1.3, farDim);     // 1 / (1 + 0.1 · 30)
    Lighting()->close();
  }

  void materialsLawsAndReset() {
    FreshLights();
    const TCaveScene& s = Scene();
    s.Splays->Shininess = 77;
    Light(0).LightPosition[0] = -20;
    Menu("MaterialsMnu");
    auto* list = In<QListWidget>(Materials(), "ObjectList");
    QCOMPARE(list->count(), View().ObjectCount());
    for (int i = 0; i < list->count(); ++i) {
      QCOMPARE(list->item(i)->text(), QString::fromStdString(View().Objects(i)->Name()));
      QCOMPARE(list->item(i)->checkState() == Qt::Checked, View().Objects(i)->Selected());
    }
    QCOMPARE(list->currentRow(), 0);
    auto* shininess = In<QSlider>(Materials(), "ShininessTrack");
    auto* specular = In<QSlider>(Materials(), "SpecularTrack");
    auto* shininessBox = In<QLineEdit>(Materials(), "ShininessBox");
    auto* specularBox = In<QLineEdit>(Materials(), "SpecularBox");
    QVERIFY(shininessBox->text() == "9.8" && specularBox->text() == "0.6");

    // Reset: the default material reloads as tracks 49 and 8, which give
    // 128^0.49 − 1 and 256^0.08 − 1; the lights go back to theirs.
    ChooseObjects({"Passage Mesh", "Shots"});
    Highlight("Passage Mesh");
    Click(Materials(), "ResetBtn");
    for (TGLRenderer* r : {static_cast<TGLRenderer*>(s.PassageMesh), static_cast<TGLRenderer*>(s.Shots)}) {
      QVERIFY(std::abs(r->Shininess - 9.7778686f) < 1e-5);
      for (float c : {r->Specular.r, r->Specular.g, r->Specular.b, r->Specular.a})
        QVERIFY(std::abs(c - 0.5583292f) < 1e-6);
    }
    QVERIFY(shininess->value() == 49 && specular->value() == 8);
    QVERIFY(shininessBox->text() == "9.8" && specularBox->text() == "0.6");
    QCOMPARE(s.Splays->Shininess, 77.0f);  // not chosen
    QVERIFY(Light(0).LightPosition[0] == 8 && View().SceneAmbient.r == 0.1f);

    shininess->setValue(100);
    specular->setValue(50);
    QVERIFY(s.PassageMesh->Shininess == 127 && s.Shots->Specular.g == 15 && s.Shots->Specular.a == 15);
    QVERIFY(shininessBox->text() == "127.0" && specularBox->text() == "15.0");
    // Loading shows the object; its specular 15 loads in base 128 as 57.
    Highlight("Shots");
    QVERIFY(specular->value() == 57 && shininess->value() == 100);

    // With nothing chosen the box keeps its first words; a frame is no
    // renderer, so highlighting it loads nothing.
    ChooseObjects({});
    shininess->setValue(30);
    QVERIFY(shininessBox->text() == "9.8" && s.PassageMesh->Shininess == 127);
    Highlight(QString::fromStdString(s.CaveFrame->Name()));
    QCOMPARE(shininess->value(), 30);

    ChooseObjects({"Passage Mesh"});
    In<QDoubleSpinBox>(Materials(), "EmissionBlueSpin")->setValue(0.6);
    QVERIFY(s.PassageMesh->Emission.b == 0.6f && s.PassageMesh->Emission.a == 1 && s.Shots->Emission.b == 0);
    Make("CubeBtn");
    Highlight("Passage Mesh");
    uint32_t offered = 0;
    form->ChooseColor = [&](uint32_t start) -> std::optional<uint32_t> {
      offered = start;
      return 0x00FF00;
    };
    Click(Materials(), "ColorBtn");
    QCOMPARE(offered, 0xFF0000u);  // the cube's blue
    QCOMPARE(s.PassageMesh->GetColor() & 0xFFFFFF, 0x00FF00u);
    Materials()->close();
  }

  // The cube's face over a grey background, lit by an ambient of exactly 1
  // so that its colour is its own: each blend worked by hand, with the
  // face's alpha 127/255 at 50 %.
  void transparencyAndBlendModesMixWithTheBackground() {
    FreshLights();
    Make("CubeBtn");
    Menu("LightingMnu");
    In<QListWidget>(Lighting(), "LightList")->item(0)->setCheckState(Qt::Unchecked);
    In<QSlider>(Lighting(), "AmbientTrack")->setValue(75);
    Lighting()->close();
    QVERIFY(!Light(0).LightEnabled && View().SceneAmbient.r == 1);

    Menu("MaterialsMnu");
    ChooseObjects({"Passage Mesh"});
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x808080); };
    Click(Materials(), "BackgroundBtn");
    QCOMPARE(View().ScreenColor(), 0x808080u);
    In<QSlider>(Materials(), "TransparencyTrack")->setValue(50);
    ExpectCentre({0, 0, 255});  // not blended yet
    auto* transparent = In<QGroupBox>(Materials(), "TransparentChk");
    transparent->setChecked(true);
    ExpectCentre({128, 128, 255});  // added to the grey
    In<QCheckBox>(Materials(), "BlendBackgroundChk")->setChecked(true);
    ExpectCentre({64, 64, 191});  // half of each
    // A shape made now is as see-through as the one it replaces.
    Make("CubeBtn");
    ExpectCentre({64, 64, 191});
    In<QSlider>(Materials(), "TransparencyTrack")->setValue(100);
    ExpectCentre({128, 128, 128});
    In<QSlider>(Materials(), "TransparencyTrack")->setValue(50);

    // The user's own blend: operator, source and destination radios.
    In<QGroupBox>(Materials(), "UserChk")->setChecked(true);
    const std::tuple<const char*, const char*, const char*, TRGB> blends[] = {
        {"Reverse Subtract", "One", "One", {128, 128, 0}},  // grey − blue
        {"Subtract", "One", "One", {0, 0, 127}},            // blue − grey
        {"Min", "One", "One", {0, 0, 128}},
        {"Max", "One", "One", {128, 128, 255}},
        {"Add", "Src Alpha", "Zero", {0, 0, 127}},
        {"Add", "Src Alpha", "Src Color", {0, 0, 255}},  // 127 blue + grey · (0, 0, 1)
        {"Add", "Zero", "Src Color", {0, 0, 128}},
        {"Add", "Dest Color", "Src Alpha-1", {64, 64, 192}}};  // blue · grey + grey · (1 − alpha)
    for (const auto& [op, source, destination, want] : blends) {
      Radio(Materials(), "OperatorRadio", op)->click();
      Radio(Materials(), "SourceRadio", source)->click();
      Radio(Materials(), "DestinationRadio", destination)->click();
      ExpectCentre(want);
    }
    transparent->setChecked(false);
    QVERIFY(!Scene().PassageMesh->Blend);
    ExpectCentre({0, 0, 255});
    Materials()->close();
    View().SetScreenColor(0);
  }

  void renderingCullsTheInsideAndLightsIt() {
    FreshLights();
    Make("CubeBtn");
    const TCaveScene& s = Scene();
    s.PassageMesh->SetRenderStyle(1);
    s.PassageMesh->SetTwoSided(true);
    View().SetCullFaces(false);
    s.CaveFrame->Position.z = 9.5;  // the eye inside the cube

    QObject scope;
    bool loaded = false, applied = false;
    TRGB culled{}, dark{}, lit{};
    WhenModal(&scope, [&](QWidget* w) {
      auto* cull = In<QCheckBox>(w, "CullBackFacesChk");
      auto* interior = In<QCheckBox>(w, "InteriorLightingChk");
      loaded = Radio(w, "MeshStyleRadio", "Flat")->isChecked() && interior->isChecked() && !cull->isChecked();
      cull->setChecked(true);
      Click(w, "ApplyBtn");
      culled = Centre();
      cull->setChecked(false);
      interior->setChecked(false);
      Click(w, "ApplyBtn");
      dark = Centre();
      interior->setChecked(true);
      Click(w, "ApplyBtn");
      lit = Centre();
      Radio(w, "MeshStyleRadio", "Smooth")->click();
      Click(w, "ApplyBtn");
      applied = s.PassageMesh->RenderStyle() == 2 && s.Rose->RenderStyle() == 1 && s.RoseBase->RenderStyle() == 1 &&
                !View().WireFrameLight() && s.Rose->TwoSided();
      Radio(w, "MeshStyleRadio", "Wire Frame")->click();
      Click(w, "ApplyBtn");
      applied = applied && s.PassageMesh->RenderStyle() == 0 && s.RoseBase->RenderStyle() == 0 &&
                View().WireFrameLight() && w->isVisible();
      Radio(w, "MeshStyleRadio", "Flat")->click();
      Click(w, "CloseBtn");  // applies nothing
    });
    Menu("RenderingMnu");
    QVERIFY(loaded && applied);
    QCOMPARE(culled, (TRGB{0, 0, 0}));  // every wall seen from inside is a back face
    QVERIFY2(dark[2] > 0 && dark[2] < 60, QByteArray::number(dark[2]));
    QVERIFY2(lit[2] > 150, QByteArray::number(lit[2]));
    QCOMPARE(s.PassageMesh->RenderStyle(), 0);
    QCOMPARE(form->Options()->MeshQualityRadio->ItemIndex(), 0);
    View().SetWireFrameLight(false);
    View().SetCullFaces(true);
    s.PassageMesh->SetRenderStyle(2);
    s.CaveFrame->Position.z = 0;
  }

  void testObjectsCountTheirTrianglesAndShowProgress() {
    const TCaveScene& s = Scene();
    Menu("TestObjectsMnu");
    auto* sectors = In<QSpinBox>(TestObjects(), "SectorsSpin");
    auto* sections = In<QSpinBox>(TestObjects(), "SectionsSpin");
    QVERIFY(sectors->minimum() == 3 && sections->maximum() == 1000);
    for (auto [n, m, shown] : {std::tuple{12, 12, "288"}, {3, 3, "18"}, {7, 5, "70"}}) {
      sectors->setValue(n);
      sections->setValue(m);
      QCOMPARE(In<QLineEdit>(TestObjects(), "TrianglesBox")->text(), QString(shown));
      s.CaveFrame->Position = {1, 2, -40};
      Click(TestObjects(), "TorusBtn");
      QCOMPARE(s.PassageMesh->TriangleCount(), 2 * n * m);
      QCOMPARE(s.CaveFrame->Position.z, 0.0);
    }
    // The mesh's stages reached the fields while the dialog was open.
    QVERIFY(!In<QLineEdit>(TestObjects(), "StatusBox")->text().isEmpty());
    QVERIFY(!In<QLineEdit>(TestObjects(), "ProgressBox")->text().isEmpty());
    Click(TestObjects(), "TetrahedronBtn");
    QCOMPARE(s.PassageMesh->TriangleCount(), 4);
    Click(TestObjects(), "PrismBtn");
    QCOMPARE(s.PassageMesh->GetMax().x, 1.7);

    Click(TestObjects(), "HelpBtn");
    auto* help = form->findChild<QTextBrowser*>("HelpBrowser");
    QVERIFY(help && help->source().fileName() == "display.html");
    QVERIFY(help->toPlainText().contains("Test Objects"));
    help->window()->close();
    QVERIFY(static_cast<bool>(s.PassageMesh->OnProgress));
    Click(TestObjects(), "CloseBtn");
    QVERIFY(!s.PassageMesh->OnProgress);
  }

  void cleanupTestCase() { form.reset(); }
};

QTEST_MAIN(DisplayTest)
#include "display_test.moc"
