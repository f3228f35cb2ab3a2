// The lighting commands: light mode and parameters, custom slot choice, per-key colours,
// colour frames and music levels. They read the light records from the store and send
// through the device manager; the lighting page, the worker's idle pass and the audio
// thread call them.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "app/device/KeyboardCommand.h"
#include "app/device/LightEncoders.h"

namespace KeyForge {

/// The custom slot the lighting page starts with: the first item of its list.
inline constexpr int kFirstCustomSlot = 0;

/// Pause before each per-key colour chunk and each frame chunk.
inline constexpr std::chrono::milliseconds kColourChunkPause{1};

/// Sends the light record of (lightProfile, mode): 07 F7 on a cable, the wireless payload
/// otherwise (feature protocol), or 00 89 (report protocol). `customSlot` is the custom
/// slot chosen on the lighting page (used by modes with per-key colours). False when there
/// is no such record, no command set for the device type, or the send failed.
bool SetLightMode(KeyboardCommandContext& ctx, int lightProfile, int mode, int customSlot, int connectionMode);

/// Chooses custom slot `customSlot` for the record of (lightProfile, mode): 07 FF FF, sent
/// only to keyboards of device type below 200. False when nothing was sent. The caller
/// paints the slot's stored colours (light id 128 + slot) on its view.
bool SelectCustomSlot(KeyboardCommandContext& ctx, int lightProfile, int mode, int customSlot);

/// Sends the stored per-key colours (light id 128) as the per-key colour table in 8
/// chunks, whatever the device type; stops at the first chunk that cannot be written.
/// True when all were written.
bool UploadKeyColours(KeyboardCommandContext& ctx);

/// The colour stream to the keyboard's streaming interface. The keyboard is told once,
/// before the first frame, to enter streaming; one object per process does that.
class ColourStream {
public:
    /// Sends a frame of the given key colours when some colour is 2 or more and the
    /// keyboard is on a cable: 00 F0 F4 01 first (once), then 6 chunks on the streaming
    /// interface. False when no frame went out (nothing to show, wireless, or no
    /// streaming interface).
    bool SendColourFrame(KeyboardCommandContext& ctx, std::span<const KeyColour> colours, int connectionMode);
    /// True once the enter-streaming report was sent.
    bool Started() const { return m_started; }

private:
    std::atomic<bool> m_started{false};
};

/// Sends the music level of a captured buffer (feature protocol, no pause): 07 23 45 67
/// 89 option colourIndex level. The result of the send.
bool SendMusicLevel(HidDeviceManager& device, std::span<const std::int16_t> samples, double gain, int option,
                    int colourIndex);

}  // namespace KeyForge
