// Key slots, macro-slot blocks, macro blocks and the key map, byte by byte.
#include "app/device/KeyEncoders.h"

#include <algorithm>

#include "app/device/KeyCodes.h"
#include "app/device/TableChunks.h"

namespace KeyForge {

using namespace Protocol;

namespace {

std::uint8_t Low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Report-protocol step delays fill 15 bits: bit 7 of the high byte marks a press.
constexpr int kMaxStepDelayMs = 0x7FFF;
// Steps of shortcuts: 10 ms each in the feature protocol, 100 ms in the report protocol.
constexpr int kShortcutSlotDelayMs = 10;
constexpr int kShortcutBlockDelayMs = 100;
// A shortcut value without an entry still sends this many empty steps in a macro block.
constexpr int kEmptyShortcutSteps = 4;

// Press order, then release in reverse order.
struct ShortcutStep {
    std::uint8_t code;
    bool release;
};
std::vector<ShortcutStep> ShortcutSequence(int shortcut) {
    const std::span<const std::uint8_t> keys = ShortcutKeys(shortcut);
    std::vector<ShortcutStep> steps;
    for (const std::uint8_t k : keys) steps.push_back({k, false});
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) steps.push_back({*it, true});
    return steps;
}

// A report-protocol step: code, delay low, delay high. A press sets bit 7 of the high
// byte; a recorded release sets bit 7 of the low byte (shortcut releases do not).
void PutStep(std::uint8_t* at, std::uint8_t code, int delayMs, bool press, bool markRelease) {
    const int d = std::clamp(delayMs, 0, kMaxStepDelayMs);
    at[0] = code;
    at[1] = Low(d);
    at[2] = static_cast<std::uint8_t>((d >> 8) & 0x7F);
    if (press) at[2] |= kStepPressBit;
    else if (markRelease) at[1] |= kStepReleaseBit;
}

}  // namespace

bool UsesMacroSlot(int macroType) { return macroType == kKeyTypeStoredMacro || macroType == kKeyTypeShortcut; }

FeatureReport EncodeKeySlot(int slot, int key, int function) {
    return {kFeatureReportId, kCmdKeySlot, kKeySlotLead, Low(slot), Low(key), kKeySlotFiller, Low(function),
            kKeySlotFiller};
}

FeatureReport EncodeFreeKeySlot(int slot) {
    return {kFeatureReportId, kCmdKeySlot, kKeySlotLead, Low(slot), 0x00, kKeySlotFiller, 0x00, kKeySlotFiller};
}

MacroSlotBlock BuildFreeMacroSlot(int slot) {
    MacroSlotBlock block{};
    block[0] = kMacroSlotMarker;
    block[1] = Low(slot);
    return block;
}

MacroSlotBlock BuildShortcutMacroSlot(int slot, int key, int shortcut) {
    MacroSlotBlock block = BuildFreeMacroSlot(slot);
    block[2] = Low(key);
    block[3] = 1;  // played once
    std::size_t at = kMacroSlotHeadSize;
    for (const ShortcutStep& s : ShortcutSequence(shortcut)) {
        block[at++] = s.code;
        block[at++] = EncodeDelay(kShortcutSlotDelayMs, s.release);
    }
    return block;
}

MacroSlotBlock BuildStoredMacroSlot(int slot, int key, const MacroInfo* macro, std::span<const MacroStep> steps) {
    MacroSlotBlock block = BuildFreeMacroSlot(slot);
    if (macro) {
        block[2] = Low(key);
        block[3] = Low(macro->play_times);
    }
    std::size_t at = kMacroSlotHeadSize;
    for (const MacroStep& step : steps) {
        if (step.type != kStepKeyDown && step.type != kStepKeyUp) continue;
        // Only the first 168 bytes reach the keyboard; later steps would be lost anyway.
        if (at + 2 > kMacroSlotSentBytes) break;
        block[at++] = KeyCodeFromVirtualKey(step.value);
        block[at++] = EncodeDelay(step.delay_time, step.type == kStepKeyUp);
    }
    return block;
}

std::vector<FeatureReport> EncodeMacroSlotReports(const MacroSlotBlock& block) {
    std::vector<FeatureReport> reports(kMacroSlotReports);
    for (int i = 0; i < kMacroSlotReports; ++i) {
        FeatureReport& r = reports[static_cast<std::size_t>(i)];
        r[0] = kFeatureReportId;
        r[1] = i == 0 ? kCmdMacroBlockStart : kCmdMacroBlockNext;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(kMacroSlotBytesPerReport) * i,
                    kMacroSlotBytesPerReport, r.begin() + 2);
    }
    return reports;
}

