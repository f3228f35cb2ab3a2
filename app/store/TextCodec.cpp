// Text decoding and encoding shared by the XML, language and settings readers.
#include "app/store/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>

#include "app/store/LanguageTexts.h"

namespace KeyForge {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at bytes[i], or 0 when it is invalid.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) return 1;
    std::size_t len = 0;
    uint32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > bytes.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

std::string Lower(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
    return r;
}

// One iconv pass; on bytes it cannot map, `onInvalid` decides what to emit and the
// input advances by one byte.
bool RunIconv(std::string_view in, const std::string& to, const std::string& from, std::string& out,
              bool replaceInvalid) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (!replaceInvalid) {
            ok = false;
            break;
        }
        // EILSEQ or EINVAL (truncated sequence at the end): replace one byte.
        out += kReplacement;
        ++src;
        --srcLeft;
    }
    if (ok) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
    }
    iconv_close(cd);
    return ok;
}

}  // namespace

ByteOrderMark DetectByteOrderMark(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") return ByteOrderMark::Utf8;
    if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") return ByteOrderMark::Utf16LE;
    if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") return ByteOrderMark::Utf16BE;
    return ByteOrderMark::None;
}

std::size_t ByteOrderMarkLength(ByteOrderMark mark) {
    switch (mark) {
        case ByteOrderMark::Utf8: return 3;
        case ByteOrderMark::Utf16LE:
        case ByteOrderMark::Utf16BE: return 2;
        case ByteOrderMark::None: break;
    }
    return 0;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8SequenceLength(bytes, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::size_t CountCodePoints(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count) i += std::max<std::size_t>(1, Utf8SequenceLength(utf8, i));
    return count;
}

std::string TruncateCodePoints(std::string_view utf8, std::size_t maxCodePoints) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < utf8.size() && n < maxCodePoints; ++n)
        i += std::max<std::size_t>(1, Utf8SequenceLength(utf8, i));
    return std::string(utf8.substr(0, i));
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    auto unitAt = [&](std::size_t i) -> uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const std::size_t n = bytes.size() / 2 * 2;
    for (std::size_t i = 0; i < n; i += 2) {
        uint32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 2 < n) {
            const uint32_t lo = unitAt(i + 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        AppendUtf8(out, u);
    }
    return out;
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8SequenceLength(bytes, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

int SystemCodePage() { return GetCurrentLanguage() == 2052 ? 936 : 1252; }

std::string CodePageName(int codePage) { return "CP" + std::to_string(codePage); }

bool IsUtf8Name(std::string_view encoding) {
    const std::string e = Lower(encoding);
    return e == "utf-8" || e == "utf8";
}

bool ConvertToUtf8(std::string_view bytes, const std::string& encoding, std::string& out) {
    if (IsUtf8Name(encoding)) {
        out = SanitizeUtf8(bytes);
        return true;
    }
    return RunIconv(bytes, "UTF-8", encoding, out, true);
}

bool ConvertFromUtf8(std::string_view utf8, const std::string& encoding, std::string& out) {
    if (IsUtf8Name(encoding)) {
        out.assign(utf8);
        return true;
    }
    return RunIconv(utf8, encoding, "UTF-8", out, false);
}

std::string DecodeTextFile(std::string_view bytes, ByteOrderMark* markSeen) {
    const ByteOrderMark mark = DetectByteOrderMark(bytes);
    if (markSeen) *markSeen = mark;
    const std::string_view body = bytes.substr(ByteOrderMarkLength(mark));
    switch (mark) {
        case ByteOrderMark::Utf16LE: return Utf16ToUtf8(body, false);
        case ByteOrderMark::Utf16BE: return Utf16ToUtf8(body, true);
        case ByteOrderMark::Utf8: return SanitizeUtf8(body);
        case ByteOrderMark::None: break;
    }
    if (IsValidUtf8(body)) return std::string(body);
    std::string out;
    ConvertToUtf8(body, CodePageName(SystemCodePage()), out);
    return out;
}

}  // namespace KeyForge
