// The emulated keyboard: its identity, the state its commands change, the replies it has
// ready for feature gets, and the log of every report it received. Command decoding lives
// in tables of handlers (KeyboardCommands.cpp), so more commands are added there.
//
// Thread-safe: the server thread feeds reports in while tests and the control socket read
// the state and the log.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "app/device/KeyboardProtocol.h"

namespace KeyForge::Emu {

/// How the keyboard misbehaves on transfers (to test the program's failure handling).
enum class Misbehaviour {
    None,       ///< answers every transfer correctly
    ShortRead,  ///< feature gets return 3 bytes, writes take half the report
    Error,      ///< every transfer fails with an I/O error
    NoReply,    ///< transfers are received and logged but never answered
    LateReply,  ///< transfers take effect but are answered only after kLateReplyDelay
};

/// How late a late reply comes: longer than the program waits for one.
inline constexpr std::chrono::milliseconds kLateReplyDelay{1500};

/// "none", "short-read", "error", "no-reply", "late-reply".
const char* MisbehaviourName(Misbehaviour m);
/// Parses a misbehaviour name; false for an unknown one.
bool ParseMisbehaviour(const std::string& name, Misbehaviour& out);

using Protocol::kKeySlots;
using Protocol::kMacroSlots;

/// One key slot: the key it changes and the function it gives the key.
struct KeySlot {
    std::uint8_t key = 0;
    std::uint8_t function = 0;
};

/// Everything the keyboard's commands read and change.
struct KeyboardState {
    int firmwareVersion = 0x0100;
    std::array<std::uint8_t, kMacroSlots> macroSlots{};  ///< key code occupying each macro slot (0 free)
    std::array<KeySlot, kKeySlots> keySlots{};
    std::deque<std::vector<std::uint8_t>> pendingReplies;  ///< answers for the next feature gets
    int unknownCommands = 0;
};

/// What the keyboard answers to one transfer.
struct Response {
    bool reply = true;               ///< false: no answer at all
    bool late = false;               ///< answer only after kLateReplyDelay
    int result = 0;                  ///< bytes taken or returned, or -errno
    std::vector<std::uint8_t> data;  ///< the report of a feature get
};

/// An emulated keyboard model, its state and its report log.
class EmulatedKeyboard {
public:
    /// The keyboard of config.xml with that name and device type, plugged in in `modes`.
    EmulatedKeyboard(std::string name, int deviceType, std::vector<int> modes, int firmwareVersion);

    /// The keyboard's name in config.xml.
    const std::string& Name() const { return m_name; }
    /// Its device type: up to 200 report protocol, 201-299 feature protocol.
    int DeviceType() const { return m_deviceType; }
    /// The connection modes it is plugged in with.
    const std::vector<int>& Modes() const { return m_modes; }

    /// An output report arrived on interface `number` of that connection mode.
    Response HandleWrite(int mode, int number, std::span<const std::uint8_t> report);
    /// A feature report was set.
    Response HandleSetFeature(int mode, int number, std::span<const std::uint8_t> report);
    /// A feature report is asked for (request[0] is the report ID).
    Response HandleGetFeature(int mode, int number, std::span<const std::uint8_t> request);
    /// Reports received on interface `number` of connection mode `mode`.
    long ReceivedOn(int mode, int number) const;

    /// Every report received since start (or the last clear), oldest first:
    /// "<mode> <out|set-feature|get-feature> <hex bytes>".
    std::vector<std::string> Log() const;
    /// Forgets the log.
    void ClearLog();
    /// The state as JSON (one object, ends with a line break).
    std::string StateJson() const;

    /// From now on transfers go wrong that way (None: right again).
    void SetMisbehaviour(Misbehaviour m);
    /// The current misbehaviour.
    Misbehaviour GetMisbehaviour() const;
    /// Changes the state under the keyboard's lock (tests prepare slot tables this way).
    template <class F>
    void Edit(F&& change) {
        std::lock_guard lock(m_mutex);
        change(m_state);
    }
    /// A copy of the state.
    KeyboardState State() const;

private:
    void Record(int mode, int number, const char* kind, std::span<const std::uint8_t> bytes);

    const std::string m_name;
    const int m_deviceType;
    const std::vector<int> m_modes;
    mutable std::mutex m_mutex;
    KeyboardState m_state;
    Misbehaviour m_misbehaviour = Misbehaviour::None;
    std::vector<std::string> m_log;
    long m_received = 0;
    std::map<std::pair<int, int>, long> m_receivedOn;  // (mode, interface number) -> reports
};

/// Applies a feature report (report ID 7, command byte, six parameters) to the state; may
/// queue replies for the gets that follow. Unknown commands are counted and ignored.
void DecodeFeatureCommand(KeyboardState& state, std::span<const std::uint8_t> report);
/// Applies an output report (report ID 0, command byte, parameters) to the state. Unknown
/// commands are counted and ignored. Both decoders are tables in KeyboardCommands.cpp.
void DecodeOutputCommand(KeyboardState& state, std::span<const std::uint8_t> report);

/// Upper-case hex pairs separated by spaces.
std::string HexBytes(std::span<const std::uint8_t> bytes);

}  // namespace KeyForge::Emu
