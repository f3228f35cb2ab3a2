// What the store commands of keyforgectl share: choosing the keyboard whose store they
// use, opening it, finding the profile to work on, and checking texts and numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/store/DataStore.h"
#include "tools/keyforgectl/CommandLine.h"

namespace KeyForge::Ctl {

/// The device type used when no --keyboard is given.
inline constexpr int kDefaultDeviceType = 201;

/// Takes "--keyboard TYPE": the device type of the keyboard whose store is used.
int TakeKeyboardType(Args& args);
/// Takes "--profile ID" when present.
std::optional<int> TakeProfileOption(Args& args);

/// Opens the store of the keyboard of that device type in config.xml (created on
/// first use); fails when config.xml has no such keyboard or the file cannot be opened.
DataStore& OpenStoreOf(int deviceType);

/// The given profile, which must exist, or else the active profile.
int ResolveProfile(DataStore& store, std::optional<int> given);
/// Fails unless the profile exists.
void CheckProfileExists(DataStore& store, int profile);

/// A signed 32-bit number in decimal or 0x-hex.
std::int32_t ParseInt32(std::string_view text, std::string_view what);
/// A number from 0 to 2^31-1.
std::int32_t ParseCount(std::string_view text, std::string_view what);
/// Fails unless the text is valid UTF-8 without control characters (tabs and line
/// breaks would break the listings), and not empty when `allowEmpty` is false.
void CheckText(const std::string& text, std::string_view what, bool allowEmpty);

}  // namespace KeyForge::Ctl
