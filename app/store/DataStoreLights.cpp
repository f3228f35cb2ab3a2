// Store operations on lighting modes (t_light_data) and per-key colours
// (t_key_light_data).
#include "app/store/DataStore.h"
#include "app/store/SQLiteAutoTransaction.h"
#include "app/store/SQLiteStatement.h"

namespace KeyForge {

namespace {

void ReadLight(const SQLiteStatement& st, LightRecord& r) {
    r.light_id = st.ColumnInt(0);
    r.profile = st.ColumnInt(1);
    r.name = st.ColumnString(2);
    r.mode = st.ColumnInt(3);
    r.brightness = st.ColumnInt(4);
    r.speed = st.ColumnInt(5);
    r.direction = st.ColumnInt(6);
    r.colorful = st.ColumnInt(7);
    r.colorindex = st.ColumnInt(8);
    r.color_value = st.ColumnInt(9);
    r.config_func = st.ColumnInt(10);
    r.reserved = st.ColumnInt(11);
    r.status = st.ColumnInt(12);
}

}  // namespace

int DataStore::GetLightCount(int profile) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "select count(*) FROM t_light_data WHERE profile = ?");
    st.BindInt(1, profile);
    return StepSingleInt(st);
}

int DataStore::AddLight(const LightRecord& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st,
            "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, colorindex, "
            "color_value, config_func, reserved, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);");
    st.BindInt(1, record.profile);
    st.BindText(2, record.name);
    st.BindInt(3, record.mode);
    st.BindInt(4, record.brightness);
    st.BindInt(5, record.speed);
    st.BindInt(6, record.direction);
    st.BindInt(7, record.colorful);
    st.BindInt(8, record.colorindex);
    st.BindInt(9, record.color_value);
    st.BindInt(10, record.config_func);
    st.BindInt(11, record.reserved);
    st.BindInt(12, record.status);
    return StepInsert(st);
}

bool DataStore::UpdateLight(int profile, int mode, const LightRecord& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st,
            "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, colorindex = ?, "
            "color_value = ?, config_func = ?, reserved = ? WHERE profile = ? AND mode = ?");
    st.BindInt(1, record.brightness);
    st.BindInt(2, record.speed);
    st.BindInt(3, record.direction);
    st.BindInt(4, record.colorful);
    st.BindInt(5, record.colorindex);
    st.BindInt(6, record.color_value);
    st.BindInt(7, record.config_func);
    st.BindInt(8, record.reserved);
    st.BindInt(9, profile);
    st.BindInt(10, mode);
    return StepSucceeded(st.Step());
}

bool DataStore::SetActiveLight(int profile, int mode) {
    std::lock_guard lock(m_lock);
    // One transaction, so a crash between the two updates cannot leave no mode active.
    SQLiteAutoTransaction transaction(this);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_light_data SET status = ?");
    st.BindInt(1, 0);
    st.Step();
    Prepare(st, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?");
    st.BindInt(1, 1);
    st.BindInt(2, profile);
    st.BindInt(3, mode);
    const bool done = StepSucceeded(st.Step());
    st.Finalize();
    transaction.End();
    return done;
}

int DataStore::GetActiveLightMode(int profile) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT mode FROM t_light_data WHERE profile = ? and status = ?");
    st.BindInt(1, profile);
    st.BindInt(2, 1);
    return StepSingleInt(st);
}

bool DataStore::GetLight(int profile, int mode, LightRecord& out) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?");
    st.BindInt(1, profile);
    st.BindInt(2, mode);
    if (st.Step() != kSqliteRow) return false;
    ReadLight(st, out);
    return true;
}

int DataStore::GetLights(int profile, std::vector<LightRecord>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_light_data WHERE profile = ?");
    st.BindInt(1, profile);
    while (st.Step() == kSqliteRow) ReadLight(st, out.emplace_back());
    return static_cast<int>(out.size());
}

int DataStore::AddKeyLights(const std::vector<KeyLightRecord>& records) {
    std::lock_guard lock(m_lock);
    SQLiteAutoTransaction transaction(this);
    transaction.Begin();
    int inserted = 0;
    for (const KeyLightRecord& r : records) {
        SQLiteStatement st;
        Prepare(st, "INSERT INTO t_key_light_data(profile, light_id, key_code, key_rgb) VALUES (?, ?, ?, ?);");
        st.BindInt(1, r.profile);
        st.BindInt(2, r.light_id);
        st.BindInt(3, r.key_code);
        st.BindInt(4, r.key_rgb);
        if (StepSucceeded(st.Step())) ++inserted;
    }
    // Rows of a transaction that did not commit are not stored.
    return transaction.End() ? inserted : 0;
}

bool DataStore::DeleteKeyLights() {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_key_light_data WHERE light_id = ?");
    st.BindInt(1, kPerKeyLightMode);
    return StepSucceeded(st.Step());
}

int DataStore::GetKeyLights(int lightId, std::vector<KeyLightRecord>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_key_light_data WHERE light_id = ?");
    st.BindInt(1, lightId);
    while (st.Step() == kSqliteRow) {
        KeyLightRecord& r = out.emplace_back();
        r.keylight_id = st.ColumnInt(0);
        r.profile = st.ColumnInt(1);
        r.light_id = st.ColumnInt(2);
        r.key_code = st.ColumnInt(3);
        r.key_rgb = st.ColumnInt(4);
    }
    return static_cast<int>(out.size());
}

}  // namespace KeyForge
