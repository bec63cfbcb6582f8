// The capture logic on a fake microsecond counter: frames only after a
// redraw and at most one per interval, across the counter's wrap; the
// frame limit and its check box; a failed write or open; the options'
// sums.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture/GLCapture.h"
#include "capture/tests/VideoProbe.h"

using namespace lumora;

namespace {

class GLCaptureTest : public VideoTest {
 protected:
  // A redraw of the view at `at` microseconds.
  TFrameResult Redraw(uint32_t at, bool limit = true) {
    now = at;
    return capture.CaptureFrame(
        limit, [this](TBitmap32& frame, int width, int height) { frame = Pattern(width, height, rendered++); });
  }

  // The video holds the first `frames` frames rendered, in order.
  void ExpectVideo(const std::filesystem::path& file, int frames) {
    const TProbe p = Probe(file);
    EXPECT_EQ(p.Width, 16);
    EXPECT_EQ(p.Height, 12);
    EXPECT_EQ(p.Decoded, frames);
    std::string errors, expected;
    for (int i = 0; i < frames; ++i) expected += Packed(Pattern(16, 12, i));
    EXPECT_TRUE(DecodeFrames(file, errors) == expected);
    EXPECT_EQ(errors, "");
  }

  uint32_t now = 0;
  int rendered = 0;
  TGLCapture capture{[this] { return now; }};
};

}  // namespace

TEST_F(GLCaptureTest, OneFramePerIntervalAfterRedraws) {
  // The second run starts just before the counter wraps.
  for (const uint32_t start : {1000u, 0xFFFFFFFFu - 25000}) {
    rendered = 0;
    const auto file = dir / ("interval-" + std::to_string(start) + ".avi");
    now = start;
    ASSERT_TRUE(capture.StartCapture(file, 16, 12, {18, 20, true, 180}));
    // Redrawn every 10 ms for a second: 18 frames a second means one every
    // 55555 microseconds, so every sixth redraw is recorded.
    std::vector<uint32_t> recorded;
    for (uint32_t t = 10000; t <= 1000000; t += 10000)
      if (Redraw(start + t) == TFrameResult::Recorded) recorded.push_back(t);
    std::vector<uint32_t> every60ms;
    for (uint32_t t = 60000; t <= 1000000; t += 60000) every60ms.push_back(t);
    EXPECT_EQ(recorded, every60ms);
    // A view not redrawn records nothing, however long; the next redraw does.
    EXPECT_EQ(rendered, 16);
    EXPECT_EQ(Redraw(start + 9000000), TFrameResult::Recorded);
    EXPECT_EQ(Redraw(start + 9000001), TFrameResult::Skipped);
    EXPECT_EQ(capture.FramesRecorded(), 17);
    EXPECT_TRUE(capture.StopCapture());
    EXPECT_FALSE(capture.Recording());
    EXPECT_EQ(Redraw(start + 9900000), TFrameResult::Skipped);
    ExpectVideo(file, 17);
    // Compression 20 % is quality 8000, kept in the stream header.
    const std::string data = ReadWholeFile(file);
    EXPECT_EQ(U32(data, data.find("strh") + 8 + 40), 8000u);
  }
}

TEST_F(GLCaptureTest, TheFrameLimitClosesTheVideo) {
  const auto file = dir / "limit.avi";
  ASSERT_TRUE(capture.StartCapture(file, 16, 12, {10, 35, true, 3}));
  EXPECT_EQ(Redraw(100000), TFrameResult::Recorded);
  EXPECT_EQ(Redraw(200000), TFrameResult::Recorded);
  EXPECT_EQ(Redraw(300000), TFrameResult::LimitReached);
  EXPECT_FALSE(capture.Recording());
  EXPECT_EQ(Redraw(400000), TFrameResult::Skipped);
  ExpectVideo(file, 3);

  // Unchecked, the box lets the video run on past the limit; checked again
  // it ends the video at the next frame.
  rendered = 0;
  ASSERT_TRUE(capture.StartCapture(file, 16, 12, {10, 35, true, 3}));
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(Redraw(400000 + i * 100000, false), TFrameResult::Recorded);
  EXPECT_EQ(Redraw(1100000, true), TFrameResult::LimitReached);
  ExpectVideo(file, 6);
}

TEST_F(GLCaptureTest, AFailedWriteClosesTheVideoPlayable) {
  const auto file = dir / "full.avi";
  // A frame of 16 x 12 takes 584 bytes; the header about 17 KB.
  const TFileSizeLimit limit(17 * 1024 + 584 * 6);
  ASSERT_TRUE(capture.StartCapture(file, 16, 12, {10, 35, false, 100}));
  TFrameResult r = TFrameResult::Recorded;
  for (uint32_t t = 100000; r == TFrameResult::Recorded && t < 100000000; t += 100000) r = Redraw(t);
  EXPECT_EQ(r, TFrameResult::Failed);
  EXPECT_FALSE(capture.Recording());
  EXPECT_NE(capture.Error().find(file.string()), std::string::npos) << capture.Error();
  EXPECT_GT(capture.FramesRecorded(), 0);
  ExpectVideo(file, capture.FramesRecorded());
}

TEST_F(GLCaptureTest, AnUnwritableTargetStartsNothing) {
  EXPECT_FALSE(capture.StartCapture("/proc/lumora/capture.avi", 16, 12, {}));
  EXPECT_NE(capture.Error().find("/proc/lumora/capture.avi"), std::string::npos) << capture.Error();
  EXPECT_FALSE(capture.Recording());
  EXPECT_EQ(Redraw(10000000), TFrameResult::Skipped);
  EXPECT_EQ(rendered, 0);
}

TEST(CaptureOptions, QualityIntervalAndRunningTime) {
  EXPECT_EQ(CaptureQuality(35), 6500);
  EXPECT_EQ(CaptureQuality(100), 0);
  EXPECT_EQ(CaptureQuality(0), 10000);
  EXPECT_EQ(CaptureQuality(150), 0);
  EXPECT_EQ(FrameInterval(18), 55555);
  EXPECT_EQ(FrameInterval(0), 1000000);
  EXPECT_EQ(MovieTimeText(180, 18), "0:10");
  EXPECT_EQ(MovieTimeText(100, 18), "0:05");
  EXPECT_EQ(MovieTimeText(100000, 18), "92:35");
  EXPECT_EQ(MovieTimeText(100, 0), "1:40");
}
