// Per-user settings: the interface language ("LCID"), what closing the main window
// does ("exit_mode") and start with the system. They live in
// $XDG_CONFIG_HOME/<name>/settings.ini; the file plays the part of the settings key:
// a read of a missing file creates it, a write to a missing file does nothing.
#pragma once

#include <string>

namespace KeyForge {

/// The section that holds every value in settings.ini.
inline constexpr const char* kSettingsSection = "Settings";
/// File name of the installed program, used for start with the system.
inline constexpr const char* kProgramFileName = "keyforge";

/// Path of settings.ini.
std::string GetSettingsFile();

/// The stored language identifier. A missing settings file is created and 0 returned
/// (1033 when it cannot be created); a missing, empty or non-numeric value reads as 0.
int ReadLanguageId();
/// Stores the language identifier, only when the settings file exists.
void WriteLanguageId(int id);

/// A value read as a decimal integer, 0 when missing; creates a missing settings file.
int ReadSettingInt(const std::string& name);
/// Stores a value as text, only when the settings file exists.
void WriteSetting(const std::string& name, const std::string& text);
/// The stored text of a value; false when the value (or the file) is missing.
bool ReadSettingText(const std::string& name, std::string& text);

/// Path of the freedesktop autostart entry: $XDG_CONFIG_HOME/autostart/<name>.desktop.
std::string GetAutostartFile();
/// True when the program starts with the system (the autostart entry exists).
bool ReadStartWithSystem();
/// Writes the autostart entry for the program in the program folder, or removes it.
bool WriteStartWithSystem(bool enabled);

/// The decimal number at the start of a text (leading blanks allowed), 0 when there is none.
long LeadingDecimal(const std::string& text);

}  // namespace KeyForge
