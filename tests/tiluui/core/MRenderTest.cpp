// MRender: nine-grid copies checked pixel by pixel, fills, gradients and their bands,
// transitions, origin points, the black-colour rule, text layout and measurement.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <set>

#include "tests/support/TestSupport.h"
#include "tiluui/core/MRender.h"

namespace TiluUI::Test {
namespace {

/// A 6 x 6 image of nine solid regions (2-pixel border): region (col, row) has colour kRegion[row][col].
constexpr uint32_t kRegion[3][3] = {{0xFF100000, 0xFF200000, 0xFF300000},
                                    {0xFF400000, 0xFF500000, 0xFF600000},
                                    {0xFF700000, 0xFF800000, 0xFF900000}};

std::unique_ptr<MImage> NineRegionImage(int frames = 1) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 6 * frames, 6);
    cairo_surface_flush(s);
    for (int y = 0; y < 6; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) +
                                                static_cast<size_t>(y) * cairo_image_surface_get_stride(s));
        for (int x = 0; x < 6 * frames; ++x) {
            const int frame = x / 6, fx = x % 6;
            // Later frames are told apart by their green channel.
            row[x] = kRegion[y < 2 ? 0 : y < 4 ? 1 : 2][fx < 2 ? 0 : fx < 4 ? 1 : 2] | (frame << 8);
        }
    }
    cairo_surface_mark_dirty(s);
    return std::make_unique<MImage>(std::vector<cairo_surface_t*>{s}, std::vector<int>{0});
}

TEST(MRenderTest, NineGridCopiesCornersEdgesAndCentreToTheirPlaces) {
    auto img = NineRegionImage();
    MBitmap target(16, 12);
    const CRect dst(2, 1, 14, 11);  // 12 x 10: corners 2 x 2, edges and centre stretched
    MRender::DrawImageFrame(target.Graphics(), img.get(), dst, 0, 0, 6, 6, 2);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            uint32_t expected = 0;
            if (dst.PtInRect({x, y})) {
                const int col = x < dst.left + 2 ? 0 : x >= dst.right - 2 ? 2 : 1;
                const int row = y < dst.top + 2 ? 0 : y >= dst.bottom - 2 ? 2 : 1;
                expected = kRegion[row][col];
            }
            ASSERT_EQ(target.Pixel(x, y), expected) << "at " << x << "," << y;
        }
}

