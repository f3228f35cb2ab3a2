// A small INI reader and writer with private-profile semantics.
#include "app/store/IniFile.h"

#include <strings.h>

#include <vector>

#include "app/store/FileUtil.h"
#include "app/store/TextCodec.h"

namespace KeyForge {

namespace {

std::string_view Trim(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// "[name]" -> name; false when the line is no section header.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

// "key = value" -> key, value; false when the line has no '='.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

}  // namespace

bool FindIniText(std::string_view section, std::string_view key, const std::string& path, std::string& value) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    const std::string text = DecodeTextFile(bytes);
    bool inSection = false;
    for (std::string_view line : SplitLines(text)) {
        std::string_view name;
        if (SectionName(line, name)) {
            inSection = EqualsNoCase(name, section);
            continue;
        }
        std::string_view k, v;
        if (!inSection || !KeyValue(line, k, v) || !EqualsNoCase(k, key)) continue;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        value = TruncateCodePoints(v, kMaxIniValueChars);
        return true;
    }
    return false;
}

std::string ReadIniText(std::string_view section, std::string_view key, const std::string& path) {
    std::string value;
    FindIniText(section, key, path, value);
    return value;
}

bool WriteIniText(std::string_view section, std::string_view key, std::string_view value,
                  const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);  // a missing file is an empty one
    const std::string text = DecodeTextFile(bytes);
    const std::string entry = std::string(key) + "=" + std::string(value);

    std::string out;
    bool inSection = false, sectionSeen = false, written = false;
    for (std::string_view line : SplitLines(text)) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view name, k, v;
        if (SectionName(line, name)) {
            if (inSection && !written) {  // the key was missing: end the section with it
                out += entry + "\n";
                written = true;
            }
            inSection = EqualsNoCase(name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && !written && KeyValue(line, k, v) && EqualsNoCase(k, key)) {
            out += entry + "\n";
            written = true;
            continue;
        }
        out += std::string(line) + "\n";
    }
    if (!written) {
        if (!sectionSeen) out += "[" + std::string(section) + "]\n";
        out += entry + "\n";
    }
    return WriteWholeFile(path, out);
}

}  // namespace KeyForge
