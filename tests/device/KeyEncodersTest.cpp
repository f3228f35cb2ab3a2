// Key codes, delay bytes, shortcuts, key slots, macro-slot blocks, macro blocks and the key
// map: inputs and the bytes they must give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/device/KeyCodes.h"
#include "app/device/KeyEncoders.h"
#include "tests/device/ReportHex.h"

namespace KeyForge {
namespace {

using TestUtil::Hex;

TEST(KeyCodes, VirtualKeysTranslateToKeyboardCodes) {
    const struct {
        int virtualKey;
        int code;
    } cases[] = {
        {65, 4},    {90, 29},   {49, 30},   {57, 38},   {48, 39},   {13, 40},   {27, 41},   {8, 42},   {9, 43},
        {32, 44},   {189, 45},  {220, 49},  {666, 50},  {186, 51},  {191, 56},  {20, 57},   {112, 58}, {123, 69},
        {124, 104}, {135, 115}, {44, 70},   {145, 71},  {34, 78},   {39, 79},   {38, 82},   {144, 83}, {108, 88},
        {97, 89},   {105, 97},  {96, 98},   {110, 99},  {162, 224}, {160, 225}, {92, 231},  {93, 101}, {226, 100},
        {254, 175}, {136, 136}, {139, 139}, {173, 235}, {174, 233}, {179, 238}, {166, 243}, {172, 241},
        {180, 240}, {181, 232}, {182, 249}, {183, 242},
        // Keys the keyboard does not have.
        {0, 0},     {64, 0},    {91 + 256, 0}, {140, 0}, {255, 0},  {-1, 0},   {100000, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyCodeFromVirtualKey(c.virtualKey), c.code) << "virtual key " << c.virtualKey;
}

TEST(KeyCodes, DelayBytesCountInTheRightUnit) {
    const struct {
        int delay;
        bool release;
        int byte;
    } cases[] = {
        {10, false, 0x01},   {10, true, 0x81},    {0, false, 0x01},    {-5, false, 0x01},  // 0 is sent as 1
        {-5, true, 0x80},    {11, false, 0x01},   {19, false, 0x01},   {310, false, 0x1F},
        {311, false, 0x26},  {1000, true, 0xB4},  {1550, false, 0x3F}, {1551, false, 0x2F},
        {3100, false, 0x3F}, {3101, false, 0x63}, {31000, false, 0x7F}, {40000, false, 0x7F},
        {40000, true, 0xFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeDelay(c.delay, c.release), c.byte) << c.delay << " ms, release " << c.release;
}

TEST(KeyCodes, ShortcutTable) {
    const struct {
        int value;
        std::vector<std::uint8_t> keys;
    } cases[] = {
        {1, {224, 4}},   {2, {224, 6}},   {7, {227, 8}},        {10, {226, 43}},
        {13, {226, 44, 27}}, {14, {226, 44, 17}}, {15, {226, 61}}, {0, {}}, {16, {}}, {-3, {}},
    };
    for (const auto& c : cases) {
        const auto keys = ShortcutKeys(c.value);
        EXPECT_EQ(std::vector<std::uint8_t>(keys.begin(), keys.end()), c.keys) << "shortcut " << c.value;
    }
}

TEST(FeatureKeyCommands, KeySlotReports) {
    EXPECT_EQ(Hex(EncodeKeySlot(3, 0x29, 0x2C)), "07 FA 01 03 29 01 2C 01");
    EXPECT_EQ(Hex(EncodeKeySlot(10, 0x104, 0x1FF)), "07 FA 01 0A 04 01 FF 01");
    EXPECT_EQ(Hex(EncodeFreeKeySlot(5)), "07 FA 01 05 00 01 00 01");
}

TEST(FeatureKeyCommands, ShortcutSlotPressesInOrderAndReleasesInReverse) {
    const auto reports = EncodeMacroSlotReports(BuildShortcutMacroSlot(2, 0x3A, 13));
    ASSERT_EQ(reports.size(), 28u);
    EXPECT_EQ(Hex(reports[0]), "07 F1 01 02 3A 01 E2 01");
    EXPECT_EQ(Hex(reports[1]), "07 00 2C 01 1B 01 1B 81");
    EXPECT_EQ(Hex(reports[2]), "07 00 2C 81 E2 81 00 00");
    for (std::size_t i = 3; i < reports.size(); ++i) EXPECT_EQ(Hex(reports[i]), "07 00 00 00 00 00 00 00") << i;
    // A value outside the table leaves the slot with its head only.
    EXPECT_EQ(Hex(EncodeMacroSlotReports(BuildShortcutMacroSlot(2, 0x3A, 16))[1]), "07 00 00 00 00 00 00 00");
}

TEST(FeatureKeyCommands, StoredMacroSlot) {
    const MacroInfo macro{.macro_id = 4, .play_times = 3};
    const std::vector<MacroStep> steps = {
        {.type = 2, .value = 65, .delay_time = 10},
        {.type = 1, .value = 0, .delay_time = 500},  // a pause step has no place on the keyboard
        {.type = 3, .value = 65, .delay_time = 1000},
        {.type = 2, .value = 112, .delay_time = 40000},
    };
    auto reports = EncodeMacroSlotReports(BuildStoredMacroSlot(1, 0x05, &macro, steps));
    EXPECT_EQ(Hex(reports[0]), "07 F1 01 01 05 03 04 01");
    EXPECT_EQ(Hex(reports[1]), "07 00 04 B4 3A 7F 00 00");
    // Without its macro row the steps still go, under key 0 and play count 0.
    reports = EncodeMacroSlotReports(BuildStoredMacroSlot(1, 0x05, nullptr, steps));
    EXPECT_EQ(Hex(reports[0]), "07 F1 01 01 00 00 04 01");
    EXPECT_EQ(Hex(EncodeMacroSlotReports(BuildFreeMacroSlot(12))[0]), "07 F1 01 0C 00 00 00 00");
}

TEST(FeatureKeyCommands, OnlyTheStepsThatTravelAreBuilt) {
    std::vector<MacroStep> steps(100, MacroStep{.type = 2, .value = 65, .delay_time = 10});
    const MacroInfo macro{.play_times = 1};
    const MacroSlotBlock block = BuildStoredMacroSlot(1, 4, &macro, steps);
    // 82 pairs fill bytes 4 to 167; nothing is built beyond what the 28 reports carry.
    EXPECT_EQ(block[166], 4);
    EXPECT_EQ(block[167], 1);
    for (std::size_t i = 168; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(Hex(EncodeMacroSlotReports(block)[27]), "07 00 04 01 04 01 04 01");
}

std::vector<MacroStep> Steps(int count) {
    std::vector<MacroStep> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back({.type = i % 2 == 0 ? 2 : 3, .record_index = i, .value = 65 + (i / 2) % 26, .delay_time = 200});
    return steps;
}

TEST(ReportKeyCommands, MacroChunksCarryTheWholeBlock) {
    const MacroInfo macro{.play_times = 2};
    const struct {
        int steps;
        std::size_t length;
        std::vector<std::pair<int, int>> chunks;  // (n, offset)
    } cases[] = {
        {0, 3, {{3, 0}}},
        {18, 57, {{57, 0}}},
        {19, 60, {{59, 0}, {1, 59}}},
        {30, 93, {{59, 0}, {34, 59}}},
        {39, 120, {{59, 0}, {59, 59}, {2, 118}}},
        {150, 453, {{59, 0}, {59, 59}, {59, 118}, {59, 177}, {59, 236}, {59, 295}, {59, 354}, {40, 413}}},
    };
    for (const auto& c : cases) {
        const MacroBlock block = BuildMacroBlock(&macro, Steps(c.steps));
        EXPECT_EQ(block.length, c.length) << c.steps << " steps";
        const auto chunks = EncodeMacroChunks(6, block);
        ASSERT_EQ(chunks.size(), c.chunks.size()) << c.steps << " steps";
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            const auto& r = chunks[i];
            EXPECT_EQ(r[0], 0x00);
            EXPECT_EQ(r[1], 0x8E);
            EXPECT_EQ(r[2], c.chunks[i].first) << c.steps << " steps, chunk " << i;
            EXPECT_EQ(r[3] | (r[4] << 8), c.chunks[i].second) << c.steps << " steps, chunk " << i;
            EXPECT_EQ(r[5], 6);
            joined.insert(joined.end(), r.begin() + 6, r.begin() + 6 + r[2]);
        }
        EXPECT_EQ(joined, std::vector<std::uint8_t>(block.bytes.begin(), block.bytes.begin() + c.length));
    }
}

TEST(ReportKeyCommands, MacroBlockSteps) {
    const MacroInfo macro{.play_times = 300};
    const std::vector<MacroStep> steps = {
        {.type = 2, .value = 65, .delay_time = 200},     // press: bit 7 of the high byte
        {.type = 3, .value = 65, .delay_time = 200},     // recorded release: bit 7 of the low byte
        {.type = 3, .value = 66, .delay_time = 1000},
        {.type = 1, .value = 0, .delay_time = 50},       // counted, sends nothing
        {.type = 2, .value = 112, .delay_time = 40000},  // 15 bits at most
        {.type = 2, .value = 113, .delay_time = -4},
    };
    const MacroBlock block = BuildMacroBlock(&macro, steps);
    EXPECT_EQ(Hex(std::span(block.bytes).first(block.length)),
              "FF 06 04 C8 80 04 C8 00 05 E8 03 3A FF FF 3B 00 80 00 00 00 00");
    // Play counts are clamped to 1..255, and a missing macro plays once.
    const MacroInfo never{.play_times = 0};
    EXPECT_EQ(BuildMacroBlock(&never, {}).bytes[0], 1);
    EXPECT_EQ(BuildMacroBlock(nullptr, {}).bytes[0], 1);
    // The count byte holds 255 steps; later ones stay on the computer.
    const MacroBlock longest = BuildMacroBlock(&macro, Steps(300));
    EXPECT_EQ(longest.bytes[1], 255);
    EXPECT_EQ(longest.length, 768u);
}

TEST(ReportKeyCommands, ShortcutBlocks) {
    auto chunks = EncodeMacroChunks(3, BuildShortcutBlock(1));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(Hex(std::span(chunks[0]).first(22)),
              "00 8E 0F 00 00 03 01 04 E0 64 80 04 64 80 04 64 00 E0 64 00 00 00");
    chunks = EncodeMacroChunks(3, BuildShortcutBlock(13));
    EXPECT_EQ(Hex(std::span(chunks[0]).first(26)),
              "00 8E 15 00 00 03 01 06 E2 64 80 2C 64 80 1B 64 80 1B 64 00 2C 64 00 E2 64 00");
    // Outside the table: four empty steps.
    chunks = EncodeMacroChunks(3, BuildShortcutBlock(0));
    EXPECT_EQ(Hex(std::span(chunks[0]).first(22)),
              "00 8E 0F 00 00 03 01 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(ReportKeyCommands, KeyMapEntriesByKeyIndex) {
    const std::map<unsigned, int> indices = {{0x04, 5}, {0x05, 6}, {0x06, 7}, {0x07, 8}, {0x08, 179}, {0x09, 180},
                                             {0x0A, 9}};
    const std::vector<KeyFunctionRecord> records = {
        {.key_code = 0x04, .macro_type = 2, .macro_value = 0x29},
        {.key_code = 0x05, .macro_type = 1, .macro_value = 1},
        {.key_code = 0x06, .macro_type = 3, .macro_value = 9},
        {.key_code = 0x07, .macro_type = 7, .macro_value = 2},  // no slot: left (0, 0)
        {.key_code = 0x08, .macro_type = 2, .macro_value = 0x2A},
        {.key_code = 0x09, .macro_type = 2, .macro_value = 0x2B},  // index beyond the map: skipped
        {.key_code = 0x0B, .macro_type = 2, .macro_value = 0x2C},  // no key index: skipped
        {.key_code = 0x0A, .macro_type = 12, .macro_value = 600},
    };
    const KeyMap map = BuildKeyMap(records, indices, {{0x06, 4}});
    EXPECT_EQ(Hex(std::span(map).subspan(10, 10)), "29 20 00 20 04 40 00 00 00 00");
    EXPECT_EQ(Hex(std::span(map).subspan(358, 2)), "2A 20");
    int set = 0;
    for (const std::uint8_t b : map) set += b != 0;
    EXPECT_EQ(set, 7) << "nothing else written";

    const auto chunks = EncodeKeyMapChunks(map);
    ASSERT_EQ(chunks.size(), 4u);
    const int n[] = {60, 60, 60, 40};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Hex(std::span(chunks[i]).first(5)),
                  Hex(std::vector<std::uint8_t>{0x00, 0x8D, static_cast<std::uint8_t>(n[i]),
                                                static_cast<std::uint8_t>(60 * i), 0x00}));
    }
    EXPECT_EQ(Hex(std::span(chunks[0]).subspan(15, 6)), "29 20 00 20 04 40");
    // The last chunk names 40 bytes but the report is always full.
    EXPECT_EQ(Hex(std::span(chunks[3]).subspan(5, 2)), "00 00");
}

}  // namespace
}  // namespace KeyForge
