// The main window's side of the volume tool.

#include <QCheckBox>
#include <QGroupBox>

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "viewer/GLViewer.h"
#include "volume/ui/CVMain.h"

namespace lumora {

void TForm1::CreateVolumeTool() {
  volumeDlg_ = new TVolumeDlg(document_.Volume, document_.Units, this);
  volumeDlg_->HullMesh = [this]() -> TGLMesh* {
    if (!sceneCreated_) return nullptr;
    // The hull's display data belong to the view's context.
    viewer_->makeCurrent();
    return scene_.Hull;
  };
  volumeDlg_->Redraw3D = [this] { viewer_->update(); };
  volumeDlg_->OnHullBuilt = [this] {
    hullBuilt_ = true;
    SyncVisibility();
  };
}

void TForm1::OpenVolumeTool() {
  if (loading_) return;
  options_->RoseChk->setChecked(false);
  volumeDlg_->show();
  volumeDlg_->raise();
  volumeDlg_->repaint();
  volumeDlg_->RebuildVolumes();
  // Checking the box needs the mark first, or it refuses.
  hullBuilt_ = true;
  options_->DisplayHullsChk->setChecked(true);
  SyncVisibility();
}

}  // namespace lumora
