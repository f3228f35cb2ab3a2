// Reading and writing the profile and macro exchange files.
#include "app/store/ExchangeFormat.h"

#include <sys/stat.h>

#include "app/store/AttributeNumbers.h"
#include "app/store/XmlDocument.h"

namespace KeyForge {

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

int Number(const XmlDocument& doc, const char* name) { return DecimalAttribute(doc.GetAttribute(name)); }

void SetNumber(XmlDocument& doc, const char* name, int value) { doc.SetAttribute(name, std::to_string(value)); }

// Loads a file that must have the given root and stay within the limits; on success
// the cursor is inside the root.
ExchangeReadError LoadExchangeFile(const std::string& path, const char* root, const ExchangeLimits& limits,
                                   XmlDocument& doc) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ExchangeReadError::Missing;
    if (static_cast<std::size_t>(st.st_size) > limits.maxFileBytes) return ExchangeReadError::TooLarge;
    if (!doc.LoadFile(path)) return ExchangeReadError::Malformed;
    if (doc.MaxDepth() > limits.maxDepth) return ExchangeReadError::TooLarge;
    if (!doc.FindNextElement(root) || !doc.EnterElement()) return ExchangeReadError::WrongFormat;
    return ExchangeReadError::None;
}

// Reads the step items of the current level (the cursor is inside a `macroitems`).
bool ReadSteps(XmlDocument& doc, std::vector<MacroStep>& steps, std::size_t& fileSteps,
               const ExchangeLimits& limits) {
    while (doc.FindNextElement("item")) {
        if (steps.size() >= limits.maxStepsPerMacro || ++fileSteps > limits.maxStepsPerFile) return false;
        MacroStep step;
        step.desc = doc.GetAttribute("desc");
        step.type = Number(doc, "type");
        step.value = Number(doc, "value");
        step.delay_time = Number(doc, "delay_time");
        step.record_index = static_cast<int>(steps.size());
        steps.push_back(std::move(step));
    }
    return true;
}

// Reads `times`, `type` and `delaytime` of the current macroinfo.
void ReadPlayback(const XmlDocument& doc, MacroInfo& info) {
    info.name = doc.GetAttribute("name");
    info.play_times = Number(doc, "times");
    info.delay_type = Number(doc, "type");
    info.delay_time = Number(doc, "delaytime");
}

void WriteSteps(XmlDocument& doc, const std::vector<MacroStep>& steps) {
    for (const MacroStep& step : steps) {
        doc.AddElement("item");
        doc.SetAttribute("desc", step.desc);
        SetNumber(doc, "type", step.type);
        SetNumber(doc, "value", step.value);
        SetNumber(doc, "delay_time", step.delay_time);
    }
}

}  // namespace

const char* ExchangeReadErrorText(ExchangeReadError error) {
    switch (error) {
        case ExchangeReadError::None: return "no error";
        case ExchangeReadError::Missing: return "no such file";
        case ExchangeReadError::TooLarge: return "the file is larger than an import may be";
        case ExchangeReadError::Malformed: return "the file is not well-formed XML";
        case ExchangeReadError::WrongFormat: return "the file is not of the expected kind";
    }
    return "unknown error";
}

ExchangeReadError ReadProfileFile(const std::string& path, ProfileFileContent& out, const ExchangeLimits& limits) {
    out = ProfileFileContent{};
    XmlDocument doc;
    if (const ExchangeReadError e = LoadExchangeFile(path, "profile", limits, doc); e != ExchangeReadError::None)
        return e;

    // The macros: every macroinfo of the root level, wherever it stands.
    std::size_t fileSteps = 0;
    while (doc.FindNextElement("macroinfo")) {
        if (out.macros.size() >= limits.maxMacros) return ExchangeReadError::TooLarge;
        ExchangeMacro macro;
        ReadPlayback(doc, macro.info);
        macro.info.macro_id = Number(doc, "macro_id");
        doc.EnterElement();
        if (doc.FindNextElement("macroitems") && doc.EnterElement()) {
            if (!ReadSteps(doc, macro.steps, fileSteps, limits)) return ExchangeReadError::TooLarge;
            doc.LeaveElement();
        }
        doc.LeaveElement();
        out.macros.push_back(std::move(macro));
    }

    // The keys: keyitems, searched after profileinfo.
    doc.LeaveElement();  // back to the root, which is current again
    doc.EnterElement();
    if (doc.FindNextElement("profileinfo")) out.profileName = doc.GetAttribute("name");
    if (doc.FindNextElement("keyitems") && doc.EnterElement()) {
        while (doc.FindNextElement("item")) {
            if (out.keys.size() >= limits.maxKeys) return ExchangeReadError::TooLarge;
            KeyFunctionRecord key;
            key.fn_layer = Number(doc, "fn_layer");
            key.key_code = Number(doc, "key_code");
            key.layout_value = Number(doc, "layout_value");
            key.layout_desc = doc.GetAttribute("layout_desc");
            key.macro_type = Number(doc, "macro_type");
            key.macro_value = Number(doc, "macro_value");
            key.macro_value2 = Number(doc, "macro_value2");
            key.macro_value3 = Number(doc, "macro_value3");
            key.macro_desc = doc.GetAttribute("macro_desc");
            out.keys.push_back(std::move(key));
        }
    }
    return ExchangeReadError::None;
}

