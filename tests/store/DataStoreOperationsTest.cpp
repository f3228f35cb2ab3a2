// The store operations on a real file: what each writes and returns, and the edge
// cases the pages rely on (cleared keys, cascading macro deletion, active marks).
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/store/DataStore.h"
#include "tests/store/StoreTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::StoreFixture;

class StoreOperations : public ::testing::Test, public StoreFixture {
protected:
    std::string Rows(const std::string& sql) { return Sqlite3("VX9-RGB", sql); }
};

KeyFunctionRecord Key(int profile, int layer, int code, int type, int value, int value2 = 0) {
    return {.profile = profile, .fn_layer = layer, .key_code = code, .macro_type = type, .macro_value = value,
            .macro_value2 = value2};
}

// ---- Key functions

TEST_F(StoreOperations, SaveKeyFunctionStoresEveryFieldUnchanged) {
    const KeyFunctionRecord in{.profile = 2, .fn_layer = 1, .key_code = 0x29, .layout_value = INT_MIN,
                               .layout_desc = "Esc \xE9\x94\xAE", .macro_type = 12, .macro_value = INT_MAX,
                               .macro_value2 = -1, .macro_value3 = 0x1234, .macro_desc = "Mute"};
    const int id = store.SaveKeyFunction(in);
    ASSERT_GT(id, 0);
    KeyFunctionRecord out;
    ASSERT_TRUE(store.GetKeyFunction(2, 1, 0x29, out));
    EXPECT_EQ(out.key_id, id);
    EXPECT_EQ(std::tie(out.profile, out.fn_layer, out.key_code, out.layout_value, out.layout_desc, out.macro_type,
                       out.macro_value, out.macro_value2, out.macro_value3, out.macro_desc),
              std::tie(in.profile, in.fn_layer, in.key_code, in.layout_value, in.layout_desc, in.macro_type,
                       in.macro_value, in.macro_value2, in.macro_value3, in.macro_desc));
}

TEST_F(StoreOperations, SaveKeyFunctionReplacesClearsAndIgnoresKeyZero) {
    const int first = store.SaveKeyFunction(Key(1, 0, 4, 2, 5));
    const int second = store.SaveKeyFunction(Key(1, 0, 4, 2, 6));
    EXPECT_GT(second, first) << "saving again makes a new row";
    EXPECT_EQ(Rows("SELECT key_id, macro_value FROM t_key_macro_data"), std::to_string(second) + "|6\n");

    EXPECT_EQ(store.SaveKeyFunction(Key(1, 0, 0, 2, 7)), 0) << "key code 0 is no key";
    EXPECT_EQ(Rows("SELECT count(*) FROM t_key_macro_data"), "1\n");

    // macro_value2 alone keeps the row; both values 0 clears the key to its default.
    EXPECT_GT(store.SaveKeyFunction(Key(1, 0, 4, 2, 0, 3)), 0);
    EXPECT_EQ(store.SaveKeyFunction(Key(1, 0, 4, 1, 0, 0)), 0);
    KeyFunctionRecord out{.macro_desc = "untouched"};
    EXPECT_FALSE(store.GetKeyFunction(1, 0, 4, out));
    EXPECT_EQ(out.macro_desc, "untouched");
    EXPECT_EQ(Rows("SELECT count(*) FROM t_key_macro_data"), "0\n");
}

