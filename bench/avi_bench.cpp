// Writes a full-HD AVI video past the 1 GB mark of a plain RIFF file and
// prints how fast the writer goes against what recording at 18 frames per
// second needs; then asks ffprobe how many frames it finds, and counts the
// RIFF parts. Arguments: frames (240, about 1.5 GB), folder (/tmp; the
// video is removed).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "capture/avilib.h"

using namespace lumora;

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 240;
  const std::filesystem::path file = std::filesystem::path(argc > 2 ? argv[2] : "/tmp") / "lumora-avi-bench.avi";
  constexpr int kW = 1920, kH = 1080, kRate = 18;

  std::vector<TBitmap32> patterns(4);
  for (size_t i = 0; i < patterns.size(); ++i) {
    TBitmap32& b = patterns[i];
    b.Width = kW;
    b.Height = kH;
    b.Data.resize(size_t{kW} * kH * 4);
    for (size_t p = 0; p < b.Data.size(); ++p) b.Data[p] = static_cast<uint8_t>(p * (i + 3) / 7);
  }

  TVideoWriter writer;
  writer.FrameRate = kRate;
  bench::Stopwatch watch;
  const double cpu0 = bench::CpuSeconds();
  writer.Open(patterns[0], file);
  for (int i = 0; i < frames; ++i) writer.WriteFrame(patterns[i % patterns.size()]);
  writer.Close();
  const double wall = watch.Seconds(), cpu = bench::CpuSeconds() - cpu0;
  const double mb = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  const double need = static_cast<double>(kW * 3) * kH * kRate / 1e6;
  std::printf("avi: %d frames of %d x %d, %.0f MB\n", frames, kW, kH, mb);
  std::printf("  %.2f s wall  %.2f s CPU  %.0f MB/s  %.1f frames/s  (goal: %.0f MB/s, %d frames/s, for recording)\n",
              wall, cpu, mb / wall, frames / wall, need, kRate);

  // The parts, and what a player finds in them.
  std::ifstream in(file, std::ios::binary);
  int parts = 0;
  for (uint64_t at = 0;; ++parts) {
    char head[8];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(head, 8)) break;
    const uint32_t size = static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8 |
                          static_cast<uint8_t>(head[6]) << 16 |
                          static_cast<uint32_t>(static_cast<uint8_t>(head[7])) << 24;
    at += 8 + size;
  }
  std::printf("  %d RIFF parts\n", parts);
  const std::string probe =
      "ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets "
      "-of csv=p=0 '" +
      file.string() + "' 2>&1";
  if (FILE* p = popen(probe.c_str(), "r")) {
    char line[256] = "";
    if (!std::fgets(line, sizeof line, p)) line[0] = 0;
    pclose(p);
    std::printf("  ffprobe counts %s", line[0] ? line : "nothing (is ffprobe installed?)\n");
  }
  std::filesystem::remove(file);
  return 0;
}
