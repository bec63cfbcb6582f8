#include "app/CaveMeshDlg.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <system_error>

#include "app/StatusFields.h"
#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "controls/RadioGroup.h"

namespace lumora {

TCaveMeshDlg::TCaveMeshDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Cave Mesh Settings"));
  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget(tabs);
  tabs->addTab(page, QStringLiteral("Passage Options"));

  auto* radios = new QVBoxLayout;
  shape_ = new TRadioGroup("PassShapeRadio", QStringLiteral("Passage Shape"),
                           {QStringLiteral("Square"), QStringLiteral("Diamond"), QStringLiteral("Octagon")}, -1);
  corner_ = new TRadioGroup("CornerRadio", QStringLiteral("Rounding Depth"),
                            {QStringLiteral("None"), QStringLiteral("One Pass"), QStringLiteral("Two Pass")}, -1);
  radios->addWidget(shape_);
  radios->addWidget(corner_);
  cornerAngle_ = RealSpin("CornerAngleSpin", 0, 180, 1, 1, 0);
  radios->addWidget(LabelledRow(QStringLiteral("Corner Threshold"), cornerAngle_, QStringLiteral("Deg.")));
  radios->addStretch();

  auto* options = new QVBoxLayout;
  auto* subGroup = new QGroupBox(QStringLiteral("Substitue Diameter"), page);
  auto* subLayout = new QVBoxLayout(subGroup);
  subDiameter_ = RealSpin("SubSpin", 0, 90, 1, 1, 0);
  subLayout->addWidget(LabelledRow({}, subDiameter_, QStringLiteral("Ft.")));
  subMissing_ = CheckBox("SubChk", QStringLiteral("Subst. Missing LRUDs"));
  subLayout->addWidget(subMissing_);
  options->addWidget(subGroup);
  expand_ = CheckBox("ExpandChk", QStringLiteral("Expand Passages"));
  vertical_ = CheckBox("VerticalChk", QStringLiteral("Vertical Prisms"));
  verticalAngle_ = RealSpin("VerticalAngleSpin", 0, 90, 1, 1, 0);
  seal_ = CheckBox("SealChk", QStringLiteral("Seal Passage Ends"));
  showHidden_ = CheckBox("ShowHiddenChk", QStringLiteral("Show Hidden"));
  options->addWidget(expand_);
  options->addWidget(vertical_);
  options->addWidget(LabelledRow(QStringLiteral("Vertical Threshold"), verticalAngle_, QStringLiteral("Deg.")));
  options->addWidget(seal_);
  options->addWidget(showHidden_);
  options->addStretch();

  auto* analysis = new QGroupBox(QStringLiteral("File Analysis"), page);
  auto* form = new QFormLayout(analysis);
  file_ = DisplayField("FileDis");
  shots_ = DisplayField("ShotDis");
  polygons_ = DisplayField("PolyDis");
  memory_ = DisplayField("MemoryDis");
  form->addRow(QStringLiteral("File"), file_);
  form->addRow(QStringLiteral("Shots"), shots_);
  form->addRow(QStringLiteral("Maximum Triangles"), polygons_);
  form->addRow(QStringLiteral("Memory Usage"), memory_);

  auto* pageLayout = new QGridLayout(page);
  pageLayout->addLayout(radios, 0, 0);
  pageLayout->addLayout(options, 0, 1);
  pageLayout->addWidget(analysis, 1, 0, 1, 2);

  auto* reprocess = new QPushButton(QStringLiteral("Reprocess"), this);
  reprocess->setObjectName(QStringLiteral("ReprocessBtn"));
  reprocess->setDefault(true);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("CloseBtn"));
  reprocess_ = reprocess;
  connect(reprocess, &QPushButton::clicked, this, &QDialog::accept);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(reprocess);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addLayout(buttons);

  SetSettings(TCaveMeshSettings());
  // Set by a click or by SetSettings, a shape or depth changes the estimate.
  for (TRadioGroup* group : {shape_, corner_})
    for (int i = 0; i < group->Count(); ++i)
      connect(group->Item(i), &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) ShowEstimate();
      });
  connect(seal_, &QCheckBox::toggled, this, [this] { ShowEstimate(); });
}

TCaveMeshSettings TCaveMeshDlg::Settings() const {
  TCaveMeshSettings s;
  s.PassageShape = shape_->ItemIndex();
  s.RoundingDepth = corner_->ItemIndex();
  s.CornerThreshold = cornerAngle_->value();
  s.SubstituteDiameter = subDiameter_->value();
  s.SubstituteMissing = subMissing_->isChecked();
  s.ExpandPassages = expand_->isChecked();
  s.VerticalPrisms = vertical_->isChecked();
  s.VerticalThreshold = verticalAngle_->value();
  s.SealEnds = seal_->isChecked();
  s.ShowHidden = showHidden_->isChecked();
  return s;
}

void TCaveMeshDlg::SetSettings(const TCaveMeshSettings& s) {
  // Out-of-range indices fall back to the defaults rather than leaving no
  // radio checked.
  const TCaveMeshSettings defaults;
  QRadioButton* shape = shape_->Item(s.PassageShape);
  (shape ? shape : shape_->Item(defaults.PassageShape))->setChecked(true);
  QRadioButton* corner = corner_->Item(s.RoundingDepth);
  (corner ? corner : corner_->Item(defaults.RoundingDepth))->setChecked(true);
  cornerAngle_->setValue(s.CornerThreshold);
  subDiameter_->setValue(s.SubstituteDiameter);
  subMissing_->setChecked(s.SubstituteMissing);
  expand_->setChecked(s.ExpandPassages);
  vertical_->setChecked(s.VerticalPrisms);
  verticalAngle_->setValue(s.VerticalThreshold);
  seal_->setChecked(s.SealEnds);
  showHidden_->setChecked(s.ShowHidden);
}

bool TCaveMeshDlg::Execute(const std::filesystem::path& plotFile) {
  plotFile_ = plotFile;
  file_->setText(QFile::decodeName(QByteArray::fromStdString(plotFile.filename().native())));
  ShowEstimate();
  // Reprocessing a file that is not there could only fail.
  std::error_code ec;
  reprocess_->setEnabled(std::filesystem::is_regular_file(plotFile, ec));
  return exec() == QDialog::Accepted;
}

void TCaveMeshDlg::ShowEstimate() {
  std::optional<TMeshEstimate> estimate;
  try {
    estimate = EstimateMeshForFile(plotFile_, Settings());
  } catch (const std::exception&) {
    // An unreadable file has no estimate, like a missing one.
  }
  if (!estimate) {
    shots_->clear();
    polygons_->clear();
    memory_->clear();
    return;
  }
  shots_->setText(QString::number(estimate->Shots));
  polygons_->setText(QString::number(estimate->MaxTriangles));
  memory_->setText(FormatThousands(estimate->MemoryMB, 3) + QStringLiteral(" MB"));
}

}  // namespace lumora
