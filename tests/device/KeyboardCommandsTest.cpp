// The key, lighting and maintenance commands against an emulated keyboard in this
// process: records from a real store go out through the device manager, and the
// keyboard's decoded state shows what arrived. Pauses are recorded, not slept.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/device/KeyCommands.h"
#include "app/device/LightCommands.h"
#include "app/device/MaintenanceCommands.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/LightDefaults.h"
#include "app/store/Paths.h"
#include "tests/device/EmulatorHarness.h"
#include "tests/device/ReportHex.h"

namespace KeyForge {
namespace {

using namespace std::chrono_literals;
using TestUtil::Hex;

constexpr int kProfile = 1;

// A keyboard of a sample model plugged in, its store and layout, a manager choosing it.
struct Rig {
    Rig(int deviceType, std::vector<int> modes)
        : keyboardName(deviceType == TestUtil::kFullSizeType ? "VX9-RGB" : "TK87-RGB"),
          ctx{manager, store, model, deviceType, [this](std::chrono::milliseconds d) { pauses.push_back(d); }} {
        EXPECT_TRUE(CreateFolderPath(data / "db"));
        EXPECT_TRUE(store.OpenDeviceStore(data.Path() + "/", keyboardName));
        const std::string layout = deviceType == TestUtil::kFullSizeType ? "vx9" : "tk87";
        EXPECT_TRUE(ReadLayoutFile(LayoutFilePath(TestUtil::BinFolder(), layout), kPageFlagsBeforeLayout, model));
        const auto modeList = TestUtil::SampleModeList();
        manager.RegisterKnownDevices(modeList);
        manager.SetPauseFunction([](std::chrono::milliseconds) {});
        keyboard = std::make_unique<TestUtil::InProcessKeyboard>(deviceType, modes);
        EXPECT_TRUE(manager.Rescan(modeList).keyboardConnected);
        manager.SetCurrentDeviceType(deviceType);
    }
    Emu::EmulatedKeyboard& Emulated() { return keyboard->keyboard; }
    Emu::KeyboardState State() { return keyboard->keyboard.State(); }
    long Count(const std::string& prefix) {
        const auto log = Emulated().Log();
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    }
    void Key(int code, int type, int value, int layer = 0) {
        ASSERT_GT(store.SaveKeyFunction({.profile = kProfile, .fn_layer = layer, .key_code = code, .macro_type = type,
                                         .macro_value = value}),
                  0);
    }
    int Macro(const std::vector<MacroStep>& steps, int playTimes = 1) {
        const int id = store.InsertMacro({.name = "m", .play_times = playTimes, .delay_type = 1});
        std::vector<MacroStep> withId = steps;
        for (MacroStep& s : withId) s.macro_id = id;
        store.AddMacroSteps(withId);
        return id;
    }

