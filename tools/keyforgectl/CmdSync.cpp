// keyforgectl sync and reset: write the key table of the active profile to the connected
// keyboard, or reset the keyboard to its factory state.
#include <iostream>

#include "app/device/KeyCommands.h"
#include "app/device/MaintenanceCommands.h"
#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/KeyboardAccess.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

// The layer the key table is written from: the key page always edits the base layer.
constexpr int kBaseLayer = 0;

std::string KeyList(const std::vector<int>& codes) {
    std::string keys;
    for (const int code : codes) keys += (keys.empty() ? "" : ", ") + KeyName(code);
    return keys;
}

}  // namespace

int RunSync(Args& args) {
    const std::optional<int> type = TakeKeyboardOption(args);
    const std::optional<int> profile = TakeProfileOption(args);
    args.ExpectEnd();
    ConnectedKeyboard keyboard(type, profile);
    const KeyTableResult result = WriteKeyTable(keyboard.Context(), keyboard.Profile(), kBaseLayer);
    const bool feature = CommandSetOf(keyboard.Keyboard().deviceType) == CommandSet::Feature;
    std::cout << keyboard.Keyboard().name << ", profile " << keyboard.Profile() << ": keys written: " << result.macroKeys
              << " to macro slots, " << result.slotKeys << (feature ? " to key slots\n" : " to the key map\n");
    if (!result.shortened.empty())
        std::cerr << "keyforgectl: the keyboard plays only the first " << (feature ? "82" : "255")
                  << " steps of the macro on " << KeyList(result.shortened) << "\n";
    if (result.notWritten.empty()) return 0;
    throw CtlError("not written to the keyboard: " + KeyList(result.notWritten) +
                   (feature ? " (the keyboard keeps 13 macro slots and 10 key slots)"
                            : " (no place in the key map, or the keyboard refused the upload)") +
                   keyboard.FailureText());
}

int RunReset(Args& args) {
    const std::optional<int> type = TakeKeyboardOption(args);
    args.ExpectEnd();
    ConnectedKeyboard keyboard(type, std::nullopt, false);
    if (!FactoryReset(keyboard.Context(), keyboard.ConnectionMode()))
        throw CtlError("the keyboard did not take the reset" + keyboard.FailureText());
    std::cout << keyboard.Keyboard().name << " is reset to its factory state\n";
    return 0;
}

}  // namespace KeyForge::Ctl
