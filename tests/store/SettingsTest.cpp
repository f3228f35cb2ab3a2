// Folders, settings.ini, the start-up language choice, language texts and the INI reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "app/store/AppStartup.h"
#include "app/store/IniFile.h"
#include "app/store/LanguageTexts.h"
#include "app/store/Locale.h"
#include "app/store/Paths.h"
#include "app/store/Settings.h"
#include "app/store/TextCodec.h"
#include "tests/support/TestSupport.h"
#include "tiluui/core/Manager.h"

namespace KeyForge {
namespace {

using TestUtil::ScopedEnv;
using TestUtil::TempDir;
using TestUtil::WriteFile;

// A sandbox: XDG folders and the program folder in a temporary folder, the locale set.
class SettingsSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        TiluUI::Manager::SetDeviceName("Key Forge");
        OverrideProgramFolder(m_dir / "program");
        WriteFile(m_dir / "program/language/1033.lan", "[KB.DIALOG]\n101=English text\n");
        WriteFile(m_dir / "program/language/2052.lan", "[KB.DIALOG]\n101=\xE4\xB8\xAD\xE6\x96\x87\n");
        WriteFile(m_dir / "program/language/1031.lan", "[KB.DIALOG]\n101=Deutscher Text\n");
        SetCurrentLanguage(1033);
    }
    void TearDown() override {
        OverrideProgramFolder("");
        SetCurrentLanguage(1033);
    }
    void SetLocale(const char* locale) { m_lang.emplace("LANG", locale); }

    TempDir m_dir;
    ScopedEnv m_config{"XDG_CONFIG_HOME", m_dir / "config"};
    ScopedEnv m_data{"XDG_DATA_HOME", m_dir / "data"};
    ScopedEnv m_lcAll{"LC_ALL", std::nullopt};
    ScopedEnv m_lcMessages{"LC_MESSAGES", std::nullopt};
    std::optional<ScopedEnv> m_lang;
};

TEST_F(SettingsSandbox, FoldersFollowTheXdgVariablesAndTheName) {
    EXPECT_EQ(GetDataFolder(), m_dir / "data/Key Forge Files/");
    EXPECT_EQ(GetStoreFolder(), m_dir / "data/Key Forge Files/db");
    EXPECT_EQ(GetSettingsFile(), m_dir / "config/Key Forge/settings.ini");
    EXPECT_EQ(GetLanguageFolder(), m_dir / "program/language");
    EXPECT_EQ(GetSkinFolder(), m_dir / "program/skins/theme1/");
    EXPECT_FALSE(IsFolder(GetDataFolder())) << "GetDataFolder does not create the folder";
}

TEST_F(SettingsSandbox, CreateFolderPathCreatesEveryMissingLevel) {
    EXPECT_TRUE(CreateFolderPath(m_dir / "one/two"));
    EXPECT_TRUE(IsFolder(m_dir / "one/two"));
    EXPECT_TRUE(CreateFolderPath(m_dir / "one/two")) << "an existing folder is fine";
    WriteFile(m_dir / "file", "x");
    EXPECT_FALSE(CreateFolderPath(m_dir / "file/sub")) << "a file is in the way";
    EXPECT_FALSE(CreateFolderPath(""));
}

TEST_F(SettingsSandbox, FirstStartChoosesTheLanguage) {
    struct Case {
        const char* locale;
        int thisRun;
        int stored;
    } cases[] = {
        {"en_US.UTF-8", 1033, 1033},
        {"de_DE.UTF-8", 1031, 2052},
        {"zh_CN.UTF-8", 2052, 2052},
        {"C", 1033, 1033},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(m_dir / "config");
        SetLocale(c.locale);
        EXPECT_EQ(ChooseInterfaceLanguage(), c.thisRun) << c.locale;
        EXPECT_EQ(GetCurrentLanguage(), c.thisRun) << c.locale;
        EXPECT_EQ(ReadLanguageId(), c.stored) << c.locale;
        // The next start uses the stored language whatever the locale says.
        SetLocale("ru_RU.UTF-8");
        EXPECT_EQ(ChooseInterfaceLanguage(), c.stored) << c.locale;
    }
}

