// The device manager: scan and known-device match, the choice of the current interface,
// and the paced, retried send and read operations.
#include "app/device/HidDeviceManager.h"

#include <thread>

#include "app/device/InterfacePath.h"
#include "app/device/SystemTransport.h"

namespace KeyForge {

// One open interface. The send lock keeps each report (and each request/reply exchange)
// whole on the interface, and a close waits for it; a closed channel has no connection.
struct HidDeviceManager::Channel {
    std::mutex sendMutex;
    std::unique_ptr<HidConnection> connection;
};

namespace {

using namespace Protocol;

void Pause(std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }

}  // namespace

HidDeviceManager::HidDeviceManager(HidTransport& transport) : m_transport(transport) {}

HidDeviceManager::~HidDeviceManager() { CloseAll(); }

HidDeviceManager& HidDeviceManager::Instance() {
    static HidDeviceManager manager(SystemHidTransport());
    return manager;
}

void HidDeviceManager::RegisterKnownDevice(const KnownDevice& device) {
    std::lock_guard lock(m_mutex);
    m_known.push_back(device);
}

void HidDeviceManager::RegisterKnownDevices(std::span<const KeyboardEntry> modeList) {
    for (const KeyboardEntry& e : modeList)
        RegisterKnownDevice({e.vendorId, e.productId, e.name, e.deviceType, e.mode, e.interfacePattern});
}

std::vector<KnownDevice> HidDeviceManager::KnownDevices() const {
    std::lock_guard lock(m_mutex);
    return m_known;
}

void HidDeviceManager::CloseAll() {
    std::lock_guard rescan(m_rescanMutex);
    CloseAllLocked();
}

void HidDeviceManager::CloseAllLocked() {
    std::vector<Entry> open;
    std::shared_ptr<Channel> aux;
    {
        std::lock_guard lock(m_mutex);
        m_active = false;
        open.swap(m_open);
        aux.swap(m_aux);
        m_auxPath.clear();
        // The cached choice pointed into the list just emptied.
        m_currentChosen = false;
        m_currentIndex = -1;
    }
    // Senders that already took a channel keep it alive; closing under its send lock
    // waits for a report in flight, and later sends find no connection.
    for (Entry& e : open) {
        std::lock_guard send(e.channel->sendMutex);
        CloseHid(e.channel->connection);
    }
    if (aux) {
        std::lock_guard send(aux->sendMutex);
        CloseHid(aux->connection);
    }
}

const KnownDevice* HidDeviceManager::FirstKnownLocked(int vendorId, int productId) const {
    for (const KnownDevice& k : m_known)
        if (k.vendorId == vendorId && k.productId == productId) return &k;
    return nullptr;
}

bool HidDeviceManager::MatchesKnownLocked(const HidInterfaceInfo& info) const {
    for (const KnownDevice& k : m_known) {
        if (k.vendorId != info.vendorId || k.productId != info.productId) continue;
        if (k.productName.empty() || k.productName == info.productText) return true;
    }
    return false;
}

void HidDeviceManager::Scan() {
    std::lock_guard rescan(m_rescanMutex);
    ScanLocked();
}

void HidDeviceManager::ScanLocked() {
    HidInterfaceList list = EnumerateHid(m_transport);
    struct Opened {
        HidInterfaceInfo info;
        std::unique_ptr<HidConnection> connection;
    };
    std::vector<Opened> kept;
    for (const HidInterfaceInfo& info : list) {
        {
            std::lock_guard lock(m_mutex);
            if (!MatchesKnownLocked(info)) continue;
        }
        std::unique_ptr<HidConnection> connection = OpenHidPath(m_transport, info.path);
        if (!connection) continue;
        // Only the vendor collection carries commands; the keyboard's other interfaces
        // are closed again at once.
        if (info.usagePage != kVendorUsagePage || info.usage != kVendorUsage) {
            CloseHid(connection);
            continue;
        }
        kept.push_back({info, std::move(connection)});
    }
    FreeHidList(list);

    std::shared_ptr<Channel> replacedAux;
    {
        std::lock_guard lock(m_mutex);
        for (Opened& o : kept) {
            auto channel = std::make_shared<Channel>();
            channel->connection = std::move(o.connection);
            if (UpperAscii(o.info.path).find(kAuxInterfaceMarker) != std::string::npos) {
                // A later streaming interface replaces an earlier one, which is closed.
                if (m_aux) replacedAux = m_aux;
                m_aux = channel;
                m_auxPath = o.info.path;
                continue;
            }
            Entry entry;
            entry.info.index = static_cast<int>(m_open.size());
            entry.info.vendorId = o.info.vendorId;
            entry.info.productId = o.info.productId;
            entry.info.path = o.info.path;
            entry.info.productString = o.info.productText;
            entry.info.releaseNumber = o.info.releaseNumber;
            if (const KnownDevice* k = FirstKnownLocked(o.info.vendorId, o.info.productId)) {
                entry.info.deviceType = k->deviceType;
                entry.info.mode = k->mode;
            }
            entry.info.wired = entry.info.mode == 0 ? 1 : 0;
            entry.channel = std::move(channel);
            m_open.push_back(std::move(entry));
        }
    }
    if (replacedAux) {
        std::lock_guard send(replacedAux->sendMutex);
        CloseHid(replacedAux->connection);
    }
}

RescanResult HidDeviceManager::Rescan(std::span<const KeyboardEntry> modeList) {
    std::lock_guard rescan(m_rescanMutex);
    CloseAllLocked();
    ScanLocked();
    {
        std::lock_guard lock(m_mutex);
        m_active = true;
        m_currentDeviceType = 0;
        m_currentChosen = false;
        m_currentIndex = -1;
    }
    std::vector<OpenInterfaceInfo> collected;
    RescanResult result;
    result.devicePresent = CollectInterfaces(collected);
    result.modeConnected.assign(modeList.size(), false);
    for (std::size_t i = 0; i < modeList.size(); ++i) {
        const KeyboardEntry& e = modeList[i];
        if (FindInterface(e.vendorId, e.productId, e.name, e.mode) < 0) continue;
        result.keyboardConnected = true;
        result.modeConnected[i] = true;
        result.connectedDeviceTypes.push_back(e.deviceType);
    }
    return result;
}

bool HidDeviceManager::IsActive() const {
    std::lock_guard lock(m_mutex);
    return m_active;
}

bool HidDeviceManager::CollectInterfaces(std::vector<OpenInterfaceInfo>& out) const {
    std::lock_guard lock(m_mutex);
    bool any = false;
    for (const Entry& e : m_open) {
        if (m_currentDeviceType != 0 && e.info.deviceType != m_currentDeviceType) continue;
        out.push_back(e.info);
        any = true;
    }
    return any;
}

int HidDeviceManager::FindInterface(int vendorId, int productId, const std::string& productName, int mode) const {
    std::lock_guard lock(m_mutex);
    for (const Entry& e : m_open) {
        if (e.info.vendorId != vendorId || e.info.productId != productId || e.info.mode != mode) continue;
        if (!productName.empty() && e.info.productString != productName) continue;
        return e.info.index;
    }
    return -1;
}

bool HidDeviceManager::InterfaceAt(int index, OpenInterfaceInfo& out) const {
    std::lock_guard lock(m_mutex);
    for (const Entry& e : m_open) {
        if (e.info.index != index) continue;
        out = e.info;
        return true;
    }
    return false;
}

void HidDeviceManager::SetCurrentDeviceType(int deviceType) {
    std::lock_guard lock(m_mutex);
    m_currentDeviceType = deviceType;
    m_currentChosen = false;
    m_currentIndex = -1;
}

int HidDeviceManager::CurrentDeviceType() const {
    std::lock_guard lock(m_mutex);
    return m_currentDeviceType;
}

int HidDeviceManager::ChooseIndexLocked() const {
    if (m_currentChosen) return m_currentIndex;
    m_currentIndex = -1;
    for (int wantedMode : {0, 1, 2}) {
        for (std::size_t i = 0; i < m_open.size(); ++i) {
            const OpenInterfaceInfo& info = m_open[i].info;
            if (m_currentDeviceType != 0 && info.deviceType != m_currentDeviceType) continue;
            if (info.mode != wantedMode) continue;
            m_currentIndex = static_cast<int>(i);
            break;
        }
        if (m_currentIndex >= 0) break;
    }
    m_currentChosen = true;
    return m_currentIndex;
}

bool HidDeviceManager::CurrentInterface(OpenInterfaceInfo& out) const {
    std::lock_guard lock(m_mutex);
    const int index = ChooseIndexLocked();
    if (index < 0) return false;
    out = m_open[static_cast<std::size_t>(index)].info;
    return true;
}

int HidDeviceManager::ConnectionMode() const {
    std::lock_guard lock(m_mutex);
    bool has[3] = {false, false, false};
    for (const Entry& e : m_open) {
        if (m_currentDeviceType != 0 && e.info.deviceType != m_currentDeviceType) continue;
        if (e.info.mode >= 0 && e.info.mode <= 2) has[e.info.mode] = true;
    }
    if (has[0]) return 0;
    if (has[2]) return 2;
    if (has[1]) return 1;
    return -1;
}

bool HidDeviceManager::AuxInterface(std::string& path) const {
    std::lock_guard lock(m_mutex);
    if (!m_aux) return false;
    path = m_auxPath;
    return true;
}

std::shared_ptr<HidDeviceManager::Channel> HidDeviceManager::CurrentChannel() {
    std::lock_guard lock(m_mutex);
    if (!m_active) return nullptr;
    const int index = ChooseIndexLocked();
    if (index < 0) return nullptr;
    return m_open[static_cast<std::size_t>(index)].channel;
}

std::shared_ptr<HidDeviceManager::Channel> HidDeviceManager::AuxChannel() {
    std::lock_guard lock(m_mutex);
    if (!m_active) return nullptr;
    return m_aux;
}

void HidDeviceManager::NoteError(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_lastError = text;
}

std::string HidDeviceManager::LastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

int HidDeviceManager::WriteOnce(Channel& channel, const OutputReport& report) {
    std::lock_guard send(channel.sendMutex);
    if (!channel.connection) {
        NoteError("the interface was closed");
        return -1;
    }
    const int written = WriteOutputReport(*channel.connection, report);
    if (written <= 0) NoteError(HidErrorText(*channel.connection));
    return written;
}

bool HidDeviceManager::SetFeatureOn(Channel& channel, const FeatureReport& report) {
    // The caller holds the channel's send lock.
    if (!channel.connection) {
        NoteError("the interface was closed");
        return false;
    }
    if (SetFeatureReport(*channel.connection, report)) return true;
    NoteError(HidErrorText(*channel.connection));
    return false;
}

bool HidDeviceManager::SendFeaturePaced(const FeatureReport& report) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    Pause(kFeaturePause);
    std::lock_guard send(channel->sendMutex);
    return SetFeatureOn(*channel, report);
}

