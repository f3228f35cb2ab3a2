// Exchange-file operations: what export reads from the store and import writes to it.
#include "app/store/ExchangeFiles.h"

#include <algorithm>
#include <map>

#include "app/store/DataStore.h"
#include "app/store/Paths.h"

namespace KeyForge {

namespace {

ExportResult AskExportPath(const std::optional<ExchangeSelection>& selected, FileDialogProvider& dialog,
                           const FileDialogRequest& request) {
    ExportResult result;
    if (!selected) {
        result.status = ExportStatus::NothingSelected;
        return result;
    }
    const std::optional<std::string> path = dialog.AskPath(request);
    if (!path) return result;  // Cancelled
    result.path = *path;
    return result;
}

// Asks for the file to import; fills status Cancelled or Missing, or leaves Rejected
// with the path set.
bool AskImportPath(FileDialogProvider& dialog, const FileDialogRequest& request, ImportResult& result) {
    const std::optional<std::string> path = dialog.AskPath(request);
    if (!path) return false;
    result.path = *path;
    if (!IsFile(*path)) {
        result.status = ImportStatus::Missing;
        return false;
    }
    result.status = ImportStatus::Rejected;
    return true;
}

// Reads one macro with its steps from the store, as a file carries it.
ExchangeMacro ReadStoredMacro(DataStore& store, int macroId) {
    ExchangeMacro macro;
    macro.info.macro_id = macroId;  // kept even when the macro is gone, so the key still maps to it
    store.GetMacro(macroId, macro.info);
    store.GetMacroSteps(macroId, macro.steps);
    return macro;
}

// Inserts a macro and its steps (record_index = position); the new id, 0 on failure.
int InsertMacroWithSteps(DataStore& store, const ExchangeMacro& macro, const std::string& name) {
    MacroInfo info = macro.info;
    info.name = name;
    info.link_count = 0;
    const int id = store.InsertMacro(info);
    if (id <= 0) return 0;
    for (std::size_t i = 0; i < macro.steps.size(); ++i) {
        MacroStep step = macro.steps[i];
        step.macro_id = id;
        step.record_index = static_cast<int>(i);
        if (store.AddMacroStep(step) <= 0) return 0;
    }
    return id;
}

}  // namespace

std::string NameFromImportPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find('.'));
}

ExportResult ExportProfile(DataStore& store, const std::optional<ExchangeSelection>& selected,
                           FileDialogProvider& dialog) {
    ExportResult result = AskExportPath(selected, dialog, ExportProfileDialog());
    if (result.path.empty()) return result;

    ProfileFileContent content;
    content.profileName = selected->name;
    store.GetKeyFunctions(selected->id, 0, content.keys);
    // A macro bound to several keys is written once per key.
    for (const KeyFunctionRecord& key : content.keys)
        if (key.macro_type == kKeyTypeMacro) content.macros.push_back(ReadStoredMacro(store, key.macro_value));

    result.status = WriteProfileFile(content, result.path) ? ExportStatus::Written : ExportStatus::WriteFailed;
    return result;
}

ImportResult ImportProfile(DataStore& store, FileDialogProvider& dialog) {
    ImportResult result;
    if (!AskImportPath(dialog, ImportProfileDialog(), result)) return result;
    ProfileFileContent content;
    result.error = ReadProfileFile(result.path, content);
    if (result.error != ExchangeReadError::None) return result;

    const std::string profileName = NameFromImportPath(result.path);
    std::vector<CreatedEntry> macros;
    int profileId = 0;
    const bool done = store.RunAtomically([&] {
        std::vector<MacroInfo> existing;
        store.GetMacros(existing);
        std::map<int, int> newIdOfFileId;  // a later macro with the same file id wins
        for (const ExchangeMacro& macro : content.macros) {
            const bool stored = std::any_of(existing.begin(), existing.end(), [&](const MacroInfo& m) {
                return m.macro_id == macro.info.macro_id && m.name == macro.info.name;
            });
            if (stored) continue;  // keys that play this id stay bound to the stored macro
            const int id = InsertMacroWithSteps(store, macro, macro.info.name);
            if (id <= 0) return false;
            newIdOfFileId[macro.info.macro_id] = id;
            macros.push_back({id, macro.info.name});
        }
        ProfileRecord profile;
        profile.name = profileName;
        profileId = store.AddProfile(profile);
        if (profileId <= 0) return false;
        for (KeyFunctionRecord key : content.keys) {
            key.profile = profileId;
            if (key.macro_type == kKeyTypeMacro) {
                if (const auto it = newIdOfFileId.find(key.macro_value); it != newIdOfFileId.end())
                    key.macro_value = it->second;
            }
            // Key code 0 is skipped and a key whose two values are 0 keeps no row; any
            // other key must be stored, or the import is not whole.
            const bool keepsRow = key.key_code != 0 && (key.macro_value != 0 || key.macro_value2 != 0);
            if (store.SaveKeyFunction(key) <= 0 && keepsRow) return false;
        }
        return store.SetActiveProfile(profileId);
    });
    if (!done) return result;
    result.status = ImportStatus::Imported;
    result.profile = CreatedEntry{profileId, profileName};
    result.macros = std::move(macros);
    return result;
}

ExportResult ExportMacro(DataStore& store, const std::optional<ExchangeSelection>& selected,
                         FileDialogProvider& dialog) {
    ExportResult result = AskExportPath(selected, dialog, ExportMacroDialog());
    if (result.path.empty()) return result;
    MacroFileContent content;
    content.macro = ReadStoredMacro(store, selected->id);
    result.status = WriteMacroFile(content, result.path) ? ExportStatus::Written : ExportStatus::WriteFailed;
    return result;
}

ImportResult ImportMacro(DataStore& store, FileDialogProvider& dialog) {
    ImportResult result;
    if (!AskImportPath(dialog, ImportMacroDialog(), result)) return result;
    MacroFileContent content;
    result.error = ReadMacroFile(result.path, content);
    if (result.error != ExchangeReadError::None) return result;

    const std::string name = NameFromImportPath(result.path);
    int id = 0;
    const bool done = store.RunAtomically([&] {
        id = InsertMacroWithSteps(store, content.macro, name);
        return id > 0;
    });
    if (!done) return result;
    result.status = ImportStatus::Imported;
    result.macros.push_back({id, name});
    return result;
}

}  // namespace KeyForge
