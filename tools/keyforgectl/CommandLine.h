// Argument handling shared by the keyforgectl commands: words, options, numbers
// in decimal or 0x-hex, and the error that ends a command with a one-line message.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace KeyForge::Ctl {

/// Exit codes: 0 done, 1 bad arguments or a failed operation, 2 no keyboard connected.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitNoKeyboard = 2;

/// Ends a command: main prints "keyforgectl: <message>" to stderr and exits with the code.
struct CtlError : std::runtime_error {
    CtlError(const std::string& message, int code = kExitFailure) : std::runtime_error(message), exitCode(code) {}
    int exitCode;
};

/// The words after the command name. Options ("--name value") may stand anywhere.
class Args {
public:
    explicit Args(std::vector<std::string> words) : m_words(std::move(words)) {}

    /// Removes and returns "--name VALUE" when present.
    std::optional<std::string> TakeOption(std::string_view name);
    /// Removes "--name" (a flag without value); true when it was present.
    bool TakeFlag(std::string_view name);
    /// Removes and returns the next word; `what` names it in the error when missing.
    std::string Next(std::string_view what);
    /// True when words are left.
    bool HasMore() const { return m_pos < m_words.size(); }
    /// The next word without taking it, or "".
    std::string Peek() const { return HasMore() ? m_words[m_pos] : std::string(); }
    /// Fails when words are left over (call after taking every option and word).
    void ExpectEnd() const;

private:
    std::vector<std::string> m_words;
    std::size_t m_pos = 0;
};

/// A whole number in decimal or 0x-hex; fails with "bad <what>: <text>".
long ParseNumber(std::string_view text, std::string_view what);
/// As ParseNumber, also failing when the number lies outside [low, high].
long ParseNumberIn(std::string_view text, std::string_view what, long low, long high);

}  // namespace KeyForge::Ctl
