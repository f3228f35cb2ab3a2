// XmlDocument: decoding of every file form, well-formedness, the cursor and the writer.
#include "app/store/XmlDocument.h"

#include <gtest/gtest.h>

#include "app/store/LanguageTexts.h"
#include "app/store/TextCodec.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::TempDir;
using TestUtil::WriteFile;

// "Café Straße 中文" as the reference text every encoding must load to.
constexpr char kUtf8Doc[] = "<root><item name=\"Caf\xC3\xA9 Stra\xC3\x9F" "e\"/></root>";
constexpr char kExpectedName[] = "Caf\xC3\xA9 Stra\xC3\x9F" "e";

std::string Utf16(std::string_view ascii8bit, bool bigEndian) {
    // Input is Latin-1 bytes; each becomes one UTF-16 unit.
    std::string out;
    for (unsigned char c : ascii8bit) {
        if (bigEndian) {
            out += '\0';
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(c);
            out += '\0';
        }
    }
    return out;
}

std::string NameOfItem(const std::string& path) {
    XmlDocument doc;
    if (!doc.LoadFile(path)) return "<load failed>";
    if (!doc.FindNextElement("root") || !doc.EnterElement() || !doc.FindNextElement("item")) return "<no item>";
    return doc.GetAttribute("name");
}

TEST(XmlDocumentDecoding, EveryFileFormLoadsToTheSameText) {
    TempDir dir;
    const std::string latin1Doc = "<root><item name=\"Caf\xE9 Stra\xDF" "e\"/></root>";
    struct Case {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"utf8 without mark", kUtf8Doc},
        {"utf8 with mark", std::string("\xEF\xBB\xBF") + kUtf8Doc},
        {"utf16le with mark", std::string("\xFF\xFE") + Utf16(latin1Doc, false)},
        {"utf16be with mark", std::string("\xFE\xFF") + Utf16(latin1Doc, true)},
        {"declared windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + latin1Doc},
        {"1252 without declaration", latin1Doc},
        {"declared utf-8", std::string("<?xml version='1.0' encoding='UTF-8'?>") + kUtf8Doc},
    };
    SetCurrentLanguage(1033);
    for (const Case& c : cases) {
        const std::string path = dir / "doc.xml";
        WriteFile(path, c.bytes);
        EXPECT_EQ(NameOfItem(path), kExpectedName) << c.label;
    }
}

TEST(XmlDocumentDecoding, DeclaredGbkAndTheChineseCodePage) {
    TempDir dir;
    // "中文" is D6 D0 CE C4 in GBK.
    const std::string gbkBody = "<root><item name=\"\xD6\xD0\xCE\xC4\"/></root>";
    const std::string expected = "\xE4\xB8\xAD\xE6\x96\x87";
    WriteFile(dir / "gbk.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?>" + gbkBody);
    EXPECT_EQ(NameOfItem(dir / "gbk.xml"), expected);

    // Without a declaration the system code page decides: 936 under Chinese, 1252 otherwise.
    WriteFile(dir / "plain.xml", gbkBody);
    SetCurrentLanguage(2052);
    EXPECT_EQ(NameOfItem(dir / "plain.xml"), expected);
    SetCurrentLanguage(1033);
    EXPECT_EQ(NameOfItem(dir / "plain.xml"), "\xC3\x96\xC3\x90\xC3\x8E\xC3\x84");  // ÖÐÎÄ
}

TEST(XmlDocumentDecoding, RecordsTheMarkAndEncodingSeen) {
    TempDir dir;
    WriteFile(dir / "a.xml", std::string("\xFE\xFF") + Utf16("<a/>", true));
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir / "a.xml"));
    EXPECT_EQ(doc.ByteOrderMarkSeen(), ByteOrderMark::Utf16BE);
    EXPECT_EQ(doc.EncodingSeen(), "UTF-16BE");
}

TEST(XmlDocumentLoad, MalformedFilesFailWithoutACrash) {
    TempDir dir;
    const char* cases[] = {
        "",                            // empty
        "<a/><b/>",                    // two roots
        "<a><b></a>",                  // unclosed tag
        "</x><a/>",                    // stray end tag
        "<a></a></b>",                 // stray end tag after the root
        "just text",                   // no root
        "<?xml version=\"1.0\"?>",     // declaration only
        "<a attr=\"unterminated/>",    // broken attribute
        "\xFF\xFE",                    // a mark and nothing else
    };
    for (const char* text : cases) {
        WriteFile(dir / "bad.xml", text);
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFile(dir / "bad.xml")) << '"' << text << '"';
        EXPECT_FALSE(doc.FindNextElement("a")) << "a failed load finds nothing: " << text;
    }
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir / "missing.xml"));
    EXPECT_FALSE(doc.LoadFile(dir.Path()));  // a folder is no file
}

