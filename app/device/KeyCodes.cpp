// Virtual-key translation, delay bytes and the shortcut table.
#include "app/device/KeyCodes.h"

#include <algorithm>
#include <array>

#include "app/device/KeyboardProtocol.h"

namespace KeyForge {

namespace {

// Single virtual keys and their keyboard codes (ranges are handled in code).
struct KeyPair {
    int virtualKey;
    std::uint8_t code;
};

constexpr KeyPair kSingleKeys[] = {
    {48, 39},                                                               // 0
    {13, 40}, {27, 41}, {8, 42}, {9, 43}, {32, 44},                         // Enter Esc Backspace Tab Space
    {189, 45}, {187, 46}, {219, 47}, {221, 48}, {220, 49},                  // - = [ ] backslash
    {666, 50},                                                              // non-US #
    {186, 51}, {222, 52}, {192, 53}, {188, 54}, {190, 55}, {191, 56},       // ; ' ` , . /
    {20, 57},                                                               // Caps Lock
    {44, 70}, {145, 71}, {19, 72}, {45, 73}, {36, 74}, {33, 75}, {46, 76}, {35, 77}, {34, 78},
    {39, 79}, {37, 80}, {40, 81}, {38, 82},                                 // arrows
    {144, 83}, {111, 84}, {106, 85}, {109, 86}, {107, 87}, {108, 88},       // keypad
    {96, 98}, {110, 99},                                                    // keypad 0 and .
    {162, 224}, {160, 225}, {164, 226}, {91, 227}, {163, 228}, {161, 229}, {165, 230}, {92, 231},
    {93, 101}, {226, 100}, {254, 175},
    {136, 136}, {137, 137}, {138, 138}, {139, 139},
    {173, 235}, {174, 233}, {175, 234}, {176, 239}, {177, 237}, {178, 236}, {179, 238},  // media
    {166, 243}, {167, 244}, {168, 246}, {169, 245}, {170, 247}, {171, 248}, {172, 241},  // browser
    {180, 240}, {181, 232}, {182, 249}, {183, 242},
};

constexpr std::uint8_t kCtrl = 224;
constexpr std::uint8_t kAlt = 226;
constexpr std::uint8_t kWin = 227;

// Index 0 is unused so that the table reads by shortcut value.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kShortcuts = {{
    {},
    {kCtrl, 4},        // select all
    {kCtrl, 6},        // copy
    {kCtrl, 27},       // cut
    {kCtrl, 25},       // paste
    {kCtrl, 29},       // undo
    {kCtrl, 22},       // save
    {kWin, 8},         // file manager
    {kWin, 15},        // lock
    {kWin, 7},         // desktop
    {kAlt, 43},        // switch window
    {kWin, 16},        // minimise all
    {kCtrl, 26},       // close tab
    {kAlt, 44, 27},    // maximise
    {kAlt, 44, 17},    // minimise
    {kAlt, 61},        // close window
}};

constexpr int kMaxDelayMs = 31000;

}  // namespace

std::uint8_t KeyCodeFromVirtualKey(int vk) {
    if (vk >= 65 && vk <= 90) return static_cast<std::uint8_t>(vk - 61);    // A-Z
    if (vk >= 49 && vk <= 57) return static_cast<std::uint8_t>(vk - 19);    // 1-9
    if (vk >= 112 && vk <= 123) return static_cast<std::uint8_t>(vk - 54);  // F1-F12
    if (vk >= 124 && vk <= 135) return static_cast<std::uint8_t>(vk - 20);  // F13-F24
    if (vk >= 97 && vk <= 105) return static_cast<std::uint8_t>(vk - 8);    // keypad 1-9
    for (const KeyPair& k : kSingleKeys)
        if (k.virtualKey == vk) return k.code;
    return 0;
}

std::uint8_t EncodeDelay(int delayMs, bool release) {
    const int d = std::min(delayMs, kMaxDelayMs);
    int count = 0;
    int unit = 0;
    if (d < 0) {
        count = 0;
    } else if (d <= 10) {
        count = 1;
    } else if (d <= 310) {
        count = d / 10;
    } else if (d <= 1550) {
        count = d / 50;
        unit = 1;
    } else if (d <= 3100) {
        // Counted in 100 ms steps but sent with unit code 1, as for 311-1550 ms: keyboards
        // in use have always been given these bytes, so they stay.
        count = d / 100;
        unit = 1;
    } else {
        count = d / 1000;
        unit = 3;
    }
    const std::uint8_t byte = static_cast<std::uint8_t>((release ? Protocol::kDelayReleaseBit : 0) |
                                                         (unit << Protocol::kDelayUnitShift) |
                                                         (count & Protocol::kDelayCountMask));
    return byte == 0 ? 1 : byte;
}

std::span<const std::uint8_t> ShortcutKeys(int value) {
    if (value < kShortcutFirst || value > kShortcutLast) return {};
    const auto& keys = kShortcuts[static_cast<std::size_t>(value)];
    const std::size_t count = keys[2] != 0 ? 3 : 2;
    return std::span<const std::uint8_t>(keys.data(), count);
}

}  // namespace KeyForge