TEST_F(StoreOperations, KeyFunctionsBelongToProfileAndLayer) {
    store.SaveKeyFunction(Key(1, 0, 4, 2, 5));
    store.SaveKeyFunction(Key(1, 0, 5, 2, 6));
    store.SaveKeyFunction(Key(1, 1, 4, 2, 7));
    store.SaveKeyFunction(Key(2, 0, 4, 2, 8));
    std::vector<KeyFunctionRecord> keys(5);
    ASSERT_EQ(store.GetKeyFunctions(1, 0, keys), 2) << "the list is emptied first";
    EXPECT_EQ(keys[0].macro_value + keys[1].macro_value, 11);
    ASSERT_EQ(store.GetKeyFunctions(1, 1, keys), 1);
    EXPECT_EQ(keys[0].macro_value, 7);

    store.DeleteKeyFunctions(1);
    EXPECT_EQ(store.GetKeyFunctions(1, 0, keys) + store.GetKeyFunctions(1, 1, keys), 0) << "all layers";
    ASSERT_EQ(store.GetKeyFunctions(2, 0, keys), 1) << "other profiles stay";
}

TEST_F(StoreOperations, KeyOtherData) {
    const int id = store.AddKeyOtherData("Open site", "https://example.org/?a=1&b=\xC3\xBC", 2);
    ASSERT_GT(id, 0);
    std::string desc, param;
    int type = 0;
    EXPECT_TRUE(store.GetKeyOtherData(id, desc, param, type));
    EXPECT_EQ(desc, "Open site");
    EXPECT_EQ(param, "https://example.org/?a=1&b=\xC3\xBC");
    EXPECT_EQ(type, 2);
    std::string d = "d", p = "p";
    int t = 9;
    EXPECT_TRUE(store.GetKeyOtherData(id + 1, d, p, t)) << "a missing row still reports true";
    EXPECT_EQ(d + p + std::to_string(t), "dp9");
}

// ---- Profiles

TEST_F(StoreOperations, ProfilesAndTheActiveMark) {
    const int a = store.AddProfile({.name = "A", .app = "game", .type = 5, .status = 1});
    const int b = store.AddProfile({.name = "B"});
    const int c = store.AddProfile({.name = "C"});
    ASSERT_GT(a, 0);
    EXPECT_EQ(Rows("SELECT * FROM t_profile_data WHERE profile = " + std::to_string(a)),
              std::to_string(a) + "|A|0|game|0\n")
        << "status and type are always 0 when added";
    EXPECT_EQ(store.GetActiveProfile(), 0);

    EXPECT_TRUE(store.SetActiveProfile(b));
    EXPECT_TRUE(store.SetActiveProfile(c));
    EXPECT_EQ(store.GetActiveProfile(), c);
    EXPECT_EQ(Rows("SELECT count(*) FROM t_profile_data WHERE status = 1"), "1\n");
    EXPECT_TRUE(store.SetActiveProfile(999)) << "the update itself succeeds";
    EXPECT_EQ(store.GetActiveProfile(), 0) << "no profile is active afterwards";

    EXPECT_TRUE(store.RenameProfile(b, "Bee"));
    std::string name = "stale";
    ASSERT_TRUE(store.GetProfileName(b, name));
    EXPECT_EQ(name, "Bee");
    EXPECT_FALSE(store.GetProfileName(999, name));
    EXPECT_EQ(name, "");

    store.SaveKeyFunction(Key(a, 0, 4, 2, 5));
    EXPECT_TRUE(store.DeleteProfile(a));
    std::vector<ProfileRecord> profiles;
    ASSERT_EQ(store.GetProfiles(profiles), 2);
    EXPECT_EQ(profiles[0].profile, b);
    EXPECT_EQ(profiles[0].name, "Bee");
    EXPECT_EQ(profiles[1].name, "C");
    EXPECT_EQ(Rows("SELECT count(*) FROM t_key_macro_data"), "1\n") << "only the profile row goes";
}

// ---- Music-light layer

