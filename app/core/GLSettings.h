#pragma once
// The working units' settings file. It is addressed by its bare name, so it
// is a different file from the family folder's Lumor.ini, which keeps the
// recent files.

#include <filesystem>

#include "model/WorkingUnits.h"

namespace lumora {

// The bare-named Lumor.ini that keeps the working units.
std::filesystem::path UnitsSettingsPath();
// The Lumor.ini of the family's settings folder that keeps the recent files.
std::filesystem::path RecentFilesSettingsPath();

// Section Units, key Feet (default feet; a value that is not an integer
// counts as absent), then ApplyUnits. Never fails.
void ReadUnits(TWorkingUnits& units, const std::filesystem::path& path = UnitsSettingsPath());
// Writes UnitsFeet as "1" or "0", keeping the rest of the file. Throws
// std::runtime_error naming the file when it cannot be written; the file
// is then as it was.
void SaveUnits(const TWorkingUnits& units, const std::filesystem::path& path = UnitsSettingsPath());

}  // namespace lumora
