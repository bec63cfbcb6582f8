#include "app/core/GLSettings.h"

#include <stdexcept>
#include <string>

#include "platform/IniFile.h"
#include "platform/Settings.h"

namespace lumora {

namespace {
const char* const kSection = "Units";
const char* const kKey = "Feet";
}  // namespace

std::filesystem::path UnitsSettingsPath() { return BareSettingsPath("Lumor.ini"); }

std::filesystem::path RecentFilesSettingsPath() { return FamilySettingsFolder() / "Lumor.ini"; }

void ReadUnits(TWorkingUnits& units, const std::filesystem::path& path) {
  // An unreadable file reads as empty, so this cannot fail.
  units.UnitsFeet = TIniFile(path).ReadBool(kSection, kKey, true);
  ApplyUnits(units);
}

void SaveUnits(const TWorkingUnits& units, const std::filesystem::path& path) {
  TIniFile ini(path);
  ini.WriteBool(kSection, kKey, units.UnitsFeet);
  try {
    ini.UpdateFile();
  } catch (const std::exception& e) {
    // The writer may name only its temporary file.
    const std::string reason = e.what();
    if (reason.find(path.string() + "\"") != std::string::npos) throw;
    throw std::runtime_error("Cannot save settings file \"" + path.string() + "\": " + reason);
  }
}

}  // namespace lumora
