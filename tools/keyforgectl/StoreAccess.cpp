// Keyboard choice, store opening and argument checks of the store commands.
#include "tools/keyforgectl/StoreAccess.h"

#include <cstdint>

#include "app/store/DeviceDescription.h"
#include "app/store/KeyboardStore.h"
#include "app/store/Paths.h"
#include "app/store/TextCodec.h"

namespace KeyForge::Ctl {

int TakeKeyboardType(Args& args) {
    const std::optional<std::string> type = args.TakeOption("--keyboard");
    if (!type) return kDefaultDeviceType;
    return static_cast<int>(ParseNumberIn(*type, "keyboard type", 0, INT32_MAX));
}

std::optional<int> TakeProfileOption(Args& args) {
    const std::optional<std::string> profile = args.TakeOption("--profile");
    if (!profile) return std::nullopt;
    return static_cast<int>(ParseNumberIn(*profile, "profile", 1, INT32_MAX));
}

DataStore& OpenStoreOf(int deviceType) {
    DeviceDescription description;
    const std::string config = GetProgramFolder() + "config.xml";
    if (!LoadDeviceDescription(config, description)) throw CtlError("cannot read " + config);
    const KeyboardEntry* keyboard = FindKeyboardByType(description, deviceType);
    if (keyboard == nullptr)
        throw CtlError("no keyboard of device type " + std::to_string(deviceType) + " in " + config);
    DataStore& store = DataStore::Instance();
    if (!OpenKeyboardStore(store, keyboard->name)) throw CtlError("cannot open the store " + store.GetPath());
    return store;
}

void CheckProfileExists(DataStore& store, int profile) {
    std::string name;
    if (!store.GetProfileName(profile, name)) throw CtlError("no profile " + std::to_string(profile));
}

int ResolveProfile(DataStore& store, std::optional<int> given) {
    if (given) {
        CheckProfileExists(store, *given);
        return *given;
    }
    const int active = store.GetActiveProfile();
    if (active <= 0) throw CtlError("no active profile (give --profile ID)");
    return active;
}

std::int32_t ParseInt32(std::string_view text, std::string_view what) {
    return static_cast<std::int32_t>(ParseNumberIn(text, what, INT32_MIN, INT32_MAX));
}

std::int32_t ParseCount(std::string_view text, std::string_view what) {
    return static_cast<std::int32_t>(ParseNumberIn(text, what, 0, INT32_MAX));
}

void CheckText(const std::string& text, std::string_view what, bool allowEmpty) {
    if (text.empty() && !allowEmpty) throw CtlError(std::string(what) + " cannot be empty");
    if (!IsValidUtf8(text)) throw CtlError(std::string(what) + " is not valid UTF-8");
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) throw CtlError(std::string(what) + " cannot hold control characters");
}

}  // namespace KeyForge::Ctl
