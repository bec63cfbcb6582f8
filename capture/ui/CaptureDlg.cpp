#include "capture/ui/CaptureDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/Fields.h"
#include "controls/Placement.h"

namespace lumora {

TCaptureDlg::TCaptureDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CaptureDlg");
  setWindowTitle("AVI Capture Options");
  const TCaptureOptions defaults;

  // A rate below 1 would divide by zero in the interval and the time.
  FPSSpin = IntSpin("FPSSpin", 1, 1000, defaults.FramesPerSecond);
  // Past 100 % the quality would turn negative.
  CompressSpin = RealSpin("CompressSpin", 0, 100, 1, 1, defaults.Compression);
  CompressSpin->setSuffix(" %");
  auto* rates = new QFormLayout;
  rates->addRow("Frames Per Sec.", FPSSpin);
  rates->addRow("Compression", CompressSpin);

  auto* limitGroup = new QGroupBox("Movie Size Limit");
  LimitChk = CheckBox("LimitChk", "Limit Movie Size");
  LimitChk->setChecked(defaults.LimitMovieSize);
  MaxFramesSpin = IntSpin("MaxFramesSpin", 1, 100000, defaults.MaxFrames);
  MaxFramesSpin->setSingleStep(10);
  auto* timePanel = new QFrame;
  timePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  DisTime = new QLabel;
  DisTime->setObjectName("DisTime");
  auto* timeRow = new QHBoxLayout(timePanel);
  timeRow->addWidget(new QLabel(" Time:"));
  timeRow->addWidget(DisTime);
  timeRow->addStretch();
  auto* limits = new QFormLayout(limitGroup);
  limits->addRow(LimitChk);
  limits->addRow("Max Frames", MaxFramesSpin);
  limits->addRow(timePanel);

  auto* buttons = new QDialogButtonBox;
  QPushButton* close = buttons->addButton("Close", QDialogButtonBox::RejectRole);
  close->setObjectName("CloseBtn");
  QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
  help->setObjectName("HelpBtn");
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
    if (ShowHelp) ShowHelp();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(rates);
  layout->addWidget(limitGroup);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FPSSpin, &QSpinBox::valueChanged, this, &TCaptureDlg::UpdateTime);
  connect(MaxFramesSpin, &QSpinBox::valueChanged, this, &TCaptureDlg::UpdateTime);
  UpdateTime();
}

TCaptureOptions TCaptureDlg::Options() const {
  return {FPSSpin->value(), CompressSpin->value(), LimitChk->isChecked(), MaxFramesSpin->value()};
}

void TCaptureDlg::UpdateTime() {
  DisTime->setText(QString::fromStdString(MovieTimeText(MaxFramesSpin->value(), FPSSpin->value())));
}

void TCaptureDlg::ShowCaptureOptions() {
  UpdateTime();
  CentreOnScreen(this);
  exec();
}

}  // namespace lumora
