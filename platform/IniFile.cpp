#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "platform/AtomicFile.h"

namespace lumora {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

}  // namespace

namespace {

bool IsHeader(const std::string& t) { return t.size() >= 2 && t.front() == '[' && t.back() == ']'; }

// The key and value of an entry line; false for blanks, comments and lines
// without '='.
bool ParseEntry(const std::string& line, std::string& key, std::string& value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || IsHeader(t)) return false;
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

}  // namespace

TIniFile::TIniFile(std::filesystem::path path) : path_(std::move(path)) { Load(); }

void TIniFile::Load() {
  // Non-blocking, so that a FIFO put in the file's place cannot hang the open.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno != ENOENT) loadError_ = FileErrorMessage("Cannot read settings file", path_, errno);
    return;
  }
  std::string text;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = errno;
    if (S_ISDIR(st.st_mode))
      loadError_ = FileErrorMessage("Cannot read settings file", path_, EISDIR);
    else if (st.st_mode != 0)
      loadError_ = "Cannot read settings file \"" + path_.string() + "\": not a regular file";
    else
      loadError_ = FileErrorMessage("Cannot read settings file", path_, err);
    ::close(fd);
    return;
  }
  char block[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      loadError_ = FileErrorMessage("Cannot read settings file", path_, errno);
      ::close(fd);
      return;
    }
    text.append(block, static_cast<size_t>(n));
  }
  ::close(fd);

  finalNewline_ = text.empty() || text.back() == '\n';
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty() && finalNewline_) return;
  Section* current = nullptr;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (start == 0 && !line.empty() && line.back() == '\r') eol_ = "\r";
    const std::string t = Trim(line);
    if (IsHeader(t)) {
      sections_.push_back({t.substr(1, t.size() - 2), true, std::move(line), {}, {}, {}});
      current = &sections_.back();
    } else {
      if (!current) {
        sections_.push_back({{}, false, {}, {}, {}, {}});
        current = &sections_.back();
      }
      current->lines.push_back(std::move(line));
    }
    if (end >= text.size()) break;
    start = end + 1;
  }
  for (Section& sec : sections_) ReindexKeys(sec);
  ReindexSections();
}

void TIniFile::ReindexSections() {
  sectionIndex_.clear();
  for (size_t i = 0; i < sections_.size(); ++i)
    if (sections_[i].named) sectionIndex_[Lower(sections_[i].name)].push_back(i);
}

void TIniFile::ReindexKeys(Section& s) {
  s.entries.clear();
  s.index.clear();
  std::string key, value;
  for (size_t k = 0; k < s.lines.size(); ++k)
    if (ParseEntry(s.lines[k], key, value) && s.index.emplace(Lower(key), s.entries.size()).second)
      s.entries.push_back({key, value, k});
}

const TIniFile::Entry* TIniFile::FindEntry(const std::string& section, const std::string& key) const {
  const auto it = sectionIndex_.find(Lower(section));
  if (it == sectionIndex_.end()) return nullptr;
  const std::string lower = Lower(key);
  for (size_t i : it->second) {
    const Section& s = sections_[i];
    if (const auto e = s.index.find(lower); e != s.index.end()) return &s.entries[e->second];
  }
  return nullptr;
}

TIniFile::Entry* TIniFile::FindEntry(const std::string& section, const std::string& key) {
  return const_cast<Entry*>(std::as_const(*this).FindEntry(section, key));
}

TIniFile::Section& TIniFile::SectionFor(const std::string& name) {
  if (const auto it = sectionIndex_.find(Lower(name)); it != sectionIndex_.end()) return sections_[it->second.front()];
  // A new section is set off from the text before it by a blank line.
  if (!sections_.empty()) {
    std::vector<std::string>& last = sections_.back().lines;
    if ((last.empty() && sections_.back().named) || (!last.empty() && !Trim(last.back()).empty())) last.push_back(eol_);
  }
  sections_.push_back({name, true, '[' + name + ']' + eol_, {eol_}, {}, {}});
  sectionIndex_[Lower(name)].push_back(sections_.size() - 1);
  return sections_.back();
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  const Entry* e = FindEntry(section, key);
  return e ? e->value : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const Entry* e = FindEntry(section, key);
  int v;
  return e && ParseInteger(e->value, v) ? v : def;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
  const Entry* e = FindEntry(section, key);
  double v;
  return e && ParseDouble(e->value, v) ? v : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  const auto it = sectionIndex_.find(Lower(section));
  if (it != sectionIndex_.end()) {
    const std::string lower = Lower(key);
    for (size_t i : it->second) {
      Section& s = sections_[i];
      const auto e = s.index.find(lower);
      if (e == s.index.end()) continue;
      Entry& entry = s.entries[e->second];
      std::string& line = s.lines[entry.line];
      const bool cr = !line.empty() && line.back() == '\r';
      line = entry.key + '=' + value + (cr ? "\r" : "");
      entry.value = value;
      return;
    }
  }
  Section& s = SectionFor(section);
  // After the section's last line that is not blank, ahead of the blank
  // lines that part it from the next; no entry lies behind that place.
  size_t at = s.lines.size();
  while (at > 0 && Trim(s.lines[at - 1]).empty()) --at;
  s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), key + '=' + value + eol_);
  s.index.emplace(Lower(key), s.entries.size());
  s.entries.push_back({key, value, at});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FormatGeneral(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const {
  return sectionIndex_.find(Lower(section)) != sectionIndex_.end();
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  const auto it = sectionIndex_.find(Lower(section));
  if (it == sectionIndex_.end()) return keys;
  std::unordered_map<std::string, bool> seen;
  for (size_t i : it->second)
    for (const auto& e : sections_[i].entries)
      if (seen.emplace(Lower(e.key), true).second) keys.push_back(e.key);
  return keys;
}

void TIniFile::EraseSection(const std::string& section) {
  const std::string lower = Lower(section);
  if (sectionIndex_.find(lower) == sectionIndex_.end()) return;
  std::erase_if(sections_, [&](const Section& s) { return s.named && Lower(s.name) == lower; });
  ReindexSections();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  const auto it = sectionIndex_.find(Lower(section));
  if (it == sectionIndex_.end()) return;
  const std::string lower = Lower(key);
  std::string k, v;
  for (size_t i : it->second) {
    Section& s = sections_[i];
    if (s.index.find(lower) == s.index.end()) continue;
    std::erase_if(s.lines, [&](const std::string& line) { return ParseEntry(line, k, v) && Lower(k) == lower; });
    ReindexKeys(s);
  }
}

std::string TIniFile::Text() const {
  std::string out;
  for (const auto& s : sections_) {
    if (s.named) out += s.header + '\n';
    for (const auto& line : s.lines) out += line + '\n';
  }
  if (!finalNewline_ && !out.empty()) out.pop_back();
  return out;
}

void TIniFile::UpdateFile() const {
  if (!loadError_.empty()) throw std::runtime_error(loadError_);
  WriteFileAtomically(path_, Text());
}

std::string FormatGeneral(double value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

bool ParseDouble(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool ParseInteger(std::string_view text, int& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace lumora
