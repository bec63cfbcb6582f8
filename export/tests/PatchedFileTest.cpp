#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "export/PatchedFile.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

std::filesystem::path TempDir() {
  auto dir = std::filesystem::temp_directory_path() / ("lumora-patched-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

// Blocks written directly and by the writer thread, a record larger than
// the buffer, patches before and after the blocks went out: the file holds
// exactly what was appended and patched, on the disk's file system and on
// a memory one.
TEST(PatchedFile, HoldsEveryByteInOrderWithItsPatches) {
  std::vector<std::filesystem::path> dirs = {TempDir()};
  if (std::filesystem::is_directory("/dev/shm")) {
    dirs.push_back("/dev/shm/lumora-patched-" + std::to_string(getpid()));
    std::filesystem::create_directories(dirs.back());
  }
  for (const auto& dir : dirs) {
    const auto path = dir / "data.bin";
    std::string expected;
    {
      TPatchedFile file(path);
      uint32_t seed = 1;
      for (int chunk = 0; expected.size() < (11u << 20); ++chunk) {
        const size_t n = chunk == 40 ? (5u << 20) + 3 : 1 + chunk * 7919 % 65521;
        std::string bytes(n, '\0');
        for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
        if (chunk % 2 == 0) {
          file.Append(bytes);
        } else {
          std::memcpy(file.Extend(n), bytes.data(), n);
        }
        expected += bytes;
        ASSERT_EQ(file.Size(), static_cast<int64_t>(expected.size()));
      }
      const int64_t tail = file.Size() - 10;
      for (int64_t at : {int64_t{24}, int64_t{0}, int64_t{(4 << 20) - 2}, tail}) {
        file.Patch(at, "PATCH");
        expected.replace(static_cast<size_t>(at), 5, "PATCH");
      }
      file.Append("end");
      expected += "end";
      EXPECT_FALSE(std::filesystem::exists(path));  // only the temporary so far
      file.Commit();
    }
    EXPECT_TRUE(ReadWholeFile(path) == expected) << path;

    // Without Commit the target keeps what it had and no temporary stays.
    {
      TPatchedFile file(path);
      file.Append(std::string(9u << 20, 'x'));
    }
    EXPECT_EQ(std::filesystem::file_size(path), expected.size());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
  }
}
