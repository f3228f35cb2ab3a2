// The SQLite connection wrapper.
#include "app/store/SQLiteDB.h"

#include <sqlite3.h>

#include "app/store/SQLiteStatement.h"

namespace KeyForge {

namespace {

// A write-ahead log keeps commits cheap without giving up the file's integrity: with
// synchronous = NORMAL the log is synced only at checkpoints, so a power loss can drop
// the last commits but never leaves a damaged database (synchronous = OFF can).
constexpr const char* kJournalSetup = "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; ";

// The program and keyforgectl may use one file at the same time; a writer waits this
// long for the other's lock instead of failing at once.
constexpr int kBusyTimeoutMs = 2000;

}  // namespace

SQLiteDB::~SQLiteDB() {
    if (m_db == nullptr) return;
    sqlite3_interrupt(m_db);
    // close_v2 frees the connection once a statement that outlived it is finalised.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SQLiteDB::Open(const std::string& path, int flags) {
    if (m_db != nullptr) {
        sqlite3_interrupt(m_db);
        // Never drop a handle that could not be closed: that would leak the connection.
        if (!Close()) return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    Execute(kJournalSetup);
    return true;
}

bool SQLiteDB::Close() {
    if (m_db == nullptr) return true;
    if (sqlite3_close(m_db) != SQLITE_OK) return false;
    m_db = nullptr;
    return true;
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
    statement.Finalize();
    if (m_db == nullptr || sql == nullptr) return SQLITE_MISUSE;
    return sqlite3_prepare_v2(m_db, sql, length, &statement.m_statement, nullptr);
}

int SQLiteDB::Execute(const char* sql, SQLiteRowCallback callback, void* argument) {
    if (m_db == nullptr || sql == nullptr) return SQLITE_MISUSE;
    return sqlite3_exec(m_db, sql, callback, argument, nullptr);
}

std::int64_t SQLiteDB::LastInsertRowId() const {
    if (m_db == nullptr) return -1;
    return sqlite3_last_insert_rowid(m_db);
}

bool SQLiteDB::InTransaction() const { return m_db != nullptr && sqlite3_get_autocommit(m_db) == 0; }

}  // namespace KeyForge
