// Choosing the connected keyboard and preparing its store, layout and command context.
#include "tools/keyforgectl/KeyboardAccess.h"

#include <cstdio>

#include "app/device/HidDeviceManager.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/Paths.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

// Scans as the program does and returns the device type of the keyboard to use.
int ChooseKeyboard(HidDeviceManager& manager, const DeviceDescription& description, std::optional<int> wanted) {
    manager.RegisterKnownDevices(description.modes);
    const RescanResult result = manager.Rescan(description.modes);
    for (std::size_t i = 0; i < description.modes.size(); ++i) {
        if (!result.modeConnected[i]) continue;
        const int type = description.modes[i].deviceType;
        if (!wanted || *wanted == type) return type;
    }
    if (wanted) {
        const KeyboardEntry* keyboard = FindKeyboardByType(description, *wanted);
        if (!keyboard) throw CtlError("no keyboard of device type " + std::to_string(*wanted) + " in config.xml");
        throw CtlError(keyboard->name + " is not connected", kExitNoKeyboard);
    }
    throw CtlError("no keyboard is connected", kExitNoKeyboard);
}

}  // namespace

ConnectedKeyboard::ConnectedKeyboard(std::optional<int> deviceType, std::optional<int> profile, bool needsProfile)
    : m_context{HidDeviceManager::Instance(), DataStore::Instance(), m_model, 0} {
    DeviceDescription description;
    if (!LoadDeviceDescription(DeviceDescriptionPath(), description))
        throw CtlError("cannot read " + DeviceDescriptionPath());
    HidDeviceManager& manager = m_context.device;
    const int type = ChooseKeyboard(manager, description, deviceType);
    m_keyboard = *FindKeyboardByType(description, type);
    // Commands go to the keyboard whose command set they speak.
    manager.SetCurrentDeviceType(type);
    m_connectionMode = manager.ConnectionMode();
    m_context.deviceType = type;
    if (CommandSetOf(type) == CommandSet::None)
        throw CtlError(m_keyboard.name + " (device type " + std::to_string(type) + ") takes no key or lighting writes");

    const std::string layout = LayoutFilePath(GetProgramFolder(), m_keyboard.layoutName);
    if (!ReadLayoutFile(layout, kPageFlagsBeforeLayout, m_model)) throw CtlError("cannot read " + layout);
    m_model.deviceType = type;
    m_model.keyboardName = m_keyboard.name;
    m_model.layoutName = m_keyboard.layoutName;
    DataStore& store = OpenStoreOf(type);
    if (needsProfile) m_profile = ResolveProfile(store, profile);
}

std::string ConnectedKeyboard::FailureText() const {
    const std::string error = m_context.device.LastError();
    return error.empty() ? std::string() : " (" + error + ")";
}

std::optional<int> TakeKeyboardOption(Args& args) {
    const std::optional<std::string> type = args.TakeOption("--keyboard");
    if (!type) return std::nullopt;
    return static_cast<int>(ParseNumberIn(*type, "keyboard type", 0, INT32_MAX));
}

std::string KeyName(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

}  // namespace KeyForge::Ctl
