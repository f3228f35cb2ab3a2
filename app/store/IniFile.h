// INI files read the way the platform's private-profile reader does: section and
// key matched without regard to case, the value taken after the first '=' with
// blanks trimmed and one pair of enclosing quotes removed. UTF-8, UTF-16 with a
// mark, or the system code page.
#pragma once

#include <string>
#include <string_view>

namespace KeyForge {

/// Longest value a read returns, in characters; longer values are cut.
constexpr std::size_t kMaxIniValueChars = 259;

/// The value of `key` in `section` of the file, cut to 259 characters; empty when
/// the file, the section or the key is missing.
std::string ReadIniText(std::string_view section, std::string_view key, const std::string& path);

/// As ReadIniText, but tells a missing key (false) from an empty value.
bool FindIniText(std::string_view section, std::string_view key, const std::string& path, std::string& value);

/// Sets `key` in `section` (adding either when missing) and rewrites the file as
/// UTF-8 in one piece; other lines stay as they were. False when it cannot be written.
bool WriteIniText(std::string_view section, std::string_view key, std::string_view value,
                  const std::string& path);

}  // namespace KeyForge
