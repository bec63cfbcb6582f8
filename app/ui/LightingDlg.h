#pragma once
// "Lighting": the view's eight lights and its scene ambient, each change
// shown at once. Modeless and above the main window; it acts on the view
// it was last opened for, and on an empty one of its own before that.

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QSlider;

namespace lumora {

class TDetachedViewer;
class TDirectionDial;
class TGLLightSource;
class TGLViewerCore;
class TLightPositionGraph;
class TRadioGroup;

class TLightingDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TLightingDlg(QWidget* parent = nullptr);
  ~TLightingDlg() override;

  // The view becomes the target, its first light is highlighted and loaded,
  // and the dialog shows.
  void Open(TGLViewerCore& viewer);
  TGLViewerCore& Target() const { return *viewer_; }
  // The controls show the highlighted light, without writing it back.
  void LoadLight();

 private:
  QWidget* TypePage();
  QWidget* PositionPage();
  QWidget* ColorPage();
  QWidget* AmbientPage();
  // The light of the highlighted entry, or none.
  TGLLightSource* Selected() const;
  // Changes the highlighted light and repaints the view; nothing without one.
  void Edit(const std::function<void(TGLLightSource&)>& change);
  void PositionChange();
  void AmbientChange(int position);
  void ResetAllClick();

  std::unique_ptr<TDetachedViewer> own_;
  TGLViewerCore* viewer_;
  QListWidget* lightList_;
  TRadioGroup* typeRadio_;
  TDirectionDial *spotDial_, *dirDial_;
  QDoubleSpinBox* cutoff_;
  TLightPositionGraph *front_, *above_;
  std::array<QDoubleSpinBox*, 3> position_;
  // Diffuse, ambient and specular; red, green, blue and alpha each.
  std::array<std::array<QDoubleSpinBox*, 4>, 3> colours_;
  std::array<QDoubleSpinBox*, 3> attenuation_;
  QSlider* ambientTrack_;
  QLineEdit* ambientBox_;
};

}  // namespace lumora
