#include "export/DBFLibrary.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <stdexcept>

#include "export/ExportMain.h"

namespace lumora {

const char* const kFieldMismatchMessage = "Field Mismatch";

namespace {

constexpr size_t kBlockSize = 32u << 20;
// Large writes keep the system calls few.
constexpr size_t kFileBuffer = 4u << 20;
// Direct writes go in whole, aligned blocks.
constexpr size_t kDirectBlock = 4096;

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

// ---- TPatchedFile ----

TPatchedFile::TPatchedFile(std::filesystem::path target) : target_(std::move(target)) {
  temp_ = target_;
  temp_ += ".tmp~";
  // Gigabytes copied into the page cache cost more system time than the
  // disk needs to take them directly; where the file system refuses direct
  // writes, the file is written through the cache.
  fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_DIRECT, 0666);
  direct_ = fd_ >= 0;
  if (fd_ < 0 && errno == EINVAL) fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) Fail("Cannot create file", errno);
}

TPatchedFile::~TPatchedFile() {
  Stop();
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) {
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
  }
}

void TPatchedFile::Fail(const char* what, int err) const {
  throw EExport(std::string(what) + " \"" + target_.string() + "\": " + std::strerror(err));
}

TPatchedFile::TBuffer TPatchedFile::Allocate(size_t bytes) {
  TBuffer buffer(static_cast<char*>(std::aligned_alloc(kDirectBlock, bytes)));
  if (!buffer) throw std::bad_alloc();
  return buffer;
}

void TPatchedFile::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  std::memcpy(Extend(bytes.size()), bytes.data(), bytes.size());
}

void TPatchedFile::Grow(size_t n) {
  Flush();
  if (used_ + n <= capacity_) return;
  Drain();
  capacity_ = (std::max(used_ + n, kFileBuffer) + kDirectBlock - 1) / kDirectBlock * kDirectBlock;
  TBuffer buffer = Allocate(capacity_);
  if (used_ > 0) std::memcpy(buffer.get(), buffers_[current_].get(), used_);
  buffers_[current_] = std::move(buffer);
  buffers_[1 - current_].reset();
}

int TPatchedFile::WriteAll(const char* p, size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(fd_, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && errno == EINVAL) {
      // A file system that takes no direct writes after all.
      const int flags = ::fcntl(fd_, F_GETFL);
      if (flags >= 0 && (flags & O_DIRECT) && ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) == 0) continue;
    }
    if (done <= 0) return done < 0 ? errno : EIO;
    p += done;
    n -= static_cast<size_t>(done);
  }
  return 0;
}

void TPatchedFile::WriterLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return busy_ || stop_; });
    if (!busy_) return;
    const char* p = pending_;
    const size_t n = pendingSize_;
    lock.unlock();
    const int err = WriteAll(p, n);
    lock.lock();
    if (err != 0 && error_ == 0) error_ = err;
    busy_ = false;
    changed_.notify_all();
  }
}

void TPatchedFile::Flush() {
  // Direct writes leave the last partial block for later.
  const size_t out = direct_ ? used_ / kDirectBlock * kDirectBlock : used_;
  if (out == 0) return;
  Drain();
  const int next = 1 - current_;
  if (!buffers_[next]) buffers_[next] = Allocate(capacity_);
  std::memcpy(buffers_[next].get(), buffers_[current_].get() + out, used_ - out);
  if (!writer_.joinable()) writer_ = std::thread([this] { WriterLoop(); });
  {
    std::lock_guard lock(mutex_);
    pending_ = buffers_[current_].get();
    pendingSize_ = out;
    busy_ = true;
  }
  changed_.notify_all();
  current_ = next;
  used_ -= out;
  written_ += static_cast<int64_t>(out);
}

void TPatchedFile::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !busy_; });
  if (error_ != 0) Fail("Cannot write file", error_);
}

void TPatchedFile::Stop() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void TPatchedFile::Synchronous() {
  Drain();
  if (direct_) {
    direct_ = false;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) != 0) Fail("Cannot write file", errno);
  }
  if (const int err = WriteAll(buffers_[current_].get(), used_)) Fail("Cannot write file", err);
  written_ += static_cast<int64_t>(used_);
  used_ = 0;
}

