#include "app/SettingsDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/core/GLSettings.h"
#include "controls/RadioGroup.h"

// Qt's resource initialiser must be called from the global namespace.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace lumora {

namespace {

QDate ProgramFileDate() {
  const QDate date = QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date();
  return date.isValid() ? date : QDate::currentDate();
}

QLabel* Field(QWidget* parent, const char* name) {
  auto* field = new QLabel(parent);
  field->setObjectName(QLatin1String(name));
  field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  field->setMinimumWidth(90);
  return field;
}

}  // namespace

// ---- Environment Options ----

TEnvironmentDlg::TEnvironmentDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Environment Options"));
  units_ = new TRadioGroup("UnitsRadio", QStringLiteral("Working Units"),
                           {QStringLiteral("Feet"), QStringLiteral("Meters")}, 0, 1, this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  openInPlan_ = new QCheckBox(QStringLiteral("Open Caves In Plan, Fitted"), this);
  openInPlan_->setObjectName(QStringLiteral("OpenInPlanChk"));
  openInPlan_->setToolTip(QStringLiteral("Each cave opens seen from above, fitted to the view"));
  openInPlan_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(units_);
  layout->addWidget(openInPlan_);
  layout->addWidget(buttons);
}

bool TEnvironmentDlg::Feet() const { return units_->ItemIndex() == 0; }

void TEnvironmentDlg::SetFeet(bool feet) { units_->SetItemIndex(feet ? 0 : 1); }

void TEnvironmentDlg::SetOpenInPlan(bool on) {
  openInPlan_->setChecked(on);
  openInPlan_->show();
}

bool TEnvironmentDlg::OpenInPlan() const { return openInPlan_->isChecked(); }

bool EditUnits(QWidget* parent, TWorkingUnits& units, bool* openInPlan) {
  TEnvironmentDlg dlg(parent);
  dlg.SetFeet(units.UnitsFeet);
  if (openInPlan) dlg.SetOpenInPlan(*openInPlan);
  if (dlg.exec() != QDialog::Accepted) return false;
  units.UnitsFeet = dlg.Feet();
  ApplyUnits(units);
  if (openInPlan) *openInPlan = dlg.OpenInPlan();
  return true;
}

// ---- Progress windows ----

void TRepaintPacer::Pace() {
  // Repainting at every report would cost a long load more than its work.
  if (since_.isValid() && since_.elapsed() < 40) return;
  since_.start();
  QCoreApplication::processEvents();
}

TLoadProgressDlg::TLoadProgressDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Converting Cave Data To 3D Mesh"));
  action_ = Field(this, "ActionDis");
  action_->setMinimumWidth(260);
  shots_ = Field(this, "ShotDis");
  surveys_ = Field(this, "SurveyDis");
  polygons_ = Field(this, "PolygonDis");
  progress_ = Field(this, "ProgressDis");
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ProgressBar"));
  bar_->setRange(0, 100);
  bar_->setValue(0);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral(" Actions:"), this), 0, 0);
  grid->addWidget(action_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral(" Shots:"), this), 1, 0);
  grid->addWidget(shots_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral(" Surveys:"), this), 1, 2);
  grid->addWidget(surveys_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral(" Polygons:"), this), 2, 0);
  grid->addWidget(polygons_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral(" Progress:"), this), 2, 2);
  grid->addWidget(progress_, 2, 3);
  grid->addWidget(bar_, 3, 0, 1, 4);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
  connect(buttons, &QDialogButtonBox::rejected, this, &TLoadProgressDlg::reject);
  grid->addWidget(buttons, 4, 0, 1, 4);
  setMinimumWidth(420);
}

void TLoadProgressDlg::showEvent(QShowEvent* event) {
  cancelled_ = false;
  QDialog::showEvent(event);
}

// The load hides the window when it has stopped.
void TLoadProgressDlg::reject() { cancelled_ = true; }

TCaveLoadProgress TLoadProgressDlg::Fields() {
  auto setter = [this](QLabel* field) {
    return [this, field](const std::string& text) {
      field->setText(QString::fromStdString(text));
      pacer_.Pace();
    };
  };
  TCaveLoadProgress fields;
  fields.Action = [this, show = setter(action_)](const std::string& text) {
    show(text);
    if (OnAction) OnAction(text);
  };
  fields.Shots = setter(shots_);
  fields.Surveys = setter(surveys_);
  fields.Polygons = setter(polygons_);
  fields.Progress = [this](int percent) {
    progress_->setText(QString::number(percent));
    bar_->setValue(std::clamp(percent, 0, 100));
    pacer_.Pace();
  };
  fields.Cancelled = [this] { return cancelled_; };
  return fields;
}

