// Where the parser's text comes from: memory, a file, or the text form of
// a binary file; and the choice between text and binary.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "meshfiles/format/XFileFormat.h"
#include "platform/FileBytes.h"

namespace lumora {

namespace {

class TMemorySource : public TXTextSource {
 public:
  explicit TMemorySource(std::string_view text) : text_(text) {}
  size_t Read(char* to, size_t n) override {
    n = std::min(n, text_.size() - at_);
    if (n > 0) std::memcpy(to, text_.data() + at_, n);  // an empty view may have no data
    at_ += n;
    return n;
  }
  size_t Size() const override { return text_.size(); }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

class TFileSource : public TXTextSource {
 public:
  explicit TFileSource(const std::filesystem::path& path) : path_(path) {
    bool regular = false;
    fd_ = OpenForReading(path, regular, size_);
  }
  ~TFileSource() override { ::close(fd_); }
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  size_t Read(char* to, size_t n) override {
    for (;;) {
      const ssize_t got = ::read(fd_, to, n);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR)
        throw std::runtime_error("Cannot read file \"" + path_.string() + "\": " + std::strerror(errno));
    }
  }
  size_t Size() const override { return size_; }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  size_t size_ = 0;
};

// A source whose first bytes, the header, are read ahead to choose the
// parser, then handed out again.
class THeadedSource : public TXTextSource {
 public:
  explicit THeadedSource(TXTextSource& source) : source_(source) {
    while (headSize_ < sizeof head_) {
      const size_t n = source_.Read(head_ + headSize_, sizeof head_ - headSize_);
      if (n == 0) break;
      headSize_ += n;
    }
  }
  std::string_view Head() const { return {head_, headSize_}; }

  size_t Read(char* to, size_t n) override {
    if (at_ < headSize_) {
      n = std::min(n, headSize_ - at_);
      std::memcpy(to, head_ + at_, n);
      at_ += n;
      return n;
    }
    return source_.Read(to, n);
  }
  size_t Size() const override { return source_.Size(); }

  // Everything, the header included.
  std::string ReadAll() {
    std::string data(Head());
    data.reserve(std::max(Size(), data.size()));
    char block[1 << 16];
    while (const size_t n = source_.Read(block, sizeof block)) data.append(block, n);
    return data;
  }

 private:
  TXTextSource& source_;
  char head_[16];
  size_t headSize_ = 0, at_ = 0;
};

}  // namespace

void ParseTextX(std::string_view data, TXMeshSink& sink, const TStreamProgress& progress, size_t window) {
  TMemorySource source(data);
  ParseTextX(source, sink, progress, window);
}

void ParseX(TXTextSource& source, TXMeshSink& sink, const TStreamProgress& progress) {
  THeadedSource in(source);
  TXFileInfo info;
  if (!ReadXHeader(in.Head(), info)) throw EXFileError("Invalid File");
  if (info.Format == 0) return ParseTextX(in, sink, progress);
  if (info.Format != 1) throw EXFileError(std::string("File Type Unsupported: ") + XFormatName(info.Format));
  TStreamProgress p = progress;
  p.Scale = 50;
  const std::string text = BinaryXToText(in.ReadAll(), p);
  p.Offset = 50;
  ParseTextX(text, sink, p);
}

void ParseX(std::string_view data, TXMeshSink& sink, const TStreamProgress& progress) {
  TMemorySource source(data);
  ParseX(source, sink, progress);
}

void ReadXMeshes(const std::filesystem::path& path, TXMeshSink& sink, const TStreamProgress& progress) {
  TFileSource source(path);
  ParseX(source, sink, progress);
}

}  // namespace lumora
