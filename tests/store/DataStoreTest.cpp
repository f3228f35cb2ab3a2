// The store's file lifecycle on real files: creation with the full schema (read back
// with the sqlite3 client), reopening, model switches, deleting, default rows, text
// round trips and the quiet failures of a closed store.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/store/DataStore.h"
#include "app/store/Paths.h"
#include "app/store/TextCodec.h"
#include "tests/store/StoreTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::StoreFixture;

class DataStoreFile : public ::testing::Test, public StoreFixture {};

TEST_F(DataStoreFile, NewFileHoldsExactlyTheSchemaAndNoRows) {
    ASSERT_TRUE(IsFile(FileOf("VX9-RGB")));
    EXPECT_EQ(store.GetPath(), m_dir.Path() + "/db/VX9-RGB_data_v1.db");
    // SQLite keeps each CREATE text without its IF NOT EXISTS; sqlite_sequence is its
    // own table for the autoincrement keys.
    const std::string expected =
        "CREATE TABLE t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT, profile INTEGER, key TEXT, "
        "value TEXT);\n"
        "CREATE TABLE sqlite_sequence(name,seq);\n"
        "CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, status INTEGER, "
        "app TEXT, type INTEGER);\n"
        "CREATE INDEX profileindex ON t_profile_data(profile);\n"
        "CREATE TABLE t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, profile INTEGER, fn_layer INTEGER, "
        "key_code INTEGER, layout_value INTEGER, layout_desc TEXT, macro_type INTEGER, macro_value INTEGER, "
        "macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT);\n"
        "CREATE INDEX keyindex ON t_key_macro_data(key_id);\n"
        "CREATE TABLE t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, macro_desc TEXT, param TEXT, "
        "type INTEGER);\n"
        "CREATE INDEX otheridindex ON t_key_otherdata(macro_value);\n"
        "CREATE TABLE t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, play_times INTEGER, "
        "delay_type INTEGER, delay_time INTEGER, link_count INTEGER, name TEXT);\n"
        "CREATE INDEX macroidindex ON t_macro_data(macro_id);\n"
        "CREATE TABLE t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, macro_id INTEGER, type INTEGER, "
        "record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER);\n"
        "CREATE INDEX macrorecordindex ON t_macrorecord(record_id);\n"
        "CREATE TABLE t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, profile INTEGER, name TEXT, "
        "mode INTEGER, brightness INTEGER, speed INTEGER, direction INTEGER, colorful INTEGER, colorindex INTEGER, "
        "color_value INTEGER, config_func INTEGER, reserved INTEGER, status INTEGER);\n"
        "CREATE INDEX lightindex ON t_light_data(light_id);\n"
        "CREATE TABLE t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, profile INTEGER, "
        "light_id INTEGER, key_code INTEGER, key_rgb INTEGER);\n"
        "CREATE INDEX keylightindex ON t_key_light_data(keylight_id);\n"
        "CREATE TABLE t_musiclayer_data(layer_id INTEGER PRIMARY KEY AUTOINCREMENT, profile INTEGER, name TEXT, "
        "deviceindex INTEGER, foremode INTEGER, fore_amplitude INTEGER, backmode INTEGER, backb_right INTEGER, "
        "sel INTEGER);\n"
        "CREATE INDEX musiclayerindex ON t_musiclayer_data(layer_id);\n";
    EXPECT_EQ(Sqlite3("VX9-RGB", ".schema"), expected);
    std::string counts;
    for (const char* table : {"t_configdata", "t_profile_data", "t_key_macro_data", "t_key_otherdata", "t_macro_data",
                              "t_macrorecord", "t_light_data", "t_key_light_data", "t_musiclayer_data"})
        counts += Sqlite3("VX9-RGB", std::string("SELECT count(*) FROM ") + table);
    EXPECT_EQ(counts, "0\n0\n0\n0\n0\n0\n0\n0\n0\n");
    EXPECT_EQ(Sqlite3("VX9-RGB", "PRAGMA journal_mode"), "wal\n");
}

TEST_F(DataStoreFile, ReopeningWhileConnectedKeepsTheConnection) {
    const int id = store.AddProfile({.name = "One"});
    ASSERT_GT(id, 0);
    // The connection remembers its last insert; a replaced one would not.
    EXPECT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
    EXPECT_TRUE(store.IsOpened());
    EXPECT_EQ(store.LastInsertRowId(), id) << "a new connection would report 0";
}

