#pragma once
// What an independent checker (ogrinfo, xmllint, unzip, ffmpeg) prints.

#include <cstdio>
#include <string>

namespace lumora {

inline std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

}  // namespace lumora
