#include "capture/ui/GLBMPSizeDlg.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "controls/Fields.h"
#include "controls/Placement.h"

namespace lumora {

namespace {

// A caption over its box in a sunken panel.
QFrame* CaptionPanel(const QString& caption, QWidget* box) {
  auto* panel = new QFrame;
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* layout = new QVBoxLayout(panel);
  auto* label = new QLabel(caption);
  label->setBuddy(box);
  layout->addWidget(label);
  layout->addWidget(box);
  return panel;
}

}  // namespace

TBMPSizeDlg::TBMPSizeDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("BMPSizeDlg");
  setWindowTitle("Bitmap Size");
  MaxWidthDis = DisplayField("MaxWidthDis");
  MaxHeightDis = DisplayField("MaxHeightDis");
  BaseWidthDis = DisplayField("BaseWidthDis");
  BaseHeightDis = DisplayField("BaseHeightDis");
  ScaledWidthDis = DisplayField("ScaledWidthDis");
  ScaledHeightDis = DisplayField("ScaledHeightDis");
  ScaleSpin = RealSpin("ScaleSpin", 0.1, 1000.0, 0.1, 2, 1.0);
  connect(ScaleSpin, &QDoubleSpinBox::valueChanged, this, &TBMPSizeDlg::ScaleSpinChange);

  auto* grid = new QGridLayout;
  grid->addWidget(CaptionPanel(" Max Width", MaxWidthDis), 0, 0);
  grid->addWidget(CaptionPanel(" Max Height", MaxHeightDis), 0, 1);
  grid->addWidget(CaptionPanel(" Base Width", BaseWidthDis), 1, 0);
  grid->addWidget(CaptionPanel(" Base Height", BaseHeightDis), 1, 1);
  grid->addWidget(CaptionPanel(" Scaled Width", ScaledWidthDis), 2, 0);
  grid->addWidget(CaptionPanel(" Scaled Height", ScaledHeightDis), 2, 1);
  grid->addWidget(CaptionPanel(" Scale", ScaleSpin), 3, 0);

  ResetBtn = new QPushButton("Reset");
  ResetBtn->setObjectName("ResetBtn");
  ResetBtn->setAutoDefault(false);
  connect(ResetBtn, &QPushButton::clicked, this, [this] { ScaleSpin->setValue(1.0); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OKBtn");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelBtn");
  buttons->addButton(ResetBtn, QDialogButtonBox::ResetRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TBMPSizeDlg::AskBitmapScale(int maxWidth, int maxHeight, int baseWidth, int baseHeight, double& scale) {
  MaxWidthDis->setText(QString::number(maxWidth));
  MaxHeightDis->setText(QString::number(maxHeight));
  BaseWidthDis->setText(QString::number(baseWidth));
  BaseHeightDis->setText(QString::number(baseHeight));
  baseWidth_ = baseWidth;
  baseHeight_ = baseHeight;
  ScaleSpinChange();
  adjustSize();
  CentreOnScreen(this);
  if (exec() != QDialog::Accepted) return false;
  scale = ScaleSpin->value();
  return true;
}

void TBMPSizeDlg::ScaleSpinChange() {
  // Halves to even, as the picture is drawn.
  const double s = ScaleSpin->value();
  ScaledWidthDis->setText(QString::number(std::nearbyint(baseWidth_ * s), 'f', 0));
  ScaledHeightDis->setText(QString::number(std::nearbyint(baseHeight_ * s), 'f', 0));
}

}  // namespace lumora
