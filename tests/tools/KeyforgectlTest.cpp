// keyforgectl as a user runs it: a separate process with its own XDG folders.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ProcessResult;
using TestUtil::TempDir;

class Keyforgectl : public ::testing::Test {
protected:
    ProcessResult Run(std::vector<std::string> args, const char* locale = "en_US.UTF-8") {
        return TestUtil::RunTool("keyforgectl", std::move(args), m_dir, locale);
    }
    TempDir m_dir;
};

TEST_F(Keyforgectl, OverviewAndHelp) {
    const ProcessResult overview = Run({});
    EXPECT_EQ(overview.exitCode, 0) << overview.err;
    EXPECT_NE(overview.out.find("Key Forge Files/"), std::string::npos) << overview.out;
    const ProcessResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"settings get", "settings set", "text N", "language [ID]"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

TEST_F(Keyforgectl, SettingsRoundTrip) {
    EXPECT_EQ(Run({"settings", "set", "exit_mode", "2"}).exitCode, 0);
    const ProcessResult get = Run({"settings", "get", "exit_mode"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, "2\n");
    EXPECT_NE(TestUtil::ReadFile(m_dir / "config/Key Forge/settings.ini").find("exit_mode=2"), std::string::npos);
}

TEST_F(Keyforgectl, LanguageAndTexts) {
    EXPECT_EQ(Run({"language"}).out, "1033\n");
    EXPECT_EQ(Run({"text", "172"}).out, "Exit\n");
    EXPECT_EQ(Run({"language", "0x804"}).exitCode, 0);
    EXPECT_EQ(Run({"language"}).out, "2052\n");
    EXPECT_EQ(Run({"text", "172"}).out, "\xE9\x80\x80\xE5\x87\xBA\n");
    EXPECT_EQ(Run({"text", "99999"}).out, "\n") << "a missing text is empty";
}

TEST_F(Keyforgectl, FirstStartInAnotherLanguageStores2052) {
    EXPECT_EQ(Run({"language"}, "de_DE.UTF-8").out, "1031\n");
    EXPECT_EQ(Run({"settings", "get", "LCID"}, "de_DE.UTF-8").out, "2052\n");
}

TEST_F(Keyforgectl, BadInputGivesOneLineAndChangesNothing) {
    Run({"settings", "set", "exit_mode", "1"});
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"frobnicate"}, "unknown command: frobnicate"},
        {{"text", "abc"}, "bad text number: abc"},
        {{"text"}, "missing text number"},
        {{"text", "1", "2"}, "unexpected argument: 2"},
        {{"language", "1031"}, "no language file for 1031"},
        {{"language", "0x10000"}, "language out of range"},
        {{"settings", "get", "nothing_here"}, "nothing_here is not set"},
        {{"settings", "set", "a=b", "1"}, "bad setting name"},
        {{"settings", "set", " exit_mode", "1"}, "bad setting name"},
        {{"settings", "set", "exit_mode", " 2"}, "cannot start or end with a blank"},
        {{"settings", "set", "exit_mode", "\"2\""}, "cannot be enclosed in quotes"},
        {{"settings", "set", "exit_mode", std::string(260, '2')}, "at most 259 characters"},
        {{"settings", "frob"}, "unknown settings action"},
        {{"autostart", "maybe"}, "expected on or off"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_EQ(Run({"settings", "get", "exit_mode"}).out, "1\n");
    EXPECT_EQ(Run({"language"}).out, "1033\n");
}

TEST_F(Keyforgectl, Autostart) {
    EXPECT_EQ(Run({"autostart"}).out, "off\n");
    EXPECT_EQ(Run({"autostart", "on"}).exitCode, 0);
    EXPECT_EQ(Run({"autostart"}).out, "on\n");
    EXPECT_EQ(Run({"autostart", "off"}).exitCode, 0);
    EXPECT_EQ(Run({"autostart"}).out, "off\n");
}

}  // namespace
}  // namespace KeyForge
