#pragma once
// Settings files with private-profile semantics: sections and keys match
// without regard to letter case, a missing key reads as the caller's
// default, booleans are stored as "1" and "0". Every line the program does
// not change is written back as it was read: comments, lines before the
// first section, duplicate keys, lines without '='.

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace lumora {

class TIniFile {
 public:
  // Reads the file when it exists; a missing or unreadable file reads as
  // empty. A file that is not a regular one (a FIFO) is not opened.
  explicit TIniFile(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }
  // Why an existing file could not be read; empty when it was, or is missing.
  const std::string& LoadError() const { return loadError_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  double ReadFloat(const std::string& section, const std::string& key, double def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteFloat(const std::string& section, const std::string& key, double value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSection(const std::string& section) const;  // key names in order
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);

  // Writes the file: to a temporary beside it, then renamed over it, so a
  // failure never leaves half a settings file. Throws std::runtime_error,
  // and with LoadError() when the file could not be read, which is never
  // written over.
  void UpdateFile() const;

  std::string Text() const;

 private:
  struct Entry {
    std::string key, value;
    size_t line;  // in its section's lines
  };
  // Names match without regard to case; the indexes, by the lower-case
  // name, keep a load of many keys linear. Only the first line of a key
  // counts.
  struct Section {
    std::string name;
    bool named = true;               // false: the lines before any header
    std::string header;              // as read
    std::vector<std::string> lines;  // after the header, as read or written
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> index;
  };
  void Load();
  const Entry* FindEntry(const std::string& section, const std::string& key) const;
  Entry* FindEntry(const std::string& section, const std::string& key);
  Section& SectionFor(const std::string& name);
  void ReindexSections();
  static void ReindexKeys(Section& s);

  std::filesystem::path path_;
  std::string loadError_;
  std::string eol_;           // "\r" where the file's lines end in CR LF
  bool finalNewline_ = true;  // whether the last line read had its end
  std::vector<Section> sections_;
  // Every section of each name, in file order; keys are looked up in turn.
  std::unordered_map<std::string, std::vector<size_t>> sectionIndex_;
};

// Locale-free number text shared by settings and file writers.
std::string FormatGeneral(double value);                 // shortest text that reads back exactly
bool ParseDouble(std::string_view text, double& value);  // whole text, '.' decimal point
bool ParseInteger(std::string_view text, int& value);

}  // namespace lumora