TEST_F(StoreOperations, MusicLayerIsAlwaysProfileOneLayerOne) {
    EXPECT_EQ(store.GetMusicLayerCount(), 0);
    EXPECT_EQ(store.GetSelectedMusicLayer(), 0);
    const int layer = store.AddMusicLayer("Music", 3);
    ASSERT_EQ(layer, 1);
    ASSERT_EQ(store.AddMusicLayer("Second", 4), 2);
    EXPECT_EQ(store.GetMusicLayerCount(), 2);
    MusicLayerRecord r;
    ASSERT_TRUE(store.GetMusicLayer(1, r));
    EXPECT_EQ(std::tie(r.layer_id, r.profile, r.name, r.deviceindex, r.foremode, r.fore_amplitude, r.backmode,
                       r.backb_right),
              std::make_tuple(1, 1, std::string("Music"), 0, 3, 300, 0, 100));
    EXPECT_EQ(Rows("SELECT sel FROM t_musiclayer_data"), "0\n0\n");

    // The update goes to layer 1 whatever layer the record names.
    const MusicLayerRecord update{.layer_id = 2, .profile = 7, .name = "ignored", .deviceindex = 2,
                                  .foremode = 5, .fore_amplitude = 150, .backmode = 1, .backb_right = 40};
    EXPECT_TRUE(store.UpdateMusicLayer(update));
    EXPECT_EQ(Rows("SELECT * FROM t_musiclayer_data"), "1|1|Music|2|5|150|1|40|0\n2|1|Second|0|4|300|0|100|0\n");
    EXPECT_TRUE(store.SelectMusicLayer());
    EXPECT_EQ(store.GetSelectedMusicLayer(), 1);
    EXPECT_FALSE(store.GetMusicLayer(3, r));
}

// ---- Lighting

TEST_F(StoreOperations, LightsAndTheActiveMode) {
    auto light = [](int profile, int mode) {
        return LightRecord{.profile = profile, .name = "Mode " + std::to_string(mode), .mode = mode,
                           .brightness = 4, .speed = 2, .direction = 1, .colorful = 1, .colorindex = 3,
                           .color_value = 0x00FF8000, .config_func = 0x0200, .reserved = 7, .status = 0};
    };
    for (int profile : {1, 2})
        for (int mode : {1, 2, 128}) ASSERT_GT(store.AddLight(light(profile, mode)), 0);
    EXPECT_EQ(store.GetLightCount(1), 3);
    EXPECT_EQ(store.GetLightCount(3), 0);
    EXPECT_EQ(store.GetActiveLightMode(1), 0);

    EXPECT_TRUE(store.SetActiveLight(2, 128));
    EXPECT_TRUE(store.SetActiveLight(1, 2));
    EXPECT_EQ(store.GetActiveLightMode(1), 2);
    EXPECT_EQ(store.GetActiveLightMode(2), 0) << "every profile's mark is cleared";
    EXPECT_EQ(Rows("SELECT count(*) FROM t_light_data WHERE status = 1"), "1\n");

    LightRecord changed = light(9, 9);
    changed.brightness = 1;
    changed.speed = 0;
    changed.color_value = 0x0000FF;
    changed.name = "not stored";
    changed.status = 0;
    EXPECT_TRUE(store.UpdateLight(1, 2, changed));
    LightRecord out;
    ASSERT_TRUE(store.GetLight(1, 2, out));
    EXPECT_EQ(std::tie(out.profile, out.mode, out.name, out.brightness, out.speed, out.color_value, out.status),
              std::make_tuple(1, 2, std::string("Mode 2"), 1, 0, 0x0000FF, 1));
    ASSERT_TRUE(store.GetLight(1, 1, out));
    EXPECT_EQ(out.brightness, 4) << "other rows keep their settings";
    EXPECT_FALSE(store.GetLight(1, 5, out));

    std::vector<LightRecord> lights(9);
    ASSERT_EQ(store.GetLights(2, lights), 3);
    EXPECT_EQ(lights[2].mode, 128);
    EXPECT_EQ(lights[2].config_func, 0x0200);
    EXPECT_EQ(lights[2].reserved, 7);
}

