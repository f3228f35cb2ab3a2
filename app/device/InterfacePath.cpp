// Building and taking apart interface paths.
#include "app/device/InterfacePath.h"

#include <cstdio>

namespace KeyForge {

namespace {

constexpr std::string_view kPathPrefix = "\\\\?\\HID#";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string InterfaceHardwareId(const InterfaceIdentity& identity) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "VID_%04X&PID_%04X", identity.vendorId, identity.productId);
    std::string id = identity.gatt ? std::string(kGattHidService) + "_" + buffer : std::string(buffer);
    if (identity.interfaceNumber >= 0) {
        std::snprintf(buffer, sizeof buffer, "&MI_%02X", identity.interfaceNumber);
        id += buffer;
    }
    if (identity.collection > 0) {
        std::snprintf(buffer, sizeof buffer, "&COL%02X", identity.collection);
        id += buffer;
    }
    return id;
}

std::string InterfacePathOf(std::string_view hardwareId, std::string_view instance) {
    std::string path(kPathPrefix);
    path += hardwareId;
    path += '#';
    path += instance;
    path += '#';
    path += kHidInterfaceClass;
    return path;
}

std::string BuildInterfacePath(const InterfaceIdentity& identity) {
    return InterfacePathOf(InterfaceHardwareId(identity), identity.instance);
}

std::string InterfaceHardwarePart(std::string_view path) {
    if (path.substr(0, kPathPrefix.size()) != kPathPrefix) return {};
    path.remove_prefix(kPathPrefix.size());
    const auto end = path.find('#');
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end));
}

std::string InterfaceInstance(std::string_view path) {
    if (path.substr(0, kPathPrefix.size()) != kPathPrefix) return {};
    path.remove_prefix(kPathPrefix.size());
    const auto first = path.find('#');
    if (first == std::string_view::npos) return {};
    const auto second = path.find('#', first + 1);
    if (second == std::string_view::npos) return {};
    return std::string(path.substr(first + 1, second - first - 1));
}

int InterfaceNumberFromPath(std::string_view path) {
    const std::string upper = UpperAscii(path);
    const auto at = upper.find("&MI_");
    if (at == std::string::npos) return -1;
    std::size_t pos = at + 4;
    if (pos >= path.size() || HexDigit(path[pos]) < 0) return -1;
    long value = 0;
    // Interface numbers are two digits; stop before a value could overflow.
    for (; pos < path.size() && HexDigit(path[pos]) >= 0 && value < 0x1000000; ++pos)
        value = value * 16 + HexDigit(path[pos]);
    return static_cast<int>(value);
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return UpperAscii(text).find(UpperAscii(part)) != std::string::npos;
}

}  // namespace KeyForge
