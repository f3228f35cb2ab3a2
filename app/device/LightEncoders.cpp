// Light modes, custom slots, per-key colours, colour frames and music levels, byte by byte.
#include "app/device/LightEncoders.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/device/TableChunks.h"
#include "app/store/KeyboardModel.h"

namespace KeyForge {

using namespace Protocol;

namespace {

std::uint8_t Low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t Red(std::uint32_t c) { return static_cast<std::uint8_t>(c & 0xFF); }
std::uint8_t Green(std::uint32_t c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
std::uint8_t Blue(std::uint32_t c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// Sliders start at 1; the keyboard counts from 0.
int FromOne(int value) { return value > 0 ? value - 1 : 0; }

// m-1, ci, dir, s, b, opt as both feature forms send them.
std::array<std::uint8_t, 6> LightModeParams(const LightRecord& light, int customSlot) {
    const std::uint32_t colour = static_cast<std::uint32_t>(light.color_value);
    std::uint8_t dir = Low(light.direction);
    std::uint8_t speed = Low(FromOne(light.speed));
    std::uint8_t option = (light.config_func & kLightPerKeyColours) ? Low(customSlot) : 0;
    if (light.mode == kSingleColourMode) {
        dir = Red(colour);
        speed = Green(colour);
        option = Blue(colour);
    }
    return {Low(light.mode - 1), Low(light.colorindex), dir, speed, Low(FromOne(light.brightness)), option};
}

// The last sample that counts lies this far before the end of the buffer.
constexpr std::size_t kMusicSampleFromEnd = 10;
constexpr int kMusicLevelShift = 8;

}  // namespace

FeatureReport EncodeLightModeWired(const LightRecord& light, int customSlot) {
    const auto p = LightModeParams(light, customSlot);
    FeatureReport r{kFeatureReportId, kCmdLightMode, p[0], p[1], p[2], p[3], p[4], p[5]};
    if (light.mode == kRawSpeedMode) r[5] = Low(light.speed);
    return r;
}

Payload EncodeLightModeWireless(const LightRecord& light, int customSlot) {
    Payload payload{};
    std::copy(std::begin(kPayloadSignature), std::end(kPayloadSignature), payload.begin());
    payload[kPayloadCommandByte] = kPayloadCmdLightMode;
    const auto p = LightModeParams(light, customSlot);
    std::copy(p.begin(), p.end(), payload.begin() + kPayloadCommandByte + 1);
    return payload;
}

OutputReport EncodeLightParams(const LightRecord& light) {
    const std::uint32_t colour = static_cast<std::uint32_t>(light.color_value);
    std::uint8_t flags = static_cast<std::uint8_t>(((light.direction & 3) << 4) | (light.speed & 0x0F));
    if (light.colorful != 0) flags |= kLightFlagColourful;
    OutputReport r{};
    r[0] = kOutputReportId;
    r[1] = kCmdLightParams;
    r[2] = 0x00;
    r[3] = flags;
    r[4] = Red(colour);
    r[5] = Green(colour);
    r[6] = Blue(colour);
    r[7] = Low(light.brightness);
    return r;
}

FeatureReport EncodeCustomSlot(const LightRecord& light, int customSlot) {
    const std::uint8_t option = (light.config_func & kLightPerKeyColours) ? Low(customSlot) : 0;
    return {kFeatureReportId, kCmdCustomSlot, kCustomSlotArg, Low(light.mode - 1), Low(light.brightness),
            Low(light.speed), 0x00, option};
}

KeyColourTable BuildKeyColourTable(std::span<const KeyLightRecord> rows, const std::map<unsigned, int>& lightIndexMap) {
    KeyColourTable table{};
    for (const KeyLightRecord& row : rows) {
        const auto index = lightIndexMap.find(static_cast<unsigned>(row.key_code));
        if (index == lightIndexMap.end() || index->second < 0 ||
            static_cast<std::size_t>(index->second) >= kKeyColourEntries)
            continue;
        const std::uint32_t rgb = static_cast<std::uint32_t>(row.key_rgb);
        std::uint8_t* at = &table[4 * static_cast<std::size_t>(index->second)];
        at[0] = Red(rgb);
        at[1] = Green(rgb);
        at[2] = Blue(rgb);
        at[3] = kKeyColourSet;
    }
    return table;
}

std::vector<OutputReport> EncodeKeyColourChunks(const KeyColourTable& table) {
    return TableChunks(kCmdKeyColourChunk, table, kKeyColourChunks, kKeyColourChunkData, kKeyColourLastChunkData);
}

FrameTable BuildFrameTable(std::span<const KeyColour> colours, const std::map<unsigned, int>& lightIndexMap) {
    FrameTable frame{};
    for (const KeyColour& key : colours) {
        const auto index = lightIndexMap.find(key.code);
        if (index == lightIndexMap.end() || index->second < 0 || static_cast<std::size_t>(index->second) >= kFrameEntries)
            continue;
        std::uint8_t* at = &frame[3 * static_cast<std::size_t>(index->second)];
        at[0] = Red(key.colour);
        at[1] = Green(key.colour);
        at[2] = Blue(key.colour);
    }
    return frame;
}

std::vector<OutputReport> EncodeFrameChunks(const FrameTable& frame) {
    return TableChunks(kCmdFrameChunk, frame, kFrameChunks, kFrameChunkData, kFrameLastChunkData);
}

bool FrameHasLight(std::span<const KeyColour> colours) {
    return std::any_of(colours.begin(), colours.end(), [](const KeyColour& k) { return k.colour >= 2; });
}

OutputReport EncodeStreamStart() {
    OutputReport r{};
    r[0] = kOutputReportId;
    r[1] = kCmdStreamStart;
    r[2] = kStreamStartArgs[0];
    r[3] = kStreamStartArgs[1];
    return r;
}

int MusicLevel(std::span<const std::int16_t> samples, double gain) {
    if (samples.size() < kMusicSampleFromEnd) return 0;
    const int level = std::abs(static_cast<int>(samples[samples.size() - kMusicSampleFromEnd])) >> kMusicLevelShift;
    const double scaled = std::trunc(level * gain);
    if (!(scaled > 0)) return 0;  // also a gain that is negative or not a number
    return scaled >= 255 ? 255 : static_cast<int>(scaled);
}

FeatureReport EncodeMusicLevel(int option, int colourIndex, int level) {
    return {kFeatureReportId, kCmdMusicLevel, kMusicLevelArgs[0], kMusicLevelArgs[1], kMusicLevelArgs[2],
            Low(option),      Low(colourIndex), Low(std::clamp(level, 0, 255))};
}

}  // namespace KeyForge