TEST_F(StoreOperations, PerKeyColours) {
    std::vector<KeyLightRecord> colours;
    for (int code = 4; code < 8; ++code) colours.push_back({.profile = code % 2 + 1, .light_id = 128,
                                                            .key_code = code, .key_rgb = 0x010203 * code});
    colours.push_back({.profile = 1, .light_id = 5, .key_code = 9, .key_rgb = 1});
    EXPECT_EQ(store.AddKeyLights(colours), 5);
    std::vector<KeyLightRecord> out(1);
    ASSERT_EQ(store.GetKeyLights(128, out), 4);
    EXPECT_EQ(out[3].key_code, 7);
    EXPECT_EQ(out[3].key_rgb, 0x010203 * 7);
    EXPECT_EQ(out[3].profile, 2);
    EXPECT_TRUE(store.DeleteKeyLights());
    EXPECT_EQ(store.GetKeyLights(128, out), 0) << "every profile's per-key colours go";
    EXPECT_EQ(store.GetKeyLights(5, out), 1);
    EXPECT_EQ(store.AddKeyLights({}), 0);
}

// ---- Macros

TEST_F(StoreOperations, MacrosAndTheirPlayback) {
    const int id = store.AddMacro("Combo");
    ASSERT_GT(id, 0);
    EXPECT_EQ(Rows("SELECT * FROM t_macro_data"), std::to_string(id) + "|1|1|0|0|Combo\n");
    const int other = store.InsertMacro({.name = "Imported", .link_count = 2, .play_times = 3, .delay_type = 3,
                                         .delay_time = 25});
    MacroInfo m;
    ASSERT_TRUE(store.GetMacro(other, m));
    EXPECT_EQ(std::tie(m.macro_id, m.name, m.link_count, m.play_times, m.delay_type, m.delay_time),
              std::make_tuple(other, std::string("Imported"), 2, 3, 3, 25));

    EXPECT_TRUE(store.RenameMacro(id, "Combo 2"));
    EXPECT_TRUE(store.UpdateMacroPlayback({.macro_id = id, .name = "ignored", .link_count = 9, .play_times = 5,
                                           .delay_type = 2, .delay_time = 10}));
    int times = 0;
    ASSERT_TRUE(store.GetMacroPlayTimes(id, times));
    EXPECT_EQ(times, 5);
    EXPECT_FALSE(store.GetMacroPlayTimes(999, times));
    EXPECT_EQ(times, 5);
    std::vector<MacroInfo> macros;
    ASSERT_EQ(store.GetMacros(macros), 2);
    EXPECT_EQ(macros[0].name, "Combo 2");
    EXPECT_EQ(macros[0].link_count, 0);
    EXPECT_EQ(macros[0].delay_time, 10);
}

TEST_F(StoreOperations, StepsComeBackByRecordIndex) {
    const int id = store.AddMacro("Steps");
    std::vector<MacroStep> steps;
    for (int index : {3, 0, 2, 1})
        steps.push_back({.macro_id = id, .type = index == 2 ? 1 : 2 + index % 2, .record_index = index,
                         .value = 0x41 + index, .delay_time = 10 * index, .desc = "K" + std::to_string(index)});
    EXPECT_EQ(store.AddMacroSteps(steps), 4);
    EXPECT_GT(store.AddMacroStep({.macro_id = id + 1, .type = 2, .record_index = 0, .value = 1}), 0);
    std::vector<MacroStep> out(7);
    ASSERT_EQ(store.GetMacroSteps(id, out), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[i].record_index, i);
        EXPECT_EQ(out[i].value, 0x41 + i);
        EXPECT_EQ(out[i].delay_time, 10 * i);
        EXPECT_EQ(out[i].desc, "K" + std::to_string(i));
        EXPECT_EQ(out[i].macro_id, id);
    }
    EXPECT_EQ(store.CountMacroActions(id), 3) << "the type-1 step is a pause, not an action";
    EXPECT_TRUE(store.DeleteMacroSteps(id));
    EXPECT_EQ(store.GetMacroSteps(id, out), 0);
    EXPECT_EQ(store.GetMacroSteps(id + 1, out), 1);
}

