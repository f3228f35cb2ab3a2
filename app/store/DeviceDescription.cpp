// Reads config.xml: the keyboard list, the connection-mode list and the program's
// identity and web addresses. Elements are searched in file order, each search
// starting after the element found last, so the file's order matters.
#include "app/store/DeviceDescription.h"

#include "app/store/AttributeNumbers.h"
#include "app/store/Paths.h"
#include "app/store/XmlDocument.h"

namespace KeyForge {

namespace {

// Reads every `mode` of the current `keyboard` element (the cursor is inside it).
// `entry` carries the keyboard's fields; each mode's product name replaces its name.
void ReadModes(XmlDocument& doc, KeyboardEntry entry, std::vector<KeyboardEntry>& modes) {
    while (doc.FindNextElement("mode")) {
        entry.mode = DecimalAttribute(doc.GetAttribute("value"));
        entry.modeCaption = doc.GetAttribute("desc");
        entry.vendorId = HexAttribute(doc.GetAttribute("vid"));
        entry.productId = HexAttribute(doc.GetAttribute("pid"));
        entry.name = doc.GetAttribute("product_name");
        entry.interfacePattern = doc.GetAttribute("hid_interface");
        modes.push_back(entry);
    }
}

void ReadKeyboards(XmlDocument& doc, DeviceDescription& out) {
    while (doc.FindNextElement("keyboard")) {
        KeyboardEntry entry;
        entry.name = doc.GetAttribute("name");
        entry.deviceType = DecimalAttribute(doc.GetAttribute("device_type"));
        entry.layoutName = doc.GetAttribute("device_info");
        entry.keyboardName = entry.name;
        out.keyboards.push_back(entry);
        if (doc.EnterElement()) {
            ReadModes(doc, entry, out.modes);
            doc.LeaveElement();
        }
    }
}

void ReadSoftware(XmlDocument& doc, SoftwareInfo& software) {
    software.name = doc.GetAttribute("name");
    software.version = doc.GetAttribute("version");
    if (!doc.EnterElement()) return;
    if (doc.FindNextElement("website")) software.websiteUrl = doc.GetAttribute("url");
    if (doc.FindNextElement("store")) software.storeUrl = doc.GetAttribute("url");
    if (doc.FindNextElement("upgrade")) software.upgradeUrl = doc.GetAttribute("url");
    if (doc.FindNextElement("copyright")) software.copyright = doc.GetAttribute("info");
    doc.LeaveElement();
}

}  // namespace

std::string DeviceDescriptionPath() { return GetProgramFolder() + "config.xml"; }

bool LoadDeviceDescription(const std::string& configPath, DeviceDescription& out) {
    out = DeviceDescription{};
    XmlDocument doc;
    if (!doc.LoadFile(configPath)) return false;
    if (!doc.FindNextElement("config") || !doc.EnterElement()) return false;
    if (doc.FindNextElement("device.info") && doc.EnterElement()) {
        ReadKeyboards(doc, out);
        doc.LeaveElement();
    }
    // The search for `software` starts after `device.info` when that was found.
    if (doc.FindNextElement("software")) ReadSoftware(doc, out.software);
    return true;
}

const KeyboardEntry* FindKeyboardByType(const DeviceDescription& description, int deviceType) {
    for (const KeyboardEntry& k : description.keyboards)
        if (k.deviceType == deviceType) return &k;
    return nullptr;
}

}  // namespace KeyForge
