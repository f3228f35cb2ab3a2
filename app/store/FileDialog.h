// The file-dialog step of the exchange files behind a small interface: the program
// shows a real dialog, keyforgectl passes the path it was given, tests script it.
#pragma once

#include <optional>
#include <string>

namespace KeyForge {

/// What an exchange operation asks of a file dialog.
struct FileDialogRequest {
    bool save = false;              ///< a save dialog (else an open dialog)
    std::string filterDescription;  ///< e.g. "Profile (*.xml)"
    std::string filterPattern;      ///< "*.xml"
    std::string defaultExtension;   ///< ".xml": added to a save name typed without extension
    bool confirmOverwrite = false;  ///< save dialogs ask before replacing a file
};

/// The four dialogs of the exchange files.
FileDialogRequest ExportProfileDialog();
FileDialogRequest ImportProfileDialog();
FileDialogRequest ExportMacroDialog();
FileDialogRequest ImportMacroDialog();

/// Asks the user for a file. Implementations: the program's dialog, FixedPathDialog.
class FileDialogProvider {
public:
    virtual ~FileDialogProvider() = default;
    /// The chosen path, or nullopt when the dialog was cancelled. Open dialogs may
    /// return names of files that do not exist.
    virtual std::optional<std::string> AskPath(const FileDialogRequest& request) = 0;
};

/// A "dialog" that answers with a path fixed in advance (keyforgectl, tests); nullopt
/// plays a cancelled dialog. It records the last request it was asked.
class FixedPathDialog : public FileDialogProvider {
public:
    explicit FixedPathDialog(std::optional<std::string> path) : m_path(std::move(path)) {}
    std::optional<std::string> AskPath(const FileDialogRequest& request) override {
        m_lastRequest = request;
        return m_path;
    }
    /// The request of the last AskPath call.
    const std::optional<FileDialogRequest>& LastRequest() const { return m_lastRequest; }

private:
    std::optional<std::string> m_path;
    std::optional<FileDialogRequest> m_lastRequest;
};

/// The save-dialog extension rule: a file name typed without an extension gets the
/// request's default extension; any other name is kept exactly.
std::string ApplyDefaultExtension(const std::string& typedPath, const FileDialogRequest& request);

}  // namespace KeyForge
