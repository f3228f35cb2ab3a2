// The keyboards that ship with the program: config.xml, the layouts, the pictures and
// the language files laid beside the binaries must fit together.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/store/FileUtil.h"
#include "app/store/IniFile.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/LanguageTexts.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

struct Shipped {
    DeviceDescription description;
    std::vector<KeyboardModel> models;
};

const Shipped& LoadShipped() {
    static const Shipped shipped = [] {
        Shipped s;
        const std::string bin = TestUtil::BinFolder();
        EXPECT_TRUE(LoadDeviceDescription(bin + "config.xml", s.description));
        for (const KeyboardEntry& k : s.description.keyboards) {
            KeyboardModel model;
            EXPECT_TRUE(LoadKeyboardLayout(s.description, k.deviceType, model, nullptr, bin)) << k.name;
            s.models.push_back(std::move(model));
        }
        return s;
    }();
    return shipped;
}

// Width and height from a PNG file's header; false when it is no PNG.
bool PngSize(const std::string& path, int& width, int& height) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes) || bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return false;
    auto be32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return static_cast<int>(v);
    };
    width = be32(16);
    height = be32(20);
    return true;
}

// The text numbers of a language file's KB.DIALOG section.
std::set<int> TextNumbers(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
    std::set<int> numbers;
    std::istringstream in(bytes);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') inSection = line == "[KB.DIALOG]";
        const std::size_t eq = line.find('=');
        if (!inSection || line.empty() || line.front() == ';' || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        if (key.empty() || key.find_first_not_of("0123456789") != std::string::npos) {
            ADD_FAILURE() << path << ": key " << key << " is no text number";
            continue;
        }
        const int n = std::stoi(key);
        EXPECT_TRUE(numbers.insert(n).second) << path << ": text " << n << " twice";
        EXPECT_FALSE(ReadIniText(kTextSection, std::to_string(n), path).empty()) << path << ": text " << n << " empty";
    }
    return numbers;
}

std::vector<std::string> LanguageFiles() {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(TestUtil::BinFolder() + "language"))
        if (e.path().extension() == ".lan") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ShippedKeyboards, EveryKeyHasItsOwnCodeIndexCellAndPlaceOnThePicture) {
    const Shipped& s = LoadShipped();
    ASSERT_EQ(s.models.size(), 2u);
    for (const KeyboardModel& m : s.models) {
        SCOPED_TRACE(m.keyboardName);
        int width = 0, height = 0;
        ASSERT_TRUE(PngSize(TestUtil::BinFolder() + m.picture.ImagePath(), width, height)) << m.picture.image;
        EXPECT_EQ(width, m.picture.width);
        EXPECT_EQ(height, m.picture.height);
        ASSERT_FALSE(m.keyItems.empty());

        std::set<unsigned> codes;
        std::set<int> indices;
        int cells = 0;
        for (const KeyItem& k : m.keyItems) {
            SCOPED_TRACE(k.description);
            EXPECT_TRUE(codes.insert(k.code).second) << "code used twice";
            EXPECT_TRUE(indices.insert(k.keyIndex).second) << "key index used twice";
            EXPECT_LT(k.keyIndex, 110) << "only key indices 0 to 109 reach the keyboard";
            EXPECT_GE(k.rect.left, 0);
            EXPECT_GE(k.rect.top, 0);
            EXPECT_LE(k.rect.right, m.picture.width);
            EXPECT_LE(k.rect.bottom, m.picture.height);
            EXPECT_GT(k.rect.right - k.rect.left, 24) << "too small to click";
            EXPECT_GT(k.rect.bottom - k.rect.top, 24);
            EXPECT_FALSE(k.name.empty());
            EXPECT_FALSE(k.description.empty());
            ASSERT_TRUE(k.InGrid()) << "every shipped key lights with the screen and music effects";
            EXPECT_LT(k.row, m.picture.rowCount);
            EXPECT_LT(k.column, m.picture.columnCount);
            if (k.code != kFixedKeyCode) {
                EXPECT_EQ(m.keyGrid[static_cast<std::size_t>(k.row)][static_cast<std::size_t>(k.column)], k.code & 0xFF);
                ++cells;
            }
        }
        // No two keys overlap on the picture, so every click finds one key.
        for (std::size_t i = 0; i < m.keyItems.size(); ++i)
            for (std::size_t j = i + 1; j < m.keyItems.size(); ++j) {
                const KeyRect& a = m.keyItems[i].rect;
                const KeyRect& b = m.keyItems[j].rect;
                EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top)
                    << m.keyItems[i].description << " overlaps " << m.keyItems[j].description;
            }
        int filled = 0;
        for (const auto& row : m.keyGrid)
            for (std::uint8_t cell : row) filled += cell != kNoKeyCell;
        EXPECT_EQ(filled, cells) << "two keys share a grid cell";
        EXPECT_EQ(codes.count(kFixedKeyCode), 1u) << "the Fn key cannot be reassigned";
    }
}

