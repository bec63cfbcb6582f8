#include "platform/AtomicFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

namespace lumora {

void WriteFileAtomically(const std::filesystem::path& target, std::string_view content) {
  std::filesystem::path temp = target;
  temp += ".tmp~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Cannot create file \"" + temp.string() + "\": " + std::strerror(errno));
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      out.close();
      std::filesystem::remove(temp);
      throw std::runtime_error("Cannot write file \"" + target.string() + "\"");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp);
    throw std::runtime_error("Cannot write file \"" + target.string() + "\": " + ec.message());
  }
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("Cannot open file \"" + path.string() + "\": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    std::fclose(f);
    throw std::runtime_error("Cannot read file \"" + path.string() + "\": " + std::strerror(err));
  }
  std::string data;
  // One read straight into a buffer of the file's size; the loop after it
  // reads what a growing file or one without a size still holds.
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    data.resize(static_cast<size_t>(st.st_size));
    data.resize(std::fread(data.data(), 1, data.size(), f));
  }
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  const bool failed = std::ferror(f);
  const int err = errno;
  std::fclose(f);
  if (failed) throw std::runtime_error("Cannot read file \"" + path.string() + "\": " + std::strerror(err));
  return data;
}

}  // namespace lumora