    std::string keyboardName;
    TestUtil::RuntimeFolder runtime;
    TestUtil::TempDir data;
    DataStore store;
    KeyboardModel model;
    EmulatorTransport transport;
    HidDeviceManager manager{transport};
    std::unique_ptr<TestUtil::InProcessKeyboard> keyboard;
    std::vector<std::chrono::milliseconds> pauses;
    KeyboardCommandContext ctx;
};

std::string SlotSteps(const Emu::MacroSlotContent& c) {
    std::string out;
    for (const Emu::SlotStep& s : c.steps) {
        const std::uint8_t pair[2] = {s.code, s.delay};
        out += (out.empty() ? "" : ", ") + Hex(pair);
    }
    return out;
}

// Macro steps alternating press and release of letters, 200 ms each.
std::vector<MacroStep> LetterSteps(int count) {
    std::vector<MacroStep> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back({.type = i % 2 == 0 ? 2 : 3, .record_index = i, .value = 'A' + (i / 2) % 26, .delay_time = 200});
    return steps;
}
// What the keyboard must hold for step i of LetterSteps: HID usage of the letter, 200 ms,
// the press bit in the high byte or the release bit in the low byte.
std::string LetterTriple(int i) {
    const std::uint8_t code = static_cast<std::uint8_t>(4 + (i / 2) % 26);
    const std::uint8_t bytes[3] = {code, 0xC8, static_cast<std::uint8_t>(i % 2 == 0 ? 0x80 : 0x00)};
    return Hex(bytes);
}
std::string BlockSteps(const Emu::MacroBlockContent& block) {
    std::string out;
    for (int s = 0; s < block.bytes[1]; ++s)
        out += (s ? ", " : "") + Hex(std::span(block.bytes).subspan(2 + 3 * static_cast<std::size_t>(s), 3));
    return out;
}

TEST(FeatureKeyTable, SyncFreesOccupiedSlotsAndFillsThemInStoreOrder) {
    Rig rig(TestUtil::kFullSizeType, {0});
    rig.Emulated().Edit([](Emu::KeyboardState& s) {
        s.macroSlots[12] = 0x30;  // the 13th slot is freed too
        s.macroSlotContent[12].steps = {{0x30, 0x01}};
        s.keySlots[0] = {0x10, 5};
        s.keySlots[9] = {0x11, 6};
    });
    const int macro = rig.Macro({{.type = 2, .value = 'A', .delay_time = 10}, {.type = 1, .delay_time = 50},
                                 {.type = 3, .value = 'A', .delay_time = 1000}},
                                3);
    rig.Key(0x04, 2, 0x29);
    rig.Key(0x05, 7, 2);
    rig.Key(0x06, 3, macro);
    rig.Key(0x07, 1, 1);
    rig.Key(0x08, 12, 600);
    rig.Key(0x09, 2, 0x2A, 1);  // another layer: not this table

    const KeyTableResult result = SyncKeys(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.macroKeys, 2);
    EXPECT_EQ(result.slotKeys, 3);
    EXPECT_TRUE(result.notWritten.empty());

    const Emu::KeyboardState s = rig.State();
    const std::pair<int, int> keySlots[10] = {{0x04, 0x29}, {0x07, 1}, {0x08, 600 & 0xFF}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(s.keySlots[i].key, keySlots[i].first) << "key slot " << i + 1;
        EXPECT_EQ(s.keySlots[i].function, keySlots[i].second) << "key slot " << i + 1;
    }
    EXPECT_EQ(s.macroSlots[0], 0x05);
    EXPECT_EQ(s.macroSlotContent[0].playTimes, 1);
    EXPECT_EQ(SlotSteps(s.macroSlotContent[0]), "E0 01, 06 01, 06 81, E0 81");
    EXPECT_EQ(s.macroSlots[1], 0x06);
    EXPECT_EQ(s.macroSlotContent[1].playTimes, 3);
    EXPECT_EQ(SlotSteps(s.macroSlotContent[1]), "04 01, 04 B4");
    EXPECT_EQ(s.macroSlots[12], 0);
    EXPECT_TRUE(s.macroSlotContent[12].steps.empty());
    EXPECT_EQ(s.unknownCommands, 0);
    // Three frees and five writes, each after its own pause.
    EXPECT_EQ(rig.pauses, std::vector<std::chrono::milliseconds>(8, kSlotPause));
    EXPECT_EQ(rig.Count("0 set-feature 07 F1"), 1 + 2);
}

TEST(FeatureKeyTable, KeysBeyondTheSlotTablesAreReportedNotSent) {
    Rig rig(TestUtil::kFullSizeType, {0});
    for (int k = 0; k < 14; ++k) rig.Key(0x04 + k, 7, 1 + k % 15);
    for (int k = 0; k < 11; ++k) rig.Key(0x1E + k, 2, 0x04 + k);
    const KeyTableResult result = SyncKeys(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.macroKeys, 13);
    EXPECT_EQ(result.slotKeys, 10);
    EXPECT_EQ(result.notWritten, (std::vector<int>{0x04 + 13, 0x1E + 10}));
    const Emu::KeyboardState s = rig.State();
    EXPECT_EQ(s.slotsOutOfRange, 0);
    EXPECT_EQ(s.macroSlots[12], 0x04 + 12);
    EXPECT_EQ(s.keySlots[9].key, 0x1E + 9);
}

TEST(KeyTable, MacrosLongerThanTheKeyboardTakesAreSaid) {
    {
        Rig rig(TestUtil::kFullSizeType, {0});
        rig.Key(0x04, 3, rig.Macro(LetterSteps(90)));
        rig.Key(0x05, 3, rig.Macro(LetterSteps(82)));
        const KeyTableResult result = WriteKeyTable(rig.ctx, kProfile, 0);
        EXPECT_EQ(result.shortened, std::vector<int>{0x04});
        EXPECT_EQ(rig.State().macroSlotContent[0].steps.size(), 82u);
        EXPECT_EQ(rig.State().macroSlotContent[1].steps.size(), 82u);
    }
    {
        Rig rig(TestUtil::kTenkeylessType, {0});
        rig.Key(0x29, 3, rig.Macro(LetterSteps(300)));
        const KeyTableResult result = WriteKeyTable(rig.ctx, kProfile, 0);
        EXPECT_EQ(result.shortened, std::vector<int>{0x29});
        EXPECT_EQ(result.macroKeys, 1);
        const Emu::KeyboardState s = rig.State();
        const Emu::MacroBlockContent& block = s.macroBlocks.at(0);
        EXPECT_EQ(block.bytes[1], 255);
        EXPECT_EQ(block.length, 768u);
    }
}

TEST(ReportKeyTable, MacrosArriveWholeAndTheKeyMapPointsAtThem) {
    Rig rig(TestUtil::kTenkeylessType, {0});
    const int shortMacro = rig.Macro(LetterSteps(30), 2);
    const int longMacro = rig.Macro(LetterSteps(150), 300);
    rig.Key(0x29, 3, shortMacro);  // Esc, key index 0
    rig.Key(0x3A, 7, 1);           // F1, index 1: shortcuts go after the macros
    rig.Key(0x3B, 3, longMacro);   // F2, index 2
    rig.Key(0x3C, 2, 0x2C);        // F3, index 3
    rig.Key(0x14, 1, 1);           // Q, index 34

    const KeyTableResult result = WriteKeyTable(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.macroKeys, 3);
    EXPECT_EQ(result.slotKeys, 2);
    EXPECT_TRUE(result.notWritten.empty());

    const Emu::KeyboardState s = rig.State();
    ASSERT_EQ(s.macroBlocks.size(), 3u);
    const struct {
        int slot;
        int steps;
        int playTimes;
        std::size_t length;
    } macros[] = {{0, 30, 2, 93}, {1, 150, 255, 453}};
    for (const auto& m : macros) {
        const Emu::MacroBlockContent& block = s.macroBlocks.at(m.slot);
        EXPECT_EQ(block.length, m.length) << "slot " << m.slot;
        EXPECT_EQ(block.bytes[0], m.playTimes);
        EXPECT_EQ(block.bytes[1], m.steps);
        std::string expected;
        for (int i = 0; i < m.steps; ++i) expected += (i ? ", " : "") + LetterTriple(i);
        EXPECT_EQ(BlockSteps(block), expected) << "slot " << m.slot;
    }
    EXPECT_EQ(BlockSteps(s.macroBlocks.at(2)), "E0 64 80, 04 64 80, 04 64 00, E0 64 00");
    EXPECT_EQ(Hex(std::span(s.keyMap).first(8)), "00 40 02 40 01 40 2C 20");
    EXPECT_EQ(Hex(std::span(s.keyMap).subspan(68, 2)), "00 20");
    // The long macro went in eight chunks, the last carrying the 40 bytes left.
    EXPECT_EQ(rig.Count("0 out 00 8E 3B"), 1 + 7);
    EXPECT_EQ(rig.Count("0 out 00 8E 28 9D 01 01"), 1);
    EXPECT_EQ(rig.Count("0 out 00 8D"), 4);
    std::vector<std::chrono::milliseconds> pauses = {kMacroUploadPause, kMacroChunkPause, kMacroChunkPause,
                                                     kMacroUploadPause};
    pauses.insert(pauses.end(), 8, kMacroChunkPause);
    pauses.push_back(kMacroUploadPause);
    pauses.push_back(0ms);
    pauses.push_back(kKeyMapPause);
    pauses.insert(pauses.end(), 4, kKeyMapChunkPause);
    EXPECT_EQ(rig.pauses, pauses);
}

TEST(ReportKeyTable, KeysWithoutAPlaceInTheKeyMapAreSkipped) {
    Rig rig(TestUtil::kTenkeylessType, {0});
    rig.Key(0xE9, 2, 0x2C);  // a key the tenkeyless layout does not have
    rig.Key(0x29, 2, 0x2D);
    const KeyTableResult result = WriteKeyTable(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.slotKeys, 1);
    EXPECT_EQ(result.notWritten, std::vector<int>{0xE9});
    const Emu::KeyboardState s = rig.State();
    int set = 0;
    for (const std::uint8_t b : s.keyMap) set += b != 0;
    EXPECT_EQ(set, 2);
    EXPECT_EQ(s.chunksOutOfRange, 0);
}

TEST(ReportKeyTable, UploadStopsAtAChunkTheKeyboardRefusesButTheKeyMapStillGoes) {
    Rig rig(TestUtil::kTenkeylessType, {0});
    rig.Key(0x29, 3, rig.Macro(LetterSteps(4)));
    rig.Key(0x3A, 7, 2);
    rig.Key(0x3B, 2, 0x2C);
    rig.Emulated().SetMisbehaviour(Emu::Misbehaviour::Error);
    const KeyTableResult result = WriteKeyTable(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.notWritten, (std::vector<int>{0x29, 0x3A}));
    EXPECT_EQ(rig.Count("0 out 00 8E"), 2) << "the first chunk and its one retry";
    EXPECT_EQ(rig.Count("0 out 00 8D"), 8) << "every key-map chunk, each retried";
}

TEST(LightCommands, LightModeInEachForm) {
    const struct {
        int deviceType;
        int mode;
        const char* sent;
    } cases[] = {
        {TestUtil::kFullSizeType, 0, "0 set-feature 07 F7 03 02 11 22 02 33"},
        {TestUtil::kFullSizeType, 1, "1 out 00 BB AA 99 88 AA 03 02 11 22 02 33 00"},
        {TestUtil::kFullSizeType, 2, "2 out 00 BB AA 99 88 AA 03 02 11 22 02 33 00"},
        {TestUtil::kTenkeylessType, 0, "0 out 00 89 00 02 11 22 33 03 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.deviceType) + " mode " + std::to_string(c.mode));
        Rig rig(c.deviceType, {c.mode});
        ASSERT_TRUE(EnsureLightRecords(rig.store, kProfile, rig.model));
        LightRecord light;
        ASSERT_TRUE(rig.store.GetLight(kProfile, 4, light));
        light.color_value = 0x332211;
        light.colorindex = 2;
        light.brightness = 3;
        light.speed = 2;
        light.colorful = 0;
        ASSERT_TRUE(rig.store.UpdateLight(kProfile, 4, light));

        EXPECT_FALSE(SetLightMode(rig.ctx, kProfile, 42, 0, rig.manager.ConnectionMode())) << "no such record";
        EXPECT_TRUE(rig.Emulated().Log().empty());
        EXPECT_TRUE(SetLightMode(rig.ctx, kProfile, 4, 0, rig.manager.ConnectionMode()));
        const auto log = rig.Emulated().Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_TRUE(log[0].starts_with(c.sent)) << log[0];
        const Emu::KeyboardState s = rig.State();
        if (c.deviceType == TestUtil::kFullSizeType) {
            EXPECT_EQ(s.light.mode, 4);
            EXPECT_EQ(s.light.direction, 0x11);
            EXPECT_EQ(s.light.option, 0x33);
            EXPECT_EQ(s.light.wireless, c.mode != 0);
        } else {
            EXPECT_TRUE(s.reportLight.set);
            EXPECT_EQ(s.reportLight.blue, 0x33);
        }
    }
}

TEST(LightCommands, LightRecordsComeFromTheLayoutOnce) {
    Rig rig(TestUtil::kFullSizeType, {0});
    ASSERT_TRUE(EnsureLightRecords(rig.store, kProfile, rig.model));
    std::vector<LightRecord> lights;
    ASSERT_EQ(rig.store.GetLights(kProfile, lights), static_cast<int>(rig.model.lightModes.size()));
    for (std::size_t i = 0; i < lights.size(); ++i) {
        EXPECT_EQ(lights[i].mode, rig.model.lightModes[i].mode);
        EXPECT_EQ(lights[i].name, rig.model.lightModes[i].name);
        EXPECT_EQ(lights[i].config_func, rig.model.lightModes[i].configFunc);
        EXPECT_EQ(lights[i].brightness, rig.model.defaultBrightness);
        EXPECT_EQ(lights[i].speed, rig.model.defaultSpeed);
        EXPECT_EQ(lights[i].colorful, 1);
        EXPECT_EQ(lights[i].color_value, 255);
    }
    EXPECT_EQ(rig.store.GetActiveLightMode(kProfile), rig.model.defaultLightMode);
    rig.store.SetActiveLight(kProfile, 3);
    ASSERT_TRUE(EnsureLightRecords(rig.store, kProfile, rig.model));
    EXPECT_EQ(rig.store.GetLightCount(kProfile), static_cast<int>(lights.size())) << "nothing added twice";
    EXPECT_EQ(rig.store.GetActiveLightMode(kProfile), 3);
}

TEST(LightCommands, CustomSlotGoesOnlyToReportProtocolKeyboards) {
    for (const int type : {TestUtil::kFullSizeType, TestUtil::kTenkeylessType}) {
        Rig rig(type, {0});
        ASSERT_TRUE(EnsureLightRecords(rig.store, kProfile, rig.model));
        const int perKeyMode = 5;  // the tenkeyless layout's per-key colour mode (0x101)
        EXPECT_EQ(SelectCustomSlot(rig.ctx, kProfile, perKeyMode, 2), type < 200);
        const Emu::KeyboardState s = rig.State();
        EXPECT_EQ(s.customSlot.set, type < 200);
        if (type < 200) {
            EXPECT_EQ(s.customSlot.mode, perKeyMode);
            EXPECT_EQ(s.customSlot.option, 2);
            EXPECT_EQ(s.customSlot.brightness, rig.model.defaultBrightness);
        }
    }
}

TEST(LightCommands, PerKeyColoursAndColourFrames) {
    Rig rig(TestUtil::kTenkeylessType, {0});
    rig.store.AddKeyLights({{.profile = kProfile, .light_id = kPerKeyLightMode, .key_code = 0x29, .key_rgb = 0x332211},
                            {.profile = kProfile, .light_id = kPerKeyLightMode, .key_code = 0x3A, .key_rgb = 0xFF0000},
                            {.profile = kProfile, .light_id = kPerKeyLightMode, .key_code = 0xE9, .key_rgb = 0xFF}});
    EXPECT_TRUE(UploadKeyColours(rig.ctx));
    Emu::KeyboardState s = rig.State();
    EXPECT_EQ(Hex(std::span(s.keyColours).first(12)), "11 22 33 FF 00 00 FF FF 00 00 00 00");
    EXPECT_EQ(rig.pauses, std::vector<std::chrono::milliseconds>(8, kColourChunkPause));

    ColourStream stream;
    const std::vector<KeyColour> green = {{0x29, 0x00FF00}, {0x3A, 0x010101}};
    EXPECT_TRUE(stream.SendColourFrame(rig.ctx, green, 0));
    EXPECT_TRUE(stream.Started());
    const std::vector<KeyColour> blue = {{0x29, 0xFF0000}};
    EXPECT_TRUE(stream.SendColourFrame(rig.ctx, blue, 0));
    const std::vector<KeyColour> dark = {{0x29, 0x000001}};
    EXPECT_FALSE(stream.SendColourFrame(rig.ctx, dark, 0)) << "nothing to show";
    EXPECT_FALSE(stream.SendColourFrame(rig.ctx, blue, 1)) << "no frames over the air";
    s = rig.State();
    EXPECT_TRUE(s.streaming);
    EXPECT_EQ(s.frames, 2);
    EXPECT_EQ(Hex(std::span(s.lastFrame).first(6)), "00 00 FF 00 00 00");
    EXPECT_EQ(rig.Count("0 out 00 F0 F4 01"), 1) << "streaming is entered once";
    EXPECT_EQ(rig.Emulated().ReceivedOn(0, 3), 12) << "frames go to the streaming interface";
}

TEST(LightCommands, FramesNeedTheStreamingInterface) {
    Rig rig(TestUtil::kFullSizeType, {0});  // no MI_03 on this keyboard
    ColourStream stream;
    const std::vector<KeyColour> green = {{0x29, 0x00FF00}};
    EXPECT_FALSE(stream.SendColourFrame(rig.ctx, green, 0));
    EXPECT_EQ(rig.State().frames, 0);
}

TEST(LightCommands, MusicLevels) {
    Rig rig(TestUtil::kFullSizeType, {0});
    std::vector<std::int16_t> samples(64, 0);
    samples[54] = -16384;
    EXPECT_TRUE(SendMusicLevel(rig.manager, samples, 1.5, 2, 3));
    const Emu::KeyboardState s = rig.State();
    EXPECT_EQ(s.music.count, 1);
    EXPECT_EQ(s.music.option, 2);
    EXPECT_EQ(s.music.colourIndex, 3);
    EXPECT_EQ(s.music.level, 96);
    EXPECT_TRUE(rig.pauses.empty());
}

TEST(MaintenanceCommands, FactoryResetInEachForm) {
    const struct {
        int deviceType;
        int mode;
        std::vector<std::string> sent;
        std::vector<std::chrono::milliseconds> pauses;
    } cases[] = {
        {TestUtil::kFullSizeType, 0, {"0 set-feature 07 F0 AA 00 00 00 00 00"}, {kResetSettlePause}},
        {TestUtil::kFullSizeType, 1, {"1 out 00 BB AA 99 88 AA AA AA AA AA AA 00", "1 out 00 BB AA 99 88 00 00"},
         {kWirelessResetPause}},
        {TestUtil::kTenkeylessType, 0, {"0 out 00 FF FE AA FF 00"}, {kResetSettlePause}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.deviceType) + " mode " + std::to_string(c.mode));
        Rig rig(c.deviceType, {c.mode});
        rig.Emulated().Edit([](Emu::KeyboardState& s) {
            s.keySlots[0] = {0x04, 0x05};
            s.keyMap[0] = 0x29;
            s.light.set = true;
        });
        EXPECT_TRUE(FactoryReset(rig.ctx, rig.manager.ConnectionMode()));
        const auto log = rig.Emulated().Log();
        ASSERT_EQ(log.size(), c.sent.size());
        for (std::size_t i = 0; i < log.size(); ++i) EXPECT_TRUE(log[i].starts_with(c.sent[i])) << log[i];
        EXPECT_EQ(rig.pauses, c.pauses);
        const Emu::KeyboardState s = rig.State();
        EXPECT_EQ(s.factoryResets, 1);
        EXPECT_EQ(s.keySlots[0].key, 0);
        EXPECT_EQ(s.keyMap[0], 0);
        EXPECT_FALSE(s.light.set);
        EXPECT_EQ(s.unknownCommands, 0);
    }
}

TEST(KeyboardCommands, NothingGoesWithoutAKeyboard) {
    Rig rig(TestUtil::kFullSizeType, {0});
    rig.Key(0x04, 2, 0x29);
    rig.keyboard->Unplug();
    rig.manager.Rescan(TestUtil::SampleModeList());
    rig.manager.SetCurrentDeviceType(TestUtil::kFullSizeType);
    const KeyTableResult result = SyncKeys(rig.ctx, kProfile, 0);
    EXPECT_EQ(result.slotKeys, 1) << "the table is still worked through";
    EXPECT_FALSE(FactoryReset(rig.ctx, rig.manager.ConnectionMode()));
    EXPECT_TRUE(rig.Emulated().Log().empty());
}

}  // namespace
}  // namespace KeyForge
