// Lenient attribute numbers: leading digits only, clamped to the int range.
#include "app/store/AttributeNumbers.h"

#include <climits>
#include <cstdint>

namespace KeyForge {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

int LeadingNumber(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        i + 2 < text.size() && DigitValue(text[i + 2]) < 16)
        i += 2;
    // Accumulate in 64 bits and stop at the limit, so a long digit run cannot overflow.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i]);
        if (d >= base) break;
        value = value * base + d;
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

int DecimalAttribute(std::string_view text) { return LeadingNumber(text, 10); }

int HexAttribute(std::string_view text) { return LeadingNumber(text, 16); }

}  // namespace KeyForge
