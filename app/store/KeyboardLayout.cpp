// Reads config.xml and the layout files into the keyboard lists and model. Elements
// are searched in file order, each search starting after the element found last: an
// element that stands out of order is not seen.
#include "app/store/KeyboardLayout.h"

#include <algorithm>
#include <climits>

#include <cctype>

#include "app/store/AttributeNumbers.h"
#include "app/store/XmlDocument.h"

namespace KeyForge {

namespace {

int IntAttribute(const XmlDocument& doc, std::string_view name) { return DecimalAttribute(doc.GetAttribute(name)); }

bool IsOne(const XmlDocument& doc, std::string_view name) { return IntAttribute(doc, name) == 1; }

// A whole non-negative number with optional blanks around it; -1 otherwise.
int WholeNumber(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.empty() || text.size() > 4) return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// `light`: the switches, defaults, slider limits and the light modes.
void ReadLight(XmlDocument& doc, KeyboardModel& model) {
    model.rgbSwitch = IsOne(doc, "rgb_keyboard");
    model.defaultLightMode = IntAttribute(doc, "default_mode");
    model.defaultBrightness = IntAttribute(doc, "default_brightness");
    model.defaultSpeed = IntAttribute(doc, "default_speed");
    // A slider whose maximum is absent or 0 could not be moved at all; it keeps its own.
    if (const int m = IntAttribute(doc, "brightness_max"); m > 0) model.brightnessMax = m;
    if (const int m = IntAttribute(doc, "speed_max"); m > 0) model.speedMax = m;
    model.lightModes.clear();
    if (!doc.EnterElement()) return;
    while (doc.FindNextElement("info")) {
        LightModeInfo info;
        info.name = doc.GetAttribute("name");
        info.mode = IntAttribute(doc, "mode");
        info.configFunc = IntAttribute(doc, "attribute");
        info.reserved = IntAttribute(doc, "reserved");
        model.lightModes.push_back(info);
    }
    doc.LeaveElement();
}

void ReadKey(const XmlDocument& doc, KeyboardModel& model) {
    KeyItem key;
    key.code = static_cast<unsigned>(HexAttribute(doc.GetAttribute("code")));
    key.name = doc.GetAttribute("name");
    key.description = doc.GetAttribute("desc");
    key.keyIndex = IntAttribute(doc, "key_index");
    // Both maps take the key index: the report protocol's key map and the per-key
    // colour tables address a key by it (`light_index` has no effect).
    model.keyIndexMap[key.code] = key.keyIndex;
    model.lightIndexMap[key.code] = key.keyIndex;
    ParseRowColumn(doc.GetAttribute("row_col"), key.row, key.column);
    if (key.InGrid())
        model.keyGrid[static_cast<std::size_t>(key.row)][static_cast<std::size_t>(key.column)] =
            static_cast<std::uint8_t>(key.code & 0xFF);
    key.rect = ParseKeyRect(doc.GetAttribute("rect"));
    model.keyItems.push_back(std::move(key));
}

// `Keyboard`: the picture and, inside `KeyItems`, every key.
void ReadKeyboard(XmlDocument& doc, KeyboardModel& model) {
    KeyboardPicture& p = model.picture;
    p.x = IntAttribute(doc, "xpos");
    p.y = IntAttribute(doc, "ypos");
    p.width = IntAttribute(doc, "width");
    p.height = IntAttribute(doc, "height");
    p.image = doc.GetAttribute("image");
    p.rowCount = IntAttribute(doc, "row_count");
    p.columnCount = IntAttribute(doc, "col_count");
    if (!doc.EnterElement()) return;
    if (doc.FindNextElement("KeyItems") && doc.EnterElement()) {
        while (doc.FindNextElement("key")) ReadKey(doc, model);
        doc.LeaveElement();
    }
    doc.LeaveElement();
}

bool SafeLayoutName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

std::string LayoutFilePath(const std::string& programFolder, const std::string& layoutName) {
    return programFolder + "layouts/" + layoutName + ".xml";
}

bool ParseRowColumn(std::string_view text, int& row, int& column) {
    row = column = -1;
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return false;
    const int r = WholeNumber(text.substr(0, comma));
    const int c = WholeNumber(text.substr(comma + 1));
    if (r < 0 || c < 0) return false;
    row = r;
    column = c;
    return true;
}

KeyRect ParseKeyRect(std::string_view text) {
    int part[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const std::size_t hash = text.find('#');
        part[i] = DecimalAttribute(text.substr(0, hash));
        if (hash == std::string_view::npos) break;
        text.remove_prefix(hash + 1);
    }
    // Absurd sizes stop at the int range instead of overflowing.
    const auto end = [](int start, int size) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(start) + size, INT_MIN, INT_MAX));
    };
    return KeyRect{part[0], part[1], end(part[0], part[2]), end(part[1], part[3])};
}

bool ReadLayoutFile(const std::string& path, unsigned previousPageFlags, KeyboardModel& model) {
    XmlDocument doc;
    if (!doc.LoadFile(path)) return false;
    if (!doc.FindNextElement("device.info") || !doc.EnterElement()) return false;

    // The model is replaced as a whole; only the page flags outlive a layout without `menu`.
    KeyboardModel fresh;
    fresh.deviceType = model.deviceType;
    fresh.keyboardName = model.keyboardName;
    fresh.layoutName = model.layoutName;
    fresh.pageFlags = previousPageFlags;
    if (doc.FindNextElement("menu")) {
        fresh.pageFlags = kPageKeys | kPageThirdView;
        if (IsOne(doc, "macro")) fresh.pageFlags |= kPageMacros;
        if (IsOne(doc, "light_mode")) fresh.pageFlags |= kPageLighting;
    }
    if (doc.FindNextElement("function")) fresh.sleepTimeSwitch = IsOne(doc, "sleep_time");
    if (doc.FindNextElement("firmware")) {
        fresh.firmwareVersion = doc.GetAttribute("version");
        fresh.firmwareFile = doc.GetAttribute("file");
        fresh.firmwareUrl = doc.GetAttribute("url");
    }
    if (doc.FindNextElement("light")) ReadLight(doc, fresh);
    if (doc.FindNextElement("Keyboard")) ReadKeyboard(doc, fresh);
    model = std::move(fresh);
    return true;
}

bool LoadKeyboardLayout(const DeviceDescription& description, int deviceType, KeyboardModel& model,
                        KeyboardStoreSwitch* store, const std::string& programFolder) {
    model.firmwareUrl.clear();
    const KeyboardEntry* keyboard = FindKeyboardByType(description, deviceType);
    const std::string name = keyboard ? keyboard->name : std::string();
    const std::string layout = keyboard ? keyboard->layoutName : std::string();
    model.deviceType = deviceType;
    model.keyboardName = name;
    if (store) store->SwitchToKeyboard(name);

    if (!SafeLayoutName(layout)) return false;
    const std::string previousLayout = model.layoutName;
    model.layoutName = layout;
    if (!ReadLayoutFile(LayoutFilePath(programFolder, layout), model.pageFlags, model)) {
        model.layoutName = previousLayout;  // the model still holds the previous layout's data
        return false;
    }
    return true;
}

bool LoadKeyboardDescription(const std::string& programFolder, DeviceDescription& description,
                             KeyboardModel& model, KeyboardStoreSwitch* store) {
    const bool described = LoadDeviceDescription(programFolder + "config.xml", description);
    const bool laidOut = LoadKeyboardLayout(description, kStartupDeviceType, model, store, programFolder);
    return described && laidOut;
}

}  // namespace KeyForge
