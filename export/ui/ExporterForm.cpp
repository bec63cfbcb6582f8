#include "export/ui/ExporterForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/ColorDisplay.h"
#include "controls/Fields.h"
#include "controls/ReopenMenu.h"
#include "export/KMLExport.h"
#include "export/ui/ExporterControls.h"
#include "model/PlotReader.h"
#include "model/SurveyFile.h"
#include "platform/IniFile.h"
#include "platform/Settings.h"

namespace lumora {

const char* const kExporterCaption = "Bramble 3D Exporter - ";

namespace {

std::filesystem::path ToPath(const QString& file) { return std::filesystem::path(file.toStdString()); }

QProgressBar* Bar(const char* name) {
  auto* b = new QProgressBar;
  b->setObjectName(QLatin1String(name));
  b->setRange(0, 100);
  b->setValue(0);
  b->setTextVisible(false);
  return b;
}

// Section, survey, feature and feature-with-range icons of the tree.
QIcon TreeIcon(int kind) {
  static const QColor kColours[4] = {QColor(200, 150, 40), QColor(40, 120, 220), QColor(40, 170, 60),
                                     QColor(200, 60, 60)};
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(kColours[kind].darker());
  p.setBrush(kColours[kind]);
  if (kind == 0)
    p.drawRect(2, 4, 12, 9);
  else if (kind == 1)
    p.drawEllipse(3, 3, 10, 10);
  else
    p.drawPolygon(QPolygon({QPoint(8, 2), QPoint(14, 14), QPoint(2, 14)}));
  p.end();
  QIcon icon;
  // A selected node keeps the same picture.
  icon.addPixmap(pixmap, QIcon::Normal);
  icon.addPixmap(pixmap, QIcon::Selected);
  return icon;
}

}  // namespace

// The three bars and status line; pending events run at most every 40 ms,
// often enough for the bars to repaint, rare enough not to slow the writer.
class TExporterForm::TFormProgress : public TExportProgress {
 public:
  explicit TFormProgress(TExporterForm& form) : form_(form) { since_.start(); }

 protected:
  void Bars(int overall, int survey, int shot) override {
    form_.SectionBar->setValue(std::clamp(overall, 0, 100));
    form_.SurveyBar->setValue(std::clamp(survey, 0, 100));
    form_.ShotBar->setValue(std::clamp(shot, 0, 100));
  }
  void Status(const std::string& text) override { form_.StatusDis->setText(QString::fromStdString(text)); }
  void ProcessEvents() override {
    if (since_.elapsed() < 40) return;
    since_.restart();
    QApplication::processEvents();
  }

