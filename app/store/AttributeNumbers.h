// Numbers in the attributes of config.xml and the layout files, read the way the
// description files have always been read: decimal unless the field is hexadecimal,
// and empty or non-numeric text is 0 (never an error).
#pragma once

#include <string_view>

namespace KeyForge {

/// Leading blanks, an optional sign, then the leading decimal digits ("12abc" is 12,
/// "abc" and "" are 0). Values beyond the int range stop at its limit.
int DecimalAttribute(std::string_view text);

/// As DecimalAttribute with hexadecimal digits; an optional "0x"/"0X" follows the sign.
int HexAttribute(std::string_view text);

}  // namespace KeyForge
