// Image loading (PNG, animated GIF, bad input), the image list and bitmap files.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"
#include "tiluui/core/MImageList.h"
#include "tiluui/core/MRender.h"
#include "tools/tiluui-demo/DemoArt.h"

namespace TiluUI::Test {
namespace {

using KeyForge::TestUtil::ReadFile;
using KeyForge::TestUtil::TempDir;
using KeyForge::TestUtil::WriteFile;

uint32_t PixelOf(const MImage& img, int frame, int x, int y) {
    cairo_surface_t* s = img.Surface(frame);
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                             static_cast<size_t>(y) * cairo_image_surface_get_stride(s))[x];
}

/// Writes a w x h PNG whose pixel (x, y) is 0xFF000000 | x << 16 | y << 8.
std::string WriteCoordinatePng(const TempDir& dir, const char* name, int w, int h) {
    MBitmap bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bmp.Row(y)[x] = 0xFF000000u | (x << 16) | (y << 8);
    bmp.MarkDirty();
    const std::string path = dir / name;
    EXPECT_TRUE(bmp.SaveAsPng(path));
    return path;
}

TEST(MImageTest, PngLoadsWithItsPixelsAndAnySeparators) {
    TempDir dir;
    WriteCoordinatePng(dir, "coords.png", 5, 3);
    auto img = MRender::LoadImageFromFile(dir.Path() + "\\\\coords.png");  // "\\" and "//" read as "/"
    ASSERT_TRUE(img);
    EXPECT_EQ(img->Width(), 5);
    EXPECT_EQ(img->Height(), 3);
    EXPECT_EQ(img->FrameCount(), 1);
    EXPECT_EQ(PixelOf(*img, 0, 4, 2), 0xFF040200u);
    const std::string bytes = ReadFile(dir / "coords.png");
    auto fromMemory = MRender::LoadImageFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(fromMemory);
    EXPECT_EQ(PixelOf(*fromMemory, 0, 1, 1), 0xFF010100u);
}

TEST(MImageTest, AnimatedGifKeepsEveryFrameWithTransparencyAndDelays) {
    TempDir dir;
    // Frame 0: left half red, right half transparent. Frame 1: all blue. Index 0 is transparent.
    const std::vector<uint32_t> palette{0x000000, 0xFF0000, 0x0000FF};
    std::vector<uint8_t> f0(4 * 2, 0), f1(4 * 2, 2);
    for (int y = 0; y < 2; ++y) f0[y * 4] = f0[y * 4 + 1] = 1;
    ASSERT_TRUE(DemoArt::WriteGif(dir / "anim.gif", 4, 2, palette, {f0, f1}, {5, 12}, 0));
    auto gif = MRender::LoadImageFromFile(dir / "anim.gif");
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->FrameCount(), 2);
    EXPECT_EQ(gif->DelayMs(0), 50);
    EXPECT_EQ(gif->DelayMs(1), 120);
    EXPECT_EQ(PixelOf(*gif, 0, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelOf(*gif, 0, 3, 1), 0u);  // transparent
    EXPECT_EQ(PixelOf(*gif, 1, 3, 1), 0xFF0000FFu);
    EXPECT_EQ(gif->Surface(7), gif->Surface(0));  // out of range falls back to frame 0

    ASSERT_TRUE(DemoArt::WriteSpinnerGif(dir / "spin.gif", 16, 6));
    auto spin = MRender::LoadImageFromFile(dir / "spin.gif");
    ASSERT_TRUE(spin);
    EXPECT_EQ(spin->FrameCount(), 6);
}

TEST(MImageTest, BadInputGivesNull) {
    TempDir dir;
    WriteFile(dir / "text.png", "not a picture");
    WriteCoordinatePng(dir, "whole.png", 8, 8);
    const std::string whole = ReadFile(dir / "whole.png");
    WriteFile(dir / "cut.png", whole.substr(0, whole.size() / 2));
    WriteFile(dir / "cut.gif", std::string("GIF89a\x04\x00\x02\x00", 10));
    for (const char* name : {"missing.png", "text.png", "cut.png", "cut.gif"})
        EXPECT_EQ(MRender::LoadImageFromFile(dir / name), nullptr) << name;
    EXPECT_EQ(MRender::LoadImageFromMemory(nullptr, 10), nullptr);
}

TEST(MImageListTest, IndexesPathsAndDrawing) {
    TempDir dir;
    const std::string a = WriteCoordinatePng(dir, "a.png", 8, 2);  // two frames of 4 x 2
    const std::string b = WriteCoordinatePng(dir, "b.png", 3, 3);
    MImageList list;
    EXPECT_EQ(list.AddImage(a.c_str(), 10, 2), 0);
    EXPECT_EQ(list.AddImage(b.c_str(), 20, 1), 1);
    EXPECT_EQ(list.InsertImage(0, b.c_str(), 30, 1), 0);
    EXPECT_EQ(list.InsertImage(-1, a.c_str(), 40, 1), 3);
    EXPECT_EQ(list.InsertImage(5, a.c_str(), 50, 1), -1);
    EXPECT_EQ(list.InsertImage(-2, a.c_str(), 50, 1), -1);
    EXPECT_EQ(list.AddImage(nullptr, 60, 1), -1);
    EXPECT_EQ(list.AddImage((dir / "missing.png").c_str(), 60, 1), -1);
    EXPECT_EQ(list.GetImageCount(), 4);
    EXPECT_EQ(list.GetImagePath(1), a);
    EXPECT_EQ(list.GetImagePathByID(20), b);
    EXPECT_EQ(list.GetImagePath(9), "");
    EXPECT_EQ(list.GetItemImageData(1).frameWidth, 4);
    EXPECT_EQ(list.GetImageDataByID(99).image, nullptr);

    MBitmap target(4, 2);
    list.DrawItemIcon(target.Graphics(), CRect(0, 0, 4, 2), 1, 1);  // second frame of a.png
    EXPECT_EQ(target.Pixel(0, 0), 0xFF040000u);
    MBitmap untouched(4, 2);
    list.DrawItemIcon(untouched.Graphics(), CRect(0, 0, 4, 2), 7);
    list.DrawItemIcon(untouched.Graphics(), CRect(0, 0, 4, 2), 1, 2);
    EXPECT_EQ(untouched.Pixel(0, 0), 0u);
    list.SetDrawImgSize(16, 16);
    EXPECT_EQ(list.GetIconSize(), CSize(16, 16));
    list.DelAllImages();
    EXPECT_EQ(list.GetImageCount(), 0);
}

TEST(MBitmapTest, BmpFilesHoldTheHeaderAndBottomUpRows) {
    TempDir dir;
    MBitmap bmp(3, 2);
    bmp.Row(0)[0] = 0xFF112233u;  // top-left
    bmp.MarkDirty();
    ASSERT_TRUE(MRender::SaveBitmapToFile(bmp, dir / "out.bmp"));
    const std::string bytes = ReadFile(dir / "out.bmp");
    ASSERT_EQ(bytes.size(), 54u + 3 * 2 * 4);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    // The top row is stored last: its first pixel starts after the header and one row.
    const size_t topLeft = 54 + 3 * 4;
    EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft]), 0x33);
    EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft + 2]), 0x11);
    EXPECT_FALSE(MRender::SaveBitmapToFile(bmp, "/no/such/folder/out.bmp"));
}

}  // namespace
}  // namespace TiluUI::Test
