// The main window's pictures and video: the view saved or copied at a
// chosen scale, and recorded as AVI video while it is redrawn.

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>
#include <QToolButton>

#include <exception>
#include <new>

#include "app/GLMain.h"
#include "app/SettingsDialogs.h"
#include "capture/ui/CaptureDlg.h"
#include "capture/ui/GLBMPSizeDlg.h"
#include "platform/AtomicFile.h"
#include "viewer/GLViewer.h"
#include "viewer/Picture.h"

namespace lumora {

namespace {

QString Message(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "Not enough memory for a picture of that size.";
  return QString::fromStdString(e.what());
}

}  // namespace

void TForm1::CreateCapture() {
  bmpSizeDlg_ = new TBMPSizeDlg(this);
  captureDlg_ = new TCaptureDlg(this);
  captureDlg_->ShowHelp = [this] { ShowHelpContents(this, "capture.html"); };
  capture_ = std::make_unique<TGLCapture>(&TGLViewerCore::Microseconds);
  connect(CaptureBtn, &QToolButton::toggled, this, &TForm1::CaptureBtnClick);
}

bool TForm1::AskBitmapScale(double& scale) {
  if (!sceneCreated_) return false;
  const auto [maxWidth, maxHeight] = viewer_->MaxViewportDims();
  return bmpSizeDlg_->AskBitmapScale(maxWidth, maxHeight, viewer_->width(), viewer_->height(), scale);
}

void TForm1::SaveBitmapMnuClick() {
  double scale = 1;
  if (!AskBitmapScale(scale)) return;
  const QString file = AskFileName("Save Bitmap File", "Bitmap Files (*.bmp);;All Files (*)", "bmp", true);
  if (file.isEmpty()) return;
  try {
    const TBitmap32 picture = viewer_->RenderToBitmap(nullptr, scale);
    const QByteArray bytes = EncodePicture(picture, file.endsWith(".png", Qt::CaseInsensitive) ? "PNG" : "BMP");
    WriteFileAtomically(file.toStdString(), std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  } catch (const std::exception& e) {
    ErrorBox(Message(e));
  }
}

void TForm1::CopyMnuClick() {
  QCoreApplication::processEvents();
  double scale = 1;
  if (!AskBitmapScale(scale)) return;
  try {
    viewer_->CopyToClipboard(scale);
  } catch (const std::exception& e) {
    ErrorBox(Message(e));
  }
}

void TForm1::ArmCaptureMnuClick() {
  if (capture_->Recording()) return;
  const QString file = AskFileName("Save AVI File", "AVI Files (*.AVI *.avi);;All Files (*)", "avi", true);
  if (file.isEmpty()) return;
  capture_->ArmCapture(file.toStdString());
  CaptureBtn->setEnabled(true);
}

void TForm1::CaptureOptionsMnuClick() { captureDlg_->ShowCaptureOptions(); }

void TForm1::CaptureBtnClick(bool down) {
  if (!down) {
    EndCapture({});
    return;
  }
  // The video takes the view's size now; later frames keep it.
  if (!capture_->StartCapture(capture_->ArmedFile(), viewer_->width(), viewer_->height(), captureDlg_->Options()))
    EndCapture(kFileAccessMessage);
}

void TForm1::CaptureFrame() {
  const TFrameResult result = capture_->CaptureFrame(
      captureDlg_->LimitChk->isChecked(),
      [this](TBitmap32& frame, int width, int height) { viewer_->RenderAtSize(&frame, width, height); });
  if (result != TFrameResult::LimitReached && result != TFrameResult::Failed) return;
  // Not inside the paint that recorded the frame: the box runs events.
  const QString message = result == TFrameResult::LimitReached ? kFrameLimitMessage : kFileAccessMessage;
  QTimer::singleShot(0, this, [this, message] { EndCapture(message); });
}

void TForm1::EndCapture(QString message) {
  if (!capture_->StopCapture() && message.isEmpty()) message = kFileAccessMessage;
  {
    const QSignalBlocker block(CaptureBtn);
    CaptureBtn->setChecked(false);
  }
  CaptureBtn->setEnabled(false);
  if (!message.isEmpty()) InformationBox(message);
}

}  // namespace lumora
