// The main window's "&Export 3D File Formats...": the exporter window on
// the loaded cave, with the volume tool's hulls as bounding polygons; and
// "Save &glTF...": the scene as it is shown.

#include <QApplication>

#include "app/GLMain.h"
#include "app/SettingsDialogs.h"
#include "app/core/CaveGltf.h"
#include "export/ui/BoundingPolygons.h"
#include "export/ui/ExporterForm.h"
#include "model/PlotArray.h"
#include "passage/PassageLib.h"
#include "volume/CVVolume.h"

namespace lumora {

void TForm1::ExportMnuClick() {
  if (loading_) return;
  if (!exporter_) {
    exporter_ = new TExporterForm(PlotModel(), this);
    exporter_->setWindowIcon(ProgramIcon());
    exporter_->VersionLine = VersionText();
    exporter_->YearLine = YearText();
    exporter_->ShowHelp = [this](bool search) {
      ShowHelpContents(exporter_, search ? QStringLiteral("index.html") : QStringLiteral("exporter.html"));
    };
  }
  exporter_->SetCurrentPlotPath(CurrentPlotFile);
  if (hullBuilt_) {
    exporter_->open_exporter_with_bounds(BoundingPolygonsOf(VolumeModel()));
  } else {
    InformationBox(QString::fromLatin1(kNoBoundingBoxMessage));
    exporter_->open_exporter();
  }
  // A plot file opened inside the exporter replaced the model; the view
  // must show that cave, not the one it was built from.
  const QString held = exporter_->CurrentPlotPath();
  if (!held.isEmpty() && held != CurrentPlotFile) LoadCave(held);
}

void TForm1::SaveGltfMnuClick() {
  if (loading_ || !sceneCreated_) return;
  if (!PlotModel().PlotInfo.Loaded) {
    InformationBox(QString::fromLatin1(kNoPlotFileMessage));
    return;
  }
  const QString file =
      AskFileName("Save glTF File", "glTF Binary (*.glb);;glTF JSON and Binary (*.gltf);;All Files (*)", "glb", true);
  if (file.isEmpty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString failure;
  try {
    // The options the scene was built with give its units and centre.
    SaveSceneGltf(file.toStdString(), scene_, PlotModel(), PassageOptions(), Coloring());
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (!failure.isEmpty()) ErrorBox(failure);
}

}  // namespace lumora
