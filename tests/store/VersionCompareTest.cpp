// Version texts and package checksums: comparison, firmware numbers, accepted
// version-file bodies, SHA-256 and checksum files.
#include <gtest/gtest.h>

#include "app/store/Sha256.h"
#include "app/store/VersionCompare.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

TEST(VersionCompare, Table) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"1.0.2", "1.0.3", 1},   {"1.0.3", "1.0.3", 0},
        {"1.0.3", "1.0.2", -1},  {"1.0", "1.0.0", 2},
        {"1.0.9", "1.0.10", 1},  {"2.0.0", "1.9.9", -1},
        {"1.0.3", "1.0.3\n", 0}, {"1.0.3", "1.0.4\r\n", 1},
        {"1.0.x", "1.0.0", 0},   {"", "", 0},
        {"1", "2", 1},           {"1.1.0", "1.0.99", -1},
        {"1..0", "1.0.0", 0},    {"99999999999.0", "1.0", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(VersionCompare, LeadingDecimalAndFirmwareNumbers) {
    EXPECT_EQ(LeadingDecimal(" 42abc"), 42);
    EXPECT_EQ(LeadingDecimal("-7"), -7);
    EXPECT_EQ(LeadingDecimal("x1"), 0);
    EXPECT_EQ(LeadingDecimal("99999999999999"), 2147483647);
    EXPECT_EQ(FirmwareNumberFromKeyboard(0x0105), 105);
    EXPECT_EQ(FirmwareNumberFromKeyboard(0x0110), 110);
    EXPECT_EQ(FirmwareNumberFromKeyboard(0x01A5), 1) << "hex letters end the decimal reading";
    EXPECT_EQ(FirmwareNumberFromKeyboard(0), 0);
}

TEST(VersionCompare, PublishedVersionBodies) {
    struct Case {
        std::string body;
        const char* expected;  // nullptr: ignored
    } cases[] = {
        {"1.0.3", "1.0.3"},
        {"1.0.3\n", "1.0.3"},
        {"1.0.3\r\n", "1.0.3"},
        {"1234567890", "1234567890"},
        {"12345678901", nullptr},
        {"1.0.3.4567\n", nullptr},  // 11 characters with the line break
        {"", nullptr},
        {"\n", nullptr},
        {"../../x", nullptr},
        {"1\\2", nullptr},
        {"1.0\t3", nullptr},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},  // counted in characters
        {"\xFF", nullptr},
    };
    for (const Case& c : cases) {
        const auto v = PublishedVersionFromBody(c.body);
        if (c.expected) {
            ASSERT_TRUE(v.has_value()) << c.body;
            EXPECT_EQ(*v, c.expected);
        } else {
            EXPECT_FALSE(v.has_value()) << c.body;
        }
    }
}

TEST(Sha256, KnownVectorsAndFiles) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string million(1000000, 'a');
    EXPECT_EQ(Sha256Hex(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    TestUtil::TempDir dir;
    TestUtil::WriteFile(dir / "a", million);
    EXPECT_EQ(Sha256FileHex(dir / "a"), Sha256Hex(million));
    EXPECT_FALSE(Sha256FileHex(dir / "missing").has_value());
}

TEST(Sha256, ChecksumFileTexts) {
    const std::string d = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    std::string upper = d;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(ParseSha256Text(d), d);
    EXPECT_EQ(ParseSha256Text(d + "\n"), d);
    EXPECT_EQ(ParseSha256Text("  " + upper + "  Keyboard-Software-1.0.3.zip\n"), d);
    EXPECT_FALSE(ParseSha256Text(d.substr(1)).has_value());
    EXPECT_FALSE(ParseSha256Text(d + "0").has_value());
    EXPECT_FALSE(ParseSha256Text(d + "x").has_value());
    EXPECT_FALSE(ParseSha256Text("<html>not found</html>").has_value());
    EXPECT_FALSE(ParseSha256Text("").has_value());
}

}  // namespace
}  // namespace KeyForge
