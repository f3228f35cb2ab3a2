// The device manager: knows which HID interfaces belong to the supported keyboards,
// keeps them open, chooses the one commands go to and offers the send and read
// operations every keyboard command is built from.
//
// Error convention: sends return false (or -1, or nothing) on failure and keep the
// transport's failure text (LastError); the caller goes on. Nothing throws.
//
// Threads: rescans run on one thread (the worker), sends come from any thread. The open
// list and the current-interface cache are guarded by one lock; every open interface has
// its own send lock, held for each whole report (and for each request/reply exchange),
// and a rescan closes an interface only under that lock. So a rescan never closes an
// interface while another thread is sending on it, and a send that comes after the close
// fails quietly.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "app/device/HidTransport.h"
#include "app/device/KeyboardProtocol.h"
#include "app/store/DeviceDescription.h"

namespace KeyForge {

/// Pause before each paced feature report (and between the steps of a table read).
inline constexpr std::chrono::milliseconds kFeaturePause{16};
/// Pause before the single retry of a failed output report.
inline constexpr std::chrono::milliseconds kReportRetryPause{10};
/// Pause before the single retry of a failed wireless payload.
inline constexpr std::chrono::milliseconds kPayloadRetryPause{32};

/// Vendor interfaces are the top-level collections with this usage page and usage.
inline constexpr std::uint16_t kVendorUsagePage = 0xFF01;
inline constexpr std::uint16_t kVendorUsage = 0x0001;

/// The slot tables as ReadTable fills them (layout in KeyboardProtocol.h).
using SlotTableBytes = std::array<std::uint8_t, Protocol::kSlotTableSize>;
/// A wireless payload: 64 bytes that travel behind report ID 0.
inline constexpr std::size_t kPayloadSize = 64;
using Payload = std::array<std::uint8_t, kPayloadSize>;

/// One connection mode of a supported keyboard (a `mode` element of config.xml).
struct KnownDevice {
    int vendorId = 0;
    int productId = 0;
    std::string productName;       ///< non-empty names never match: enumeration reads no product strings
    int deviceType = 0;
    int mode = 0;                  ///< 0 cable, 1 and 2 the wireless connections
    std::string interfacePattern;  ///< `hid_interface`, used by hotplug
};

/// An interface kept open by the last scan, as the manager describes it to callers.
struct OpenInterfaceInfo {
    int index = 0;                ///< position in the open list when added
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string path;             ///< as enumerated
    std::string productString;    ///< from the enumeration, so empty
    std::uint16_t releaseNumber = 0;
    int deviceType = 0;           ///< of the first known device with the same vendor and product ID
    int mode = 0;                 ///< of that known device
    int wired = 0;                ///< 1 when mode is 0
};

/// What a rescan found, as data for the window that shows it.
struct RescanResult {
    bool devicePresent = false;         ///< at least one interface is open
    bool keyboardConnected = false;     ///< some mode-list entry has an open interface
    std::vector<bool> modeConnected;    ///< per mode-list entry, in order
    std::vector<int> connectedDeviceTypes;  ///< device types to show as connected, in mode-list order
};

/// The process-wide set of open keyboard interfaces and its send operations.
class HidDeviceManager {
public:
    /// A manager on the given transport (tests pass the emulator or a fake).
    explicit HidDeviceManager(HidTransport& transport);
    ~HidDeviceManager();
    HidDeviceManager(const HidDeviceManager&) = delete;
    HidDeviceManager& operator=(const HidDeviceManager&) = delete;

    /// The process-wide manager on the system transport (hidraw and emulated keyboards).
    static HidDeviceManager& Instance();

    /// Appends a known device (never removed).
    void RegisterKnownDevice(const KnownDevice& device);
    /// Registers every entry of the mode list of config.xml.
    void RegisterKnownDevices(std::span<const KeyboardEntry> modeList);
    /// The known devices, in registration order.
    std::vector<KnownDevice> KnownDevices() const;

    /// Clears active and closes every open interface and the auxiliary one (also those of
    /// a scan that was never activated, so none is left open by a later scan).
    void CloseAll();
    /// Enumerates, opens the vendor interfaces of known devices and appends them to the
    /// open list (the "&MI_03" one becomes the auxiliary interface).
    void Scan();
    /// CloseAll, Scan, set active, current device type 0; reports which entries of the
    /// mode list have an open interface.
    RescanResult Rescan(std::span<const KeyboardEntry> modeList);

