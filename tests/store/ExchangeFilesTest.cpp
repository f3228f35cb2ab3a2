// Profile and macro exchange files against real store files in a temporary folder.
#include "app/store/ExchangeFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/store/DataStore.h"
#include "app/store/SQLiteDB.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ReadFile;
using TestUtil::TempDir;
using TestUtil::WriteFile;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

class ExchangeFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_dir / "data/db");
        ASSERT_TRUE(m_store.OpenDeviceStore(m_dir / "data/", "Board"));
    }

    // Opens a second, empty store ("another PC").
    void OpenOther(DataStore& other) { ASSERT_TRUE(other.OpenDeviceStore(m_dir / "data/", "Other")); }

    int AddMacro(DataStore& store, const std::string& name, std::vector<int> values) {
        const int id = store.AddMacro(name);
        for (std::size_t i = 0; i < values.size(); ++i) {
            MacroStep step;
            step.macro_id = id;
            step.type = i % 2 == 0 ? 2 : 3;
            step.record_index = static_cast<int>(i);
            step.value = values[i];
            step.delay_time = 10 * static_cast<int>(i);
            step.desc = "step <" + std::to_string(i) + "> & \"q\"";
            store.AddMacroStep(step);
        }
        return id;
    }

    void SaveKey(DataStore& store, int profile, int layer, int code, int type, int value, std::string desc = {}) {
        KeyFunctionRecord key;
        key.profile = profile;
        key.fn_layer = layer;
        key.key_code = code;
        key.layout_value = code;
        key.layout_desc = "layout " + std::to_string(code);
        key.macro_type = type;
        key.macro_value = value;
        key.macro_desc = std::move(desc);
        store.SaveKeyFunction(key);
    }

    ExportResult Export(DataStore& store, int profile, const std::string& file) {
        FixedPathDialog dialog(m_dir / file);
        return ExportProfile(store, ExchangeSelection{"Gaming <1> & \"more\"", profile}, dialog);
    }

    ImportResult Import(DataStore& store, const std::string& file) {
        FixedPathDialog dialog(m_dir / file);
        return ImportProfile(store, dialog);
    }

    // Everything a rejected import must leave alone.
    struct Counts {
        std::size_t profiles, macros, steps;
        bool operator==(const Counts&) const = default;
    };
    Counts CountRows(DataStore& store) {
        std::vector<ProfileRecord> profiles;
        std::vector<MacroInfo> macros;
        store.GetProfiles(profiles);
        store.GetMacros(macros);
        std::size_t steps = 0;
        for (const MacroInfo& m : macros) {
            std::vector<MacroStep> s;
            steps += static_cast<std::size_t>(store.GetMacroSteps(m.macro_id, s));
        }
        return {profiles.size(), macros.size(), steps};
    }

    TempDir m_dir;
    DataStore m_store;
};

TEST_F(ExchangeFiles, ProfileRoundTripToAnotherStoreKeepsEverything) {
    const int profile = m_store.AddProfile(ProfileRecord{0, "Gaming", "", 0, 0});
    const int shared = AddMacro(m_store, "Combo <&>", {4, 4, 5, 5});
    SaveKey(m_store, profile, 0, 0x04, 2, 0x05, "to B & \"quoted\" <tag>");
    SaveKey(m_store, profile, 0, 0x3A, kKeyTypeMacro, shared);
    SaveKey(m_store, profile, 0, 0x3B, kKeyTypeMacro, shared);  // the same macro on a second key
    SaveKey(m_store, profile, 1, 0x06, 2, 0x07);                // Fn layer: not exported

    ASSERT_TRUE(Export(m_store, profile, "Work.Copy.xml").Succeeded());
    const std::string bytes = ReadFile(m_dir / "Work.Copy.xml");
    EXPECT_EQ(bytes.rfind(kDeclaration, 0), 0u);
    EXPECT_EQ(TestUtil::RunProcess({"/usr/bin/xmllint", "--noout", m_dir / "Work.Copy.xml"}).exitCode, 0);

    DataStore other;
    OpenOther(other);
    const ImportResult imported = Import(other, "Work.Copy.xml");
    ASSERT_EQ(imported.status, ImportStatus::Imported);
    ASSERT_TRUE(imported.profile);
    EXPECT_EQ(imported.profile->name, "Work") << "named after the file up to its first dot";
    EXPECT_EQ(other.GetActiveProfile(), imported.profile->id);

    // The macro bound to two keys was written twice, so it is inserted twice and the
    // keys play the second copy.
    ASSERT_EQ(imported.macros.size(), 2u);
    const int secondCopy = imported.macros[1].id;
    std::vector<KeyFunctionRecord> keys;
    ASSERT_EQ(other.GetKeyFunctions(imported.profile->id, 0, keys), 3);
    for (const KeyFunctionRecord& key : keys) {
        if (key.key_code == 0x04) {
            EXPECT_EQ(key.macro_desc, "to B & \"quoted\" <tag>");
            EXPECT_EQ(key.layout_desc, "layout 4");
        } else {
            EXPECT_EQ(key.macro_type, kKeyTypeMacro);
            EXPECT_EQ(key.macro_value, secondCopy) << key.key_code;
        }
    }
    EXPECT_EQ(other.GetKeyFunctions(imported.profile->id, 1, keys), 0);

    MacroInfo info;
    ASSERT_TRUE(other.GetMacro(secondCopy, info));
    EXPECT_EQ(info.name, "Combo <&>");
    std::vector<MacroStep> steps;
    ASSERT_EQ(other.GetMacroSteps(secondCopy, steps), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(steps[i].record_index, i);
        EXPECT_EQ(steps[i].desc, "step <" + std::to_string(i) + "> & \"q\"");
        EXPECT_EQ(steps[i].delay_time, 10 * i);
    }
}

