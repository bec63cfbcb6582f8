// Our bitmaps read back by ffmpeg's decoder: every pixel in its place,
// rows padded, at both depths and widths of every padding.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "images/BMPFile.h"
#include "platform/tests/ShellOutput.h"

using namespace lumora;

namespace {

TBitmap32 Noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  TBitmap32 b;
  b.Width = width;
  b.Height = height;
  b.Data.resize(static_cast<size_t>(width) * height * 4);
  for (auto& v : b.Data) v = static_cast<uint8_t>(random());
  return b;
}

}  // namespace

TEST(BMPFile, FfmpegReadsEveryPixel) {
  if (Shell("command -v ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
  const auto dir = std::filesystem::temp_directory_path() / ("lumora-bmp-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const int bits : {24, 32})
    for (const int width : {1, 2, 3, 4, 7}) {
      const TBitmap32 b = Noise(width, 5, static_cast<unsigned>(bits * 10 + width));
      const std::string bytes = EncodeBMP(b, bits);
      EXPECT_EQ(bytes.size(), 54 + DIBImageSize(width, 5, bits));
      const auto file = dir / ("b" + std::to_string(bits) + "-" + std::to_string(width) + ".bmp");
      std::ofstream(file, std::ios::binary) << bytes;
      // Decoded rows run top to bottom, as ours do.
      const std::string rgb = Shell("ffmpeg -v error -i '" + file.string() + "' -f rawvideo -pix_fmt bgr24 - 2>&1");
      ASSERT_EQ(rgb.size(), static_cast<size_t>(width) * 5 * 3) << bits << " bits, width " << width << ": " << rgb;
      for (size_t i = 0; i < rgb.size() / 3; ++i)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(static_cast<uint8_t>(rgb[i * 3 + c]), b.Data[i * 4 + c]) << bits << " bits, width " << width;
    }
  std::filesystem::remove_all(dir);
}

TEST(BMPFile, SizesPastTheFormatAreRefused) {
  EXPECT_THROW(BitmapInfoHeader(40000, 40000, 24), std::length_error);
  EXPECT_THROW(BitmapInfoHeader(0, 10, 24), std::length_error);
  EXPECT_THROW(BitmapInfoHeader(10, 10, 8), std::invalid_argument);
  EXPECT_EQ(BitmapInfoHeader(10, 10, 24).size(), 40u);
}
