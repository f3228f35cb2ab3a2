// keyforgectl keyboards and layout: the keyboards of config.xml with their connection
// modes, and the keyboard model a device type's layout gives.
#include <cstdio>
#include <iostream>
#include <string>

#include "app/store/KeyboardLayout.h"
#include "app/store/LanguageTexts.h"
#include "app/store/Paths.h"
#include "tools/keyforgectl/Commands.h"

namespace KeyForge::Ctl {

namespace {

DeviceDescription LoadDescriptionOrFail() {
    DeviceDescription description;
    if (!LoadDeviceDescription(DeviceDescriptionPath(), description))
        throw CtlError("cannot read " + DeviceDescriptionPath());
    return description;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// `text` padded with blanks to `width` characters.
std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string PageNames(unsigned flags) {
    std::string names;
    const struct {
        unsigned bit;
        const char* name;
    } pages[] = {{kPageKeys, "keys"}, {kPageMacros, "macros"}, {kPageLighting, "lighting"}, {kPageThirdView, "third view"}};
    for (const auto& p : pages) {
        if (!(flags & p.bit)) continue;
        if (!names.empty()) names += ", ";
        names += p.name;
    }
    return names.empty() ? "none" : names;
}

// A light mode's name is a language text number; show the number and its text.
std::string LightModeName(const std::string& name) {
    const int number = std::atoi(name.c_str());
    const std::string text = number > 0 ? GetText(number) : std::string();
    return text.empty() ? name : name + " " + text;
}

void PrintGrid(const KeyboardModel& m) {
    std::cout << "Key grid (8 x 32, low byte of the key code, .. no key):\n";
    std::cout << "    ";
    for (int c = 0; c < kKeyGridColumns; ++c) std::cout << (c < 10 ? "  " : " ") << c;
    std::cout << "\n";
    for (int r = 0; r < kKeyGridRows; ++r) {
        std::cout << "  " << r << " ";
        for (int c = 0; c < kKeyGridColumns; ++c) {
            const std::uint8_t cell = m.keyGrid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            std::cout << ' ' << (cell == kNoKeyCell ? std::string("..") : Hex(cell, 2));
        }
        std::cout << "\n";
    }
}

}  // namespace

int RunKeyboards(Args& args) {
    args.ExpectEnd();
    const DeviceDescription d = LoadDescriptionOrFail();
    if (d.keyboards.empty()) throw CtlError("no keyboard in " + DeviceDescriptionPath());
    for (const KeyboardEntry& k : d.keyboards) {
        std::cout << k.name << "  device type " << k.deviceType << "  layout " << k.layoutName << "\n";
        for (const KeyboardEntry& m : d.modes) {
            if (m.keyboardName != k.name || m.deviceType != k.deviceType) continue;
            std::cout << "  mode " << m.mode << "  " << Padded(m.modeCaption, 18) << " "
                      << Hex(static_cast<unsigned>(m.vendorId), 4) << ":" << Hex(static_cast<unsigned>(m.productId), 4)
                      << "  " << (m.interfacePattern.empty() ? "(no interface pattern)" : m.interfacePattern) << "\n";
        }
    }
    return 0;
}

int RunLayout(Args& args) {
    const int deviceType = static_cast<int>(ParseNumberIn(args.Next("device type"), "device type", 0, 0x7FFFFFFF));
    args.ExpectEnd();
    const DeviceDescription d = LoadDescriptionOrFail();
    const KeyboardEntry* keyboard = FindKeyboardByType(d, deviceType);
    if (!keyboard) throw CtlError("no keyboard of device type " + std::to_string(deviceType));
    KeyboardModel m;
    if (!LoadKeyboardLayout(d, deviceType, m, nullptr, GetProgramFolder()))
        throw CtlError("cannot read the layout " + LayoutFilePath(GetProgramFolder(), keyboard->layoutName));

    std::cout << "Keyboard:     " << m.keyboardName << " (device type " << m.deviceType << ", layout " << m.layoutName
              << ")\n"
              << "Pages:        0x" << Hex(m.pageFlags, 2) << " (" << PageNames(m.pageFlags) << ")\n"
              << "Sleep time:   " << (m.sleepTimeSwitch ? "on" : "off") << "\n"
              << "RGB:          " << (m.rgbSwitch ? "on" : "off") << "\n"
              << "Firmware:     ";
    if (m.firmwareVersion.empty() && m.firmwareFile.empty() && m.firmwareUrl.empty())
        std::cout << "none\n";
    else
        std::cout << "version " << m.firmwareVersion << ", tool " << m.firmwareFile << ", " << m.firmwareUrl
                  << (m.ShowsFirmwareUpgrade() ? "" : " (no upgrade offered)") << "\n";
    std::cout << "Light:        default mode " << m.defaultLightMode << ", brightness " << m.defaultBrightness << " of "
              << m.brightnessMax << ", speed " << m.defaultSpeed << " of " << m.speedMax << "\n"
              << "Light modes:\n";
    for (const LightModeInfo& info : m.lightModes)
        std::cout << "  mode " << (info.mode < 10 ? " " : "") << info.mode << "  config_func 0x"
                  << Hex(static_cast<unsigned>(info.configFunc), 4) << "  " << LightModeName(info.name) << "\n";
    std::cout << "Picture:      " << (m.picture.image.empty() ? "none" : m.picture.ImagePath()) << ", "
              << m.picture.width << " x " << m.picture.height << " at (" << m.picture.x << ", " << m.picture.y
              << "), grid " << m.picture.rowCount << " rows x " << m.picture.columnCount << " columns\n";
    int outside = 0;
    for (const KeyItem& k : m.keyItems) outside += !k.InGrid();
    std::cout << "Keys:         " << m.keyItems.size();
    if (outside) std::cout << " (" << outside << " outside the grid)";
    std::cout << "\n";
    PrintGrid(m);
    return 0;
}

}  // namespace KeyForge::Ctl
