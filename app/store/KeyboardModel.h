// The keyboard model of the current layout as plain data: the pages to offer, the
// feature switches, the lighting limits and modes, the firmware fields, the picture,
// the key index maps, the 8 x 32 key grid and the key items. The main window applies
// it to its tabs, selector and keyboard views; the device link, the lighting engines
// and keyforgectl read it. Nothing here knows about the UI library.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace KeyForge {

/// The key grid: 8 rows of 32 columns, one byte per cell.
inline constexpr int kKeyGridRows = 8;
inline constexpr int kKeyGridColumns = 32;
/// A grid cell where no key stands.
inline constexpr std::uint8_t kNoKeyCell = 0xFF;
/// The key code of a key that cannot be reassigned (the Fn key).
inline constexpr unsigned kFixedKeyCode = 0xFF;

/// Page flags: which pages and keyboard views the layout offers.
enum PageFlag : unsigned {
    kPageKeys = 1u << 0,       ///< key customization page (tab item 1)
    kPageMacros = 1u << 1,     ///< macro page (tab item 2)
    kPageLighting = 1u << 2,   ///< lighting page (tab item 3)
    kPageThirdView = 1u << 6,  ///< the third keyboard view's page (tab item 7)
};
/// The page flags before any layout was loaded: bits 0 to 6.
inline constexpr unsigned kPageFlagsBeforeLayout = 0x7F;

/// config_func bits of a light mode: which settings the lighting page shows.
enum LightFunction : int {
    kLightBrightness = 0x0001,
    kLightSpeed = 0x0002,
    kLightDirectionLeftRight = 0x0004,
    kLightDirectionUpDown = 0x0008,
    kLightColourWheel = 0x0010,
    kLightPresetColour = 0x0020,
    kLightColourRow1 = 0x0040,
    kLightColourRow2 = 0x0080,
    kLightPerKeyColours = 0x0100,
    kLightMusic = 0x0200,
    kLightScreen = 0x0400,
    kLightAreaColours = 0x0800,
    kLightColourRow3 = 0x1000,
};

/// The slider maximum of brightness and speed when the layout names none.
inline constexpr int kDefaultSliderMaximum = 4;

/// One light mode of the layout (`info` inside `light`), in file order.
struct LightModeInfo {
    std::string name;    ///< `name`: a language text number written as text
    int mode = 0;        ///< `mode`: the keyboard's own mode number (1-based)
    int configFunc = 0;  ///< `attribute`: LightFunction bits
    int reserved = 0;    ///< `reserved`: carried into the light record as it is
};

/// A rectangle in picture coordinates: left and top inside, right and bottom outside.
struct KeyRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const KeyRect&) const = default;
};

/// One key of the picture, as handed to each keyboard view.
struct KeyItem {
    std::string name;         ///< `name`: drawn on the key
    std::string description;  ///< `desc`: first line of the key's tip
    unsigned code = 0;        ///< `code`: the key code (a HID keyboard usage; 0xFF cannot be reassigned)
    KeyRect rect;             ///< `rect` x#y#w#h as (x, y, x + w, y + h)
    std::string icon;         ///< always empty: the views draw no icons on keys
    int keyIndex = 0;         ///< `key_index`
    int row = -1;             ///< grid row from `row_col`, -1 when unreadable
    int column = -1;          ///< grid column from `row_col`, -1 when unreadable
    /// True when (row, column) lies in the 8 x 32 grid; keys outside it have no cell
    /// (no screen or music colour reaches them) but are still shown and assignable.
    bool InGrid() const { return row >= 0 && row < kKeyGridRows && column >= 0 && column < kKeyGridColumns; }
};

/// The keyboard picture and its place (`Keyboard` element).
struct KeyboardPicture {
    int x = 0;              ///< `xpos`
    int y = 0;              ///< `ypos`
    int width = 0;          ///< `width`
    int height = 0;         ///< `height`
    std::string image;      ///< `image`: a file name in the keyboard folder
    int rowCount = 0;       ///< `row_count`: rows of the key grid in use
    int columnCount = 0;    ///< `col_count`: columns of the key grid in use
    /// The picture file relative to the program folder ("keyboard/<image>"), or "".
    std::string ImagePath() const { return image.empty() ? std::string() : "keyboard/" + image; }
};

using KeyGrid = std::array<std::array<std::uint8_t, kKeyGridColumns>, kKeyGridRows>;

/// The model of the current keyboard, rebuilt by each layout load.
struct KeyboardModel {
    int deviceType = 0;        ///< the device type shown (the current device type)
    std::string keyboardName;  ///< its keyboard's `name` (the store belongs to it)
    std::string layoutName;    ///< its layout name (`device_info`)

    unsigned pageFlags = kPageFlagsBeforeLayout;  ///< PageFlag bits
    bool sleepTimeSwitch = false;                 ///< `function` sleep_time is 1
    bool rgbSwitch = false;                       ///< `light` rgb_keyboard is 1
    int defaultLightMode = 0;                     ///< `light` default_mode
    int defaultBrightness = 0;                    ///< `light` default_brightness
    int defaultSpeed = 0;                         ///< `light` default_speed
    int brightnessMax = kDefaultSliderMaximum;    ///< `light` brightness_max: brightness slider maximum
    int speedMax = kDefaultSliderMaximum;         ///< `light` speed_max: speed slider maximum

    std::string firmwareVersion;  ///< `firmware` version
    std::string firmwareFile;     ///< `firmware` file: the firmware tool in <program folder>firmware/
    std::string firmwareUrl;      ///< `firmware` url: base of the firmware version file and package

    std::vector<LightModeInfo> lightModes;  ///< in file order

    KeyboardPicture picture;
    std::map<unsigned, int> keyIndexMap;    ///< key code -> key index (key maps of the report protocol)
    std::map<unsigned, int> lightIndexMap;  ///< key code -> key index (per-key colours and frames)
    KeyGrid keyGrid = EmptyKeyGrid();       ///< low byte of the key code per cell, kNoKeyCell where none
    std::vector<KeyItem> keyItems;          ///< in file order

    /// A grid with no key in any cell.
    static KeyGrid EmptyKeyGrid();
    /// True when the tab item (1, 2, 3 or 7) is shown under these page flags; other items
    /// are not governed by the layout and report false.
    bool ShowsTab(int tabItem) const;
    /// True when the settings page offers the firmware upgrade (version and file known).
    bool ShowsFirmwareUpgrade() const { return !firmwareVersion.empty() && !firmwareFile.empty(); }
    /// The light mode with that mode number, or null.
    const LightModeInfo* FindLightMode(int mode) const;
    /// The key with that code, or null.
    const KeyItem* FindKey(unsigned code) const;
};

}  // namespace KeyForge
