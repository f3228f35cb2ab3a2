// The HID transport: listing the HID interfaces present, opening one by its interface
// path and moving output and feature reports. Backends (hidraw, the keyboard emulator,
// test fakes) implement the two small interfaces below; everything above them talks to
// the free functions, which hold the framing rules shared by every backend.
//
// Error convention: operations return none (null), -1 or false on failure and record
// the failure text on the connection (HidErrorText). Nothing throws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace KeyForge {

/// Output reports are handed over as the report ID byte followed by 64 payload bytes.
inline constexpr std::size_t kOutputReportSize = 65;
/// Feature reports are the report ID byte followed by 7 bytes.
inline constexpr std::size_t kFeatureReportSize = 8;

using OutputReport = std::array<std::uint8_t, kOutputReportSize>;
using FeatureReport = std::array<std::uint8_t, kFeatureReportSize>;

/// One HID interface (top-level collection) present on the system.
struct HidInterfaceInfo {
    std::string path;             ///< interface path, \\?\HID#VID_..&PID_..[&MI_..]#<instance>#{...}
    std::uint16_t vendorId = 0;   ///< from the interface's HID attributes
    std::uint16_t productId = 0;  ///< from the HID attributes
    std::uint16_t releaseNumber = 0;  ///< the attributes' version number
    std::string productText;      ///< always empty: the enumeration reads no strings from devices
    std::uint16_t usagePage = 0;  ///< of the top-level collection; 0 when unreadable
    std::uint16_t usage = 0;      ///< of the top-level collection; 0 when unreadable
    int interfaceNumber = -1;     ///< hex number after the first "&MI_" of the path, or -1
};

/// The enumeration result; owned by the caller (FreeHidList empties it).
using HidInterfaceList = std::vector<HidInterfaceInfo>;

/// One open interface. A backend implements the raw transfers; the free functions
/// below add the framing and keep the failure text.
class HidConnection {
public:
    virtual ~HidConnection() = default;

    /// The interface's output report length in bytes (report ID included); 0 when unknown.
    virtual std::size_t OutputReportLength() const = 0;
    /// Writes the whole buffer as one output report; bytes written or -1 (SetError first).
    virtual int RawWrite(std::span<const std::uint8_t> report) = 0;
    /// Sets a feature report; false on failure (SetError first).
    virtual bool RawSetFeature(std::span<const std::uint8_t> report) = 0;
    /// Gets a feature report: buffer[0] holds the report ID. Bytes returned or -1.
    virtual int RawGetFeature(std::span<std::uint8_t> buffer) = 0;

    /// The last failure's text ("" until the first failure).
    std::string ErrorText() const;
    /// Records a failure text (replaces the previous one).
    void SetError(std::string text);

private:
    mutable std::mutex m_errorMutex;
    std::string m_error;
};

/// A source of HID interfaces: enumerate them and open one by its path.
class HidTransport {
public:
    virtual ~HidTransport() = default;
    /// Every interface this backend can see, in a stable order (no vendor filter).
    virtual HidInterfaceList Enumerate() = 0;
    /// Opens the interface for reading and writing; null when it cannot be opened
    /// (the reason goes to `error`).
    virtual std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) = 0;
};

/// Lists every HID interface of the transport.
HidInterfaceList EnumerateHid(HidTransport& transport);
/// Releases a list returned by EnumerateHid.
void FreeHidList(HidInterfaceList& list);
/// Opens an interface by its path; null on failure.
std::unique_ptr<HidConnection> OpenHidPath(HidTransport& transport, const std::string& path);
/// Closes the interface (pending transfers end with it) and releases the connection.
void CloseHid(std::unique_ptr<HidConnection>& connection);
/// Writes a 65-byte output report, zero-padded to the interface's output report length
/// when that is longer. Bytes written, or -1 (also for a short write).
int WriteOutputReport(HidConnection& connection, const OutputReport& report);
/// Sets an 8-byte feature report; false on failure.
bool SetFeatureReport(HidConnection& connection, const FeatureReport& report);
/// Gets feature report buffer[0] into buffer (request in, reply out). The reply bytes
/// are copied only when the whole report came back; a short reply is a failure (-1).
/// Returns the bytes returned (8) or -1.
int GetFeatureReport(HidConnection& connection, FeatureReport& buffer);
/// The text of the last failure on the connection.
std::string HidErrorText(const HidConnection& connection);

}  // namespace KeyForge
