// keyforgectl lights and light: the lighting mode records of a profile; changing a light
// mode and sending it, sending the per-key colours, painting keys.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/device/LightCommands.h"
#include "app/store/LightDefaults.h"
#include "tools/keyforgectl/KeyboardAccess.h"

#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

int RunLights(Args& args) {
    const int type = TakeKeyboardType(args);
    const std::optional<int> given = TakeProfileOption(args);
    args.ExpectEnd();
    DataStore& store = OpenStoreOf(type);
    const int profile = ResolveProfile(store, given);
    std::vector<LightRecord> lights;
    store.GetLights(profile, lights);
    std::cout << "MODE\tNAME\tBRIGHTNESS\tSPEED\tDIRECTION\tCOLORFUL\tCOLORINDEX\tCOLOR\tCONFIG_FUNC\tACTIVE\n";
    for (const LightRecord& l : lights) {
        char color[16], config[16];
        std::snprintf(color, sizeof color, "0x%06X", static_cast<unsigned>(l.color_value));
        std::snprintf(config, sizeof config, "0x%04X", static_cast<unsigned>(l.config_func));
        std::cout << l.mode << "\t" << l.name << "\t" << l.brightness << "\t" << l.speed << "\t" << l.direction << "\t"
                  << l.colorful << "\t" << l.colorindex << "\t" << color << "\t" << config << "\t"
                  << (l.status == 1 ? "*" : "") << "\n";
    }
    return 0;
}


// ---- keyforgectl light: change and send the lighting of the connected keyboard.

namespace {

// A colour written RRGGBB, as the application keeps it: red in the low byte.
std::int32_t ParseColour(const std::string& text) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw CtlError("bad colour (RRGGBB): " + text);
    const unsigned long rgb = std::stoul(text, nullptr, 16);
    return static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

int LightSet(Args& args, std::optional<int> type, std::optional<int> profile) {
    const auto brightness = args.TakeOption("--brightness");
    const auto speed = args.TakeOption("--speed");
    const auto direction = args.TakeOption("--direction");
    const auto colour = args.TakeOption("--color");
    const auto colourful = args.TakeOption("--colorful");
    const auto colourIndex = args.TakeOption("--colorindex");
    const int mode = static_cast<int>(ParseNumberIn(args.Next("light mode"), "light mode", 1, INT32_MAX));
    args.ExpectEnd();

    ConnectedKeyboard keyboard(type, profile);
    KeyboardCommandContext& ctx = keyboard.Context();
    const KeyboardModel& model = keyboard.Model();
    // A profile without light records gets them from the layout, as the lighting page does.
    if (!EnsureLightRecords(ctx.store, keyboard.Profile(), model))
        throw CtlError("could not create the light records of profile " + std::to_string(keyboard.Profile()));
    LightRecord light;
    if (!ctx.store.GetLight(keyboard.Profile(), mode, light)) {
        std::string modes;
        for (const LightModeInfo& m : model.lightModes) modes += (modes.empty() ? "" : ", ") + std::to_string(m.mode);
        throw CtlError(keyboard.Keyboard().name + " has no light mode " + std::to_string(mode) + " (it has " + modes +
                       ")");
    }
    if (brightness) light.brightness = static_cast<int>(ParseNumberIn(*brightness, "brightness", 1, model.brightnessMax));
    if (speed) light.speed = static_cast<int>(ParseNumberIn(*speed, "speed", 1, model.speedMax));
    if (direction) light.direction = static_cast<int>(ParseNumberIn(*direction, "direction", 0, 255));
    if (colour) light.color_value = ParseColour(*colour);
    if (colourful) light.colorful = static_cast<int>(ParseNumberIn(*colourful, "colorful", 0, 1));
    if (colourIndex) light.colorindex = static_cast<int>(ParseNumberIn(*colourIndex, "colorindex", 0, 255));
    if (!ctx.store.UpdateLight(keyboard.Profile(), mode, light) || !ctx.store.SetActiveLight(keyboard.Profile(), mode))
        throw CtlError("could not store light mode " + std::to_string(mode));

    // The screen effect, and the music effect of feature-protocol keyboards, are driven by
    // the computer while the program runs; the keyboard gets no mode for them.
    const bool driven = (light.config_func & kLightScreen) ||
                        ((light.config_func & kLightMusic) && CommandSetOf(ctx.deviceType) == CommandSet::Feature);
    if (driven) {
        std::cout << "light mode " << mode << " stored and active; the program drives it, nothing sent\n";
        return 0;
    }
    if (!SetLightMode(ctx, keyboard.Profile(), mode, kFirstCustomSlot, keyboard.ConnectionMode()))
        throw CtlError("the keyboard did not take light mode " + std::to_string(mode) + keyboard.FailureText());
    std::cout << "light mode " << mode << " sent to " << keyboard.Keyboard().name
              << (keyboard.ConnectionMode() == kWiredMode ? "" : " over the air") << "\n";
    return 0;
}

// KEYCODE=RRGGBB pairs; every key must be on the keyboard.
std::vector<KeyLightRecord> ParsePaint(Args& args, const KeyboardModel& model, int profile) {
    std::vector<KeyLightRecord> rows;
    while (args.HasMore()) {
        const std::string pair = args.Next("KEYCODE=RRGGBB");
        const std::size_t eq = pair.find('=');
        if (eq == std::string::npos) throw CtlError("expected KEYCODE=RRGGBB: " + pair);
        const int code = static_cast<int>(ParseNumberIn(pair.substr(0, eq), "key code", 1, 0xFFFF));
        if (!model.FindKey(static_cast<unsigned>(code))) throw CtlError("the keyboard has no key " + KeyName(code));
        for (const KeyLightRecord& r : rows)
            if (r.key_code == code) throw CtlError("key " + KeyName(code) + " is given twice");
        rows.push_back({.profile = profile, .light_id = kPerKeyLightMode, .key_code = code,
                        .key_rgb = ParseColour(pair.substr(eq + 1))});
    }
    if (rows.empty()) throw CtlError("missing KEYCODE=RRGGBB");
    return rows;
}

int LightKeys(Args& args, std::optional<int> type, std::optional<int> profile, bool paint) {
    if (!paint) args.ExpectEnd();
    ConnectedKeyboard keyboard(type, profile);
    KeyboardCommandContext& ctx = keyboard.Context();
    if (paint) {
        const std::vector<KeyLightRecord> rows = ParsePaint(args, keyboard.Model(), keyboard.Profile());
        // The old colours go only together with the new ones arriving whole.
        const bool stored = ctx.store.RunAtomically([&] {
            return ctx.store.DeleteKeyLights() && ctx.store.AddKeyLights(rows) == static_cast<int>(rows.size());
        });
        if (!stored) throw CtlError("could not store the key colours");
    }
    std::vector<KeyLightRecord> stored;
    ctx.store.GetKeyLights(kPerKeyLightMode, stored);
    if (!UploadKeyColours(ctx)) throw CtlError("the keyboard did not take the key colours" + keyboard.FailureText());
    std::cout << stored.size() << " key colours sent to " << keyboard.Keyboard().name << "\n";
    return 0;
}

}  // namespace

int RunLight(Args& args) {
    const std::optional<int> type = TakeKeyboardOption(args);
    const std::optional<int> profile = TakeProfileOption(args);
    const std::string action = args.Next("action (set, keys or paint)");
    if (action == "set") return LightSet(args, type, profile);
    if (action == "keys") return LightKeys(args, type, profile, false);
    if (action == "paint") return LightKeys(args, type, profile, true);
    throw CtlError("unknown light action: " + action);
}

}  // namespace KeyForge::Ctl
