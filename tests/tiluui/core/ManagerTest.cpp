// Manager: process-wide defaults, skin paths and the plain message loop's Alt+F4 rule.
#include "tests/tiluui/OffscreenFixture.h"
#include "tiluui/core/Manager.h"

namespace TiluUI::Test {
namespace {

TEST(ManagerTest, DefaultsAndFontSettings) {
    EXPECT_EQ(Manager::GetTheme(), "theme1\\");
    EXPECT_EQ(Manager::GetSelectColor(), 0xFF285055u);
    const std::string family = Manager::GetFontName();
    const int size = Manager::GetFontWidth();
    EXPECT_EQ(family, "Arial");
    EXPECT_EQ(size, 14);
    Manager::SetFont("DejaVu Sans", 12);
    EXPECT_EQ(Manager::GetFontName(), "DejaVu Sans");
    EXPECT_EQ(Manager::GetFontWidth(), 12);
    Manager::SetFont(family, size);
}

TEST(ManagerTest, SkinPathsUseTheThemeFolderWithPlainSeparators) {
    const std::string skins = Manager::GetProgramFolder() + "skins/theme1/";
    EXPECT_EQ(Manager::GetSkinFolder(), skins);
    const struct {
        const char* relative;
        std::string expected;
    } cases[] = {
        {"btn_checkbox.png", skins + "btn_checkbox.png"},
        {"icon//icon_pc.png", skins + "icon/icon_pc.png"},
        {"icon\\icon_keyboard.png", skins + "icon/icon_keyboard.png"},
        {"\\\\bg\\\\main.png", skins + "bg/main.png"},
    };
    for (const auto& c : cases) EXPECT_EQ(Manager::GetSkinPath(c.relative), c.expected) << c.relative;
}

using ManagerLoopTest = OffscreenTest;

TEST_F(ManagerLoopTest, MessagesAreDroppedWhileAltAndF4AreHeld) {
    MSG msg;
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 0);
    NativeEvent down;
    down.kind = NativeEvent::Kind::KeyDown;
    for (UINT vk : {VK_LMENU, VK_F4}) {
        down.vk = vk;
        m_screen->Inject(down);
    }
    WaitMessage(0);
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // routes the key events
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 1);
    PostQuitMessage(9);
    EXPECT_EQ(Manager::MessageLoop(), 9);
}

}  // namespace
}  // namespace TiluUI::Test
