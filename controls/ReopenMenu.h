#pragma once
// The recent-files submenu: full paths, newest first, kept in a section of
// a settings file ("Count" and "Path0", "Path1", ...).

#include <QMenu>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace lumora {

class TReopenMenu : public QMenu {
  Q_OBJECT
 public:
  explicit TReopenMenu(const QString& title, QWidget* parent = nullptr);

  void SetIniFile(const std::filesystem::path& file, const std::string& section, int maxEntries);
  // Empties the menu and reads the section; files are not checked for
  // existence. A settings file that cannot be read leaves the list as it is.
  void Load();
  // Erases the section and writes the list; a failed write is not reported.
  void Save();
  // Puts an existing file at the top; an equal entry moves rather than
  // repeats, and entries beyond the limit drop off the bottom.
  void Add(const std::filesystem::path& path);
  std::vector<std::filesystem::path> Paths() const;

 signals:
  // An entry was chosen; the list keeps its order.
  void Reopen(const QString& path);

 private:
  void SetPaths(const std::vector<std::filesystem::path>& paths);

  std::vector<std::filesystem::path> paths_;
  std::filesystem::path iniFile_;
  std::string section_;
  int maxEntries_ = 15;
};

// "&1 name": the position from 1 and the file name without folders; an
// ampersand in the name is doubled so it shows as itself.
QString ReopenCaption(int position, const std::filesystem::path& path);

}  // namespace lumora