TEST_F(DataStoreFile, ExistingFileIsOpenedWithoutCreatingTables) {
    store.CloseStore();
    EXPECT_FALSE(store.IsOpened());
    const std::string old = "Old";
    TestUtil::RunProcess({"/usr/bin/sqlite3", FileOf(old),
                          "CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, "
                          "status INTEGER, app TEXT, type INTEGER)"});
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), old));
    EXPECT_EQ(Sqlite3(old, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 't_%'"), "1\n");
    EXPECT_GT(store.AddProfile({.name = "Works"}), 0);
    std::vector<MacroInfo> macros(1);
    EXPECT_EQ(store.AddMacro("Missing table"), 0);
    EXPECT_EQ(store.GetMacros(macros), 0);
    EXPECT_TRUE(macros.empty());
    EXPECT_FALSE(store.DeleteMacroSteps(1));
    EXPECT_EQ(store.SaveKeyFunction({.key_code = 4, .macro_type = 2, .macro_value = 5}), 0);
}

TEST_F(DataStoreFile, ModelsUseTheirOwnFiles) {
    ASSERT_GT(store.AddProfile({.name = "Nine"}), 0);
    // Switching without closing first still lands on the other model's file.
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "K2 Pro"));
    EXPECT_EQ(store.GetPath(), FileOf("K2 Pro"));
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store.GetProfiles(profiles), 0);
    ASSERT_GT(store.AddProfile({.name = "Two"}), 0);
    store.CloseStore();
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
    ASSERT_EQ(store.GetProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "Nine");
    EXPECT_EQ(Sqlite3("K2 Pro", "SELECT name FROM t_profile_data"), "Two\n");
}

TEST_F(DataStoreFile, FactoryResetGivesAnEmptyFileAndLeavesOtherModels) {
    ASSERT_GT(store.AddProfile({.name = "Mine"}), 0);
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "Other"));
    ASSERT_GT(store.AddProfile({.name = "Theirs"}), 0);
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
    ASSERT_TRUE(IsFile(FileOf("VX9-RGB") + "-wal"));

    // Deleting the file the store is connected to closes the connection first.
    store.DeleteDeviceStore(DataFolder(), "VX9-RGB");
    EXPECT_FALSE(store.IsOpen());
    for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_FALSE(IsFile(FileOf("VX9-RGB") + suffix)) << suffix;
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store.GetProfiles(profiles), 0);
    EXPECT_EQ(Sqlite3("Other", "SELECT name FROM t_profile_data"), "Theirs\n");
}

TEST_F(DataStoreFile, DefaultConfigRows) {
    store.InsertDefaultConfig();
    EXPECT_EQ(Sqlite3("VX9-RGB", "SELECT profile, key, value FROM t_configdata ORDER BY config_id"),
              "1|version|1.0.1\n1|keyboard_layout|1\n1|fn_layer|0\n1|lightmode|1\n1|sleep_light|1\n"
              "1|userlight|0\n1|customlight_run|0\n1|gamemode|0\n1|disable_alttab|0\n1|disable_altf4|0\n"
              "1|disable_win|0\n");
}

TEST_F(DataStoreFile, OpenFailuresLeaveTheStoreClosed) {
    struct Case {
        std::string folder, model;
    } cases[] = {
        {DataFolder() + "nowhere/", "VX9-RGB"},  // no db folder: the store never creates folders
        {DataFolder(), ""},
        {DataFolder(), "../escape"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(store.OpenDeviceStore(c.folder, c.model)) << c.model;
        EXPECT_FALSE(store.IsOpened());
        EXPECT_FALSE(store.IsOpen());
        EXPECT_EQ(store.AddProfile({.name = "x"}), 0);
    }
    EXPECT_FALSE(IsFile(m_dir / "escape_data_v1.db"));
}

TEST_F(DataStoreFile, TextsKeepEveryCharacter) {
    const std::string name = "Профиль 游戏 \xF0\x9F\x8E\xAE \"'; DROP TABLE t_profile_data; --";
    const int id = store.AddProfile({.name = name, .app = "C:\\Games\\\xC3\xA9t\xC3\xA9.exe"});
    std::string read;
    ASSERT_TRUE(store.GetProfileName(id, read));
    EXPECT_EQ(read, name);
    std::vector<ProfileRecord> profiles;
    ASSERT_EQ(store.GetProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].app, "C:\\Games\\\xC3\xA9t\xC3\xA9.exe");
    std::string hex;
    for (unsigned char c : name) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
    EXPECT_EQ(Sqlite3("VX9-RGB", "SELECT hex(name), length(name) FROM t_profile_data"),
              hex + "|" + std::to_string(CountCodePoints(name)) + "\n")
        << "stored as UTF-8, counted in characters";
}

