// The bytes both ends of the keyboard's command sets agree on: report IDs, command codes
// and the layout of the slot tables. The program and keyforge-emu take them from here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace KeyForge::Protocol {

/// Feature reports (the feature protocol) carry this report ID, then a command byte and six
/// parameter bytes.
inline constexpr std::uint8_t kFeatureReportId = 0x07;
/// Output reports (the report protocol and wireless payloads) carry report ID 0.
inline constexpr std::uint8_t kOutputReportId = 0x00;

/// Feature command: read the slot tables. Request 07 FB 01, then four gets of feature
/// report 7, each answering 7 bytes of the table.
inline constexpr std::uint8_t kCmdReadSlotTables = 0xFB;
/// The parameter that follows kCmdReadSlotTables in every request.
inline constexpr std::uint8_t kReadSlotTablesArg = 0x01;
/// Feature command: report the firmware version; the next get answers it in bytes 1 (high)
/// and 2 (low).
inline constexpr std::uint8_t kCmdQueryVersion = 0xFD;

/// The keyboard keeps 13 macro slots and 10 key slots.
inline constexpr int kMacroSlots = 13;
inline constexpr int kKeySlots = 10;
/// The slot tables travel as 28 bytes: byte 0 unused, bytes 1-13 the key codes occupying
/// macro slots 1-13, bytes 14-23 those of key slots 1-10 (0 free), bytes 24-27 unused.
inline constexpr std::size_t kSlotTableSize = 28;
inline constexpr std::size_t kFirstMacroSlotByte = 1;
inline constexpr std::size_t kFirstKeySlotByte = 14;
/// Bytes of the table per get, and gets per read.
inline constexpr std::size_t kSlotTableChunk = 7;
inline constexpr int kSlotTableReads = 4;
static_assert(kSlotTableChunk * kSlotTableReads == kSlotTableSize);
static_assert(kFirstKeySlotByte + kKeySlots <= kSlotTableSize);

}  // namespace KeyForge::Protocol
