// Creating a profile's light records from the layout.
#include "app/store/LightDefaults.h"

namespace KeyForge {

bool EnsureLightRecords(DataStore& store, int profile, const KeyboardModel& model) {
    if (store.GetLightCount(profile) > 0) return true;
    for (const LightModeInfo& info : model.lightModes) {
        LightRecord light;
        light.profile = profile;
        light.name = info.name;
        light.mode = info.mode;
        light.brightness = model.defaultBrightness;
        light.speed = model.defaultSpeed;
        light.direction = 0;
        light.colorful = 1;
        light.colorindex = 0;
        light.color_value = kDefaultLightColour;
        light.config_func = info.configFunc;
        light.reserved = info.reserved;
        store.AddLight(light);
    }
    store.SetActiveLight(profile, model.defaultLightMode);
    return store.GetLightCount(profile) > 0;
}

}  // namespace KeyForge
