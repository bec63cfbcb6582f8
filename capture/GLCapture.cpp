#include "capture/GLCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

namespace lumora {

const char* const kFrameLimitMessage = "Frame Limit Exceeded\r\nAVI has been closed.";
const char* const kFileAccessMessage = "File Access Error";

int CaptureQuality(double compression) {
  if (!std::isfinite(compression)) return 0;
  return static_cast<int>(std::trunc(std::clamp((100 - compression) * 100, 0.0, 10000.0)));
}

int32_t FrameInterval(int framesPerSecond) { return static_cast<int32_t>(1000000 / std::max(framesPerSecond, 1)); }

std::string MovieTimeText(int maxFrames, int framesPerSecond) {
  const int seconds = maxFrames / std::max(framesPerSecond, 1);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

TGLCapture::TGLCapture(Clock clock) : clock_(std::move(clock)) {}

TGLCapture::~TGLCapture() {
  try {
    controller_.Close();
  } catch (...) {
    // The program is ending; the temporary is gone and the target as it was.
  }
}

bool TGLCapture::StartCapture(const std::filesystem::path& fileName, int width, int height,
                              const TCaptureOptions& options) {
  error_.clear();
  const int rate = std::max(options.FramesPerSecond, 1);
  try {
    controller_.Open(fileName, width, height, rate, CaptureQuality(options.Compression));
  } catch (const std::exception& e) {
    error_ = e.what();
    return false;
  }
  lastFrameTime_ = clock_();
  interval_ = FrameInterval(rate);
  framesRecorded_ = 0;
  frameLimit_ = options.MaxFrames;
  return true;
}

bool TGLCapture::StopCapture() {
  try {
    controller_.Close();
  } catch (const std::exception& e) {
    error_ = e.what();
    return false;
  }
  return true;
}

TFrameResult TGLCapture::Fail(const std::string& why) {
  error_ = why;
  try {
    controller_.Close();
  } catch (...) {
    // Nothing could be saved; the first error is the one that counts.
  }
  return TFrameResult::Failed;
}

TFrameResult TGLCapture::CaptureFrame(bool limitMovieSize, const Render& render) {
  if (!controller_.IsOpen()) return TFrameResult::Skipped;
  const uint32_t now = clock_();
  // Signed, so that the counter may wrap.
  if (static_cast<int32_t>(now - lastFrameTime_) < interval_) return TFrameResult::Skipped;
  try {
    render(frame_, controller_.Width(), controller_.Height());
    controller_.WriteFrame(frame_);
    lastFrameTime_ = now;
    ++framesRecorded_;
    if (limitMovieSize && framesRecorded_ >= frameLimit_) {
      controller_.Close();
      return TFrameResult::LimitReached;
    }
    return TFrameResult::Recorded;
  } catch (const EVideoFull&) {
    try {
      controller_.Close();
    } catch (const std::exception& e) {
      return Fail(e.what());
    }
    return TFrameResult::LimitReached;
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

}  // namespace lumora