TEST_F(StoreOperations, DeletingAMacroTakesItsStepsAndKeysEverywhere) {
    const int doomed = store.AddMacro("Doomed");
    const int kept = store.AddMacro("Kept");
    store.AddMacroSteps({{.macro_id = doomed, .type = 2}, {.macro_id = kept, .type = 2}});
    store.SaveKeyFunction(Key(1, 0, 4, 3, doomed));
    store.SaveKeyFunction(Key(2, 1, 5, 3, doomed));
    store.SaveKeyFunction(Key(1, 0, 6, 3, kept));
    store.SaveKeyFunction(Key(1, 0, 7, 2, doomed));  // a key code equal to the id, not a macro
    EXPECT_TRUE(store.DeleteMacro(doomed));
    EXPECT_EQ(Rows("SELECT macro_id FROM t_macro_data"), std::to_string(kept) + "\n");
    EXPECT_EQ(Rows("SELECT macro_id FROM t_macrorecord"), std::to_string(kept) + "\n");
    EXPECT_EQ(Rows("SELECT key_code FROM t_key_macro_data ORDER BY key_code"), "6\n7\n");
    EXPECT_TRUE(store.DeleteMacro(doomed)) << "deleting nothing still succeeds";
}

TEST_F(StoreOperations, FailedWritesKeepWhatWasThere) {
    // Triggers make the second statement of each operation fail after the first one
    // changed something; nothing of the half-done change may remain.
    ASSERT_GT(store.SaveKeyFunction(Key(1, 0, 4, 2, 5)), 0);
    ASSERT_EQ(store.Execute("CREATE TRIGGER refuse_666 BEFORE INSERT ON t_key_macro_data WHEN NEW.macro_value = 666 "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END;"),
              kSqliteOk);
    EXPECT_EQ(store.SaveKeyFunction(Key(1, 0, 4, 2, 666)), 0);
    KeyFunctionRecord key;
    ASSERT_TRUE(store.GetKeyFunction(1, 0, 4, key)) << "the key keeps its function";
    EXPECT_EQ(key.macro_value, 5);

    const int macro = store.AddMacro("Bound");
    store.AddMacroSteps({{.macro_id = macro, .type = 2}});
    store.SaveKeyFunction(Key(1, 0, 9, 3, macro));
    ASSERT_EQ(store.Execute("CREATE TRIGGER keep_keys BEFORE DELETE ON t_key_macro_data "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END;"),
              kSqliteOk);
    EXPECT_FALSE(store.DeleteMacro(macro));
    MacroInfo info;
    EXPECT_TRUE(store.GetMacro(macro, info)) << "the macro stays whole";
    std::vector<MacroStep> steps;
    EXPECT_EQ(store.GetMacroSteps(macro, steps), 1);
}

TEST_F(StoreOperations, AFailedStepDoesNotStopTheBatch) {
    // A file whose step table refuses negative values: the middle step fails, the
    // others are stored and counted.
    store.CloseStore();
    TestUtil::RunProcess({"/usr/bin/sqlite3", FileOf("Strict"),
                          "CREATE TABLE t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, macro_id INTEGER, "
                          "type INTEGER, record_index INTEGER, desc TEXT, value INTEGER CHECK(value >= 0), "
                          "delay_time INTEGER)"});
    ASSERT_TRUE(store.OpenDeviceStore(DataFolder(), "Strict"));
    EXPECT_EQ(store.AddMacroSteps({{.macro_id = 1, .record_index = 0, .value = 1},
                                   {.macro_id = 1, .record_index = 1, .value = -1},
                                   {.macro_id = 1, .record_index = 2, .value = 3}}),
              2);
    EXPECT_EQ(Sqlite3("Strict", "SELECT record_index FROM t_macrorecord"), "0\n2\n");
}

}  // namespace
}  // namespace KeyForge
