// keyforgectl argument handling.
#include "tools/keyforgectl/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace KeyForge::Ctl {

std::optional<std::string> Args::TakeOption(std::string_view name) {
    for (std::size_t i = m_pos; i < m_words.size(); ++i) {
        if (m_words[i] != name) continue;
        if (i + 1 >= m_words.size()) throw CtlError(std::string(name) + " needs a value");
        std::string value = m_words[i + 1];
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i),
                      m_words.begin() + static_cast<std::ptrdiff_t>(i + 2));
        return value;
    }
    return std::nullopt;
}

bool Args::TakeFlag(std::string_view name) {
    for (std::size_t i = m_pos; i < m_words.size(); ++i) {
        if (m_words[i] != name) continue;
        m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

std::string Args::Next(std::string_view what) {
    if (!HasMore()) throw CtlError("missing " + std::string(what));
    return m_words[m_pos++];
}

void Args::ExpectEnd() const {
    if (!HasMore()) return;
    const std::string& word = m_words[m_pos];
    throw CtlError((word.rfind("--", 0) == 0 ? "unknown option: " : "unexpected argument: ") + word);
}

long ParseNumber(std::string_view text, std::string_view what) {
    const std::string s(text);
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const bool negative = !hex && !s.empty() && s[0] == '-';
    const std::string digits = hex ? s.substr(2) : (negative ? s.substr(1) : s);
    bool ok = !digits.empty();
    for (char c : digits) ok = ok && (hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c)));
    errno = 0;
    long value = 0;
    if (ok) value = std::strtol(s.c_str(), nullptr, hex ? 16 : 10);
    if (!ok || errno == ERANGE) throw CtlError("bad " + std::string(what) + ": " + s);
    return value;
}

long ParseNumberIn(std::string_view text, std::string_view what, long low, long high) {
    const long value = ParseNumber(text, what);
    if (value < low || value > high)
        throw CtlError(std::string(what) + " out of range (" + std::to_string(low) + " to " +
                       std::to_string(high) + "): " + std::string(text));
    return value;
}

}  // namespace KeyForge::Ctl
