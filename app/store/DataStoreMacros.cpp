// Store operations on macros (t_macro_data) and their steps (t_macrorecord).
#include "app/store/DataStore.h"
#include "app/store/SQLiteAutoTransaction.h"
#include "app/store/SQLiteStatement.h"

namespace KeyForge {

namespace {

// Step type that only waits; every other type is an action.
constexpr int kDelayStepType = 1;

constexpr const char* kInsertMacro =
    "INSERT INTO t_macro_data(play_times, delay_type, delay_time, link_count, name) VALUES (?, ?, ?, ?, ?);";
constexpr const char* kInsertStep =
    "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) VALUES (?, ?, ?, ?, ?, ?);";
constexpr const char* kSelectSteps = "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC";

void ReadMacro(const SQLiteStatement& st, MacroInfo& r) {
    r.macro_id = st.ColumnInt(0);
    r.play_times = st.ColumnInt(1);
    r.delay_type = st.ColumnInt(2);
    r.delay_time = st.ColumnInt(3);
    r.link_count = st.ColumnInt(4);
    r.name = st.ColumnString(5);
}

void BindStep(SQLiteStatement& st, const MacroStep& step) {
    st.BindInt(1, step.macro_id);
    st.BindInt(2, step.type);
    st.BindInt(3, step.record_index);
    st.BindText(4, step.desc);
    st.BindInt(5, step.value);
    st.BindInt(6, step.delay_time);
}

}  // namespace

int DataStore::AddMacro(const std::string& name) {
    MacroInfo info;
    info.name = name;
    info.play_times = 1;
    info.delay_type = 1;
    return InsertMacro(info);
}

int DataStore::InsertMacro(const MacroInfo& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, kInsertMacro);
    st.BindInt(1, record.play_times);
    st.BindInt(2, record.delay_type);
    st.BindInt(3, record.delay_time);
    st.BindInt(4, record.link_count);
    st.BindText(5, record.name);
    return StepInsert(st);
}

bool DataStore::RenameMacro(int macroId, const std::string& name) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?");
    st.BindText(1, name);
    st.BindInt(2, macroId);
    return StepSucceeded(st.Step());
}

bool DataStore::UpdateMacroPlayback(const MacroInfo& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_macro_data SET play_times = ?, delay_type = ?, delay_time = ? WHERE macro_id = ?");
    st.BindInt(1, record.play_times);
    st.BindInt(2, record.delay_type);
    st.BindInt(3, record.delay_time);
    st.BindInt(4, record.macro_id);
    return StepSucceeded(st.Step());
}

bool DataStore::DeleteMacro(int macroId) {
    std::lock_guard lock(m_lock);
    // One transaction: the macro, its steps and the keys that played it go together.
    SQLiteAutoTransaction transaction(this);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_macro_data WHERE macro_id = ?");
    st.BindInt(1, macroId);
    if (!StepSucceeded(st.Step())) return false;
    Prepare(st, "DELETE FROM t_macrorecord WHERE macro_id = ?");
    st.BindInt(1, macroId);
    const bool stepsGone = StepSucceeded(st.Step());
    // Keys of every profile and layer that played the macro fall back to their default.
    Prepare(st, "DELETE FROM t_key_macro_data WHERE macro_type = ? and macro_value = ?");
    st.BindInt(1, kKeyTypeMacro);
    st.BindInt(2, macroId);
    const bool keysFreed = StepSucceeded(st.Step());
    st.Finalize();
    if (!stepsGone || !keysFreed) {
        // The macro stays whole rather than leaving steps or keys behind without it.
        transaction.Rollback();
        return false;
    }
    return transaction.End();
}

bool DataStore::GetMacroPlayTimes(int macroId, int& count) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT play_times FROM t_macro_data WHERE macro_id = ?");
    st.BindInt(1, macroId);
    if (st.Step() != kSqliteRow) return false;
    count = st.ColumnInt(0);
    return true;
}

bool DataStore::GetMacro(int macroId, MacroInfo& out) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_macro_data WHERE macro_id = ?");
    st.BindInt(1, macroId);
    if (st.Step() != kSqliteRow) return false;
    ReadMacro(st, out);
    return true;
}

int DataStore::GetMacros(std::vector<MacroInfo>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_macro_data");
    while (st.Step() == kSqliteRow) ReadMacro(st, out.emplace_back());
    return static_cast<int>(out.size());
}

int DataStore::AddMacroStep(const MacroStep& step) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, kInsertStep);
    BindStep(st, step);
    return StepInsert(st);
}

int DataStore::AddMacroSteps(const std::vector<MacroStep>& steps) {
    std::lock_guard lock(m_lock);
    SQLiteAutoTransaction transaction(this);
    transaction.Begin();
    int inserted = 0;
    for (const MacroStep& step : steps) {
        SQLiteStatement st;
        Prepare(st, kInsertStep);
        BindStep(st, step);
        if (StepSucceeded(st.Step())) ++inserted;
    }
    // Rows of a transaction that did not commit are not stored.
    return transaction.End() ? inserted : 0;
}

int DataStore::GetMacroSteps(int macroId, std::vector<MacroStep>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, kSelectSteps);
    st.BindInt(1, macroId);
    while (st.Step() == kSqliteRow) {
        MacroStep& r = out.emplace_back();
        r.record_id = st.ColumnInt(0);
        r.macro_id = st.ColumnInt(1);
        r.type = st.ColumnInt(2);
        r.record_index = st.ColumnInt(3);
        r.desc = st.ColumnString(4);
        r.value = st.ColumnInt(5);
        r.delay_time = st.ColumnInt(6);
    }
    return static_cast<int>(out.size());
}

bool DataStore::DeleteMacroSteps(int macroId) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_macrorecord WHERE macro_id = ?");
    st.BindInt(1, macroId);
    return StepSucceeded(st.Step());
}

int DataStore::CountMacroActions(int macroId) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, kSelectSteps);
    st.BindInt(1, macroId);
    int count = 0;
    while (st.Step() == kSqliteRow)
        if (st.ColumnInt(2) != kDelayStepType) ++count;
    return count;
}

}  // namespace KeyForge
