#include "core/SettingsLocation.h"

#include <cstdlib>

#include "images/FileAccess.h"

namespace korvalen {
namespace fs = std::filesystem;

std::optional<std::string> ProcessEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

namespace {

// The XDG rules ignore relative paths in these variables.
std::optional<fs::path> AbsoluteFromEnvironment(const EnvironmentLookup& environment,
                                                const std::string& name) {
    const std::optional<std::string> value = environment(name);
    if (!value || value->empty())
        return std::nullopt;
    fs::path path(*value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

}  // namespace

fs::path SettingsFilePath(const fs::path& exeDir, const fs::path& overridePath,
                          const EnvironmentLookup& environment) {
    if (!overridePath.empty())
        return overridePath;
    const fs::path portable = exeDir / kSettingsFileName;
    std::error_code ec;
    if (fs::is_regular_file(portable, ec))
        return portable;
    if (auto config = AbsoluteFromEnvironment(environment, "XDG_CONFIG_HOME"))
        return *config / "korvalen" / kSettingsFileName;
    if (auto home = AbsoluteFromEnvironment(environment, "HOME"))
        return *home / ".config" / "korvalen" / kSettingsFileName;
    return portable;
}

bool EnsureSettingsFolder(const fs::path& settingsFile, std::string& error) {
    const fs::path folder = settingsFile.parent_path();
    if (folder.empty())
        return true;
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "Cannot create the folder " + DisplayPath(folder) + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace korvalen
