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
#include "platform/LittleEndian.h"

namespace lumora {

const char* const kFieldMismatchMessage = "Field Mismatch";

namespace {

constexpr size_t kBlockSize = 32u << 20;

}  // namespace

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
  // The format counts years since 1900.
  year_ = static_cast<uint8_t>(std::clamp(year - 1900, 0, 255));
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
  if (n > 0) std::memcpy(v, text.data(), n);
  std::memset(v + n, ' ', f.width - n);
}

void TDBFWriter::set_number(int field, double value) {
  Check(field, 'N');
  const Field& f = fields_[field];
  number_.clear();
  Finite(value);
  if (std::fabs(value) < 1e18 && f.decimals <= 9) {
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
  finish_file(path, progress)->Commit();
}

std::unique_ptr<TPatchedFile> TDBFWriter::finish_file(const std::filesystem::path& path,
                                                      const std::function<void(int)>& progress) {
  if (stream_) {
    if (path != streamPath_) throw std::logic_error("write_file of a table streamed elsewhere");
    // The records are on their way already; the header learns their count.
    Progress(progress);
    stream_->Append("\x1A");
    stream_->Patch(0, Header());
    stream_->Close();
    return std::move(stream_);
  }
  auto file = std::make_unique<TPatchedFile>(path);
  file->Append(Header());
  // Progress as the records go out, in slices of 100 records.
  const size_t len = record_.size();
  int64_t index = 0;
  for (const std::string& block : blocks_) {
    const int64_t inBlock = static_cast<int64_t>(block.size() / len);
    for (int64_t k = 0; k < inBlock;) {
      if (progress && index % 100 == 0)
        progress(
            static_cast<int>(std::nearbyint(100.0 * static_cast<double>(index) / static_cast<double>(recordCount_))));
      const int64_t take = std::min(inBlock - k, 100 - index % 100);
      file->Append(std::string_view(block).substr(k * len, take * len));
      k += take;
      index += take;
    }
  }
  file->Append("\x1A");
  file->Close();
  return file;
}

}  // namespace lumora