TEST_F(SettingsSandbox, TextsOfAFirstGermanRunComeFromTheGermanFile) {
    SetLocale("de_DE.UTF-8");
    ChooseInterfaceLanguage();
    EXPECT_EQ(GetText(101), "Deutscher Text");
    ChooseInterfaceLanguage();  // the next start
    EXPECT_EQ(GetText(101), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST_F(SettingsSandbox, StoredValuesAreReadAsLeadingDecimals) {
    struct Case {
        const char* stored;
        int read;
    } cases[] = {{"1033", 1033}, {"2052", 2052}, {"abc", 0}, {"", 0}, {" 1046x", 1046}, {"-5", 0},
                 {"99999999999999999999", 0}};
    ReadLanguageId();  // creates the settings file
    for (const Case& c : cases) {
        WriteSetting("LCID", c.stored);
        EXPECT_EQ(ReadLanguageId(), c.read) << '"' << c.stored << '"';
    }
    SetLocale("en_US.UTF-8");
    WriteSetting("LCID", "not a number");
    EXPECT_EQ(ChooseInterfaceLanguage(), 1033) << "a non-numeric value counts as a first start";
    EXPECT_EQ(ReadLanguageId(), 1033);
}

TEST_F(SettingsSandbox, ReadsCreateTheSettingsFileAndWritesNeedIt) {
    WriteSetting("exit_mode", "2");
    EXPECT_FALSE(IsFile(GetSettingsFile())) << "a write to a missing file does nothing";
    EXPECT_EQ(ReadSettingInt("exit_mode"), 0);
    EXPECT_TRUE(IsFile(GetSettingsFile())) << "a read creates it";
    WriteSetting("exit_mode", "2");
    WriteLanguageId(2052);
    EXPECT_EQ(ReadSettingInt("exit_mode"), 2);
    EXPECT_EQ(ReadLanguageId(), 2052);
    WriteSetting("exit_mode", "1");
    EXPECT_EQ(ReadSettingInt("exit_mode"), 1) << "a value is replaced, not repeated";
    EXPECT_EQ(ReadLanguageId(), 2052);
}

TEST_F(SettingsSandbox, AnUnwritableSettingsFolderReadsAs1033) {
    WriteFile(m_dir / "config", "a file where the folder should be");
    EXPECT_EQ(ReadLanguageId(), 1033);
}

TEST_F(SettingsSandbox, StartWithTheSystemWritesAnAutostartEntry) {
    EXPECT_FALSE(ReadStartWithSystem());
    ASSERT_TRUE(WriteStartWithSystem(true));
    EXPECT_TRUE(ReadStartWithSystem());
    const std::string entry = TestUtil::ReadFile(m_dir / "config/autostart/Key Forge.desktop");
    EXPECT_NE(entry.find("Exec=\"" + (m_dir / "program/keyforge") + "\""), std::string::npos) << entry;
    ASSERT_TRUE(WriteStartWithSystem(false));
    EXPECT_FALSE(ReadStartWithSystem());
    EXPECT_TRUE(WriteStartWithSystem(false)) << "clearing twice is fine";
}

TEST_F(SettingsSandbox, ApplicationNameComesFromConfigXml) {
    WriteFile(m_dir / "program/config.xml", "<config><device.info/><software name=\"Other Name\"/></config>");
    LoadApplicationName();
    EXPECT_EQ(TiluUI::Manager::GetDeviceName(), "Other Name");
    WriteFile(m_dir / "program/config.xml", "<config><software version=\"1\"/></config>");
    LoadApplicationName();
    EXPECT_EQ(TiluUI::Manager::GetDeviceName(), "") << "an absent attribute gives an empty name";
    TiluUI::Manager::SetDeviceName("Key Forge");
    WriteFile(m_dir / "program/config.xml", "<config><software name=\"x\">");
    LoadApplicationName();
    EXPECT_EQ(TiluUI::Manager::GetDeviceName(), "Key Forge") << "a malformed file keeps the default";
}

TEST_F(SettingsSandbox, StartupCreatesTheStoreFolder) {
    RunStartupSteps();
    EXPECT_TRUE(IsFolder(m_dir / "data/Key Forge Files/db"));
}

TEST(IniFile, ReadsLikeThePrivateProfileReader) {
    TempDir dir;
    WriteFile(dir / "a.ini",
              "; comment\r\n[Other]\r\n101=wrong\r\n[kb.dialog]\r\n 101 =  spaced value  \r\n"
              "102=\"quoted\"\r\n103='single'\r\n104=a=b\r\n105=\"unbalanced\r\n106=\r\n");
    const std::string path = dir / "a.ini";
    EXPECT_EQ(ReadIniText("KB.DIALOG", "101", path), "spaced value");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "102", path), "quoted");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "103", path), "single");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "104", path), "a=b");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "105", path), "\"unbalanced");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "106", path), "");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "107", path), "");
    EXPECT_EQ(ReadIniText("Missing", "101", path), "");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "101", dir / "none.ini"), "");
}

