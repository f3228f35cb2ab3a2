// udev monitor of the hidraw subsystem. The interface path of a node is built from its
// parents: the HID device (bus, vendor and product ID, report descriptor) and, for USB,
// the interface number.
#include "app/device/linux/UdevHotplug.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/device/InterfacePath.h"
#include "app/device/linux/HidapiTransport.h"
#include "app/device/linux/ReportDescriptor.h"

namespace KeyForge {

namespace {

constexpr unsigned kBusUsb = 0x03;
constexpr unsigned kBusBluetooth = 0x05;

}  // namespace

UdevHotplug::~UdevHotplug() { Stop(); }

std::string UdevHotplug::PathOfNode(udev_device* device) const {
    const char* sysname = udev_device_get_sysname(device);
    if (!sysname) return {};
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (!hid) return {};
    const char* hidId = udev_device_get_property_value(hid, "HID_ID");
    unsigned bus = 0, vendor = 0, product = 0;
    if (!hidId || std::sscanf(hidId, "%x:%x:%x", &bus, &vendor, &product) != 3) return {};
    HidrawNodeFacts facts;
    facts.node = sysname;
    facts.vendorId = static_cast<std::uint16_t>(vendor);
    facts.productId = static_cast<std::uint16_t>(product);
    facts.usb = bus == kBusUsb;
    if (facts.usb) {
        if (udev_device* intf = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface")) {
            if (const char* number = udev_device_get_sysattr_value(intf, "bInterfaceNumber"))
                facts.usbInterface = static_cast<int>(std::strtol(number, nullptr, 16));
        }
    }
    facts.bluetooth = bus == kBusBluetooth;
    facts.uhid = std::strstr(udev_device_get_syspath(hid), "/uhid/") != nullptr;
    // A node with several top-level collections arrives as its first one.
    std::ifstream file(std::string(udev_device_get_syspath(hid)) + "/report_descriptor", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (ParseReportDescriptor(bytes).size() > 1) facts.collection = 1;
    return BuildInterfacePath(HidrawIdentity(facts));
}

bool UdevHotplug::Start(DeviceChangeHandler handler) {
    if (m_thread.joinable()) return true;
    auto fail = [this](const std::string& text) {
        {
            std::lock_guard lock(m_errorMutex);
            m_error = text;
        }
        if (m_monitor) udev_monitor_unref(m_monitor);
        if (m_udev) udev_unref(m_udev);
        if (m_wake >= 0) ::close(m_wake);
        m_monitor = nullptr;
        m_udev = nullptr;
        m_wake = -1;
        return false;
    };
    m_udev = udev_new();
    if (!m_udev) return fail("udev is not available");
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor) return fail("cannot open the udev monitor");
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0)
        return fail("cannot receive udev events");
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) return fail(std::string("eventfd: ") + std::strerror(errno));

    // Remember the nodes present now, so their removal can be reported by path.
    m_paths.clear();
    if (udev_enumerate* e = udev_enumerate_new(m_udev)) {
        udev_enumerate_add_match_subsystem(e, "hidraw");
        udev_enumerate_scan_devices(e);
        for (udev_list_entry* item = udev_enumerate_get_list_entry(e); item; item = udev_list_entry_get_next(item)) {
            udev_device* device = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(item));
            if (!device) continue;
            const std::string path = PathOfNode(device);
            if (!path.empty()) m_paths[udev_device_get_sysname(device)] = path;
            udev_device_unref(device);
        }
        udev_enumerate_unref(e);
    }
    m_thread = std::thread([this, handler = std::move(handler)] { Run(handler); });
    return true;
}

void UdevHotplug::Stop() {
    if (!m_thread.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    udev_monitor_unref(m_monitor);
    udev_unref(m_udev);
    ::close(m_wake);
    m_monitor = nullptr;
    m_udev = nullptr;
    m_wake = -1;
}

std::string UdevHotplug::ErrorText() const {
    std::lock_guard lock(m_errorMutex);
    return m_error;
}

void UdevHotplug::Run(DeviceChangeHandler handler) {
    const int monitorFd = udev_monitor_get_fd(m_monitor);
    for (;;) {
        pollfd fds[2] = {{monitorFd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        udev_device* device = udev_monitor_receive_device(m_monitor);
        if (!device) continue;
        const char* action = udev_device_get_action(device);
        const char* sysname = udev_device_get_sysname(device);
        if (action && sysname) {
            if (std::strcmp(action, "add") == 0) {
                const std::string path = PathOfNode(device);
                if (!path.empty()) {
                    m_paths[sysname] = path;
                    handler(kDeviceArrival, path);
                }
            } else if (std::strcmp(action, "remove") == 0) {
                if (const auto it = m_paths.find(sysname); it != m_paths.end()) {
                    const std::string path = it->second;
                    m_paths.erase(it);
                    handler(kDeviceRemoveComplete, path);
                }
            }
        }
        udev_device_unref(device);
    }
}

}  // namespace KeyForge
