// keyforgectl keys and key: list the key functions of a profile's layer, give a key a
// function, or restore its default.
#include <cstdio>
#include <iostream>
#include <vector>

#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

// Key functions a user may assign (0, the default function, is "key reset"): 1 disabled,
// 2 key code, 3 macro, 5 mouse button, 6 and 8 to 10 kept for imported profiles,
// 7 shortcut, 12 function code of 500 and above.
bool IsKeyFunctionType(int type) {
    switch (type) {
        case 1: case 2: case 3: case 5: case 6: case 7: case 8: case 9: case 10: case 12: return true;
        default: return false;
    }
}

constexpr int kShortcutType = 7;
constexpr int kShortcutCount = 15;

// What macro_value may hold for each type, as the program itself writes it; the
// empty text when the value fits.
std::string ValueProblem(int type, int value) {
    switch (type) {
        case 1: return value == 1 ? "" : "a disabled key has value 1";
        case 2: return value >= 1 && value < 500 ? "" : "a key code (type 2) lies between 1 and 499";
        case 12: return value >= 500 ? "" : "a function code of type 12 is 500 or more";
        case 5:
            return value == 1 || value == 2 || value == 3 || value == 7 || value == 8
                       ? ""
                       : "a mouse button (type 5) is 1, 2, 3, 7 or 8";
        case kShortcutType:
            return value >= 1 && value <= kShortcutCount ? "" : "shortcut out of range (1 to 15): " + std::to_string(value);
        default: return "";
    }
}

int TakeLayer(Args& args) {
    const std::optional<std::string> layer = args.TakeOption("--layer");
    // Every key has a base layer (0) and an Fn layer (1).
    return layer ? static_cast<int>(ParseNumberIn(*layer, "layer", 0, 1)) : 0;
}

int KeyCode(Args& args) {
    return static_cast<int>(ParseNumberIn(args.Next("key code"), "key code", 1, 0xFFFF));
}

std::string Hex(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

int RunKeys(Args& args) {
    const int type = TakeKeyboardType(args);
    const std::optional<int> given = TakeProfileOption(args);
    const int layer = TakeLayer(args);
    args.ExpectEnd();
    DataStore& store = OpenStoreOf(type);
    const int profile = ResolveProfile(store, given);
    std::vector<KeyFunctionRecord> keys;
    store.GetKeyFunctions(profile, layer, keys);
    std::cout << "KEY\tTYPE\tVALUE\tVALUE2\tVALUE3\tDESC\n";
    for (const KeyFunctionRecord& k : keys)
        std::cout << Hex(k.key_code) << "\t" << k.macro_type << "\t" << k.macro_value << "\t" << k.macro_value2
                  << "\t" << k.macro_value3 << "\t" << k.macro_desc << "\n";
    return 0;
}

int RunKey(Args& args) {
    const int deviceType = TakeKeyboardType(args);
    const std::optional<int> given = TakeProfileOption(args);
    const int layer = TakeLayer(args);
    const std::string action = args.Next("action (set or reset)");
    if (action == "set") {
        const std::optional<std::string> value2 = args.TakeOption("--value2");
        const std::optional<std::string> value3 = args.TakeOption("--value3");
        const std::optional<std::string> desc = args.TakeOption("--desc");
        KeyFunctionRecord record;
        record.fn_layer = layer;
        record.key_code = KeyCode(args);
        record.macro_type = ParseInt32(args.Next("function type"), "function type");
        record.macro_value = ParseInt32(args.Next("value"), "value");
        record.macro_value2 = value2 ? ParseInt32(*value2, "value2") : 0;
        record.macro_value3 = value3 ? ParseInt32(*value3, "value3") : 0;
        record.macro_desc = desc.value_or("");
        args.ExpectEnd();
        if (record.macro_type == 0) throw CtlError("type 0 is the default function: use key reset");
        if (!IsKeyFunctionType(record.macro_type))
            throw CtlError("unknown function type: " + std::to_string(record.macro_type));
        if (record.macro_value == 0 && record.macro_value2 == 0)
            throw CtlError("value and value2 are both 0, which is the default function: use key reset");
        if (const std::string problem = ValueProblem(record.macro_type, record.macro_value); !problem.empty())
            throw CtlError(problem);
        CheckText(record.macro_desc, "description", true);

        DataStore& store = OpenStoreOf(deviceType);
        record.profile = ResolveProfile(store, given);
        MacroInfo macro;
        if (record.macro_type == kKeyTypeMacro && !store.GetMacro(record.macro_value, macro))
            throw CtlError("no macro " + std::to_string(record.macro_value));
        if (store.SaveKeyFunction(record) <= 0) throw CtlError("could not save key " + Hex(record.key_code));
        return 0;
    }
    if (action == "reset") {
        const int code = KeyCode(args);
        args.ExpectEnd();
        DataStore& store = OpenStoreOf(deviceType);
        const int profile = ResolveProfile(store, given);
        // A key without a row has its default function.
        store.SaveKeyFunction({.profile = profile, .fn_layer = layer, .key_code = code});
        KeyFunctionRecord left;
        if (store.GetKeyFunction(profile, layer, code, left)) throw CtlError("could not reset key " + Hex(code));
        return 0;
    }
    throw CtlError("unknown key action: " + action);
}

}  // namespace KeyForge::Ctl
