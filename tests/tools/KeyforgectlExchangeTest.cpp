// keyforgectl profile/macro export and import as a user runs them.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ProcessResult;
using TestUtil::TempDir;

class KeyforgectlExchange : public ::testing::Test {
protected:
    ProcessResult Run(std::vector<std::string> args) { return TestUtil::RunTool("keyforgectl", std::move(args), m_dir); }
    std::string Ok(std::vector<std::string> args) {
        const ProcessResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << " " << args[1] << ": " << r.err;
        return r.out;
    }
    TempDir m_dir;
};

TEST_F(KeyforgectlExchange, ProfileAndMacroRoundTripToTheOtherKeyboard) {
    Ok({"profile", "add", "Game & <Fun>"});
    Ok({"macro", "add", "Burst"});
    Ok({"macro", "step", "add", "1", "2", "0x41", "20"});
    Ok({"macro", "step", "add", "1", "3", "0x41", "20"});
    Ok({"key", "set", "0x3A", "3", "1"});
    EXPECT_EQ(Ok({"profile", "export", "1", m_dir / "Game.v2.xml"}), "wrote " + (m_dir / "Game.v2.xml") + "\n");
    EXPECT_EQ(TestUtil::RunProcess({"/usr/bin/xmllint", "--noout", m_dir / "Game.v2.xml"}).exitCode, 0);

    // Into the report-protocol keyboard's store: a new profile named after the file,
    // and the macro under a new id.
    Ok({"profile", "add", "Default", "--keyboard", "101"});
    EXPECT_EQ(Ok({"profile", "import", m_dir / "Game.v2.xml", "--keyboard", "101"}),
              "profile\t2\tGame\nmacro\t1\tBurst\n");
    EXPECT_EQ(Ok({"profiles", "--keyboard", "101"}), "ID\tNAME\tACTIVE\n1\tDefault\t\n2\tGame\t*\n");

    EXPECT_EQ(Ok({"macro", "export", "1", m_dir / "burst"}), "wrote " + (m_dir / "burst") + "\n")
        << "the path is taken exactly as given";
    EXPECT_EQ(Ok({"macro", "import", m_dir / "burst"}), "macro\t2\tburst\n");
    EXPECT_EQ(Ok({"macro", "show", "2"}), "INDEX\tTYPE\tVALUE\tDELAY\tDESC\n0\t2\t65\t20\t\n1\t3\t65\t20\t\n");
}

TEST_F(KeyforgectlExchange, BadFilesAndArgumentsChangeNothing) {
    Ok({"profile", "add", "P"});
    TestUtil::WriteFile(m_dir / "macro.xml", "<macro><macroinfo name=\"m\"/></macro>");
    TestUtil::WriteFile(m_dir / "broken.xml", "<profile><keyitems>");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"profile", "import", m_dir / "none.xml"}, "no such file"},
        {{"profile", "import", m_dir / "broken.xml"}, "not well-formed"},
        {{"profile", "import", m_dir / "macro.xml"}, "not of the expected kind"},
        {{"macro", "import", m_dir / "broken.xml"}, "not well-formed"},
        {{"profile", "export", "9", m_dir / "x.xml"}, "no profile 9"},
        {{"macro", "export", "9", m_dir / "x.xml"}, "no macro 9"},
        {{"profile", "export", "1", m_dir / "no/such/dir/x.xml"}, "could not write"},
        {{"profile", "export", "1"}, "missing file"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(Ok({"profiles"}), "ID\tNAME\tACTIVE\n1\tP\t*\n");
    EXPECT_EQ(Ok({"macros"}), "ID\tNAME\tSTEPS\tPLAY_TIMES\n");
}

}  // namespace
}  // namespace KeyForge
