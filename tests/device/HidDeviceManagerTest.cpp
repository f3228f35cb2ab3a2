// The device manager against emulated keyboards: which interfaces a scan keeps, where
// commands go, the reported connection mode, and the send and read operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "app/device/InterfacePath.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

using TestUtil::InProcessKeyboard;
using TestUtil::kFullSizeType;
using TestUtil::kTenkeylessType;

// Wraps the emulator backend and counts the opens and the connections still open.
class CountingTransport : public HidTransport {
public:
    HidInterfaceList Enumerate() override { return m_inner.Enumerate(); }
    std::unique_ptr<HidConnection> Open(const std::string& path, std::string& error) override {
        auto inner = m_inner.Open(path, error);
        if (!inner) return nullptr;
        opened.push_back(path);
        return std::make_unique<Counted>(std::move(inner), live);
    }
    std::vector<std::string> opened;
    std::atomic<int> live{0};

private:
    class Counted : public HidConnection {
    public:
        Counted(std::unique_ptr<HidConnection> inner, std::atomic<int>& live) : m_inner(std::move(inner)), m_live(live) {
            ++m_live;
        }
        ~Counted() override { --m_live; }
        std::size_t OutputReportLength() const override { return m_inner->OutputReportLength(); }
        int RawWrite(std::span<const std::uint8_t> r) override { return Pass(m_inner->RawWrite(r)); }
        bool RawSetFeature(std::span<const std::uint8_t> r) override { return Pass(m_inner->RawSetFeature(r) ? 0 : -1) == 0; }
        int RawGetFeature(std::span<std::uint8_t> b) override { return Pass(m_inner->RawGetFeature(b)); }

    private:
        int Pass(int result) {
            if (result < 0) SetError(m_inner->ErrorText());
            return result;
        }
        std::unique_ptr<HidConnection> m_inner;
        std::atomic<int>& m_live;
    };
    EmulatorTransport m_inner;
};

class DeviceManager : public ::testing::Test {
protected:
    DeviceManager() { manager.RegisterKnownDevices(modes); }

    std::vector<std::string> LogOf(const InProcessKeyboard& k) const { return k.keyboard.Log(); }

    TestUtil::RuntimeFolder runtime;
    std::vector<KeyboardEntry> modes = TestUtil::SampleModeList();
    CountingTransport transport;
    HidDeviceManager manager{transport};
};

FeatureReport Feature(std::uint8_t command) { return {0x07, command, 1, 2, 3, 4, 5, 6}; }

TEST_F(DeviceManager, ChoiceOrderAndReportingOrderOfConnectionModes) {
    const struct {
        std::vector<int> present;
        int reported;
        int receiving;
    } cases[] = {
        {{0, 2}, 0, 0},
        {{1, 2}, 2, 1},  // reported 2 while commands go to the mode-1 interface
        {{2}, 2, 2},
        {{1}, 1, 1},
        {{2, 1, 0}, 0, 0},
    };
    for (const auto& c : cases) {
        InProcessKeyboard keyboard(kFullSizeType, c.present);
        const RescanResult result = manager.Rescan(modes);
        manager.SetCurrentDeviceType(kFullSizeType);
        EXPECT_TRUE(result.devicePresent);
        EXPECT_EQ(manager.ConnectionMode(), c.reported);
        ASSERT_TRUE(manager.SendFeature(Feature(0xF7)));
        const auto log = keyboard.keyboard.Log();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0], std::to_string(c.receiving) + " set-feature 07 F7 01 02 03 04 05 06");
        for (std::size_t i = 0; i < modes.size(); ++i) {
            const bool expected = modes[i].deviceType == kFullSizeType &&
                                  std::count(c.present.begin(), c.present.end(), modes[i].mode) > 0;
            EXPECT_EQ(result.modeConnected[i], expected) << i;
        }
        manager.CloseAll();
    }
    EXPECT_EQ(transport.live, 0);
}

