// The AVI writer against ffprobe and ffmpeg: every frame decoded as it was
// written, in one part and in many, the header counts patched, the super
// index full, and a failed write leaving the frames before it playable.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/avilib.h"
#include "capture/tests/VideoProbe.h"

using namespace lumora;

namespace {

constexpr int kW = 37, kH = 23;  // rows of 111 bytes, padded to 112
constexpr uint32_t kChunk = 8 + 112 * kH;

class AviLib : public VideoTest {
 protected:
  // Writes frames 0 to count - 1 of the pattern; returns how many went in.
  int Write(TVideoWriter& w, const std::filesystem::path& file, int count) {
    w.Open(Pattern(kW, kH, 0), file);
    int written = 0;
    for (; written < count; ++written) w.WriteFrame(Pattern(kW, kH, written));
    return written;
  }

  // ffprobe sees `frames` frames of the size at 25 per second, and ffmpeg
  // decodes each as written, without a complaint.
  void ExpectFrames(const std::filesystem::path& file, int frames) {
    const TProbe p = Probe(file);
    EXPECT_EQ(p.Codec, "rawvideo");
    EXPECT_EQ(p.Width, kW);
    EXPECT_EQ(p.Height, kH);
    EXPECT_EQ(p.Rate, "25/1");
    EXPECT_EQ(p.Frames, frames);
    EXPECT_EQ(p.Decoded, frames);
    std::string errors;
    const std::string decoded = DecodeFrames(file, errors);
    EXPECT_EQ(errors, "");
    std::string expected;
    for (int i = 0; i < frames; ++i) expected += Packed(Pattern(kW, kH, i));
    EXPECT_TRUE(decoded == expected) << decoded.size() << " bytes decoded, " << expected.size() << " written";
  }
};

// Top-level chunks: id, form type, offset, size.
struct TRiff {
  std::string Form;
  size_t At, Size;
};
std::vector<TRiff> Parts(const std::string& data) {
  std::vector<TRiff> parts;
  for (size_t at = 0; at + 12 <= data.size();) {
    const uint32_t size = U32(data, at + 4);
    EXPECT_EQ(data.substr(at, 4), "RIFF");
    parts.push_back({data.substr(at + 8, 4), at, size});
    at += 8 + size + (size & 1);
  }
  return parts;
}

uint64_t U64(const std::string& data, size_t at) { return U32(data, at) | uint64_t{U32(data, at + 4)} << 32; }

// Players may resync past a wrong offset, so the indexes are walked here:
// every entry of the old index and of the OpenDML indexes must point at a
// frame chunk of the right size. Returns the frames the indexes list.
uint32_t CheckIndexes(const std::string& data, uint32_t frameBytes) {
  const size_t movi = data.find("movi");
  const size_t idx1 = data.find("idx1");
  for (size_t e = idx1 + 8; e < idx1 + 8 + U32(data, idx1 + 4); e += 16) {
    const uint32_t at = static_cast<uint32_t>(movi) + U32(data, e + 8);
    EXPECT_EQ(data.substr(at, 4), "00db");
    EXPECT_EQ(U32(data, at + 4), frameBytes);
    EXPECT_EQ(U32(data, e + 4), 0x10u);  // key frame
  }
  const size_t indx = data.find("indx");
  uint32_t frames = 0;
  for (uint32_t i = 0; i < U32(data, indx + 12); ++i) {
    const size_t entry = indx + 32 + 16 * i;
    const uint64_t ix = U64(data, entry);
    EXPECT_EQ(data.substr(ix, 4), "ix00");
    EXPECT_EQ(U32(data, entry + 8), U32(data, ix + 4) + 8);
    const uint32_t count = U32(data, ix + 12);
    EXPECT_EQ(U32(data, entry + 12), count);
    const uint64_t base = U64(data, ix + 20);
    for (uint32_t k = 0; k < count; ++k) {
      const uint64_t at = base + U32(data, ix + 32 + 8 * k) - 8;
      EXPECT_EQ(data.substr(at, 4), "00db");
      EXPECT_EQ(U32(data, ix + 36 + 8 * k), frameBytes);  // top bit clear: key frame
    }
    frames += count;
  }
  return frames;
}

}  // namespace

TEST_F(AviLib, PlayersReadEveryFrame) {
  const auto file = dir / "one.avi";
  TVideoWriter w;
  w.FrameRate = 25;
  w.Quality = 4200;
  ASSERT_EQ(Write(w, file, 12), 12);
  EXPECT_EQ(w.Position, 12);
  w.Close();
  ExpectFrames(file, 12);

  const std::string data = ReadWholeFile(file);
  ASSERT_EQ(Parts(data).size(), 1u);
  EXPECT_EQ(U32(data, 48), 12u);  // avih: frames of the first part
  const size_t strh = data.find("strh");
  EXPECT_EQ(data.substr(strh + 8, 8), "vidsDIB ");
  EXPECT_EQ(U32(data, strh + 8 + 20), 1u);     // scale
  EXPECT_EQ(U32(data, strh + 8 + 24), 25u);    // rate
  EXPECT_EQ(U32(data, strh + 8 + 32), 12u);    // length
  EXPECT_EQ(U32(data, strh + 8 + 40), 4200u);  // quality
  EXPECT_EQ(U32(data, data.find("dmlh") + 8), 12u);
  EXPECT_EQ(U32(data, data.find("idx1") + 4), 12u * 16);
  EXPECT_EQ(CheckIndexes(data, kChunk - 8), 12u);
}

