// The layout load: every element of a layout file into the keyboard model, row_col
// and rect forms, the grid, failures that keep the previous model, and the store switch.
#include "app/store/KeyboardLayout.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::TempDir;
using TestUtil::WriteFile;

// Records every switch of the store.
class RecordingStoreSwitch : public KeyboardStoreSwitch {
public:
    void SwitchToKeyboard(const std::string& keyboardName) override { switches.push_back(keyboardName); }
    std::vector<std::string> switches;
};

constexpr char kConfig[] = R"(<config><device.info>
  <keyboard name="Full" device_type="201" device_info="full">
    <mode value="0" vid="1209" pid="0001" hid_interface="HID#VID_1209&amp;PID_0001&amp;MI_02"/>
  </keyboard>
  <keyboard name="Small" device_type="120" device_info="small"/>
  <keyboard name="Shadowed" device_type="201" device_info="shadowed"/>
  <keyboard name="Broken" device_type="150" device_info="broken"/>
  <keyboard name="Missing" device_type="160" device_info="missing"/>
</device.info></config>)";

constexpr char kFullLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<device.info>
  <menu macro="1" light_mode="1"/>
  <function sleep_time="1"/>
  <firmware version="1.2" file="tool" url="http://127.0.0.1:1/fw/"/>
  <light rgb_keyboard="1" default_mode="2" default_brightness="3" default_speed="2" brightness_max="5" speed_max="6">
    <info name="801" mode="1" attribute="71"/>
    <info name="810" mode="10" attribute="512" reserved="7"/>
  </light>
  <Keyboard xpos="10" ypos="20" width="300" height="100" image="full.png" row_count="2" col_count="16">
    <KeyItems>
      <key code="29" key_index="0" row_col="1,5" rect="10#20#30#40" name="Esc" desc="Escape"/>
      <key code="0x3A" key_index="1" row_col="1,15" rect="50#20#30#40" name="F1" desc="F1" light_index="1"/>
      <key code="E0" key_index="7" light_index="3" row_col="0,0" rect="90#20#30#40" name="Ctrl" desc="Left Control" icon="x.png"/>
      <key code="E5" key_index="9" row_col="8,2" rect="130#20#30#40" name="Shift" desc="Right Shift"/>
      <key code="1E4" key_index="10" row_col="0,31" rect="170#20#30#40" name="Wide" desc="Code above 255"/>
    </KeyItems>
  </Keyboard>
</device.info>)";

class KeyboardLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_dir / "config.xml", kConfig);
        WriteFile(m_dir / "layouts/full.xml", kFullLayout);
        WriteFile(m_dir / "layouts/shadowed.xml", kFullLayout);
        WriteFile(m_dir / "layouts/small.xml", R"(<device.info>
  <light><info name="812" mode="1" attribute="49"/></light>
  <Keyboard width="50" height="40" image="small.png" row_count="1" col_count="1">
    <KeyItems><key code="04" key_index="0" row_col="0,0" rect="1#2#3#4" name="A" desc="A"/></KeyItems>
  </Keyboard>
</device.info>)");
        WriteFile(m_dir / "layouts/broken.xml", "<device.info><menu macro=\"0\"></device.info>");
        ASSERT_TRUE(LoadDeviceDescription(m_dir / "config.xml", m_description));
    }

    bool Load(int deviceType) {
        return LoadKeyboardLayout(m_description, deviceType, m_model, &m_store, m_dir.Path() + "/");
    }

    TempDir m_dir;
    DeviceDescription m_description;
    KeyboardModel m_model;
    RecordingStoreSwitch m_store;
};

