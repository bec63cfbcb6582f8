// The main window's "&Export 3D File Formats...": the exporter window on
// the loaded cave, with the volume tool's hulls as bounding polygons.

#include "app/GLMain.h"
#include "app/SettingsDialogs.h"
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

}  // namespace lumora
