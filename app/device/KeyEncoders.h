// The bytes of the key and macro commands of both command sets, as pure functions of the
// records they carry: key slots and macro-slot blocks (feature protocol), macro blocks
// and the key map with their chunks (report protocol). The commands that read the store
// and send them live in KeyCommands.h.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "app/device/HidTransport.h"
#include "app/device/KeyboardProtocol.h"
#include "app/store/StoreRecords.h"

namespace KeyForge {

/// Step types of a stored macro that reach the keyboard.
inline constexpr int kStepKeyDown = 2;
inline constexpr int kStepKeyUp = 3;

/// Key function types (macro_type) as the keyboard sees them.
inline constexpr int kKeyTypeDefault = 0;
inline constexpr int kKeyTypeDisabled = 1;
inline constexpr int kKeyTypeKeyCode = 2;
inline constexpr int kKeyTypeStoredMacro = 3;
inline constexpr int kKeyTypeShortcut = 7;

/// True for the key functions the keyboard plays from a macro slot (3 and 7).
bool UsesMacroSlot(int macroType);

// ---- Feature protocol

/// 07 FA 01 s k 01 v 01: key slot `slot` makes key `key` send `function` (low bytes).
FeatureReport EncodeKeySlot(int slot, int key, int function);
/// 07 FA 01 s 00 01 00 01: frees key slot `slot`.
FeatureReport EncodeFreeKeySlot(int slot);

/// A macro-slot block as the program builds it (only its first 168 bytes travel).
using MacroSlotBlock = std::array<std::uint8_t, Protocol::kMacroSlotBlockSize>;
/// The block that frees a slot: 01, slot, zeros.
MacroSlotBlock BuildFreeMacroSlot(int slot);
/// The block of a shortcut (1-15) on key `key`: played once, each key pressed in order
/// and released in reverse order, 10 ms per step. Another value gives no steps.
MacroSlotBlock BuildShortcutMacroSlot(int slot, int key, int shortcut);
/// The block of a stored macro on key `key`: its play count (low byte) when `macro` is
/// given, then one (code, delay byte) pair per key-down or key-up step; other steps are
/// skipped. Steps beyond what travels are left out.
MacroSlotBlock BuildStoredMacroSlot(int slot, int key, const MacroInfo* macro, std::span<const MacroStep> steps);
/// The 28 reports that carry a block: 07 F1 + bytes 0-5, then 07 00 + each next 6 bytes.
std::vector<FeatureReport> EncodeMacroSlotReports(const MacroSlotBlock& block);

// ---- Report protocol

/// A macro block: play count, step count, then one 3-byte step per step; `length` is the
/// number of bytes that are sent (3 x steps + 3).
struct MacroBlock {
    std::array<std::uint8_t, Protocol::kMacroBlockSize> bytes{};
    std::size_t length = 0;
};
/// Steps a macro block can describe: its count byte holds at most 255.
inline constexpr int kMacroBlockMaxSteps = 255;
/// The block of a stored macro: play count clamped to 1-255 (1 without a macro), the step
/// count, and a step per key-down or key-up step (other steps keep their place in the
/// count but send nothing). Steps beyond 255 are left out.
MacroBlock BuildMacroBlock(const MacroInfo* macro, std::span<const MacroStep> steps);
/// The block of a shortcut: played once, 100 ms per step. Another value gives four zero
/// steps.
MacroBlock BuildShortcutBlock(int shortcut);
/// The chunks that carry a block to macro slot `slot`: 00 8E n lo hi s + 59 bytes each,
/// the block in 59-byte pieces, the last one carrying the rest.
std::vector<OutputReport> EncodeMacroChunks(int slot, const MacroBlock& block);

/// The key map: 180 (code, kind) entries by key index.
using KeyMap = std::array<std::uint8_t, Protocol::kKeyMapSize>;
/// The key map of a layer's records: type 2 (code, 0x20), type 1 (0, 0x20), types 3 and 7
/// (slot, 0x40) when `macroSlots` has the key; others (0, 0). Keys without a key index,
/// or with one beyond the map, are skipped.
KeyMap BuildKeyMap(std::span<const KeyFunctionRecord> records, const std::map<unsigned, int>& keyIndexMap,
                   const std::map<int, int>& macroSlots);
/// The four chunks of the key map: 00 8D n lo hi + 60 bytes (the last with n = 40).
std::vector<OutputReport> EncodeKeyMapChunks(const KeyMap& map);

}  // namespace KeyForge
