#include "export/ZipperLib.h"

#include "platform/AtomicFile.h"
#include "platform/LittleEndian.h"

#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include <algorithm>
#include <chrono>

namespace lumora {

namespace {

constexpr uint64_t kZipLimit = 0xFFFFFFFFu;
constexpr uint32_t kLocalSig = 0x04034b50, kCentralSig = 0x02014b50, kEndSig = 0x06054b50;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t Get16(const char* p) {
  return static_cast<uint8_t>(p[0]) | (static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8);
}
uint32_t Get32(const char* p) { return Get16(p) | (Get16(p + 2) << 16); }

std::string LocalHeader(const TZipperEntriesEntry& e) {
  std::string h;
  Put32(h, kLocalSig);
  Put16(h, 20);
  Put16(h, 0);
  Put16(h, e.Method);
  Put32(h, e.DateTime);
  Put32(h, e.Crc);
  Put32(h, e.CompressedSize);
  Put32(h, e.UncompressedSize);
  Put16(h, static_cast<uint32_t>(e.Name.size()));
  Put16(h, 0);
  return h + e.Name;
}

std::string CentralEntry(const TZipperEntriesEntry& e) {
  std::string h;
  Put32(h, kCentralSig);
  Put16(h, 20);
  Put16(h, 20);
  Put16(h, 0);
  Put16(h, e.Method);
  Put32(h, e.DateTime);
  Put32(h, e.Crc);
  Put32(h, e.CompressedSize);
  Put32(h, e.UncompressedSize);
  Put16(h, static_cast<uint32_t>(e.Name.size()));
  Put16(h, 0);  // extra
  Put16(h, 0);  // comment
  Put16(h, 0);  // disk
  Put16(h, 0);  // internal attributes
  Put32(h, e.ExternalAttributes);
  Put32(h, e.Offset);
  return h + e.Name;
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// Raw deflate: the zlib stream without its 2-byte header and Adler-32 trailer.
std::string Deflate(std::string_view data, int level, const std::function<void(uint64_t, uint64_t)>& progress) {
  z_stream z{};
  if (deflateInit(&z, level) != Z_OK) throw std::runtime_error("deflate cannot start");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  constexpr size_t kChunk = 1 << 16;
  size_t done = 0;
  int rc = Z_OK;
  do {
    const size_t n = std::min(kChunk, data.size() - done);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + done));
    z.avail_in = static_cast<uInt>(n);
    done += n;
    rc = deflate(&z, done == data.size() ? Z_FINISH : Z_NO_FLUSH);
    if (progress) progress(done, data.size());
  } while (done < data.size() && rc == Z_OK);
  const size_t total = z.total_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END || total < 6) throw std::runtime_error("deflate failed");
  return out.substr(2, total - 6);
}

}  // namespace

int DeflateLevel(TCompressionType type) {
  switch (type) {
    case ctMaximum:
      return 9;
    case ctFast:
    case ctSuperFast:
      return 1;
    case ctNone:
      return 0;
    default:
      return Z_DEFAULT_COMPRESSION;
  }
}

