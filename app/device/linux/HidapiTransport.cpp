// hidapi on hidraw: enumeration into interface paths, opening a node by its path, and
// the capabilities read from the node's report descriptor in sysfs.
#include "app/device/linux/HidapiTransport.h"

#include <hidapi/hidapi.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "app/device/InterfacePath.h"
#include "app/device/linux/ReportDescriptor.h"

namespace KeyForge {

namespace {

constexpr std::string_view kNodePrefix = "hidraw";

// Started once per process; a failed start is tried again on the next call.
bool InitHidapi() {
    static std::mutex mutex;
    static bool ready = false;
    std::lock_guard lock(mutex);
    if (!ready) ready = hid_init() == 0;
    return ready;
}

std::string Utf8(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        const auto c = static_cast<std::uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// "hidraw3" from "/dev/hidraw3"; "" for anything else.
std::string NodeName(const std::string& devicePath) {
    const auto slash = devicePath.rfind('/');
    std::string name = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    if (name.compare(0, kNodePrefix.size(), kNodePrefix) != 0 || name.size() == kNodePrefix.size()) return {};
    for (std::size_t i = kNodePrefix.size(); i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return {};
    return name;
}

std::vector<TopLevelCollection> NodeCollections(const std::string& node) {
    std::ifstream file("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
    if (!file) return {};
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseReportDescriptor(bytes);
}

class HidapiConnection : public HidConnection {
public:
    HidapiConnection(hid_device* device, std::size_t outputLength) : m_device(device), m_outputLength(outputLength) {}
    ~HidapiConnection() override { hid_close(m_device); }

    std::size_t OutputReportLength() const override { return m_outputLength; }

    int RawWrite(std::span<const std::uint8_t> report) override {
        const int written = hid_write(m_device, report.data(), report.size());
        if (written < 0) SetError(Utf8(hid_error(m_device)));
        return written;
    }

    bool RawSetFeature(std::span<const std::uint8_t> report) override {
        if (hid_send_feature_report(m_device, report.data(), report.size()) >= 0) return true;
        SetError(Utf8(hid_error(m_device)));
        return false;
    }

    int RawGetFeature(std::span<std::uint8_t> buffer) override {
        const int got = hid_get_feature_report(m_device, buffer.data(), buffer.size());
        if (got < 0) SetError(Utf8(hid_error(m_device)));
        return got;
    }

private:
    hid_device* m_device;
    std::size_t m_outputLength;
};

}  // namespace

InterfaceIdentity HidrawIdentity(const HidrawNodeFacts& facts) {
    InterfaceIdentity identity;
    identity.vendorId = facts.vendorId;
    identity.productId = facts.productId;
    identity.interfaceNumber = facts.usb ? facts.usbInterface : -1;
    identity.collection = facts.collection;
    identity.gatt = facts.bluetooth && facts.uhid;
    identity.instance = facts.node;
    return identity;
}

bool IsUhidNode(const std::string& node) {
    char resolved[PATH_MAX];
    const std::string link = "/sys/class/hidraw/" + node + "/device";
    if (!::realpath(link.c_str(), resolved)) return false;
    return std::string_view(resolved).find("/uhid/") != std::string_view::npos;
}

HidInterfaceList HidapiTransport::Enumerate() {
    HidInterfaceList list;
    if (!InitHidapi()) return list;
    hid_device_info* all = hid_enumerate(0, 0);
    // hidapi lists a node once per top-level collection; number them when there are several.
    std::map<std::string, int> perNode;
    for (const hid_device_info* d = all; d; d = d->next)
        if (d->path) ++perNode[d->path];
    std::map<std::string, int> seen;
    for (const hid_device_info* d = all; d; d = d->next) {
        if (!d->path) continue;
        const std::string node = NodeName(d->path);
        if (node.empty()) continue;
        const int collection = ++seen[d->path];
        HidrawNodeFacts facts;
        facts.node = node;
        facts.vendorId = d->vendor_id;
        facts.productId = d->product_id;
        facts.usb = d->bus_type == HID_API_BUS_USB;
        facts.usbInterface = d->interface_number;
        facts.bluetooth = d->bus_type == HID_API_BUS_BLUETOOTH;
        facts.uhid = facts.bluetooth && IsUhidNode(node);
        facts.collection = perNode[d->path] > 1 ? collection : 0;
        HidInterfaceInfo info;
        info.path = BuildInterfacePath(HidrawIdentity(facts));
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.releaseNumber = d->release_number;
        info.usagePage = d->usage_page;
        info.usage = d->usage;
        info.interfaceNumber = InterfaceNumberFromPath(info.path);
        list.push_back(std::move(info));
    }
    hid_free_enumeration(all);
    return list;
}

std::unique_ptr<HidConnection> HidapiTransport::Open(const std::string& path, std::string& error) {
    error.clear();
    const std::string node = NodeName(InterfaceInstance(path));
    if (node.empty()) return nullptr;
    if (!InitHidapi()) {
        error = "the HID library could not be started";
        return nullptr;
    }
    const std::vector<TopLevelCollection> collections = NodeCollections(node);
    // "&COL02" names the second collection of the node; without it the node has one.
    int collection = 1;
    const std::string hardware = UpperAscii(InterfaceHardwarePart(path));
    if (const auto at = hardware.find("&COL"); at != std::string::npos)
        collection = static_cast<int>(std::strtol(hardware.c_str() + at + 4, nullptr, 16));
    if (collection < 1 || static_cast<std::size_t>(collection) > collections.size()) {
        error = "cannot read the capabilities of " + path;
        return nullptr;
    }
    hid_device* device = hid_open_path(("/dev/" + node).c_str());
    if (!device) {
        error = Utf8(hid_error(nullptr));
        if (error.empty()) error = "cannot open " + path;
        return nullptr;
    }
    return std::make_unique<HidapiConnection>(device, collections[static_cast<std::size_t>(collection) - 1].outputReportLength);
}

}  // namespace KeyForge
