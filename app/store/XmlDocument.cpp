// XmlDocument on pugixml, with our own decoding of marks and declared encodings
// and our own writer (tab indentation, CR LF line ends, every quote escaped).
#include "app/store/XmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/store/FileUtil.h"

namespace KeyForge {

namespace {

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration;

// The value of encoding="..." in an XML declaration at the start of the bytes, or "".
std::string DeclaredEncoding(std::string_view head) {
    if (head.substr(0, 5) != "<?xml") return {};
    const std::size_t end = head.find("?>");
    const std::string_view decl = head.substr(0, end);
    std::size_t pos = decl.find("encoding");
    if (pos == std::string_view::npos) return {};
    pos = decl.find('=', pos);
    if (pos == std::string_view::npos) return {};
    pos = decl.find_first_not_of(" \t\r\n", pos + 1);
    if (pos == std::string_view::npos || (decl[pos] != '"' && decl[pos] != '\'')) return {};
    const char quote = decl[pos];
    const std::size_t close = decl.find(quote, pos + 1);
    if (close == std::string_view::npos) return {};
    return std::string(decl.substr(pos + 1, close - pos - 1));
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\'': out += attribute ? "&apos;" : "'"; break;
            case '\r': out += "&#13;"; break;
            case '\n': out += attribute ? "&#10;" : "\n"; break;
            case '\t': out += attribute ? "&#9;" : "\t"; break;
            default:
                // Other control characters cannot stand in XML 1.0 at all; drop them so
                // the file stays well-formed.
                if (static_cast<unsigned char>(c) >= 0x20) out += c;
        }
    }
}

void AppendAttributes(std::string& out, pugi::xml_node node) {
    for (pugi::xml_attribute a : node.attributes()) {
        out += ' ';
        out += a.name();
        out += "=\"";
        AppendEscaped(out, a.value(), true);
        out += '"';
    }
}

bool HasTextChild(pugi::xml_node node) {
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) return true;
    return false;
}

// Indentation stops growing at some depth, so absurdly nested documents stay linear in size.
void AppendIndent(std::string& out, std::size_t depth) { out.append(std::min<std::size_t>(depth, 32), '\t'); }

// Writes one node that has no children to walk (or the opening of an element).
void AppendLeaf(std::string& out, pugi::xml_node n) {
    switch (n.type()) {
        case pugi::node_pcdata: AppendEscaped(out, n.value(), false); break;
        case pugi::node_cdata:
            out += "<![CDATA[";
            out += n.value();
            out += "]]>";
            break;
        case pugi::node_comment:
            out += "<!--";
            out += n.value();
            out += "-->";
            break;
        case pugi::node_pi:
            out += "<?";
            out += n.name();
            if (*n.value()) {
                out += ' ';
                out += n.value();
            }
            out += "?>";
            break;
        default: break;
    }
}

}  // namespace

std::string DecodeXmlBytes(std::string_view bytes, ByteOrderMark& mark, std::string& encoding) {
    mark = DetectByteOrderMark(bytes);
    const std::string_view body = bytes.substr(ByteOrderMarkLength(mark));
    switch (mark) {
        case ByteOrderMark::Utf8: encoding = "UTF-8"; return SanitizeUtf8(body);
        case ByteOrderMark::Utf16LE: encoding = "UTF-16LE"; return Utf16ToUtf8(body, false);
        case ByteOrderMark::Utf16BE: encoding = "UTF-16BE"; return Utf16ToUtf8(body, true);
        case ByteOrderMark::None: break;
    }
    const std::string declared = DeclaredEncoding(body.substr(0, 1024));
    std::string out;
    if (!declared.empty() && !IsUtf8Name(declared) && ConvertToUtf8(body, declared, out)) {
        encoding = declared;
        return out;
    }
    // Declared UTF-8, nothing declared, or an encoding iconv does not know: UTF-8 when
    // the bytes are valid, else the system code page. (A file that merely starts with
    // "<" but holds 8-bit text would otherwise lose every accented letter.)
    if (IsValidUtf8(body)) {
        encoding = "UTF-8";
        return std::string(body);
    }
    encoding = CodePageName(SystemCodePage());
    ConvertToUtf8(body, encoding, out);
    return out;
}

bool XmlDocument::LoadFile(const std::string& path) {
    m_mark = ByteOrderMark::None;
    m_encoding.clear();
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        m_doc.reset();
        ResetCursor();
        return false;
    }
    const std::string text = DecodeXmlBytes(bytes, m_mark, m_encoding);
    return Parse(text);
}

bool XmlDocument::ResetDocument(std::string_view text) {
    m_mark = ByteOrderMark::None;
    m_encoding.clear();
    return Parse(text);
}

