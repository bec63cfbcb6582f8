// The main window's files: plot loads, recent files, X files, dropped
// files and the window's place between runs.

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QSlider>
#include <QSpinBox>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstring>
#include <string_view>

#include "app/CaveMeshDlg.h"
#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/SettingsDialogs.h"
#include "app/StationTool.h"
#include "app/SurveyPage.h"
#include "app/ViewMotion.h"
#include "app/core/GLSettings.h"
#include "app/core/SurfaceMesh.h"
#include "controls/ReopenMenu.h"
#include "model/SurveyFile.h"
#include "platform/IniFile.h"
#include "scene/GLFonts.h"
#include "viewer/GLViewer.h"
#include "volume/ui/CVMain.h"

namespace lumora {
namespace {

std::filesystem::path ToPath(const QString& file) { return std::filesystem::path(file.toStdString()); }

// A map image, JPEG or PNG, as Qt reads it.
bool DecodeImage(std::string_view bytes, TBitmap32& out) {
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) return false;
  image = image.convertToFormat(QImage::Format_ARGB32);  // blue, green, red, alpha bytes
  out.Width = image.width();
  out.Height = image.height();
  out.Data.resize(static_cast<size_t>(out.Width) * out.Height * 4);
  for (int y = 0; y < out.Height; ++y)
    std::memcpy(out.Row(y), image.constScanLine(y), static_cast<size_t>(out.Width) * 4);
  return true;
}

// Which reader opens a file is chosen by its content; the names only decide
// what a drop offers to open.
bool IsPlotFile(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == "plt" || suffix == "plf" || suffix == "3d" || suffix == "lox";
}

}  // namespace

QString AskFile(QWidget* owner, bool save, const QString& title, const QString& filter, const QString& suffix) {
  QFileDialog d(owner, title, QDir::currentPath(), filter);
  d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  d.setDefaultSuffix(suffix);
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
  return d.selectedFiles().first();
}

void TForm1::CreateSceneOnce() {
  if (sceneCreated_) return;
  scene_ = CreateSceneObjects(*viewer_);
  sceneCreated_ = true;
  // The 3D text's glyph solids are made now rather than at its first draw.
  TGLObjectList& strings = viewer_->Frame.Strings3D;
  if (strings.Count() > 0) static_cast<TGL3DString*>(strings[0])->Font.BuildFont();
  FreeRotChkClick();
  ApplyDisplayDefaults();
  if (!pendingLoad_.isEmpty())
    QTimer::singleShot(0, this, [this] { LoadCave(std::exchange(pendingLoad_, QString())); });
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (unitsRead_) return;
  unitsRead_ = true;
  ReadUnits(document_.Units);
}

TCaveStyle TForm1::Style() const {
  TCaveStyle s;
  s.ShotColor = options_->ShotColorDis->Color();
  s.SplayColor = options_->SplayColorDis->Color();
  s.StationColor = options_->StationColorDis->Color();
  s.PointSize = options_->PointSizeSpin->value();
  s.WallColor = options_->WallColorDis->Color();
  const TOptionsPanel* o = options_;
  s.LabelAnonymous = o->LabelAnonChk->isChecked();
  s.ShowSurfaceLegs = o->SurfaceLegsChk->isChecked();
  s.ShowDuplicateLegs = o->DuplicateLegsChk->isChecked();
  s.MarkEntrances = o->EntranceChk->isChecked();
  s.MarkFixed = o->FixedChk->isChecked();
  s.MarkExported = o->ExportedChk->isChecked();
  s.EntranceColor = o->EntranceColorDis->Color();
  s.FixedColor = o->FixedColorDis->Color();
  s.ExportedColor = o->ExportedColorDis->Color();
  return s;
}

void TForm1::KeepViewCurrent() {
  if (QOpenGLContext::currentContext() != viewer_->context()) viewer_->makeCurrent();
}

