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

/// One step of a macro slot (feature protocol): key code and delay byte.
struct SlotStep {
    std::uint8_t code = 0;
    std::uint8_t delay = 0;  ///< bit 7 release, bits 6-5 unit code, bits 4-0 count
};

/// What a macro slot plays (feature protocol).
struct MacroSlotContent {
    int playTimes = 0;
    std::vector<SlotStep> steps;
};

/// The light mode and its parameters as the feature protocol set them.
struct FeatureLight {
    bool set = false;
    bool wireless = false;  ///< came as a wireless payload
    int mode = 0;           ///< 1-based (the wire carries mode - 1)
    int colourIndex = 0;
    int direction = 0;
    int speed = 0;
    int brightness = 0;
    int option = 0;
};

/// The light parameters as the report protocol set them (00 89).
struct ReportLight {
    bool set = false;
    int flags = 0;  ///< direction << 4 | 0x40 colourful | speed
    int red = 0;
    int green = 0;
    int blue = 0;
    int brightness = 0;
};

/// The custom slot chosen with 07 FF FF.
struct CustomSlotChoice {
    bool set = false;
    int mode = 0;  ///< 1-based
    int brightness = 0;
    int speed = 0;
    int option = 0;
};

/// A macro block of the report protocol as its chunks filled it.
struct MacroBlockContent {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(Protocol::kMacroBlockSize, 0);
    std::size_t length = 0;  ///< the end of the furthest chunk received
};

/// The music levels received.
struct MusicLevels {
    long count = 0;
    int option = 0;
    int colourIndex = 0;
    int level = 0;  ///< the last one
};

/// Everything the keyboard's commands read and change.
struct KeyboardState {
    int firmwareVersion = 0x0100;
    std::array<std::uint8_t, kMacroSlots> macroSlots{};  ///< key code occupying each macro slot (0 free)
    std::array<KeySlot, kKeySlots> keySlots{};
    std::deque<std::vector<std::uint8_t>> pendingReplies;  ///< answers for the next feature gets
    int unknownCommands = 0;

    // Feature protocol.
    std::array<MacroSlotContent, kMacroSlots> macroSlotContent{};
    bool macroTransferOpen = false;           ///< a 07 F1 block is arriving
    std::vector<std::uint8_t> macroTransfer;  ///< its bytes so far
    int slotsOutOfRange = 0;                  ///< slot numbers beyond the tables (ignored)
    FeatureLight light;
    CustomSlotChoice customSlot;
    MusicLevels music;

    // Report protocol.
    ReportLight reportLight;
    std::array<std::uint8_t, Protocol::kKeyMapSize> keyMap{};  ///< (code, kind) by key index
    std::map<int, MacroBlockContent> macroBlocks;               ///< by macro slot
    std::array<std::uint8_t, Protocol::kKeyColourTableSize> keyColours{};
    bool streaming = false;
    long frames = 0;  ///< complete frames received
    std::array<std::uint8_t, Protocol::kFrameTableSize> frame{};      ///< the frame arriving
    std::array<std::uint8_t, Protocol::kFrameTableSize> lastFrame{};  ///< the last complete one
    int chunksOutOfRange = 0;  ///< chunks that pointed beyond their table (ignored)

    int factoryResets = 0;
};

/// The keyboard's commands as JSON members (each line "  \"name\": value,\n").
std::string ProtocolStateJson(const KeyboardState& state);

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