    /// True after a scan until CloseAll.
    bool IsActive() const;
    /// Appends the open interfaces of the current device type (all when it is 0); false
    /// when nothing was appended.
    bool CollectInterfaces(std::vector<OpenInterfaceInfo>& out) const;
    /// Index of the first open interface with that vendor and product ID and mode (and
    /// product string, when the name is non-empty); -1 when none.
    int FindInterface(int vendorId, int productId, const std::string& productName, int mode) const;
    /// The open interface at that index, if any.
    bool InterfaceAt(int index, OpenInterfaceInfo& out) const;

    /// Sets the device type commands go to (0 = all) and forgets the chosen interface.
    void SetCurrentDeviceType(int deviceType);
    /// The device type commands go to.
    int CurrentDeviceType() const;
    /// The interface commands go to: among the current device type's interfaces the first
    /// with mode 0, else mode 1, else mode 2. False when there is none.
    bool CurrentInterface(OpenInterfaceInfo& out) const;
    /// The connection mode reported for the current device type: 0 when any interface has
    /// mode 0, else 2 when any has mode 2, else 1 when any has mode 1, else -1. This
    /// reporting order (0, 2, 1) differs from the choice order of CurrentInterface
    /// (0, 1, 2): with both wireless interfaces present the mode reported is 2 while
    /// commands go to the mode-1 interface. Callers that decide the wired or wireless form
    /// of a command only ask "0 or not", which both orders answer alike.
    int ConnectionMode() const;
    /// True when an auxiliary ("&MI_03") interface is open; its path goes to `path`.
    bool AuxInterface(std::string& path) const;

    /// Pauses 16 ms and sets the feature report on the current interface.
    bool SendFeaturePaced(const FeatureReport& report);
    /// Sets the feature report on the current interface without a pause.
    bool SendFeature(const FeatureReport& report);
    /// Writes the output report; on failure pauses 10 ms and writes once more.
    bool WriteReport(const OutputReport& report);
    /// As WriteReport, on the auxiliary interface; true when that interface exists.
    bool WriteAuxReport(const OutputReport& report);
    /// Writes report ID 0 and the payload; on failure pauses 32 ms and writes once more.
    bool WritePayload(const Payload& payload);
    /// Sets `request`, then four times puts 07 FB 01 into the request buffer, pauses 16 ms,
    /// gets feature report 7 and copies reply bytes 1-7 into the next 7 bytes of `result`
    /// (left as they were for a failed get). False without an interface or when any
    /// transfer failed.
    bool ReadTable(const FeatureReport& request, SlotTableBytes& result);
    /// Asks the keyboard for its firmware version (07 FD); false when it gave none.
    bool QueryVersion(int& version);

    /// The text of the last transport failure ("" until one happened).
    std::string LastError() const;

private:
    struct Channel;
    struct Entry {
        OpenInterfaceInfo info;
        std::shared_ptr<Channel> channel;
    };

    // The caller holds m_rescanMutex.
    void CloseAllLocked();
    void ScanLocked();
    int ChooseIndexLocked() const;
    std::shared_ptr<Channel> CurrentChannel();
    std::shared_ptr<Channel> AuxChannel();
    const KnownDevice* FirstKnownLocked(int vendorId, int productId) const;
    bool MatchesKnownLocked(const HidInterfaceInfo& info) const;
    int WriteOnce(Channel& channel, const OutputReport& report);
    bool SetFeatureOn(Channel& channel, const FeatureReport& report);
    void NoteError(const std::string& text);

    HidTransport& m_transport;
    std::mutex m_rescanMutex;     // one rescan, scan or close at a time
    mutable std::mutex m_mutex;   // guards everything below
    bool m_active = false;
    std::vector<Entry> m_open;
    std::vector<KnownDevice> m_known;
    int m_currentDeviceType = 0;
    mutable bool m_currentChosen = false;  // the cache below is valid
    mutable int m_currentIndex = -1;       // into m_open; -1 none
    std::shared_ptr<Channel> m_aux;
    std::string m_auxPath;
    std::string m_lastError;
};

}  // namespace KeyForge
