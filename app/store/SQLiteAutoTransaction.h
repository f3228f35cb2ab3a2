// A transaction that ends with the scope: begun on construction, ended ("END") by End
// or by the destructor, so the batch inserts commit what succeeded. An operation whose
// later statement fails after an earlier one changed something calls Rollback, so it
// never commits half a change. Inside a unit that already holds a transaction
// (DataStore::RunAtomically) it joins that one: it neither begins nor ends anything,
// so the enclosing unit decides between commit and rollback.
#pragma once

namespace KeyForge {

class SQLiteDB;

/// Scoped transaction on a connection (which may be null).
class SQLiteAutoTransaction {
public:
    /// Begins a transaction on `db` when it is open; marks the transaction active
    /// whenever `db` is not null.
    explicit SQLiteAutoTransaction(SQLiteDB* db);
    /// Executes "END" when still active and the connection is open.
    virtual ~SQLiteAutoTransaction();
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

    /// Begins when not yet active; true when "BEGIN" succeeded. After the constructor
    /// has begun, it does nothing and returns false.
    bool Begin();
    /// Executes "END" when the connection is open and clears the active flag; true when
    /// "END" succeeded.
    bool End();
    /// Undoes what the transaction wrote ("ROLLBACK") and clears the active flag; true when
    /// it was rolled back. Joined to an enclosing unit it does nothing and returns false:
    /// the unit sees the operation's failure and rolls back itself.
    bool Rollback();

private:
    SQLiteDB* m_db;
    bool m_active = false;
    bool m_joined = false;  // an enclosing transaction was open at construction
};

}  // namespace KeyForge