TEST(XmlDocumentCursor, WalksOneLevelAtATime) {
    XmlDocument doc;
    ASSERT_TRUE(doc.ResetDocument(
        "<?xml version=\"1.0\"?><!-- c --><config><deep><key name=\"x\"/></deep>"
        "<key name=\"1\"/>text<key name=\"2\"/><other/><key name=\"3\"/></config>"));
    EXPECT_EQ(doc.GetAttribute("name"), "") << "no current element yet";
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_FALSE(doc.LeaveElement()) << "already at the top";
    ASSERT_TRUE(doc.FindNextElement("config"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindNextElement("key"));
    EXPECT_EQ(doc.GetAttribute("name"), "1") << "only the current level is searched, not <deep>";
    ASSERT_TRUE(doc.FindNextElement("key"));
    EXPECT_EQ(doc.GetAttribute("name"), "2");
    ASSERT_TRUE(doc.FindNextElement("key"));
    EXPECT_EQ(doc.GetAttribute("name"), "3");
    EXPECT_FALSE(doc.FindNextElement("key"));
    EXPECT_EQ(doc.GetAttribute("name"), "3") << "a failed search does not move the cursor";
    EXPECT_FALSE(doc.FindNextElement("other")) << "searches start after the current element";
    EXPECT_EQ(doc.GetAttribute("missing"), "");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_FALSE(doc.FindNextElement("key")) << "key stands only deeper in the tree";
}

TEST(XmlDocumentWriter, BuildsSavesAndReadsBackWithEntities) {
    TempDir dir;
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    XmlDocument doc;
    doc.ResetDocument(declaration);
    ASSERT_TRUE(doc.AddElement("profile"));
    ASSERT_TRUE(doc.SetAttribute("name", "a&b<c>\"d\" 'e' \xE4\xB8\xAD"));
    ASSERT_TRUE(doc.SetAttribute("name", "R&D <1>"));  // replaces
    EXPECT_FALSE(doc.AddElement("second")) << "a document has one root";
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AddElement("key"));
    ASSERT_TRUE(doc.SetAttribute("v", "it's \"q\"\tx\ny"));
    ASSERT_TRUE(doc.AddElement("key"));
    ASSERT_TRUE(doc.SetAttribute("v", "2"));
    ASSERT_TRUE(doc.LeaveElement());
    ASSERT_TRUE(doc.SaveFile(dir / "out.xml"));

    const std::string bytes = TestUtil::ReadFile(dir / "out.xml");
    EXPECT_EQ(bytes.rfind(declaration, 0), 0u) << "starts with the declaration line, no mark";
    EXPECT_NE(bytes.find("name=\"R&amp;D &lt;1&gt;\""), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("&apos;"), std::string::npos);
    EXPECT_NE(bytes.find("<key v=\"2\"/>"), std::string::npos) << "empty elements self-close";

    XmlDocument back;
    ASSERT_TRUE(back.LoadFile(dir / "out.xml"));
    ASSERT_TRUE(back.FindNextElement("profile"));
    EXPECT_EQ(back.GetAttribute("name"), "R&D <1>");
    ASSERT_TRUE(back.EnterElement());
    ASSERT_TRUE(back.FindNextElement("key"));
    EXPECT_EQ(back.GetAttribute("v"), "it's \"q\"\tx\ny") << "whitespace survives as character references";
    ASSERT_TRUE(back.FindNextElement("key"));
    EXPECT_EQ(back.GetAttribute("v"), "2");
}

TEST(XmlDocumentWriter, AddElementInsertsAfterTheCurrentOne) {
    XmlDocument doc;
    ASSERT_TRUE(doc.ResetDocument("<r><a/><c/></r>"));
    doc.FindNextElement("r");
    doc.EnterElement();
    doc.FindNextElement("a");
    ASSERT_TRUE(doc.AddElement("b"));
    EXPECT_EQ(doc.ToText(), "<r>\r\n\t<a/>\r\n\t<b/>\r\n\t<c/>\r\n</r>\r\n");
}

TEST(XmlDocumentWriter, SavesInTheDeclaredEncoding) {
    TempDir dir;
    XmlDocument doc;
    doc.ResetDocument("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n");
    ASSERT_TRUE(doc.AddElement("m"));
    ASSERT_TRUE(doc.SetAttribute("n", "\xE4\xB8\xAD"));
    ASSERT_TRUE(doc.SaveFile(dir / "gbk.xml"));
    EXPECT_NE(TestUtil::ReadFile(dir / "gbk.xml").find("\xD6\xD0"), std::string::npos);
    XmlDocument back;
    ASSERT_TRUE(back.LoadFile(dir / "gbk.xml"));
    back.FindNextElement("m");
    EXPECT_EQ(back.GetAttribute("n"), "\xE4\xB8\xAD");

    EXPECT_FALSE(doc.SaveFile(dir.Path() + "/no/such/folder/x.xml"));
}

TEST(XmlDocumentWriter, DeepNestingIsWrittenWithoutRecursion) {
    std::string text;
    constexpr int kDepth = 100000;
    for (int i = 0; i < kDepth; ++i) text += "<a>";
    for (int i = 0; i < kDepth; ++i) text += "</a>";
    XmlDocument doc;
    ASSERT_TRUE(doc.ResetDocument(text));
    EXPECT_GT(doc.ToText().size(), static_cast<std::size_t>(kDepth) * 7);
}

}  // namespace
}  // namespace KeyForge
