// keyforgectl profile export/import and macro export/import: the exchange files,
// with the path given on the command line in place of a file dialog.
#include <iostream>

#include "app/store/ExchangeFiles.h"
#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

void CheckExported(const ExportResult& result) {
    if (result.status != ExportStatus::Written) throw CtlError("could not write " + result.path);
    std::cout << "wrote " << result.path << "\n";
}

void PrintImported(const ImportResult& result) {
    if (result.status == ImportStatus::Missing) throw CtlError("no such file: " + result.path);
    if (result.status != ImportStatus::Imported) {
        const std::string why = result.error == ExchangeReadError::None ? "the store refused the import"
                                                                        : ExchangeReadErrorText(result.error);
        throw CtlError("nothing imported from " + result.path + ": " + why);
    }
    if (result.profile) std::cout << "profile\t" << result.profile->id << "\t" << result.profile->name << "\n";
    for (const CreatedEntry& macro : result.macros) std::cout << "macro\t" << macro.id << "\t" << macro.name << "\n";
}

}  // namespace

int RunProfileExport(DataStore& store, Args& args) {
    const int id = static_cast<int>(ParseNumberIn(args.Next("profile id"), "profile id", 1, INT32_MAX));
    const std::string file = args.Next("file");
    args.ExpectEnd();
    std::string name;
    if (!store.GetProfileName(id, name)) throw CtlError("no profile " + std::to_string(id));
    FixedPathDialog dialog(file);
    CheckExported(ExportProfile(store, ExchangeSelection{name, id}, dialog));
    return 0;
}

int RunProfileImport(DataStore& store, Args& args) {
    const std::string file = args.Next("file");
    args.ExpectEnd();
    FixedPathDialog dialog(file);
    PrintImported(ImportProfile(store, dialog));
    return 0;
}

int RunMacroExport(DataStore& store, Args& args) {
    const int id = static_cast<int>(ParseNumberIn(args.Next("macro id"), "macro id", 1, INT32_MAX));
    const std::string file = args.Next("file");
    args.ExpectEnd();
    MacroInfo macro;
    if (!store.GetMacro(id, macro)) throw CtlError("no macro " + std::to_string(id));
    FixedPathDialog dialog(file);
    CheckExported(ExportMacro(store, ExchangeSelection{macro.name, id}, dialog));
    return 0;
}

int RunMacroImport(DataStore& store, Args& args) {
    const std::string file = args.Next("file");
    args.ExpectEnd();
    FixedPathDialog dialog(file);
    PrintImported(ImportMacro(store, dialog));
    return 0;
}

}  // namespace KeyForge::Ctl
