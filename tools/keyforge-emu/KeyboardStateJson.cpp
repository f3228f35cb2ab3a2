// The keyboard's command state as JSON members: light, slots with their steps, key map,
// macro blocks, per-key colours, streaming, music levels and resets.
#include <cstdio>
#include <string>

#include "tools/keyforge-emu/EmulatedKeyboard.h"

namespace KeyForge::Emu {

namespace {

using namespace Protocol;

std::string Num(int value) { return std::to_string(value); }

std::string Rgb(int r, int g, int b) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", r & 0xFF, g & 0xFF, b & 0xFF);
    return text;
}

std::string Member(const std::string& name, const std::string& value) {
    return "  \"" + name + "\": " + value + ",\n";
}

std::string FeatureLightJson(const FeatureLight& l) {
    if (!l.set) return "null";
    return "{\"mode\": " + Num(l.mode) + ", \"colour_index\": " + Num(l.colourIndex) + ", \"direction\": " +
           Num(l.direction) + ", \"speed\": " + Num(l.speed) + ", \"brightness\": " + Num(l.brightness) +
           ", \"option\": " + Num(l.option) + ", \"via\": \"" + (l.wireless ? "wireless" : "cable") + "\"}";
}

std::string ReportLightJson(const ReportLight& l) {
    if (!l.set) return "null";
    char flags[8];
    std::snprintf(flags, sizeof flags, "0x%02X", l.flags & 0xFF);
    return std::string("{\"flags\": \"") + flags + "\", \"rgb\": \"" + Rgb(l.red, l.green, l.blue) +
           "\", \"brightness\": " + Num(l.brightness) + "}";
}

std::string CustomSlotJson(const CustomSlotChoice& c) {
    if (!c.set) return "null";
    return "{\"mode\": " + Num(c.mode) + ", \"brightness\": " + Num(c.brightness) + ", \"speed\": " + Num(c.speed) +
           ", \"option\": " + Num(c.option) + "}";
}

// Occupied macro slots with what they play; a step is "code delay" in hex.
std::string MacroSlotContentJson(const KeyboardState& state) {
    std::string out = "[";
    bool first = true;
    for (int i = 0; i < kMacroSlots; ++i) {
        const std::size_t index = static_cast<std::size_t>(i);
        const MacroSlotContent& c = state.macroSlotContent[index];
        if (state.macroSlots[index] == 0 && c.steps.empty()) continue;
        out += first ? "" : ", ";
        first = false;
        out += "{\"slot\": " + Num(i + 1) + ", \"key\": " + Num(state.macroSlots[index]) +
               ", \"play_times\": " + Num(c.playTimes) + ", \"steps\": [";
        for (std::size_t s = 0; s < c.steps.size(); ++s) {
            const std::uint8_t pair[2] = {c.steps[s].code, c.steps[s].delay};
            out += (s ? ", \"" : "\"") + HexBytes(pair) + "\"";
        }
        out += "]}";
    }
    return out + "]";
}

// Key-map entries that are not (0, 0).
std::string KeyMapJson(const KeyboardState& state) {
    std::string out = "[";
    bool first = true;
    for (std::size_t i = 0; i < kKeyMapEntries; ++i) {
        const int code = state.keyMap[2 * i];
        const int kind = state.keyMap[2 * i + 1];
        if (code == 0 && kind == 0) continue;
        out += first ? "" : ", ";
        first = false;
        char kindText[8];
        std::snprintf(kindText, sizeof kindText, "0x%02X", kind);
        out += "{\"index\": " + std::to_string(i) + ", \"code\": " + Num(code) + ", \"kind\": \"" + kindText + "\"}";
    }
    return out + "]";
}

// Macro blocks: play count, step count, the bytes received and each step as "code lo hi".
std::string MacroBlocksJson(const KeyboardState& state) {
    std::string out = "[";
    bool first = true;
    for (const auto& [slot, block] : state.macroBlocks) {
        out += first ? "" : ", ";
        first = false;
        const int count = block.bytes[1];
        out += "{\"slot\": " + Num(slot) + ", \"play_times\": " + Num(block.bytes[0]) + ", \"step_count\": " +
               Num(count) + ", \"bytes_received\": " + std::to_string(block.length) + ", \"steps\": [";
        for (int s = 0; s < count; ++s) {
            const std::size_t at = kMacroBlockHeadSize + 3 * static_cast<std::size_t>(s);
            if (at + 3 > block.bytes.size()) break;
            out += (s ? ", \"" : "\"") + HexBytes(std::span(block.bytes).subspan(at, 3)) + "\"";
        }
        out += "]}";
    }
    return out + "]";
}

// Per-key colours that are set (marked FF).
std::string KeyColoursJson(const KeyboardState& state) {
    std::string out = "[";
    bool first = true;
    for (std::size_t i = 0; i < kKeyColourEntries; ++i) {
        const std::uint8_t* e = &state.keyColours[4 * i];
        if (e[3] != kKeyColourSet) continue;
        out += first ? "" : ", ";
        first = false;
        out += "{\"index\": " + std::to_string(i) + ", \"rgb\": \"" + Rgb(e[0], e[1], e[2]) + "\"}";
    }
    return out + "]";
}

// Keys of the last frame that are not black.
std::string LastFrameJson(const KeyboardState& state) {
    std::string out = "[";
    bool first = true;
    for (std::size_t i = 0; i < kFrameEntries; ++i) {
        const std::uint8_t* e = &state.lastFrame[3 * i];
        if (e[0] == 0 && e[1] == 0 && e[2] == 0) continue;
        out += first ? "" : ", ";
        first = false;
        out += "{\"index\": " + std::to_string(i) + ", \"rgb\": \"" + Rgb(e[0], e[1], e[2]) + "\"}";
    }
    return out + "]";
}

}  // namespace

std::string ProtocolStateJson(const KeyboardState& state) {
    std::string json;
    json += Member("light", FeatureLightJson(state.light));
    json += Member("custom_slot", CustomSlotJson(state.customSlot));
    json += Member("macro_slot_content", MacroSlotContentJson(state));
    json += Member("slots_out_of_range", Num(state.slotsOutOfRange));
    json += Member("report_light", ReportLightJson(state.reportLight));
    json += Member("key_map", KeyMapJson(state));
    json += Member("macro_blocks", MacroBlocksJson(state));
    json += Member("key_colours", KeyColoursJson(state));
    json += Member("streaming", state.streaming ? "true" : "false");
    json += Member("frames", std::to_string(state.frames));
    json += Member("last_frame", LastFrameJson(state));
    json += Member("chunks_out_of_range", Num(state.chunksOutOfRange));
    json += Member("music", "{\"levels\": " + std::to_string(state.music.count) + ", \"option\": " +
                                Num(state.music.option) + ", \"colour_index\": " + Num(state.music.colourIndex) +
                                ", \"level\": " + Num(state.music.level) + "}");
    json += Member("factory_resets", Num(state.factoryResets));
    return json;
}

}  // namespace KeyForge::Emu
