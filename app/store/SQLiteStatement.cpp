// The prepared-statement wrapper.
#include "app/store/SQLiteStatement.h"

#include <sqlite3.h>

#include <climits>

namespace KeyForge {

SQLiteStatement::~SQLiteStatement() { Finalize(); }

int SQLiteStatement::Finalize() {
    if (m_statement == nullptr) return SQLITE_OK;
    // sqlite3_finalize frees the handle whatever it returns (its result repeats the
    // last step's error), so the handle is always cleared: keeping it would finalise
    // freed memory later.
    const int rc = sqlite3_finalize(m_statement);
    m_statement = nullptr;
    return rc;
}

int SQLiteStatement::BindInt(int index, std::int32_t value) {
    if (m_statement == nullptr) return SQLITE_MISUSE;
    return sqlite3_bind_int(m_statement, index, value);
}

int SQLiteStatement::BindText(int index, std::string_view utf8) {
    if (m_statement == nullptr) return SQLITE_MISUSE;
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) return SQLITE_TOOBIG;
    // An empty view may carry a null pointer, which SQLite would store as NULL.
    const char* bytes = utf8.data() != nullptr ? utf8.data() : "";
    return sqlite3_bind_text(m_statement, index, bytes, static_cast<int>(utf8.size()), SQLITE_STATIC);
}

int SQLiteStatement::Step() {
    if (m_statement == nullptr) return SQLITE_MISUSE;
    return sqlite3_step(m_statement);
}

std::int32_t SQLiteStatement::ColumnInt(int column) const {
    if (m_statement == nullptr) return 0;
    return sqlite3_column_int(m_statement, column);
}

const char* SQLiteStatement::ColumnText(int column) const {
    if (m_statement == nullptr) return nullptr;
    return reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
}

std::string SQLiteStatement::ColumnString(int column) const {
    const char* text = ColumnText(column);
    if (text == nullptr) return {};
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)));
}

}  // namespace KeyForge
