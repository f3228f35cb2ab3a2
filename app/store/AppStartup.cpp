// Start-up steps before any window exists.
#include "app/store/AppStartup.h"

#include "app/store/LanguageTexts.h"
#include "app/store/Locale.h"
#include "app/store/Paths.h"
#include "app/store/Settings.h"
#include "app/store/XmlDocument.h"
#include "tiluui/core/Manager.h"

namespace KeyForge {

void LoadApplicationName() {
    XmlDocument doc;
    if (!doc.LoadFile(GetProgramFolder() + "config.xml")) return;
    if (!doc.FindNextElement("config") || !doc.EnterElement()) return;
    if (doc.FindNextElement("software")) TiluUI::Manager::SetDeviceName(doc.GetAttribute("name"));
}

int ChooseInterfaceLanguage() {
    int id = ReadLanguageId();
    if (id == 0) {
        id = GetUserDefaultUiLanguage();
        WriteLanguageId(id == 1033 ? 1033 : 2052);
    }
    SetCurrentLanguage(id);
    return id;
}

void CreateDataFolders() { CreateFolderPath(GetStoreFolder()); }

void RunStartupSteps() {
    LoadApplicationName();
    ChooseInterfaceLanguage();
    CreateDataFolders();
}

}  // namespace KeyForge