TEST_F(KeyboardLayoutTest, ReadsEveryPartOfTheLayout) {
    ASSERT_TRUE(Load(201));
    const KeyboardModel& m = m_model;
    EXPECT_EQ(m.deviceType, 201);
    EXPECT_EQ(m.keyboardName, "Full");
    EXPECT_EQ(m.layoutName, "full");
    EXPECT_EQ(m.pageFlags, kPageKeys | kPageMacros | kPageLighting | kPageThirdView);
    EXPECT_TRUE(m.sleepTimeSwitch);
    EXPECT_EQ(m.firmwareVersion, "1.2");
    EXPECT_EQ(m.firmwareFile, "tool");
    EXPECT_EQ(m.firmwareUrl, "http://127.0.0.1:1/fw/");
    EXPECT_TRUE(m.ShowsFirmwareUpgrade());
    EXPECT_TRUE(m.rgbSwitch);
    EXPECT_EQ(m.defaultLightMode, 2);
    EXPECT_EQ(m.defaultBrightness, 3);
    EXPECT_EQ(m.defaultSpeed, 2);
    EXPECT_EQ(m.brightnessMax, 5);
    EXPECT_EQ(m.speedMax, 6);
    ASSERT_EQ(m.lightModes.size(), 2u);
    EXPECT_EQ(m.lightModes[0].name, "801");
    EXPECT_EQ(m.lightModes[0].mode, 1);
    EXPECT_EQ(m.lightModes[0].configFunc, 71);
    EXPECT_EQ(m.lightModes[1].configFunc, 512);
    EXPECT_EQ(m.lightModes[1].reserved, 7);
    ASSERT_NE(m.FindLightMode(10), nullptr);
    EXPECT_EQ(m.FindLightMode(3), nullptr);

    EXPECT_EQ(m.picture.x, 10);
    EXPECT_EQ(m.picture.y, 20);
    EXPECT_EQ(m.picture.width, 300);
    EXPECT_EQ(m.picture.height, 100);
    EXPECT_EQ(m.picture.ImagePath(), "keyboard/full.png");
    EXPECT_EQ(m.picture.rowCount, 2);
    EXPECT_EQ(m.picture.columnCount, 16);

    ASSERT_EQ(m.keyItems.size(), 5u);
    const KeyItem& esc = m.keyItems[0];
    EXPECT_EQ(esc.name, "Esc");
    EXPECT_EQ(esc.description, "Escape");
    EXPECT_EQ(esc.code, 0x29u);
    EXPECT_EQ(esc.rect, (KeyRect{10, 20, 40, 60}));
    EXPECT_EQ(esc.icon, "");
    EXPECT_EQ(m.keyItems[2].icon, "") << "a key's icon attribute has no effect";
    EXPECT_EQ(m.keyItems[1].code, 0x3Au) << "0x prefix accepted";

    // row_col 1,5 and 1,15 give columns 5 and 15; the grid holds the code's low byte.
    EXPECT_EQ(m.keyGrid[1][5], 0x29);
    EXPECT_EQ(m.keyGrid[1][15], 0x3A);
    EXPECT_EQ(m.keyGrid[0][0], 0xE0);
    EXPECT_EQ(m.keyGrid[0][31], 0xE4);
    int cells = 0;
    for (const auto& row : m.keyGrid)
        for (std::uint8_t cell : row) cells += cell != kNoKeyCell;
    EXPECT_EQ(cells, 4) << "every other cell is empty";
}

TEST_F(KeyboardLayoutTest, KeyIndexFillsBothMapsWhateverTheLightIndex) {
    ASSERT_TRUE(Load(201));
    EXPECT_EQ(m_model.keyIndexMap.at(0xE0), 7);
    EXPECT_EQ(m_model.lightIndexMap.at(0xE0), 7) << "light_index 3 has no effect";
    EXPECT_EQ(m_model.keyIndexMap.size(), 5u);
    EXPECT_EQ(m_model.lightIndexMap, m_model.keyIndexMap);
}

TEST_F(KeyboardLayoutTest, KeyOutsideTheGridIsAKeyWithoutACell) {
    ASSERT_TRUE(Load(201));
    const KeyItem* shift = m_model.FindKey(0xE5);
    ASSERT_NE(shift, nullptr) << "still shown and clickable";
    EXPECT_EQ(shift->row, 8);
    EXPECT_EQ(shift->column, 2);
    EXPECT_FALSE(shift->InGrid());
    EXPECT_EQ(m_model.keyIndexMap.at(0xE5), 9);
    for (const auto& row : m_model.keyGrid)
        for (std::uint8_t cell : row) EXPECT_NE(cell, 0xE5) << "row 8 wrapped into the grid";
}

