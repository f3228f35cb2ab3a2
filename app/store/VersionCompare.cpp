// Version comparison and published-version checks.
#include "app/store/VersionCompare.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "app/store/TextCodec.h"

namespace KeyForge {

namespace {

std::vector<std::string_view> SplitAtDots(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

int LeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int CompareVersions(std::string_view a, std::string_view b) {
    const std::vector<std::string_view> left = SplitAtDots(a);
    const std::vector<std::string_view> right = SplitAtDots(b);
    if (left.size() != right.size()) return 2;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const int x = LeadingDecimal(left[i]);
        const int y = LeadingDecimal(right[i]);
        if (x > y) return -1;
        if (x < y) return 1;
    }
    return 0;
}

int FirmwareNumberFromKeyboard(int version) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(version));
    return LeadingDecimal(digits);
}

std::optional<std::string> PublishedVersionFromBody(std::string_view body) {
    const std::size_t length = CountCodePoints(body);
    if (length < 1 || length > kMaxVersionLength) return std::nullopt;
    // A version file written by an editor or `echo` ends in a line break; the
    // package on the server is named without it.
    while (!body.empty() && IsBlank(body.back())) body.remove_suffix(1);
    if (body.empty() || !IsValidUtf8(body)) return std::nullopt;
    for (const char c : body) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '/' || c == '\\') return std::nullopt;
    }
    return std::string(body);
}

}  // namespace KeyForge
