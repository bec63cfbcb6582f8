#include "platform/IniFile.h"

#include <cctype>
#include <charconv>
#include <cstddef>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

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

TIniFile::TIniFile(std::filesystem::path path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t.front() == '[' && t.back() == ']') {
      current = &SectionFor(t.substr(1, t.size() - 2));
      continue;
    }
    size_t eq = t.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = Trim(t.substr(0, eq));
    if (current->index.emplace(Lower(key), current->entries.size()).second)
      current->entries.push_back({key, Trim(t.substr(eq + 1))});
  }
}

const TIniFile::Section* TIniFile::FindSection(const std::string& name) const {
  const auto it = sectionIndex_.find(Lower(name));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniFile::Section& TIniFile::SectionFor(const std::string& name) {
  const auto [it, added] = sectionIndex_.emplace(Lower(name), sections_.size());
  if (added) sections_.push_back({name, {}, {}});
  return sections_[it->second];
}

TIniFile::Entry* TIniFile::FindEntry(Section& s, const std::string& key) {
  const auto it = s.index.find(Lower(key));
  return it == s.index.end() ? nullptr : &s.entries[it->second];
}

const TIniFile::Entry* TIniFile::FindEntry(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  return s ? FindEntry(const_cast<Section&>(*s), key) : nullptr;
}

// After an erase the positions behind it moved; the other sections' key
// indexes hold positions within their own section and stay valid.
void TIniFile::ReindexSections() {
  sectionIndex_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) sectionIndex_.emplace(Lower(sections_[i].name), i);
}

void TIniFile::ReindexKeys(Section& s) {
  s.index.clear();
  for (size_t k = 0; k < s.entries.size(); ++k) s.index.emplace(Lower(s.entries[k].key), k);
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
  Section& s = SectionFor(section);
  if (Entry* e = FindEntry(s, key)) {
    e->value = value;
    return;
  }
  s.index.emplace(Lower(key), s.entries.size());
  s.entries.push_back({key, value});
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

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section))
    for (const auto& e : s->entries) keys.push_back(e.key);
  return keys;
}

void TIniFile::EraseSection(const std::string& section) {
  const auto it = sectionIndex_.find(Lower(section));
  if (it == sectionIndex_.end()) return;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  ReindexSections();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  const auto s = sectionIndex_.find(Lower(section));
  if (s == sectionIndex_.end()) return;
  Section& sec = sections_[s->second];
  const auto e = sec.index.find(Lower(key));
  if (e == sec.index.end()) return;
  sec.entries.erase(sec.entries.begin() + static_cast<std::ptrdiff_t>(e->second));
  ReindexKeys(sec);
}

std::string TIniFile::Text() const {
  std::string out;
  for (const auto& s : sections_) {
    out += '[' + s.name + "]\n";
    for (const auto& e : s.entries) out += e.key + '=' + e.value + '\n';
    out += '\n';
  }
  return out;
}

void TIniFile::UpdateFile() const { WriteFileAtomically(path_, Text()); }

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
