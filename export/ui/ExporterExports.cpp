// The export buttons: each checks for a loaded plot file, asks for
// the file to write and runs its writer with a busy cursor; a failure shows
// the writer's message and leaves any earlier file of that name in place.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QTabWidget>

#include "app/core/CaveGltf.h"
#include "export/DXFExport.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "export/VRMLExport.h"
#include "export/ui/ExporterForm.h"
#include "model/PlotReader.h"

namespace lumora {

TExportJob TExporterForm::Job() {
  return {model_, options_, document_.PassageOptions, document_.PassageState, Progress()};
}

QString TExporterForm::AskSaveName(const QString& title, const QString& filter, const QString& suffix,
                                   const QString& ext) {
  const QString proposed = QFileInfo(CurrentPlotPath()).completeBaseName() + ext;
  const QString file = AskFileName(title, filter, suffix, proposed, true);
  if (!file.isEmpty()) QDir::setCurrent(QFileInfo(file).absolutePath());
  return file;
}

void TExporterForm::SetBusy(bool busy) {
  busy_ = busy;
  PageControl->setEnabled(!busy);
  bottomOptions_->setEnabled(!busy);
  for (QMenuBar* bar : findChildren<QMenuBar*>()) bar->setEnabled(!busy);
}

void TExporterForm::RunWriter(const std::function<void()>& write) {
  // Events run while the bars move; nothing here may start a second export.
  SetBusy(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString failure;
  try {
    write();
  } catch (const std::exception& e) {
    failure = QString::fromLocal8Bit(e.what());
  }
  QApplication::restoreOverrideCursor();
  SetBusy(false);
  if (!failure.isEmpty()) ErrorBox(failure);
}

namespace {
TMessageProc Warner(const std::function<void(const QString&)>& box) {
  return [box](const std::string& text) { box(QString::fromStdString(text)); };
}
}  // namespace

void TExporterForm::DXFExportClick() {
  if (!CheckPlotLoaded(model_, Warner(WarningBox))) return;
  const QString file = AskSaveName(QStringLiteral("Save Plot As DXF File"),
                                   QStringLiteral("DXF Files (*.dxf);;All Files (*)"), QStringLiteral("DXF"), ".dxf");
  if (file.isEmpty()) return;
  RunWriter([&] { write_dxf(file.toStdString(), Job()); });
}

void TExporterForm::VRMLExportClick() {
  if (!CheckPlotLoaded(model_, Warner(WarningBox))) return;
  const QString file = AskSaveName(QStringLiteral("Save Plot As VRML File"),
                                   QStringLiteral("WRL Files (*.wrl);;All Files (*)"), QStringLiteral("wrl"), ".wrl");
  if (file.isEmpty()) return;
  RunWriter([&] { write_vrml(file.toStdString(), Job()); });
}

void TExporterForm::KMLExportClick() {
  if (!CheckPlotLoaded(model_, Warner(WarningBox))) return;
  if (!CheckGeoreference(model_, Warner(WarningBox))) return;
  const QString file = AskSaveName(QStringLiteral("Save Plot As KML File"),
                                   QStringLiteral("KML Files (*.kml);;All Files (*)"), QStringLiteral("KML"), ".kml");
  if (file.isEmpty()) return;
  RunWriter([&] {
    if (options_.OverlayTypeRadio == 0)
      write_kml_passages(file.toStdString(), Job(), Warner(WarningBox));
    else
      write_kml_lines(file.toStdString(), Job(), Warner(WarningBox));
  });
}

void TExporterForm::GLTFExportClick() {
  if (!CheckPlotLoaded(model_, Warner(WarningBox))) return;
  const QString file = AskSaveName(QStringLiteral("Save Plot As glTF File"),
                                   QStringLiteral("glTF Binary (*.glb);;glTF JSON and Binary (*.gltf);;All Files (*)"),
                                   QStringLiteral("glb"), ".glb");
  if (file.isEmpty()) return;
  TGltfRequest request;
  request.Format = GltfFormatOf(file.toStdString());
  RunWriter([&] { write_gltf(file.toStdString(), Job(), request); });
}

void TExporterForm::ShapeExportClick() {
  if (!CheckPlotLoaded(model_, Warner(WarningBox))) return;
  const QString proposed = QString::fromStdString(ShapefileProposedName(context_.CurrentPlotPath, options_));
  // No default extension: the writer replaces whatever the name carries.
  const QString file =
      AskFileName(QStringLiteral("Save Plot As Shape File"),
                  QStringLiteral("Shapefile sets (*.shp *.shx *.dbf);;All Files (*)"), QString(), proposed, true);
  if (file.isEmpty()) return;
  TShapefileRequest request;
  request.Path = file.toStdString();
  request.CreateZip = options_.ZipShapeChk;
  request.BoundingPolygons = context_.BoundingPolygons;
  request.Warn = Warner(WarningBox);
  request.ConfirmOverwrite = [this](const std::string& q) { return ConfirmBox(QString::fromStdString(q)); };
  QDir::setCurrent(QFileInfo(file).absolutePath());
  ArcFileDis->setText(QString::fromStdString(ShapefileMember(request.Path, "shp").filename().string()));
  RunWriter([&] { export_shapefile(request, Job()); });
}

}  // namespace lumora
