// The options pages beside the view, each test in a fresh window: options
// on an empty scene; with the demo cave, the hull and rose switches, the
// rose taking the navigation, bounding boxes, colour by depth, rendering
// options and the crosshairs.

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <optional>

#include "app/OptionsPanel.h"
#include "app/core/GLSettings.h"
#include "app/qtest/MainWindowFixture.h"
#include "controls/ColorDisplay.h"

using namespace lumora;

class WindowOptionsPagesTest : public QObject, TMainWindowFixture {
  Q_OBJECT

 private slots:
  void initTestCase() { QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string())); }
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void optionsBeforeAnyLoad() {
    // An empty scene takes every option without harm.
    for (const char* box : {"DepthChk", "RockTextureChk", "ShotChk", "LabelsChk", "CrossHairsChk"}) {
      Find<QCheckBox>(box)->setChecked(true);
      Render();
      Find<QCheckBox>(box)->setChecked(false);
    }
    Find<QGroupBox>("BoxChk")->setChecked(true);
    Find<QGroupBox>("TransparentChk")->setChecked(true);
    Click("ZoomInBtn");
    Click("YawRightBtn");
    Render();
    Find<QGroupBox>("BoxChk")->setChecked(false);
    Find<QGroupBox>("TransparentChk")->setChecked(false);
    Click("ResetBtn");
    QVERIFY(errors.isEmpty());
    QCOMPARE(form->Scene().PassageMesh->ColorCount(), 0);
  }

  void refusesHullAndRoseNotBuilt() {
    Load(kDemo);
    Find<QCheckBox>("DisplayHullsChk")->setChecked(true);
    QCOMPARE(infos, QStringList{"No Hull Built. Use Cave Volume Tool Menu Option"});
    QVERIFY(!Find<QCheckBox>("DisplayHullsChk")->isChecked());
    QVERIFY(!form->Scene().Hull->Visible);
    infos.clear();
    Find<QGroupBox>("RoseChk")->setChecked(true);
    QCOMPARE(infos, QStringList{"No Rose Built. Use Rose Diagram Menu Option"});
    QVERIFY(!Find<QGroupBox>("RoseChk")->isChecked());
    QCOMPARE(form->NavigatedFrame(), form->Scene().CaveFrame);
    QVERIFY(!form->Scene().RoseFrame->Visible);

    // A built hull shows; the next load clears the mark again.
    form->SetHullBuilt(true);
    Find<QCheckBox>("DisplayHullsChk")->setChecked(true);
    QVERIFY(form->Scene().Hull->Visible);
    Load(kDemo);
    QVERIFY(!form->HullBuilt());
    Find<QCheckBox>("DisplayHullsChk")->setChecked(false);
    Find<QCheckBox>("DisplayHullsChk")->setChecked(true);
    QVERIFY(!Find<QCheckBox>("DisplayHullsChk")->isChecked());
  }

  void roseShownTakesTheNavigation() {
    Load(kDemo);
    const TCaveScene& s = form->Scene();
    form->SetRoseBuilt(true);
    Find<QGroupBox>("RoseChk")->setChecked(true);
    QVERIFY(infos.isEmpty());
    QCOMPARE(form->NavigatedFrame(), s.RoseFrame);
    QVERIFY(s.RoseFrame->Visible && s.RoseGrid->Visible && s.RoseBase->Visible);
    QVERIFY(!Find<QCheckBox>("WallsChk")->isEnabled() && !s.PassageMesh->Visible);
    Find<QCheckBox>("ShowGridChk")->setChecked(false);
    QVERIFY(!s.RoseGrid->Visible && s.RoseBase->Visible);
    Find<QCheckBox>("ShowGridChk")->setChecked(true);

    Render();
    const T3DVector cave = Cave().Position, rose = s.RoseFrame->Position;
    Click("ZoomInBtn");
    QVERIFY(s.RoseFrame->Position.z > rose.z);
    QCOMPARE(Cave().Position.z, cave.z);

    Find<QGroupBox>("RoseChk")->setChecked(false);
    QCOMPARE(form->NavigatedFrame(), s.CaveFrame);
    QVERIFY(!s.RoseFrame->Visible);
    QVERIFY(Find<QCheckBox>("WallsChk")->isEnabled() && s.PassageMesh->Visible);
    Click("ZoomInBtn");
    QVERIFY(Cave().Position.z > cave.z);
    form->SetRoseBuilt(false);
    Home();
  }

  void boundingBoxes() {
    Load(kDemo);
    const TCaveScene& s = form->Scene();
    QGroupBox* box = Find<QGroupBox>("BoxChk");
    box->setChecked(true);
    QVERIFY(s.LineBox->Visible && !s.PassageBox->Visible);
    Find<QGroupBox>("BoxRadio")->findChildren<QRadioButton*>().at(2)->click();  // "Both"
    QVERIFY(s.LineBox->Visible && s.PassageBox->Visible);
    Find<QGroupBox>("BoxRadio")->findChildren<QRadioButton*>().at(1)->click();  // "Passage Box"
    QVERIFY(!s.LineBox->Visible && s.PassageBox->Visible);
    Find<QGroupBox>("BoxRadio")->findChildren<QRadioButton*>().at(2)->click();

    // The box colour recolours the line box only.
    const uint32_t passageBox = s.PassageBox->GetColor();
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x123456); };
    Find<QPushButton>("BoundingBoxBtn")->click();
    QCOMPARE(s.LineBox->GetColor(), 0x123456u);
    QCOMPARE(s.PassageBox->GetColor(), passageBox);
    QCOMPARE(Find<TColorDisplay>("BoundingBoxDis")->Color(), 0x123456u);
    // A cancelled dialog changes nothing.
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(); };
    Find<QPushButton>("ShotColorBtn")->click();
    QCOMPARE(Find<TColorDisplay>("ShotColorDis")->Color(), 0xFF0000u);
    box->setChecked(false);
    QVERIFY(!s.LineBox->Visible && !s.PassageBox->Visible);
  }

  void colorByDepth() {
    Load(kDemo);
    TGLFastMesh& mesh = *form->Scene().PassageMesh;
    int top = 0, bottom = 0;
    for (int i = 1; i < mesh.VertexCount(); ++i) {
      if (mesh.GetVertex(i).y > mesh.GetVertex(top).y) top = i;
      if (mesh.GetVertex(i).y < mesh.GetVertex(bottom).y) bottom = i;
    }
    Find<QCheckBox>("DepthChk")->setChecked(true);
    QCOMPARE(mesh.GetVertexColor(top) & 0xFFFFFF, 0x0000FFu);     // red
    QCOMPARE(mesh.GetVertexColor(bottom) & 0xFFFFFF, 0x7F00FFu);  // violet
    // Walls keep their depth colours when the wall colour changes.
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x00FF00); };
    Find<QPushButton>("WallColorBtn")->click();
    QCOMPARE(mesh.GetVertexColor(bottom) & 0xFFFFFF, 0x7F00FFu);
    Find<QCheckBox>("DepthChk")->setChecked(false);
    QCOMPARE(mesh.GetVertexColor(top) & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(mesh.GetVertexColor(bottom) & 0xFFFFFF, 0x00FF00u);
    form->ChooseColor = [](uint32_t) { return std::optional<uint32_t>(0x0000FF); };
    Find<QPushButton>("WallColorBtn")->click();
    QCOMPARE(mesh.GetVertexColor(bottom) & 0xFFFFFF, 0x0000FFu);
  }

  void renderingOptions() {
    Load(kDemo);
    const TCaveScene& s = form->Scene();
    Find<QGroupBox>("TransparentChk")->setChecked(true);
    QVERIFY(s.PassageMesh->Blend && s.Rose->Blend && s.RoseBase->Blend);
    Find<QSlider>("TransparentTrack")->setValue(30);
    QCOMPARE(s.PassageMesh->Transparency(), 30.0);
    QCOMPARE(s.RoseBase->Transparency(), 30.0);
    Find<QGroupBox>("TransparentChk")->setChecked(false);
    QVERIFY(!s.PassageMesh->Blend);
    Find<QGroupBox>("MeshQualityRadio")->findChildren<QRadioButton*>().at(0)->click();
    QCOMPARE(int(s.PassageMesh->RenderStyle()), 0);
    Find<QGroupBox>("MeshQualityRadio")->findChildren<QRadioButton*>().at(2)->click();
    QCOMPARE(int(s.PassageMesh->RenderStyle()), 2);
    Find<QCheckBox>("AntialiasChk")->setChecked(true);
    QVERIFY(form->Viewer()->Multisample());
    Find<QCheckBox>("AntialiasChk")->setChecked(false);
    QVERIFY(!form->Viewer()->Multisample());
    Find<QSpinBox>("PointSizeSpin")->setValue(4);
    QCOMPARE(s.Stations->PointProperties[0].Size, 4);

    Find<QCheckBox>("RockTextureChk")->setChecked(true);
    QVERIFY(s.PassageMesh->Texture->TextureEnabled);
    QCOMPARE(int(s.PassageMesh->Texture->TextureMode), 2);
    QCOMPARE(s.PassageMesh->Texture->ImageWidth, 128);
    QCOMPARE(s.PassageMesh->Texture->CubeMap->Faces[5].ImageWidth, 128);
    QCOMPARE(s.PassageMesh->Texture->CubeMap->CubeScale.y, s.PassageMesh->GetMax().y - s.PassageMesh->GetMin().y);
    QCOMPARE(s.PassageMesh->GetColor() & 0xFFFFFF, 0xFFFFFFu);
    Render();
    Find<QCheckBox>("RockTextureChk")->setChecked(false);
    QVERIFY(!s.PassageMesh->Texture->TextureEnabled);
    QCOMPARE(s.PassageMesh->GetColor() & 0xFFFFFF, 0x0000FFu);

    // A load starts smooth and opaque again, and the panel says so.
    Find<QGroupBox>("MeshQualityRadio")->findChildren<QRadioButton*>().at(0)->click();
    Find<QGroupBox>("TransparentChk")->setChecked(true);
    Load(kDemo);
    QCOMPARE(int(s.PassageMesh->RenderStyle()), 2);
    QVERIFY(Find<QGroupBox>("MeshQualityRadio")->findChildren<QRadioButton*>().at(2)->isChecked());
    QVERIFY(!s.PassageMesh->Blend && !Find<QGroupBox>("TransparentChk")->isChecked());
  }

  void crosshairs() {
    Load(kDemo);
    Find<QCheckBox>("WallsChk")->setChecked(false);  // a black picture
    QWidget* v = form->Viewer();
    const int cx = v->width() / 2, cy = v->height() / 2;
    auto greenAt = [](const QImage& image, int x, int y) {
      return IsGreen(image.pixel(x, y)) || IsGreen(image.pixel(x, y - 1)) || IsGreen(image.pixel(x - 1, y));
    };
    Find<QCheckBox>("CrossHairsChk")->setChecked(true);
    QImage image = form->Viewer()->grabFramebuffer();
    QCOMPARE(image.width(), v->width());
    QVERIFY(greenAt(image, cx - 40, cy) && greenAt(image, cx + 40, cy));
    QVERIFY(greenAt(image, cx, cy - 40) && greenAt(image, cx, cy + 40));
    QVERIFY(!greenAt(image, cx + 56, cy) && !greenAt(image, cx, cy + 56));
    QVERIFY(!greenAt(image, cx + 30, cy + 30));
    Find<QCheckBox>("CrossHairsChk")->setChecked(false);
    image = form->Viewer()->grabFramebuffer();
    QVERIFY(!greenAt(image, cx + 40, cy) && !greenAt(image, cx, cy - 40));
    Find<QCheckBox>("WallsChk")->setChecked(true);
  }
};

QTEST_MAIN(WindowOptionsPagesTest)
#include "window_options_pages_test.moc"