bool XmlDocument::Parse(std::string_view utf8) {
    const pugi::xml_parse_result result =
        m_doc.load_buffer(utf8.data(), utf8.size(), kParseFlags, pugi::encoding_utf8);
    ResetCursor();
    if (!result) {
        // A document that failed to parse finds nothing; a built document starts from
        // the declaration alone (status_no_document_element), which is allowed.
        if (result.status != pugi::status_no_document_element) m_doc.reset();
        return false;
    }
    std::size_t roots = 0;
    for (pugi::xml_node c : m_doc.children())
        if (c.type() == pugi::node_element) ++roots;
    if (roots != 1) {
        if (roots > 1) m_doc.reset();
        return false;
    }
    return true;
}

void XmlDocument::ResetCursor() {
    m_level = m_doc;
    m_current = pugi::xml_node();
}

bool XmlDocument::FindNextElement(std::string_view name) {
    pugi::xml_node n = m_current ? m_current.next_sibling() : m_level.first_child();
    for (; n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element && name == n.name()) {
            m_current = n;
            return true;
        }
    }
    return false;
}

bool XmlDocument::EnterElement() {
    if (!m_current) return false;
    m_level = m_current;
    m_current = pugi::xml_node();
    return true;
}

bool XmlDocument::LeaveElement() {
    if (m_level == m_doc) return false;
    m_current = m_level;
    m_level = m_level.parent();
    return true;
}

std::string XmlDocument::GetAttribute(std::string_view name) const {
    if (!m_current) return {};
    return m_current.attribute(std::string(name).c_str()).value();
}

bool XmlDocument::AddElement(std::string_view name) {
    if (name.empty()) return false;
    if (m_level == m_doc) {
        // At the top only the single root may be added.
        if (m_doc.document_element()) return false;
    }
    const std::string n(name);
    pugi::xml_node added =
        m_current ? m_level.insert_child_after(n.c_str(), m_current) : m_level.append_child(n.c_str());
    if (!added) return false;
    m_current = added;
    return true;
}

bool XmlDocument::SetAttribute(std::string_view name, std::string_view text) {
    if (!m_current || name.empty()) return false;
    const std::string n(name);
    pugi::xml_attribute a = m_current.attribute(n.c_str());
    if (!a) a = m_current.append_attribute(n.c_str());
    return a.set_value(std::string(text).c_str());
}

std::size_t XmlDocument::MaxDepth() const {
    // Iterative walk over elements; imported documents may nest absurdly deep.
    std::size_t depth = 0, deepest = 0;
    pugi::xml_node n = m_doc.first_child();
    while (n) {
        if (n.type() == pugi::node_element) {
            ++depth;
            deepest = std::max(deepest, depth);
            if (pugi::xml_node child = n.first_child()) {
                n = child;
                continue;
            }
            --depth;
        }
        while (!n.next_sibling() && n.parent() && n.parent() != m_doc) {
            n = n.parent();
            --depth;
        }
        n = n.next_sibling();
    }
    return deepest;
}

std::string XmlDocument::ToText() const {
    std::string out;
    // Iterative walk: imported documents may nest deeper than the stack allows.
    struct Frame {
        pugi::xml_node node;
        bool inlineChildren;
    };
    std::vector<Frame> stack;
    pugi::xml_node n = m_doc.first_child();
    bool inlineMode = false;
    while (n) {
        const std::size_t depth = stack.size();
        if (n.type() == pugi::node_declaration) {
            out += "<?xml";
            AppendAttributes(out, n);
            out += "?>\r\n";
        } else if (n.type() == pugi::node_element) {
            if (!inlineMode) AppendIndent(out, depth);
            out += '<';
            out += n.name();
            AppendAttributes(out, n);
            if (!n.first_child()) {
                out += "/>";
                if (!inlineMode) out += "\r\n";
            } else {
                out += '>';
                const bool childInline = inlineMode || HasTextChild(n);
                if (!childInline) out += "\r\n";
                stack.push_back({n, inlineMode});
                inlineMode = childInline;
                n = n.first_child();
                continue;
            }
        } else if (n.type() != pugi::node_doctype) {
            if (!inlineMode) AppendIndent(out, depth);
            AppendLeaf(out, n);
            if (!inlineMode) out += "\r\n";
        }
        // Climb until a next sibling exists, closing the elements left behind.
        while (!n.next_sibling() && !stack.empty()) {
            const Frame f = stack.back();
            stack.pop_back();
            if (!inlineMode) AppendIndent(out, stack.size());
            out += "</";
            out += f.node.name();
            out += '>';
            inlineMode = f.inlineChildren;
            if (!inlineMode) out += "\r\n";
            n = f.node;
        }
        n = n.next_sibling();
    }
    return out;
}

bool XmlDocument::SaveFile(const std::string& path) const {
    std::string encoding = "UTF-8";
    for (pugi::xml_node c : m_doc.children()) {
        if (c.type() != pugi::node_declaration) continue;
        const char* declared = c.attribute("encoding").value();
        if (*declared) encoding = declared;
    }
    std::string bytes;
    if (!ConvertFromUtf8(ToText(), encoding, bytes)) return false;
    return WriteWholeFile(path, bytes);
}

}  // namespace KeyForge
