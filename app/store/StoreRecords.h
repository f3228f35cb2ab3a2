// The rows of the keyboard store as plain records: profiles, key functions, lighting,
// macros and the music-light layer. Texts are UTF-8; every number is a signed 32-bit
// value. Each field maps to the table column of the same name.
#pragma once

#include <cstdint>
#include <string>

namespace KeyForge {

/// One profile (t_profile_data).
struct ProfileRecord {
    std::int32_t profile = 0;  ///< id
    std::string name{};
    std::string app{};           ///< a text kept with the profile, empty for new profiles
    std::int32_t type = 0;     ///< always 0
    std::int32_t status = 0;   ///< 1 for the active profile
};

/// The settings of the music-light layer (t_musiclayer_data); `sel` has no field.
struct MusicLayerRecord {
    std::int32_t layer_id = 0;
    std::int32_t profile = 0;
    std::string name{};
    std::int32_t deviceindex = 0;
    std::int32_t foremode = 0;
    std::int32_t fore_amplitude = 0;
    std::int32_t backmode = 0;
    std::int32_t backb_right = 0;
};

/// The function of one key on one layer of one profile (t_key_macro_data).
/// macro_type says what macro_value means (1 disabled, 2 key code, 3 macro id, 7
/// shortcut, 12 function code, ...); layout_value and layout_desc are kept unchanged.
struct KeyFunctionRecord {
    std::int32_t key_id = 0;
    std::int32_t profile = 0;
    std::int32_t fn_layer = 0;
    std::int32_t key_code = 0;
    std::int32_t layout_value = 0;
    std::string layout_desc{};
    std::int32_t macro_type = 0;
    std::int32_t macro_value = 0;
    std::int32_t macro_value2 = 0;
    std::int32_t macro_value3 = 0;
    std::string macro_desc{};
};

/// The settings of one lighting mode of one profile (t_light_data).
struct LightRecord {
    std::int32_t light_id = 0;
    std::int32_t profile = 0;
    std::string name{};
    std::int32_t mode = 0;
    std::int32_t brightness = 0;
    std::int32_t speed = 0;
    std::int32_t direction = 0;
    std::int32_t colorful = 0;
    std::int32_t colorindex = 0;
    std::int32_t color_value = 0;
    std::int32_t config_func = 0;  ///< which settings the lighting page shows
    std::int32_t reserved = 0;
    std::int32_t status = 0;       ///< 1 for the profile's active mode
};

/// The colour of one key in the per-key colour effect (t_key_light_data).
struct KeyLightRecord {
    std::int32_t keylight_id = 0;
    std::int32_t profile = 0;
    std::int32_t light_id = 0;  ///< the lighting mode number, 128 for per-key colours
    std::int32_t key_code = 0;
    std::int32_t key_rgb = 0;   ///< red in the low byte, then green, then blue
};

/// One macro (t_macro_data).
struct MacroInfo {
    std::int32_t macro_id = 0;
    std::string name{};
    std::int32_t link_count = 0;
    std::int32_t play_times = 0;
    std::int32_t delay_type = 0;  ///< 1 recorded delays, 2 none, 3 fixed
    std::int32_t delay_time = 0;
};

/// One step of a macro (t_macrorecord), played in record_index order.
struct MacroStep {
    std::int32_t record_id = 0;
    std::int32_t macro_id = 0;
    std::int32_t type = 0;          ///< 2 key down, 3 key up
    std::int32_t record_index = 0;
    std::int32_t value = 0;         ///< a virtual-key code
    std::int32_t delay_time = 0;    ///< milliseconds to wait after the step
    std::string desc{};
};

}  // namespace KeyForge