MacroBlock BuildMacroBlock(const MacroInfo* macro, std::span<const MacroStep> steps) {
    MacroBlock block;
    const int playTimes = macro && macro->play_times > 0 ? std::min(macro->play_times, 255) : 1;
    // The count byte cannot describe more than 255 steps; later ones stay on the computer.
    const std::size_t count = std::min<std::size_t>(steps.size(), kMacroBlockMaxSteps);
    block.bytes[0] = Low(playTimes);
    block.bytes[1] = Low(static_cast<int>(count));
    std::size_t at = kMacroBlockHeadSize;
    for (std::size_t i = 0; i < count; ++i) {
        const MacroStep& step = steps[i];
        if (step.type != kStepKeyDown && step.type != kStepKeyUp) continue;
        PutStep(&block.bytes[at], KeyCodeFromVirtualKey(step.value), step.delay_time, step.type == kStepKeyDown, true);
        at += 3;
    }
    block.length = 3 * count + 3;
    return block;
}

MacroBlock BuildShortcutBlock(int shortcut) {
    MacroBlock block;
    const std::vector<ShortcutStep> steps = ShortcutSequence(shortcut);
    const std::size_t count = steps.empty() ? kEmptyShortcutSteps : steps.size();
    block.bytes[0] = 1;  // played once
    block.bytes[1] = Low(static_cast<int>(count));
    std::size_t at = kMacroBlockHeadSize;
    for (const ShortcutStep& s : steps) {
        PutStep(&block.bytes[at], s.code, kShortcutBlockDelayMs, !s.release, false);
        at += 3;
    }
    block.length = 3 * count + 3;
    return block;
}

std::vector<OutputReport> EncodeMacroChunks(int slot, const MacroBlock& block) {
    std::vector<OutputReport> chunks;
    const std::size_t length = std::min(block.length, block.bytes.size());
    for (std::size_t offset = 0; offset < length; offset += kMacroChunkData) {
        OutputReport r{};
        const std::size_t n = std::min(kMacroChunkData, length - offset);
        r[0] = kOutputReportId;
        r[1] = kCmdMacroChunk;
        r[2] = static_cast<std::uint8_t>(n);
        r[3] = static_cast<std::uint8_t>(offset & 0xFF);
        r[4] = static_cast<std::uint8_t>(offset >> 8);
        r[5] = Low(slot);
        // The chunk always carries 59 block bytes; n says how many of them count.
        const std::size_t copy = std::min(kMacroChunkData, block.bytes.size() - offset);
        std::copy_n(block.bytes.begin() + static_cast<std::ptrdiff_t>(offset), copy, r.begin() + 6);
        chunks.push_back(r);
    }
    return chunks;
}

KeyMap BuildKeyMap(std::span<const KeyFunctionRecord> records, const std::map<unsigned, int>& keyIndexMap,
                   const std::map<int, int>& macroSlots) {
    KeyMap map{};
    for (const KeyFunctionRecord& r : records) {
        const auto index = keyIndexMap.find(static_cast<unsigned>(r.key_code));
        if (index == keyIndexMap.end() || index->second < 0 || static_cast<std::size_t>(index->second) >= kKeyMapEntries)
            continue;
        std::uint8_t code = 0;
        std::uint8_t kind = 0;
        if (r.macro_type == kKeyTypeKeyCode) {
            code = Low(r.macro_value);
            kind = kKeyMapKindCode;
        } else if (r.macro_type == kKeyTypeDisabled) {
            kind = kKeyMapKindCode;
        } else if (UsesMacroSlot(r.macro_type)) {
            const auto slot = macroSlots.find(r.key_code);
            if (slot != macroSlots.end()) {
                code = Low(slot->second);
                kind = kKeyMapKindMacro;
            }
        }
        const std::size_t at = 2 * static_cast<std::size_t>(index->second);
        map[at] = code;
        map[at + 1] = kind;
    }
    return map;
}


std::vector<OutputReport> EncodeKeyMapChunks(const KeyMap& map) {
    return TableChunks(kCmdKeyMapChunk, map, kKeyMapChunks, kKeyMapChunkData, kKeyMapLastChunkData);
}

}  // namespace KeyForge
