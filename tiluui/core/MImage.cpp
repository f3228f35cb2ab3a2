// Loaded pictures and their decoding: PNG through cairo, GIF frames through giflib.
//
// Index
//   [SECTION] MImage
//   [SECTION] PNG
//   [SECTION] GIF
#include "tiluui/core/MImage.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace TiluUI {

// [SECTION] MImage

MImage::MImage(std::vector<cairo_surface_t*> frames, std::vector<int> delaysMs)
    : m_frames(std::move(frames)), m_delays(std::move(delaysMs)) {
    if (!m_frames.empty()) {
        m_width = cairo_image_surface_get_width(m_frames[0]);
        m_height = cairo_image_surface_get_height(m_frames[0]);
    }
    m_delays.resize(m_frames.size(), 0);
}

MImage::~MImage() {
    for (cairo_surface_t* s : m_frames) cairo_surface_destroy(s);
}

cairo_surface_t* MImage::Surface(int index) const {
    if (m_frames.empty()) return nullptr;
    if (index < 0 || index >= FrameCount()) index = 0;
    return m_frames[static_cast<size_t>(index)];
}

int MImage::DelayMs(int index) const {
    if (index < 0 || index >= FrameCount()) return 0;
    return m_delays[static_cast<size_t>(index)];
}

namespace ImageCodec {

namespace {

struct ByteReader {
    const unsigned char* data;
    size_t size;
    size_t pos = 0;
};

// [SECTION] PNG

cairo_status_t ReadPngBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<ByteReader*>(closure);
    if (r->size - r->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<MImage> DecodePng(const unsigned char* data, size_t size) {
    ByteReader reader{data, size};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    if (cairo_image_surface_get_format(s) != CAIRO_FORMAT_ARGB32) {
        // Opaque PNGs load as RGB24; every drawing path expects ARGB32.
        cairo_surface_t* argb = cairo_image_surface_create(
            CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
        cairo_t* cr = cairo_create(argb);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        s = argb;
    }
    return std::make_unique<MImage>(std::vector<cairo_surface_t*>{s}, std::vector<int>{0});
}

// [SECTION] GIF

int ReadGifBytes(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<ByteReader*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(std::max(length, 0)), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

std::unique_ptr<MImage> DecodeGif(const unsigned char* data, size_t size) {
    ByteReader reader{data, size};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGifBytes, &error);
    if (!gif) return nullptr;
    struct Closer {
        GifFileType* g;
        ~Closer() {
            int e = 0;
            DGifCloseFile(g, &e);
        }
    } closer{gif};
    // A logical screen beyond what an image surface can hold is a broken file, not a
    // reason to allocate gigabytes.
    constexpr int kMaxGifSide = 16384;
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1 || gif->SWidth < 1 || gif->SHeight < 1 ||
        gif->SWidth > kMaxGifSide || gif->SHeight > kMaxGifSide)
        return nullptr;
    const int w = gif->SWidth, h = gif->SHeight;
    std::vector<uint32_t> canvas(static_cast<size_t>(w) * h, 0), saved;
    std::vector<cairo_surface_t*> frames;
    std::vector<int> delays;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& img = gif->SavedImages[i];
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &gcb);
        const ColorMapObject* map = img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
        if (!map || !img.RasterBits) break;
        if (gcb.DisposalMode == DISPOSE_PREVIOUS) saved = canvas;
        const GifImageDesc& d = img.ImageDesc;
        for (int y = 0; y < d.Height; ++y) {
            const int cy = d.Top + y;
            if (cy < 0 || cy >= h) continue;
            for (int x = 0; x < d.Width; ++x) {
                const int cx = d.Left + x;
                if (cx < 0 || cx >= w) continue;
                const int index = img.RasterBits[static_cast<size_t>(y) * d.Width + x];
                if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
                const GifColorType c = map->Colors[index];
                canvas[static_cast<size_t>(cy) * w + cx] =
                    0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
            }
        }
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(s);
            break;
        }
        cairo_surface_flush(s);
        unsigned char* px = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        for (int y = 0; y < h; ++y)
            std::memcpy(px + static_cast<size_t>(y) * stride, &canvas[static_cast<size_t>(y) * w],
                        static_cast<size_t>(w) * 4);
        cairo_surface_mark_dirty(s);
        frames.push_back(s);
        delays.push_back(gcb.DelayTime * 10);
        if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = std::max(0, d.Top); y < std::min(h, d.Top + d.Height); ++y)
                for (int x = std::max(0, d.Left); x < std::min(w, d.Left + d.Width); ++x)
                    canvas[static_cast<size_t>(y) * w + x] = 0;
        } else if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = saved;
        }
    }
    if (frames.empty()) return nullptr;
    return std::make_unique<MImage>(std::move(frames), std::move(delays));
}

}  // namespace

std::unique_ptr<MImage> Decode(const unsigned char* data, size_t size) {
    if (!data) return nullptr;
    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= sizeof kPng && std::memcmp(data, kPng, sizeof kPng) == 0) return DecodePng(data, size);
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return DecodeGif(data, size);
    return nullptr;
}

}  // namespace ImageCodec

}  // namespace TiluUI
