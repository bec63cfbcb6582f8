#include "app/ui/TestObjectsDlg.h"

#include <QGroupBox>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/core/TestObjects.h"
#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "viewer/GLViewerCore.h"

namespace lumora {
TTestObjectsDlg::TTestObjectsDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("TestObjectsDlg");
  setWindowTitle("Test Objects");
  setWindowFlag(Qt::WindowStaysOnTopHint);

  sectors_ = IntSpin("SectorsSpin", 3, 1000, 12);
  sections_ = IntSpin("SectionsSpin", 3, 1000, 12);
  triangles_ = ReadOnlyBox("TrianglesBox");
  status_ = ReadOnlyBox("StatusBox");
  status_->setMaximumWidth(QWIDGETSIZE_MAX);
  progress_ = ReadOnlyBox("ProgressBox");
  for (QSpinBox* s : {sectors_, sections_}) connect(s, &QSpinBox::valueChanged, this, &TTestObjectsDlg::ShowTriangles);
  QGroupBox* torus = FormGroup("Torus Settings", {{"Sectors", sectors_},
                                                  {"Sections", sections_},
                                                  {"Triangles", triangles_},
                                                  {"Status", status_},
                                                  {"Progress", progress_}});

  const std::pair<const char*, TTestObject> shapes[] = {{"Torus", TTestObject::Torus},
                                                        {"Tetrahedron", TTestObject::Tetrahedron},
                                                        {"Cube", TTestObject::Cube},
                                                        {"Prism", TTestObject::Prism}};
  auto* make = new QGroupBox("Make:");
  auto* ml = new QVBoxLayout(make);
  for (const auto& [caption, kind] : shapes) {
    QPushButton* b = Button((QByteArray(caption) + "Btn").constData(), caption);
    connect(b, &QPushButton::clicked, this, [this, kind = kind] { Make(kind); });
    ml->addWidget(b);
  }
  ml->addStretch();

  QPushButton* close = Button("CloseBtn", "Close");
  QPushButton* help = Button("HelpBtn", "Help");
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  connect(help, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp();
  });
  LayOutDialog(this, Stack({torus, make}), {close, help});
  ShowTriangles();
}

void TTestObjectsDlg::Open(TGLFrame& frame, TGLCustomMesh& mesh, TGLViewerCore& viewer) {
  frame_ = &frame;
  mesh_ = &mesh;
  viewer_ = &viewer;
  mesh.OnProgress = [this](TGLCustomMesh&, const std::string& text, int percent) {
    ShowProgress(QString::fromStdString(text), percent);
  };
  Present(this);
}

void TTestObjectsDlg::hideEvent(QHideEvent* event) {
  // A minimised main window hides the dialog without closing it.
  if (!event->spontaneous() && mesh_) {
    mesh_->OnProgress = nullptr;
    viewer_->Repaint();
  }
  QDialog::hideEvent(event);
}

void TTestObjectsDlg::ShowTriangles() {
  triangles_->setText(QString::number(2 * sectors_->value() * sections_->value()));
}

void TTestObjectsDlg::ShowProgress(const QString& status, int position) {
  if (!status.isNull()) {
    status_->setText(status);
    status_->repaint();
  }
  progress_->setText(QString::number(position));
  progress_->repaint();
}

void TTestObjectsDlg::Make(TTestObject kind) {
  if (!mesh_ || (Busy && Busy())) return;
  MakeTestObject(*frame_, *mesh_, kind, sectors_->value(), sections_->value(),
                 [this](int sector) { ShowProgress({}, sector); });
  viewer_->Repaint();
}

}  // namespace lumora
