#include "controls/ReopenMenu.h"

#include <QAction>
#include <QFile>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/IniFile.h"

namespace lumora {
namespace fs = std::filesystem;

namespace {

QString PathText(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.native())); }

// A missing file reads as an empty list; one that exists but cannot be read
// must neither empty the list nor be overwritten with only our section.
bool Readable(const fs::path& file) {
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (ec || status.type() != fs::file_type::regular) return false;
  return std::ifstream(file, std::ios::binary).is_open();
}

// The index of a "Path<i>" key, or -1.
int PathIndex(const std::string& key) {
  if (key.size() <= 4) return -1;
  for (size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(key[i])) != "path"[i]) return -1;
  const std::string digits = key.substr(4);
  int index;
  if (!ParseInteger(digits, index) || index < 0 || std::to_string(index) != digits) return -1;
  return index;
}

}  // namespace

QString ReopenCaption(int position, const fs::path& path) {
  QString name = PathText(path.filename());
  name.replace(QLatin1Char('&'), QLatin1String("&&"));
  return QStringLiteral("&%1 %2").arg(position).arg(name);
}

TReopenMenu::TReopenMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

void TReopenMenu::SetIniFile(const fs::path& file, const std::string& section, int maxEntries) {
  iniFile_ = file;
  section_ = section;
  maxEntries_ = std::max(0, maxEntries);
}

void TReopenMenu::Load() {
  if (iniFile_.empty() || !Readable(iniFile_)) return;
  const TIniFile ini(iniFile_);
  const int count = ini.ReadInteger(section_, "Count", 0);
  // Only the keys present are visited, so a huge "Count" costs nothing; an
  // absent key would give an empty entry, which is no file and is skipped.
  std::vector<std::pair<int, std::string>> keyed;
  for (const std::string& key : ini.ReadSection(section_)) {
    const int index = PathIndex(key);
    if (index >= 0 && index < count) keyed.emplace_back(index, ini.ReadString(section_, key, ""));
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<fs::path> paths;
  for (const auto& [index, text] : keyed) {
    if (text.empty()) continue;
    const fs::path path(text);
    std::erase(paths, path);
    paths.push_back(path);
  }
  SetPaths(paths);
}

void TReopenMenu::Save() {
  if (iniFile_.empty() || !Readable(iniFile_)) return;
  try {
    TIniFile ini(iniFile_);
    // Only the list's own keys go; other lines of the section stay.
    for (const std::string& key : ini.ReadSection(section_))
      if (PathIndex(key) >= 0) ini.DeleteKey(section_, key);
    ini.WriteInteger(section_, "Count", static_cast<int>(paths_.size()));
    for (size_t i = 0; i < paths_.size(); ++i)
      ini.WriteString(section_, "Path" + std::to_string(i), paths_[i].string());
    ini.UpdateFile();
  } catch (const std::exception&) {
    // The list stays in the menu; the next save tries again.
  }
}

void TReopenMenu::Add(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return;
  fs::path full = fs::absolute(path, ec);
  if (ec) full = path;
  full = full.lexically_normal();
  std::vector<fs::path> paths = paths_;
  std::erase(paths, full);
  paths.insert(paths.begin(), full);
  if (paths.size() > static_cast<size_t>(maxEntries_)) paths.resize(maxEntries_);
  SetPaths(paths);
}

std::vector<fs::path> TReopenMenu::Paths() const { return paths_; }

void TReopenMenu::SetPaths(const std::vector<fs::path>& paths) {
  paths_ = paths;
  // An entry's own handler may rebuild the menu (a reload adds its file), so
  // the old actions go only once control is back in the event loop.
  for (QAction* action : actions()) {
    removeAction(action);
    action->deleteLater();
  }
  for (size_t i = 0; i < paths_.size(); ++i) {
    const QString full = PathText(paths_[i]);
    QAction* action = addAction(ReopenCaption(static_cast<int>(i) + 1, paths_[i]));
    action->setData(full);
    connect(action, &QAction::triggered, this, [this, full] { emit Reopen(full); });
  }
}

}  // namespace lumora
