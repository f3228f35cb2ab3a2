// XmlDocument: the element-cursor XML reader and writer behind config.xml, the
// layout files and the exchange files. The cursor moves over elements of one
// level at a time; element text, comments and processing instructions are
// skipped. Every operation reports failure by its bool result only.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

#include "app/store/TextCodec.h"

namespace KeyForge {

class XmlDocument {
public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    /// Reads, decodes and parses a file; true only when it holds exactly one root
    /// element. The cursor is reset to before the root.
    bool LoadFile(const std::string& path);
    /// Replaces the document by the given UTF-8 text and parses it; the cursor is reset.
    bool ResetDocument(std::string_view text);

    /// Moves to the next element of that exact name at the current level, after the
    /// current one; the cursor stays put when none is found.
    bool FindNextElement(std::string_view name);
    /// Makes the current element the level; the cursor is then before its first child.
    bool EnterElement();
    /// Makes the level's element current again, at its parent's level; false at the top.
    bool LeaveElement();
    /// The attribute's text with entities decoded; empty when absent or no current element.
    std::string GetAttribute(std::string_view name) const;

    /// Inserts an empty element after the current one (or as the level's last child,
    /// or as the root of an empty document) and makes it current.
    bool AddElement(std::string_view name);
    /// Adds or replaces an attribute of the current element.
    bool SetAttribute(std::string_view name, std::string_view text);
    /// Encodes the document in its declared encoding (UTF-8 when none) without a
    /// byte-order mark and replaces the file with it in one piece.
    bool SaveFile(const std::string& path) const;

    /// The serialised document as UTF-8 text (what SaveFile writes before encoding).
    std::string ToText() const;

    /// The deepest element nesting of the document (a lone root is 1, an empty document 0).
    std::size_t MaxDepth() const;

    /// The byte-order mark seen by the last LoadFile.
    ByteOrderMark ByteOrderMarkSeen() const { return m_mark; }
    /// The encoding the last LoadFile decoded from ("UTF-8", "UTF-16LE", "CP1252", ...).
    const std::string& EncodingSeen() const { return m_encoding; }

private:
    bool Parse(std::string_view utf8);
    void ResetCursor();

    pugi::xml_document m_doc;
    pugi::xml_node m_level;    // the element whose children the cursor walks (the document at the top)
    pugi::xml_node m_current;  // the current element at that level; null = before the first
    ByteOrderMark m_mark = ByteOrderMark::None;
    std::string m_encoding;
};

/// Decodes an XML file's bytes to UTF-8: byte-order mark, then declared encoding,
/// then UTF-8 when valid, else the system's 8-bit code page. `encoding` receives the
/// encoding used.
std::string DecodeXmlBytes(std::string_view bytes, ByteOrderMark& mark, std::string& encoding);

}  // namespace KeyForge
