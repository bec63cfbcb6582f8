#pragma once
// The attribute-table writer of the shapefile export: a dBASE III table
// (character and numeric fields only) built one record at a time, in memory
// or streamed to its file, and completed in one go.

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumora {

extern const char* const kFieldMismatchMessage;  // "Field Mismatch"

// A file written through a temporary beside its target in large blocks,
// directly to the disk where the file system allows and by a thread of its
// own, so that the caller builds the next block while the last one goes
// out; patched in place where a header's counts are known only at the end,
// and renamed over the target by Commit. Without Commit the temporary is
// removed. Throws EExport with the system's message.
class TPatchedFile {
 public:
  explicit TPatchedFile(std::filesystem::path target);
  ~TPatchedFile();
  TPatchedFile(const TPatchedFile&) = delete;
  TPatchedFile& operator=(const TPatchedFile&) = delete;

  // Room for `n` bytes at the end of the file, all of which the caller fills.
  char* Extend(size_t n) {
    if (used_ + n > capacity_) Grow(n);
    char* p = buffers_[current_].get() + used_;
    used_ += n;
    return p;
  }
  void Append(std::string_view bytes);
  int64_t Size() const { return written_ + static_cast<int64_t>(used_); }
  // Overwrites bytes already appended.
  void Patch(int64_t offset, std::string_view bytes);
  // Writes out and closes; the temporary stays until Commit.
  void Close();
  void Commit();

 private:
  struct TFree {
    void operator()(char* p) const { std::free(p); }
  };
  using TBuffer = std::unique_ptr<char, TFree>;
  static TBuffer Allocate(size_t bytes);
  void Flush();       // hands the buffer's whole blocks to the writer thread
  void Drain();       // waits until the writer thread is idle
  void Synchronous();  // drains, then writes everything here
  void Grow(size_t n);
  void Stop();
  void WriterLoop();
  int WriteAll(const char* p, size_t n);  // an errno, 0 when all went out
  [[noreturn]] void Fail(const char* what, int err) const;

  std::filesystem::path target_, temp_;
  int fd_ = -1;
  bool direct_ = false;  // writes in whole blocks
  TBuffer buffers_[2];   // one filled here, one on its way out
  int current_ = 0;
  size_t used_ = 0, capacity_ = 0;
  int64_t written_ = 0;
  bool committed_ = false;

  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* pending_ = nullptr;
  size_t pendingSize_ = 0;
  bool busy_ = false, stop_ = false;
  int error_ = 0;
};

class TDBFWriter {
 public:
  static constexpr int kMaxFields = 128;

  TDBFWriter();
  ~TDBFWriter();

  // Clears header, fields and records and dates the table today. Current
  // values are kept, as a later record repeats what it does not set.
  void start_table();
  // For tests and reproducible files: the table's date (year in full).
  void set_date(int year, int month, int day);

  // Type 'C' or 'N'. Names longer than 11 characters keep their first 11.
  void add_field(std::string_view name, char type, int decimals, int width);

  // After the last add_field: records go straight to a temporary beside
  // `path` instead of memory, so a table of millions of records costs no
  // memory; write_file(path) completes it. start_table drops it.
  void stream_to(const std::filesystem::path& path);

  // Throw EExport(kFieldMismatchMessage) when the field is of the other type.
  void set_text(std::string_view text, int field);
  void set_number(int field, double value);
  void set_missing(int field);
  void end_record();

  // Writes through a temporary beside `path` (for a streamed table, the
  // path given to stream_to); the callback gets a percentage at records 0,
  // 100, 200, ...
  void write_file(const std::filesystem::path& path, const std::function<void(int percent)>& progress = {});
  // The whole file's bytes, as write_file writes them; tables in memory only.
  std::string FileBytes() const;

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  int64_t RecordCount() const { return recordCount_; }

 private:
  struct Field {
    char name[11] = {};
    char type = 'C';
    uint8_t width = 0;
    uint8_t decimals = 0;
    uint32_t offset = 0;  // in the current record, after the deletion flag
  };
  std::string Header() const;
  void Check(int field, char type) const;
  void Progress(const std::function<void(int)>& progress) const;

  std::vector<Field> fields_;
  // The current record: the deletion flag, then every field's value cut and
  // padded to its width.
  std::string record_ = " ";
  // Values carried over start_table to the fields of the next table.
  std::vector<std::string> carried_;
  std::string number_;  // scratch for set_number
  // Every record back to back, in blocks that are never moved, so a table
  // of millions of records grows without copying itself.
  std::vector<std::string> blocks_;
  std::unique_ptr<TPatchedFile> stream_;
  std::filesystem::path streamPath_;
  int64_t recordCount_ = 0;
  int recordLength_ = 0;  // of the first record, without the deletion flag
  uint8_t year_ = 0, month_ = 1, day_ = 1;
};

}  // namespace lumora
