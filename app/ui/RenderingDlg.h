#pragma once
// "Display Rendering": the draw style of the passage mesh and the rose,
// back-face culling and interior lighting. Modal; "Apply" shows the choice
// and leaves the dialog open.

#include <QDialog>

#include <vector>

class QCheckBox;

namespace lumora {

class TGLRenderer;
class TGLViewerCore;
class TRadioGroup;

class TRenderingDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TRenderingDlg(QWidget* parent = nullptr);

  // Loads the passage mesh's style and sides and the view's culling, and
  // runs the dialog. Apply sets the passage mesh as chosen and the flat
  // objects (the rose and its base) flat where smooth was chosen.
  void Execute(TGLViewerCore& viewer, TGLRenderer& passage, const std::vector<TGLRenderer*>& flat);

 private:
  void ApplyClick();

  TGLViewerCore* viewer_ = nullptr;
  TGLRenderer* passage_ = nullptr;
  std::vector<TGLRenderer*> flat_;
  TRadioGroup* style_;
  QCheckBox *cull_, *interior_;
};

}  // namespace lumora
