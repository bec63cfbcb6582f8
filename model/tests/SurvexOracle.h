#pragma once
// Survex itself as the oracle of the .3d tests: cavern makes .3d files from
// our own .svx sources (in any format version), dump3d lists what they hold.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace lumora::testing {

inline std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int rc = pclose(p);
  if (status)
    *status = rc;
  else
    EXPECT_EQ(rc, 0) << command;
  return out;
}

inline bool HaveSurvex() {
  int rc = 0;
  Shell("command -v cavern >/dev/null && command -v dump3d >/dev/null", &rc);
  return rc == 0;
}

struct TDumpItem {
  std::string Kind;  // MOVE, LINE, NODE, XSECT, XSECT_END
  double V[4] = {};
  std::string Label;
  std::set<std::string> Flags;  // STYLE=... among them
  std::string Date;             // of a LINE: "2003.07.14" or "2004.01.02-2004.01.09"
};

struct TDump {
  std::vector<TDumpItem> Items;
  bool Extended = false;
  std::string Cs, Title;
  int Errors = 0;
};

inline TDump ParseDump(const std::string& text) {
  TDump d;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream w(line);
    TDumpItem it;
    w >> it.Kind;
    if (line == "EXTENDED ELEVATION") d.Extended = true;
    if (it.Kind == "CS") w >> d.Cs;
    if (it.Kind == "TITLE") d.Title = line.substr(7, line.size() - 8);
    if (it.Kind == "ERROR_INFO") ++d.Errors;
    if (it.Kind == "XSECT_END") d.Items.push_back(it);
    if (it.Kind != "MOVE" && it.Kind != "LINE" && it.Kind != "NODE" && it.Kind != "XSECT") continue;
    const int n = it.Kind == "XSECT" ? 4 : 3;
    for (int i = 0; i < n; ++i) w >> it.V[i];
    for (std::string t; w >> t;) {
      if (t.front() == '[')
        it.Label = t.substr(1, t.size() - 2);
      else if (std::isdigit(static_cast<unsigned char>(t.front())))
        it.Date = t;
      else
        it.Flags.insert(t);
    }
    d.Items.push_back(it);
  }
  return d;
}

// A folder of .3d files made for one test suite, removed at its end.
class TSurvexFiles {
 public:
  TSurvexFiles() : dir_(std::filesystem::temp_directory_path() / ("lumora-3d-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
  }
  ~TSurvexFiles() { std::filesystem::remove_all(dir_); }

  const std::filesystem::path& Dir() const { return dir_; }

  // NAME.3d in format `version` from the committed NAME.svx, or from
  // `source` when given; `extended` runs Survex's extend over it.
  std::string Make(const std::string& name, int version = 8, bool extended = false, const std::string& source = {}) {
    const std::string svx = source.empty() ? std::string(LUMORA_TEST_DATA) + "/survex/" + name + ".svx" : source;
    const std::string file = (dir_ / (name + "-v" + std::to_string(version) + ".3d")).string();
    Shell("cavern -q --3d-version=" + std::to_string(version) + " -o " + file + " " + svx + " >/dev/null 2>&1");
    if (!extended) return file;
    const std::string ext = (dir_ / (name + "-ext.3d")).string();
    Shell("extend " + file + " " + ext + " >/dev/null 2>&1");
    return ext;
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace lumora::testing
