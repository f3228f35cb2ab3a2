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

// ---- Feature protocol (device types 201 to 299): 07, command, six parameters.

/// 07 FA 01 s k 01 v 01: key slot s makes key k send function v; 07 FA 01 s 00 01 00 01
/// frees it.
inline constexpr std::uint8_t kCmdKeySlot = 0xFA;
/// The fixed bytes of a key-slot command: after the command, before the slot, between.
inline constexpr std::uint8_t kKeySlotLead = 0x01;
inline constexpr std::uint8_t kKeySlotFiller = 0x01;
/// 07 F1 + six bytes opens a macro-slot block; 07 00 + six bytes carries each further
/// six bytes of it.
inline constexpr std::uint8_t kCmdMacroBlockStart = 0xF1;
inline constexpr std::uint8_t kCmdMacroBlockNext = 0x00;
/// A macro-slot block is 512 bytes in the program, but only its first 168 bytes travel:
/// 28 reports of 6 bytes. Head: 01, slot, key, play count; then (code, delay byte) pairs.
inline constexpr std::size_t kMacroSlotBlockSize = 512;
inline constexpr std::size_t kMacroSlotBytesPerReport = 6;
inline constexpr int kMacroSlotReports = 28;
inline constexpr std::size_t kMacroSlotSentBytes = kMacroSlotBytesPerReport * kMacroSlotReports;
inline constexpr std::size_t kMacroSlotHeadSize = 4;
/// The first byte of every macro-slot block.
inline constexpr std::uint8_t kMacroSlotMarker = 0x01;
/// Steps that fit in the bytes that travel: (168 - 4) / 2.
inline constexpr int kMacroSlotMaxSteps = static_cast<int>((kMacroSlotSentBytes - kMacroSlotHeadSize) / 2);
static_assert(kMacroSlotSentBytes <= kMacroSlotBlockSize);
/// Delay byte of a macro-slot step: bit 7 release, bits 6-5 unit code, bits 4-0 count.
inline constexpr std::uint8_t kDelayReleaseBit = 0x80;
inline constexpr int kDelayUnitShift = 5;
inline constexpr std::uint8_t kDelayCountMask = 0x1F;

/// 07 F7 m-1 ci dir s b opt: light mode and its parameters (cable).
inline constexpr std::uint8_t kCmdLightMode = 0xF7;
/// 07 FF FF m-1 b s 00 opt: choose a custom per-key colour slot.
inline constexpr std::uint8_t kCmdCustomSlot = 0xFF;
inline constexpr std::uint8_t kCustomSlotArg = 0xFF;
/// 07 23 45 67 89 o c v: one music level (option, colour index, level).
inline constexpr std::uint8_t kCmdMusicLevel = 0x23;
inline constexpr std::uint8_t kMusicLevelArgs[3] = {0x45, 0x67, 0x89};
/// 07 F0 AA 00 ...: factory reset (cable).
inline constexpr std::uint8_t kCmdFactoryReset = 0xF0;
inline constexpr std::uint8_t kFactoryResetArg = 0xAA;

// ---- Wireless payloads: 64 bytes behind report ID 0, BB AA 99 88, command, parameters.

inline constexpr std::uint8_t kPayloadSignature[4] = {0xBB, 0xAA, 0x99, 0x88};
/// Payload command byte position and the light-mode command (m-1 ci dir s b opt follow).
inline constexpr std::size_t kPayloadCommandByte = 4;
inline constexpr std::uint8_t kPayloadCmdLightMode = 0xAA;
/// A factory reset over the air: command AA with bytes 5-9 all AA, then a payload that
/// holds only the signature (command 0) after a pause.
inline constexpr std::uint8_t kPayloadResetFill = 0xAA;
inline constexpr std::size_t kPayloadResetFirst = 5;
inline constexpr std::size_t kPayloadResetCount = 5;

// ---- Report protocol (device types up to 200): 00, command, parameters (65 bytes).

