// config.xml: the keyboard and mode lists, the software addresses, element order,
// numbers, and the description that ships with the program.
#include "app/store/DeviceDescription.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "app/store/AttributeNumbers.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::TempDir;
using TestUtil::WriteFile;

DeviceDescription LoadText(const std::string& text, bool* ok = nullptr) {
    TempDir dir;
    WriteFile(dir / "config.xml", text);
    DeviceDescription d;
    const bool loaded = LoadDeviceDescription(dir / "config.xml", d);
    if (ok) *ok = loaded;
    return d;
}

TEST(DeviceDescription, ReadsKeyboardsModesAndSoftware) {
    bool ok = false;
    const DeviceDescription d = LoadText(R"(<?xml version="1.0"?>
<config>
  <device.info>
    <keyboard name="Alpha" device_type="201" device_info="alpha">
      <mode value="0" desc="Cable" vid="1209" pid="00A1" product_name="" hid_interface="HID#VID_1209&amp;PID_00A1&amp;MI_02"/>
      <mode value="2" desc="Bluetooth" vid="0x1209" pid="a3" product_name="Alpha BT" hid_interface="PID_00A3"/>
    </keyboard>
    <keyboard name="Beta" device_type="12" device_info="beta"/>
  </device.info>
  <software name="Key Forge" version="2.3.4">
    <website url="http://127.0.0.1:1/w"/>
    <store url="http://127.0.0.1:1/s"/>
    <upgrade url="http://127.0.0.1:1/u/"/>
    <copyright info="(C) us"/>
  </software>
</config>)", &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(d.keyboards.size(), 2u);
    EXPECT_EQ(d.keyboards[0].name, "Alpha");
    EXPECT_EQ(d.keyboards[0].deviceType, 201);
    EXPECT_EQ(d.keyboards[0].layoutName, "alpha");
    EXPECT_EQ(d.keyboards[0].vendorId, 0) << "the keyboard list carries no identities";
    EXPECT_EQ(d.keyboards[1].name, "Beta");
    EXPECT_EQ(d.keyboards[1].deviceType, 12);

    ASSERT_EQ(d.modes.size(), 2u);
    const KeyboardEntry& cable = d.modes[0];
    EXPECT_EQ(cable.name, "") << "an empty product name replaces the keyboard's name";
    EXPECT_EQ(cable.keyboardName, "Alpha");
    EXPECT_EQ(cable.deviceType, 201);
    EXPECT_EQ(cable.layoutName, "alpha");
    EXPECT_EQ(cable.mode, 0);
    EXPECT_EQ(cable.modeCaption, "Cable");
    EXPECT_EQ(cable.vendorId, 0x1209);
    EXPECT_EQ(cable.productId, 0xA1);
    EXPECT_EQ(cable.interfacePattern, "HID#VID_1209&PID_00A1&MI_02");
    EXPECT_EQ(cable.connected, 0);
    const KeyboardEntry& bt = d.modes[1];
    EXPECT_EQ(bt.name, "Alpha BT");
    EXPECT_EQ(bt.mode, 2);
    EXPECT_EQ(bt.vendorId, 0x1209) << "0x prefix accepted";
    EXPECT_EQ(bt.productId, 0xA3);

    EXPECT_EQ(d.software.name, "Key Forge");
    EXPECT_EQ(d.software.version, "2.3.4");
    EXPECT_EQ(d.software.websiteUrl, "http://127.0.0.1:1/w");
    EXPECT_EQ(d.software.storeUrl, "http://127.0.0.1:1/s");
    EXPECT_EQ(d.software.upgradeUrl, "http://127.0.0.1:1/u/");
    EXPECT_EQ(d.software.copyright, "(C) us");
}

TEST(DeviceDescription, UnreadableFilesLeaveEverythingEmpty) {
    const struct {
        const char* what;
        const char* text;
    } cases[] = {
        {"empty file", ""},
        {"not well formed", "<config><device.info><keyboard name=\"A\" device_type=\"201\"></config>"},
        {"two roots", "<config/><config/>"},
        {"another root", "<settings><device.info><keyboard name=\"A\"/></device.info></settings>"},
    };
    for (const auto& c : cases) {
        bool ok = true;
        const DeviceDescription d = LoadText(c.text, &ok);
        EXPECT_FALSE(ok) << c.what;
        EXPECT_TRUE(d.keyboards.empty() && d.modes.empty() && d.software.version.empty()) << c.what;
    }
    DeviceDescription d;
    d.keyboards.push_back({});
    EXPECT_FALSE(LoadDeviceDescription("/nonexistent/config.xml", d));
    EXPECT_TRUE(d.keyboards.empty()) << "the lists are emptied before reading";
}

