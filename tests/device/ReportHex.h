// Reports as hex text, for tests that compare bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace KeyForge::TestUtil {

/// Upper-case hex pairs separated by spaces, as the emulator logs reports.
inline std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ' ';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

/// The first `count` bytes as hex text.
inline std::string Hex(std::span<const std::uint8_t> bytes, std::size_t count) { return Hex(bytes.first(count)); }

}  // namespace KeyForge::TestUtil
