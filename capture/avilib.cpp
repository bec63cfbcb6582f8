#include "capture/avilib.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "images/BMPFile.h"
#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"

namespace lumora {

namespace {

constexpr uint32_t kHasIndex = 0x10;  // AVIF_HASINDEX
constexpr uint32_t kKeyFrame = 0x10;  // AVIIF_KEYFRAME
constexpr size_t kSuperIndexSize = 24 + 16 * TVideoWriter::kMaxParts;
constexpr size_t kOdmlHeaderSize = 248;
constexpr size_t kChunkHeader = 8;
// A part's "RIFF" to its "movi": RIFF, size, AVIX, LIST, size.
constexpr size_t kPartHead = 20;

void ChunkHead(std::string& s, const char* id, uint32_t size) {
  s += id;
  Put32(s, size);
}

// Appends a list's id, a size to come and its type; returns where the size
// goes.
size_t BeginList(std::string& s, const char* id, const char* type) {
  const size_t at = s.size() + 4;
  ChunkHead(s, id, 0);
  s += type;
  return at;
}

std::string LE32(uint32_t v) {
  std::string s;
  Put32(s, v);
  return s;
}

void EndList(std::string& s, size_t sizeAt) {
  s.replace(sizeAt, 4, LE32(static_cast<uint32_t>(s.size() - sizeAt - 4)));
}

// What the part's two indexes take once it holds `frames` frames.
uint64_t IndexBytes(size_t frames, bool first) {
  const uint64_t standard = kChunkHeader + 24 + 8 * uint64_t{frames};
  return standard + (first ? kChunkHeader + 16 * uint64_t{frames} : 0);
}

}  // namespace

TVideoWriter::TVideoWriter() = default;
TVideoWriter::~TVideoWriter() = default;

void TVideoWriter::WriteAt(uint64_t at, const std::string& bytes) {
  const char* p = bytes.data();
  size_t n = bytes.size();
  while (n > 0) {
    const ssize_t done = ::pwrite(file_->Descriptor(), p, n, static_cast<off_t>(at));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) file_->Fail("Cannot write file", done < 0 ? errno : EIO);
    p += done;
    n -= static_cast<size_t>(done);
    at += static_cast<uint64_t>(done);
  }
}

// Whatever part of a failed write reached the file lies past end_, where
// the next write or Close's truncation replaces it.
void TVideoWriter::Append(const std::string& bytes) {
  WriteAt(end_, bytes);
  end_ += bytes.size();
}

