#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "export/ZipperLib.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

struct TempDir {
  std::filesystem::path path = std::filesystem::temp_directory_path() / ("lumora-zip-" + std::to_string(getpid()));
  TempDir() { std::filesystem::create_directories(path); }
  ~TempDir() { std::filesystem::remove_all(path); }
};

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = rc;
  }
  return out;
}

void Write(const std::filesystem::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

bool HaveUnzip() { return std::system("command -v unzip >/dev/null 2>&1") == 0; }

uint32_t Get32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

}  // namespace

TEST(Zipper, CrcAndNamesAndLevels) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
  const std::string text = "cave survey data, cave survey data";
  EXPECT_EQ(Crc32(text), static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), text.size())));

  EXPECT_EQ(ZipEntryName("C:\\caves\\set\\cave_3Dsta.shp"), "caves/set/cave_3Dsta.shp");
  EXPECT_EQ(ZipEntryName("\\\\server\\share\\dir\\x.shp"), "dir/x.shp");
  EXPECT_EQ(ZipEntryName("/home/u/data/x.shp"), "home/u/data/x.shp");

  EXPECT_EQ(DeflateLevel(ctNormal), Z_DEFAULT_COMPRESSION);
  EXPECT_EQ(DeflateLevel(ctUnknown), Z_DEFAULT_COMPRESSION);
  EXPECT_EQ(DeflateLevel(ctMaximum), 9);
  EXPECT_EQ(DeflateLevel(ctSuperFast), 1);
  EXPECT_EQ(DeflateLevel(ctNone), 0);

  // 3 February 2024, 10:20:30 local time.
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 1;
  t.tm_mday = 3;
  t.tm_hour = 10;
  t.tm_min = 20;
  t.tm_sec = 30;
  t.tm_isdst = -1;
  const uint32_t dos = DosDateTime(std::mktime(&t));
  EXPECT_EQ(dos >> 16, (44u << 9) | (2u << 5) | 3u);
  EXPECT_EQ(dos & 0xFFFF, (10u << 11) | (20u << 5) | 15u);
}

TEST(Zipper, OpenFailsOnMissingFile) {
  TZipper zip;
  try {
    zip.open("/nonexistent/a.zip");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "File \"/nonexistent/a.zip\" not found!");
  }
}

