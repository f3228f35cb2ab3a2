// The store test fixture.
#include "tests/store/StoreTestSupport.h"

#include <gtest/gtest.h>

#include "app/store/Paths.h"

namespace KeyForge::TestUtil {

StoreFixture::StoreFixture() {
    EXPECT_TRUE(CreateFolderPath(m_dir / "db"));
    EXPECT_TRUE(store.OpenDeviceStore(DataFolder(), "VX9-RGB"));
}

std::string StoreFixture::Sqlite3(const std::string& model, const std::string& sql) const {
    const ProcessResult r = RunProcess({"/usr/bin/sqlite3", "-batch", FileOf(model), sql}, {}, 30);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

}  // namespace KeyForge::TestUtil
