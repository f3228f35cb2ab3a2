// The exchange files' dialog requests and the extension rule.
#include "app/store/FileDialog.h"

namespace KeyForge {

namespace {
FileDialogRequest Request(bool save, const char* description) {
    return FileDialogRequest{save, description, "*.xml", ".xml", save};
}
}  // namespace

FileDialogRequest ExportProfileDialog() { return Request(true, "Profile (*.xml)"); }
FileDialogRequest ImportProfileDialog() { return Request(false, "Custom Key (*.xml)"); }
FileDialogRequest ExportMacroDialog() { return Request(true, "Macro (*.xml)"); }
FileDialogRequest ImportMacroDialog() { return Request(false, "Macros (*.xml)"); }

std::string ApplyDefaultExtension(const std::string& typedPath, const FileDialogRequest& request) {
    if (!request.save || request.defaultExtension.empty()) return typedPath;
    const std::size_t slash = typedPath.rfind('/');
    const std::string name = slash == std::string::npos ? typedPath : typedPath.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos) return typedPath;
    return typedPath + request.defaultExtension;
}

}  // namespace KeyForge