TEST_F(AviLib, LongVideosGoOnInFurtherParts) {
  const auto file = dir / "parts.avi";
  TVideoWriter w;
  w.FrameRate = 25;
  w.PartLimit = 64 * 1024;
  ASSERT_EQ(Write(w, file, 100), 100);
  w.Close();
  ExpectFrames(file, 100);

  const std::string data = ReadWholeFile(file);
  const std::vector<TRiff> parts = Parts(data);
  ASSERT_GE(parts.size(), 3u);
  EXPECT_EQ(parts[0].Form, "AVI ");
  for (size_t i = 1; i < parts.size(); ++i) EXPECT_EQ(parts[i].Form, "AVIX");
  for (const TRiff& p : parts) EXPECT_LE(p.Size + 8, w.PartLimit);
  EXPECT_EQ(parts.back().At + 8 + parts.back().Size, data.size());
  // The old index and the main header cover the first part only; the
  // OpenDML header and the super index the whole video.
  const uint32_t first = U32(data, data.find("idx1") + 4) / 16;
  EXPECT_LT(first, 100u);
  EXPECT_EQ(U32(data, 48), first);
  EXPECT_EQ(U32(data, data.find("dmlh") + 8), 100u);
  EXPECT_EQ(U32(data, data.find("indx") + 12), parts.size());
  EXPECT_EQ(CheckIndexes(data, kChunk - 8), 100u);
}

TEST_F(AviLib, AFullIndexEndsTheVideoPlayable) {
  // Frames as large as the header, parts of one or two frames: the super
  // index fills after about 1500 frames.
  constexpr int w = 100, h = 56;
  const auto file = dir / "full.avi";
  TVideoWriter writer;
  writer.PartLimit = 36 * 1024;
  writer.Open(Pattern(w, h, 0), file);
  int frames = 0;
  EXPECT_THROW(for (; frames < 5000; ++frames) writer.WriteFrame(Pattern(w, h, frames)), EVideoFull);
  EXPECT_GT(frames, TVideoWriter::kMaxParts);
  writer.Close();
  const std::string data = ReadWholeFile(file);
  EXPECT_EQ(Parts(data).size(), static_cast<size_t>(TVideoWriter::kMaxParts));
  EXPECT_EQ(Probe(file).Decoded, frames);
}

TEST_F(AviLib, AFailedWriteKeepsTheFramesBefore) {
  // A video of no frames is the header and an empty old index.
  const auto empty = dir / "empty.avi";
  {
    TVideoWriter w;
    w.FrameRate = 25;
    Write(w, empty, 0);
    w.Close();
  }
  const uintmax_t header = std::filesystem::file_size(empty) - 8;
  std::string errors;
  EXPECT_EQ(DecodeFrames(empty, errors), "");
  EXPECT_EQ(errors, "");
  EXPECT_EQ(Probe(empty).Width, kW);

  const auto file = dir / "full.avi";
  std::ofstream(file) << "the video recorded before";
  TVideoWriter w;
  w.FrameRate = 25;
  int written = 0;
  {
    // Room for five frames and half of the sixth.
    const TFileSizeLimit limit(header + 5 * kChunk + kChunk / 2);
    w.Open(Pattern(kW, kH, 0), file);
    try {
      for (; written < 10; ++written) w.WriteFrame(Pattern(kW, kH, written));
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(written, 5);
    EXPECT_EQ(ReadWholeFile(file), "the video recorded before");
    w.Close();
  }
  ExpectFrames(file, 5);
}

TEST_F(AviLib, UnwritableTargetsAndStrangeFramesAreRefused) {
  TVideoWriter w;
  EXPECT_THROW(w.Open(Pattern(kW, kH, 0), "/proc/lumora-capture.avi"), std::runtime_error);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_THROW(w.WriteFrame(Pattern(kW, kH, 0)), std::runtime_error);
  EXPECT_THROW(w.Open(Pattern(70000, 1, 0), dir / "wide.avi"), std::length_error);
  EXPECT_FALSE(std::filesystem::exists(dir / "wide.avi"));

  // A frame of another size is refused and the video goes on.
  const auto file = dir / "sizes.avi";
  w.FrameRate = 25;
  Write(w, file, 2);
  EXPECT_THROW(w.WriteFrame(Pattern(kW + 1, kH, 2)), std::invalid_argument);
  w.WriteFrame(Pattern(kW, kH, 2));
  w.Close();
  ExpectFrames(file, 3);

  // Abandoned without Close, nothing is left behind.
  {
    TVideoWriter lost;
    lost.Open(Pattern(kW, kH, 0), dir / "lost.avi");
    lost.WriteFrame(Pattern(kW, kH, 0));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}
