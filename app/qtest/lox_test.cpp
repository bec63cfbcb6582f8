// A Therion model in the window: its scraps are the walls of their survey
// until "Scrap Walls" is unchecked, and its surface shows with its map
// under "Show Surface", with its own transparency.

#include <QAction>
#include <QCheckBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

#include "app/OptionsPanel.h"
#include "app/qtest/MainWindowFixture.h"

using namespace lumora;

int BluePixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      n += qBlue(p) > 100 && qRed(p) < 60 && qGreen(p) < 60;
    }
  return n;
}

class LoxTest : public QObject, TMainWindowFixture {
  Q_OBJECT

  QTemporaryDir dir_;
  QString lox_;

 private slots:
  void initTestCase() {
    if (std::system("command -v therion > /dev/null 2>&1") != 0) QSKIP("therion is not installed");
    const QString src = LUMORA_SOURCE_DIR "/model/tests/data/therion/";
    for (const char* f : {"scrap.th", "map.png"}) QVERIFY(QFile::copy(src + f, dir_.filePath(f)));
    QFile config(dir_.filePath("thconfig"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("source scrap.th\nexport model -fmt loch -o scrap.lox\n");
    config.close();
    const QString cmd = "cd '" + dir_.path() + "' && therion thconfig > log.txt 2>&1";
    QCOMPARE(std::system(cmd.toLocal8Bit().constData()), 0);
    lox_ = dir_.filePath("scrap.lox");
  }
  void init() { OpenWindow(); }
  void cleanup() { CloseWindow(); }

  void scrapWallsReplaceTheDimensionWalls() {
    Load(lox_);
    const TGLFastMesh& mesh = *form->Scene().PassageMesh;
    const size_t scrap = form->Document().Model.Meshes.TriangleCount();
    QVERIFY(scrap > 0);
    QCOMPARE(static_cast<size_t>(mesh.Faces.Count()), scrap);
    Find<QCheckBox>("ScrapWallsChk")->setChecked(false);
    const int dimensions = mesh.Faces.Count();
    QVERIFY(dimensions > 0 && static_cast<size_t>(dimensions) != scrap);
    Find<QCheckBox>("DimensionWallsChk")->setChecked(false);
    QCOMPARE(mesh.Faces.Count(), 0);
    Find<QCheckBox>("ScrapWallsChk")->setChecked(true);
    QCOMPARE(static_cast<size_t>(mesh.Faces.Count()), scrap);
    QVERIFY(errors.isEmpty());
  }

  void surfaceShowsWithItsMap() {
    Load(lox_);
    TGLFrame& surface = *form->Scene().SurfaceFrame;
    QVERIFY(!surface.Visible);
    QCOMPARE(surface.Meshes.Count(), 1);
    auto* mesh = static_cast<TGLMesh*>(surface.Meshes[0]);
    QCOMPARE(mesh->TriangleCount(), 4);  // a 3 by 2 grid
    QVERIFY(mesh->Texture->TextureEnabled);
    QCOMPARE(mesh->Texture->ImageWidth, 20);
    // From above, the blue map over the cave.
    Find<QAction>("PlanMnu")->trigger();
    QCOMPARE(BluePixels(Render()), 0);
    Find<QCheckBox>("ShowSurfaceChk")->setChecked(true);
    QVERIFY(surface.Visible);
    QVERIFY(BluePixels(Render()) > 1000);
    Find<QSlider>("SurfaceTransparencyTrack")->setValue(30);
    QVERIFY(mesh->Blend);
    QCOMPARE(mesh->Transparency(), 30.0);
    QVERIFY(errors.isEmpty());
  }
};

QTEST_MAIN(LoxTest)
#include "lox_test.moc"
