// The factory reset of the keyboard in both command sets and both connections, and its
// bytes as pure functions.
#pragma once

#include "app/device/KeyboardCommand.h"

namespace KeyForge {

/// Pause after a factory reset on a cable (the keyboard restarts).
inline constexpr std::chrono::milliseconds kResetSettlePause{100};
/// Pause between the two payloads of a factory reset over the air.
inline constexpr std::chrono::milliseconds kWirelessResetPause{1600};

/// 07 F0 AA 00 00 00 00 00.
FeatureReport EncodeFactoryResetWired();
/// BB AA 99 88 AA AA AA AA AA AA, zeros.
Payload EncodeFactoryResetWireless();
/// BB AA 99 88, zeros: ends a reset over the air.
Payload EncodeWirelessResetEnd();
/// 00 FF FE AA FF, zeros.
OutputReport EncodeReportFactoryReset();

/// Resets the keyboard to its factory state with its command set and connection. True
/// when every report was sent; false also for device types of 300 and above.
bool FactoryReset(KeyboardCommandContext& ctx, int connectionMode);

}  // namespace KeyForge