TCaveLoadProgress TForm1::ProgressFields() {
  TCaveLoadProgress fields = loadProgress_->Fields();
  auto current = [this](auto field) {
    return [this, field](auto value) {
      if (field) field(value);
      KeepViewCurrent();
    };
  };
  fields.Action = current(fields.Action);
  fields.Shots = current(fields.Shots);
  fields.Surveys = current(fields.Surveys);
  fields.Polygons = current(fields.Polygons);
  fields.Progress = current(fields.Progress);
  return fields;
}

void TForm1::SetBusy(bool busy) {
  // Events run during a load; nothing may start another load or touch the
  // scene being built.
  menuBar()->setEnabled(!busy);
  options_->setEnabled(!busy);
  for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(!busy);
  viewer_->Enabled = !busy;
  volumeDlg_->setEnabled(!busy);
  if (busy) {
    AnimateBtn->setChecked(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TForm1::LoadCave(const QString& fileName) {
  if (loading_ || fileName.isEmpty()) return;
  // The recent files keep full paths.
  const QString plotFile = QFileInfo(fileName).absoluteFilePath();
  if (!sceneCreated_) {
    pendingLoad_ = plotFile;
    return;
  }
  RunLoad(plotFile, true);
}

void TForm1::DocumentLoaded(const QString& plotFile) {
  if (loading_) return;
  if (!sceneCreated_) {
    pendingLoad_ = plotFile;
    return;
  }
  RunLoad(plotFile, false);
}

bool TForm1::ReadForLoad(const QString& plotFile, TPlotModel& model, const TCaveLoadProgress& fields,
                         TCaveLoadResult& read) {
  // The reader's boxes wait until it is known whether the load goes on.
  QStringList warnings;
  QString reason;
  try {
    read = ReadCaveFile(ToPath(plotFile), model, fields,
                        [&](const std::string& text) { warnings << QString::fromStdString(text); });
    // A file that is not there goes on to the load, which shows the reader's
    // message over an empty view.
    if (model.Plots.Count() > 0 || !QFileInfo::exists(plotFile)) {
      for (const QString& text : warnings) {
        ErrorBox(text);
        KeepViewCurrent();
      }
      return true;
    }
    reason = read.Error.empty() ? QString("it holds no plot records (it is empty, binary or of another format)")
                                : QString::fromStdString(read.Error);
  } catch (const std::exception& e) {
    reason = QString::fromStdString(e.what());
  }
  ErrorBox(QString("Cannot open \"%1\": %2. The cave shown stays.").arg(QDir::toNativeSeparators(plotFile), reason));
  return false;
}

void TForm1::RunLoad(const QString& plotFile, bool read) {
  motion_->FinishFlyIn();
  loading_ = true;
  SetBusy(true);
  loadProgress_->show();
  TCaveLoadProgress fields = ProgressFields();
  // The centreline shows the new cave while its walls build: on a big cave
  // that is the first picture by seconds.
  fields.CentrelineReady = [this] {
    viewer_->Enabled = true;
    viewer_->repaint();
    viewer_->Enabled = false;
    KeepViewCurrent();
  };
  fields.Shots("0");
  // Read once, into a model of its own, so that a file from which nothing
  // can be read leaves the cave shown as it is.
  TPlotModel model;
  TCaveLoadResult readResult;
  bool cancelled = false;
  try {
    if (read && !ReadForLoad(plotFile, model, fields, readResult)) {
      loadProgress_->hide();
      SetBusy(false);
      loading_ = false;
      return;
    }
  } catch (const ELoadCancelled&) {
    // As a load cancelled later: the view is emptied.
    cancelled = true;
  }
  stations_->Clear();
  CurrentPlotFile = plotFile;
  reopen_->Add(ToPath(plotFile));
  reopen_->Save();
  setWindowTitle("Lumora - " + QFileInfo(plotFile).fileName());
  volumeDlg_->ResetForLoad();
  QString failure;
  try {
    viewer_->makeCurrent();
    if (cancelled) {
      ClearCave(scene_, document_);
      throw ELoadCancelled();
    }
    const TCaveLoadResult loaded =
        read ? LoadReadCave(std::move(model), readResult, *viewer_, scene_, document_, meshDlg_->Settings(), Style(),
                            fields)
             : RebuildCave(*viewer_, scene_, document_, meshDlg_->Settings(), Style(), fields);
    if (loaded.TooManyForPassDims) volumeDlg_->ClearUseDims();
    ApplyDisplayDefaults();
    ApplySurveyKind();
    SetSurfaces(document_.Model, document_.PassageOptions, scene_, DecodeImage);
    SetSurfaceTransparency(scene_, options_->SurfaceTransparencyTrack->value());
    SyncVisibility();
  } catch (const ELoadCancelled&) {
    // The load dropped what it had built: the view is empty.
    setWindowTitle("Lumora");
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  } catch (...) {
    failure = "Unknown error";
  }
  loadProgress_->hide();
  SetBusy(false);
  roseBuilt_ = hullBuilt_ = false;
  stations_->Rebuild();
  surveyPage_->Fill();
  loading_ = false;
  viewer_->update();
  if (!failure.isEmpty()) ErrorBox(failure);
  if (closeAfterLoad_) close();
}

void TForm1::OpenPlotFileMnuClick() {
  if (loading_) return;
  const QString file = AskFileName("Open Plot File", kSurveyFileFilter, "plt", false);
  if (file.isEmpty()) return;
  QDir::setCurrent(QFileInfo(file).absolutePath());
  LoadCave(file);
}

void TForm1::ReloadMnuClick() { LoadCave(CurrentPlotFile); }

void TForm1::Reopen(const QString& path) {
  if (loading_) return;
  QDir::setCurrent(QFileInfo(path).absolutePath());
  LoadCave(path);
}

void TForm1::PassageModelMnuClick() {
  if (meshDlg_->Execute(ToPath(CurrentPlotFile))) LoadCave(CurrentPlotFile);
}

void TForm1::LoadXFileMnuClick() {
  if (loading_ || !sceneCreated_) return;
  const QString file = AskFileName("Open X File", "Bramble X Files (*.x);;All Files (*)", "x", false);
  if (file.isEmpty()) return;
  setWindowTitle(file);
  xProgress_->show();
  QString failure;
  try {
    viewer_->makeCurrent();
    viewer_->LoadXFile(ToPath(file), xProgress_->Procedure(), false);
    viewer_->makeCurrent();
    if (viewer_->Frame.Meshes.Count() > 0) static_cast<TGLCustomMesh*>(viewer_->Frame.Meshes[0])->ComputeAllNormals();
    scene_.PassageMesh->ResetHome();
    viewer_->FitAll();
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  xProgress_->hide();
  viewer_->update();
  if (!failure.isEmpty()) ErrorBox(failure);
}

void TForm1::SaveXFileMnuClick() {
  if (loading_ || !sceneCreated_) return;
  const QString file = AskFileName("Save X 3D Mesh File", "X 3D Mesh File (*.x);;All Files (*)", "x", true);
  if (file.isEmpty()) return;
  xProgress_->show();
  QString failure;
  try {
    viewer_->SaveXFile(ToPath(file), xProgress_->Procedure());
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  xProgress_->hide();
  if (!failure.isEmpty()) ErrorBox(failure);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (loading_) {
    // The load finishes first; the window closes after it.
    closeAfterLoad_ = true;
    event->ignore();
    return;
  }
  SaveWindowGeometry();
  EndCapture({});
  QMainWindow::closeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && IsPlotFile(url.toLocalFile())) {
      event->acceptProposedAction();
      return;
    }
}

void TForm1::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && IsPlotFile(url.toLocalFile())) {
      event->acceptProposedAction();
      LoadCave(url.toLocalFile());
      return;
    }
}

void TForm1::RestoreWindowGeometry() {
  const TIniFile ini(RecentFilesSettingsPath());
  const std::string g = ini.ReadString("window", "Geometry", "");
  if (g.empty() || !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(g)))) resize(1000, 700);
}

void TForm1::SaveWindowGeometry() const {
  try {
    TIniFile ini(RecentFilesSettingsPath());
    ini.WriteString("window", "Geometry", saveGeometry().toBase64().toStdString());
    ini.UpdateFile();
  } catch (const std::exception&) {
    // A settings file that cannot be written keeps the last place.
  }
}

}  // namespace lumora
