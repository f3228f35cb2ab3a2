// The profile and macro exchange files as plain data: reading them (with limits, since
// the files come from other people) and writing them. No store traffic here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/store/StoreRecords.h"

namespace KeyForge {

/// What one imported file may hold; a larger file is rejected whole.
struct ExchangeLimits {
    std::size_t maxFileBytes = 16u << 20;      ///< 16 MiB
    std::size_t maxDepth = 8;                  ///< element nesting (the formats need 4)
    std::size_t maxKeys = 1000;                ///< key items of a profile
    std::size_t maxMacros = 1000;              ///< macros of a profile
    std::size_t maxStepsPerMacro = 10000;      ///< steps of one macro
    std::size_t maxStepsPerFile = 100000;      ///< steps of all macros of one file
};

/// The limits every import uses.
inline constexpr ExchangeLimits kExchangeLimits{};

/// One macro as a file carries it: its info (macro_id is the id in the exporting
/// store; 0 in macro files) and its steps in file order.
struct ExchangeMacro {
    MacroInfo info;
    std::vector<MacroStep> steps;
};

/// A profile file: the key functions of the normal layer and the macros they play.
struct ProfileFileContent {
    std::string profileName;              ///< `name` of profileinfo (not used on import)
    std::vector<KeyFunctionRecord> keys;  ///< profile and key_id are 0
    std::vector<ExchangeMacro> macros;    ///< in file order, one per bound key
};

/// A macro file: one macro; its info's macro_id is 0.
struct MacroFileContent {
    ExchangeMacro macro;
};

/// Why a file was not read.
enum class ExchangeReadError {
    None,
    Missing,      ///< no such file (or not a regular file)
    TooLarge,     ///< over a limit (size, nesting, keys, macros, steps)
    Malformed,    ///< not well-formed XML
    WrongFormat,  ///< well-formed, but not a profile (or macro) file
};

/// A short English description of a read error, for messages.
const char* ExchangeReadErrorText(ExchangeReadError error);

/// Reads a profile file. Numbers are read as leading decimal digits (text without a
/// number gives 0); absent attributes are 0 or empty.
ExchangeReadError ReadProfileFile(const std::string& path, ProfileFileContent& out,
                                  const ExchangeLimits& limits = kExchangeLimits);
/// Reads a macro file; a file without `macroinfo` is not a macro file, one without
/// `macroitems` is a macro without steps.
ExchangeReadError ReadMacroFile(const std::string& path, MacroFileContent& out,
                                const ExchangeLimits& limits = kExchangeLimits);

/// Writes a profile file (UTF-8, the standard declaration line); false when it cannot be written.
bool WriteProfileFile(const ProfileFileContent& content, const std::string& path);
/// Writes a macro file; false when it cannot be written.
bool WriteMacroFile(const MacroFileContent& content, const std::string& path);

}  // namespace KeyForge
