#include "platform/IniFile.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/AtomicFile.h"

namespace lumora {
namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
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
    if (!FindEntry(current->name, key)) current->entries.push_back({key, Trim(t.substr(eq + 1))});
  }
}

const TIniFile::Section* TIniFile::FindSection(const std::string& name) const {
  for (const auto& s : sections_)
    if (SameText(s.name, name)) return &s;
  return nullptr;
}

TIniFile::Section& TIniFile::SectionFor(const std::string& name) {
  for (auto& s : sections_)
    if (SameText(s.name, name)) return s;
  sections_.push_back({name, {}});
  return sections_.back();
}

const TIniFile::Entry* TIniFile::FindEntry(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  if (!s) return nullptr;
  for (const auto& e : s->entries)
    if (SameText(e.key, key)) return &e;
  return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
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
  for (auto& e : s.entries)
    if (SameText(e.key, key)) {
      e.value = value;
      return;
    }
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
  for (auto it = sections_.begin(); it != sections_.end(); ++it)
    if (SameText(it->name, section)) {
      sections_.erase(it);
      return;
    }
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  for (auto& s : sections_)
    if (SameText(s.name, section))
      for (auto it = s.entries.begin(); it != s.entries.end(); ++it)
        if (SameText(it->key, key)) {
          s.entries.erase(it);
          return;
        }
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
