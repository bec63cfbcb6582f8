#pragma once
// "Materials": material, colour, transparency and blending of the view's
// objects, and the view's background. Modeless and above the main window;
// every change is shown at once. The check marks of the object list are
// the dialog's own choice of the objects to change.

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QSlider;

namespace lumora {

class TColorDisplay;
class TDetachedViewer;
class TGLRenderer;
class TGLViewerCore;
class TRadioGroup;

class TMaterialsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TMaterialsDlg(QWidget* parent = nullptr);
  ~TMaterialsDlg() override;

  // The view becomes the target; its objects fill the list, the first one
  // loaded, and the dialog shows.
  void Open(TGLViewerCore& viewer);
  TGLViewerCore& Target() const { return *viewer_; }

  // The colour dialog, replaceable so the dialog can be driven without a
  // person: the chosen colour (red in the low byte), or none.
  std::function<std::optional<uint32_t>(uint32_t start)> ChooseColor;

 private:
  QWidget* ObjectPage();
  QWidget* TransparencyPage();
  QWidget* BackgroundPage();
  // The renderer of an entry while the view still holds it, else none.
  TGLRenderer* RendererOf(const QListWidgetItem* item) const;
  TGLRenderer* Current() const;
  // The renderers of the checked entries.
  std::vector<TGLRenderer*> Targets() const;
  void LoadMaterial();
  void EmissionChange();
  // Shows `first`, then sets each chosen object and shows the value.
  void TrackChange(QLineEdit* box, const QString& first, double value,
                   const std::function<void(TGLRenderer&, float)>& set);
  void ShininessChange();
  void SpecularChange();
  void TransparencyChange();
  void ColorClick();
  void BackgroundClick();
  void ResetClick();

  std::unique_ptr<TDetachedViewer> own_;
  TGLViewerCore* viewer_;
  QListWidget* objectList_;
  std::array<QDoubleSpinBox*, 3> emission_;
  TColorDisplay* colour_;
  QSlider *shininessTrack_, *specularTrack_;
  QLineEdit *shininessBox_, *specularBox_;
  QGroupBox* transparent_;
  QSlider* transparencyTrack_;
  QCheckBox *blendBackground_, *depthCheck_;
  QGroupBox* user_;
  TRadioGroup *operator_, *source_, *destination_;
  TColorDisplay* background_;
};

}  // namespace lumora
