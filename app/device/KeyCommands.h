// The key and macro commands: the key table of a profile's layer written to the keyboard,
// through macro and key slots (feature protocol) or macro blocks and the key map (report
// protocol). They read the records from the store and send through the device manager.
#pragma once

#include <map>
#include <vector>

#include "app/device/KeyboardCommand.h"

namespace KeyForge {

/// Pause before each slot write of a synchronisation.
inline constexpr std::chrono::milliseconds kSlotPause{16};
/// Pauses of the report protocol's uploads: before each macro, before each macro chunk,
/// between the macros and the key map, before each key-map chunk.
inline constexpr std::chrono::milliseconds kMacroUploadPause{10};
inline constexpr std::chrono::milliseconds kMacroChunkPause{100};
inline constexpr std::chrono::milliseconds kKeyMapPause{20};
inline constexpr std::chrono::milliseconds kKeyMapChunkPause{10};
/// Slot numbers of the report protocol's macros fit one byte.
inline constexpr int kMaxReportMacroSlots = 256;

/// Feature protocol: key slot `slot` gets key `key`'s function on (profile, layer): freed
/// when the key has no record or a value of 0 or less; nothing for types 0, 3 and 7
/// (they use macro slots); otherwise 07 FA 01 s k 01 v 01. True when a report was sent.
bool WriteKeySlot(KeyboardCommandContext& ctx, int profile, int fnLayer, int key, int slot);
/// Feature protocol: macro slot `slot` gets the block of (type, value) on key `key`:
/// type 7 a shortcut, type 3 a stored macro, any other type frees the slot. 28 paced
/// reports. False when a stored macro has more steps than the 28 reports carry (82): the
/// rest stay on the computer.
bool WriteMacroSlot(KeyboardCommandContext& ctx, int key, int slot, int macroType, int macroValue);

/// What a key table write did.
struct KeyTableResult {
    int macroKeys = 0;             ///< keys written to macro slots
    int slotKeys = 0;              ///< keys written to key slots (feature) or given a code in the key map (report)
    std::vector<int> notWritten;   ///< keys that found no place (slot tables full, no key index, failed upload)
    std::vector<int> shortened;    ///< keys whose macro has more steps than the keyboard takes
};

/// Feature protocol: reads the slot tables, frees every occupied slot, then gives each
/// record of (profile, layer) the next macro slot (types 3 and 7) or key slot (the
/// others; type 0 is skipped). The keyboard keeps 13 macro and 10 key slots: keys beyond
/// them are not sent and are listed in notWritten.
KeyTableResult SyncKeys(KeyboardCommandContext& ctx, int profile, int fnLayer);

/// What a macro upload of the report protocol did.
struct MacroUploadResult {
    std::map<int, int> slots;     ///< key code -> macro slot
    bool complete = true;         ///< false when a chunk could not be written (the upload stopped)
    std::vector<int> notWritten;  ///< keys whose macro did not reach the keyboard
    std::vector<int> shortened;   ///< keys whose macro has more than 255 steps (the rest stay behind)
};
/// Report protocol: uploads the macro (type 3) and then the shortcut (type 7) of every
/// record of (profile, layer) to macro slots numbered from 0.
MacroUploadResult UploadMacros(KeyboardCommandContext& ctx, int profile, int fnLayer);
/// Report protocol: the key map of (profile, layer), with the slots UploadMacros gave,
/// in four chunks. True when every chunk was written.
bool UploadKeyMap(KeyboardCommandContext& ctx, int profile, int fnLayer, const std::map<int, int>& macroSlots);

/// Writes the key table of (profile, layer) with the keyboard's command set: SyncKeys, or
/// UploadMacros and UploadKeyMap. Nothing for device types of 300 and above.
KeyTableResult WriteKeyTable(KeyboardCommandContext& ctx, int profile, int fnLayer);

}  // namespace KeyForge
