#pragma once
// AVI video of our own: a RIFF AVI file with one stream of uncompressed
// DIB frames ("vids", handler "DIB ", rate = frames per second, scale 1),
// every frame a key frame. Past the first part of 1 GB the file goes on in
// further "AVIX" parts with the OpenDML indexes, which players read for
// files of any length; the old index (idx1) covers the first part. The
// file is written under a temporary name and renamed over the target by
// Close, so a failed recording never leaves a broken file in its place.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "images/Bitmap32.h"

namespace lumora {

class TAtomicFile;

// The video has as many parts as its index can list.
class EVideoFull : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TVideoWriter {
 public:
  TVideoWriter();
  // A video still open is abandoned: its temporary is removed.
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter&) = delete;
  TVideoWriter& operator=(const TVideoWriter&) = delete;

  // The template fixes the frame size. Throws std::runtime_error naming
  // the file when it cannot be created.
  void Open(const TBitmap32& templateBitmap, const std::filesystem::path& fileName);
  // Appends the next frame and returns the frame step. A bitmap of another
  // size than the template's is refused. When the write fails the video
  // keeps the frames before it whole, and Close still makes it playable.
  int WriteFrame(const TBitmap32& bitmap);
  // Writes the indexes, patches the frame counts and puts the file in the
  // target's place. On failure the temporary is removed and the error
  // raised.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  int32_t Position = 0;                    // index of the next frame
  int32_t FrameRate = 18;                  // frames per second
  int32_t FrameStep = 1;                   // frames the position advances per written frame
  int32_t Quality = 6500;                  // 0 to 10000; stored in the stream header
  uint64_t PartLimit = uint64_t{1} << 30;  // bytes of one RIFF part

  static constexpr int kBitsPerPixel = 24;
  static constexpr int kMaxParts = 1024;

 private:
  struct TPart {
    uint64_t RiffAt = 0;            // the part's "RIFF"
    uint64_t MoviAt = 0;            // its "movi" list's type, which the offsets count from
    std::vector<uint32_t> Offsets;  // of each frame's chunk, from MoviAt
  };
  struct TPartIndex {
    uint64_t At = 0;
    uint32_t Size = 0, Frames = 0;
  };

  void WriteAt(uint64_t at, const std::string& bytes);
  void Append(const std::string& bytes);
  void BeginPart();
  void EndPart();

  std::unique_ptr<TAtomicFile> file_;
  int width_ = 0, height_ = 0;
  uint32_t frameBytes_ = 0;
  uint64_t end_ = 0;  // bytes written whole
  // Header fields patched by Close.
  uint64_t mainFramesAt_ = 0, streamLengthAt_ = 0, superIndexAt_ = 0, odmlFramesAt_ = 0;
  TPart part_;
  uint32_t firstPartFrames_ = 0;
  int parts_ = 0;
  std::vector<TPartIndex> partIndexes_;
  std::string chunk_;  // the frame being written, reused
};

// The capture controller: a writer for the frames of one recording, its
// frame size taken from the view's client size when it opens.
class TVideoCapture {
 public:
  // Throws when the video cannot be created; the controller stays closed.
  void Open(const std::filesystem::path& fileName, int width, int height, int frameRate, int quality);
  // The frame must have the size given at Open. Returns frames advanced.
  int WriteFrame(const TBitmap32& bitmap);
  // Finishes the video; the controller is closed even when that fails.
  void Close();
  bool IsOpen() const { return writer_ != nullptr; }
  // Only while open.
  int Width() const { return writer_->Width(); }
  int Height() const { return writer_->Height(); }

 private:
  std::unique_ptr<TVideoWriter> writer_;
};

}  // namespace lumora