TEST_F(ExchangeFiles, ImportIntoTheSameStoreDoesNotDuplicateItsMacros) {
    const int profile = m_store.AddProfile(ProfileRecord{0, "P", "", 0, 0});
    const int macro = AddMacro(m_store, "Mine", {4, 4});
    SaveKey(m_store, profile, 0, 0x3A, kKeyTypeMacro, macro);
    ASSERT_TRUE(Export(m_store, profile, "p.xml").Succeeded());

    const Counts before = CountRows(m_store);
    const ImportResult imported = Import(m_store, "p.xml");
    ASSERT_EQ(imported.status, ImportStatus::Imported);
    EXPECT_TRUE(imported.macros.empty());
    const Counts after = CountRows(m_store);
    EXPECT_EQ(after.macros, before.macros);
    EXPECT_EQ(after.profiles, before.profiles + 1);
    KeyFunctionRecord key;
    ASSERT_TRUE(m_store.GetKeyFunction(imported.profile->id, 0, 0x3A, key));
    EXPECT_EQ(key.macro_value, macro) << "still bound to the stored macro";

    // Once the stored macro is renamed, the file's macro is new again and gets a new id.
    m_store.RenameMacro(macro, "Renamed");
    const ImportResult again = Import(m_store, "p.xml");
    ASSERT_EQ(again.macros.size(), 1u);
    ASSERT_TRUE(m_store.GetKeyFunction(again.profile->id, 0, 0x3A, key));
    EXPECT_EQ(key.macro_value, again.macros[0].id);
}

