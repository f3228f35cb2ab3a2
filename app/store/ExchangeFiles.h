// Export and import of profiles and macros as XML exchange files, with their store
// traffic. The file dialog is asked through a FileDialogProvider; message boxes and
// list updates are the caller's, told by the results.
//
// Imports are all or nothing: a file that cannot be read, is not a profile (or
// macro) file, exceeds ExchangeLimits, or meets a failing store write changes nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/store/ExchangeFormat.h"
#include "app/store/FileDialog.h"

namespace KeyForge {

class DataStore;

/// The entry selected in the profile or macro list: its name as the list shows it and its id.
struct ExchangeSelection {
    std::string name;
    int id = 0;
};

/// How an export ended.
enum class ExportStatus {
    NothingSelected,  ///< no entry selected: the caller shows its message box (151/152, 540/541)
    Cancelled,        ///< the dialog was cancelled
    Written,          ///< the file was written
    WriteFailed,      ///< the file could not be written
};

/// What an export did.
struct ExportResult {
    ExportStatus status = ExportStatus::Cancelled;
    std::string path;  ///< the chosen path (when one was chosen)
    /// True when a file was written.
    bool Succeeded() const { return status == ExportStatus::Written; }
};

/// How an import ended.
enum class ImportStatus {
    Cancelled,  ///< the dialog was cancelled
    Missing,    ///< the chosen file does not exist
    Rejected,   ///< the file was read but changed nothing (see `error`, or a store failure)
    Imported,   ///< the file's contents are in the store
};

/// A profile or macro the import created.
struct CreatedEntry {
    int id = 0;
    std::string name;
};

/// What an import did.
struct ImportResult {
    ImportStatus status = ImportStatus::Cancelled;
    ExchangeReadError error = ExchangeReadError::None;  ///< why a file was rejected (None: a store failure)
    std::string path;
    std::optional<CreatedEntry> profile;  ///< the new (now active) profile of a profile import
    std::vector<CreatedEntry> macros;     ///< the new macros, in file order; select the last
    /// True when the chosen file existed, whatever it held (the list pages act on this).
    bool FileExisted() const { return status == ImportStatus::Rejected || status == ImportStatus::Imported; }
};

/// Writes the selected profile's normal-layer keys and every macro they play.
ExportResult ExportProfile(DataStore& store, const std::optional<ExchangeSelection>& selected,
                           FileDialogProvider& dialog);
/// Reads a profile file into a new profile named after the file (up to its first
/// "."), with the macros it carries, and makes that profile active. Macros the store
/// already holds under the same name and id are not duplicated.
ImportResult ImportProfile(DataStore& store, FileDialogProvider& dialog);
/// Writes the selected macro and its steps.
ExportResult ExportMacro(DataStore& store, const std::optional<ExchangeSelection>& selected,
                         FileDialogProvider& dialog);
/// Reads a macro file into a new macro named after the file (up to its first ".").
ImportResult ImportMacro(DataStore& store, FileDialogProvider& dialog);

/// The name an imported file gives its profile or macro: the file name without its
/// folder, up to its first ".".
std::string NameFromImportPath(const std::string& path);

}  // namespace KeyForge