TEST(KeyboardLayoutText, RowColumnAndRectForms) {
    const struct {
        const char* text;
        int row, column;
        bool inGrid;
    } cells[] = {
        {"1,5", 1, 5, true},    {"1,15", 1, 15, true}, {"3,7", 3, 7, true},   {"3,12", 3, 12, true},
        {"7,31", 7, 31, true},  {" 2 , 3 ", 2, 3, true}, {"8,0", 8, 0, false}, {"0,32", 0, 32, false},
        {"10,5", 10, 5, false}, {"", -1, -1, false},    {"12", -1, -1, false}, {"a,b", -1, -1, false},
        {"-1,5", -1, -1, false}, {"1,", -1, -1, false},
    };
    for (const auto& c : cells) {
        KeyItem key;
        ParseRowColumn(c.text, key.row, key.column);
        EXPECT_EQ(key.row, c.row) << '"' << c.text << '"';
        EXPECT_EQ(key.column, c.column) << '"' << c.text << '"';
        EXPECT_EQ(key.InGrid(), c.inGrid) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseKeyRect("10#20#30#40"), (KeyRect{10, 20, 40, 60}));
    EXPECT_EQ(ParseKeyRect("1#2"), (KeyRect{1, 2, 1, 2}));
    EXPECT_EQ(ParseKeyRect(""), (KeyRect{0, 0, 0, 0}));
    EXPECT_EQ(ParseKeyRect("5#x#7#8"), (KeyRect{5, 0, 12, 8}));
}

TEST_F(KeyboardLayoutTest, MenuDecidesTheTabs) {
    const struct {
        const char* menu;
        bool tab1, tab2, tab3, tab7;
    } cases[] = {
        {R"(<menu macro="0" light_mode="1"/>)", true, false, true, true},
        {R"(<menu macro="1" light_mode="0"/>)", true, true, false, true},
        {R"(<menu/>)", true, false, false, true},
    };
    for (const auto& c : cases) {
        WriteFile(m_dir / "layouts/small.xml", std::string("<device.info>") + c.menu + "</device.info>");
        ASSERT_TRUE(Load(120)) << c.menu;
        EXPECT_EQ(m_model.ShowsTab(1), c.tab1) << c.menu;
        EXPECT_EQ(m_model.ShowsTab(2), c.tab2) << c.menu;
        EXPECT_EQ(m_model.ShowsTab(3), c.tab3) << c.menu;
        EXPECT_EQ(m_model.ShowsTab(7), c.tab7) << c.menu;
        EXPECT_FALSE(m_model.ShowsTab(5)) << "the settings tab is not the layout's to hide";
    }
}

TEST_F(KeyboardLayoutTest, LayoutWithoutMenuKeepsThePageFlagsOnly) {
    EXPECT_EQ(m_model.pageFlags, kPageFlagsBeforeLayout) << "all pages before the first layout";
    WriteFile(m_dir / "layouts/full.xml", R"(<device.info><menu macro="0" light_mode="0"/>
      <firmware version="9" file="f" url="u"/></device.info>)");
    ASSERT_TRUE(Load(201));
    EXPECT_EQ(m_model.pageFlags, kPageKeys | kPageThirdView);
    ASSERT_TRUE(Load(120));  // small.xml has no menu, function or firmware
    EXPECT_EQ(m_model.pageFlags, kPageKeys | kPageThirdView);
    EXPECT_EQ(m_model.firmwareVersion, "") << "everything else is the new layout's";
    EXPECT_FALSE(m_model.ShowsFirmwareUpgrade());
    EXPECT_EQ(m_model.brightnessMax, kDefaultSliderMaximum) << "no brightness_max: the slider keeps its own";
    EXPECT_EQ(m_model.speedMax, kDefaultSliderMaximum);
    ASSERT_EQ(m_model.lightModes.size(), 1u);
    ASSERT_EQ(m_model.keyItems.size(), 1u);
    EXPECT_EQ(m_model.keyGrid[0][0], 0x04);
    EXPECT_EQ(m_model.keyGrid[1][5], kNoKeyCell) << "the previous keys left the grid";
}

