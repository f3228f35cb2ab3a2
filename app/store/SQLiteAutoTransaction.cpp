// The scoped transaction.
#include "app/store/SQLiteAutoTransaction.h"

#include "app/store/SQLiteDB.h"

namespace KeyForge {

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* db) : m_db(db) {
    if (m_db == nullptr) return;
    m_joined = m_db->InTransaction();
    if (m_joined) return;
    if (m_db->IsOpen()) m_db->Execute("BEGIN");
    m_active = true;
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
    if (m_active && !m_joined && m_db != nullptr && m_db->IsOpen()) m_db->Execute("END");
}

bool SQLiteAutoTransaction::Begin() {
    if (m_joined) return true;
    if (m_db == nullptr || m_active) return false;
    int rc = kSqliteMisuse;
    if (m_db->IsOpen()) rc = m_db->Execute("BEGIN");
    m_active = true;
    return rc == kSqliteOk;
}

bool SQLiteAutoTransaction::End() {
    if (m_joined) return true;
    if (m_db == nullptr) return false;
    int rc = kSqliteMisuse;
    if (m_db->IsOpen()) rc = m_db->Execute("END");
    m_active = false;
    return rc == kSqliteOk;
}

bool SQLiteAutoTransaction::Rollback() {
    if (m_joined || m_db == nullptr || !m_active) return false;
    m_active = false;
    return m_db->IsOpen() && m_db->Execute("ROLLBACK") == kSqliteOk;
}

}  // namespace KeyForge
