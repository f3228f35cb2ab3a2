// Locale names to Windows language identifiers.
#include "app/store/Locale.h"

#include <cstdlib>
#include <string>

namespace KeyForge {

namespace {

struct LocaleEntry {
    std::string_view name;  // "ll" or "ll_CC"
    int id;
};

// Country-specific entries first; a bare language is its most common country.
constexpr LocaleEntry kLocales[] = {
    {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105}, {"en_NZ", 5129}, {"en_IE", 6153},
    {"zh_CN", 2052}, {"zh_SG", 4100}, {"zh_TW", 1028}, {"zh_HK", 3076}, {"zh_MO", 5124},
    {"de_DE", 1031}, {"de_AT", 3079}, {"de_CH", 2055}, {"fr_FR", 1036}, {"fr_BE", 2060}, {"fr_CA", 3084},
    {"fr_CH", 4108}, {"es_ES", 3082}, {"es_MX", 2058}, {"es_AR", 11274}, {"pt_BR", 1046}, {"pt_PT", 2070},
    {"it_IT", 1040}, {"nl_NL", 1043}, {"nl_BE", 2067},
    {"en", 1033}, {"zh", 2052}, {"de", 1031}, {"fr", 1036}, {"es", 3082}, {"pt", 2070}, {"ja", 1041},
    {"ko", 1042}, {"ru", 1049}, {"it", 1040}, {"nl", 1043}, {"pl", 1045}, {"tr", 1055}, {"sv", 1053},
    {"da", 1030}, {"fi", 1035}, {"nb", 1044}, {"no", 1044}, {"cs", 1029}, {"hu", 1038}, {"el", 1032},
    {"uk", 1058}, {"ar", 1025}, {"he", 1037}, {"th", 1054}, {"vi", 1066}, {"id", 1057}, {"ro", 1048},
};

}  // namespace

int LanguageIdFromLocale(std::string_view locale) {
    // Strip ".codeset" and "@modifier": "de_DE.UTF-8@euro" -> "de_DE".
    const std::size_t cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos) locale = locale.substr(0, cut);
    if (locale.empty() || locale == "C" || locale == "POSIX") return 1033;
    // Traditional Chinese script without a country ("zh_Hant") counts as Taiwan.
    if (locale == "zh_Hant") return 1028;
    for (const LocaleEntry& e : kLocales)
        if (e.name == locale) return e.id;
    const std::string_view language = locale.substr(0, locale.find('_'));
    for (const LocaleEntry& e : kLocales)
        if (e.name == language) return e.id;
    return 1033;
}

int GetUserDefaultUiLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return LanguageIdFromLocale(value);
    }
    return 1033;
}

}  // namespace KeyForge
