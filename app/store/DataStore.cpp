// The store's lifecycle: the process-wide instance, opening, creating, deleting and
// closing a model's file, and the default configuration rows.
#include "app/store/DataStore.h"

#include <unistd.h>

#include "app/store/Paths.h"
#include "app/store/SQLiteStatement.h"
#include "app/store/StoreSchema.h"

namespace KeyForge {

DataStore::~DataStore() {
    if (m_opened) CloseStore();
}

DataStore& DataStore::Instance() {
    static DataStore store;
    return store;
}

std::string DataStore::StoreFilePath(const std::string& dataFolder, const std::string& modelName) {
    return dataFolder + "db/" + modelName + "_data_v1.db";
}

bool DataStore::OpenDeviceStore(const std::string& dataFolder, const std::string& modelName) {
    std::lock_guard lock(m_lock);
    const std::string path = StoreFilePath(dataFolder, modelName);
    // A name that leaves the db folder would put the store somewhere else entirely.
    if (modelName.empty() || modelName.find('/') != std::string::npos || modelName == "." || modelName == "..") {
        CloseLocked();
        m_path = path;
        return false;
    }
    // Still connected to another model's file: its connection must not serve this one.
    if (IsOpen() && path != m_path) CloseLocked();
    m_path = path;
    bool result = false;
    if (IsFile(m_path))
        result = IsOpen() ? true : Open(m_path, kSqliteOpenExisting);
    else
        result = CreateTables();
    m_opened = result;
    return result;
}

void DataStore::DeleteDeviceStore(const std::string& dataFolder, const std::string& modelName) {
    std::lock_guard lock(m_lock);
    const std::string path = StoreFilePath(dataFolder, modelName);
    // Unlinking the file under an open connection would send later writes to a file
    // nobody can open again.
    if (IsOpen() && path == m_path) CloseLocked();
    // The log and index belong to the file; a stale log beside a new file of the same
    // name would be replayed into it.
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) unlink((path + suffix).c_str());
}

bool DataStore::CreateTables() {
    std::lock_guard lock(m_lock);
    if (IsOpen()) return true;
    // An empty path would make SQLite open a private temporary database.
    if (m_path.empty() || !Open(m_path, kSqliteOpenCreate)) return false;
    bool allDone = true;
    for (const char* statement : StoreSchemaStatements())
        if (Execute(statement) != kSqliteOk) allDone = false;
    return allDone;
}

void DataStore::InsertDefaultConfig() {
    std::lock_guard lock(m_lock);
    for (const DefaultConfigRow& row : DefaultConfigRows()) {
        SQLiteStatement st;
        Prepare(st, "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);");
        st.BindInt(1, 1);
        st.BindText(2, row.key);
        st.BindText(3, row.value);
        st.Step();
    }
}

void DataStore::CloseStore() {
    std::lock_guard lock(m_lock);
    CloseLocked();
}

void DataStore::CloseLocked() {
    Close();
    m_opened = false;
}

bool DataStore::IsOpened() const {
    std::lock_guard lock(m_lock);
    return m_opened;
}

std::string DataStore::GetPath() const {
    std::lock_guard lock(m_lock);
    return m_path;
}

bool DataStore::StepSucceeded(int rc) { return rc == kSqliteOk || rc == kSqliteRow || rc == kSqliteDone; }

int DataStore::StepInsert(SQLiteStatement& statement) {
    if (!StepSucceeded(statement.Step())) return 0;
    // Row ids are kept as 32-bit numbers throughout the program.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(LastInsertRowId() & 0xFFFFFFFF));
}

int DataStore::StepSingleInt(SQLiteStatement& statement) {
    return statement.Step() == kSqliteRow ? statement.ColumnInt(0) : 0;
}

}  // namespace KeyForge

namespace KeyForge {

bool DataStore::RunAtomically(const std::function<bool()>& body) {
    std::lock_guard lock(m_lock);
    if (!IsOpen() || Execute("BEGIN IMMEDIATE") != kSqliteOk) return false;
    bool ok = body();
    if (ok) ok = Execute("COMMIT") == kSqliteOk;
    if (!ok) Execute("ROLLBACK");
    return ok;
}

}  // namespace KeyForge