uint32_t Crc32(std::string_view data, uint32_t crc) {
  const auto& t = CrcTable();
  crc = ~crc;
  for (unsigned char c : data) crc = t[(crc ^ c) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string ZipEntryName(std::string_view path) {
  std::string s(path);
  for (char& c : s)
    if (c == '\\') c = '/';
  if (const size_t drive = s.find(":/"); drive != std::string::npos) s.erase(0, drive + 2);
  if (s.rfind("//", 0) == 0) {
    // "//server/share/rest": keep the rest.
    size_t at = s.find('/', 2);
    at = at == std::string::npos ? s.size() : s.find('/', at + 1);
    s.erase(0, at == std::string::npos ? s.size() : at + 1);
  }
  while (!s.empty() && s[0] == '/') s.erase(0, 1);
  return s;
}

uint32_t DosDateTime(std::time_t time) {
  std::tm t{};
  localtime_r(&time, &t);
  const int year = std::max(t.tm_year + 1900, 1980);
  const uint32_t date = ((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday;
  const uint32_t tod = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2);
  return (date << 16) | tod;
}

uint32_t DosDateTime(std::filesystem::file_time_type time) {
  // g++ 12 lacks clock_cast; both clocks tick alike, so shift by "now".
  const auto sys = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      time - std::filesystem::file_time_type::clock::now() + std::chrono::system_clock::now());
  return DosDateTime(std::chrono::system_clock::to_time_t(sys));
}

void TZipper::Fail(const char* what) const { throw std::runtime_error(FileErrorMessage(what, fileName_, errno)); }

void TZipper::open(const std::filesystem::path& fileName) {
  close();
  fileName_ = fileName;
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) throw std::runtime_error("File \"" + fileName.string() + "\" not found!");
  readOnly_ = ::access(fileName.c_str(), W_OK) != 0;
  file_.open(fileName, std::ios::binary | std::ios::in | (readOnly_ ? std::ios::openmode{} : std::ios::out));
  if (!file_) Fail("Cannot open file");
  file_.seekg(0, std::ios::end);
  const uint64_t size = static_cast<uint64_t>(file_.tellg());
  const uint64_t tail = std::min<uint64_t>(size, 22 + 65535);
  std::string buf(tail, '\0');
  file_.seekg(static_cast<std::streamoff>(size - tail));
  file_.read(buf.data(), static_cast<std::streamsize>(tail));
  if (!file_) Fail("Cannot read file");
  size_t end = std::string::npos;
  for (size_t i = tail >= 22 ? tail - 22 + 1 : 0; i-- > 0;)
    if (Get32(&buf[i]) == kEndSig) {
      end = i;
      break;
    }
  if (end == std::string::npos) throw std::runtime_error("File \"" + fileName.string() + "\" is no ZIP archive");
  const uint32_t count = Get16(&buf[end + 10]);
  const uint32_t dirSize = Get32(&buf[end + 12]);
  directoryOffset_ = Get32(&buf[end + 16]);
  if (static_cast<uint64_t>(directoryOffset_) + dirSize > size)
    throw std::runtime_error("File \"" + fileName.string() + "\" is no ZIP archive");
  std::string dir(dirSize, '\0');
  file_.seekg(directoryOffset_);
  file_.read(dir.data(), dirSize);
  if (!file_) Fail("Cannot read file");
  size_t at = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (at + 46 > dir.size() || Get32(&dir[at]) != kCentralSig)
      throw std::runtime_error("File \"" + fileName.string() + "\" is no ZIP archive");
    const char* p = &dir[at];
    TZipperEntriesEntry e;
    e.Method = static_cast<uint16_t>(Get16(p + 10));
    e.DateTime = Get32(p + 12);
    e.Crc = Get32(p + 16);
    e.CompressedSize = Get32(p + 20);
    e.UncompressedSize = Get32(p + 24);
    const uint32_t nameLen = Get16(p + 28), extra = Get16(p + 30), comment = Get16(p + 32);
    e.ExternalAttributes = Get32(p + 38);
    e.Offset = Get32(p + 42);
    if (at + 46 + nameLen > dir.size())
      throw std::runtime_error("File \"" + fileName.string() + "\" is no ZIP archive");
    e.Name.assign(p + 46, nameLen);
    entries_.push_back(std::move(e));
    at += 46 + nameLen + extra + comment;
  }
}

void TZipper::close() {
  entries_.clear();
  if (file_.is_open()) file_.close();
  file_.clear();
  directoryOffset_ = 0;
}

int TZipper::Find(std::string_view name) const {
  const std::string key = Lower(name);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (Lower(entries_[i].Name) == key) return static_cast<int>(i);
  return -1;
}

void TZipper::Remove(int index) {
  const TZipperEntriesEntry gone = entries_[static_cast<size_t>(index)];
  // Local headers may follow in any order; what lies after the cut moves down.
  const uint32_t cutStart = gone.Offset, cutSize = gone.LocalSize();
  const uint32_t tailStart = cutStart + cutSize;
  std::string tail(directoryOffset_ - tailStart, '\0');
  file_.seekg(tailStart);
  file_.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  file_.seekp(cutStart);
  file_.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  if (!file_) Fail("Cannot write file");
  entries_.erase(entries_.begin() + index);
  for (auto& e : entries_)
    if (e.Offset > cutStart) e.Offset -= cutSize;
  directoryOffset_ -= cutSize;
}

void TZipper::Append(TZipperEntriesEntry entry, std::string_view data) {
  entry.Offset = directoryOffset_;
  const std::string header = LocalHeader(entry);
  file_.seekp(directoryOffset_);
  file_.write(header.data(), static_cast<std::streamsize>(header.size()));
  file_.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!file_) Fail("Cannot write file");
  directoryOffset_ += static_cast<uint32_t>(header.size() + data.size());
  entries_.push_back(std::move(entry));
  WriteDirectory();
}