TEST(IniFile, ReadsUtf16FilesWithAMark) {
    TempDir dir;
    const std::string text = "[KB.DIALOG]\r\n101=Hi\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char c : text) {
        le += c;
        le += '\0';
        be += '\0';
        be += c;
    }
    WriteFile(dir / "le.lan", le);
    WriteFile(dir / "be.lan", be);
    EXPECT_EQ(ReadIniText("KB.DIALOG", "101", dir / "le.lan"), "Hi");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "101", dir / "be.lan"), "Hi");
}

TEST(IniFile, LongValuesAreCutTo259Characters) {
    TempDir dir;
    std::string latin(300, 'x');
    std::string chinese;
    for (int i = 0; i < 300; ++i) chinese += "\xE4\xB8\xAD";  // 3 bytes each
    WriteFile(dir / "l.lan", "[KB.DIALOG]\n1=" + latin + "\n2=" + chinese + "\n");
    EXPECT_EQ(ReadIniText("KB.DIALOG", "1", dir / "l.lan"), std::string(259, 'x'));
    const std::string cut = ReadIniText("KB.DIALOG", "2", dir / "l.lan");
    EXPECT_EQ(CountCodePoints(cut), 259u);
    EXPECT_EQ(cut.size(), 259u * 3) << "cut at characters, not bytes";
}

TEST(IniFile, WritingKeepsOtherLinesAndSections) {
    TempDir dir;
    const std::string path = dir / "s.ini";
    ASSERT_TRUE(WriteIniText("Settings", "LCID", "1033", path));
    ASSERT_TRUE(WriteIniText("Other", "x", "1", path));
    ASSERT_TRUE(WriteIniText("Settings", "exit_mode", "2", path));
    ASSERT_TRUE(WriteIniText("settings", "lcid", "2052", path));
    EXPECT_EQ(ReadIniText("Settings", "LCID", path), "2052");
    EXPECT_EQ(ReadIniText("Settings", "exit_mode", path), "2");
    EXPECT_EQ(ReadIniText("Other", "x", path), "1");
    EXPECT_EQ(ReadIniText("Other", "exit_mode", path), "");
}

TEST(Locale, MapsLocaleNamesToLanguageIdentifiers) {
    struct Case {
        const char* locale;
        int id;
    } cases[] = {
        {"en_US.UTF-8", 1033}, {"en", 1033},      {"en_GB", 2057},        {"zh_CN.UTF-8", 2052},
        {"zh_TW.UTF-8", 1028}, {"zh_HK", 3076},   {"de_DE.UTF-8@euro", 1031}, {"de_AT", 3079},
        {"fr_FR", 1036},       {"es_ES", 3082},   {"es_MX", 2058},        {"pt_BR.UTF-8", 1046},
        {"pt_PT", 2070},       {"ja_JP.UTF-8", 1041}, {"ko_KR", 1042},    {"ru_RU.KOI8-R", 1049},
        {"de_LU", 1031},       {"C", 1033},       {"POSIX", 1033},        {"C.UTF-8", 1033},
        {"", 1033},            {"xx_YY", 1033},
    };
    for (const Case& c : cases) EXPECT_EQ(LanguageIdFromLocale(c.locale), c.id) << c.locale;
}

TEST(Locale, ReadsLcAllThenLcMessagesThenLang) {
    ScopedEnv lang("LANG", "de_DE.UTF-8");
    ScopedEnv messages("LC_MESSAGES", "ja_JP.UTF-8");
    ScopedEnv all("LC_ALL", std::nullopt);
    EXPECT_EQ(GetUserDefaultUiLanguage(), 1041);
    ScopedEnv all2("LC_ALL", "ko_KR.UTF-8");
    EXPECT_EQ(GetUserDefaultUiLanguage(), 1042);
}

}  // namespace
}  // namespace KeyForge
