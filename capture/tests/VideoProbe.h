#pragma once
// What ffprobe and ffmpeg make of a video, the frames expected in it, and
// the header fields of our own writer.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>

#include "images/Bitmap32.h"
#include "platform/AtomicFile.h"
#include "platform/tests/ShellOutput.h"

namespace lumora {

inline bool HaveFfmpeg() { return !Shell("command -v ffprobe && command -v ffmpeg").empty(); }

// A test with a folder of its own, skipped where ffmpeg is missing.
class VideoTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    dir = std::filesystem::temp_directory_path() / ("lumora-video-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
};

struct TProbe {
  std::string Codec, Rate;
  int Width = 0, Height = 0, Frames = -1, Decoded = -1;
};

inline TProbe Probe(const std::filesystem::path& file) {
  std::istringstream out(
      Shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames "
            "-of default=noprint_wrappers=1 '" +
            file.string() + "'"));
  TProbe p;
  for (std::string line; std::getline(out, line);) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    auto number = [&] { return value.empty() || value == "N/A" ? -1 : std::stoi(value); };
    if (key == "codec_name")
      p.Codec = value;
    else if (key == "r_frame_rate")
      p.Rate = value;
    else if (key == "width")
      p.Width = number();
    else if (key == "height")
      p.Height = number();
    else if (key == "nb_frames")
      p.Frames = number();
    else if (key == "nb_read_frames")
      p.Decoded = number();
  }
  return p;
}

// Every frame decoded, rows top to bottom, blue, green, red; what ffmpeg
// complained of goes to `errors`.
inline std::string DecodeFrames(const std::filesystem::path& file, std::string& errors) {
  const std::string log = file.string() + ".log";
  std::string frames = Shell("ffmpeg -v error -i '" + file.string() + "' -f rawvideo -pix_fmt bgr24 - 2>'" + log + "'");
  errors = ReadWholeFile(log);
  std::filesystem::remove(log);
  return frames;
}

// A frame told apart from its neighbours by every pixel.
inline TBitmap32 Pattern(int width, int height, int index) {
  TBitmap32 b;
  b.Width = width;
  b.Height = height;
  b.Data.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = b.Row(y) + x * 4;
      p[0] = static_cast<uint8_t>(x * 7 + index * 13);
      p[1] = static_cast<uint8_t>(y * 11 + index * 5);
      p[2] = static_cast<uint8_t>((x ^ y) + index * 29);
      p[3] = 255;
    }
  return b;
}

// The frame as ffmpeg hands it out: BGR, rows top to bottom.
inline std::string Packed(const TBitmap32& b) {
  std::string out;
  for (size_t i = 0; i < b.Data.size(); i += 4) out.append(reinterpret_cast<const char*>(&b.Data[i]), 3);
  return out;
}

inline uint32_t U32(const std::string& data, size_t at) {
  return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8 |
         static_cast<uint8_t>(data[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24;
}

// Files may grow only to `bytes` while it lives, as on a full disk.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit old_{};
  void (*handler_)(int) = nullptr;
};

}  // namespace lumora