TEST_F(DeviceManager, ScanKeepsVendorInterfacesAndClosesTheOthers) {
    InProcessKeyboard keyboard(kTenkeylessType, {0});
    const RescanResult result = manager.Rescan(modes);
    EXPECT_TRUE(result.keyboardConnected);
    EXPECT_EQ(result.connectedDeviceTypes, std::vector<int>{kTenkeylessType});

    // Every interface of the keyboard was opened, including the keyboard collection...
    ASSERT_EQ(transport.opened.size(), 3u);
    EXPECT_TRUE(std::any_of(transport.opened.begin(), transport.opened.end(),
                            [](const std::string& p) { return p.find("&MI_00") != std::string::npos; }));
    // ...but only the command interface is listed and only the streaming one is auxiliary.
    std::vector<OpenInterfaceInfo> open;
    ASSERT_TRUE(manager.CollectInterfaces(open));
    ASSERT_EQ(open.size(), 1u);
    EXPECT_NE(open[0].path.find("&MI_02"), std::string::npos);
    EXPECT_EQ(open[0].deviceType, kTenkeylessType);
    EXPECT_EQ(open[0].wired, 1);
    EXPECT_EQ(open[0].releaseNumber, 0x0105);
    std::string auxPath;
    ASSERT_TRUE(manager.AuxInterface(auxPath));
    EXPECT_NE(auxPath.find("&MI_03"), std::string::npos);
    EXPECT_EQ(transport.live, 2) << "the keyboard collection was closed again";

    // The streaming interface is reached only through WriteAuxReport.
    OutputReport frame{};
    frame[1] = 0xF1;
    EXPECT_TRUE(manager.WriteReport(frame));
    EXPECT_EQ(keyboard.keyboard.ReceivedOn(0, 2), 1);
    EXPECT_EQ(keyboard.keyboard.ReceivedOn(0, 3), 0);
    EXPECT_TRUE(manager.WriteAuxReport(frame));
    EXPECT_EQ(keyboard.keyboard.ReceivedOn(0, 3), 1);
    EXPECT_EQ(keyboard.keyboard.ReceivedOn(0, 0), 0);

    // Commands follow device type 201, which is not connected.
    manager.SetCurrentDeviceType(kFullSizeType);
    EXPECT_FALSE(manager.WriteReport(frame));
    EXPECT_EQ(manager.ConnectionMode(), -1);

    manager.CloseAll();
    EXPECT_EQ(transport.live, 0);
    EXPECT_FALSE(manager.WriteAuxReport(frame));
}

TEST_F(DeviceManager, WithoutAStreamingInterfaceAuxReportsFail) {
    InProcessKeyboard keyboard(kFullSizeType, {0});
    manager.Rescan(modes);
    std::string auxPath;
    EXPECT_FALSE(manager.AuxInterface(auxPath));
    EXPECT_FALSE(manager.WriteAuxReport(OutputReport{}));
}

TEST_F(DeviceManager, KnownDeviceWithAProductNameNeverMatches) {
    InProcessKeyboard keyboard(kFullSizeType, {0});
    HidDeviceManager named(transport);
    std::vector<KeyboardEntry> namedModes = modes;
    for (auto& e : namedModes) e.name = "VX9-RGB";
    named.RegisterKnownDevices(namedModes);
    const RescanResult result = named.Rescan(namedModes);
    EXPECT_FALSE(result.devicePresent);
    EXPECT_FALSE(result.keyboardConnected);
    EXPECT_EQ(named.FindInterface(0x1209, 0x0001, "VX9-RGB", 0), -1);
    EXPECT_FALSE(named.SendFeature(Feature(0xF7)));
}

