// Key table writes of both command sets: slot synchronisation (feature protocol), macro
// and key-map uploads (report protocol).
#include "app/device/KeyCommands.h"

#include <algorithm>

#include "app/device/KeyEncoders.h"

namespace KeyForge {

using namespace Protocol;

namespace {

// Key indices that the four key-map chunks carry.
constexpr int kKeyMapSentEntries =
    static_cast<int>((kKeyMapChunkData * (kKeyMapChunks - 1) + kKeyMapLastChunkData) / 2);

std::vector<KeyFunctionRecord> LayerRecords(DataStore& store, int profile, int fnLayer) {
    std::vector<KeyFunctionRecord> records;
    store.GetKeyFunctions(profile, fnLayer, records);
    return records;
}

}  // namespace

bool WriteKeySlot(KeyboardCommandContext& ctx, int profile, int fnLayer, int key, int slot) {
    KeyFunctionRecord record;
    if (!ctx.store.GetKeyFunction(profile, fnLayer, key, record) || record.macro_value <= 0) {
        ctx.device.SendFeaturePaced(EncodeFreeKeySlot(slot));
        return true;
    }
    if (record.macro_type == kKeyTypeDefault || UsesMacroSlot(record.macro_type)) return false;
    ctx.device.SendFeaturePaced(EncodeKeySlot(slot, key, record.macro_value));
    return true;
}

namespace {

// Steps of a stored macro that reach the keyboard as steps (key down and key up).
int KeySteps(const std::vector<MacroStep>& steps) {
    return static_cast<int>(std::count_if(steps.begin(), steps.end(), [](const MacroStep& s) {
        return s.type == kStepKeyDown || s.type == kStepKeyUp;
    }));
}

}  // namespace

bool WriteMacroSlot(KeyboardCommandContext& ctx, int key, int slot, int macroType, int macroValue) {
    MacroSlotBlock block;
    bool whole = true;
    if (macroType == kKeyTypeShortcut) {
        block = BuildShortcutMacroSlot(slot, key, macroValue);
    } else if (macroType == kKeyTypeStoredMacro) {
        MacroInfo macro;
        const bool found = ctx.store.GetMacro(macroValue, macro);
        std::vector<MacroStep> steps;
        ctx.store.GetMacroSteps(macroValue, steps);
        block = BuildStoredMacroSlot(slot, key, found ? &macro : nullptr, steps);
        whole = KeySteps(steps) <= kMacroSlotMaxSteps;
    } else {
        block = BuildFreeMacroSlot(slot);
    }
    // Each report is paced by the manager; a failed one is recorded there and the rest go on.
    for (const FeatureReport& report : EncodeMacroSlotReports(block)) ctx.device.SendFeaturePaced(report);
    return whole;
}

KeyTableResult SyncKeys(KeyboardCommandContext& ctx, int profile, int fnLayer) {
    KeyTableResult result;
    SlotTableBytes table{};
    const FeatureReport request{kFeatureReportId, kCmdReadSlotTables, kReadSlotTablesArg, 0, 0, 0, 0, 0};
    ctx.device.ReadTable(request, table);

    // Every occupied slot is freed, all 13 macro slots included: a slot left occupied
    // would keep playing a macro the profile no longer has.
    for (int i = 0; i < kMacroSlots; ++i) {
        const std::uint8_t code = table[kFirstMacroSlotByte + static_cast<std::size_t>(i)];
        if (code == 0) continue;
        ctx.pause(kSlotPause);
        WriteMacroSlot(ctx, code, i + 1, kKeyTypeDefault, 0);
    }
    for (int i = 0; i < kKeySlots; ++i) {
        if (table[kFirstKeySlotByte + static_cast<std::size_t>(i)] == 0) continue;
        ctx.pause(kSlotPause);
        WriteKeySlot(ctx, profile, fnLayer, 0, i + 1);  // key 0 has no record: the free form
    }

    int macroSlot = 1;
    int keySlot = 1;
    for (const KeyFunctionRecord& r : LayerRecords(ctx.store, profile, fnLayer)) {
        if (r.macro_type == kKeyTypeDefault) continue;
        if (UsesMacroSlot(r.macro_type)) {
            // Slots beyond the keyboard's tables would be taken for other memory: such
            // keys stay unwritten and are reported.
            if (macroSlot > kMacroSlots) {
                result.notWritten.push_back(r.key_code);
                continue;
            }
            ctx.pause(kSlotPause);
            if (!WriteMacroSlot(ctx, r.key_code, macroSlot++, r.macro_type, r.macro_value))
                result.shortened.push_back(r.key_code);
            ++result.macroKeys;
        } else {
            if (keySlot > kKeySlots) {
                result.notWritten.push_back(r.key_code);
                continue;
            }
            ctx.pause(kSlotPause);
            WriteKeySlot(ctx, profile, fnLayer, r.key_code, keySlot++);
            ++result.slotKeys;
        }
    }
    return result;
}

namespace {

// Sends the chunks of one macro block, each after its pause; false at the first chunk
// that cannot be written.
bool SendMacroChunks(KeyboardCommandContext& ctx, int slot, const MacroBlock& block, std::chrono::milliseconds first,
                     std::chrono::milliseconds each) {
    ctx.pause(first);
    for (const OutputReport& chunk : EncodeMacroChunks(slot, block)) {
        ctx.pause(each);
        if (!ctx.device.WriteReport(chunk)) return false;
    }
    return true;
}

}  // namespace

MacroUploadResult UploadMacros(KeyboardCommandContext& ctx, int profile, int fnLayer) {
    MacroUploadResult result;
    const std::vector<KeyFunctionRecord> records = LayerRecords(ctx.store, profile, fnLayer);
    int slot = 0;
    // Stored macros first, then shortcuts, each in store order.
    for (const int type : {kKeyTypeStoredMacro, kKeyTypeShortcut}) {
        for (const KeyFunctionRecord& r : records) {
            if (r.macro_type != type) continue;
            if (!result.complete || slot >= kMaxReportMacroSlots) {
                result.notWritten.push_back(r.key_code);
                continue;
            }
            bool sent;
            if (type == kKeyTypeStoredMacro) {
                MacroInfo macro;
                const bool found = ctx.store.GetMacro(r.macro_value, macro);
                std::vector<MacroStep> steps;
                ctx.store.GetMacroSteps(r.macro_value, steps);
                if (steps.size() > static_cast<std::size_t>(kMacroBlockMaxSteps)) result.shortened.push_back(r.key_code);
                sent = SendMacroChunks(ctx, slot, BuildMacroBlock(found ? &macro : nullptr, steps), kMacroUploadPause,
                                       kMacroChunkPause);
            } else {
                sent = SendMacroChunks(ctx, slot, BuildShortcutBlock(r.macro_value), kMacroUploadPause,
                                       std::chrono::milliseconds{0});
            }
            if (!sent) {
                // The keyboard stopped taking reports: the rest of the upload is dropped.
                result.complete = false;
                result.notWritten.push_back(r.key_code);
                continue;
            }
            result.slots[r.key_code] = slot++;
        }
    }
    return result;
}

bool UploadKeyMap(KeyboardCommandContext& ctx, int profile, int fnLayer, const std::map<int, int>& macroSlots) {
    const std::vector<KeyFunctionRecord> records = LayerRecords(ctx.store, profile, fnLayer);
    const KeyMap map = BuildKeyMap(records, ctx.model.keyIndexMap, macroSlots);
    ctx.pause(kKeyMapPause);
    bool all = true;
    for (const OutputReport& chunk : EncodeKeyMapChunks(map)) {
        ctx.pause(kKeyMapChunkPause);
        all = ctx.device.WriteReport(chunk) && all;
    }
    return all;
}

KeyTableResult WriteKeyTable(KeyboardCommandContext& ctx, int profile, int fnLayer) {
    switch (CommandSetOf(ctx.deviceType)) {
    case CommandSet::Feature: return SyncKeys(ctx, profile, fnLayer);
    case CommandSet::None: return {};
    case CommandSet::Report: break;
    }
    KeyTableResult result;
    const MacroUploadResult macros = UploadMacros(ctx, profile, fnLayer);
    UploadKeyMap(ctx, profile, fnLayer, macros.slots);
    result.notWritten = macros.notWritten;
    result.shortened = macros.shortened;
    for (const KeyFunctionRecord& r : LayerRecords(ctx.store, profile, fnLayer)) {
        if (r.macro_type == kKeyTypeDefault) continue;
        const auto index = ctx.model.keyIndexMap.find(static_cast<unsigned>(r.key_code));
        const bool placed = index != ctx.model.keyIndexMap.end() && index->second >= 0 && index->second < kKeyMapSentEntries;
        const bool macro = UsesMacroSlot(r.macro_type);
        if (!placed) {
            if (!macro || macros.slots.count(r.key_code)) result.notWritten.push_back(r.key_code);
            continue;
        }
        if (macro) result.macroKeys += macros.slots.count(r.key_code) ? 1 : 0;
        // Other types have no entry of their own: the key keeps its own code there.
        else if (r.macro_type == kKeyTypeKeyCode || r.macro_type == kKeyTypeDisabled) ++result.slotKeys;
    }
    return result;
}

}  // namespace KeyForge
