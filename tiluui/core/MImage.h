// A loaded picture (PNG, or every frame of an animated GIF) ready for drawing.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace TiluUI {

/// One or more equally sized premultiplied ARGB32 frames; a still picture has one.
class MImage {
public:
    /// Takes ownership of the frame surfaces (all of the same size) and their delays in milliseconds.
    MImage(std::vector<cairo_surface_t*> frames, std::vector<int> delaysMs);
    ~MImage();
    MImage(const MImage&) = delete;
    MImage& operator=(const MImage&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    /// Number of frames (1 for a still picture).
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    /// The surface of frame `index` (frame 0 for an index out of range).
    cairo_surface_t* Surface(int index = 0) const;
    /// How long frame `index` shows, in milliseconds (0 for a still picture).
    int DelayMs(int index) const;

private:
    std::vector<cairo_surface_t*> m_frames;
    std::vector<int> m_delays;
    int m_width = 0;
    int m_height = 0;
};

namespace ImageCodec {

/// Decodes PNG or GIF bytes (recognised by their signature); null on any failure.
std::unique_ptr<MImage> Decode(const unsigned char* data, size_t size);

}  // namespace ImageCodec

}  // namespace TiluUI
