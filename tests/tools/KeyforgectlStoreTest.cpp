// keyforgectl's store commands as a user runs them: a separate process with its own
// XDG folders, working on the store file of the keyboard chosen by device type.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ProcessResult;
using TestUtil::TempDir;

class KeyforgectlStore : public ::testing::Test {
protected:
    ProcessResult Run(std::vector<std::string> args) { return TestUtil::RunTool("keyforgectl", std::move(args), m_dir); }
    // Runs a command that must succeed; its output.
    std::string Ok(std::vector<std::string> args) {
        const ProcessResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
        return r.out;
    }
    std::string File(const std::string& keyboard) { return m_dir / ("data/Key Forge Files/db/" + keyboard + "_data_v1.db"); }
    std::string Sql(const std::string& sql, const std::string& keyboard = "VX9-RGB") {
        return TestUtil::RunProcess({"/usr/bin/sqlite3", "-batch", File(keyboard), sql}).out;
    }
    TempDir m_dir;
};

TEST_F(KeyforgectlStore, Profiles) {
    EXPECT_EQ(Ok({"profiles"}), "ID\tNAME\tACTIVE\n") << "an empty store";
    EXPECT_EQ(Ok({"profile", "add", "Game"}), "1\n");
    EXPECT_EQ(Ok({"profile", "add", "Office \xE5\x8A\x9E\xE5\x85\xAC"}), "2\n");
    EXPECT_EQ(Ok({"profile", "add", "Third"}), "3\n");
    EXPECT_EQ(Ok({"profiles"}), "ID\tNAME\tACTIVE\n1\tGame\t*\n2\tOffice \xE5\x8A\x9E\xE5\x85\xAC\t\n3\tThird\t\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM t_configdata WHERE profile = 1"), "11\n") << "defaults written once";

    Ok({"profile", "rename", "0x3", "Tri"});
    Ok({"profile", "activate", "3"});
    EXPECT_EQ(Sql("SELECT profile, name, status FROM t_profile_data"), "1|Game|0\n2|Office \xE5\x8A\x9E\xE5\x85\xAC|0\n3|Tri|1\n");
    // Deleting the active profile hands the mark to the one above it.
    Ok({"profile", "delete", "3"});
    Ok({"profile", "delete", "1"});
    EXPECT_EQ(Ok({"profiles"}), "ID\tNAME\tACTIVE\n2\tOffice \xE5\x8A\x9E\xE5\x85\xAC\t*\n");
    const ProcessResult last = Run({"profile", "delete", "2"});
    EXPECT_EQ(last.exitCode, 1);
    EXPECT_EQ(last.err, "keyforgectl: the last profile cannot be deleted\n");
}

TEST_F(KeyforgectlStore, KeysOnProfilesAndLayers) {
    Ok({"profile", "add", "One"});
    Ok({"profile", "add", "Two"});
    Ok({"key", "set", "0x29", "2", "0x3A", "--desc", "F1"});
    Ok({"key", "set", "4", "12", "600", "--value2", "7", "--value3", "0x10", "--layer", "1"});
    Ok({"key", "set", "5", "1", "1", "--profile", "2"});
    EXPECT_EQ(Ok({"keys"}), "KEY\tTYPE\tVALUE\tVALUE2\tVALUE3\tDESC\n0x29\t2\t58\t0\t0\tF1\n");
    EXPECT_EQ(Ok({"keys", "--layer", "1"}), "KEY\tTYPE\tVALUE\tVALUE2\tVALUE3\tDESC\n0x04\t12\t600\t7\t16\t\n");
    EXPECT_EQ(Ok({"keys", "--profile", "2"}), "KEY\tTYPE\tVALUE\tVALUE2\tVALUE3\tDESC\n0x05\t1\t1\t0\t0\t\n");

    Ok({"key", "set", "0x29", "2", "0x3B"});
    EXPECT_EQ(Sql("SELECT profile, fn_layer, key_code, macro_type, macro_value, macro_desc FROM t_key_macro_data "
                  "ORDER BY key_id"),
              "1|1|4|12|600|\n2|0|5|1|1|\n1|0|41|2|59|\n")
        << "saving again replaces the key's row";
    Ok({"key", "reset", "0x29"});
    Ok({"key", "reset", "0x29"});
    EXPECT_EQ(Sql("SELECT count(*) FROM t_key_macro_data WHERE key_code = 41"), "0\n");
}

TEST_F(KeyforgectlStore, MacrosAndTheKeysThatPlayThem) {
    Ok({"profile", "add", "One"});
    EXPECT_EQ(Ok({"macro", "add", "Combo"}), "1\n");
    Ok({"macro", "step", "add", "1", "2", "0x41", "10", "--desc", "A"});
    Ok({"macro", "step", "add", "1", "1", "0", "250"});
    Ok({"macro", "step", "add", "1", "3", "0x41", "0", "--desc", "A"});
    EXPECT_EQ(Ok({"macro", "show", "1"}), "INDEX\tTYPE\tVALUE\tDELAY\tDESC\n0\t2\t65\t10\tA\n1\t1\t0\t250\t\n2\t3\t65\t0\tA\n");
    Ok({"macro", "rename", "1", "Combo \xF0\x9F\x8E\xAE"});
    EXPECT_EQ(Ok({"macros"}), "ID\tNAME\tSTEPS\tPLAY_TIMES\n1\tCombo \xF0\x9F\x8E\xAE\t3\t1\n");

    Ok({"key", "set", "0x3A", "3", "1"});
    Ok({"key", "set", "0x3A", "3", "1", "--layer", "1"});
    Ok({"macro", "delete", "1"});
    EXPECT_EQ(Ok({"macros"}), "ID\tNAME\tSTEPS\tPLAY_TIMES\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM t_key_macro_data; SELECT count(*) FROM t_macrorecord"), "0\n0\n");
}

