#include "app/ui/RenderingDlg.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/core/DisplaySettings.h"
#include "controls/DialogParts.h"
#include "controls/Fields.h"
#include "controls/RadioGroup.h"

namespace lumora {

TRenderingDlg::TRenderingDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("RenderingDlg");
  setWindowTitle("Display Rendering");
  style_ = new TRadioGroup("MeshStyleRadio", "Display Mesh As:", {"Wire Frame", "Flat", "Smooth"}, 2, 3);
  cull_ = CheckBox("CullBackFacesChk", "Cull Back Faces");
  interior_ = CheckBox("InteriorLightingChk", "Interior Lighting");
  QPushButton* apply = Button("ApplyBtn", "Apply");
  apply->setDefault(true);
  QPushButton* close = Button("CloseBtn", "Close");
  connect(apply, &QPushButton::clicked, this, &TRenderingDlg::ApplyClick);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  LayOutDialog(this, Stack({style_, cull_, interior_}, false), {apply, close});
}

void TRenderingDlg::Execute(TGLViewerCore& viewer, TGLRenderer& passage, const std::vector<TGLRenderer*>& flat) {
  viewer_ = &viewer;
  passage_ = &passage;
  flat_ = flat;
  style_->SetItemIndex(passage.RenderStyle());
  interior_->setChecked(passage.TwoSided());
  cull_->setChecked(viewer.CullFaces());
  exec();
}

void TRenderingDlg::ApplyClick() {
  const int style = style_->ItemIndex();
  if (style < 0 || !passage_) return;
  ApplyDrawStyle(*viewer_, *passage_, style, cull_->isChecked(), interior_->isChecked(), false);
  for (TGLRenderer* r : flat_) ApplyDrawStyle(*viewer_, *r, style, cull_->isChecked(), interior_->isChecked(), true);
  viewer_->Repaint();
}

}  // namespace lumora
