// A keyboard that answers badly: short replies, errors, no reply at all. The device
// manager reports failure, keeps the failure text and recovers when it answers again.
#include <gtest/gtest.h>

#include <thread>

#include "app/device/emulated/EmulatorTransport.h"
#include "tests/device/EmulatorHarness.h"

namespace KeyForge {
namespace {

using Emu::Misbehaviour;

TEST(MisbehavingKeyboard, FailuresAreReportedAndSurvived) {
    const struct {
        Misbehaviour kind;
        bool setFeatureWorks;  // a set has no reply bytes to cut short
        const char* error;
    } cases[] = {
        {Misbehaviour::ShortRead, true, "short"},
        {Misbehaviour::Error, false, "Input/output error"},
        {Misbehaviour::NoReply, false, "did not answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Emu::MisbehaviourName(c.kind));
        TestUtil::RuntimeFolder runtime;
        EmulatorTransport transport;
        HidDeviceManager manager(transport);
        const auto modes = TestUtil::SampleModeList();
        manager.RegisterKnownDevices(modes);
        TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {0}, 0x0105);
        ASSERT_TRUE(manager.Rescan(modes).keyboardConnected);
        keyboard.keyboard.SetMisbehaviour(c.kind);

        int version = -1;
        EXPECT_FALSE(manager.QueryVersion(version));
        EXPECT_EQ(version, -1);
        EXPECT_NE(manager.LastError().find(c.error), std::string::npos) << manager.LastError();
        EXPECT_EQ(manager.SendFeature({0x07, 0xF7, 0, 0, 0, 0, 0, 0}), c.setFeatureWorks);
        if (c.kind != Misbehaviour::NoReply) {
            // No reply costs a timeout per transfer; the other kinds show the rest.
            SlotTableBytes table{};
            EXPECT_FALSE(manager.ReadTable({0x07, 0xFB, 0x01, 0, 0, 0, 0, 0}, table));
            EXPECT_EQ(table, SlotTableBytes{}) << "failed gets leave the result area alone";
            const std::size_t before = keyboard.keyboard.Log().size();
            EXPECT_FALSE(manager.WriteReport(OutputReport{}));
            EXPECT_EQ(keyboard.keyboard.Log().size(), before + 2) << "one retry";
        }

        keyboard.keyboard.SetMisbehaviour(Misbehaviour::None);
        EXPECT_TRUE(manager.QueryVersion(version));
        EXPECT_EQ(version, 0x0105);
    }
}

TEST(MisbehavingKeyboard, LateRepliesAreNeverTakenForNewerOnes) {
    TestUtil::RuntimeFolder runtime;
    EmulatorTransport transport;
    HidDeviceManager manager(transport);
    const auto modes = TestUtil::SampleModeList();
    manager.RegisterKnownDevices(modes);
    TestUtil::InProcessKeyboard keyboard(TestUtil::kFullSizeType, {0}, 0x0105);
    ASSERT_TRUE(manager.Rescan(modes).keyboardConnected);

    keyboard.keyboard.SetMisbehaviour(Misbehaviour::LateReply);
    const FeatureReport level{0x07, 0x23, 0x45, 0x67, 0x89, 1, 0, 0x40};
    EXPECT_FALSE(manager.SendFeature(level));
    EXPECT_NE(manager.LastError().find("did not answer"), std::string::npos) << manager.LastError();
    // The late answer arrives while the keyboard behaves again; it must be passed over.
    keyboard.keyboard.SetMisbehaviour(Misbehaviour::None);
    std::this_thread::sleep_for(Emu::kLateReplyDelay - kEmulatorReplyTimeout + std::chrono::milliseconds(200));
    int version = -1;
    EXPECT_TRUE(manager.QueryVersion(version));
    EXPECT_EQ(version, 0x0105);
}

TEST(EmulatedKeyboard, DecodesItsCommandsAndLogsEverything) {
    Emu::EmulatedKeyboard keyboard("VX9-RGB", 201, {0, 2}, 0x0A0B);
    const std::uint8_t version[8] = {0x07, 0xFD, 0, 0, 0, 0, 0, 0};
    const std::uint8_t unknown[8] = {0x07, 0x42, 0, 0, 0, 0, 0, 0};
    const std::uint8_t shortReport[3] = {0x07, 0xFD, 0};
    EXPECT_EQ(keyboard.HandleSetFeature(2, 2, version).result, 0);
    EXPECT_EQ(keyboard.HandleSetFeature(2, 2, unknown).result, 0);
    keyboard.HandleSetFeature(2, 2, shortReport);
    const Emu::Response reply = keyboard.HandleGetFeature(2, 2, version);
    EXPECT_EQ(reply.data, (std::vector<std::uint8_t>{0x07, 0x0A, 0x0B, 0, 0, 0, 0, 0}));
    // With nothing pending a get answers the report ID and zeros.
    EXPECT_EQ(keyboard.HandleGetFeature(2, 2, version).data, (std::vector<std::uint8_t>{0x07, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(keyboard.State().unknownCommands, 2);

    const auto log = keyboard.Log();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], "2 set-feature 07 FD 00 00 00 00 00 00");
    EXPECT_EQ(log[2], "2 set-feature 07 FD 00");
    EXPECT_EQ(log[3], "2 get-feature 07 FD 00 00 00 00 00 00");
    const std::string json = keyboard.StateJson();
    EXPECT_NE(json.find("\"firmware\": \"0x0A0B\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"modes\": [0, 2]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"2 MI_02\": 5"), std::string::npos) << json;
    keyboard.ClearLog();
    EXPECT_TRUE(keyboard.Log().empty());
}

}  // namespace
}  // namespace KeyForge
