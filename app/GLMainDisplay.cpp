// The main window's display dialogs: lighting, materials, rendering and
// test objects, each made once and shown for the window's view.

#include "app/GLMain.h"
#include "app/OptionsPanel.h"
#include "app/SettingsDialogs.h"
#include "app/ui/LightingDlg.h"
#include "app/ui/MaterialsDlg.h"
#include "app/ui/RenderingDlg.h"
#include "app/ui/TestObjectsDlg.h"
#include "viewer/GLViewer.h"

namespace lumora {

void TForm1::CreateDisplayDialogs() {
  testObjectsDlg_ = new TTestObjectsDlg(this);
  testObjectsDlg_->Busy = [this] { return loading_; };
  testObjectsDlg_->ShowHelp = [this] { ShowHelpContents(this, "display.html#testobjects"); };
  renderingDlg_ = new TRenderingDlg(this);
  lightingDlg_ = new TLightingDlg(this);
  materialsDlg_ = new TMaterialsDlg(this);
  materialsDlg_->ChooseColor = [this](uint32_t start) { return ChooseColor(start); };
}

void TForm1::LightingMnuClick() { lightingDlg_->Open(*viewer_); }

void TForm1::MaterialsMnuClick() { materialsDlg_->Open(*viewer_); }

void TForm1::RenderingMnuClick() {
  if (!sceneCreated_ || loading_) return;
  renderingDlg_->Execute(*viewer_, *scene_.PassageMesh, {scene_.Rose, scene_.RoseBase});
  // The options panel shows the walls' style too.
  options_->MeshQualityRadio->SetItemIndex(scene_.PassageMesh->RenderStyle());
}

void TForm1::TestObjectsMnuClick() {
  if (!sceneCreated_ || loading_) return;
  testObjectsDlg_->Open(*scene_.CaveFrame, *scene_.PassageMesh, *viewer_);
}

}  // namespace lumora