void TZipper::WriteDirectory() {
  std::string dir;
  for (const auto& e : entries_) dir += CentralEntry(e);
  std::string end;
  Put32(end, kEndSig);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint32_t>(entries_.size()));
  Put16(end, static_cast<uint32_t>(entries_.size()));
  Put32(end, static_cast<uint32_t>(dir.size()));
  Put32(end, directoryOffset_);
  Put16(end, static_cast<uint32_t>(Comment.size()));
  end += Comment;
  file_.seekp(directoryOffset_);
  file_.write(dir.data(), static_cast<std::streamsize>(dir.size()));
  file_.write(end.data(), static_cast<std::streamsize>(end.size()));
  file_.flush();
  if (!file_) Fail("Cannot write file");
  // A removed entry leaves the archive shorter than before.
  std::error_code ec;
  std::filesystem::resize_file(fileName_, directoryOffset_ + dir.size() + end.size(), ec);
  if (ec) throw std::runtime_error(FileErrorMessage("Cannot write file", fileName_, ec.value()));
}

void TZipper::add_file(const std::filesystem::path& path, const std::filesystem::path& storedAs) {
  if (!file_.is_open()) throw std::runtime_error("No archive open");
  if (readOnly_) throw std::runtime_error(FileErrorMessage("Cannot write file", fileName_, EACCES));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  const std::filesystem::path& named = storedAs.empty() ? path : storedAs;
  const std::filesystem::path full = std::filesystem::absolute(named, ec);
  const std::string name = StoreRelativePath ? ZipEntryName(full.string()) : named.filename().string();

  if (StoreFolders && StoreRelativePath) {
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
      const std::string folder = name.substr(0, slash + 1);
      if (Find(folder) >= 0) continue;
      TZipperEntriesEntry f;
      f.Name = folder;
      f.ExternalAttributes = 16;
      f.DateTime = DosDateTime(std::time(nullptr));
      Append(f, {});
    }
  }
  // The format's sizes and offsets are 32 bits: a bigger file would be
  // stored with wrong sizes.
  if (const auto size = std::filesystem::file_size(path, ec); !ec && size > kZipLimit)
    throw std::runtime_error("File \"" + path.string() + "\" is too large for a ZIP archive (4 GiB at most)");

  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(FileErrorMessage("Cannot read file", path, errno));

  TZipperEntriesEntry e;
  e.Name = name;
  e.DateTime = DosDateTime(std::filesystem::last_write_time(path, ec));
  e.Crc = Crc32(data);
  e.UncompressedSize = static_cast<uint32_t>(data.size());
  // Windows' archive bit, plus read-only when the file cannot be written.
  e.ExternalAttributes = 32 | (::access(path.c_str(), W_OK) != 0 ? 1 : 0);
  std::string packed;
  if (!data.empty()) {
    e.Method = 8;
    packed = Deflate(data, DeflateLevel(CompressionType), OnProgress);
  }
  e.CompressedSize = static_cast<uint32_t>(packed.size());

  // The entry it replaces stays until the new one is known to fit.
  const int old = Find(name);
  const uint64_t kept = directoryOffset_ - (old >= 0 ? entries_[static_cast<size_t>(old)].LocalSize() : 0);
  if (kept + LocalHeader(e).size() + packed.size() > kZipLimit)
    throw std::runtime_error(FileErrorMessage("Cannot write file", fileName_, EFBIG));
  if (old >= 0) Remove(old);
  Append(std::move(e), packed);
}

void ZipShapefileSet(const std::filesystem::path& archivePath, const std::vector<TZipMember>& members,
                     const std::function<void(uint64_t, uint64_t)>& progress) {
  {
    std::ofstream empty(archivePath, std::ios::binary | std::ios::trunc);
    std::string end;
    Put32(end, kEndSig);
    end.append(18, '\0');
    empty << end;
    if (!empty.flush()) throw std::runtime_error(FileErrorMessage("Cannot write file", archivePath, errno));
  }
  TZipper zip;
  zip.open(archivePath);
  zip.OnProgress = progress;
  zip.CompressionType = ctNormal;
  for (const TZipMember& m : members) zip.add_file(m.Source, m.Member);
  zip.close();
}

void ZipShapefileSet(const std::filesystem::path& shpPath, const std::function<void(uint64_t, uint64_t)>& progress) {
  std::filesystem::path target = shpPath;
  target.replace_extension(".zip");
  std::vector<TZipMember> members;
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj"}) {
    std::filesystem::path member = shpPath;
    member.replace_extension(ext);
    members.push_back({member, member});
  }
  TAtomicFile file(target);
  ZipShapefileSet(file.WritePath(), members, progress);
  file.Commit();
}

}  // namespace lumora