void TVideoWriter::Open(const TBitmap32& templateBitmap, const std::filesystem::path& fileName) {
  if (IsOpen()) throw std::logic_error("the video is already open");
  if (FrameRate < 1) throw std::invalid_argument("the frame rate must be at least 1 per second");
  width_ = templateBitmap.Width;
  height_ = templateBitmap.Height;
  const std::string info = BitmapInfoHeader(width_, height_, kBitsPerPixel);
  const uint64_t image = DIBImageSize(width_, height_, kBitsPerPixel);
  const uint64_t header = 2048 + kSuperIndexSize + kOdmlHeaderSize;
  if (width_ > 0xFFFF || height_ > 0xFFFF || header + IndexBytes(1, true) + kChunkHeader + image > PartLimit)
    throw std::length_error("a frame of " + std::to_string(width_) + " x " + std::to_string(height_) +
                            " pixels is too large for an AVI file");
  frameBytes_ = static_cast<uint32_t>(image);
  Position = 0;

  std::string h;
  BeginList(h, "RIFF", "AVI ");  // sized by EndPart
  const size_t hdrl = BeginList(h, "LIST", "hdrl");
  ChunkHead(h, "avih", 56);
  Put32(h, 1000000 / static_cast<uint32_t>(FrameRate));  // microseconds per frame
  Put32(h, static_cast<uint32_t>(std::min<uint64_t>(image * FrameRate, std::numeric_limits<uint32_t>::max())));
  Put32(h, 0);  // padding granularity
  Put32(h, kHasIndex);
  mainFramesAt_ = h.size();
  Put32(h, 0);  // frames of the first part
  Put32(h, 0);  // initial frames
  Put32(h, 1);  // streams
  Put32(h, frameBytes_);
  Put32(h, static_cast<uint32_t>(width_));
  Put32(h, static_cast<uint32_t>(height_));
  h.append(16, '\0');  // reserved

  const size_t strl = BeginList(h, "LIST", "strl");
  ChunkHead(h, "strh", 56);
  h += "vidsDIB ";
  Put32(h, 0);  // flags
  Put32(h, 0);  // priority, language
  Put32(h, 0);  // initial frames
  Put32(h, 1);  // scale
  Put32(h, static_cast<uint32_t>(FrameRate));
  Put32(h, 0);  // start
  streamLengthAt_ = h.size();
  Put32(h, 0);  // frames of the whole video
  Put32(h, frameBytes_);
  Put32(h, static_cast<uint32_t>(Quality));
  Put32(h, 0);  // sample size: frames vary
  Put32(h, 0);  // frame rectangle: left, top, right, bottom
  Put16(h, static_cast<uint32_t>(width_));
  Put16(h, static_cast<uint32_t>(height_));
  ChunkHead(h, "strf", static_cast<uint32_t>(info.size()));
  h += info;
  // The OpenDML super index: one entry per part, filled by Close.
  superIndexAt_ = h.size();
  ChunkHead(h, "indx", kSuperIndexSize);
  Put16(h, 4);     // longs per entry
  h.push_back(0);  // sub type
  h.push_back(0);  // AVI_INDEX_OF_INDEXES
  Put32(h, 0);     // entries in use
  h += "00db";
  h.append(12 + 16 * kMaxParts, '\0');
  EndList(h, strl);
  const size_t odml = BeginList(h, "LIST", "odml");
  ChunkHead(h, "dmlh", kOdmlHeaderSize);
  odmlFramesAt_ = h.size();
  h.append(kOdmlHeaderSize, '\0');
  EndList(h, odml);
  EndList(h, hdrl);
  BeginList(h, "LIST", "movi");  // sized by EndPart

  file_ = std::make_unique<TAtomicFile>(fileName);
  end_ = 0;
  parts_ = 1;
  partIndexes_.clear();
  firstPartFrames_ = 0;
  part_ = TPart{0, h.size() - 4, {}};
  try {
    Append(h);
  } catch (...) {
    file_.reset();
    throw;
  }
}

void TVideoWriter::BeginPart() {
  std::string h;
  BeginList(h, "RIFF", "AVIX");
  BeginList(h, "LIST", "movi");
  const uint64_t at = end_;
  Append(h);
  ++parts_;
  part_ = TPart{at, at + kPartHead, {}};
}

void TVideoWriter::EndPart() {
  const size_t frames = part_.Offsets.size();
  const bool first = part_.RiffAt == 0;
  if (frames > 0) {
    // The OpenDML standard index of the part's frames; offsets point at
    // the frame data, past the chunk headers.
    std::string ix;
    ChunkHead(ix, "ix00", static_cast<uint32_t>(24 + 8 * frames));
    Put16(ix, 2);     // longs per entry
    ix.push_back(0);  // sub type
    ix.push_back(1);  // AVI_INDEX_OF_CHUNKS
    Put32(ix, static_cast<uint32_t>(frames));
    ix += "00db";
    Put64(ix, part_.MoviAt);
    Put32(ix, 0);
    for (const uint32_t offset : part_.Offsets) {
      Put32(ix, offset + kChunkHeader);
      Put32(ix, frameBytes_);  // top bit clear: a key frame
    }
    const uint64_t at = end_;
    Append(ix);
    partIndexes_.push_back({at, static_cast<uint32_t>(ix.size()), static_cast<uint32_t>(frames)});
  }
  WriteAt(part_.MoviAt - 4, LE32(static_cast<uint32_t>(end_ - part_.MoviAt)));
  if (first) {
    firstPartFrames_ = static_cast<uint32_t>(frames);
    std::string idx1;
    ChunkHead(idx1, "idx1", static_cast<uint32_t>(16 * frames));
    for (const uint32_t offset : part_.Offsets) {
      idx1 += "00db";
      Put32(idx1, kKeyFrame);
      Put32(idx1, offset);
      Put32(idx1, frameBytes_);
    }
    Append(idx1);
  }
  WriteAt(part_.RiffAt + 4, LE32(static_cast<uint32_t>(end_ - part_.RiffAt - kChunkHeader)));
}

