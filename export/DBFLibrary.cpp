#include "export/DBFLibrary.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <algorithm>

#include "export/ExportMain.h"

namespace lumora {

const char* const kFieldMismatchMessage = "Field Mismatch";

namespace {

constexpr size_t kBlockSize = 32u << 20;

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

void TDBFWriter::start_table() {
  fields_.clear();
  blocks_.clear();
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
  Field f;
  name.copy(f.name, std::min<size_t>(name.size(), sizeof f.name));
  f.type = type;
  f.width = static_cast<uint8_t>(width);
  f.decimals = static_cast<uint8_t>(decimals);
  fields_.push_back(f);
  // A field without a value yet counts as blank, so every record keeps its length.
  if (values_.size() < fields_.size()) values_.resize(fields_.size());
  std::string& v = values_[fields_.size() - 1];
  v.resize(f.width, ' ');
}

void TDBFWriter::Check(int field, char type) const {
  if (field < 0 || field >= FieldCount() || fields_[field].type != type) throw EExport(kFieldMismatchMessage);
}

void TDBFWriter::set_text(std::string_view text, int field) {
  Check(field, 'C');
  const size_t width = fields_[field].width;
  std::string& v = values_[field];
  v.assign(text.substr(0, width));
  v.resize(width, ' ');
}

void TDBFWriter::set_number(int field, double value) {
  Check(field, 'N');
  const Field& f = fields_[field];
  std::string text;
  if (std::isfinite(value) && std::fabs(value) < 1e18 && f.decimals <= 9) {
    AppendFixed(text, value, f.decimals);
  } else {
    // Beyond 18 digits the fixed form gives way to the exponent form.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 18);
    text.assign(buf, r.ptr);
  }
  if (text.size() > f.width) text.resize(f.width);
  std::string& v = values_[field];
  v.assign(f.width - text.size(), ' ');
  v += text;
}

void TDBFWriter::set_missing(int field) {
  if (field < 0 || field >= FieldCount()) throw EExport(kFieldMismatchMessage);
  values_[field].assign(fields_[field].width, '*');
}

void TDBFWriter::end_record() {
  size_t length = 0;
  for (size_t i = 0; i < fields_.size(); ++i) length += values_[i].size();
  if (blocks_.empty() || blocks_.back().size() + length > blocks_.back().capacity()) {
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kBlockSize, length));
  }
  std::string& block = blocks_.back();
  for (size_t i = 0; i < fields_.size(); ++i) block += values_[i];
  if (recordCount_ == 0) recordLength_ = static_cast<int>(length);
  ++recordCount_;
}

void TDBFWriter::AppendHeader(std::string& out) const {
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
}

// Calls f(index, text) for every record.
template <typename F>
void TDBFWriter::ForEachRecord(F&& f) const {
  const size_t len = static_cast<size_t>(recordLength_);
  int64_t index = 0;
  for (const std::string& block : blocks_)
    for (size_t at = 0; at + len <= block.size() && index < recordCount_; at += len)
      f(index++, std::string_view(block).substr(at, len));
}

std::string TDBFWriter::FileBytes() const {
  std::string out;
  AppendHeader(out);
  ForEachRecord([&](int64_t, std::string_view record) {
    out.push_back(' ');
    out += record;
  });
  out.push_back(0x1A);
  return out;
}

void TDBFWriter::write_file(const std::filesystem::path& path, const std::function<void(int)>& progress) const {
  TExportFile file(path);
  std::string& out = file.Buffer();
  AppendHeader(out);
  ForEachRecord([&](int64_t i, std::string_view record) {
    if (progress && i % 100 == 0)
      progress(static_cast<int>(std::nearbyint(100.0 * static_cast<double>(i) / static_cast<double>(recordCount_))));
    out.push_back(' ');
    out += record;
    file.MaybeFlush();
  });
  out.push_back(0x1A);
  file.Commit();
}

}  // namespace lumora
