// Store operations on profiles (t_profile_data) and the music-light layer
// (t_musiclayer_data).
#include "app/store/DataStore.h"
#include "app/store/SQLiteAutoTransaction.h"
#include "app/store/SQLiteStatement.h"

namespace KeyForge {

namespace {

// The music-light layer belongs to profile 1, and the program keeps a single layer.
constexpr int kMusicProfile = 1;
constexpr int kMusicLayer = 1;
constexpr int kDefaultAmplitude = 300;
constexpr int kDefaultBackBrightness = 100;

}  // namespace

int DataStore::AddProfile(const ProfileRecord& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);");
    st.BindText(1, record.name);
    st.BindInt(2, 0);
    st.BindText(3, record.app);
    st.BindInt(4, 0);
    return StepInsert(st);
}

bool DataStore::DeleteProfile(int profile) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "DELETE FROM t_profile_data WHERE profile = ?");
    st.BindInt(1, profile);
    return StepSucceeded(st.Step());
}

bool DataStore::RenameProfile(int profile, const std::string& name) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_profile_data SET name = ? WHERE profile = ?");
    st.BindText(1, name);
    st.BindInt(2, profile);
    return StepSucceeded(st.Step());
}

bool DataStore::GetProfileName(int profile, std::string& name) {
    std::lock_guard lock(m_lock);
    name.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT name FROM t_profile_data WHERE profile = ?");
    st.BindInt(1, profile);
    if (st.Step() != kSqliteRow) return false;
    name = st.ColumnString(0);
    return true;
}

int DataStore::GetProfiles(std::vector<ProfileRecord>& out) {
    std::lock_guard lock(m_lock);
    out.clear();
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_profile_data");
    while (st.Step() == kSqliteRow) {
        ProfileRecord& r = out.emplace_back();
        r.profile = st.ColumnInt(0);
        r.name = st.ColumnString(1);
        r.status = st.ColumnInt(2);
        r.app = st.ColumnString(3);
        r.type = st.ColumnInt(4);
    }
    return static_cast<int>(out.size());
}

bool DataStore::SetActiveProfile(int profile) {
    std::lock_guard lock(m_lock);
    // One transaction, so a crash between the two updates cannot leave no profile active.
    SQLiteAutoTransaction transaction(this);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_profile_data SET status = ?");
    st.BindInt(1, 0);
    st.Step();
    Prepare(st, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
    st.BindInt(1, 1);
    st.BindInt(2, profile);
    const bool done = StepSucceeded(st.Step());
    st.Finalize();
    transaction.End();
    return done;
}

int DataStore::GetActiveProfile() {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT profile FROM t_profile_data WHERE status = ?");
    st.BindInt(1, 1);
    return StepSingleInt(st);
}

int DataStore::GetMusicLayerCount() {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "select count(*) FROM t_musiclayer_data WHERE profile = ?");
    st.BindInt(1, kMusicProfile);
    return StepSingleInt(st);
}

int DataStore::AddMusicLayer(const std::string& name, int foreMode) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st,
            "INSERT INTO t_musiclayer_data(profile, name, deviceindex, foremode, fore_amplitude, backmode, "
            "backb_right, sel) VALUES (?, ?, ?, ?, ?, ?, ?, ?);");
    st.BindInt(1, kMusicProfile);
    st.BindText(2, name);
    st.BindInt(3, 0);
    st.BindInt(4, foreMode);
    st.BindInt(5, kDefaultAmplitude);
    st.BindInt(6, 0);
    st.BindInt(7, kDefaultBackBrightness);
    st.BindInt(8, 0);
    return StepInsert(st);
}

bool DataStore::GetMusicLayer(int layerId, MusicLayerRecord& out) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT * FROM t_musiclayer_data WHERE layer_id = ?");
    st.BindInt(1, layerId);
    if (st.Step() != kSqliteRow) return false;
    out.layer_id = st.ColumnInt(0);
    out.profile = st.ColumnInt(1);
    out.name = st.ColumnString(2);
    out.deviceindex = st.ColumnInt(3);
    out.foremode = st.ColumnInt(4);
    out.fore_amplitude = st.ColumnInt(5);
    out.backmode = st.ColumnInt(6);
    out.backb_right = st.ColumnInt(7);
    return true;
}

bool DataStore::UpdateMusicLayer(const MusicLayerRecord& record) {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st,
            "UPDATE t_musiclayer_data SET deviceindex= ?, foremode= ?, fore_amplitude = ?, backmode= ?, "
            "backb_right= ? WHERE layer_id = ?");
    st.BindInt(1, record.deviceindex);
    st.BindInt(2, record.foremode);
    st.BindInt(3, record.fore_amplitude);
    st.BindInt(4, record.backmode);
    st.BindInt(5, record.backb_right);
    st.BindInt(6, kMusicLayer);
    return StepSucceeded(st.Step());
}

bool DataStore::SelectMusicLayer() {
    std::lock_guard lock(m_lock);
    SQLiteAutoTransaction transaction(this);
    SQLiteStatement st;
    Prepare(st, "UPDATE t_musiclayer_data SET sel = ? WHERE profile = ?");
    st.BindInt(1, 0);
    st.BindInt(2, kMusicProfile);
    st.Step();
    Prepare(st, "UPDATE t_musiclayer_data SET sel = ? WHERE profile = ? AND layer_id = ?");
    st.BindInt(1, 1);
    st.BindInt(2, kMusicProfile);
    st.BindInt(3, kMusicLayer);
    const bool done = StepSucceeded(st.Step());
    st.Finalize();
    transaction.End();
    return done;
}

int DataStore::GetSelectedMusicLayer() {
    std::lock_guard lock(m_lock);
    SQLiteStatement st;
    Prepare(st, "SELECT layer_id FROM t_musiclayer_data WHERE profile = ? AND sel = ?");
    st.BindInt(1, kMusicProfile);
    st.BindInt(2, 1);
    return StepSingleInt(st);
}

}  // namespace KeyForge