TEST_F(ExchangeFiles, AProfileWithoutMacrosHoldsProfileinfoAndKeyitemsOnly) {
    const int profile = m_store.AddProfile(ProfileRecord{0, "Plain", "", 0, 0});
    SaveKey(m_store, profile, 0, 0x04, 2, 0x05);
    ASSERT_TRUE(Export(m_store, profile, "plain.xml").Succeeded());
    const std::string bytes = ReadFile(m_dir / "plain.xml");
    EXPECT_NE(bytes.find("<profileinfo name=\"Gaming &lt;1&gt; &amp; &quot;more&quot;\"/>"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("<item fn_layer=\"0\" key_code=\"4\" layout_value=\"4\" layout_desc=\"layout 4\" "
                         "macro_type=\"2\" macro_value=\"5\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"\"/>"),
              std::string::npos)
        << "attributes in their order";
    EXPECT_EQ(bytes.find("macroinfo"), std::string::npos);
}

TEST_F(ExchangeFiles, MacroFilesRoundTripUnderTheFileName) {
    const int macro = AddMacro(m_store, "Stored name", {4, 4, 9, 9});
    MacroInfo playback{macro, "Stored name", 0, 3, 3, 25};
    m_store.UpdateMacroPlayback(playback);
    FixedPathDialog exportDialog(m_dir / "Fast.combo.xml");
    ASSERT_TRUE(ExportMacro(m_store, ExchangeSelection{"Stored name", macro}, exportDialog).Succeeded());
    EXPECT_EQ(ReadFile(m_dir / "Fast.combo.xml").find("macro_id"), std::string::npos);

    FixedPathDialog importDialog(m_dir / "Fast.combo.xml");
    const ImportResult imported = ImportMacro(m_store, importDialog);
    ASSERT_EQ(imported.status, ImportStatus::Imported);
    ASSERT_EQ(imported.macros.size(), 1u);
    EXPECT_NE(imported.macros[0].id, macro);
    EXPECT_EQ(imported.macros[0].name, "Fast");
    MacroInfo info;
    ASSERT_TRUE(m_store.GetMacro(imported.macros[0].id, info));
    EXPECT_EQ(info.name, "Fast");
    EXPECT_EQ(info.play_times, 3);
    EXPECT_EQ(info.delay_type, 3);
    EXPECT_EQ(info.delay_time, 25);
    std::vector<MacroStep> steps;
    EXPECT_EQ(m_store.GetMacroSteps(imported.macros[0].id, steps), 4);
}

TEST_F(ExchangeFiles, AMacroFileWithoutItemsGivesAnEmptyMacro) {
    WriteFile(m_dir / "empty.xml", std::string(kDeclaration) + "<macro><macroinfo name=\"x\" times=\"2\"/></macro>");
    FixedPathDialog dialog(m_dir / "empty.xml");
    const ImportResult imported = ImportMacro(m_store, dialog);
    ASSERT_EQ(imported.status, ImportStatus::Imported);
    std::vector<MacroStep> steps;
    EXPECT_EQ(m_store.GetMacroSteps(imported.macros[0].id, steps), 0);
}

TEST_F(ExchangeFiles, NothingSelectedCancelledAndMissingFiles) {
    FixedPathDialog dialog(m_dir / "x.xml");
    EXPECT_EQ(ExportProfile(m_store, std::nullopt, dialog).status, ExportStatus::NothingSelected);
    EXPECT_EQ(ExportMacro(m_store, std::nullopt, dialog).status, ExportStatus::NothingSelected);
    EXPECT_FALSE(dialog.LastRequest()) << "no dialog without a selection";

    FixedPathDialog cancelled(std::nullopt);
    EXPECT_EQ(ExportProfile(m_store, ExchangeSelection{"a", 1}, cancelled).status, ExportStatus::Cancelled);
    EXPECT_EQ(ImportProfile(m_store, cancelled).status, ImportStatus::Cancelled);
    ASSERT_TRUE(cancelled.LastRequest());
    EXPECT_EQ(cancelled.LastRequest()->filterDescription, "Custom Key (*.xml)");

    const ImportResult missing = ImportMacro(m_store, dialog);
    EXPECT_EQ(missing.status, ImportStatus::Missing);
    EXPECT_FALSE(missing.FileExisted());

    FixedPathDialog readOnly(m_dir / "no/such/folder/p.xml");
    EXPECT_EQ(ExportProfile(m_store, ExchangeSelection{"a", 1}, readOnly).status, ExportStatus::WriteFailed);
}

TEST_F(ExchangeFiles, FilesThatAreNotProfileFilesChangeNothing) {
    const std::string item = "<item fn_layer=\"0\" key_code=\"4\" macro_type=\"2\" macro_value=\"5\"/>";
    std::string manyKeys, deep, manySteps;
    for (int i = 0; i < 1001; ++i) manyKeys += item;
    for (int i = 0; i < 200000; ++i) deep += "<keyitems>";
    for (int i = 0; i < 200000; ++i) deep += "</keyitems>";
    for (int i = 0; i < 10001; ++i) manySteps += "<item type=\"2\" value=\"4\"/>";
    const std::string macro = "<macroinfo name=\"m\" macro_id=\"77\"><macroitems><item type=\"2\" value=\"4\"/>"
                              "</macroitems></macroinfo>";
    struct Case {
        const char* label;
        std::string text;
        ExchangeReadError error;
    } cases[] = {
        {"empty", "", ExchangeReadError::Malformed},
        {"truncated", std::string(kDeclaration) + "<profile>" + macro + "<keyitems>" + item,
         ExchangeReadError::Malformed},
        {"macro file", "<macro><macroinfo name=\"m\"/></macro>", ExchangeReadError::WrongFormat},
        {"other root", "<Profile>" + macro + "</Profile>", ExchangeReadError::WrongFormat},
        {"1001 keys", "<profile><keyitems>" + manyKeys + "</keyitems></profile>", ExchangeReadError::TooLarge},
        {"200000 deep", "<profile>" + macro + deep + "</profile>", ExchangeReadError::TooLarge},
        {"10001 steps", "<profile><macroinfo name=\"m\"><macroitems>" + manySteps + "</macroitems></macroinfo></profile>",
         ExchangeReadError::TooLarge},
        {"utf-16 junk", "\xFF\xFE<\0p\0", ExchangeReadError::Malformed},
    };
    const Counts before = CountRows(m_store);
    for (const Case& c : cases) {
        WriteFile(m_dir / "bad.xml", c.text);
        const ImportResult r = Import(m_store, "bad.xml");
        EXPECT_EQ(r.status, ImportStatus::Rejected) << c.label;
        EXPECT_EQ(r.error, c.error) << c.label;
        EXPECT_TRUE(r.FileExisted()) << c.label;
        EXPECT_EQ(CountRows(m_store), before) << c.label;
    }

    // A 50 MB file is refused before it is read.
    {
        std::ofstream big(m_dir / "big.xml", std::ios::binary);
        big << "<profile><keyitems>";
        const std::string chunk(1 << 20, ' ');
        for (int i = 0; i < 50; ++i) big << chunk;
        big << "</keyitems></profile>";
    }
    EXPECT_EQ(Import(m_store, "big.xml").error, ExchangeReadError::TooLarge);
    EXPECT_EQ(CountRows(m_store), before);
}

TEST_F(ExchangeFiles, AStoreFailureHalfWayRollsTheWholeImportBack) {
    const int profile = m_store.AddProfile(ProfileRecord{0, "P", "", 0, 0});
    SaveKey(m_store, profile, 0, 0x3A, kKeyTypeMacro, AddMacro(m_store, "M", {4, 4}));
    ASSERT_TRUE(Export(m_store, profile, "p.xml").Succeeded());

    DataStore other;
    OpenOther(other);
    ASSERT_EQ(other.Execute("DROP TABLE t_profile_data"), kSqliteOk);  // the macro insert works, the profile's fails
    const ImportResult r = Import(other, "p.xml");
    EXPECT_EQ(r.status, ImportStatus::Rejected);
    EXPECT_EQ(r.error, ExchangeReadError::None) << "rejected by the store, not the file";
    std::vector<MacroInfo> macros;
    EXPECT_EQ(other.GetMacros(macros), 0) << "the macro inserted first was rolled back";
}

TEST(FileDialogRules, SaveNamesWithoutExtensionGetXml) {
    const FileDialogRequest save = ExportProfileDialog();
    EXPECT_TRUE(save.save);
    EXPECT_TRUE(save.confirmOverwrite);
    EXPECT_EQ(save.filterDescription, "Profile (*.xml)");
    EXPECT_EQ(ExportMacroDialog().filterDescription, "Macro (*.xml)");
    EXPECT_EQ(ImportMacroDialog().filterDescription, "Macros (*.xml)");
    EXPECT_FALSE(ImportMacroDialog().confirmOverwrite);
    struct Case {
        const char* typed;
        const char* written;
    } cases[] = {{"/home/u/keys", "/home/u/keys.xml"},
                 {"/home/u/keys.xml", "/home/u/keys.xml"},
                 {"/home/u/keys.txt", "/home/u/keys.txt"},
                 {"/home/u.d/keys", "/home/u.d/keys.xml"}};
    for (const Case& c : cases) EXPECT_EQ(ApplyDefaultExtension(c.typed, save), c.written) << c.typed;
    EXPECT_EQ(ApplyDefaultExtension("/x/keys", ImportProfileDialog()), "/x/keys") << "open dialogs keep names";
}

TEST(ImportNames, FileNameUpToTheFirstDot) {
    EXPECT_EQ(NameFromImportPath("/a/b.c/Work.Copy.xml"), "Work");
    EXPECT_EQ(NameFromImportPath("Plain"), "Plain");
    EXPECT_EQ(NameFromImportPath("/x/\xE4\xB8\xAD.xml"), "\xE4\xB8\xAD");
}

}  // namespace
}  // namespace KeyForge
