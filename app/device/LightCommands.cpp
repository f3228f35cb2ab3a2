// Light modes, custom slots, per-key colours, colour frames and music levels sent to the
// keyboard.
#include "app/device/LightCommands.h"

namespace KeyForge {

using namespace Protocol;

bool SetLightMode(KeyboardCommandContext& ctx, int lightProfile, int mode, int customSlot, int connectionMode) {
    LightRecord light;
    if (!ctx.store.GetLight(lightProfile, mode, light)) return false;
    switch (CommandSetOf(ctx.deviceType)) {
    case CommandSet::Feature:
        if (connectionMode == kWiredMode) return ctx.device.SendFeaturePaced(EncodeLightModeWired(light, customSlot));
        return ctx.device.WritePayload(EncodeLightModeWireless(light, customSlot));
    case CommandSet::Report: return ctx.device.WriteReport(EncodeLightParams(light));
    case CommandSet::None: return false;
    }
    return false;
}

bool SelectCustomSlot(KeyboardCommandContext& ctx, int lightProfile, int mode, int customSlot) {
    LightRecord light;
    if (!ctx.store.GetLight(lightProfile, mode, light) || ctx.deviceType >= 200) return false;
    return ctx.device.SendFeaturePaced(EncodeCustomSlot(light, customSlot));
}

bool UploadKeyColours(KeyboardCommandContext& ctx) {
    std::vector<KeyLightRecord> rows;
    ctx.store.GetKeyLights(kPerKeyLightMode, rows);
    const KeyColourTable table = BuildKeyColourTable(rows, ctx.model.lightIndexMap);
    for (const OutputReport& chunk : EncodeKeyColourChunks(table)) {
        ctx.pause(kColourChunkPause);
        if (!ctx.device.WriteReport(chunk)) return false;
    }
    return true;
}

bool ColourStream::SendColourFrame(KeyboardCommandContext& ctx, std::span<const KeyColour> colours, int connectionMode) {
    if (!FrameHasLight(colours) || connectionMode != kWiredMode) return false;
    if (!m_started.exchange(true)) ctx.device.WriteReport(EncodeStreamStart());
    const FrameTable frame = BuildFrameTable(colours, ctx.model.lightIndexMap);
    for (const OutputReport& chunk : EncodeFrameChunks(frame)) {
        ctx.pause(kColourChunkPause);
        // False only without an active manager or a streaming interface; a chunk whose
        // write failed is not noticed and the next one follows.
        if (!ctx.device.WriteAuxReport(chunk)) return false;
    }
    return true;
}

bool SendMusicLevel(HidDeviceManager& device, std::span<const std::int16_t> samples, double gain, int option,
                    int colourIndex) {
    return device.SendFeature(EncodeMusicLevel(option, colourIndex, MusicLevel(samples, gain)));
}

}  // namespace KeyForge
