// The layout load switches the store to the loaded keyboard's own file.
#include <gtest/gtest.h>

#include <vector>

#include "app/store/DeviceDescription.h"
#include "app/store/KeyboardLayout.h"
#include "app/store/KeyboardStore.h"
#include "app/store/Paths.h"
#include "tests/support/TestSupport.h"

namespace KeyForge {
namespace {

using TestUtil::ScopedEnv;
using TestUtil::TempDir;

TEST(KeyboardStore, LayoutLoadOpensTheKeyboardsStore) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.Path());
    ASSERT_TRUE(CreateFolderPath(GetStoreFolder()));
    DeviceDescription description;
    ASSERT_TRUE(LoadDeviceDescription(TestUtil::BinFolder() + "config.xml", description));
    KeyboardModel model;
    DataStore store;
    DataStoreKeyboardSwitch storeSwitch(store);

    EXPECT_TRUE(LoadKeyboardDescription(TestUtil::BinFolder(), description, model, &storeSwitch));
    EXPECT_TRUE(store.IsOpened());
    EXPECT_EQ(store.GetPath(), GetStoreFolder() + "/VX9-RGB_data_v1.db");
    ASSERT_GT(store.AddProfile({.name = "Nine"}), 0);

    // Another keyboard: its own, new file.
    EXPECT_TRUE(LoadKeyboardLayout(description, 101, model, &storeSwitch, TestUtil::BinFolder()));
    EXPECT_EQ(store.GetPath(), GetStoreFolder() + "/TK87-RGB_data_v1.db");
    std::vector<ProfileRecord> profiles;
    EXPECT_EQ(store.GetProfiles(profiles), 0);

    // A device type config.xml does not name: no store at all.
    LoadKeyboardLayout(description, 299, model, &storeSwitch, TestUtil::BinFolder());
    EXPECT_FALSE(store.IsOpened());
    EXPECT_EQ(store.AddProfile({.name = "Lost"}), 0);

    LoadKeyboardLayout(description, 201, model, &storeSwitch, TestUtil::BinFolder());
    ASSERT_EQ(store.GetProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "Nine");
}

}  // namespace
}  // namespace KeyForge