/// 00 8D n lo hi + 60 bytes: a chunk of the key map at offset hi:lo.
inline constexpr std::uint8_t kCmdKeyMapChunk = 0x8D;
/// The key map: 180 two-byte entries (code, kind) by key index; four chunks carry its
/// first 220 bytes (60, 60, 60, 40), so key indices 0 to 109 reach the keyboard.
inline constexpr std::size_t kKeyMapEntries = 180;
inline constexpr std::size_t kKeyMapSize = kKeyMapEntries * 2;
inline constexpr std::size_t kKeyMapChunkData = 60;
inline constexpr int kKeyMapChunks = 4;
inline constexpr std::size_t kKeyMapLastChunkData = 40;
/// Kinds of a key-map entry: a key code, or a macro slot.
inline constexpr std::uint8_t kKeyMapKindCode = 0x20;
inline constexpr std::uint8_t kKeyMapKindMacro = 0x40;
/// 00 8E n lo hi s + 59 bytes: a chunk of macro slot s's block at offset hi:lo.
inline constexpr std::uint8_t kCmdMacroChunk = 0x8E;
/// A macro block: play count, step count, then 3-byte steps (code, delay low, delay high;
/// bit 7 of the high byte marks a press, bit 7 of the low byte a recorded release).
inline constexpr std::size_t kMacroBlockSize = 1200;
inline constexpr std::size_t kMacroChunkData = 59;
inline constexpr std::size_t kMacroBlockHeadSize = 2;
inline constexpr std::uint8_t kStepPressBit = 0x80;
inline constexpr std::uint8_t kStepReleaseBit = 0x80;
/// 00 89 00 f r g b br: light parameters (f: direction << 4 | 0x40 colourful | speed).
inline constexpr std::uint8_t kCmdLightParams = 0x89;
inline constexpr std::uint8_t kLightFlagColourful = 0x40;
/// 00 8B n lo hi + 60 bytes: a chunk of the per-key colour table (150 entries R G B FF by
/// key index); 8 chunks carry its first 440 bytes, so key indices 0 to 109.
inline constexpr std::uint8_t kCmdKeyColourChunk = 0x8B;
inline constexpr std::size_t kKeyColourEntries = 150;
inline constexpr std::size_t kKeyColourTableSize = kKeyColourEntries * 4;
inline constexpr std::size_t kKeyColourChunkData = 60;
inline constexpr int kKeyColourChunks = 8;
inline constexpr std::size_t kKeyColourLastChunkData = 20;
inline constexpr std::uint8_t kKeyColourSet = 0xFF;
/// 00 F0 F4 01: enter streaming (once, before the first frame).
inline constexpr std::uint8_t kCmdStreamStart = 0xF0;
inline constexpr std::uint8_t kStreamStartArgs[2] = {0xF4, 0x01};
/// 00 F1 n lo hi + 60 bytes on the streaming interface: a chunk of a colour frame (200
/// entries R G B by key index); 6 chunks carry its first 330 bytes, so key indices 0-109.
inline constexpr std::uint8_t kCmdFrameChunk = 0xF1;
inline constexpr std::size_t kFrameEntries = 200;
inline constexpr std::size_t kFrameTableSize = kFrameEntries * 3;
inline constexpr std::size_t kFrameChunkData = 60;
inline constexpr int kFrameChunks = 6;
inline constexpr std::size_t kFrameLastChunkData = 30;
/// 00 FF FE AA FF: factory reset.
inline constexpr std::uint8_t kCmdReportReset = 0xFF;
inline constexpr std::uint8_t kReportResetArgs[3] = {0xFE, 0xAA, 0xFF};
/// Output-report chunks: command, n, offset low, offset high, then the data.
inline constexpr std::size_t kChunkHeadSize = 5;

static_assert(kChunkHeadSize + kKeyMapChunkData <= 65);
static_assert(kChunkHeadSize + 1 + kMacroChunkData <= 65);
static_assert(kKeyMapChunkData * (kKeyMapChunks - 1) + kKeyMapLastChunkData <= kKeyMapSize);
static_assert(kKeyColourChunkData * (kKeyColourChunks - 1) + kKeyColourLastChunkData <= kKeyColourTableSize);
static_assert(kFrameChunkData * (kFrameChunks - 1) + kFrameLastChunkData <= kFrameTableSize);

}  // namespace KeyForge::Protocol
