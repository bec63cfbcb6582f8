#pragma once
// The attribute-table writer of the shapefile export: a dBASE III table
// (character and numeric fields only) built one record at a time, in memory
// or streamed to its file, and completed in one go.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/PatchedFile.h"

namespace lumora {

extern const char* const kFieldMismatchMessage;  // "Field Mismatch"

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
  // As write_file, but the file is left closed and uncommitted, for a set
  // of files replaced together.
  std::unique_ptr<TPatchedFile> finish_file(const std::filesystem::path& path,
                                            const std::function<void(int percent)>& progress = {});
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