TEST_F(KeyforgectlStore, Lights) {
    Ok({"profile", "add", "One"});
    Ok({"profile", "add", "Two"});
    Sql("INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, colorindex, "
        "color_value, config_func, reserved, status) VALUES (1, 'Wave', 3, 4, 2, 1, 1, 0, 16711680, 512, 0, 1), "
        "(2, 'Static', 1, 3, 0, 0, 0, 2, 255, 1, 0, 0)");
    const std::string header = "MODE\tNAME\tBRIGHTNESS\tSPEED\tDIRECTION\tCOLORFUL\tCOLORINDEX\tCOLOR\tCONFIG_FUNC\tACTIVE\n";
    EXPECT_EQ(Ok({"lights"}), header + "3\tWave\t4\t2\t1\t1\t0\t0xFF0000\t0x0200\t*\n");
    EXPECT_EQ(Ok({"lights", "--profile", "2"}), header + "1\tStatic\t3\t0\t0\t0\t2\t0x0000FF\t0x0001\t\n");
}

TEST_F(KeyforgectlStore, EachKeyboardHasItsOwnStore) {
    Ok({"profile", "add", "Nine"});
    Ok({"profile", "add", "Tenkeyless", "--keyboard", "101"});
    EXPECT_EQ(Ok({"profiles", "--keyboard", "0x65"}), "ID\tNAME\tACTIVE\n1\tTenkeyless\t*\n");
    EXPECT_EQ(Sql("SELECT name FROM t_profile_data"), "Nine\n");
    EXPECT_EQ(Sql("SELECT name FROM t_profile_data", "TK87-RGB"), "Tenkeyless\n");
}

TEST_F(KeyforgectlStore, BadInputGivesOneLineAndChangesNothing) {
    Ok({"profile", "add", "One"});
    Ok({"macro", "add", "Combo"});
    Ok({"key", "set", "4", "2", "5"});
    const std::string before = Sql(".dump");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"profiles", "--keyboard", "7"}, "no keyboard of device type 7"},
        {{"profiles", "--keyboard", "abc"}, "bad keyboard type: abc"},
        {{"profiles", "extra"}, "unexpected argument: extra"},
        {{"profile"}, "missing action"},
        {{"profile", "frob"}, "unknown profile action: frob"},
        {{"profile", "add", ""}, "profile name cannot be empty"},
        {{"profile", "add", "a\tb"}, "profile name cannot hold control characters"},
        {{"profile", "add", "\xFF"}, "profile name is not valid UTF-8"},
        {{"profile", "rename", "9", "X"}, "no profile 9"},
        {{"profile", "rename", "0", "X"}, "profile id out of range"},
        {{"profile", "delete", "9"}, "no profile 9"},
        {{"profile", "activate", "0x"}, "bad profile id: 0x"},
        {{"keys", "--profile", "9"}, "no profile 9"},
        {{"keys", "--layer", "2"}, "layer out of range"},
        {{"key", "set", "0", "2", "5"}, "key code out of range"},
        {{"key", "set", "0x10000", "2", "5"}, "key code out of range"},
        {{"key", "set", "4", "0", "5"}, "type 0 is the default function: use key reset"},
        {{"key", "set", "4", "4", "5"}, "unknown function type: 4"},
        {{"key", "set", "4", "2", "0"}, "value and value2 are both 0"},
        {{"key", "set", "4", "9", "0x80000000"}, "value out of range"},
        {{"key", "set", "4", "3", "9"}, "no macro 9"},
        {{"key", "set", "4", "7", "16"}, "shortcut out of range"},
        {{"key", "set", "4", "2", "500"}, "a key code (type 2) lies between 1 and 499"},
        {{"key", "set", "4", "12", "499"}, "a function code of type 12 is 500 or more"},
        {{"key", "set", "4", "5", "4"}, "a mouse button (type 5) is 1, 2, 3, 7 or 8"},
        {{"key", "set", "4", "1", "2"}, "a disabled key has value 1"},
        {{"key", "set", "4", "2", "5", "--desc", "a\nb"}, "description cannot hold control characters"},
        {{"key", "set", "4", "2", "5", "--value2"}, "--value2 needs a value"},
        {{"key", "set", "4", "2", "5", "--profile", "9"}, "no profile 9"},
        {{"key", "set", "4", "2"}, "missing value"},
        {{"key", "reset", "4", "--frob"}, "unknown option: --frob"},
        {{"macro", "show", "9"}, "no macro 9"},
        {{"macro", "rename", "9", "X"}, "no macro 9"},
        {{"macro", "delete", "9"}, "no macro 9"},
        {{"macro", "add", ""}, "macro name cannot be empty"},
        {{"macro", "step", "add", "9", "2", "65", "10"}, "no macro 9"},
        {{"macro", "step", "add", "1", "2", "65", "-1"}, "delay out of range"},
        {{"macro", "step", "del", "1"}, "unknown macro step action: del"},
        {{"lights", "--profile", "x"}, "bad profile: x"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
    EXPECT_EQ(Sql(".dump"), before);
}

TEST_F(KeyforgectlStore, NoActiveProfile) {
    const ProcessResult r = Run({"keys"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "keyforgectl: no active profile (give --profile ID)\n");
}

}  // namespace
}  // namespace KeyForge
