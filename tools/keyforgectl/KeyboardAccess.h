// What the keyforgectl commands that talk to a keyboard share: a scan as the program runs
// it, the choice of the keyboard (the one given with --keyboard TYPE, else the first one
// connected), its store, layout and active profile, and the command context on them.
#pragma once

#include <optional>
#include <string>

#include "app/device/KeyboardCommand.h"
#include "app/store/DeviceDescription.h"
#include "tools/keyforgectl/CommandLine.h"

namespace KeyForge::Ctl {

/// A connected keyboard ready for commands. Keep it alive while the context is used.
class ConnectedKeyboard {
public:
    /// Scans and chooses the keyboard: the one of device type `deviceType` when given,
    /// else the first connected one in config.xml order. Fails with exit code 2 when it is
    /// not connected, and with 1 when its store, layout or active profile is missing
    /// (`profile` chooses another profile; a command that works on no profile passes
    /// `needsProfile` false).
    ConnectedKeyboard(std::optional<int> deviceType, std::optional<int> profile, bool needsProfile = true);
    // The context refers to the model inside.
    ConnectedKeyboard(const ConnectedKeyboard&) = delete;
    ConnectedKeyboard& operator=(const ConnectedKeyboard&) = delete;

    /// The keyboard's entry in config.xml.
    const KeyboardEntry& Keyboard() const { return m_keyboard; }
    /// The profile the command works on.
    int Profile() const { return m_profile; }
    /// The connection mode found by the scan: 0 cable, 1 or 2 wireless.
    int ConnectionMode() const { return m_connectionMode; }
    /// The keyboard's layout.
    const KeyboardModel& Model() const { return m_model; }
    /// The context the commands run in (device manager, store, model, device type).
    KeyboardCommandContext& Context() { return m_context; }
    /// The device manager's last failure, as " (<text>)" or "".
    std::string FailureText() const;

private:
    KeyboardEntry m_keyboard;
    KeyboardModel m_model;
    int m_profile = 0;
    int m_connectionMode = -1;
    KeyboardCommandContext m_context;
};

/// Takes "--keyboard TYPE" when present.
std::optional<int> TakeKeyboardOption(Args& args);
/// "0x29" for a key code.
std::string KeyName(int code);

}  // namespace KeyForge::Ctl
