// Light modes, custom slots, per-key colours, colour frames, music levels and resets:
// inputs and the bytes they must give.
#include <gtest/gtest.h>

#include <vector>

#include "app/device/LightEncoders.h"
#include "app/device/MaintenanceCommands.h"
#include "tests/device/ReportHex.h"

namespace KeyForge {
namespace {

using TestUtil::Hex;

LightRecord Light(int mode, int brightness, int speed, int direction, int colorindex, int colour, int configFunc,
                  int colorful = 0) {
    return {.mode = mode, .brightness = brightness, .speed = speed, .direction = direction, .colorful = colorful,
            .colorindex = colorindex, .color_value = colour, .config_func = configFunc};
}

TEST(LightEncoders, FeatureLightModeCableAndWireless) {
    const struct {
        const char* what;
        LightRecord light;
        int customSlot;
        const char* wired;
        const char* wireless;  // payload bytes 0-10
    } cases[] = {
        {"single colour replaces direction, speed and option", Light(4, 3, 2, 1, 2, 0x332211, 0x31), 1,
         "07 F7 03 02 11 22 02 33", "BB AA 99 88 AA 03 02 11 22 02 33"},
        {"single colour with per-key bit: blue still wins", Light(4, 3, 2, 1, 2, 0x332211, 0x131), 1,
         "07 F7 03 02 11 22 02 33", "BB AA 99 88 AA 03 02 11 22 02 33"},
        {"speed and brightness 0 stay 0", Light(1, 0, 0, 1, 5, 255, 0x47), 0, "07 F7 00 05 01 00 00 00",
         "BB AA 99 88 AA 00 05 01 00 00 00"},
        {"mode 9 sends its speed as stored on a cable", Light(9, 2, 3, 0, 1, 255, 0x43), 0, "07 F7 08 01 00 03 01 00",
         "BB AA 99 88 AA 08 01 00 02 01 00"},
        {"per-key colours carry the custom slot", Light(8, 4, 3, 0, 0, 255, 0x101), 2, "07 F7 07 00 00 02 03 02",
         "BB AA 99 88 AA 07 00 00 02 03 02"},
        {"without the per-key bit the slot is not sent", Light(2, 4, 4, 1, 3, 255, 0x43), 2,
         "07 F7 01 03 01 03 03 00", "BB AA 99 88 AA 01 03 01 03 03 00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(EncodeLightModeWired(c.light, c.customSlot)), c.wired) << c.what;
        const Payload payload = EncodeLightModeWireless(c.light, c.customSlot);
        EXPECT_EQ(Hex(std::span(payload).first(11)), c.wireless) << c.what;
        for (std::size_t i = 11; i < payload.size(); ++i) ASSERT_EQ(payload[i], 0) << c.what;
    }
}

TEST(LightEncoders, ReportLightParameters) {
    const struct {
        LightRecord light;
        const char* bytes;
    } cases[] = {
        {Light(1, 5, 3, 1, 0, 0x332211, 0), "00 89 00 13 11 22 33 05"},
        {Light(1, 5, 3, 1, 0, 0x332211, 0, 1), "00 89 00 53 11 22 33 05"},
        {Light(1, 2, 0x1F, 6, 0, 0xFF, 0), "00 89 00 2F FF 00 00 02"},  // direction & 3, speed & 0x0F
    };
    for (const auto& c : cases) {
        const OutputReport r = EncodeLightParams(c.light);
        EXPECT_EQ(Hex(std::span(r).first(8)), c.bytes);
        for (std::size_t i = 8; i < r.size(); ++i) ASSERT_EQ(r[i], 0);
    }
}

TEST(LightEncoders, CustomSlotChoice) {
    EXPECT_EQ(Hex(EncodeCustomSlot(Light(5, 4, 3, 0, 0, 0, 0x101), 2)), "07 FF FF 04 04 03 00 02");
    EXPECT_EQ(Hex(EncodeCustomSlot(Light(5, 4, 3, 0, 0, 0, 0x001), 2)), "07 FF FF 04 04 03 00 00");
}

TEST(LightEncoders, PerKeyColourTable) {
    const std::map<unsigned, int> indices = {{0x04, 0}, {0x05, 1}, {0x06, 149}, {0x07, 150}, {0x08, 110}};
    const std::vector<KeyLightRecord> rows = {
        {.key_code = 0x04, .key_rgb = 0x332211},
        {.key_code = 0x05, .key_rgb = 0x000000},  // black is still a colour: marked FF
        {.key_code = 0x06, .key_rgb = 0x0000FF},
        {.key_code = 0x07, .key_rgb = 0x00FF00},  // beyond the table: skipped
        {.key_code = 0x09, .key_rgb = 0xFF0000},  // no light index: skipped
        {.key_code = 0x08, .key_rgb = 0x010203},
    };
    const KeyColourTable table = BuildKeyColourTable(rows, indices);
    EXPECT_EQ(Hex(std::span(table).first(8)), "11 22 33 FF 00 00 00 FF");
    EXPECT_EQ(Hex(std::span(table).subspan(596, 4)), "FF 00 00 FF");
    EXPECT_EQ(Hex(std::span(table).subspan(440, 4)), "03 02 01 FF");
    int set = 0;
    for (const std::uint8_t b : table) set += b != 0;
    EXPECT_EQ(set, 4 + 1 + 2 + 4);

    const auto chunks = EncodeKeyColourChunks(table);
    ASSERT_EQ(chunks.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(chunks[i][1], 0x8B);
        EXPECT_EQ(chunks[i][2], i == 7 ? 20 : 60);
        EXPECT_EQ(chunks[i][3] | (chunks[i][4] << 8), static_cast<int>(60 * i));
    }
    EXPECT_EQ(Hex(std::span(chunks[0]).first(13)), "00 8B 3C 00 00 11 22 33 FF 00 00 00 FF");
    EXPECT_EQ(Hex(std::span(chunks[7]).first(5)), "00 8B 14 A4 01");
}

TEST(LightEncoders, ColourFrames) {
    const std::map<unsigned, int> indices = {{0x04, 0}, {0x05, 199}, {0x06, 200}, {0x07, 109}};
    const std::vector<KeyColour> colours = {
        {0x04, 0x332211}, {0x05, 0x0000FF}, {0x06, 0x00FF00}, {0x09, 0xFFFFFF}, {0x07, 0x030201}};
    const FrameTable frame = BuildFrameTable(colours, indices);
    EXPECT_EQ(Hex(std::span(frame).first(3)), "11 22 33");
    EXPECT_EQ(Hex(std::span(frame).subspan(597, 3)), "FF 00 00");
    EXPECT_EQ(Hex(std::span(frame).subspan(327, 3)), "01 02 03");
    int set = 0;
    for (const std::uint8_t b : frame) set += b != 0;
    EXPECT_EQ(set, 3 + 1 + 3);

    const auto chunks = EncodeFrameChunks(frame);
    ASSERT_EQ(chunks.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(chunks[i][1], 0xF1);
        EXPECT_EQ(chunks[i][2], i == 5 ? 30 : 60);
        EXPECT_EQ(chunks[i][3] | (chunks[i][4] << 8), static_cast<int>(60 * i));
    }
    EXPECT_EQ(Hex(std::span(chunks[5]).first(5)), "00 F1 1E 2C 01");
    EXPECT_EQ(Hex(std::span(chunks[5]).subspan(5 + 27, 3)), "01 02 03");

    EXPECT_TRUE(FrameHasLight(colours));
    const std::vector<KeyColour> dark = {{0x04, 0}, {0x05, 1}};
    EXPECT_FALSE(FrameHasLight(dark));
    EXPECT_FALSE(FrameHasLight({}));
    EXPECT_EQ(Hex(EncodeStreamStart(), 5), "00 F0 F4 01 00");
}

TEST(LightEncoders, MusicLevels) {
    std::vector<std::int16_t> samples(20, 0);
    const struct {
        std::int16_t sample;
        double gain;
        int level;
    } cases[] = {
        {-32768, 1.0, 128}, {32767, 1.0, 127}, {0x1234, 1.0, 0x12}, {-0x1234, 2.5, 45},
        {-32768, 4.0, 255}, {-32768, 0.0, 0},  {12800, -1.0, 0},
    };
    for (const auto& c : cases) {
        samples[10] = c.sample;  // ten before the end of 20
        EXPECT_EQ(MusicLevel(samples, c.gain), c.level) << c.sample << " x " << c.gain;
    }
    EXPECT_EQ(MusicLevel({}, 1.0), 0);
    const std::vector<std::int16_t> tooShort(9, -32768);
    EXPECT_EQ(MusicLevel(tooShort, 1.0), 0);
    EXPECT_EQ(Hex(EncodeMusicLevel(1, 3, 128)), "07 23 45 67 89 01 03 80");
}

TEST(MaintenanceEncoders, FactoryResetForms) {
    EXPECT_EQ(Hex(EncodeFactoryResetWired()), "07 F0 AA 00 00 00 00 00");
    EXPECT_EQ(Hex(EncodeFactoryResetWireless(), 12), "BB AA 99 88 AA AA AA AA AA AA 00 00");
    EXPECT_EQ(Hex(EncodeWirelessResetEnd(), 6), "BB AA 99 88 00 00");
    EXPECT_EQ(Hex(EncodeReportFactoryReset(), 7), "00 FF FE AA FF 00 00");
}

}  // namespace
}  // namespace KeyForge
