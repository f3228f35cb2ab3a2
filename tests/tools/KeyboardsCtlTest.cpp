// keyforgectl keyboards and layout on the shipped description files.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ProcessResult;
using TestUtil::TempDir;

class KeyboardsCtl : public ::testing::Test {
protected:
    ProcessResult Run(std::vector<std::string> args) { return TestUtil::RunTool("keyforgectl", std::move(args), m_dir); }
    TempDir m_dir;
};

TEST_F(KeyboardsCtl, ListsKeyboardsWithTheirModes) {
    const ProcessResult r = Run({"keyboards"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "VX9-RGB  device type 201  layout vx9\n"
              "  mode 0  Cable              1209:0001  HID#VID_1209&PID_0001&MI_02\n"
              "  mode 1  2.4 GHz receiver   1209:0002  HID#VID_1209&PID_0002&MI_02\n"
              "  mode 2  Bluetooth          1209:0003  HID#VID_1209&PID_0003&MI_02\n"
              "TK87-RGB  device type 101  layout tk87\n"
              "  mode 0  Cable              1209:0004  HID#VID_1209&PID_0004&MI_02\n");
}

TEST_F(KeyboardsCtl, PrintsTheModelOfADeviceType) {
    const ProcessResult r = Run({"layout", "201"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {
             "Keyboard:     VX9-RGB (device type 201, layout vx9)\n",
             "Pages:        0x47 (keys, macros, lighting, third view)\n",
             "  mode  4  config_func 0x0031  804 Single color\n",
             "  mode 10  config_func 0x0200  810 Music\n",
             "Picture:      keyboard/vx9.png, 1079 x 377 at (60, 90), grid 6 rows x 23 columns\n",
             "Keys:         108\n",
             // Esc, F1 to F12, the navigation keys and the media keys above the keypad.
             "  0  29 .. 3A 3B 3C 3D .. 3E 3F 40 41 42 43 44 45 46 47 48 .. EB E9 EA EE .. .. .. .. .. .. .. .. ..\n",
             "  7  .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. .. ..\n",
         })
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "---\n" << r.out;
    const std::size_t gridLines = static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n'));
    EXPECT_GT(gridLines, 8u);

    // The light mode names follow the interface language.
    ASSERT_EQ(Run({"language", "2052"}).exitCode, 0);
    EXPECT_NE(Run({"layout", "0xC9"}).out.find("810 \xE9\x9F\xB3\xE4\xB9\x90"), std::string::npos);

    const ProcessResult small = Run({"layout", "101"});
    ASSERT_EQ(small.exitCode, 0) << small.err;
    EXPECT_NE(small.out.find("Firmware:     none\n"), std::string::npos) << small.out;
    EXPECT_NE(small.out.find("config_func 0x0400"), std::string::npos) << "the screen colour effect";
}

TEST_F(KeyboardsCtl, BadDeviceTypeGivesOneLine) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"layout"}, "missing device type"},
        {{"layout", "abc"}, "bad device type: abc"},
        {{"layout", "7"}, "no keyboard of device type 7"},
        {{"keyboards", "extra"}, "unexpected argument: extra"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

}  // namespace
}  // namespace KeyForge