// A decoded picture whose pixels can be read; empty when the file is no PNG.
class Picture {
public:
    explicit Picture(const std::string& path) : m_surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Picture() { cairo_surface_destroy(m_surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    bool Loaded() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    /// Brightness (the largest of red, green and blue) of a pixel.
    int Brightness(int x, int y) const {
        const unsigned char* data = cairo_image_surface_get_data(m_surface);
        const int stride = cairo_image_surface_get_stride(m_surface);
        std::uint32_t argb;
        std::memcpy(&argb, data + y * stride + x * 4, 4);
        return static_cast<int>(std::max({(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF}));
    }

private:
    cairo_surface_t* m_surface;
};

TEST(ShippedKeyboards, KeyCapsOnThePictureAreTheKeyRectangles) {
    // Inside a rectangle lies a key cap; two pixels outside it, the dark plate.
    constexpr int kPlate = 0x20;
    for (const KeyboardModel& m : LoadShipped().models) {
        SCOPED_TRACE(m.keyboardName);
        const Picture picture(TestUtil::BinFolder() + m.picture.ImagePath());
        ASSERT_TRUE(picture.Loaded());
        for (const KeyItem& k : m.keyItems) {
            SCOPED_TRACE(k.description);
            const KeyRect& r = k.rect;
            const int cx = (r.left + r.right) / 2;
            const int cy = (r.top + r.bottom) / 2;
            EXPECT_GT(picture.Brightness(cx, r.top + 6), kPlate + 0x10) << "no cap inside the rectangle";
            EXPECT_GT(picture.Brightness(r.left + 6, cy), kPlate + 0x10);
            EXPECT_LE(picture.Brightness(r.left - 2, cy), kPlate) << "cap wider than the rectangle";
            EXPECT_LE(picture.Brightness(r.right + 1, cy), kPlate);
            EXPECT_LE(picture.Brightness(cx, r.top - 2), kPlate) << "cap taller than the rectangle";
            EXPECT_LE(picture.Brightness(cx, r.bottom + 1), kPlate);
        }
    }
}

TEST(ShippedKeyboards, LightModesCoverEveryLightingSetting) {
    const Shipped& s = LoadShipped();
    int all = 0;
    bool exactlyMusic = false;
    for (const KeyboardModel& m : s.models) {
        SCOPED_TRACE(m.keyboardName);
        ASSERT_FALSE(m.lightModes.empty());
        EXPECT_NE(m.FindLightMode(m.defaultLightMode), nullptr) << "the default mode exists";
        EXPECT_GE(m.defaultBrightness, 1);
        EXPECT_LE(m.defaultBrightness, m.brightnessMax);
        EXPECT_GE(m.defaultSpeed, 1);
        EXPECT_LE(m.defaultSpeed, m.speedMax);
        std::set<int> modes;
        for (const LightModeInfo& info : m.lightModes) {
            EXPECT_TRUE(modes.insert(info.mode).second) << "mode " << info.mode << " twice";
            all |= info.configFunc;
            exactlyMusic = exactlyMusic || info.configFunc == kLightMusic;
        }
    }
    EXPECT_EQ(all, 0x1FFF) << std::hex << "bits never offered: " << (0x1FFF & ~all);
    EXPECT_TRUE(exactlyMusic) << "a music mode of exactly 512 (hidden over wireless)";

    // The feature-protocol keyboard numbers its modes as its firmware: mode 4 is the
    // single colour mode and mode 9 exists.
    const KeyboardModel& full = s.models.front();
    ASSERT_EQ(full.deviceType, 201);
    const LightModeInfo* single = full.FindLightMode(4);
    ASSERT_NE(single, nullptr);
    EXPECT_NE(single->configFunc & (kLightColourWheel | kLightPresetColour), 0);
    EXPECT_EQ(single->configFunc & kLightSpeed, 0) << "its speed byte carries the colour";
    EXPECT_NE(full.FindLightMode(9), nullptr);
    EXPECT_TRUE(full.ShowsFirmwareUpgrade());
}

TEST(ShippedKeyboards, EveryLanguageHoldsEveryTextAndEveryLightModeName) {
    const Shipped& s = LoadShipped();
    const std::vector<std::string> files = LanguageFiles();
    ASSERT_GE(files.size(), 2u);
    std::map<std::string, std::set<int>> numbers;
    for (const std::string& f : files) numbers[f] = TextNumbers(f);
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        EXPECT_EQ(numbers[f], numbers[files.front()]) << "languages differ in their text numbers";
        for (const KeyboardModel& m : s.models)
            for (const LightModeInfo& info : m.lightModes)
                EXPECT_EQ(numbers[f].count(std::stoi(info.name)), 1u) << "light mode name " << info.name;
    }
    // Both default names of the other languages are recognised by their exact words.
    EXPECT_EQ(ReadIniText(kTextSection, "65", TestUtil::BinFolder() + "language/2052.lan"),
              "\xE9\x85\x8D\xE7\xBD\xAE\xE6\x96\xB9\xE6\xA1\x88");
    EXPECT_EQ(ReadIniText(kTextSection, "331", TestUtil::BinFolder() + "language/2052.lan"), "\xE5\xAE\x8F");
    EXPECT_EQ(ReadIniText(kTextSection, "65", TestUtil::BinFolder() + "language/1033.lan"), "Profile");
}

TEST(ShippedKeyboards, LayoutsAreWhatTheirGeneratorMakes) {
    TestUtil::TempDir out;
    const TestUtil::ProcessResult r = TestUtil::RunProcess(
        {"/usr/bin/python3", KF_SOURCE_DIR "/tools/keyboard-art/generate.py", "--xml-only", "--out", out.Path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const KeyboardEntry& k : LoadShipped().description.keyboards) {
        const std::string name = "layouts/" + k.layoutName + ".xml";
        EXPECT_EQ(TestUtil::ReadFile(out / name), TestUtil::ReadFile(KF_SOURCE_DIR "/data/" + name))
            << name << " is stale: run tools/keyboard-art/generate.py";
    }
}

}  // namespace
}  // namespace KeyForge