void TPatchedFile::Patch(int64_t offset, std::string_view bytes) {
  Synchronous();
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("Cannot write file", n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
}

void TPatchedFile::Close() {
  if (fd_ < 0) return;
  Synchronous();
  Stop();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("Cannot write file", errno);
}

void TPatchedFile::Commit() {
  Close();
  std::error_code ec;
  std::filesystem::rename(temp_, target_, ec);
  if (ec) throw EExport("Cannot write file \"" + target_.string() + "\": " + ec.message());
  committed_ = true;
}

// ---- TDBFWriter ----

TDBFWriter::TDBFWriter() = default;
TDBFWriter::~TDBFWriter() = default;

void TDBFWriter::start_table() {
  // What the fields hold now is carried to the fields of the same index.
  if (carried_.size() < fields_.size()) carried_.resize(fields_.size());
  for (size_t i = 0; i < fields_.size(); ++i) carried_[i].assign(record_, 1 + fields_[i].offset, fields_[i].width);
  fields_.clear();
  record_ = " ";
  blocks_.clear();
  stream_.reset();
  streamPath_.clear();
  recordCount_ = 0;
  recordLength_ = 0;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  set_date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

void TDBFWriter::set_date(int year, int month, int day) {
  year_ = static_cast<uint8_t>(((year % 100) + 100) % 100);
  month_ = static_cast<uint8_t>(month);
  day_ = static_cast<uint8_t>(day);
}

void TDBFWriter::add_field(std::string_view name, char type, int decimals, int width) {
  if (static_cast<int>(fields_.size()) >= kMaxFields) throw EExport("Too many fields");
  if (stream_ || !streamPath_.empty()) throw std::logic_error("add_field after stream_to");
  Field f;
  name.copy(f.name, std::min<size_t>(name.size(), sizeof f.name));
  f.type = type;
  f.width = static_cast<uint8_t>(width);
  f.decimals = static_cast<uint8_t>(decimals);
  f.offset = static_cast<uint32_t>(record_.size() - 1);
  // A field without a value yet counts as blank, so every record keeps its length.
  if (carried_.size() <= fields_.size()) carried_.resize(fields_.size() + 1);
  std::string& v = carried_[fields_.size()];
  v.resize(f.width, ' ');
  record_ += v;
  fields_.push_back(f);
}

void TDBFWriter::stream_to(const std::filesystem::path& path) {
  stream_ = std::make_unique<TPatchedFile>(path);
  streamPath_ = path;
  stream_->Append(Header());
  for (const std::string& block : blocks_) stream_->Append(block);
  blocks_.clear();
}

void TDBFWriter::Check(int field, char type) const {
  if (field < 0 || field >= FieldCount() || fields_[field].type != type) throw EExport(kFieldMismatchMessage);
}

void TDBFWriter::set_text(std::string_view text, int field) {
  Check(field, 'C');
  const Field& f = fields_[field];
  const size_t n = std::min<size_t>(text.size(), f.width);
  char* v = record_.data() + 1 + f.offset;
  std::memcpy(v, text.data(), n);
  std::memset(v + n, ' ', f.width - n);
}

void TDBFWriter::set_number(int field, double value) {
  Check(field, 'N');
  const Field& f = fields_[field];
  number_.clear();
  if (std::isfinite(value) && std::fabs(value) < 1e18 && f.decimals <= 9) {
    AppendFixed(number_, value, f.decimals);
  } else {
    // Beyond 18 digits the fixed form gives way to the exponent form.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 18);
    number_.assign(buf, r.ptr);
  }
  const size_t n = std::min<size_t>(number_.size(), f.width);
  char* v = record_.data() + 1 + f.offset;
  std::memset(v, ' ', f.width - n);
  std::memcpy(v + f.width - n, number_.data(), n);
}

void TDBFWriter::set_missing(int field) {
  if (field < 0 || field >= FieldCount()) throw EExport(kFieldMismatchMessage);
  std::memset(record_.data() + 1 + fields_[field].offset, '*', fields_[field].width);
}

void TDBFWriter::end_record() {
  if (stream_) {
    stream_->Append(record_);
  } else {
    if (blocks_.empty() || blocks_.back().size() + record_.size() > blocks_.back().capacity()) {
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(kBlockSize, record_.size()));
    }
    blocks_.back() += record_;
  }
  if (recordCount_ == 0) recordLength_ = static_cast<int>(record_.size() - 1);
  ++recordCount_;
}

std::string TDBFWriter::Header() const {
  std::string out;
  out.push_back(3);
  out.push_back(static_cast<char>(year_));
  out.push_back(static_cast<char>(month_));
  out.push_back(static_cast<char>(day_));
  PutLE(out, static_cast<uint32_t>(recordCount_), 4);
  PutLE(out, static_cast<uint32_t>(fields_.size() * 32 + 33), 2);
  PutLE(out, recordCount_ == 0 ? 0 : static_cast<uint32_t>(recordLength_ + 1), 2);
  out.append(17, '\0');
  out.push_back(0x57);
  out.append(2, '\0');
  for (const Field& f : fields_) {
    out.append(f.name, sizeof f.name);
    out.push_back(f.type);
    out.append(4, '\0');
    out.push_back(static_cast<char>(f.width));
    out.push_back(static_cast<char>(f.decimals));
    out.append(14, '\0');
  }
  out.push_back(0x0D);
  return out;
}

std::string TDBFWriter::FileBytes() const {
  if (!streamPath_.empty()) throw std::logic_error("FileBytes of a streamed table");
  std::string out = Header();
  for (const std::string& block : blocks_) out += block;
  out.push_back(0x1A);
  return out;
}

void TDBFWriter::Progress(const std::function<void(int)>& progress) const {
  if (!progress) return;
  for (int64_t i = 0; i < recordCount_; i += 100)
    progress(static_cast<int>(std::nearbyint(100.0 * static_cast<double>(i) / static_cast<double>(recordCount_))));
}

void TDBFWriter::write_file(const std::filesystem::path& path, const std::function<void(int)>& progress) {
  if (stream_) {
    if (path != streamPath_) throw std::logic_error("write_file of a table streamed elsewhere");
    // The records are on their way already; the header learns their count.
    Progress(progress);
    stream_->Append("\x1A");
    stream_->Patch(0, Header());
    stream_->Commit();
    stream_.reset();
    return;
  }
  TPatchedFile file(path);
  file.Append(Header());
  // Progress as the records go out, in slices of 100 records.
  const size_t len = record_.size();
  int64_t index = 0;
  for (const std::string& block : blocks_) {
    const int64_t inBlock = static_cast<int64_t>(block.size() / len);
    for (int64_t k = 0; k < inBlock;) {
      if (progress && index % 100 == 0)
        progress(static_cast<int>(std::nearbyint(100.0 * static_cast<double>(index) / static_cast<double>(recordCount_))));
      const int64_t take = std::min(inBlock - k, 100 - index % 100);
      file.Append(std::string_view(block).substr(k * len, take * len));
      k += take;
      index += take;
    }
  }
  file.Append("\x1A");
  file.Commit();
}

}  // namespace lumora
