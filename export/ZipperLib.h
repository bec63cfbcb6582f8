#pragma once
// A small ZIP component: opens an archive, adds files one at a time and
// updates the archive in place (PKZIP 2.0 local headers, central directory
// and end record; raw deflate through zlib; CRC-32 of its own).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

enum TCompressionType { ctNormal, ctMaximum, ctFast, ctSuperFast, ctNone, ctUnknown };
enum TSaveMethod { FastSave, RebuildAll };
enum TOverwriteAction { oaSkip, oaSkipAll, oaOverwrite, oaOverwriteAll };

// zlib's level for a compression type.
int DeflateLevel(TCompressionType type);

// CRC-32 (reflected 0xEDB88320, initial and final inversion).
uint32_t Crc32(std::string_view data, uint32_t crc = 0);

// A path as an entry name: '\' becomes '/', a drive ("C:/") or a share
// ("//server/share/") or a root '/' is dropped.
std::string ZipEntryName(std::string_view path);

// MS-DOS time (low half) and date (high half) of a time point, in local time.
uint32_t DosDateTime(std::filesystem::file_time_type time);
uint32_t DosDateTime(std::time_t time);

struct TZipperEntriesEntry {
  std::string Name;
  uint16_t Method = 0;
  uint32_t DateTime = 0;
  uint32_t Crc = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint32_t ExternalAttributes = 0;
  uint32_t Offset = 0;  // of the local header

  uint32_t LocalSize() const { return 30 + static_cast<uint32_t>(Name.size()) + CompressedSize; }
};
using TZipperEntries = std::vector<TZipperEntriesEntry>;

class TZipper {
 public:
  TCompressionType CompressionType = ctMaximum;
  TSaveMethod SaveMethod = FastSave;
  bool StoreRelativePath = true;
  bool StoreFolders = true;
  TOverwriteAction OverwriteAction = oaSkip;
  std::string Comment;
  static constexpr const char* ComponentVersion = "2.0";
  // Bytes compressed so far of the file being added, and its size.
  std::function<void(uint64_t done, uint64_t total)> OnProgress;

  ~TZipper() { close(); }

  // Throws std::runtime_error: "File \"<path>\" not found!" when the file
  // does not exist, the system's message when it cannot be read or is no
  // ZIP archive.
  void open(const std::filesystem::path& fileName);
  // Adds one file (and its folders); a missing file adds nothing. Throws
  // std::runtime_error with the system's message on a read or write error.
  // `storedAs`, when given, names the entry in place of `path`.
  void add_file(const std::filesystem::path& path, const std::filesystem::path& storedAs = {});
  void close();

  const std::filesystem::path& FileName() const { return fileName_; }
  const TZipperEntries& Entries() const { return entries_; }
  bool ReadOnly() const { return readOnly_; }

 private:
  int Find(std::string_view name) const;
  void Remove(int index);
  void Append(TZipperEntriesEntry entry, std::string_view data);
  void WriteDirectory();
  void Fail(const char* what) const;

  std::filesystem::path fileName_;
  std::fstream file_;
  bool readOnly_ = false;
  TZipperEntries entries_;
  uint32_t directoryOffset_ = 0;
};

// Writes an empty archive beside the .shp path (extension ".zip") and adds
// the set's .shp, .shx, .dbf and .prj files, in that order. The archive is
// built as a temporary and renamed over the target when complete.
void ZipShapefileSet(const std::filesystem::path& shpPath,
                     const std::function<void(uint64_t done, uint64_t total)>& progress = {});

// The same into an archive being written (its write path an empty archive
// or none), each source file stored under its member's name, so that the
// set can be packed before its files replace the old ones.
struct TZipMember {
  std::filesystem::path Source, Member;
};
void ZipShapefileSet(const std::filesystem::path& archivePath, const std::vector<TZipMember>& members,
                     const std::function<void(uint64_t done, uint64_t total)>& progress = {});

}  // namespace lumora