TEST(DeviceDescription, ElementsAreFoundOnlyInFileOrder) {
    // `store` before `website`: website is found, the search for store starts after it
    // and fails, upgrade is still found. `software` before `device.info` is never found.
    const DeviceDescription d = LoadText(R"(<config>
  <device.info><keyboard name="A" device_type="201"/></device.info>
  <software version="1">
    <store url="s"/><website url="w"/><upgrade url="u"/><copyright info="c"/>
  </software>
</config>)");
    EXPECT_EQ(d.software.websiteUrl, "w");
    EXPECT_EQ(d.software.storeUrl, "");
    EXPECT_EQ(d.software.upgradeUrl, "u");
    EXPECT_EQ(d.software.copyright, "c");

    const DeviceDescription late = LoadText(R"(<config>
  <software version="9"/>
  <device.info><keyboard name="A" device_type="201"/></device.info>
</config>)");
    EXPECT_EQ(late.keyboards.size(), 1u);
    EXPECT_EQ(late.software.version, "") << "software stands before device.info";

    const DeviceDescription noDevices = LoadText(R"(<config><software version="9"/></config>)");
    EXPECT_TRUE(noDevices.keyboards.empty());
    EXPECT_EQ(noDevices.software.version, "9") << "without device.info the search starts at the top";
}

TEST(DeviceDescription, FirstKeyboardOfADeviceTypeWins) {
    const DeviceDescription d = LoadText(R"(<config><device.info>
  <keyboard name="Low" device_type="100" device_info="low"/>
  <keyboard name="First" device_type="201" device_info="first"/>
  <keyboard name="Second" device_type="201" device_info="second"/>
</device.info></config>)");
    const KeyboardEntry* k = FindKeyboardByType(d, 201);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->name, "First");
    EXPECT_EQ(k->layoutName, "first");
    EXPECT_EQ(FindKeyboardByType(d, 202), nullptr);
}

TEST(DeviceDescription, AbsentAndNonNumericAttributesReadAsZero) {
    const DeviceDescription d = LoadText(R"(<config><device.info>
  <keyboard name="A" device_type="abc">
    <mode desc="no numbers"/>
    <mode value="1x" vid="zz" pid="12G4"/>
  </keyboard>
</device.info></config>)");
    ASSERT_EQ(d.keyboards.size(), 1u);
    EXPECT_EQ(d.keyboards[0].deviceType, 0);
    ASSERT_EQ(d.modes.size(), 2u);
    EXPECT_EQ(d.modes[0].mode, 0);
    EXPECT_EQ(d.modes[0].vendorId, 0);
    EXPECT_EQ(d.modes[0].interfacePattern, "");
    EXPECT_EQ(d.modes[1].mode, 1);
    EXPECT_EQ(d.modes[1].vendorId, 0);
    EXPECT_EQ(d.modes[1].productId, 0x12);
}

TEST(AttributeNumbers, LeadingDigitsOnly) {
    const struct {
        const char* text;
        int decimal;
        int hex;
    } cases[] = {
        {"", 0, 0},          {"abc", 0, 0xABC},     {"12", 12, 0x12},   {" 7", 7, 7},
        {"-5", -5, -5},      {"+3", 3, 3},          {"12x4", 12, 0x12}, {"0x1F", 0, 0x1F},
        {"0X1f", 0, 0x1F},   {"0x", 0, 0},          {"1209", 1209, 0x1209},
        {"99999999999", 2147483647, 2147483647},   {"-99999999999", -2147483647 - 1, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecimalAttribute(c.text), c.decimal) << c.text;
        EXPECT_EQ(HexAttribute(c.text), c.hex) << c.text;
    }
}

// The description that ships with the program: every mode a distinct test identity on
// the test vendor, patterns in interface-path form, addresses on this machine only.
TEST(ShippedDescription, KeyboardsModesAndLocalAddresses) {
    DeviceDescription d;
    ASSERT_TRUE(LoadDeviceDescription(TestUtil::BinFolder() + "config.xml", d));
    EXPECT_EQ(d.software.name, "Key Forge");
    EXPECT_FALSE(d.software.version.empty());
    EXPECT_FALSE(d.software.copyright.empty());
    for (const std::string& url : {d.software.websiteUrl, d.software.storeUrl, d.software.upgradeUrl})
        EXPECT_EQ(url.rfind("http://127.0.0.1:", 0), 0u) << url;

    const KeyboardEntry* full = FindKeyboardByType(d, 201);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->name, "VX9-RGB");
    const KeyboardEntry* report = nullptr;
    for (const KeyboardEntry& k : d.keyboards)
        if (k.deviceType < 200) report = &k;
    ASSERT_NE(report, nullptr) << "a report-protocol keyboard";

    std::set<int> productIds;
    std::vector<int> fullModes, reportModes;
    for (const KeyboardEntry& m : d.modes) {
        EXPECT_EQ(m.vendorId, 0x1209);
        EXPECT_TRUE(productIds.insert(m.productId).second) << "product ID " << m.productId << " used twice";
        EXPECT_EQ(m.name, "") << "matches on vendor and product ID alone";
        char ids[32];
        std::snprintf(ids, sizeof ids, "HID#VID_%04X&PID_%04X&MI_", m.vendorId, m.productId);
        EXPECT_EQ(m.interfacePattern.rfind(ids, 0), 0u) << m.interfacePattern;
        EXPECT_EQ(m.interfacePattern.find("&MI_03"), std::string::npos) << "the streaming interface is not the command one";
        if (m.keyboardName == full->name) fullModes.push_back(m.mode);
        if (m.keyboardName == report->name) reportModes.push_back(m.mode);
    }
    EXPECT_EQ(fullModes, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(reportModes, (std::vector<int>{0}));
}

}  // namespace
}  // namespace KeyForge