TEST(MRenderTest, NineGridSmallerThanTwoBordersOverlapsCornersOnly) {
    auto img = NineRegionImage();
    MBitmap target(3, 3);
    MRender::DrawImageFrame(target.Graphics(), img.get(), CRect(0, 0, 3, 3), 0, 0, 6, 6, 2);
    // Corners are drawn top-left, bottom-left, top-right, bottom-right; later ones cover earlier ones.
    const uint32_t TL = kRegion[0][0], TR = kRegion[0][2], BL = kRegion[2][0], BR = kRegion[2][2];
    const uint32_t expected[3][3] = {{TL, TR, TR}, {BL, BR, BR}, {BL, BR, BR}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(target.Pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(MRenderTest, NineGridOfAStripFrameAndWithSeparateBorders) {
    auto strip = NineRegionImage(3);
    MBitmap target(8, 8);
    MRender::DrawImageFrame(target.Graphics(), strip.get(), CRect(0, 0, 8, 8), 2 * 6, 0, 6, 6, 2);
    EXPECT_EQ(target.Pixel(0, 0), kRegion[0][0] | 0x200);
    EXPECT_EQ(target.Pixel(4, 4), kRegion[1][1] | 0x200);

    // Left 1, top 2, right 3, bottom 1 of the same 6 x 6 picture.
    auto img = NineRegionImage();
    MBitmap t2(10, 10);
    MRender::DrawImageFrameMID(t2.Graphics(), img.get(), CRect(0, 0, 10, 10), 0, 0, 6, 6, 1, 2, 3, 1);
    EXPECT_EQ(t2.Pixel(0, 0), kRegion[0][0]);
    EXPECT_EQ(t2.Pixel(0, 9), kRegion[2][0]);  // source row 5 is the bottom region
    EXPECT_EQ(t2.Pixel(9, 0), kRegion[0][2]);
    // The 3-pixel right column copies source columns 3..5: region column 1, then 2, 2.
    EXPECT_EQ(t2.Pixel(7, 5), kRegion[1][1]);
    EXPECT_EQ(t2.Pixel(8, 5), kRegion[1][2]);
}

TEST(MRenderTest, DrawColorWithAlphaZeroDrawsNothing) {
    MBitmap target(4, 4);
    MRender::FillSolidRect(target.Graphics(), 0, 0, 4, 4, RGB(0, 0, 255));
    MRender::DrawColor(target.Graphics(), RECT{0, 0, 4, 4}, 0x00FF0000);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF0000FFu);
    MRender::DrawColor(target.Graphics(), RECT{0, 0, 2, 4}, 0xFFFF0000);
    EXPECT_EQ(target.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(3, 0), 0xFF0000FFu);
}

TEST(MRenderTest, FillSolidRectIsOpaqueWhateverWasThere) {
    MBitmap target(3, 3);
    MRender::DrawColor(target.Graphics(), RECT{0, 0, 3, 3}, 0x80FFFFFF);
    const RECT r{1, 1, 3, 3};
    MRender::FillSolidRect(target.Graphics(), &r, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(target.Pixel(2, 2), 0xFF123456u);
    EXPECT_EQ(target.Pixel(0, 0) >> 24, 0x80u);
}

int DistinctColours(MBitmap& bmp, bool vertical) {
    std::set<uint32_t> colours;
    const int n = vertical ? bmp.Height() : bmp.Width();
    for (int i = 0; i < n; ++i) colours.insert(vertical ? bmp.Pixel(0, i) : bmp.Pixel(i, 0));
    return static_cast<int>(colours.size());
}

TEST(MRenderTest, GradientBandsFollowTheStepCount) {
    const struct {
        int steps;
        int bands;
    } cases[] = {{0, 2},   {3, 2},   {4, 4},   {7, 4},   {8, 8},   {15, 8},
                 {16, 16}, {31, 16}, {32, 32}, {63, 32}, {64, 64}, {100, 64}};
    for (const auto& c : cases) {
        EXPECT_EQ(MRender::GradientBandCount(c.steps), c.bands) << c.steps;
        MBitmap bmp(256, 1);
        MRender::DrawGradientBands(bmp.Graphics(), RECT{0, 0, 256, 1}, 0xFF000000, 0xFFFF00FF, false,
                                   c.steps);
        EXPECT_EQ(DistinctColours(bmp, false), c.bands) << c.steps;
        EXPECT_EQ(bmp.Pixel(0, 0), 0xFF000000u) << c.steps;
        EXPECT_EQ(bmp.Pixel(255, 0), 0xFFFF00FFu) << c.steps;
    }
    MBitmap vertical(1, 64);
    MRender::DrawGradientBands(vertical.Graphics(), RECT{0, 0, 1, 64}, 0xFF000000, 0xFFFFFFFF, true, 3);
    EXPECT_EQ(DistinctColours(vertical, true), 2);
}

TEST(MRenderTest, GradientIsSmoothAndBlendsWithTheMeanAlpha) {
    MBitmap bmp(101, 1);
    MRender::DrawGradient(bmp.Graphics(), RECT{0, 0, 101, 1}, 0xFFFF0000, 0xFF0000FF, false, 2);
    EXPECT_GT((bmp.Pixel(0, 0) >> 16) & 0xFF, 0xF0u);
    EXPECT_GT(bmp.Pixel(100, 0) & 0xFF, 0xF0u);
    EXPECT_GT(DistinctColours(bmp, false), 50);

    MBitmap none(4, 4);
    MRender::DrawGradient(none.Graphics(), RECT{0, 0, 4, 4}, 0x00FF0000, 0x010000FF, true, 8);  // mean 0
    EXPECT_EQ(none.Pixel(2, 2), 0u);
    MBitmap half(4, 4);
    MRender::DrawGradient(half.Graphics(), RECT{0, 0, 4, 4}, 0xFFFFFFFF, 0x00FFFFFF, true, 8);  // mean 127
    EXPECT_EQ(half.Pixel(0, 0) >> 24, 127u);
}

TEST(MRenderTest, VerticalTransitionFadesRowByRow) {
    MBitmap src(4, 10), dst(4, 10);
    MRender::FillSolidRect(src.Graphics(), 0, 0, 4, 10, RGB(255, 255, 255));
    const int last = MRender::DrawVerticalTransition(dst.Graphics(), src.Surface(), CRect(0, 0, 4, 10),
                                                     CRect(0, 0, 4, 10), 0, 100);
    // start 255, end 0, step 25: row i has alpha 255 - 25 i.
    EXPECT_EQ(last, 255 - 9 * 25);
    for (int row = 0; row < 10; ++row)
        EXPECT_NEAR(static_cast<int>(dst.Pixel(1, row) >> 24), 255 - 25 * row, 1);

    MBitmap dst2(10, 2);
    MBitmap src2(10, 2);
    MRender::FillSolidRect(src2.Graphics(), 0, 0, 10, 2, RGB(255, 255, 255));
    const int last2 = MRender::DrawHorizontalTransition(dst2.Graphics(), src2.Surface(), CRect(0, 0, 10, 2),
                                                        CRect(0, 0, 10, 2), 80, 20);
    // start 255 - 20 * 255 / 100 = 204, end (100 - 80) * 255 / 100 = 51, step 15, falling from the end.
    EXPECT_EQ(last2, 51 + 9 * 15);
    EXPECT_NEAR(static_cast<int>(dst2.Pixel(0, 0) >> 24), 51, 1);
}

TEST(MRenderTest, OriginPointsOfAlignedItems) {
    const struct {
        UINT h, v;
        CPoint expected;
    } cases[] = {{1, 4, {40, 15}}, {2, 8, {80, 30}}, {0, 0, {0, 0}}, {3, 5, {0, 0}}, {1, 8, {40, 30}}};
    for (const auto& c : cases)
        EXPECT_EQ(MRender::GetOriginPoint(100, 40, 20, 10, c.h, c.v), c.expected) << c.h << "," << c.v;
    // The rectangle form adds the corner and 2 pixels down.
    EXPECT_EQ(MRender::GetOriginPoint(CRect(10, 20, 110, 60), 20, 10, 1, 4), CPoint(50, 37));
    // An item larger than the area gets a negative offset.
    EXPECT_EQ(MRender::GetOriginPoint(10, 10, 20, 30, 1, 4), CPoint(-5, -10));
}

TEST(MRenderTest, CheckAlphaColorOnlyChangesPureBlack) {
    const struct {
        COLORREF in, out;
    } cases[] = {{0x000000, 0x000001},
                 {0x000100, 0x000100},
                 {0x010000, 0x010000},
                 {0xFF000000, 0xFF000001},
                 {0xFFFFFF, 0xFFFFFF}};
    for (const auto& c : cases) {
        COLORREF v = c.in;
        MRender::CheckAlphaColor(v);
        EXPECT_EQ(v, c.out) << std::hex << c.in;
    }
}

TEST(MRenderTest, RoundedRectanglesLeaveTheCornersOpen) {
    MBitmap bmp(40, 20);
    MRender::DrawRoundRectange(bmp.Graphics(), 0, 0, 40, 20, 8, 0xFF00FF00);
    EXPECT_EQ(bmp.Pixel(0, 0), 0u);
    EXPECT_EQ(bmp.Pixel(20, 10), 0xFF00FF00u);
    EXPECT_EQ(bmp.Pixel(20, 0), 0xFF00FF00u);
    MBitmap outline(40, 20);
    MRender::DrawRoundRectange(outline.Graphics(), 2, 2, 36, 16, 4, 0xFFFF0000, 2, 0, false);
    EXPECT_EQ(outline.Pixel(20, 10), 0u);
    EXPECT_EQ(outline.Pixel(20, 2) >> 24, 0xFFu);
}

/// Bounding box of the pixels that differ from transparent.
CRect InkBox(MBitmap& bmp) {
    CRect box(bmp.Width(), bmp.Height(), 0, 0);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.Pixel(x, y) != 0)
                box = CRect(std::min<int>(box.left, x), std::min<int>(box.top, y),
                            std::max<int>(box.right, x + 1), std::max<int>(box.bottom, y + 1));
    return box;
}

TEST(MRenderTest, DrawTextAlignsClipsAndMeasures) {
    const MFont font{"", 16, FontStyleRegular};
    MBitmap bmp(200, 60);
    CRect area(0, 0, 200, 60);
    MRender::DrawTextW(bmp.Graphics(), area, "Hi", RGB(255, 255, 255), font,
                       DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const CRect ink = InkBox(bmp);
    ASSERT_FALSE(ink.IsRectEmpty());
    EXPECT_NEAR(ink.CenterPoint().x, 100, 4);
    EXPECT_NEAR(ink.CenterPoint().y, 30, 6);

    MBitmap right(200, 30);
    CRect r2(0, 0, 200, 30);
    MRender::DrawTextW(right.Graphics(), r2, "Hi", RGB(255, 255, 255), font,
                       DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    EXPECT_GT(InkBox(right).left, 170);

    // Measuring: wider text, wider rectangle; word wrap makes more lines; nothing is drawn.
    CRect small(0, 0, 1000, 0), large(0, 0, 1000, 0), wrapped(0, 0, 80, 0);
    MRender::DrawTextW(bmp.Graphics(), small, "abc", 0, font, DT_CALCRECT | DT_SINGLELINE);
    MRender::DrawTextW(bmp.Graphics(), large, "abcabcabc", 0, font, DT_CALCRECT | DT_SINGLELINE);
    MRender::DrawTextW(bmp.Graphics(), wrapped, "several words that wrap", 0, font,
                       DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GT(large.Width(), small.Width() * 2);
    EXPECT_LE(wrapped.Width(), 80);
    EXPECT_GE(wrapped.Height(), small.Height() * 2);

    // A long single line with an ellipsis stays inside its rectangle even unclipped.
    MBitmap ell(300, 30);
    CRect box(10, 0, 110, 30);
    MRender::DrawTextW(ell.Graphics(), box, "a very long line of text that does not fit", RGB(255, 255, 255),
                       font, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(InkBox(ell).right, 111);
    // Without DT_NOCLIP nothing is drawn outside the rectangle.
    MBitmap clip(300, 30);
    CRect clipBox(10, 0, 60, 30);
    MRender::DrawTextW(clip.Graphics(), clipBox, "a very long line of text", RGB(255, 255, 255), font,
                       DT_SINGLELINE);
    EXPECT_LE(InkBox(clip).right, 60);

    MBitmap none(20, 20);
    CRect nr(0, 0, 20, 20);
    MRender::DrawTextW(none.Graphics(), nr, nullptr, RGB(255, 255, 255), font, 0);
    EXPECT_TRUE(InkBox(none).IsRectEmpty());
}

TEST(MRenderTest, PrefixMarkersAreRemovedUnlessNoPrefix) {
    const MFont font{"", 16, FontStyleRegular};
    MBitmap bmp(10, 10);
    CRect plain(0, 0, 1000, 0), marked(0, 0, 1000, 0), raw(0, 0, 1000, 0);
    MRender::DrawTextW(bmp.Graphics(), plain, "Save", 0, font, DT_CALCRECT | DT_SINGLELINE);
    MRender::DrawTextW(bmp.Graphics(), marked, "&Save", 0, font, DT_CALCRECT | DT_SINGLELINE);
    MRender::DrawTextW(bmp.Graphics(), raw, "&Save", 0, font, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(marked.Width(), plain.Width());
    EXPECT_GT(raw.Width(), plain.Width());
}

TEST(MRenderTest, ChineseTextFindsAFallbackFont) {
    // The process-wide family ("Arial") has no CJK glyphs; fontconfig must supply them.
    PangoContext* ctx = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = pango_layout_new(ctx);
    PangoFontDescription* d = FontSupport::CreateDescription(MFont::Default());
    pango_layout_set_font_description(layout, d);
    pango_layout_set_text(layout, "键盘灯光与宏设置", -1);
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0);
    pango_font_description_free(d);
    g_object_unref(layout);
    g_object_unref(ctx);

    MBitmap bmp(200, 30);
    CRect r(0, 0, 200, 30);
    MRender::DrawTextW(bmp.Graphics(), r, "中文", RGB(255, 255, 0), MFont::Default(), DT_SINGLELINE);
    EXPECT_FALSE(InkBox(bmp).IsRectEmpty());
}

TEST(MRenderTest, TextBoundsRoundTheWidthUpAndPadTheLineHeight) {
    const MFont font{"", 14, FontStyleRegular};
    const CSize one = MRender::GetTextBounds(font, "Keyboard");
    const double lineHeight = FontSupport::LineHeight(font);
    EXPECT_GT(one.cx, 0);
    const bool fractional = lineHeight != static_cast<int>(lineHeight);
    EXPECT_EQ(one.cy, static_cast<int>(lineHeight + (fractional ? 4 : 1)));
    EXPECT_EQ(MRender::GetTextBounds(font, "").cx, 0);
    const CSize wrapped = MRender::GetTextBounds(font, MStringFormat{}, "one two three four five", 40);
    EXPECT_LE(wrapped.cx, 40);
    EXPECT_GT(wrapped.cy, one.cy);
    EXPECT_GT(MRender::GetTextBounds(MFont{"", 28, 0}, "Keyboard").cx, one.cx);
}

TEST(MRenderTest, PrivateFontFilesMustExistAndBeFonts) {
    KeyForge::TestUtil::TempDir dir;
    KeyForge::TestUtil::WriteFile(dir / "Arial.ttf", "not a font at all");
    EXPECT_FALSE(FontSupport::AddPrivateFontFile("/no/such/font.ttf"));
    EXPECT_FALSE(FontSupport::AddPrivateFontFile(dir.Path()));
    EXPECT_FALSE(FontSupport::AddPrivateFontFile(dir / "Arial.ttf"));
    EXPECT_TRUE(FontSupport::AddPrivateFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    EXPECT_TRUE(FontSupport::AddPrivateFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
}

TEST(MRenderTest, BitBltCopiesOrBlends) {
    MBitmap src(4, 4), dst(4, 4);
    MRender::DrawColor(src.Graphics(), RECT{0, 0, 4, 4}, 0x80FF0000);
    MRender::FillSolidRect(dst.Graphics(), 0, 0, 4, 4, RGB(0, 0, 255));
    MRender::BitBlt(dst.Graphics(), 0, 0, 2, 4, src.Surface(), 0, 0, BlitMode::Copy);
    MRender::BitBlt(dst.Graphics(), 2, 0, 2, 4, src.Surface(), 2, 0, BlitMode::AlphaBlend);
    EXPECT_EQ(dst.Pixel(0, 0) >> 24, 0x80u);  // copied with its own alpha
    EXPECT_EQ(dst.Pixel(3, 0) >> 24, 0xFFu);  // blended over the opaque blue
    EXPECT_GT(dst.Pixel(3, 0) & 0xFF, 0x60u);
}

}  // namespace
}  // namespace TiluUI::Test