TProgressDlg::TProgressDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Progress"));
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("ProgressBar"));
  bar_->setRange(0, 100);
  bar_->setMinimumWidth(300);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
}

void TProgressDlg::SetProgress(int percent) { bar_->setValue(std::clamp(percent, 0, 100)); }

TXProgress TProgressDlg::Procedure() {
  return [this](int percent) {
    SetProgress(percent);
    pacer_.Pace();
  };
}

// ---- Version, year and About ----

QIcon ProgramIcon() {
  InitAppResources();
  return QIcon(QStringLiteral(":/lumora.svg"));
}

QString FormatVersionText(const QDate& fileDate, const QString& version) {
  const QString last = version.section(QLatin1Char('.'), -1);
  return QStringLiteral("Version 5.%1.%2.%3.%4")
      .arg(fileDate.year() % 100, 2, 10, QLatin1Char('0'))
      .arg(fileDate.month())
      .arg(fileDate.day())
      .arg(last);
}

QString FormatYearText(const QDate& fileDate) {
  return QStringLiteral("Copyright %1").arg(fileDate.year(), 4, 10, QLatin1Char('0'));
}

QString VersionText() {
  static const QString text = FormatVersionText(ProgramFileDate(), QCoreApplication::applicationVersion());
  return text;
}

QString YearText() {
  static const QString text = FormatYearText(ProgramFileDate());
  return text;
}

void ShowAbout(QWidget* parent) {
  QDialog dlg(parent);
  dlg.setWindowTitle(QStringLiteral("About Lumor Viewer"));

  auto* picture = new QLabel(&dlg);
  picture->setObjectName(QStringLiteral("ProgramIcon"));
  picture->setPixmap(ProgramIcon().pixmap(96, 96));
  auto* product = new QLabel(QStringLiteral("Lumora"), &dlg);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 2);
  big.setBold(true);
  product->setFont(big);
  auto* line = new QLabel(QStringLiteral("OpenGL Cave  Viewer"), &dlg);
  line->setObjectName(QStringLiteral("Comments"));
  auto* maker = new QLabel(QStringLiteral("The Lumora developers"), &dlg);
  maker->setObjectName(QStringLiteral("Maker"));
  // The project has no web site of its own yet; the link opens its help.
  auto* link = new QLabel(QStringLiteral("<a href=\"help:index\">Lumora Help</a>"), &dlg);
  link->setObjectName(QStringLiteral("WebLink"));
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  // The help window opens once the modal box is gone, which would block it.
  bool help = false;
  QObject::connect(link, &QLabel::linkActivated, &dlg, [&dlg, &help] {
    help = true;
    dlg.accept();
  });
  auto* year = new QLabel(YearText(), &dlg);
  year->setObjectName(QStringLiteral("Copyright"));
  auto* version = new QLabel(VersionText(), &dlg);
  version->setObjectName(QStringLiteral("Version"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  for (QLabel* label : {product, line, maker, link, year, version}) texts->addWidget(label);
  auto* top = new QHBoxLayout;
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  auto* layout = new QVBoxLayout(&dlg);
  layout->addLayout(top);
  layout->addWidget(buttons);
  dlg.exec();
  if (help) ShowHelpContents(parent);
}

// ---- Help ----

void ShowHelpContents(QWidget* parent, const QString& page) {
  InitAppResources();  // for the pages
  // One help window at a time: the one of another parent goes.
  QWidget* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("HelpWindow")) {
      if (w->parentWidget() == parent)
        window = w;
      else
        delete w;
    }
  if (!window) {
    window = new QWidget(parent, Qt::Window);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setWindowTitle(QStringLiteral("Lumora Help"));
    window->setWindowIcon(ProgramIcon());
    if (!parent) window->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
    auto* bar = new QToolBar(window);
    QAction* back = bar->addAction(QStringLiteral("Back"), browser, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Forward"), browser, &QTextBrowser::forward);
    bar->addAction(QStringLiteral("Contents"), browser, &QTextBrowser::home);
    back->setEnabled(false);
    forward->setEnabled(false);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(browser);
    window->resize(760, 640);
  }
  const QUrl url(QStringLiteral("qrc:/help/") + page);
  if (auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
      browser && browser->source() != url)
    browser->setSource(url);
  window->show();
  window->raise();
  window->activateWindow();
}

// ---- S&ave Settings ----

void SaveUnitsCommand(QWidget* parent, const TWorkingUnits& units) {
  try {
    SaveUnits(units);
  } catch (const std::exception& e) {
    QMessageBox::critical(parent, QStringLiteral("Lumora"), QString::fromLocal8Bit(e.what()));
  }
}

}  // namespace lumora
