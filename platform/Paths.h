#pragma once

#include <string>
#include <string_view>

// The folders the program keeps its files in. Every folder string ends with '/'.
//
// - program folder: the executable's folder when it holds "DefaultData/", else "../share/orvane-pelan/" beside it
//   (the installed layout); PELAN_PROGRAM_DIR or setProgramFolderOverride replace it.
// - default data folder: program folder + "DefaultData/" (factory files, read only).
// - data folder: local application data ($XDG_DATA_HOME, else ~/.local/share) + the product title;
//   PELAN_DATA_DIR or setDataFolderOverride replace it.
// - user device folder: data folder + a device folder name ("mouse", "keyboard", "MousePad", "HD"), created with
//   its parent on first use.
// - temporary folder: $TMPDIR, else /tmp.
// - configuration folder: $XDG_CONFIG_HOME when it is absolute, else ~/.config.
namespace pelan {

inline constexpr std::string_view kProductTitle = "ORVANE Pelan Gaming Mouse";

// Longest folder path, in bytes, that the user device folder may have; longer paths are refused.
inline constexpr std::size_t kMaxFolderPathLength = 519;

std::string localAppDataFolder();
std::string dataFolder();
std::string programFolder();
std::string defaultDataFolder();
std::string temporaryFolder();
std::string configFolder();
// The running program's own path (/proc/self/exe).
std::string executablePath();

// The data folder + deviceFolderName + '/', creating the data folder and then the device folder when missing.
// Returns "" when the name is empty or holds '/' or "..", when the path is longer than kMaxFolderPathLength,
// or when a folder cannot be created.
std::string userDeviceFolder(std::string_view deviceFolderName);

// Creates a folder and its missing parents; true when the folder exists afterwards.
bool ensureFolder(const std::string& folder);

// Test seams: a non-empty folder replaces the environment and the computed folder; "" removes the override.
void setDataFolderOverride(std::string folder);
void setProgramFolderOverride(std::string folder);

// An XDG base folder: the variable's value when it is an absolute path, else $HOME + fallback ("/.config").
std::string xdgFolder(const char* variable, const char* fallback);

// Appends '/' unless the text is empty or already ends with one.
std::string withTrailingSlash(std::string folder);

} // namespace pelan
