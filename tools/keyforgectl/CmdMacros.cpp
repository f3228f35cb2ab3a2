// keyforgectl macros and macro: list, add, show, rename and delete the macros of the
// current keyboard's store, and add steps to a macro.
#include <iostream>
#include <vector>

#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

int MacroId(Args& args) { return static_cast<int>(ParseNumberIn(args.Next("macro id"), "macro id", 1, INT32_MAX)); }

void CheckMacroExists(DataStore& store, int id) {
    MacroInfo macro;
    if (!store.GetMacro(id, macro)) throw CtlError("no macro " + std::to_string(id));
}

}  // namespace

int RunMacros(Args& args) {
    const int type = TakeKeyboardType(args);
    args.ExpectEnd();
    DataStore& store = OpenStoreOf(type);
    std::vector<MacroInfo> macros;
    store.GetMacros(macros);
    std::cout << "ID\tNAME\tSTEPS\tPLAY_TIMES\n";
    std::vector<MacroStep> steps;
    for (const MacroInfo& m : macros)
        std::cout << m.macro_id << "\t" << m.name << "\t" << store.GetMacroSteps(m.macro_id, steps) << "\t"
                  << m.play_times << "\n";
    return 0;
}

int RunMacro(Args& args) {
    const int type = TakeKeyboardType(args);
    const std::string action = args.Next("action (add, show, rename, delete, step, export or import)");
    if (action == "add") {
        const std::string name = args.Next("macro name");
        args.ExpectEnd();
        CheckText(name, "macro name", false);
        const int id = OpenStoreOf(type).AddMacro(name);
        if (id <= 0) throw CtlError("could not add the macro");
        std::cout << id << "\n";
        return 0;
    }
    if (action == "show") {
        const int id = MacroId(args);
        args.ExpectEnd();
        DataStore& store = OpenStoreOf(type);
        CheckMacroExists(store, id);
        std::vector<MacroStep> steps;
        store.GetMacroSteps(id, steps);
        std::cout << "INDEX\tTYPE\tVALUE\tDELAY\tDESC\n";
        for (const MacroStep& s : steps)
            std::cout << s.record_index << "\t" << s.type << "\t" << s.value << "\t" << s.delay_time << "\t" << s.desc
                      << "\n";
        return 0;
    }
    if (action == "rename") {
        const int id = MacroId(args);
        const std::string name = args.Next("macro name");
        args.ExpectEnd();
        CheckText(name, "macro name", false);
        DataStore& store = OpenStoreOf(type);
        CheckMacroExists(store, id);
        if (!store.RenameMacro(id, name)) throw CtlError("could not rename macro " + std::to_string(id));
        return 0;
    }
    if (action == "delete") {
        const int id = MacroId(args);
        args.ExpectEnd();
        DataStore& store = OpenStoreOf(type);
        CheckMacroExists(store, id);
        // Keys that played the macro fall back to their default function.
        if (!store.DeleteMacro(id)) throw CtlError("could not delete macro " + std::to_string(id));
        return 0;
    }
    if (action == "step") {
        const std::string what = args.Next("step action (add)");
        if (what != "add") throw CtlError("unknown macro step action: " + what);
        const std::optional<std::string> desc = args.TakeOption("--desc");
        MacroStep step;
        step.macro_id = MacroId(args);
        step.type = ParseCount(args.Next("step type"), "step type");
        step.value = ParseCount(args.Next("value"), "value");
        step.delay_time = ParseCount(args.Next("delay"), "delay");
        step.desc = desc.value_or("");
        args.ExpectEnd();
        CheckText(step.desc, "description", true);
        DataStore& store = OpenStoreOf(type);
        CheckMacroExists(store, step.macro_id);
        // The new step goes after the last one.
        std::vector<MacroStep> steps;
        store.GetMacroSteps(step.macro_id, steps);
        step.record_index = steps.empty() ? 0 : steps.back().record_index + 1;
        if (step.record_index < 0 || store.AddMacroStep(step) <= 0)
            throw CtlError("could not add the step to macro " + std::to_string(step.macro_id));
        return 0;
    }
    if (action == "export") return RunMacroExport(OpenStoreOf(type), args);
    if (action == "import") return RunMacroImport(OpenStoreOf(type), args);
    throw CtlError("unknown macro action: " + action);
}

}  // namespace KeyForge::Ctl
