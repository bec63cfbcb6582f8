#include "app/MapDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/DialogParts.h"

namespace lumora {

namespace {

const char* const kPapers[] = {"A4", "A3", "A2", "A1", "A0"};
const char* const kScales[] = {"200", "500", "1000", "2000", "2500", "5000", "10000", "25000"};

QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<QString> items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  for (const QString& s : items) box->addItem(s);
  return box;
}

}  // namespace

TMapDlg::TMapDlg(QWidget* parent, bool printing) : QDialog(parent) {
  setWindowTitle(printing ? "Print Map" : "Export Map");
  ViewBox = Combo(this, "ViewBox",
                  {"Plan", "Elevation looking north", "Elevation looking east", "Elevation looking south",
                   "Elevation looking west"});
  ScaleBox = Combo(this, "ScaleBox", {"Fit to paper"});
  for (const char* s : kScales) ScaleBox->addItem(QString("1:") + s);
  ScaleBox->setEditable(true);
  PaperBox = Combo(this, "PaperBox", {"Smallest that fits"});
  for (const char* p : kPapers) PaperBox->addItem(p);
  LandscapeChk = new QCheckBox("Landscape", this);
  LandscapeChk->setObjectName("LandscapeChk");
  GridSpin = new QDoubleSpinBox(this);
  GridSpin->setObjectName("GridSpin");
  GridSpin->setRange(0, 1e6);
  GridSpin->setDecimals(1);
  GridSpin->setSpecialValueText("Round spacing");
  LabelsChk = new QCheckBox("Station names", this);
  LabelsChk->setObjectName("LabelsChk");
  ColorBox = Combo(this, "ColorBox", {"One colour", "By depth", "By date", "By survey"});
  TitleEdit = new QLineEdit(this);
  TitleEdit->setObjectName("TitleEdit");
  TitleEdit->setPlaceholderText("The file's title or name");
  UnitsBox = Combo(this, "UnitsBox", {"Metres", "Feet"});
  FormatBox = Combo(this, "FormatBox", {"SVG (Inkscape layers)", "PDF"});
  FormatBox->setVisible(!printing);

  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(FormGroup("Map", {{"&View:", ViewBox},
                                      {"&Scale:", ScaleBox},
                                      {"&Paper:", PaperBox},
                                      {"", LandscapeChk},
                                      {"&Grid:", GridSpin},
                                      {"", LabelsChk},
                                      {"&Colours:", ColorBox},
                                      {"&Title:", TitleEdit},
                                      {"&Units:", UnitsBox}}));
  if (!printing) column->addWidget(FormGroup("File", {{"&Format:", FormatBox}}));

  auto button = [this](const QString& text, const char* name, const QString& choice) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, choice] {
      choice_ = choice;
      accept();
    });
    return b;
  };
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelBtn");
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  if (printing) {
    QPushButton* print = button("&Print...", "PrintBtn", "print");
    print->setDefault(true);
    LayOutDialog(this, body, {button("Pre&view...", "PreviewBtn", "preview"), print, cancel});
  } else {
    QPushButton* save = button("&Export...", "ExportBtn", "export");
    save->setDefault(true);
    LayOutDialog(this, body, {save, cancel});
  }
}

void TMapDlg::SetOptions(const TMapOptions& o) {
  ViewBox->setCurrentIndex(static_cast<int>(o.View == TMapView::Extended ? TMapView::North : o.View));
  ScaleBox->setCurrentText(o.Page.Scale > 0 ? QString("1:%1").arg(o.Page.Scale, 0, 'f', 0) : "Fit to paper");
  const int paper = PaperBox->findText(QString::fromStdString(o.Page.Paper).toUpper());
  PaperBox->setCurrentIndex(paper < 0 ? 0 : paper);
  LandscapeChk->setChecked(o.Page.Landscape);
  GridSpin->setValue(o.Grid);
  LabelsChk->setChecked(o.Labels);
  ColorBox->setCurrentIndex(static_cast<int>(o.Coloring));
  TitleEdit->setText(QString::fromStdString(o.Title));
  UnitsBox->setCurrentIndex(o.Feet ? 1 : 0);
}

TMapOptions TMapDlg::Options() const {
  TMapOptions o;
  o.View = static_cast<TMapView>(std::clamp(ViewBox->currentIndex(), 0, 4));
  QString scale = ScaleBox->currentText().trimmed();
  if (scale.startsWith("1:")) scale = scale.mid(2);
  bool ok = false;
  const double n = scale.toDouble(&ok);
  o.Page.Scale = ok && n >= 1 ? n : 0;
  o.Page.Paper = PaperBox->currentIndex() > 0 ? PaperBox->currentText().toStdString() : "";
  o.Page.Landscape = LandscapeChk->isChecked();
  o.Grid = GridSpin->value();
  o.Labels = LabelsChk->isChecked();
  o.Coloring = static_cast<TWallColoring>(std::clamp(ColorBox->currentIndex(), 0, 3));
  o.Title = TitleEdit->text().toStdString();
  o.Feet = UnitsBox->currentIndex() == 1;
  return o;
}

QString TMapDlg::Format() const { return FormatBox->currentIndex() == 1 ? "pdf" : "svg"; }

}  // namespace lumora
