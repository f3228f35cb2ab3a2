// Generated skin artwork: panel, button strip and an animated GIF written with giflib.
#include "tools/tiluui-demo/DemoArt.h"

#include <gif_lib.h>

#include <cmath>

#include "tiluui/core/MRender.h"

namespace TiluUI::DemoArt {

std::unique_ptr<MBitmap> MakePanel(int w, int h, int border) {
    auto bmp = MRender::CreateARGB32Bitmap(w, h);
    if (!bmp) return nullptr;
    cairo_t* g = bmp->Graphics();
    MRender::DrawRoundRectange(g, 0, 0, static_cast<float>(w), static_cast<float>(h),
                               static_cast<float>(border), 0xFF3A6EA5);
    MRender::DrawRoundRectange(g, 2, 2, static_cast<float>(w - 4), static_cast<float>(h - 4),
                               static_cast<float>(border - 2), 0xFF9CC7F0);
    const RECT inner{border, border, w - border, h - border};
    MRender::DrawGradient(g, inner, 0xFF1B2A3A, 0xFF0D141C, true, 64);
    return bmp;
}

std::unique_ptr<MBitmap> MakeButtonStrip(int frameWidth, int frameHeight) {
    auto bmp = MRender::CreateARGB32Bitmap(frameWidth * 4, frameHeight);
    if (!bmp) return nullptr;
    const ARGB fills[4] = {0xFF2F5F8F, 0xFF3F7FBF, 0xFF1F3F5F, 0xFF505050};
    const ARGB rims[4] = {0xFF8FBFEF, 0xFFBFDFFF, 0xFF6F9FCF, 0xFF808080};
    for (int i = 0; i < 4; ++i) {
        const float x = static_cast<float>(i * frameWidth);
        MRender::DrawRoundRectange(bmp->Graphics(), x, 0, static_cast<float>(frameWidth),
                                   static_cast<float>(frameHeight), 6, rims[i]);
        MRender::DrawRoundRectange(bmp->Graphics(), x + 2, 2, static_cast<float>(frameWidth - 4),
                                   static_cast<float>(frameHeight - 4), 4, fills[i]);
    }
    return bmp;
}

bool WriteGif(const std::string& path, int w, int h, const std::vector<uint32_t>& palette,
              const std::vector<std::vector<uint8_t>>& frames, const std::vector<int>& delaysCs,
              int transparentIndex) {
    if (palette.empty() || palette.size() > 256 || frames.empty()) return false;
    int colors = 2;
    while (colors < static_cast<int>(palette.size())) colors *= 2;
    std::vector<GifColorType> entries(static_cast<size_t>(colors), GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.size(); ++i)
        entries[i] =
            GifColorType{static_cast<GifByteType>(palette[i] >> 16),
                         static_cast<GifByteType>(palette[i] >> 8), static_cast<GifByteType>(palette[i])};
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    ColorMapObject* map = GifMakeMapObject(colors, entries.data());
    EGifSetGifVersion(gif, true);
    bool ok = map && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    if (ok && frames.size() > 1) {
        // Loop forever.
        const unsigned char loop[3] = {1, 0, 0};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (size_t f = 0; ok && f < frames.size(); ++f) {
        if (frames[f].size() != static_cast<size_t>(w) * h) {
            ok = false;
            break;
        }
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_BACKGROUND;
        gcb.DelayTime = f < delaysCs.size() ? delaysCs[f] : 0;
        gcb.TransparentColor = transparentIndex;
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < h; ++y)
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(frames[f].data() + static_cast<size_t>(y) * w),
                             w) == GIF_OK;
    }
    GifFreeMapObject(map);
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    return ok && closed;
}

bool WriteSpinnerGif(const std::string& path, int size, int frames) {
    // Index 0 transparent, 1 dim, 2 bright.
    const std::vector<uint32_t> palette{0x000000, 0x3A6EA5, 0xFFD24A, 0xFFFFFF};
    std::vector<std::vector<uint8_t>> pics;
    const double c = (size - 1) / 2.0, outer = size / 2.0, inner = size / 4.0;
    for (int f = 0; f < frames; ++f) {
        std::vector<uint8_t> px(static_cast<size_t>(size) * size, 0);
        const double lit = 2 * M_PI * f / frames;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const double dx = x - c, dy = y - c, r = std::hypot(dx, dy);
                if (r > outer || r < inner) continue;
                double a = std::atan2(dy, dx) - lit;
                a = std::fmod(a + 4 * M_PI, 2 * M_PI);
                px[static_cast<size_t>(y) * size + x] = a < M_PI / 3 ? 2 : 1;
            }
        pics.push_back(std::move(px));
    }
    return WriteGif(path, size, size, palette, pics, std::vector<int>(static_cast<size_t>(frames), 8), 0);
}

}  // namespace TiluUI::DemoArt
