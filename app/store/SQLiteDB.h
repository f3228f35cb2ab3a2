// The connection to one SQLite file: open, close, prepare, execute. Only the store's
// wrappers (this file, SQLiteStatement, SQLiteAutoTransaction) call SQLite.
//
// Errors: SQLite result codes pass through unchanged (0 ok, 100 a row is ready, 101
// done); without a connection or without SQL text the result is 21 (misuse).
// Open and Close report a bool. Nothing throws and nothing is logged.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3;

namespace KeyForge {

class SQLiteStatement;

/// SQLite result codes the store looks at.
inline constexpr int kSqliteOk = 0;
inline constexpr int kSqliteMisuse = 21;
inline constexpr int kSqliteRow = 100;
inline constexpr int kSqliteDone = 101;

/// Open flags: an existing file read-write in serialized mode (0x10002), and the same
/// also creating the file (0x10006).
inline constexpr int kSqliteOpenExisting = 0x00010002;
inline constexpr int kSqliteOpenCreate = 0x00010006;

/// Row callback of Execute: its argument, column count, column texts, column names;
/// a non-zero result stops the execution.
using SQLiteRowCallback = int (*)(void* argument, int columns, char** texts, char** names);

/// One SQLite connection (null when closed).
class SQLiteDB {
public:
    SQLiteDB() = default;
    /// Interrupts any running statement, then closes the connection.
    virtual ~SQLiteDB();
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    /// Closes any open connection, opens `path` (UTF-8) with the flags and sets the
    /// journal up (write-ahead log, synced at checkpoints). True when the connection is ready.
    bool Open(const std::string& path, int flags);
    /// True when there was nothing to close or the close succeeded; a failed close
    /// (statements still unfinalised) keeps the connection open.
    bool Close();
    /// True while a connection is open.
    bool IsOpen() const { return m_db != nullptr; }
    /// True while a transaction is open on the connection.
    bool InTransaction() const;
    /// Prepares `sql` into `statement`, finalising the statement's previous handle first.
    /// `length` -1 reads up to the terminator.
    int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
    /// Runs one or more SQL statements, calling `callback` once per result row.
    int Execute(const char* sql, SQLiteRowCallback callback = nullptr, void* argument = nullptr);
    /// Row id of the last insert on this connection; -1 without a connection.
    std::int64_t LastInsertRowId() const;

protected:
    sqlite3* m_db = nullptr;
};

}  // namespace KeyForge
