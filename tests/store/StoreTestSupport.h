// A keyboard store on a real file in a temporary data folder, for the store tests.
#pragma once

#include <string>
#include <vector>

#include "app/store/DataStore.h"
#include "tests/support/TestSupport.h"

namespace KeyForge::TestUtil {

/// A temporary data folder with its db folder, and a store opened on model "VX9-RGB".
class StoreFixture {
public:
    StoreFixture();
    /// The data folder, ending in '/'.
    std::string DataFolder() const { return m_dir.Path() + "/"; }
    /// Path of a model's store file.
    std::string FileOf(const std::string& model) const { return DataStore::StoreFilePath(DataFolder(), model); }
    /// Runs the sqlite3 command-line client on a model's file; its standard output.
    std::string Sqlite3(const std::string& model, const std::string& sql) const;

    TempDir m_dir;
    DataStore store;
};

}  // namespace KeyForge::TestUtil
