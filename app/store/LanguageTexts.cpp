// Language texts: one INI file per language, read on every lookup.
#include "app/store/LanguageTexts.h"

#include <atomic>

#include "app/store/IniFile.h"
#include "app/store/Paths.h"

namespace KeyForge {

namespace {
std::atomic<int> g_currentLanguage{1033};
}

int GetCurrentLanguage() { return g_currentLanguage.load(std::memory_order_relaxed); }
void SetCurrentLanguage(int id) { g_currentLanguage.store(id, std::memory_order_relaxed); }

std::string LanguageFilePath(int id) { return GetProgramFolder() + "language/" + std::to_string(id) + ".lan"; }

std::string GetText(int number, const std::string& section) {
    return ReadIniText(section, std::to_string(number), LanguageFilePath(GetCurrentLanguage()));
}

}  // namespace KeyForge