int TVideoWriter::WriteFrame(const TBitmap32& bitmap) {
  if (!IsOpen()) throw std::runtime_error("File not open");
  if (bitmap.Width != width_ || bitmap.Height != height_)
    throw std::invalid_argument("the frame's size differs from the video's");
  chunk_.clear();
  ChunkHead(chunk_, "00db", frameBytes_);
  AppendDIBPixels(chunk_, bitmap, kBitsPerPixel);
  const bool first = part_.RiffAt == 0;
  const size_t frames = part_.Offsets.size();
  if (frames > 0 && end_ + chunk_.size() + IndexBytes(frames + 1, first) - part_.RiffAt > PartLimit) {
    if (parts_ >= kMaxParts) throw EVideoFull("the video has reached its largest size");
    // Should the next part not begin, the current one stays open as it was.
    const uint64_t mark = end_;
    const size_t indexes = partIndexes_.size();
    try {
      EndPart();
      BeginPart();
    } catch (...) {
      end_ = mark;
      partIndexes_.resize(indexes);
      throw;
    }
  }
  const uint32_t offset = static_cast<uint32_t>(end_ - part_.MoviAt);
  Append(chunk_);
  part_.Offsets.push_back(offset);
  Position += FrameStep;
  return FrameStep;
}

void TVideoWriter::Close() {
  if (!IsOpen()) return;
  try {
    EndPart();
    const uint32_t total = static_cast<uint32_t>(Position);
    WriteAt(mainFramesAt_, LE32(firstPartFrames_));
    WriteAt(streamLengthAt_, LE32(total));
    WriteAt(odmlFramesAt_, LE32(total));
    std::string entries = LE32(static_cast<uint32_t>(partIndexes_.size()));
    WriteAt(superIndexAt_ + 12, entries);
    entries.clear();
    for (const TPartIndex& p : partIndexes_) {
      Put64(entries, p.At);
      Put32(entries, p.Size);
      Put32(entries, p.Frames);
    }
    WriteAt(superIndexAt_ + 32, entries);
    if (!file_->InPlace() && ::ftruncate(file_->Descriptor(), static_cast<off_t>(end_)) != 0)
      file_->Fail("Cannot write file", errno);
    file_->Commit();
  } catch (...) {
    file_.reset();
    throw;
  }
  file_.reset();
}

void TVideoCapture::Open(const std::filesystem::path& fileName, int width, int height, int frameRate, int quality) {
  Close();
  auto writer = std::make_unique<TVideoWriter>();
  writer->FrameRate = frameRate;
  writer->Quality = quality;
  TBitmap32 frame;
  frame.Width = width;
  frame.Height = height;
  writer->Open(frame, fileName);
  writer_ = std::move(writer);
}

int TVideoCapture::WriteFrame(const TBitmap32& bitmap) {
  if (!writer_) throw std::runtime_error("File not open");
  return writer_->WriteFrame(bitmap);
}

void TVideoCapture::Close() {
  if (!writer_) return;
  const std::unique_ptr<TVideoWriter> writer = std::move(writer_);
  writer->Close();
}

}  // namespace lumora