ExchangeReadError ReadMacroFile(const std::string& path, MacroFileContent& out, const ExchangeLimits& limits) {
    out = MacroFileContent{};
    XmlDocument doc;
    if (const ExchangeReadError e = LoadExchangeFile(path, "macro", limits, doc); e != ExchangeReadError::None)
        return e;
    if (!doc.FindNextElement("macroinfo")) return ExchangeReadError::WrongFormat;
    ReadPlayback(doc, out.macro.info);
    // macroitems is a sibling of macroinfo, searched after it.
    std::size_t fileSteps = 0;
    if (doc.FindNextElement("macroitems") && doc.EnterElement()) {
        if (!ReadSteps(doc, out.macro.steps, fileSteps, limits)) return ExchangeReadError::TooLarge;
    }
    return ExchangeReadError::None;
}

bool WriteProfileFile(const ProfileFileContent& content, const std::string& path) {
    XmlDocument doc;
    doc.ResetDocument(kDeclaration);
    doc.AddElement("profile");
    doc.EnterElement();
    doc.AddElement("profileinfo");
    doc.SetAttribute("name", content.profileName);
    doc.AddElement("keyitems");
    doc.EnterElement();
    for (const KeyFunctionRecord& key : content.keys) {
        doc.AddElement("item");
        SetNumber(doc, "fn_layer", key.fn_layer);
        SetNumber(doc, "key_code", key.key_code);
        SetNumber(doc, "layout_value", key.layout_value);
        doc.SetAttribute("layout_desc", key.layout_desc);
        SetNumber(doc, "macro_type", key.macro_type);
        SetNumber(doc, "macro_value", key.macro_value);
        SetNumber(doc, "macro_value2", key.macro_value2);
        SetNumber(doc, "macro_value3", key.macro_value3);
        doc.SetAttribute("macro_desc", key.macro_desc);
    }
    doc.LeaveElement();
    for (const ExchangeMacro& macro : content.macros) {
        doc.AddElement("macroinfo");
        doc.SetAttribute("name", macro.info.name);
        SetNumber(doc, "macro_id", macro.info.macro_id);
        SetNumber(doc, "times", macro.info.play_times);
        SetNumber(doc, "type", macro.info.delay_type);
        SetNumber(doc, "delaytime", macro.info.delay_time);
        doc.EnterElement();
        doc.AddElement("macroitems");
        doc.EnterElement();
        WriteSteps(doc, macro.steps);
        doc.LeaveElement();
        doc.LeaveElement();
    }
    return doc.SaveFile(path);
}

bool WriteMacroFile(const MacroFileContent& content, const std::string& path) {
    XmlDocument doc;
    doc.ResetDocument(kDeclaration);
    doc.AddElement("macro");
    doc.EnterElement();
    doc.AddElement("macroinfo");
    doc.SetAttribute("name", content.macro.info.name);
    SetNumber(doc, "times", content.macro.info.play_times);
    SetNumber(doc, "type", content.macro.info.delay_type);
    SetNumber(doc, "delaytime", content.macro.info.delay_time);
    doc.AddElement("macroitems");
    doc.EnterElement();
    WriteSteps(doc, content.macro.steps);
    return doc.SaveFile(path);
}

}  // namespace KeyForge
