// The program's folders: program folder, per-user data folder and its subfolders,
// the settings folder, and folder creation. Folder names end in '/' where noted.
#pragma once

#include <string>
#include <string_view>

namespace KeyForge {

/// Folder of the running program file, with a trailing '/'.
std::string GetProgramFolder();
/// Makes GetProgramFolder return another folder (tests and tools that serve another
/// tree of data files); an empty path restores the real one.
void OverrideProgramFolder(const std::string& folder);

/// Per-user data folder: $XDG_DATA_HOME (default ~/.local/share), then "<name> Files/".
/// Not created by this call.
std::string GetDataFolder();
/// The store folder: the data folder followed by "db" (no trailing '/').
std::string GetStoreFolder();
/// The temporary folder for downloads: the data folder followed by "temp" (no trailing '/').
std::string GetTempFolder();
/// Program folder followed by "language" (no trailing '/').
std::string GetLanguageFolder();
/// Program folder, "skins/" and the theme folder, with a trailing '/'.
std::string GetSkinFolder();
/// Per-user settings folder: $XDG_CONFIG_HOME (default ~/.config), then the name, with '/'.
std::string GetSettingsFolder();
/// $XDG_CONFIG_HOME (default ~/.config), no trailing '/'.
std::string GetConfigHome();

/// Creates the folder and every missing parent; true when it exists afterwards.
bool CreateFolderPath(const std::string& path);

/// Turns a path written with '\' or doubled separators into one with single '/'.
std::string NormalizePath(std::string_view path);

/// True when the path names an existing folder.
bool IsFolder(const std::string& path);
/// True when the path names an existing regular file.
bool IsFile(const std::string& path);

}  // namespace KeyForge
