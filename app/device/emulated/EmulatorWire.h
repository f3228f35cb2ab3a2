// The wire between the emulator backend and keyforge-emu: where emulated interfaces live
// (Unix sockets under $XDG_RUNTIME_DIR/keyforge/) and the request and reply messages
// that carry one HID transfer each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace KeyForge::EmuWire {

/// $XDG_RUNTIME_DIR/keyforge (or /tmp/keyforge-<uid> when the variable is unset), no trailing '/'.
std::string SocketFolder();

/// Instances of emulated interfaces start with this, so paths tell their backend.
inline constexpr std::string_view kInstancePrefix = "emu-";
/// Control sockets of running emulators: "ctl-<pid>-<serial>".
inline constexpr std::string_view kControlPrefix = "ctl-";
/// Sockets are bound under this prefix and renamed into place once they listen, so an
/// arrival is only seen when the interface already answers.
inline constexpr std::string_view kPendingPrefix = ".pending-";

/// True when a file name in the socket folder is an interface socket (named by its instance).
bool IsInterfaceSocketName(std::string_view name);
/// The socket file name of an emulated interface path (its instance); "" when the path is
/// not emulated.
std::string SocketNameOfPath(std::string_view path);

/// Transfer kinds of a request.
enum class Kind : std::uint8_t {
    Describe = 1,    ///< reply carries an InterfaceDescription
    Write = 2,       ///< an output report; reply result = bytes taken or -errno
    SetFeature = 3,  ///< a feature report; reply result = 0 or -errno
    GetFeature = 4,  ///< data = the request buffer; reply data = the report, result = its length or -errno
};

/// Every request starts with this header, followed by `length` data bytes.
struct RequestHeader {
    std::uint32_t sequence;  ///< echoed in the reply, so a late reply is never taken for a newer one
    std::uint8_t kind;       ///< a Kind
    std::uint8_t reserved[3];
    std::uint32_t length;
};
static_assert(sizeof(RequestHeader) == 12);

/// Every reply starts with this header, followed by `length` data bytes.
struct ReplyHeader {
    std::uint32_t sequence;
    std::int32_t result;
    std::uint32_t length;
};
static_assert(sizeof(ReplyHeader) == 12);

/// What an emulated interface says about itself (the reply data of Describe).
struct InterfaceDescription {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t releaseNumber;
    std::uint16_t usagePage;
    std::uint16_t usage;
    std::int16_t interfaceNumber;
    std::uint16_t outputReportLength;
    std::uint16_t featureReportLength;
    std::uint16_t flags;  ///< kFlagGatt
    std::uint16_t reserved;
};
static_assert(sizeof(InterfaceDescription) == 20);

/// The interface is a Bluetooth LE HID-over-GATT collection.
inline constexpr std::uint16_t kFlagGatt = 0x0001;

/// The interface path of the interface a socket describes: its hardware id (vendor and
/// product ID, interface number, GATT service) and the instance the socket is named by.
std::string PathOf(std::string_view instance, const InterfaceDescription& description);

/// The largest message either side sends (a long output report and its header).
inline constexpr std::size_t kMaxMessage = 4096;

}  // namespace KeyForge::EmuWire
