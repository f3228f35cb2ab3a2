// Unpacking update packages: names are confined to the target folder whatever the
// archive holds, and absurd archives are refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "app/store/LanguageTexts.h"
#include "app/store/ZipExtractor.h"
#include "tests/store/UpdateTestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::MakeZip;
using TestUtil::ZipEntry;

TEST(SafeEntryName, Table) {
    struct Case {
        const char* name;
        const char* expected;
    } cases[] = {
        {"setup.exe", "setup.exe"},
        {"dir/file.txt", "dir/file.txt"},
        {"dir\\sub\\file.txt", "dir/sub/file.txt"},
        {"../evil.txt", "evil.txt"},
        {"../../../../evil.txt", "evil.txt"},
        {"a/b/../../../evil.txt", "evil.txt"},
        {"a/b/../c.txt", "c.txt"},
        {"..\\..\\evil.txt", "evil.txt"},
        {"sub\\..\\..\\evil.txt", "evil.txt"},
        {"a/..\\b/../c", "c"},
        {"/etc/passwd", "etc/passwd"},
        {"//server/share/x", "server/share/x"},
        {"\\\\server\\share\\x", "server/share/x"},
        {"C:\\Windows\\evil.dll", "Windows/evil.dll"},
        {"C:evil.txt", "evil.txt"},
        {"C:/../D:/x", "D:/x"},  // only a leading drive prefix is one; later "D:" is a plain folder name
        {"\xC3\xA9:x", "x"},     // a drive prefix is one character, whatever its size
        {"./a/./b.txt", "a/b.txt"},
        {"a//b", "a/b"},
        {"dir/", "dir"},
        {"x/..", ""},
        {"..", ""},
        {".", ""},
        {"/", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SafeEntryName(c.name), c.expected) << c.name;
}

// One hostile archive: its entries, what may be in the target folder afterwards
// (relative path -> contents; "/" for a folder) and a preparation of the folders.
struct HostileCase {
    using Prepare = std::function<void(const std::string& target, const std::string& outside)>;
    HostileCase(const char* l, std::vector<ZipEntry> e, std::map<std::string, std::string> x, int s = 0,
                Prepare p = {})
        : label(l), entries(std::move(e)), expected(std::move(x)), skipped(s), prepare(std::move(p)) {}
    const char* label;
    std::vector<ZipEntry> entries;
    std::map<std::string, std::string> expected;
    int skipped = 0;
    Prepare prepare;
};

std::map<std::string, std::string> ListTree(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string rel = e.path().lexically_relative(root).string();
        if (e.is_symlink())
            out[rel] = "-> " + std::filesystem::read_symlink(e.path()).string();
        else if (e.is_directory())
            out[rel] = "/";
        else
            out[rel] = TestUtil::ReadFile(e.path().string());
    }
    return out;
}

TEST(ZipExtractor, HostileArchivesStayInsideTheTarget) {
    const unsigned kLink = S_IFLNK | 0777;
    const std::vector<HostileCase> cases = {
        {"parent components",
         {{"../evil.txt", "1"}, {"a/../../b/../../evil2.txt", "2"}},
         {{"evil.txt", "1"}, {"evil2.txt", "2"}}},
        {"absolute names",
         {{"/outside/abs.txt", "1"}, {"//abs2.txt", "2"}},
         {{"outside", "/"}, {"outside/abs.txt", "1"}, {"abs2.txt", "2"}}},
        {"drive prefixes",
         {{"C:\\outside\\x.txt", "1"}, {"D:y.txt", "2"}},
         {{"outside", "/"}, {"outside/x.txt", "1"}, {"y.txt", "2"}}},
        {"backslashes",
         {{"..\\..\\evil.txt", "1"}, {"sub\\dir\\f.txt", "2"}},
         {{"evil.txt", "1"}, {"sub", "/"}, {"sub/dir", "/"}, {"sub/dir/f.txt", "2"}}},
        {"directory entries",
         {{"../../outdir/", ""}, {"empty/", ""}, {"..", ""}},
         {{"outdir", "/"}, {"empty", "/"}},
         1},
        {"duplicate names: the first wins",
         {{"dup.txt", "first"}, {"./dup.txt", "second"}, {"x/../dup.txt", "third"}},
         {{"dup.txt", "first"}},
         2},
        {"symbolic link entries are not created",
         {{"link", "../outside", kLink}, {"link/evil.txt", "1"}},
         {{"link", "/"}, {"link/evil.txt", "1"}},
         1},
        {"devices and pipes are skipped",
         {{"dev", "", S_IFCHR | 0666}, {"fifo", "", S_IFIFO | 0666}, {"ok.txt", "1"}},
         {{"ok.txt", "1"}},
         2},
        {"an existing link in the folder is not followed",
         {{"trap/evil.txt", "1"}, {"trapfile", "2"}},
         {{"trap", "-> OUTSIDE"}, {"trapfile", "2"}},
         1,
         [](const std::string& target, const std::string& outside) {
             std::filesystem::create_directory_symlink(outside, target + "/trap");
             std::filesystem::create_symlink(outside + "/victim.txt", target + "/trapfile");
         }},
        {"an existing hard link is replaced, not written through",
         {{"hard", "new"}},
         {{"hard", "new"}},
         0,
         [](const std::string& target, const std::string& outside) {
             ASSERT_EQ(::link((outside + "/victim.txt").c_str(), (target + "/hard").c_str()), 0);
         }},
        {"a file where a folder is wanted", {{"f", "1"}, {"f/g.txt", "2"}}, {{"f", "1"}}, 1},
        {"names in the system code page",
         {{"caf\xE9.txt", "1"}, {"na\xC3\xAFve.txt", "2", 0, true}},
         {{"caf\xC3\xA9.txt", "1"}, {"na\xC3\xAFve.txt", "2"}}},
    };
    SetCurrentLanguage(1033);  // names without the UTF-8 flag are read in code page 1252
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.label);
        TestUtil::TempDir dir;
        const std::string outside = dir / "outside";
        const std::string target = dir / "target";
        TestUtil::WriteFile(outside + "/victim.txt", "untouched");
        TestUtil::WriteFile(dir / "evil.txt", "untouched");
        std::filesystem::create_directory(target);
        if (c.prepare) c.prepare(target, outside);
        MakeZip(dir / "hostile.zip", c.entries);
        const std::string before = TestUtil::SnapshotTree(dir.Path(), target);

        const ExtractReport report = ExtractArchive(dir / "hostile.zip", target);
        EXPECT_TRUE(report.opened);
        EXPECT_FALSE(report.refused) << report.reason;
        EXPECT_EQ(report.skipped, c.skipped);
        std::map<std::string, std::string> expected = c.expected;
        for (auto& [path, data] : expected)
            if (data == "-> OUTSIDE") data = "-> " + outside;
        EXPECT_EQ(ListTree(target), expected);
        EXPECT_EQ(TestUtil::SnapshotTree(dir.Path(), target), before)
            << "something outside the target changed";
    }
}