bool HidDeviceManager::SendFeature(const FeatureReport& report) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    std::lock_guard send(channel->sendMutex);
    return SetFeatureOn(*channel, report);
}

bool HidDeviceManager::WriteReport(const OutputReport& report) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    if (WriteOnce(*channel, report) > 0) return true;
    Pause(kReportRetryPause);
    return WriteOnce(*channel, report) > 0;
}

bool HidDeviceManager::WriteAuxReport(const OutputReport& report) {
    const std::shared_ptr<Channel> channel = AuxChannel();
    if (!channel) return false;
    if (WriteOnce(*channel, report) <= 0) {
        // The colour stream goes on with its next chunk whatever the retry gives.
        Pause(kReportRetryPause);
        WriteOnce(*channel, report);
    }
    return true;
}

bool HidDeviceManager::WritePayload(const Payload& payload) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    OutputReport report{};
    report[0] = kOutputReportId;
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    if (WriteOnce(*channel, report) > 0) return true;
    Pause(kPayloadRetryPause);
    return WriteOnce(*channel, report) > 0;
}

bool HidDeviceManager::ReadTable(const FeatureReport& request, SlotTableBytes& result) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    // The whole exchange holds the interface, so no other report lands between the
    // request and its replies.
    std::lock_guard send(channel->sendMutex);
    bool complete = SetFeatureOn(*channel, request);
    FeatureReport buffer = request;
    for (int i = 0; i < kSlotTableReads; ++i) {
        // The rest of the buffer keeps the previous reply, as the keyboard expects.
        buffer[0] = kFeatureReportId;
        buffer[1] = kCmdReadSlotTables;
        buffer[2] = kReadSlotTablesArg;
        Pause(kFeaturePause);
        if (!channel->connection) {
            complete = false;
            continue;
        }
        if (GetFeatureReport(*channel->connection, buffer) > 0) {
            std::copy(buffer.begin() + 1, buffer.end(), result.begin() + kSlotTableChunk * static_cast<std::size_t>(i));
        } else {
            NoteError(HidErrorText(*channel->connection));
            complete = false;
        }
    }
    return complete;
}

bool HidDeviceManager::QueryVersion(int& version) {
    const std::shared_ptr<Channel> channel = CurrentChannel();
    if (!channel) return false;
    FeatureReport request{};
    request[0] = kFeatureReportId;
    request[1] = kCmdQueryVersion;
    std::lock_guard send(channel->sendMutex);
    Pause(kFeaturePause);
    if (!SetFeatureOn(*channel, request)) return false;
    Pause(kFeaturePause);
    FeatureReport reply = request;
    int got = channel->connection ? GetFeatureReport(*channel->connection, reply) : -1;
    if (got > 0 && reply[0] != kFeatureReportId) {
        Pause(kFeaturePause);
        got = channel->connection ? GetFeatureReport(*channel->connection, reply) : -1;
    }
    if (got <= 0) {
        if (channel->connection) NoteError(HidErrorText(*channel->connection));
        return false;
    }
    // A reply under another report ID carries no version.
    if (reply[0] != kFeatureReportId) return false;
    version = (reply[1] << 8) | reply[2];
    return true;
}

}  // namespace KeyForge