TEST(Zipper, ShapefileSetPacksFoldersFirstAndPassesUnzip) {
  TempDir dir;
  const auto data = dir.path / "data";
  std::filesystem::create_directories(data);
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "station " + std::to_string(i % 97) + "\n";
  Write(data / "x_3Dsta.shp", big);
  Write(data / "x_3Dsta.shx", "index");
  Write(data / "x_3Dsta.dbf", "");
  Write(data / "x_3Dsta.prj", "PROJCS");
  uint64_t lastDone = 0, lastTotal = 0;
  ZipShapefileSet(data / "x_3Dsta.shp", [&](uint64_t d, uint64_t t) { lastDone = d, lastTotal = t; });
  EXPECT_EQ(lastDone, lastTotal);
  const auto zipPath = data / "x_3Dsta.zip";
  ASSERT_TRUE(std::filesystem::exists(zipPath));
  EXPECT_FALSE(std::filesystem::exists(data / "x_3Dsta.zip.tmp~"));

  TZipper zip;
  zip.open(zipPath);
  const auto& entries = zip.Entries();
  const std::string prefix = ZipEntryName(std::filesystem::absolute(data).string()) + "/";
  ASSERT_GE(entries.size(), 5u);
  const size_t folders = entries.size() - 4;
  for (size_t i = 0; i < folders; ++i) {
    EXPECT_EQ(entries[i].Name.back(), '/');
    EXPECT_EQ(entries[i].ExternalAttributes, 16u);
    EXPECT_EQ(entries[i].Method, 0);
  }
  EXPECT_EQ(entries[folders - 1].Name, prefix);
  EXPECT_EQ(entries[folders].Name, prefix + "x_3Dsta.shp");
  EXPECT_EQ(entries[folders].Method, 8);
  EXPECT_EQ(entries[folders].Crc, Crc32(big));
  EXPECT_LT(entries[folders].CompressedSize, big.size() / 10);
  EXPECT_EQ(entries[folders + 1].Name, prefix + "x_3Dsta.shx");
  EXPECT_EQ(entries[folders + 2].Name, prefix + "x_3Dsta.dbf");
  EXPECT_EQ(entries[folders + 2].Method, 0);  // empty file stored
  EXPECT_EQ(entries[folders + 2].CompressedSize, 0u);
  EXPECT_EQ(entries[folders + 3].Name, prefix + "x_3Dsta.prj");
  zip.close();

  // Byte layout of the first local header.
  const std::string bytes = ReadWholeFile(zipPath);
  EXPECT_EQ(Get32(bytes, 0), 0x04034b50u);
  EXPECT_EQ(bytes[4], 20);
  EXPECT_EQ(Get32(bytes, bytes.size() - 22), 0x06054b50u);

  if (!HaveUnzip()) GTEST_SKIP() << "unzip not available";
  int status = 0;
  const std::string test = Shell("unzip -t " + zipPath.string() + " 2>&1", &status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_NE(test.find("No errors detected"), std::string::npos) << test;
  const std::string list = Shell("unzip -Z1 " + zipPath.string());
  EXPECT_EQ(list.substr(0, list.find('\n')), entries[0].Name);
  EXPECT_EQ(Shell("unzip -p " + zipPath.string() + " '" + prefix + "x_3Dsta.shp'"), big);
}

TEST(Zipper, AddingAgainReplacesTheEntryAndKeepsOthersIntact) {
  TempDir dir;
  const auto zipPath = dir.path / "a.zip";
  std::string empty = {0x50, 0x4b, 0x05, 0x06};
  empty.append(18, '\0');
  Write(zipPath, empty);
  Write(dir.path / "one.txt", std::string(5000, 'a'));
  Write(dir.path / "two.txt", "second file");
  TZipper zip;
  zip.StoreRelativePath = false;
  zip.open(zipPath);
  zip.add_file(dir.path / "one.txt");
  zip.add_file(dir.path / "two.txt");
  zip.add_file(dir.path / "missing.txt");  // skipped
  Write(dir.path / "ONE.TXT", "upper case");
  zip.add_file(dir.path / "ONE.TXT");  // names compare without case
  zip.close();
  zip.open(zipPath);
  ASSERT_EQ(zip.Entries().size(), 2u);
  EXPECT_EQ(zip.Entries()[1].Name, "ONE.TXT");
  Write(dir.path / "one.txt", "changed");
  zip.add_file(dir.path / "one.txt");
  zip.close();

  zip.open(zipPath);
  ASSERT_EQ(zip.Entries().size(), 2u);
  EXPECT_EQ(zip.Entries()[0].Name, "two.txt");
  EXPECT_EQ(zip.Entries()[0].Offset, 0u);
  EXPECT_EQ(zip.Entries()[1].Name, "one.txt");
  EXPECT_EQ(zip.Entries()[1].UncompressedSize, 7u);
  zip.close();
  if (!HaveUnzip()) GTEST_SKIP() << "unzip not available";
  int status = 0;
  const std::string test = Shell("unzip -t " + zipPath.string() + " 2>&1", &status);
  EXPECT_EQ(status, 0) << test;
  EXPECT_EQ(Shell("unzip -p " + zipPath.string() + " one.txt"), "changed");
  EXPECT_EQ(Shell("unzip -p " + zipPath.string() + " two.txt"), "second file");
}

TEST(Zipper, AFileTooBigForTheFormatIsRefusedAndTheOldEntryStays) {
  TempDir dir;
  const auto zipPath = dir.path / "a.zip";
  std::string empty = {0x50, 0x4b, 0x05, 0x06};
  empty.append(18, '\0');
  Write(zipPath, empty);
  const auto big = dir.path / "big.bin";
  Write(big, "small at first");
  TZipper zip;
  zip.StoreRelativePath = false;
  zip.open(zipPath);
  zip.add_file(big);
  // Sparse: no disk is used, but the size no longer fits 32 bits.
  std::filesystem::resize_file(big, (uint64_t{1} << 32) + 1);
  try {
    zip.add_file(big);
    FAIL() << "a file over 4 GiB was stored";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("too large for a ZIP archive"), std::string::npos) << e.what();
  }
  zip.close();
  zip.open(zipPath);
  ASSERT_EQ(zip.Entries().size(), 1u);
  EXPECT_EQ(zip.Entries()[0].UncompressedSize, 14u);
  zip.close();
}