TEST_F(DeviceManager, LongOutputReportsArriveZeroPadded) {
    InProcessKeyboard keyboard(kFullSizeType, {0}, 0x0105, 129);
    manager.Rescan(modes);
    OutputReport report{};
    for (std::size_t i = 1; i < report.size(); ++i) report[i] = 0x11;
    ASSERT_TRUE(manager.WriteReport(report));
    const auto log = keyboard.keyboard.Log();
    ASSERT_EQ(log.size(), 1u);
    std::string expected = "0 out 00";
    for (int i = 0; i < 64; ++i) expected += " 11";
    for (int i = 0; i < 64; ++i) expected += " 00";
    EXPECT_EQ(log[0], expected);
}

TEST_F(DeviceManager, PayloadTravelsBehindReportIdZero) {
    InProcessKeyboard keyboard(kFullSizeType, {1});
    manager.Rescan(modes);
    Payload payload{0xBB, 0xAA, 0x99, 0x88, 0xAA};
    ASSERT_TRUE(manager.WritePayload(payload));
    const auto log = keyboard.keyboard.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].substr(0, 23), "1 out 00 BB AA 99 88 AA");
    EXPECT_EQ(log[0].size(), std::string("1 out ").size() + 65 * 3 - 1);
}

TEST_F(DeviceManager, ReadsTheSlotTablesAndTheVersion) {
    InProcessKeyboard keyboard(kFullSizeType, {0}, 0x0207);
    keyboard.keyboard.Edit([](Emu::KeyboardState& s) {
        for (int i = 0; i < Emu::kMacroSlots; ++i) s.macroSlots[i] = static_cast<std::uint8_t>(0x10 + i);
        for (int i = 0; i < Emu::kKeySlots; ++i) s.keySlots[i].key = static_cast<std::uint8_t>(0x40 + i);
    });
    manager.Rescan(modes);
    manager.SetCurrentDeviceType(kFullSizeType);

    SlotTableBytes table{};
    ASSERT_TRUE(manager.ReadTable({0x07, 0xFB, 0x01, 0, 0, 0, 0, 0}, table));
    EXPECT_EQ(table[0], 0);
    for (int i = 0; i < Emu::kMacroSlots; ++i) EXPECT_EQ(table[1 + i], 0x10 + i) << i;
    for (int i = 0; i < Emu::kKeySlots; ++i) EXPECT_EQ(table[14 + i], 0x40 + i) << i;
    for (int i = 24; i < 28; ++i) EXPECT_EQ(table[i], 0) << i;
    const auto log = keyboard.keyboard.Log();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], "0 set-feature 07 FB 01 00 00 00 00 00");
    EXPECT_EQ(log[1], "0 get-feature 07 FB 01 00 00 00 00 00");
    // Later requests keep the previous reply behind the first three bytes.
    EXPECT_EQ(log[2], "0 get-feature 07 FB 01 11 12 13 14 15");

    int version = -1;
    ASSERT_TRUE(manager.QueryVersion(version));
    EXPECT_EQ(version, 0x0207);
    EXPECT_EQ(keyboard.keyboard.Log().back(), "0 get-feature 07 FD 00 00 00 00 00 00");
}

TEST_F(DeviceManager, SendsWithoutAnInterfaceFailAtOnce) {
    // Nothing scanned yet: inactive.
    EXPECT_FALSE(manager.IsActive());
    EXPECT_FALSE(manager.SendFeature(Feature(0xF7)));
    EXPECT_FALSE(manager.WriteReport(OutputReport{}));
    int version = -1;
    EXPECT_FALSE(manager.QueryVersion(version));
    SlotTableBytes table{};
    EXPECT_FALSE(manager.ReadTable(Feature(0xFB), table));
    // Scanned, but nothing there.
    const RescanResult result = manager.Rescan(modes);
    EXPECT_TRUE(manager.IsActive());
    EXPECT_FALSE(result.devicePresent);
    EXPECT_FALSE(manager.SendFeaturePaced(Feature(0xF7)));
    EXPECT_FALSE(manager.WritePayload(Payload{}));
    EXPECT_EQ(version, -1);
}

}  // namespace
}  // namespace KeyForge
