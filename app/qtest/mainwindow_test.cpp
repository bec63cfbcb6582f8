// The main window driven as a user would: loads, the tool bar, the options
// panel, the mouse, the status bar, recent files and dropped files.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/GLMain.h"
#include "app/qtest/ShowWindow.h"
#include "app/OptionsPanel.h"
#include "app/core/GLSettings.h"
#include "controls/ReopenMenu.h"
#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"
#include "viewer/GLViewer.h"

using namespace lumora;

namespace {

const QString kDemo = QStringLiteral(LUMORA_SOURCE_DIR "/data/demo.plt");

bool IsGreen(QRgb p) { return qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60; }

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TForm1> form;
  QStringList infos, errors;
  QTemporaryDir temp;
  int ticksWhileLoading = 0;

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form->findChild<T*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TGLFrame& Cave() { return *form->Scene().CaveFrame; }
  // One frame, so the frames' matrices and the status bar are current.
  void Render() { form->Viewer()->grabFramebuffer(); }
  void Click(const char* button) { QTest::mouseClick(Find<QToolButton>(button), Qt::LeftButton); }
  void Home() {
    Cave().ApplyHomeAngles();
    Cave().ResetOrientation();
    Render();
  }
  void Load(const QString& file) {
    form->LoadCave(file);
    QVERIFY(!form->Loading());
    Render();
  }
  QString CopyOfDemo(const QString& name) {
    const QString path = temp.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(kDemo, path)) qFatal("cannot copy the demo cave");
    return path;
  }
  // Runs `act` on the next modal dialog once it shows; its title is kept.
  void OnNextDialog(std::function<void(QWidget*)> act, QString* title) {
    auto* poll = new QTimer(form.get());
    connect(poll, &QTimer::timeout, poll, [poll, act, title] {
      QWidget* d = QApplication::activeModalWidget();
      if (!d || !d->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      *title = d->windowTitle();
      act(d);
    });
    poll->start(20);
  }
  static void Press(QWidget* dialog, const QString& text) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
      if (b->text().remove('&') == text) return b->click();
    qFatal("no button %s", qPrintable(text));
  }
  void SendMouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, form->Viewer()->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(form->Viewer(), &e);
  }

 private slots:
  void initTestCase() {
    QFile::remove(QString::fromStdString(RecentFilesSettingsPath().string()));
    ShowWindow(form, 640, 420, &infos, &errors);
    if (QTest::currentTestFailed()) return;
    QTRY_VERIFY(form->SceneCreated());
    QCOMPARE(form->windowTitle(), QString("Lumora"));
  }

  void init() {
    infos.clear();
    errors.clear();
  }

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

  void loadShowsWallsOnly() {
    // Checked before the load; the load's display defaults clear them.
    Find<QCheckBox>("StationsChk")->setChecked(true);
    Find<QCheckBox>("ShotChk")->setChecked(true);
    Find<QCheckBox>("SplayChk")->setChecked(true);
    Load(kDemo);
    QVERIFY(errors.isEmpty());
    QCOMPARE(form->windowTitle(), QString("Lumora - demo.plt"));
    QCOMPARE(form->CurrentPlotFile, kDemo);
    const TCaveScene& s = form->Scene();
    QVERIFY(s.PassageMesh->ColorCount() > 1000);
    QVERIFY(s.Shots->Segments.Count() > 0);
    QVERIFY(s.PassageMesh->Visible);
    QVERIFY(!s.Shots->Visible && !s.Splays->Visible && !s.Stations->Visible);
    QVERIFY(!s.LineBox->Visible && !s.PassageBox->Visible && !s.Hull->Visible);
    QVERIFY(Find<QCheckBox>("WallsChk")->isChecked());
    for (const char* box : {"StationsChk", "ShotChk", "SplayChk", "DepthChk", "RockTextureChk"})
      QVERIFY2(!Find<QCheckBox>(box)->isChecked(), box);
    // Checking a box afterwards shows its objects.
    Find<QCheckBox>("ShotChk")->setChecked(true);
    QVERIFY(s.Shots->Visible);
    Find<QCheckBox>("ShotChk")->setChecked(false);
    QVERIFY(!s.Shots->Visible);
  }

  void toolBarMovesTheCaveFrame() {
    struct Move {
      const char* button;
      double x, y, z;  // in steps of k / s
    };
    const Move moves[] = {{"ZoomInBtn", 0, 0, 1},  {"ZoomOutBtn", 0, 0, -1}, {"PanLeftBtn", 1, 0, 0},
                          {"PanRightBtn", -1, 0, 0}, {"PanUpBtn", 0, -1, 0},  {"PanDownBtn", 0, 1, 0}};
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    for (const Move& m : moves) {
      Home();
      const T3DVector before = Cave().Position;
      const double step = 10 / Cave().PixelsPerUnit();
      QVERIFY(std::isfinite(step) && step > 0);
      Click(m.button);
      QVERIFY2(std::abs(Cave().Position.x - before.x - m.x * step) < 1e-9 * (1 + step), m.button);
      QVERIFY2(std::abs(Cave().Position.y - before.y - m.y * step) < 1e-9 * (1 + step), m.button);
      QVERIFY2(std::abs(Cave().Position.z - before.z - m.z * step) < 1e-9 * (1 + step), m.button);
    }
    // Reset returns to the home view of the load.
    Click("ZoomInBtn");
    Click("YawLeftBtn");
    Click("ResetBtn");
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);
    QVERIFY(std::abs(ToEuler(Cave().Orientation).heading) < 1e-9);
  }

  void toolBarTurnsTheCaveFrame() {
    QCheckBox* free = Find<QCheckBox>("FreeRotChk");
    QVERIFY(!free->isChecked());
    QVERIFY(!Find<QToolButton>("RollRightBtn")->isEnabled());
    QVERIFY(!Find<QToolButton>("RollLeftBtn")->isEnabled());
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    Home();
    Click("YawRightBtn");
    QCOMPARE(std::round(ToEuler(Cave().Orientation).heading * 1e6) / 1e6, -10.0);
    Home();
    Click("YawLeftBtn");
    QCOMPARE(std::round(ToEuler(Cave().Orientation).heading * 1e6) / 1e6, 10.0);

    free->setChecked(true);
    QVERIFY(Cave().FreeRotation && form->Scene().RoseFrame->FreeRotation);
    QVERIFY(Find<QToolButton>("RollRightBtn")->isEnabled());
    QVERIFY(Find<QToolButton>("RollLeftBtn")->isEnabled());
    const struct {
      const char* button;
      double TEuler::*angle;
      double expected;
    } turns[] = {{"PitchUpBtn", &TEuler::bank, -10},
                 {"PitchDownBtn", &TEuler::bank, 10},
                 {"RollRightBtn", &TEuler::attitude, -10},
                 {"RollLeftBtn", &TEuler::attitude, 10}};
    for (const auto& t : turns) {
      Home();
      Click(t.button);
      QVERIFY2(std::abs(ToEuler(Cave().Orientation).*t.angle - t.expected) < 1e-6, t.button);
    }
    free->setChecked(false);
    QVERIFY(!Cave().FreeRotation);
    QVERIFY(!Find<QToolButton>("RollRightBtn")->isEnabled());
  }

  void animationRepeatsTheLastTurn() {
    Home();
    Click("YawLeftBtn");
    const double after = ToEuler(Cave().Orientation).heading;
    QToolButton* animate = Find<QToolButton>("AnimateBtn");
    animate->setChecked(true);
    QTRY_VERIFY(std::abs(ToEuler(Cave().Orientation).heading - after) > 1);
    animate->setChecked(false);
    const TQuaternion stopped = Cave().Orientation;
    QTest::qWait(60);
    QCOMPARE(Cave().Orientation.w, stopped.w);
    QVERIFY(!Find<QToolButton>("CaptureBtn")->isEnabled());
  }

  void mouseDragsAndWheel() {
    Home();
    QWidget* v = form->Viewer();
    const QPoint c(v->width() / 2, v->height() / 2);
    // Left drag: one degree of yaw per pixel.
    SendMouse(QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseMove, c + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, c + QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(std::abs(ToEuler(Cave().Orientation).heading - 20) < 1e-6);
    QVERIFY(!Cave().Tracking);
    // Moving without a button changes nothing.
    const TQuaternion turned = Cave().Orientation;
    SendMouse(QEvent::MouseMove, c + QPoint(60, 0), Qt::NoButton, Qt::NoButton);
    QCOMPARE(Cave().Orientation.y, turned.y);

    Home();
    const double z = Cave().Position.z, s = Cave().PixelsPerUnit();
    QWheelEvent wheel(QPointF(c), QPointF(v->mapToGlobal(c)), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &wheel);
    QVERIFY(std::abs(Cave().Position.z - z - 25 / s) < 1e-9 * (1 + 25 / s));

    // A double click right of the centre zooms in and brings that point
    // towards the middle.
    Home();
    const T3DVector before = Cave().Position;
    SendMouse(QEvent::MouseButtonDblClick, c + QPoint(50, 0), Qt::LeftButton, Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, c + QPoint(50, 0), Qt::LeftButton, Qt::NoButton);
    QVERIFY(Cave().Position.z > before.z);
    QVERIFY(Cave().Position.x < before.x);
    QVERIFY(std::abs(Cave().Position.y - before.y) < 1e-9);
  }

  void statusBarShowsTheNavigatedFrame() {
    Home();
    Cave().Position = T3DVector{1234.56, -7.04, -20000};
    Cave().SetOrientationAngles(5, -30, 0);
    Render();
    QCOMPARE(Find<QLabel>("DisPosX")->text(), QString("1,234.6"));
    QCOMPARE(Find<QLabel>("DisPosY")->text(), QString("-7.0"));
    QCOMPARE(Find<QLabel>("DisPosZ")->text(), QString("-20,000.0"));
    QCOMPARE(Find<QLabel>("YawDis")->text(), QString("-30.0"));
    QCOMPARE(Find<QLabel>("PitchDis")->text(), QString("5.0"));
    QCOMPARE(Find<QLabel>("RollDis")->text(), QString("0.0"));
    const int faces = form->Scene().PassageMesh->ColorCount();
    QCOMPARE(Find<QLabel>("TriangleDis")->text().remove(',').toInt(), faces);
    QVERIFY(Find<QLabel>("FPSDis")->text().remove(',').toDouble() > 0);
    QVERIFY(Find<QLabel>("TPSDis")->text().remove(',').toDouble() > faces);
    Home();
  }

  void refusesHullAndRoseNotBuilt() {
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

  void recentFilesThroughTheWindow() {
    const QString second = CopyOfDemo("second.plt");
    Load(kDemo);
    Load(second);
    QCOMPARE(form->windowTitle(), QString("Lumora - second.plt"));
    auto paths = form->ReopenMenu()->Paths();
    QVERIFY(paths.size() >= 2);
    QCOMPARE(QString::fromStdString(paths[0].string()), second);
    QCOMPARE(QString::fromStdString(paths[1].string()), kDemo);
    const QList<QAction*> items = form->ReopenMenu()->actions();
    QCOMPARE(items.at(0)->text(), QString("&1 second.plt"));
    QCOMPARE(items.at(1)->text(), QString("&2 demo.plt"));
    // The list is in the settings file.
    const TIniFile ini(RecentFilesSettingsPath());
    QCOMPARE(QString::fromStdString(ini.ReadString("history", "Path0", "")), second);

    // Choosing an entry opens it from its folder.
    items.at(1)->trigger();
    QCOMPARE(form->windowTitle(), QString("Lumora - demo.plt"));
    QCOMPARE(form->CurrentPlotFile, kDemo);
    QCOMPARE(QDir::currentPath(), QFileInfo(kDemo).absolutePath());
    QCOMPARE(QString::fromStdString(form->ReopenMenu()->Paths()[0].string()), kDemo);
  }

  void secondLoadRefusedWhileLoading() {
    // The reader's warning box shows while the load runs; a load asked for
    // from there is refused.
    const QString other = CopyOfDemo("other.plt");
    const QString missing = temp.filePath("missing.plt");
    bool loadingThen = false;
    form->ErrorBox = [&](const QString& text) {
      errors << text;
      loadingThen = form->Loading();
      form->LoadCave(other);
      Find<QAction>("ReloadMnu")->trigger();
    };
    form->LoadCave(missing);
    form->ErrorBox = [this](const QString& t) { errors << t; };
    QVERIFY(loadingThen);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(form->CurrentPlotFile, missing);
    QCOMPARE(form->windowTitle(), QString("Lumora - missing.plt"));
    for (const auto& p : form->ReopenMenu()->Paths()) QVERIFY(QString::fromStdString(p.string()) != other);
  }

  void eventsRunDuringALoad() {
    const QString big = temp.filePath("big.plt");
    {
      TDemoOptions o;
      o.Stations = 60000;
      QFile f(big);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray::fromStdString(GenerateDemoCave(o).Text));
    }
    ticksWhileLoading = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [this] { ticksWhileLoading += form->Loading(); });
    tick.start(5);
    QElapsedTimer clock;
    clock.start();
    Load(big);
    tick.stop();
    qInfo("60 000-station load: %lld ms, %d timer ticks during it", clock.elapsed(), ticksWhileLoading);
    QVERIFY(ticksWhileLoading > 0);
    QVERIFY(!form->Loading() && Find<QWidget>("OptionsPanel")->isEnabled() && form->menuBar()->isEnabled());
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 10 * 58896);
    Load(kDemo);
  }

  void failedLoadLeavesTheWindowUsable() {
    const QString missing = temp.filePath("missing.plt");
    form->LoadCave(missing);
    QVERIFY(!form->Loading());
    QVERIFY(!errors.isEmpty());
    QVERIFY(form->menuBar()->isEnabled());
    QVERIFY(form->Viewer()->Enabled);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    Load(kDemo);
    QVERIFY(form->Scene().PassageMesh->ColorCount() > 1000);
  }

  void droppedPlotFileOpens() {
    const QString dropped = CopyOfDemo("dropped.PLT");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    QCOMPARE(form->windowTitle(), QString("Lumora - dropped.PLT"));

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(temp.filePath("notes.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(form.get(), &refused);
    QVERIFY(!refused.isAccepted());
  }

  void menusAndPendingTools() {
    for (const char* name : {"OpenPlotFileMnu", "LoadXFileMnu", "SaveXFileMnu", "ExportMnu", "PassageModelMnu",
                             "SettingsMnu", "SaveSettingsMnu", "ContentsMnu", "AboutMnu", "ExitMnu", "RoseMnu", "VolumeMnu",
                             "SaveBitmapMnu", "CopyMnu", "ArmCaptureMnu", "CaptureOptionsMnu", "LightingMnu",
                             "MaterialsMnu", "RenderingMnu", "TestObjectsMnu"})
      QVERIFY2(Find<QAction>(name)->isEnabled(), name);
    QCOMPARE(Find<QAction>("OpenPlotFileMnu")->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(Find<QAction>("ReloadMnu")->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(Find<QToolButton>("YawRightBtn")->toolTip(), QString("Yaw Right"));
    QVERIFY(Find<QToolButton>("PanLeftBtn")->autoRepeat());
    QVERIFY(!Find<QToolButton>("ResetBtn")->autoRepeat());
    QDoubleSpinBox* inc = Find<QDoubleSpinBox>("IncSpin");
    QCOMPARE(inc->minimum(), 0.1);
    QCOMPARE(inc->maximum(), 100.0);
    QCOMPARE(inc->singleStep(), 0.5);
  }

  void openAndReloadThroughTheMenu() {
    const QString opened = CopyOfDemo("opened.plf");
    QStringList asked;
    form->AskFileName = [&](const QString& title, const QString& filter, const QString& suffix, bool save) {
      asked << title << filter << suffix << (save ? "save" : "open");
      return opened;
    };
    Find<QAction>("OpenPlotFileMnu")->trigger();
    QCOMPARE(asked, (QStringList{"Open Plot File",
                                  "Survey files (*.plt *.plf *.3d);;Bramble Plot Files (*.plt *.plf);;"
                                  "Survex 3D Files (*.3d);;All Files (*)",
                                  "plt", "open"}));
    QCOMPARE(form->windowTitle(), QString("Lumora - opened.plf"));
    QCOMPARE(QDir::currentPath(), temp.path());
    // F5 loads the same file again from the home view.
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    Click("ZoomInBtn");
    Find<QAction>("ReloadMnu")->trigger();
    QCOMPARE(form->CurrentPlotFile, opened);
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);
    // A cancelled dialog loads nothing.
    form->AskFileName = [](const QString&, const QString&, const QString&, bool) { return QString(); };
    Find<QAction>("OpenPlotFileMnu")->trigger();
    QCOMPARE(form->CurrentPlotFile, opened);
  }

  void dialogsFromTheMenus() {
    Load(kDemo);
    Find<QDoubleSpinBox>("IncSpin")->setValue(10);
    QString title;
    // "Close" keeps the scene; "Reprocess" loads the file again, from home.
    Click("ZoomInBtn");
    const double zoomed = Cave().Position.z;
    OnNextDialog([](QWidget* d) { Press(d, "Close"); }, &title);
    Find<QAction>("PassageModelMnu")->trigger();
    QCOMPARE(title, QString("Cave Mesh Settings"));
    QCOMPARE(Cave().Position.z, zoomed);
    OnNextDialog([](QWidget* d) { Press(d, "Reprocess"); }, &title);
    Find<QAction>("PassageModelMnu")->trigger();
    QCOMPARE(Cave().Position.z, Cave().HomePosition.z);

    QVERIFY(WorkingUnits().UnitsFeet);
    OnNextDialog([](QWidget* d) {
      Press(d, "Meters");
      Press(d, "OK");
    }, &title);
    Find<QAction>("SettingsMnu")->trigger();
    QCOMPARE(title, QString("Environment Options"));
    QVERIFY(!WorkingUnits().UnitsFeet);
    WorkingUnits() = MakeWorkingUnits(true);

    OnNextDialog([](QWidget* d) { Press(d, "OK"); }, &title);
    Find<QAction>("AboutMnu")->trigger();
    QCOMPARE(title, QString("About Lumor Viewer"));
  }

  void xFilesSaveAndLoad() {
    Load(kDemo);
    const QString xfile = temp.filePath("cave.x");
    const int faces = form->Scene().PassageMesh->ColorCount();
    form->AskFileName = [&](const QString&, const QString&, const QString&, bool) { return xfile; };
    Find<QAction>("SaveXFileMnu")->trigger();
    QVERIFY(errors.isEmpty());
    QVERIFY(QFileInfo(xfile).size() > 1000);
    Find<QAction>("LoadXFileMnu")->trigger();
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    QCOMPARE(form->windowTitle(), xfile);
    const TGLObjectList& meshes = form->Viewer()->Frame.Meshes;
    int loaded = 0;
    for (int i = 0; i < meshes.Count(); ++i) loaded += static_cast<TGLCustomMesh*>(meshes[i])->ColorCount();
    QCOMPARE(loaded, faces);
    QVERIFY(form->Viewer()->Enabled);
    // A file that is not an X file is reported; the view stays usable.
    form->AskFileName = [](const QString&, const QString&, const QString&, bool) { return kDemo; };
    Find<QAction>("LoadXFileMnu")->trigger();
    QCOMPARE(errors, QStringList{"Invalid File"});
    QVERIFY(form->Viewer()->Enabled);
  }

  void programOptions() {
    const QString program = QCoreApplication::applicationDirPath() + "/../lumora";
    if (!QFileInfo::exists(program)) QSKIP("the lumora program is not built");
    auto run = [&](const QStringList& args, QByteArray* out) {
      QProcess p;
      p.start(program, args);
      if (!p.waitForFinished(20000)) return -1;
      *out = p.readAllStandardOutput() + p.readAllStandardError();
      return p.exitCode();
    };
    QByteArray out;
    QCOMPARE(run({"--help"}, &out), 0);
    QVERIFY(out.startsWith("usage: lumora [OPTIONS] [PLOTFILE]"));
    QVERIFY(out.contains("--version"));
    QCOMPARE(run({"--version"}, &out), 0);
    QVERIFY(out.startsWith("lumora ") && out.trimmed().size() > 7);
    QCOMPARE(run({"--bogus"}, &out), 2);
    QVERIFY(out.contains("unknown option '--bogus'"));
    QCOMPARE(run({"a.plt", "b.plt"}, &out), 2);
  }

  void windowKeepsItsPlace() {
    form->resize(700, 460);
    QTest::qWait(20);
    const QSize size = form->size();
    QVERIFY(form->close());
    TForm1 next;
    QCOMPARE(next.size(), size);
  }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
