// The main window's "&Export 3D File Formats...": the exporter window on
// the loaded cave, with the volume tool's hulls as bounding polygons; and
// "Save &glTF...": the scene as it is shown.

#include <QApplication>

#include "app/GLMain.h"
#include "app/SettingsDialogs.h"
#include "app/core/CaveGltf.h"
#include "export/ui/BoundingPolygons.h"
#include "export/ui/ExporterForm.h"

namespace lumora {

void TForm1::ExportMnuClick() {
  if (loading_) return;
  if (!exporter_) {
    exporter_ = new TExporterForm(document_, this);
    exporter_->setWindowIcon(ProgramIcon());
    exporter_->VersionLine = VersionText();
    exporter_->YearLine = YearText();
    exporter_->ShowHelp = [this](bool search) {
      ShowHelpContents(exporter_, search ? QStringLiteral("index.html") : QStringLiteral("exporter.html"));
    };
  }
  exporter_->SetCurrentPlotPath(CurrentPlotFile);
  if (hullBuilt_) {
    exporter_->open_exporter_with_bounds(BoundingPolygonsOf(document_.Volume));
  } else {
    InformationBox(QString::fromLatin1(kNoBoundingBoxMessage));
    exporter_->open_exporter();
  }
}

void TForm1::SaveGltfMnuClick() {
  if (loading_ || !sceneCreated_) return;
  if (!document_.Model.PlotInfo.Loaded) {
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
    SaveSceneGltf(file.toStdString(), scene_, document_.Model, document_.PassageOptions, Coloring());
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (!failure.isEmpty()) ErrorBox(failure);
}

}  // namespace lumora
