#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace korvalen {

inline constexpr const char* kSettingsFileName = "korvalen.ini";

// Looks up an environment variable; nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;
std::optional<std::string> ProcessEnvironment(const std::string& name);

// Where the settings live: the file given with --settings when there is one; else korvalen.ini
// beside the executable when it exists (a portable installation); else
// $XDG_CONFIG_HOME/korvalen/korvalen.ini, with $HOME/.config when XDG_CONFIG_HOME is unset or
// not an absolute path. Without a usable HOME either, beside the executable.
std::filesystem::path SettingsFilePath(const std::filesystem::path& exeDir,
                                       const std::filesystem::path& overridePath,
                                       const EnvironmentLookup& environment = ProcessEnvironment);

// Creates the folder of the settings file if needed, so that the first save can succeed.
bool EnsureSettingsFolder(const std::filesystem::path& settingsFile, std::string& error);

}  // namespace korvalen