 private:
  TExporterForm& form_;
  QElapsedTimer since_;
};

TExporterForm::TExporterForm(TCaveDocument& document, QWidget* parent)
    : QDialog(parent), document_(document), model_(document.Model), progress_(std::make_unique<TFormProgress>(*this)) {
  setObjectName(QStringLiteral("ExporterForm"));
  setWindowTitle(QStringLiteral("Bramble 3D Exporter"));
  setModal(true);

  WarningBox = [this](const QString& t) { QMessageBox::warning(this, windowTitle(), t); };
  ErrorBox = [this](const QString& t) { QMessageBox::critical(this, windowTitle(), t); };
  ConfirmBox = [this](const QString& q) {
    return QMessageBox::warning(this, windowTitle(), q, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  AskFileName = [this](const QString& title, const QString& filter, const QString& suffix, const QString& proposed,
                       bool save) {
    QFileDialog d(this, title, QDir::currentPath(), filter);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d.setDefaultSuffix(suffix);
    // The shapefile writer asks about its four files itself.
    if (save && suffix.isEmpty()) d.setOption(QFileDialog::DontConfirmOverwrite);
    if (!proposed.isEmpty()) d.selectFile(proposed);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
    return d.selectedFiles().first();
  };
  ChooseColor = [this](uint32_t colour) { return AskColor(this, colour); };
  ExploreFolder = [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };

  auto* bar = new QMenuBar(this);
  PageControl = new QTabWidget;
  PageControl->setObjectName(QStringLiteral("PageControl"));
  PageControl->addTab(ShapefileTab(), QStringLiteral("Shapefile Export"));
  PageControl->addTab(VRMLTab(), QStringLiteral("VRML Export"));
  PageControl->addTab(DXFTab(), QStringLiteral("DXF Export"));
  PageControl->addTab(KMLTab(), QStringLiteral("KML"));
  PageControl->addTab(WallsTab(), QStringLiteral("Wall Settings"));

  auto* top = new QHBoxLayout;
  top->addWidget(CreateLeftPanel());
  top->addWidget(PageControl, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addLayout(top, 1);
  layout->addWidget(CreateBottomPanel());
  CreateMenus(bar);

  binder_ = std::make_unique<TOptionBinder>(options_, [this] { ApplyRules(); });
  BindControls();
  connect(ShapeTypeRadio, &TRadioGroup::Clicked, this, [this] {
    RefreshDataTypes();
    binder_->Load();
  });

  // The creation steps: choices, first tab, units, swatches, recent files,
  // the datum list with item 21, then the stored settings.
  RefreshDataTypes();
  PageControl->setCurrentIndex(0);
  for (int i = 0; i < KMLDatumCount(); ++i) DatumCombo->addItem(QString::fromStdString(KMLDatumName(i)));
  options_.DatumCombo = 21;
  RestoreSettings();
}

TExporterForm::~TExporterForm() { reopen_->Save(); }

TExportProgress& TExporterForm::Progress() { return *progress_; }

QWidget* TExporterForm::CreateLeftPanel() {
  auto* panel = new QWidget;
  auto* l = new QVBoxLayout(panel);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(new QLabel(QStringLiteral("Survey Tree")));
  SurveyTree = new QTreeWidget;
  SurveyTree->setObjectName(QStringLiteral("SurveyTree"));
  SurveyTree->setHeaderHidden(true);
  SurveyTree->setSelectionMode(QAbstractItemView::SingleSelection);
  SurveyTree->setMinimumWidth(200);
  l->addWidget(SurveyTree, 1);
  FilenameDis = DisplayField("FilenameDis");
  SurveyDis = DisplayField("SurveyDis");
  ShotDis = DisplayField("ShotDis");
  ArcFileDis = DisplayField("ArcFileDis");
  auto* file = new QHBoxLayout;
  file->addWidget(new QLabel(QStringLiteral(" Plot File: ")));
  file->addWidget(FilenameDis, 1);
  l->addLayout(file);
  auto* counts = new QHBoxLayout;
  counts->addWidget(new QLabel(QStringLiteral(" Surveys/Shots: ")));
  counts->addWidget(SurveyDis);
  counts->addWidget(ShotDis);
  l->addLayout(counts);
  auto* status = new QGroupBox(QStringLiteral("Conversion Status"));
  auto* s = new QHBoxLayout(status);
  s->addWidget(new QLabel(QStringLiteral("File: ")));
  s->addWidget(ArcFileDis, 1);
  l->addWidget(status);
  return panel;
}

QWidget* TExporterForm::CreateBottomPanel() {
  auto* panel = new QWidget;
  auto* l = new QVBoxLayout(panel);
  l->setContentsMargins(0, 0, 0, 0);
  StatusDis = new QLabel;
  StatusDis->setObjectName(QStringLiteral("StatusDis"));
  SectionBar = Bar("SectionBar");
  SurveyBar = Bar("SurveyBar");
  ShotBar = Bar("ShotBar");
  auto* status = new QHBoxLayout;
  status->addWidget(new QLabel(QStringLiteral("Status:")));
  status->addWidget(StatusDis, 1);
  status->addWidget(SectionBar, 2);
  l->addLayout(status);
  l->addWidget(SurveyBar);
  l->addWidget(ShotBar);

  UnitRadio = new TRadioGroup("UnitRadio", QStringLiteral("Units"), {"Feet", "Meters"}, -1);
  DateRadio = new TRadioGroup("DateRadio", QStringLiteral("Date Type"), {"Survey", "Discovery"}, -1);
  ShowHiddenChk = CheckBox("ShowHiddenChk", QStringLiteral("Export Hidden Shots (P-Flag)"));
  DirBtn = new QPushButton(QStringLiteral("Go to Export Directory"));
  DirBtn->setObjectName(QStringLiteral("DirBtn"));
  connect(DirBtn, &QPushButton::clicked, this, &TExporterForm::ExploreExportFolder);
  bottomOptions_ = new QWidget;
  auto* bottom = new QHBoxLayout(bottomOptions_);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addWidget(UnitRadio);
  bottom->addWidget(DateRadio);
  bottom->addWidget(ShowHiddenChk);
  bottom->addStretch(1);
  bottom->addWidget(DirBtn);
  l->addWidget(bottomOptions_);
  return panel;
}

void TExporterForm::CreateMenus(QMenuBar* bar) {
  auto item = [this](QMenu* menu, const char* name, const QString& caption, auto slot, QKeySequence key = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  item(file, "OpenMnu", "&Open...", &TExporterForm::OpenMnuClick, QKeySequence::Open);
  reopen_ = new TReopenMenu(QStringLiteral("&Reopen"), this);
  reopen_->setObjectName(QStringLiteral("ReopenMnu"));
  reopen_->SetIniFile(FamilyMainSettingsPath(), "Vododo3Z", 5);
  reopen_->Load();
  file->addMenu(reopen_);
  connect(reopen_, &TReopenMenu::Reopen, this, &TExporterForm::OpenPlotFile);
  file->addSeparator();
  item(file, "ExitMnu", "E&xit", &QDialog::accept);

  QMenu* options = bar->addMenu(QStringLiteral("&Options"));
  item(options, "SaveSettingsMnu", "&Save Settings", &TExporterForm::SaveSettings);
  item(options, "RestoreSettingsMnu", "&Restore Settings", &TExporterForm::RestoreSettings);

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  item(
      help, "ContentsMnu", "&Contents",
      [this] {
        if (ShowHelp) ShowHelp(false);
      },
      QKeySequence::HelpContents);
  item(help, "SearchMnu", "&Search for Help On...", [this] {
    if (ShowHelp) ShowHelp(true);
  });
  help->addSeparator();
  item(help, "AboutMnu", "&About", &TExporterForm::ShowAbout);
}

void TExporterForm::ApplyRules() {
  VertColorChk->setEnabled(options_.DoPassageChk && options_.PassDepthColorChk);
  AssocPassChk->setEnabled(options_.LayerSurveysChk);
  AssocLabelChk->setEnabled(options_.LayerSurveysChk);
  const QString unit = QString::fromStdString(unit_label(options_));
  ScaleBarUnit->setText(unit);
  MarkSizeUnit->setText(unit);
}

void TExporterForm::RefreshDataTypes() {
  const TDataTypeChoices c = RefreshDataTypeChoices(options_, context_);
  for (int i = 0; i < ConvertTypeRadio->Count(); ++i) {
    ConvertTypeRadio->Item(i)->setEnabled(c.Enabled[i]);
    ConvertTypeRadio->Item(i)->setVisible(c.Visible[i]);
  }
  ConvertTypeRadio->SetItemIndex(options_.ConvertTypeRadio);
}

void TExporterForm::SetCurrentPlotPath(const QString& path) { context_.CurrentPlotPath = path.toStdString(); }

QString TExporterForm::CurrentPlotPath() const { return QString::fromStdString(context_.CurrentPlotPath); }

void TExporterForm::FillSurveyTree() {
  SurveyTree->setUpdatesEnabled(false);
  SurveyTree->clear();
  for (int s = 0; s < model_.Sections.Count(); ++s) {
    auto* section = new QTreeWidgetItem(SurveyTree, {QString::fromStdString(model_.Sections[s].Name.Str())});
    section->setIcon(0, TreeIcon(0));
    const TRange r = model_.SectionSurveyRange(s);
    for (int v = r.First; v <= r.Last; ++v) {
      const TSurveyID& survey = model_.Surveys[v];
      auto* node = new QTreeWidgetItem(section, {QString::fromStdString(survey.Name.Str())});
      node->setIcon(0, TreeIcon(1 + std::min<int>(survey.Kind, 2)));
    }
    section->setExpanded(true);
  }
  SurveyTree->setUpdatesEnabled(true);
}

// The tree, the file name, the recent list, the caption and the datum.
void TExporterForm::ShowPlotFile(const QString& path) {
  FillSurveyTree();
  const QString name = QFileInfo(path).fileName();
  FilenameDis->setText(name);
  reopen_->Add(ToPath(path));
  setWindowTitle(QLatin1String(kExporterCaption) + name);
  if (model_.PlotInfo.Loaded) {
    const int datum = DatumCombo->findText(QString::fromStdString(model_.PlotInfo.Datum.Str()),
                                           Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (datum >= 0) {
      options_.DatumCombo = datum;
      DatumCombo->setCurrentIndex(datum);
    }
  }
}

void TExporterForm::PrepareOpen() {
  RefreshDataTypes();
  binder_->Load();
  ShowPlotFile(CurrentPlotPath());
}

void TExporterForm::open_exporter() {
  context_.BoundingPolygons.clear();
  context_.BoundingPolygonsAvailable = false;
  PrepareOpen();
  exec();
}

void TExporterForm::open_exporter_with_bounds(std::vector<TBoundingPolygon> polygons) {
  context_.BoundingPolygons = std::move(polygons);
  context_.BoundingPolygonsAvailable = true;
  PrepareOpen();
  exec();
}

void TExporterForm::OpenPlotFile(const QString& file) {
  if (busy_ || file.isEmpty()) return;
  const QString path = QFileInfo(file).absoluteFilePath();
  context_.LastOpenedPath = path.toStdString();
  QDir::setCurrent(QFileInfo(path).absolutePath());
  if (path.toStdString() != context_.CurrentPlotPath) {
    // The main window rebuilds its scene from the document before this
    // window takes commands again.
    struct TBusy {
      TExporterForm& form;
      ~TBusy() { form.SetBusy(false); }
    } busy{*this};
    SetBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LoadSurveyFile(
        model_, path.toStdString(),
        [this](int surveys, int shots) {
          SurveyDis->setText(QString::number(surveys));
          ShotDis->setText(QString::number(shots));
          progress_->show_progress(0, 1, 0, 1, 0, 1);
        },
        [this](const std::string& text) { WarningBox(QString::fromStdString(text)); });
    QApplication::restoreOverrideCursor();
    // The model now holds what was read of this file, whole or not.
    context_.CurrentPlotPath = path.toStdString();
    document_.Loaded(context_.CurrentPlotPath);
  }
  RefreshDataTypes();
  binder_->Load();
  ShowPlotFile(path);
}

void TExporterForm::OpenMnuClick() {
  const QString file = AskFileName(QStringLiteral("Open Plot File"), QString::fromLatin1(kSurveyFileFilter), QString(),
                                   QString(), false);
  if (!file.isEmpty()) OpenPlotFile(file);
}

void TExporterForm::reject() {
  if (!busy_) QDialog::reject();
}

void TExporterForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (activated_) return;
  activated_ = true;
  // The program's first argument is opened only while no plot file is
  // held: the main window opens it too, and a user who has since loaded
  // another cave must not get the old one back.
  const QStringList args = QApplication::arguments();
  if (context_.CurrentPlotPath.empty() && args.size() > 1 && QFileInfo(args[1]).isFile()) OpenPlotFile(args[1]);
}

void TExporterForm::SaveSettings() {
  try {
    TIniFile ini(ExportSettingsPath());
    SaveExportSettings(options_, ini);
    ini.UpdateFile();
  } catch (const std::exception& e) {
    ErrorBox(QString::fromLocal8Bit(e.what()));
  }
}

void TExporterForm::RestoreSettings() {
  try {
    const TIniFile ini(ExportSettingsPath());
    // An unreadable file leaves every option as it is, and is not saved over.
    std::string problem = ini.LoadError().empty() ? RestoreExportSettings(options_, ini) : ini.LoadError();
    if (const TIniFile recent(FamilyMainSettingsPath()); !recent.LoadError().empty())
      problem += (problem.empty() ? "" : "\n") + recent.LoadError();
    // Said once the window is up, not while it is being built.
    if (!problem.empty())
      QTimer::singleShot(0, this, [this, text = QString::fromLocal8Bit(problem)] { ErrorBox(text); });
  } catch (const std::exception&) {
  }
  binder_->Load();
}

void TExporterForm::ShowAbout() {
  QDialog about(this);
  about.setWindowTitle(QStringLiteral("About Export 3D"));
  auto* l = new QVBoxLayout(&about);
  for (const auto& [name, text] : {std::pair{"ProductName", QStringLiteral("Vododo3Z")},
                                   {"Title", QStringLiteral("Bramble 3D Exporter")},
                                   {"Version", VersionLine},
                                   {"Copyright", YearLine},
                                   {"Maker", QStringLiteral("The Lumora developers")}}) {
    auto* label = new QLabel(text, &about);
    label->setObjectName(QLatin1String(name));
    l->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  l->addWidget(buttons);
  about.exec();
}

void TExporterForm::ExploreExportFolder() {
  // Before a file was opened here, the folder of the file the model holds.
  const std::string& path = context_.LastOpenedPath.empty() ? context_.CurrentPlotPath : context_.LastOpenedPath;
  if (path.empty()) return;
  ExploreFolder(QFileInfo(QString::fromStdString(path)).absolutePath());
}

void TExporterForm::BrowseTextureClick() {
  const QString file =
      AskFileName(QStringLiteral("Open Texture File"),
                  QStringLiteral("VRML Images Files (*.png *.gif *.jpg);;All Files (*)"), QString(), QString(), false);
  if (!file.isEmpty()) TextureEdit->setText(QFileInfo(file).fileName());
}

}  // namespace lumora
