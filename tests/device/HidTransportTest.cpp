// The transport's framing rules on a fake connection: output padding, short transfers,
// and the failure text.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "app/device/HidTransport.h"
#include "app/device/SystemTransport.h"
#include "app/device/emulated/EmulatorTransport.h"
#include "app/device/linux/HidapiTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

// Records what reaches the "device"; can be told to take fewer bytes than offered.
class FakeConnection : public HidConnection {
public:
    explicit FakeConnection(std::size_t outputLength) : m_outputLength(outputLength) {}
    std::size_t OutputReportLength() const override { return m_outputLength; }
    int RawWrite(std::span<const std::uint8_t> report) override {
        written.assign(report.begin(), report.end());
        if (fail) {
            SetError("I/O error\r\nsecond line");
            return -1;
        }
        return static_cast<int>(report.size() - shortBy);
    }
    bool RawSetFeature(std::span<const std::uint8_t>) override { return !fail; }
    int RawGetFeature(std::span<std::uint8_t> buffer) override {
        for (std::size_t i = 1; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(0xA0 + i);
        return static_cast<int>(buffer.size() - shortBy);
    }

    std::vector<std::uint8_t> written;
    std::size_t shortBy = 0;
    bool fail = false;

private:
    std::size_t m_outputLength;
};

TEST(HidTransport, OutputReportsArePaddedToTheInterfaceLength) {
    OutputReport report{};
    for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(i + 1);
    const struct {
        std::size_t interfaceLength;
        std::size_t expected;
    } cases[] = {{0, 65}, {9, 65}, {65, 65}, {66, 66}, {129, 129}};
    for (const auto& c : cases) {
        FakeConnection connection(c.interfaceLength);
        EXPECT_EQ(WriteOutputReport(connection, report), static_cast<int>(c.expected)) << c.interfaceLength;
        ASSERT_EQ(connection.written.size(), c.expected);
        EXPECT_TRUE(std::equal(report.begin(), report.end(), connection.written.begin()));
        for (std::size_t i = report.size(); i < c.expected; ++i) EXPECT_EQ(connection.written[i], 0) << i;
    }
}

TEST(HidTransport, ShortTransfersAreFailures) {
    FakeConnection connection(129);
    connection.shortBy = 1;
    EXPECT_EQ(WriteOutputReport(connection, OutputReport{}), -1);
    EXPECT_EQ(HidErrorText(connection), "short write: 128 of 129 bytes");

    FeatureReport buffer{0x07, 0xFD, 0, 0, 0, 0, 0, 0};
    const FeatureReport before = buffer;
    EXPECT_EQ(GetFeatureReport(connection, buffer), -1);
    EXPECT_EQ(buffer, before) << "a short reply leaves the buffer as it was";
    EXPECT_EQ(HidErrorText(connection), "short feature report: 7 of 8 bytes");

    connection.shortBy = 0;
    EXPECT_EQ(GetFeatureReport(connection, buffer), 8);
    EXPECT_EQ(buffer[0], 0x07);
    EXPECT_EQ(buffer[7], 0xA7);
}

TEST(HidTransport, FailureTextKeepsTheFirstLine) {
    FakeConnection connection(65);
    EXPECT_EQ(HidErrorText(connection), "");
    connection.fail = true;
    EXPECT_EQ(WriteOutputReport(connection, OutputReport{}), -1);
    EXPECT_FALSE(SetFeatureReport(connection, FeatureReport{}));
    EXPECT_EQ(HidErrorText(connection), "I/O error");
}

TEST(HidTransport, EachBackendOpensOnlyItsOwnPaths) {
    TestUtil::RuntimeFolder runtime;
    TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {0});
    const std::string emulated = keyboard.server.Paths().at(1);
    const std::string hidraw = "\\\\?\\HID#VID_1209&PID_0001&MI_02#hidraw250#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    std::string error;
    HidapiTransport hidapi;
    EXPECT_EQ(hidapi.Open(emulated, error), nullptr);
    EXPECT_EQ(error, "") << "not its path";
    EXPECT_EQ(hidapi.Open(hidraw, error), nullptr);
    EXPECT_NE(error, "");
    EmulatorTransport emulator;
    EXPECT_EQ(emulator.Open(hidraw, error), nullptr);
    EXPECT_EQ(error, "");

    // The system transport lists emulated interfaces beside the hidraw ones and opens both kinds.
    HidTransport& system = SystemHidTransport();
    const HidInterfaceList all = EnumerateHid(system);
    const auto found = std::find_if(all.begin(), all.end(), [&](const HidInterfaceInfo& i) { return i.path == emulated; });
    ASSERT_NE(found, all.end());
    EXPECT_EQ(found->vendorId, 0x1209);
    EXPECT_EQ(found->productId, 0x0001);
    EXPECT_EQ(found->usagePage, 0xFF01);
    EXPECT_EQ(found->usage, 0x0001);
    EXPECT_EQ(found->interfaceNumber, 2);
    EXPECT_EQ(found->productText, "");
    auto connection = OpenHidPath(system, emulated);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(connection->OutputReportLength(), 65u);
    CloseHid(connection);
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(OpenHidPath(system, hidraw), nullptr);
}

TEST(HidTransport, SocketsOfAKilledEmulatorAreSkippedAndCleanedUp) {
    TestUtil::RuntimeFolder runtime;
    const std::string folder = EmuWire::SocketFolder();
    std::filesystem::create_directories(folder);
    // A socket nobody listens on any more, as a killed emulator leaves it.
    const std::string stale = folder + "/emu-999999-1-m0-i2";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, stale.c_str(), stale.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(stale));

    EmulatorTransport emulator;
    EXPECT_TRUE(emulator.Enumerate().empty());
    TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {0});
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(emulator.Enumerate().size(), 2u);
}

}  // namespace
}  // namespace KeyForge
