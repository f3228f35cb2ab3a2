// The keyboard's command decoding: one table of handlers per command set, keyed by the
// command byte that follows the report ID.
#include <algorithm>
#include <array>

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

constexpr Handler kFeatureHandlers[] = {
    {kCmdReadSlotTables, ReadSlotTables},
    {kCmdQueryVersion, ReportVersion},
};

// The report protocol's commands (key map, macros, lighting) join this table.
constexpr std::array<Handler, 0> kOutputHandlers{};

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
    if (report.size() < 2 || report[0] != kOutputReportId) {
        ++state.unknownCommands;
        return;
    }
    for (const Handler& h : kOutputHandlers) {
        if (h.command != report[1]) continue;
        h.handle(state, report);
        return;
    }
    ++state.unknownCommands;
}

}  // namespace KeyForge::Emu