TEST(ZipExtractor, FilesGetTheirTimeStampAndPlainMode) {
    TestUtil::TempDir dir;
    MakeZip(dir / "a.zip", {{"bin/tool", "#!/bin/sh\n", S_IFREG | 04755}});
    ASSERT_TRUE(ExtractAll(dir / "a.zip", dir / "out"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out/bin/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "no set-id or execute bits from the archive";
    std::tm tm{};
    const std::time_t when = st.st_mtime;
    ::localtime_r(&when, &tm);
    EXPECT_EQ(tm.tm_year + 1900, 2024);
    EXPECT_EQ(tm.tm_mon, 5);
    EXPECT_EQ(tm.tm_mday, 15);
    EXPECT_EQ(tm.tm_hour, 12);
    EXPECT_EQ(tm.tm_min, 30);
}

TEST(ZipExtractor, AbsurdArchivesAreRefusedBeforeWriting) {
    TestUtil::TempDir dir;
    std::vector<ZipEntry> many;
    for (int i = 0; i <= 10000; ++i) many.push_back({"f" + std::to_string(i), ""});
    MakeZip(dir / "many.zip", many);
    const ExtractReport report = ExtractArchive(dir / "many.zip", dir / "out");
    EXPECT_TRUE(report.refused);
    EXPECT_NE(report.reason.find("10000 entries"), std::string::npos) << report.reason;
    EXPECT_FALSE(std::filesystem::exists(dir / "out/f0"));
    many.pop_back();
    MakeZip(dir / "enough.zip", many);
    EXPECT_TRUE(ExtractAll(dir / "enough.zip", dir / "out2")) << "10,000 entries are still fine";

    // The unpacked-size bound, scaled down: 3 entries of 400 bytes against 1000.
    MakeZip(dir / "big.zip",
            {{"a", std::string(400, 'a')}, {"b", std::string(400, 'b')}, {"c", std::string(400, 'c')}});
    ExtractLimits small;
    small.maxTotalBytes = 1000;
    const ExtractReport big = ExtractArchive(dir / "big.zip", dir / "out3", small);
    EXPECT_TRUE(big.refused);
    EXPECT_FALSE(std::filesystem::exists(dir / "out3/a"));
    small.maxTotalBytes = 1200;
    EXPECT_TRUE(ExtractAll(dir / "big.zip", dir / "out4", small));
}

TEST(ZipExtractor, BrokenInputs) {
    TestUtil::TempDir dir;
    EXPECT_FALSE(ExtractAll(dir / "missing.zip", dir / "out"));
    TestUtil::WriteFile(dir / "text.zip", "this is no archive");
    EXPECT_FALSE(ExtractAll(dir / "text.zip", dir / "out"));
    // A damaged entry (CRC mismatch) is skipped and leaves no file; the rest is unpacked.
    MakeZip(dir / "ok.zip", {{"good.txt", std::string(2000, 'g')}, {"bad.txt", std::string(2000, 'x')}});
    std::string bytes = TestUtil::ReadFile(dir / "ok.zip");
    // Flip one byte of the second entry's compressed data (after its local header).
    const std::size_t second = bytes.find("bad.txt");
    ASSERT_NE(second, std::string::npos);
    bytes[second + 7 + 5] = static_cast<char>(bytes[second + 7 + 5] ^ 0x55);
    TestUtil::WriteFile(dir / "damaged.zip", bytes);
    const ExtractReport report = ExtractArchive(dir / "damaged.zip", dir / "out");
    EXPECT_TRUE(report.opened);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.skipped, 1);
    EXPECT_EQ(TestUtil::ReadFile(dir / "out/good.txt"), std::string(2000, 'g'));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/bad.txt"));
    EXPECT_EQ(ListTree(dir / "out").size(), 1u) << "no temporary file is left";
}

}  // namespace
}  // namespace KeyForge
