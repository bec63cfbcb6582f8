#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "export/DBFLibrary.h"
#include "export/ExportMain.h"
#include "platform/AtomicFile.h"
#include "platform/tests/ShellOutput.h"

using namespace lumora;

namespace {

std::filesystem::path TempDir() {
  auto dir = std::filesystem::temp_directory_path() / ("lumora-dbf-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

std::string Descriptor(const std::string& name, char type, int width, int decimals) {
  std::string d(32, '\0');
  d.replace(0, name.size(), name);
  d[11] = type;
  d[16] = static_cast<char>(width);
  d[17] = static_cast<char>(decimals);
  return d;
}

}  // namespace

TEST(DBFWriter, EmptyTableIsHeaderDescriptorsAndEndBytes) {
  TDBFWriter w;
  w.start_table();
  w.set_date(2024, 2, 3);
  w.add_field("Layer_Number", 'N', 0, 4);
  const std::string bytes = w.FileBytes();
  std::string expected = {3, 124, 2, 3, 0, 0, 0, 0, 65, 0, 0, 0};  // years since 1900
  expected.append(17, '\0');
  expected += '\x57';
  expected.append(2, '\0');
  expected += Descriptor("Layer_Numbe", 'N', 4, 0);
  expected += "\x0D\x1A";
  EXPECT_EQ(bytes, expected);
}

TEST(DBFWriter, CutsPadsAndRepeatsValues) {
  TDBFWriter w;
  w.start_table();
  w.set_date(2026, 12, 9);
  w.add_field("NAME", 'C', 0, 5);
  w.add_field("ELEVATION", 'N', 2, 4);
  w.add_field("WIDE", 'N', 2, 8);
  w.set_text("abcdefgh", 0);
  w.set_number(1, -123.45);
  w.set_number(2, 5.5);
  w.end_record();
  w.set_text("ab", 0);
  w.set_number(1, 123.45);
  w.set_missing(2);
  w.end_record();
  w.set_number(1, 1.5);  // NAME and WIDE repeat
  w.end_record();
  EXPECT_THROW(w.set_text("x", 1), EExport);
  EXPECT_THROW(w.set_number(0, 1), EExport);
  try {
    w.set_number(0, 1);
  } catch (const EExport& e) {
    EXPECT_STREQ(e.what(), "Field Mismatch");
  }

  const std::string bytes = w.FileBytes();
  ASSERT_EQ(bytes.size(), 32u + 3 * 32 + 1 + 3 * 18 + 1);
  EXPECT_EQ(bytes[4], 3);                                  // records
  EXPECT_EQ(static_cast<uint8_t>(bytes[8]), 3 * 32 + 33);  // header length
  EXPECT_EQ(bytes[10], 18);                                // record length
  EXPECT_EQ(bytes.substr(32 + 32, 32), Descriptor("ELEVATION", 'N', 4, 2));
  const size_t at = 32 + 3 * 32 + 1;
  EXPECT_EQ(bytes.substr(at, 18), " abcde-123    5.50");
  EXPECT_EQ(bytes.substr(at + 18, 18), " ab   123.********");
  EXPECT_EQ(bytes.substr(at + 36, 18), " ab   1.50********");
  EXPECT_EQ(bytes.back(), '\x1A');
  w.set_text(std::string_view{}, 0);  // a view without data
  w.end_record();
  EXPECT_EQ(w.FileBytes().substr(at + 54, 6), "      ");
}

TEST(DBFWriter, WriteFileMatchesBytesReportsProgressAndReadsInGdal) {
  TDBFWriter w;
  w.start_table();
  w.add_field("STATION", 'C', 0, 20);
  w.add_field("BRAMBLE_NMIN", 'N', 5, 18);
  for (int i = 0; i < 250; ++i) {
    w.set_text("A" + std::to_string(i), 0);
    w.set_number(1, i * 0.25 - 10);
    w.end_record();
  }
  std::vector<int> calls;
  const auto dir = TempDir();
  const auto path = dir / "table.dbf";
  w.write_file(path, [&](int p) { calls.push_back(p); });
  EXPECT_EQ(ReadWholeFile(path), w.FileBytes());
  EXPECT_EQ(calls, (std::vector<int>{0, 40, 80}));

  const std::string info = Shell("ogrinfo -ro -al " + path.string() + " 2>&1");
  if (info.find("Feature Count") == std::string::npos) {
    std::filesystem::remove_all(dir);
    GTEST_SKIP() << "ogrinfo not available: " << info;
  }
  EXPECT_NE(info.find("Feature Count: 250"), std::string::npos) << info;
  EXPECT_NE(info.find("BRAMBLE_NMI: Real (18.5)"), std::string::npos) << info;
  EXPECT_NE(info.find("STATION (String) = A249"), std::string::npos) << info;
  EXPECT_NE(info.find("BRAMBLE_NMI (Real) = 52.25"), std::string::npos) << info;
  std::filesystem::remove_all(dir);
}

TEST(DBFWriter, LargeTablesKeepEveryRecordInOrder) {
  TDBFWriter w;
  w.start_table();
  w.add_field("COMMENT", 'C', 0, 250);
  w.add_field("N", 'N', 0, 8);
  const int count = 150000;  // over one storage block
  for (int i = 0; i < count; ++i) {
    w.set_number(1, i);
    w.end_record();
  }
  const std::string bytes = w.FileBytes();
  const size_t header = 32 + 2 * 32 + 1, len = 1 + 258;
  ASSERT_EQ(bytes.size(), header + count * len + 1);
  for (int i : {0, 1, 129999, 130000, count - 1}) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(bytes.substr(header + i * len + 1 + 250, 8), std::string(8 - n.size(), ' ') + n);
  }
}

// A streamed table is the same file as one kept in memory, and a table
// streamed and then dropped by start_table leaves nothing behind.
TEST(DBFWriter, StreamedTableMatchesTheTableInMemory) {
  const auto dir = TempDir();
  auto fill = [](TDBFWriter& w, const std::filesystem::path* stream) {
    w.start_table();
    w.set_date(2024, 2, 3);
    w.add_field("STATION", 'C', 0, 20);
    w.add_field("FACE", 'N', 2, 4);
    if (stream) w.stream_to(*stream);
    for (int i = 0; i < 30000; ++i) {
      if (i % 3 == 0) w.set_text("A" + std::to_string(i), 0);
      w.set_number(1, i % 9);
      w.end_record();
    }
  };
  TDBFWriter memory, streamed;
  fill(memory, nullptr);
  const auto path = dir / "streamed.dbf";
  fill(streamed, &path);
  std::vector<int> calls;
  streamed.write_file(path, [&](int p) { calls.push_back(p); });
  EXPECT_TRUE(ReadWholeFile(path) == memory.FileBytes());
  ASSERT_EQ(calls.size(), 300u);
  EXPECT_EQ(calls[150], 50);
  EXPECT_THROW(streamed.FileBytes(), std::logic_error);

  fill(streamed, &path);
  streamed.start_table();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  std::filesystem::remove_all(dir);
}

// Current values outlive start_table: the next table's fields of the same
// index start from them, cut or padded to their new widths.
TEST(DBFWriter, ValuesCarryOverToTheNextTable) {
  TDBFWriter w;
  w.start_table();
  w.add_field("NAME", 'C', 0, 5);
  w.add_field("N", 'N', 2, 4);
  w.set_text("abcde", 0);
  w.set_number(1, 1.5);
  w.end_record();
  w.start_table();
  w.add_field("SHORT", 'C', 0, 3);
  w.add_field("WIDE", 'C', 0, 6);
  w.add_field("NEW", 'C', 0, 2);
  w.end_record();
  const std::string bytes = w.FileBytes();
  EXPECT_EQ(bytes.substr(32 + 3 * 32 + 1, 12), " abc1.50    ");
}
