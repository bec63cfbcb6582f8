// The main window's "&Print..." and "Export &Map...": the cave as a map on
// paper, in the current view's direction, through the one map drawing.

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>

#include "app/GLMain.h"
#include "app/MapDlg.h"
#include "app/SettingsDialogs.h"
#include "app/core/CaveViews.h"
#include "export/ExportMain.h"
#include "map/MapDraw.h"
#include "map/MapFile.h"

namespace lumora {

namespace {

void PrintMap(QPrinter& printer, const TMapContent& map) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  painter.setTransform(MapToDevice(printer.resolution()));
  DrawMap(painter, map);
  painter.end();
}

}  // namespace

TMapOptions TForm1::MapOptionsNow() const {
  TMapOptions o = lastMap_ ? *lastMap_ : TMapOptions{};
  if (sceneCreated_) {
    const TGLFrame& f = *scene_.CaveFrame;
    if (ViewTilt(f) > 45) {
      o.View = TMapView::Plan;
    } else {
      const int quarter = static_cast<int>(std::lround(ViewBearing(f) / 90)) % 4;
      o.View = static_cast<TMapView>(1 + quarter);
    }
  }
  o.Coloring = Coloring();
  if (!lastMap_) o.Feet = document_.Units.UnitsFeet;
  return o;
}

std::optional<TMapContent> TForm1::AskMap(bool printing, QString* format) {
  if (loading_ || !sceneCreated_) return std::nullopt;
  if (!document_.Model.PlotInfo.Loaded) {
    InformationBox(QString::fromLatin1(kNoPlotFileMessage));
    return std::nullopt;
  }
  TMapDlg dialog(this, printing);
  dialog.SetOptions(MapOptionsNow());
  if (!RunMapDialog(dialog)) return std::nullopt;
  lastMap_ = dialog.Options();
  mapChoice_ = dialog.Choice();
  if (format) *format = dialog.Format();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::optional<TMapContent> map;
  QString failure;
  try {
    map = MakeMapContent(document_.Model, document_.PassageOptions, *lastMap_);
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (!failure.isEmpty()) ErrorBox(failure);
  return map;
}

QString TForm1::MapTitle() const {
  if (lastMap_ && !lastMap_->Title.empty()) return QString::fromStdString(lastMap_->Title);
  const std::string& title = document_.Model.PlotInfo.Title;
  return title.empty() ? CurrentPlotFile : QString::fromStdString(title);
}

void TForm1::ExportMapMnuClick() {
  QString format;
  const std::optional<TMapContent> map = AskMap(false, &format);
  if (!map) return;
  const QString file =
      AskFileName("Export Map", format == "pdf" ? "PDF Map (*.pdf);;All Files (*)" : "SVG Map (*.svg);;All Files (*)",
                  format, true);
  if (file.isEmpty()) return;
  QString path = file;
  if (!path.endsWith("." + format, Qt::CaseInsensitive)) path += "." + format;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString failure;
  try {
    WriteMapFile(path.toStdString(), *map, MapTitle().toStdString());
  } catch (const std::exception& e) {
    failure = QString::fromStdString(e.what());
  }
  QApplication::restoreOverrideCursor();
  if (!failure.isEmpty()) {
    ErrorBox(failure);
    return;
  }
  for (const std::string& w : map->Warnings) InformationBox(QString::fromStdString("The map: " + w + "."));
}

void TForm1::PrintMnuClick() {
  const std::optional<TMapContent> map = AskMap(true, nullptr);
  if (!map) return;
  for (const std::string& w : map->Warnings) InformationBox(QString::fromStdString("The map: " + w + "."));
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(MapTitle());
  printer.setFullPage(true);
  printer.setPageLayout(QPageLayout(QPageSize(QSizeF(map->Page.Width, map->Page.Height), QPageSize::Millimeter,
                                              QString(), QPageSize::FuzzyOrientationMatch),
                                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  if (mapChoice_ == "preview") {
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&map](QPrinter* p) { PrintMap(*p, *map); });
    preview.exec();
    return;
  }
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle("Print Map");
  if (dialog.exec() == QDialog::Accepted) PrintMap(printer, *map);
}

}  // namespace lumora
