#pragma once
// Recording the view as it is redrawn: a video is armed with a file name,
// started and stopped by the capture button, and gets a frame after a
// redraw at most once per frame interval, until it is stopped, reaches its
// frame limit or cannot be written.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "capture/avilib.h"

namespace lumora {

// The capture options dialog's values.
struct TCaptureOptions {
  int FramesPerSecond = 18;
  double Compression = 35;  // percent
  bool LimitMovieSize = true;
  int MaxFrames = 180;
};

extern const char* const kFrameLimitMessage;  // "Frame Limit Exceeded\r\nAVI has been closed."
extern const char* const kFileAccessMessage;  // "File Access Error"

// trunc((100 - compression) x 100), kept within 0 to 10000.
int CaptureQuality(double compression);
// Microseconds between frames; a rate below 1 counts as 1.
int32_t FrameInterval(int framesPerSecond);
// The running time of a movie of maxFrames frames: minutes, ":", seconds
// with two digits.
std::string MovieTimeText(int maxFrames, int framesPerSecond);

enum class TFrameResult {
  Skipped,  // no video, or too soon after the last frame
  Recorded,
  LimitReached,  // the video has been closed
  Failed,        // the video has been closed with the frames before
};

class TGLCapture {
 public:
  // A 32-bit microsecond counter.
  using Clock = std::function<uint32_t()>;
  // Draws the view into the bitmap at the given size.
  using Render = std::function<void(TBitmap32& frame, int width, int height)>;

  explicit TGLCapture(Clock clock);
  // A recording still running is closed, so the video stays playable.
  ~TGLCapture();

  void ArmCapture(const std::filesystem::path& fileName) { armedFile_ = fileName; }
  const std::filesystem::path& ArmedFile() const { return armedFile_; }

  // Opens the video at the view's client size. False when it cannot be
  // created; Error() then says why.
  bool StartCapture(const std::filesystem::path& fileName, int width, int height, const TCaptureOptions& options);
  // False when the video could not be finished; Error() says why.
  bool StopCapture();
  // After a redraw of the view.
  TFrameResult CaptureFrame(bool limitMovieSize, const Render& render);

  bool Recording() const { return controller_.IsOpen(); }
  int FramesRecorded() const { return framesRecorded_; }
  const std::string& Error() const { return error_; }

 private:
  // Closes the video and keeps what went wrong.
  TFrameResult Fail(const std::string& why);

  Clock clock_;
  std::filesystem::path armedFile_;
  TVideoCapture controller_;
  TBitmap32 frame_;
  uint32_t lastFrameTime_ = 0;
  int32_t interval_ = 0;
  int32_t framesRecorded_ = 0;
  int32_t frameLimit_ = 0;
  std::string error_;
};

}  // namespace lumora
