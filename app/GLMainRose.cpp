// The main window's rose tool: the "Rose Diagram" dialog building into the
// rose objects of the scene, which the window then shows and navigates.

#include <QGroupBox>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "rose/ui/RoseDlg.h"
#include "viewer/GLViewer.h"

namespace lumora {

void TForm1::CreateRoseDialog() {
  roseDlg_ = new TRoseDlg(document_.Model, document_.Units, this);
  roseDlg_->Busy = [this] { return loading_; };
  roseDlg_->OnViewChanged = [this] { viewer_->update(); };
  roseDlg_->OnRoseCreated = [this] {
    roseBuilt_ = true;
    {
      const QSignalBlocker block(options_->RoseChk);
      options_->RoseChk->setChecked(true);
    }
    RoseChkClick();
  };
}

void TForm1::RoseMnuClick() {
  if (!sceneCreated_) return;
  roseDlg_->SetObjects({scene_.RoseFrame, scene_.Rose, scene_.RoseBase, scene_.RoseGrid});
  // The first rose starts where the whole of it fits the view.
  if (!roseDlg_->Rose().Created)
    scene_.RoseFrame->HomePosition.z = RoseFitPosition(viewer_->width(), viewer_->height(), viewer_->Camera.Eye.z);
  roseDlg_->Open();
}

}  // namespace lumora
