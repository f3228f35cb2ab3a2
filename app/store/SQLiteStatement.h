// One prepared SQLite statement: bind, step, read columns. SQLiteDB::Prepare fills it;
// preparing another text into the same object finalises the previous one.
//
// Errors: SQLite result codes pass through; without a statement the binds and Step
// return 21 (misuse) and the column reads return 0 or null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace KeyForge {

/// A prepared statement handle (null when there is none).
class SQLiteStatement {
public:
    SQLiteStatement() = default;
    /// Finalises the handle if there is one.
    virtual ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    /// Binds a 32-bit integer to parameter `index` (1-based).
    int BindInt(int index, std::int32_t value);
    /// Binds UTF-8 text to parameter `index` (1-based). The bytes are not copied: the
    /// caller keeps them alive until the statement has been stepped.
    int BindText(int index, std::string_view utf8);
    /// Runs the statement to its next row (100) or to its end (101).
    int Step();
    /// Column `column` (0-based) of the current row as a 32-bit integer; 0 without a statement.
    std::int32_t ColumnInt(int column) const;
    /// Column `column` (0-based) as UTF-8 text, or null (no statement, or a NULL value).
    const char* ColumnText(int column) const;
    /// Column `column` as a string of its full byte length; NULL reads as "".
    std::string ColumnString(int column) const;
    /// Finalises the handle (if any) and returns SQLite's result; the handle is gone afterwards.
    int Finalize();
    /// True while a prepared handle is held.
    bool HasHandle() const { return m_statement != nullptr; }

private:
    friend class SQLiteDB;
    sqlite3_stmt* m_statement = nullptr;
};

}  // namespace KeyForge
