// The interface language and the language texts of language/<id>.lan.
#pragma once

#include <string>

namespace KeyForge {

/// The section of the language files that holds the application's texts.
inline constexpr const char* kTextSection = "KB.DIALOG";

/// The process-wide interface language (a Windows language identifier, 1033 at first).
int GetCurrentLanguage();
/// Sets the process-wide interface language.
void SetCurrentLanguage(int id);

/// Path of the language file of an identifier: <program folder>language/<id>.lan.
std::string LanguageFilePath(int id);

/// Text `number` of the current language's file, cut to 259 characters; empty when
/// the file, section or key is missing. Reads the file anew on every call.
std::string GetText(int number, const std::string& section = kTextSection);

}  // namespace KeyForge
