// Key codes and step timing shared by both command sets: the translation of the virtual-key
// codes that macro steps store into the keyboard's own codes, the feature protocol's delay
// byte and the fixed shortcut sequences. Pure functions of their inputs.
#pragma once

#include <cstdint>
#include <span>

namespace KeyForge {

/// The keyboard's code (a HID keyboard usage; 232-249 for media and browser keys) of a
/// virtual-key code as macro steps store it; 0 for a code the keyboard has no key for.
std::uint8_t KeyCodeFromVirtualKey(int virtualKey);

/// The feature protocol's delay byte of a step: bit 7 set for a release, bits 6-5 the
/// unit code, bits 4-0 the count. Delays are clamped to 31000 ms; never 0.
std::uint8_t EncodeDelay(int delayMs, bool release);

/// Shortcuts a key can play (macro_type 7): values 1 to 15.
inline constexpr int kShortcutFirst = 1;
inline constexpr int kShortcutLast = 15;

/// The keys of shortcut `value` in press order (released in reverse order); empty for a
/// value outside 1 to 15.
std::span<const std::uint8_t> ShortcutKeys(int value);

}  // namespace KeyForge
