// keyforgectl lights: the lighting mode records of a profile.
#include <cstdio>
#include <iostream>
#include <vector>

#include "tools/keyforgectl/Commands.h"
#include "tools/keyforgectl/StoreAccess.h"

namespace KeyForge::Ctl {

int RunLights(Args& args) {
    const int type = TakeKeyboardType(args);
    const std::optional<int> given = TakeProfileOption(args);
    args.ExpectEnd();
    DataStore& store = OpenStoreOf(type);
    const int profile = ResolveProfile(store, given);
    std::vector<LightRecord> lights;
    store.GetLights(profile, lights);
    std::cout << "MODE\tNAME\tBRIGHTNESS\tSPEED\tDIRECTION\tCOLORFUL\tCOLORINDEX\tCOLOR\tCONFIG_FUNC\tACTIVE\n";
    for (const LightRecord& l : lights) {
        char color[16], config[16];
        std::snprintf(color, sizeof color, "0x%06X", static_cast<unsigned>(l.color_value));
        std::snprintf(config, sizeof config, "0x%04X", static_cast<unsigned>(l.config_func));
        std::cout << l.mode << "\t" << l.name << "\t" << l.brightness << "\t" << l.speed << "\t" << l.direction << "\t"
                  << l.colorful << "\t" << l.colorindex << "\t" << color << "\t" << config << "\t"
                  << (l.status == 1 ? "*" : "") << "\n";
    }
    return 0;
}

}  // namespace KeyForge::Ctl
