// Version texts of the update service: comparing dotted versions, reading the
// keyboard's firmware number and checking a published version text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace KeyForge {

/// Compares two dotted versions part by part as decimal numbers (leading digits of
/// each part). 1: b is newer; -1: a is newer; 0: equal; 2: the numbers of parts differ
/// (which the update checks also treat as "update").
int CompareVersions(std::string_view a, std::string_view b);

/// The leading decimal number of a text (leading white space and one sign allowed),
/// 0 when there is none; saturates at the int range.
int LeadingDecimal(std::string_view text);

/// The keyboard's firmware version as the update check counts it: its hexadecimal
/// digits read back as a decimal number, so 0x0105 counts as 105.
int FirmwareNumberFromKeyboard(int version);

/// The longest body the servers' version files may hold, in characters.
inline constexpr std::size_t kMaxVersionLength = 10;

/// Takes a published version from the body of a version file: 1 to 10 characters
/// (counted before trimming), with trailing line breaks and blanks removed, and no
/// path separators or control characters (the text becomes part of file names).
/// Nothing when the body is not acceptable.
std::optional<std::string> PublishedVersionFromBody(std::string_view body);

}  // namespace KeyForge
