// The user's interface language: the POSIX locale turned into a Windows language identifier.
#pragma once

#include <string_view>

namespace KeyForge {

/// Maps a locale name such as "de_DE.UTF-8" or "zh_CN" to a Windows language
/// identifier; unknown and "C"/"POSIX" locales give 1033.
int LanguageIdFromLocale(std::string_view locale);

/// The user's interface language from LC_ALL, LC_MESSAGES or LANG (the first one set).
int GetUserDefaultUiLanguage();

}  // namespace KeyForge
