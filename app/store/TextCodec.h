// Turns the bytes of a text file (XML, language or settings file) into UTF-8 and
// back: byte-order marks, UTF-16, UTF-8 validity and 8-bit code pages via iconv.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace KeyForge {

/// The byte-order mark a file started with.
enum class ByteOrderMark { None, Utf8, Utf16LE, Utf16BE };

/// Detects a byte-order mark, checked in the order UTF-8, UTF-16 LE, UTF-16 BE.
ByteOrderMark DetectByteOrderMark(std::string_view bytes);

/// Length in bytes of the mark itself (0 for None).
std::size_t ByteOrderMarkLength(ByteOrderMark mark);

/// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

/// Number of code points in a UTF-8 text (invalid bytes count one each).
std::size_t CountCodePoints(std::string_view utf8);

/// The first `maxCodePoints` code points of a UTF-8 text, never splitting a character.
std::string TruncateCodePoints(std::string_view utf8, std::size_t maxCodePoints);

/// UTF-16 (little- or big-endian code units, no mark) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

/// Copies UTF-8, replacing every invalid sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

/// The system's 8-bit code page: 936 when the interface language is 2052, else 1252.
int SystemCodePage();

/// The iconv name of a Windows code page number ("CP1252", "CP936", ...).
std::string CodePageName(int codePage);

/// Converts bytes in the named encoding to UTF-8. Bytes the encoding cannot map become
/// U+FFFD. Returns false only when iconv does not know the encoding.
bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out);

/// Converts UTF-8 to the named encoding; false when the encoding is unknown or a
/// character cannot be represented.
bool ConvertFromUtf8(std::string_view utf8, const std::string& encoding, std::string& out);

/// True when the name denotes UTF-8 ("UTF-8", "utf8", case-insensitive).
bool IsUtf8Name(std::string_view encoding);

/// Decodes a whole text file's bytes to UTF-8: a mark fixes the encoding; otherwise
/// valid UTF-8 stays UTF-8 and anything else is read in the system code page.
std::string DecodeTextFile(std::string_view bytes, ByteOrderMark* markSeen = nullptr);

}  // namespace KeyForge
