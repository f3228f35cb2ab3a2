// keyforgectl profiles and profile: list, add, rename, delete and activate the
// profiles of the current keyboard's store.
#include <iostream>
#include <vector>

#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

namespace {

// The profile list holds at most this many profiles.
constexpr int kMaxProfiles = 200;

int ProfileId(Args& args) { return static_cast<int>(ParseNumberIn(args.Next("profile id"), "profile id", 1, INT32_MAX)); }

int AddProfile(DataStore& store, const std::string& name) {
    std::vector<ProfileRecord> profiles;
    const int count = store.GetProfiles(profiles);
    if (count >= kMaxProfiles) throw CtlError("a keyboard keeps at most 200 profiles");
    const int id = store.AddProfile({.name = name});
    if (id <= 0) throw CtlError("could not add the profile");
    // The first profile of a store brings the configuration defaults and becomes
    // the active one, as on the program's first start.
    if (count == 0) store.InsertDefaultConfig();
    if (store.GetActiveProfile() <= 0) store.SetActiveProfile(id);
    return id;
}

void DeleteProfile(DataStore& store, int id) {
    std::vector<ProfileRecord> profiles;
    store.GetProfiles(profiles);
    std::size_t at = 0;
    while (at < profiles.size() && profiles[at].profile != id) ++at;
    if (at == profiles.size()) throw CtlError("no profile " + std::to_string(id));
    if (profiles.size() == 1) throw CtlError("the last profile cannot be deleted");
    const bool wasActive = profiles[at].status == 1;
    if (!store.DeleteProfile(id)) throw CtlError("could not delete profile " + std::to_string(id));
    // Its key rows stay in the store, as when the program deletes a profile.
    // The profile above takes over (the new first one when the first was deleted).
    if (wasActive) store.SetActiveProfile(profiles[at == 0 ? 1 : at - 1].profile);
}

}  // namespace

int RunProfiles(Args& args) {
    const int type = TakeKeyboardType(args);
    args.ExpectEnd();
    DataStore& store = OpenStoreOf(type);
    std::vector<ProfileRecord> profiles;
    store.GetProfiles(profiles);
    std::cout << "ID\tNAME\tACTIVE\n";
    for (const ProfileRecord& p : profiles)
        std::cout << p.profile << "\t" << p.name << "\t" << (p.status == 1 ? "*" : "") << "\n";
    return 0;
}

int RunProfile(Args& args) {
    const int type = TakeKeyboardType(args);
    const std::string action = args.Next("action (add, rename, delete, activate, export or import)");
    if (action == "add") {
        const std::string name = args.Next("profile name");
        args.ExpectEnd();
        CheckText(name, "profile name", false);
        std::cout << AddProfile(OpenStoreOf(type), name) << "\n";
        return 0;
    }
    if (action == "rename") {
        const int id = ProfileId(args);
        const std::string name = args.Next("profile name");
        args.ExpectEnd();
        CheckText(name, "profile name", false);
        DataStore& store = OpenStoreOf(type);
        CheckProfileExists(store, id);
        if (!store.RenameProfile(id, name)) throw CtlError("could not rename profile " + std::to_string(id));
        return 0;
    }
    if (action == "delete") {
        const int id = ProfileId(args);
        args.ExpectEnd();
        DeleteProfile(OpenStoreOf(type), id);
        return 0;
    }
    if (action == "activate") {
        const int id = ProfileId(args);
        args.ExpectEnd();
        DataStore& store = OpenStoreOf(type);
        CheckProfileExists(store, id);
        if (!store.SetActiveProfile(id)) throw CtlError("could not activate profile " + std::to_string(id));
        return 0;
    }
    if (action == "export") return RunProfileExport(OpenStoreOf(type), args);
    if (action == "import") return RunProfileImport(OpenStoreOf(type), args);
    throw CtlError("unknown profile action: " + action);
}

}  // namespace KeyForge::Ctl
