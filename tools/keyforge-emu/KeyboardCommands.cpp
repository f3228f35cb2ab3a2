// The keyboard's command decoding: one table of handlers per command set, keyed by the
// command byte that follows the report ID.
#include <algorithm>
#include <array>
#include <utility>

#include "tools/keyforge-emu/EmulatedKeyboard.h"

namespace KeyForge::Emu {

namespace {

using namespace Protocol;

constexpr std::size_t kFeatureSize = 8;

using Report = std::span<const std::uint8_t>;

struct Handler {
    std::uint8_t command;
    void (*handle)(KeyboardState& state, Report report);
};

void QueueReply(KeyboardState& state, std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> reply(kFeatureSize, 0);
    reply[0] = kFeatureReportId;
    std::copy_n(body.begin(), std::min(body.size(), kFeatureSize - 1), reply.begin() + 1);
    state.pendingReplies.push_back(std::move(reply));
}

// 07 FB 01: the slot tables, read by the four gets that follow.
void ReadSlotTables(KeyboardState& state, Report report) {
    if (report[2] != kReadSlotTablesArg) {
        ++state.unknownCommands;
        return;
    }
    std::array<std::uint8_t, kSlotTableSize> table{};
    std::copy(state.macroSlots.begin(), state.macroSlots.end(), table.begin() + kFirstMacroSlotByte);
    for (int i = 0; i < kKeySlots; ++i) table[kFirstKeySlotByte + static_cast<std::size_t>(i)] = state.keySlots[i].key;
    // A new request replaces answers nobody collected.
    state.pendingReplies.clear();
    for (std::size_t offset = 0; offset < kSlotTableSize; offset += kSlotTableChunk)
        QueueReply(state, std::span(table).subspan(offset, kSlotTableChunk));
}

// 07 FD: the firmware version, high byte first, in the next get.
void ReportVersion(KeyboardState& state, Report) {
    const std::uint8_t body[2] = {static_cast<std::uint8_t>(state.firmwareVersion >> 8),
                                  static_cast<std::uint8_t>(state.firmwareVersion & 0xFF)};
    state.pendingReplies.clear();
    QueueReply(state, body);
}

// 07 FA 01 s k 01 v 01: key slot s gives key k function v (k 0: the slot is free).
void WriteKeySlot(KeyboardState& state, Report report) {
    const int slot = report[3];
    if (slot < 1 || slot > kKeySlots) {
        ++state.slotsOutOfRange;
        return;
    }
    state.keySlots[static_cast<std::size_t>(slot - 1)] = {report[4], report[4] == 0 ? std::uint8_t{0} : report[6]};
}

// The 168 bytes of a macro-slot block arrived: 01, slot, key, play count, then (code,
// delay byte) pairs up to the first pair whose delay byte is 0 (the keyboard never gets a
// delay byte of 0).
void StoreMacroSlotBlock(KeyboardState& state) {
    const std::vector<std::uint8_t>& b = state.macroTransfer;
    const int slot = b[1];
    if (b[0] != kMacroSlotMarker) {
        ++state.unknownCommands;
        return;
    }
    if (slot < 1 || slot > kMacroSlots) {
        ++state.slotsOutOfRange;
        return;
    }
    const std::size_t index = static_cast<std::size_t>(slot - 1);
    state.macroSlots[index] = b[2];
    MacroSlotContent content;
    content.playTimes = b[3];
    for (std::size_t at = kMacroSlotHeadSize; at + 1 < b.size() && b[at + 1] != 0; at += 2)
        content.steps.push_back({b[at], b[at + 1]});
    state.macroSlotContent[index] = std::move(content);
}

// 07 F1 + 6 bytes opens a macro-slot block; 07 00 + 6 bytes carries the next six.
void AppendMacroSlotBytes(KeyboardState& state, Report report) {
    state.macroTransfer.insert(state.macroTransfer.end(), report.begin() + 2, report.begin() + kFeatureSize);
    if (state.macroTransfer.size() < kMacroSlotSentBytes) return;
    StoreMacroSlotBlock(state);
    state.macroTransferOpen = false;
    state.macroTransfer.clear();
}
void StartMacroSlotBlock(KeyboardState& state, Report report) {
    state.macroTransferOpen = true;
    state.macroTransfer.clear();
    AppendMacroSlotBytes(state, report);
}
void ContinueMacroSlotBlock(KeyboardState& state, Report report) {
    if (!state.macroTransferOpen) {
        ++state.unknownCommands;
        return;
    }
    AppendMacroSlotBytes(state, report);
}

// m-1 ci dir s b opt, from a feature report or a wireless payload.
void SetLight(KeyboardState& state, std::span<const std::uint8_t> params, bool wireless) {
    state.light = {true, wireless, params[0] + 1, params[1], params[2], params[3], params[4], params[5]};
}

// 07 F7 m-1 ci dir s b opt.
void SetLightMode(KeyboardState& state, Report report) { SetLight(state, report.subspan(2, 6), false); }

// 07 FF FF m-1 b s 00 opt.
void ChooseCustomSlot(KeyboardState& state, Report report) {
    if (report[2] != kCustomSlotArg) {
        ++state.unknownCommands;
        return;
    }
    state.customSlot = {true, report[3] + 1, report[4], report[5], report[7]};
}

// 07 23 45 67 89 o c v.
void MusicLevel(KeyboardState& state, Report report) {
    if (!std::equal(std::begin(kMusicLevelArgs), std::end(kMusicLevelArgs), report.begin() + 2)) {
        ++state.unknownCommands;
        return;
    }
    ++state.music.count;
    state.music.option = report[5];
    state.music.colourIndex = report[6];
    state.music.level = report[7];
}

// Everything the keyboard was told is forgotten; it keeps its firmware and counts resets.
void ResetToFactory(KeyboardState& state) {
    KeyboardState fresh;
    fresh.firmwareVersion = state.firmwareVersion;
    fresh.unknownCommands = state.unknownCommands;
    fresh.factoryResets = state.factoryResets + 1;
    state = std::move(fresh);
}

// 07 F0 AA.
void FactoryResetFeature(KeyboardState& state, Report report) {
    if (report[2] != kFactoryResetArg) {
        ++state.unknownCommands;
        return;
    }
    ResetToFactory(state);
}

constexpr Handler kFeatureHandlers[] = {
    {kCmdReadSlotTables, ReadSlotTables},
    {kCmdQueryVersion, ReportVersion},
    {kCmdKeySlot, WriteKeySlot},
    {kCmdMacroBlockStart, StartMacroSlotBlock},
    {kCmdMacroBlockNext, ContinueMacroSlotBlock},
    {kCmdLightMode, SetLightMode},
    {kCmdCustomSlot, ChooseCustomSlot},
    {kCmdMusicLevel, MusicLevel},
    {kCmdFactoryReset, FactoryResetFeature},
};

// ---- Report protocol and wireless payloads (65-byte output reports).

constexpr std::size_t kOutputSize = 65;

// A chunk's n and offset; false (counted) when it points outside a table of `size`.
bool ChunkPlace(KeyboardState& state, Report report, std::size_t size, std::size_t dataBytes, std::size_t& offset,
                std::size_t& n) {
    n = report[2];
    offset = static_cast<std::size_t>(report[3] | (report[4] << 8));
    if (n > dataBytes || offset + n > size) {
        ++state.chunksOutOfRange;
        return false;
    }
    return true;
}

template <std::size_t N>
void FillTable(KeyboardState& state, std::array<std::uint8_t, N>& table, Report report, std::size_t dataBytes) {
    std::size_t offset = 0, n = 0;
    if (!ChunkPlace(state, report, N, dataBytes, offset, n)) return;
    std::copy_n(report.begin() + kChunkHeadSize, n, table.begin() + static_cast<std::ptrdiff_t>(offset));
}

// 00 8D n lo hi + 60 bytes.
void KeyMapChunk(KeyboardState& state, Report report) { FillTable(state, state.keyMap, report, kKeyMapChunkData); }

// 00 8E n lo hi s + 59 bytes.
void MacroChunk(KeyboardState& state, Report report) {
    std::size_t offset = 0, n = 0;
    if (!ChunkPlace(state, report, kMacroBlockSize, kMacroChunkData, offset, n)) return;
    MacroBlockContent& block = state.macroBlocks[report[5]];
    std::copy_n(report.begin() + kChunkHeadSize + 1, n, block.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    block.length = std::max(block.length, offset + n);
}

// 00 89 00 f r g b br.
void LightParams(KeyboardState& state, Report report) {
    state.reportLight = {true, report[3], report[4], report[5], report[6], report[7]};
}

// 00 8B n lo hi + 60 bytes.
void KeyColourChunk(KeyboardState& state, Report report) {
    FillTable(state, state.keyColours, report, kKeyColourChunkData);
}

// 00 F0 F4 01.
void StartStreaming(KeyboardState& state, Report report) {
    if (report[2] != kStreamStartArgs[0] || report[3] != kStreamStartArgs[1]) {
        ++state.unknownCommands;
        return;
    }
    state.streaming = true;
}

// 00 F1 n lo hi + 60 bytes; the chunk at the last offset completes a frame.
void FrameChunk(KeyboardState& state, Report report) {
    std::size_t offset = 0, n = 0;
    if (!ChunkPlace(state, report, kFrameTableSize, kFrameChunkData, offset, n)) return;
    std::copy_n(report.begin() + kChunkHeadSize, n, state.frame.begin() + static_cast<std::ptrdiff_t>(offset));
    if (offset == kFrameChunkData * (kFrameChunks - 1)) {
        state.lastFrame = state.frame;
        ++state.frames;
    }
}

// 00 FF FE AA FF.
void FactoryResetReport(KeyboardState& state, Report report) {
    if (!std::equal(std::begin(kReportResetArgs), std::end(kReportResetArgs), report.begin() + 2)) {
        ++state.unknownCommands;
        return;
    }
    ResetToFactory(state);
}

// 00 BB AA 99 88 command ...: a wireless payload. Command AA is the light mode, or a
// factory reset when its five parameters are all AA; a payload of the signature alone
// ends a reset and changes nothing.
void WirelessPayload(KeyboardState& state, Report report) {
    const Report payload = report.subspan(1);
    if (!std::equal(std::begin(kPayloadSignature), std::end(kPayloadSignature), payload.begin())) {
        ++state.unknownCommands;
        return;
    }
    const std::uint8_t command = payload[kPayloadCommandByte];
    if (command == 0) return;
    if (command != kPayloadCmdLightMode) {
        ++state.unknownCommands;
        return;
    }
    const Report params = payload.subspan(kPayloadCommandByte + 1, 6);
    if (std::all_of(payload.begin() + kPayloadResetFirst, payload.begin() + kPayloadResetFirst + kPayloadResetCount,
                    [](std::uint8_t b) { return b == kPayloadResetFill; })) {
        ResetToFactory(state);
        return;
    }
    SetLight(state, params, true);
}

constexpr Handler kOutputHandlers[] = {
    {kCmdKeyMapChunk, KeyMapChunk},
    {kCmdMacroChunk, MacroChunk},
    {kCmdLightParams, LightParams},
    {kCmdKeyColourChunk, KeyColourChunk},
    {kCmdStreamStart, StartStreaming},
    {kCmdFrameChunk, FrameChunk},
    {kCmdReportReset, FactoryResetReport},
    {kPayloadSignature[0], WirelessPayload},
};

template <std::size_t N>
void Dispatch(const Handler (&table)[N], KeyboardState& state, Report report) {
    for (const Handler& h : table) {
        if (h.command != report[1]) continue;
        h.handle(state, report);
        return;
    }
    ++state.unknownCommands;
}

}  // namespace

void DecodeFeatureCommand(KeyboardState& state, Report report) {
    if (report.size() < kFeatureSize || report[0] != kFeatureReportId) {
        ++state.unknownCommands;
        return;
    }
    Dispatch(kFeatureHandlers, state, report);
}

void DecodeOutputCommand(KeyboardState& state, Report report) {
    // Every command of this set is a full output report.
    if (report.size() < kOutputSize || report[0] != kOutputReportId) {
        ++state.unknownCommands;
        return;
    }
    Dispatch(kOutputHandlers, state, report);
}

}  // namespace KeyForge::Emu