// Every operation on a store that never opened fails with its failure value.
TEST(DataStoreClosed, EveryOperationFailsQuietly) {
    DataStore store;
    std::string text = "kept";
    int number = 77;
    ProfileRecord profile{.name = "p"};
    KeyFunctionRecord key{.key_code = 4, .macro_type = 2, .macro_value = 5};
    LightRecord light{.mode = 1};
    MusicLayerRecord layer;
    MacroInfo macro{.macro_id = 9};
    std::vector<ProfileRecord> profiles(2);
    std::vector<KeyFunctionRecord> keys(2);
    std::vector<LightRecord> lights(2);
    std::vector<KeyLightRecord> keyLights(2);
    std::vector<MacroInfo> macros(2);
    std::vector<MacroStep> steps(2);

    const std::pair<const char*, std::function<int()>> zeroes[] = {
        {"AddProfile", [&] { return store.AddProfile(profile); }},
        {"DeleteProfile", [&] { return int(store.DeleteProfile(1)); }},
        {"RenameProfile", [&] { return int(store.RenameProfile(1, "x")); }},
        {"GetProfileName", [&] { return int(store.GetProfileName(1, text)); }},
        {"GetProfiles", [&] { return store.GetProfiles(profiles) + int(profiles.size()); }},
        {"SetActiveProfile", [&] { return int(store.SetActiveProfile(1)); }},
        {"GetActiveProfile", [&] { return store.GetActiveProfile(); }},
        {"GetMusicLayerCount", [&] { return store.GetMusicLayerCount(); }},
        {"AddMusicLayer", [&] { return store.AddMusicLayer("m", 1); }},
        {"GetMusicLayer", [&] { return int(store.GetMusicLayer(1, layer)); }},
        {"UpdateMusicLayer", [&] { return int(store.UpdateMusicLayer(layer)); }},
        {"SelectMusicLayer", [&] { return int(store.SelectMusicLayer()); }},
        {"GetSelectedMusicLayer", [&] { return store.GetSelectedMusicLayer(); }},
        {"SaveKeyFunction", [&] { return store.SaveKeyFunction(key); }},
        {"GetKeyFunction", [&] { return int(store.GetKeyFunction(1, 0, 4, key)); }},
        {"GetKeyFunctions", [&] { return store.GetKeyFunctions(1, 0, keys) + int(keys.size()); }},
        {"AddKeyOtherData", [&] { return store.AddKeyOtherData("d", "p", 1); }},
        {"GetLightCount", [&] { return store.GetLightCount(1); }},
        {"AddLight", [&] { return store.AddLight(light); }},
        {"UpdateLight", [&] { return int(store.UpdateLight(1, 1, light)); }},
        {"SetActiveLight", [&] { return int(store.SetActiveLight(1, 1)); }},
        {"GetActiveLightMode", [&] { return store.GetActiveLightMode(1); }},
        {"GetLight", [&] { return int(store.GetLight(1, 1, light)); }},
        {"GetLights", [&] { return store.GetLights(1, lights) + int(lights.size()); }},
        {"AddKeyLights", [&] { return store.AddKeyLights({{}, {}}); }},
        {"DeleteKeyLights", [&] { return int(store.DeleteKeyLights()); }},
        {"GetKeyLights", [&] { return store.GetKeyLights(128, keyLights) + int(keyLights.size()); }},
        {"AddMacro", [&] { return store.AddMacro("m"); }},
        {"InsertMacro", [&] { return store.InsertMacro(macro); }},
        {"RenameMacro", [&] { return int(store.RenameMacro(1, "x")); }},
        {"UpdateMacroPlayback", [&] { return int(store.UpdateMacroPlayback(macro)); }},
        {"DeleteMacro", [&] { return int(store.DeleteMacro(1)); }},
        {"GetMacroPlayTimes", [&] { return int(store.GetMacroPlayTimes(1, number)); }},
        {"GetMacro", [&] { return int(store.GetMacro(1, macro)); }},
        {"GetMacros", [&] { return store.GetMacros(macros) + int(macros.size()); }},
        {"AddMacroStep", [&] { return store.AddMacroStep({}); }},
        {"AddMacroSteps", [&] { return store.AddMacroSteps({{}, {}}); }},
        {"GetMacroSteps", [&] { return store.GetMacroSteps(1, steps) + int(steps.size()); }},
        {"DeleteMacroSteps", [&] { return int(store.DeleteMacroSteps(1)); }},
        {"CountMacroActions", [&] { return store.CountMacroActions(1); }},
    };
    for (const auto& [name, run] : zeroes) EXPECT_EQ(run(), 0) << name;
    store.DeleteKeyFunctions(1);
    store.InsertDefaultConfig();
    EXPECT_EQ(text, "") << "GetProfileName empties its output";
    std::string desc = "d", param = "p";
    int type = 3;
    EXPECT_TRUE(store.GetKeyOtherData(1, desc, param, type));
    EXPECT_EQ(desc + param + std::to_string(type), "dp3");
    EXPECT_EQ(number, 77);
    EXPECT_EQ(macro.macro_id, 9);
    EXPECT_EQ(key.macro_value, 5);
    EXPECT_FALSE(store.CreateTables()) << "no path yet";
}

}  // namespace
}  // namespace KeyForge
