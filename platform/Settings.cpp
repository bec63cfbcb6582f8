#include "platform/Settings.h"

#include <cstdlib>
#include <system_error>

#include "platform/IniFile.h"

namespace lumora {

std::filesystem::path ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".config";
  return std::filesystem::temp_directory_path();
}

std::filesystem::path BareSettingsPath(const std::string& fileName) { return ConfigHome() / fileName; }

std::filesystem::path FamilySettingsFolder() {
  std::filesystem::path folder = ConfigHome() / "bramble";
  std::error_code ec;  // an unwritable home only means settings are not kept
  std::filesystem::create_directories(folder, ec);
  return folder;
}

std::filesystem::path FamilyMainSettingsPath() { return FamilySettingsFolder() / "Bramble.ini"; }

double ReadMetresPerFoot(const std::filesystem::path& settingsFile) {
  TIniFile ini(settingsFile);
  return ini.ReadBool("Units", "InternationalFoot", true) ? kInternationalFootMetres : kSurveyFootMetres;
}

}  // namespace lumora
