// The bytes of the lighting commands of both command sets, as pure functions of the
// records they carry: light mode (cable and wireless forms of the feature protocol, the
// report protocol's parameters), custom slot choice, per-key colour table, colour frames,
// the enter-streaming report and music levels. LightCommands.h sends them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "app/device/HidDeviceManager.h"
#include "app/device/KeyboardProtocol.h"
#include "app/store/StoreRecords.h"

namespace KeyForge {

/// The light mode whose colour replaces direction, speed and option (the fourth mode).
inline constexpr int kSingleColourMode = 4;
/// The light mode whose speed is sent as stored on a cable.
inline constexpr int kRawSpeedMode = 9;

/// 07 F7 m-1 ci dir s b opt for the record's mode m. s and b are speed - 1 and
/// brightness - 1 (0 when not positive); opt is `customSlot` when the mode has per-key
/// colours, else 0. Mode 4 sends its colour as dir = red, s = green, opt = blue; mode 9
/// sends its speed as stored.
FeatureReport EncodeLightModeWired(const LightRecord& light, int customSlot);
/// The same parameters in a wireless payload: BB AA 99 88 AA m-1 ci dir s b opt (mode 9
/// is not treated apart here).
Payload EncodeLightModeWireless(const LightRecord& light, int customSlot);
/// 00 89 00 f r g b br: f = (direction & 3) << 4 | 0x40 when colourful | speed & 0x0F.
OutputReport EncodeLightParams(const LightRecord& light);
/// 07 FF FF m-1 brightness speed 00 opt: choose custom slot `customSlot` (brightness and
/// speed as stored; opt as for the light mode).
FeatureReport EncodeCustomSlot(const LightRecord& light, int customSlot);

/// The per-key colour table: 150 entries (R, G, B, FF) by key index.
using KeyColourTable = std::array<std::uint8_t, Protocol::kKeyColourTableSize>;
/// The table of the given rows; rows whose key has no light index, or one beyond the
/// table, are skipped.
KeyColourTable BuildKeyColourTable(std::span<const KeyLightRecord> rows, const std::map<unsigned, int>& lightIndexMap);
/// Its 8 chunks: 00 8B n lo hi + 60 bytes (the last with n = 20).
std::vector<OutputReport> EncodeKeyColourChunks(const KeyColourTable& table);

/// One key's colour in a frame: red in the low byte, then green, then blue.
struct KeyColour {
    unsigned code = 0;
    std::uint32_t colour = 0;
};
/// A colour frame: 200 entries (R, G, B) by key index.
using FrameTable = std::array<std::uint8_t, Protocol::kFrameTableSize>;
/// The frame of the given key colours; keys without a light index, or with one beyond the
/// frame, are skipped.
FrameTable BuildFrameTable(std::span<const KeyColour> colours, const std::map<unsigned, int>& lightIndexMap);
/// Its 6 chunks: 00 F1 n lo hi + 60 bytes (the last with n = 30).
std::vector<OutputReport> EncodeFrameChunks(const FrameTable& frame);
/// True when a frame is worth sending: some colour value is 2 or more.
bool FrameHasLight(std::span<const KeyColour> colours);
/// 00 F0 F4 01: enter streaming.
OutputReport EncodeStreamStart();

/// The music level of a captured buffer: |sample ten before the end| >> 8, times `gain`,
/// truncated, 0 to 255. A buffer shorter than ten samples gives 0.
int MusicLevel(std::span<const std::int16_t> samples, double gain);
/// 07 23 45 67 89 o c v.
FeatureReport EncodeMusicLevel(int option, int colourIndex, int level);

}  // namespace KeyForge
