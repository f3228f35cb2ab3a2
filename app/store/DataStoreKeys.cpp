// Store operations on key functions (t_key_macro_data) and the texts of PC-side key
// actions (t_key_otherdata).
#include "app/store/DataStore.h"
#include "app/store/SQLiteAutoTransaction.h"
#include "app/store/SQLiteStatement.h"

namespace KeyForge {

namespace {

void ReadKeyFunction(const SQLiteStatement& st, KeyFunctionRecord& r) {
    r.key_id = st.ColumnInt(0);
    r.profile = st.ColumnInt(1);
    r.fn_layer = st.ColumnInt(2);
    r.key_code = st.ColumnInt(3);
    r.layout_value = st.ColumnInt(4);
    r.layout_desc = st.ColumnString(5);
    r.macro_type = st.ColumnInt(6);
    r.macro_value = st.ColumnInt(7);
    r.macro_value2 = st.ColumnInt(8);
    r.macro_value3 = st.ColumnInt(9);
    r.macro_desc = st.ColumnString(10);
}

}  // namespace

int DataStore::SaveKeyFunction(const KeyFunctionRecord& record) {
    if (record.key_code == 0) return 0;
    std::lock_guard lock(m_lock);
    // The removal and the new row commit together: a crash in between must not leave
    // the key without the function it had.
    SQLiteAutoTransaction transaction(this);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
    st.BindInt(1, record.profile);
    st.BindInt(2, record.fn_layer);
    st.BindInt(3, record.key_code);
    st.Step();
    // Without a value the key keeps no row, which means its default function.
    if (record.macro_value == 0 && record.macro_value2 == 0) return 0;
    Prepare(st,
            "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc, macro_type, "
            "macro_value, macro_value2, macro_value3, macro_desc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
    st.BindInt(1, record.profile);
    st.BindInt(2, record.fn_layer);
    st.BindInt(3, record.key_code);
    st.BindInt(4, record.layout_value);
    st.BindText(5, record.layout_desc);
    st.BindInt(6, record.macro_type);
    st.BindInt(7, record.macro_value);
    st.BindInt(8, record.macro_value2);
    st.BindInt(9, record.macro_value3);
    st.BindText(10, record.macro_desc);
    const int id = StepInsert(st);
    st.Finalize();
    if (id <= 0) {
        // The key keeps the function it had rather than losing it to the removal.
        transaction.Rollback();
        return 0;
    }
    // A save that could not commit has not saved anything.
    return transaction.End() ? id : 0;
}

bool DataStore::GetKeyFunction(int profile, int fnLayer, int keyCode, KeyFunctionRecord& out) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
    st.BindInt(1, profile);
    st.BindInt(2, fnLayer);
    st.BindInt(3, keyCode);
    if (st.Step() != kSqliteRow) return false;
    ReadKeyFunction(st, out);
    return true;
}

int DataStore::GetKeyFunctions(int profile, int fnLayer, std::vector<KeyFunctionRecord>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?");
    st.BindInt(1, profile);
    st.BindInt(2, fnLayer);
    while (st.Step() == kSqliteRow) ReadKeyFunction(st, out.emplace_back());
    return static_cast<int>(out.size());
}

void DataStore::DeleteKeyFunctions(int profile) {
    // Locked like every other operation: unlocked, it could run inside another
    // thread's transaction or against a connection being closed.
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_key_macro_data WHERE profile = ?");
    st.BindInt(1, profile);
    st.Step();
}

int DataStore::AddKeyOtherData(const std::string& desc, const std::string& param, int type) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (?, ?, ?);");
    st.BindText(1, desc);
    st.BindText(2, param);
    st.BindInt(3, type);
    return StepInsert(st);
}

bool DataStore::GetKeyOtherData(int id, std::string& desc, std::string& param, int& type) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT macro_desc, param, type FROM t_key_otherdata WHERE macro_value = ?");
    st.BindInt(1, id);
    if (st.Step() == kSqliteRow) {
        desc = st.ColumnString(0);
        param = st.ColumnString(1);
        type = st.ColumnInt(2);
    }
    return true;
}

}  // namespace KeyForge