TEST_F(KeyboardLayoutTest, UnreadableLayoutKeepsTheModelButSwitchesTheStore) {
    ASSERT_TRUE(Load(201));
    const KeyboardModel before = m_model;
    const struct {
        int deviceType;
        const char* store;
    } cases[] = {
        {150, "Broken"},   // not well formed
        {160, "Missing"},  // no file
        {999, ""},         // no keyboard of that type: no layout name
    };
    for (const auto& c : cases) {
        m_store.switches.clear();
        m_model.firmwareUrl = before.firmwareUrl;
        EXPECT_FALSE(Load(c.deviceType)) << c.deviceType;
        EXPECT_EQ(m_store.switches, std::vector<std::string>{c.store}) << c.deviceType;
        EXPECT_EQ(m_model.deviceType, c.deviceType);
        EXPECT_EQ(m_model.keyboardName, c.store);
        EXPECT_EQ(m_model.firmwareUrl, "") << "the download address is cleared first";
        EXPECT_EQ(m_model.firmwareVersion, before.firmwareVersion);
        EXPECT_EQ(m_model.layoutName, "full") << "the model still holds that layout";
        EXPECT_EQ(m_model.pageFlags, before.pageFlags);
        EXPECT_EQ(m_model.keyItems.size(), before.keyItems.size());
        EXPECT_EQ(m_model.keyGrid, before.keyGrid);
        EXPECT_EQ(m_model.lightModes.size(), before.lightModes.size());
    }
    // A well-formed file whose root is not device.info is no layout either.
    WriteFile(m_dir / "layouts/broken.xml", "<layout><menu macro=\"0\"/></layout>");
    EXPECT_FALSE(Load(150));
    EXPECT_EQ(m_model.keyItems.size(), before.keyItems.size());
}

TEST_F(KeyboardLayoutTest, FirstKeyboardOfTheDeviceTypeNamesLayoutAndStore) {
    ASSERT_TRUE(Load(201));
    EXPECT_EQ(m_store.switches, std::vector<std::string>{"Full"}) << "not Shadowed, the second of type 201";
    EXPECT_EQ(m_model.layoutName, "full");
    // No store yet: the load still works.
    KeyboardModel model;
    EXPECT_TRUE(LoadKeyboardLayout(m_description, 120, model, nullptr, m_dir.Path() + "/"));
    EXPECT_EQ(model.keyboardName, "Small");
}

TEST_F(KeyboardLayoutTest, LayoutNamesCannotLeaveTheLayoutFolder) {
    WriteFile(m_dir / "outside.xml", kFullLayout);
    DeviceDescription d;
    KeyboardEntry evil;
    evil.name = "Evil";
    evil.deviceType = 201;
    evil.layoutName = "../outside";
    d.keyboards.push_back(evil);
    EXPECT_FALSE(LoadKeyboardLayout(d, 201, m_model, &m_store, m_dir.Path() + "/"));
    EXPECT_TRUE(m_model.keyItems.empty());
}

TEST_F(KeyboardLayoutTest, ElementsOutOfOrderAreNotSeen) {
    // `firmware` after `light`: found; the search for `light` then starts after it.
    WriteFile(m_dir / "layouts/small.xml", R"(<device.info>
  <light brightness_max="9"><info name="1" mode="1" attribute="1"/></light>
  <firmware version="2" file="t"/>
  <Keyboard width="5"/>
</device.info>)");
    ASSERT_TRUE(Load(120));
    EXPECT_EQ(m_model.firmwareVersion, "2");
    EXPECT_TRUE(m_model.lightModes.empty());
    EXPECT_EQ(m_model.brightnessMax, kDefaultSliderMaximum);
    EXPECT_EQ(m_model.picture.width, 5);
}

TEST(KeyboardDescriptionLoad, MissingConfigStillRunsTheLayoutLoad) {
    TempDir dir;
    RecordingStoreSwitch store;
    DeviceDescription description;
    description.keyboards.push_back({});
    KeyboardModel model;
    EXPECT_FALSE(LoadKeyboardDescription(dir.Path() + "/", description, model, &store));
    EXPECT_TRUE(description.keyboards.empty());
    EXPECT_EQ(store.switches, std::vector<std::string>{""}) << "the store of no keyboard";
    EXPECT_EQ(model.deviceType, kStartupDeviceType);
    EXPECT_TRUE(model.keyItems.empty());
    EXPECT_EQ(model.pageFlags, kPageFlagsBeforeLayout);
}

}  // namespace
}  // namespace KeyForge
