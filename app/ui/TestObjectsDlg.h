#pragma once
// "Test Objects": replaces the passage mesh by a torus, tetrahedron, cube
// or prism of known shape, to check lighting, materials and draw styles.
// Modeless and above the main window; while it is open the mesh's progress
// shows in its Status and Progress fields.

#include <QDialog>

#include <functional>

class QLineEdit;
class QSpinBox;

namespace lumora {

class TGLCustomMesh;
class TGLFrame;
class TGLViewerCore;
enum class TTestObject;

class TTestObjectsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TTestObjectsDlg(QWidget* parent = nullptr);

  // The shapes go into the mesh at the origin of the frame, drawn by the
  // view; the dialog shows.
  void Open(TGLFrame& frame, TGLCustomMesh& mesh, TGLViewerCore& viewer);
  // True while the scene must not change (a load runs): the buttons wait.
  std::function<bool()> Busy;
  // The help window on this dialog's page, given by the program.
  std::function<void()> ShowHelp;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowTriangles();
  void Make(TTestObject kind);
  void ShowProgress(const QString& status, int position);

  TGLFrame* frame_ = nullptr;
  TGLCustomMesh* mesh_ = nullptr;
  TGLViewerCore* viewer_ = nullptr;
  QSpinBox *sectors_, *sections_;
  QLineEdit *triangles_, *status_, *progress_;
};

}  // namespace lumora
