#pragma once
// Where settings files live. A settings file named without a folder lives in
// the configuration home; the product family's files live in its "bramble"
// folder there.

#include <filesystem>

namespace lumora {

constexpr double kInternationalFootMetres = 0.3048;
constexpr double kSurveyFootMetres = 0.304800609601;

// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path ConfigHome();

// A bare settings-file name resolved in the configuration home.
std::filesystem::path BareSettingsPath(const std::string& fileName);

// The family's settings folder, created when missing.
std::filesystem::path FamilySettingsFolder();

// The family's main settings file, read for its foot definition.
std::filesystem::path FamilyMainSettingsPath();

// Metres per foot from section Units, key InternationalFoot of the given
// settings file: the international foot unless the key says false.
double ReadMetresPerFoot(const std::filesystem::path& settingsFile);

}  // namespace lumora
