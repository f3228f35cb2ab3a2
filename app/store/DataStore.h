// The keyboard store: one SQLite file per keyboard model holding its profiles, key
// functions, lighting, macros and music-light layer, behind one connection and one
// recursive lock that the window thread and the worker share.
//
// Errors: operations report failure by value and never throw or log: inserts return
// the new row id or 0, bool operations false, single-row reads false (their output
// unchanged), counts 0, list reads an empty list and 0. A closed store fails every
// operation this way.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/store/SQLiteDB.h"
#include "app/store/StoreRecords.h"

namespace KeyForge {

class SQLiteStatement;

/// The lighting mode number of the per-key colour effect.
inline constexpr std::int32_t kPerKeyLightMode = 128;
/// Macro type of a key that plays a stored macro (macro_value is the macro id).
inline constexpr std::int32_t kKeyTypeMacro = 3;

/// The store of the current keyboard model.
class DataStore : public SQLiteDB {
public:
    /// A closed store. The program uses the one of Instance(); tests make their own.
    DataStore() = default;
    /// Closes the connection if it is open.
    ~DataStore() override;

    /// The process-wide store, created on first use.
    static DataStore& Instance();

    /// Path of a model's store file: `dataFolder` (ending in '/'), "db/", the model
    /// name and "_data_v1.db".
    static std::string StoreFilePath(const std::string& dataFolder, const std::string& modelName);

    // ---- Lifecycle. These also take the lock, so a model switch never closes the
    // connection under an operation running on another thread.

    /// Opens the model's file in `dataFolder`'s db folder, creating it with the full
    /// schema when it does not exist. Already connected to that file: true at once;
    /// connected to another file: that one is closed first. The result is kept as the
    /// opened flag. The db folder must exist.
    bool OpenDeviceStore(const std::string& dataFolder, const std::string& modelName);
    /// Deletes the model's file with its write-ahead log and shared-memory index,
    /// closing the connection first when it is to that file. Failures are ignored.
    void DeleteDeviceStore(const std::string& dataFolder, const std::string& modelName);
    /// Creates the file at the current path with every table and index; true when
    /// connected already or every statement succeeded.
    bool CreateTables();
    /// Writes the eleven default configuration rows (profile 1); results are ignored.
    void InsertDefaultConfig();
    /// Closes the connection and clears the opened flag.
    void CloseStore();
    /// Result of the last open; false after CloseStore.
    bool IsOpened() const;
    /// Full path of the current store file ("" before the first open).
    std::string GetPath() const;

    // ---- Profiles (t_profile_data)

    /// Adds a profile with the record's name and app, status 0 and type 0; the new id or 0.
    int AddProfile(const ProfileRecord& record);
    /// Removes the profile row only; its rows in the other tables stay.
    bool DeleteProfile(int profile);
    /// Gives a profile a new name.
    bool RenameProfile(int profile, const std::string& name);
    /// The profile's name ("" first); true when the profile exists.
    bool GetProfileName(int profile, std::string& name);
    /// Every profile in table order; the count.
    int GetProfiles(std::vector<ProfileRecord>& out);
    /// Clears the active mark of every profile, then marks this one.
    bool SetActiveProfile(int profile);
    /// The active profile's id, 0 when none is marked.
    int GetActiveProfile();

    // ---- Music-light layer (t_musiclayer_data): always profile 1 and layer 1.

    /// Number of layers of profile 1, 0 on failure.
    int GetMusicLayerCount();
    /// Adds a layer to profile 1 (amplitude 300, back brightness 100, not selected).
    int AddMusicLayer(const std::string& name, int foreMode);
    /// Reads one layer; true when found.
    bool GetMusicLayer(int layerId, MusicLayerRecord& out);
    /// Stores the record's device index, modes, amplitude and back brightness in layer 1.
    bool UpdateMusicLayer(const MusicLayerRecord& record);
    /// Marks layer 1 of profile 1 as the one in use.
    bool SelectMusicLayer();
    /// The layer in use of profile 1, 0 when none.
    int GetSelectedMusicLayer();

    // ---- Key functions (t_key_macro_data) and PC-side key actions (t_key_otherdata)

    /// Replaces the key's function on its profile and layer. Key code 0: nothing, 0.
    /// macro_value and macro_value2 both 0: the key's row is removed (its default
    /// function) and the result is 0. Otherwise the new key id, 0 on failure.
    int SaveKeyFunction(const KeyFunctionRecord& record);
    /// Reads one key's function; true when the key has a row.
    bool GetKeyFunction(int profile, int fnLayer, int keyCode, KeyFunctionRecord& out);
    /// Every key function of a profile's layer, in table order; the count.
    int GetKeyFunctions(int profile, int fnLayer, std::vector<KeyFunctionRecord>& out);
    /// Removes every key function of a profile, on all layers.
    void DeleteKeyFunctions(int profile);
    /// Stores the texts of a PC-side key action; the new id (the key's macro_value) or 0.
    int AddKeyOtherData(const std::string& desc, const std::string& param, int type);
    /// Reads a PC-side key action. Always true; the outputs change only when the row exists.
    bool GetKeyOtherData(int id, std::string& desc, std::string& param, int& type);

    // ---- Lighting (t_light_data, t_key_light_data)

    /// Number of lighting modes stored for a profile, 0 on failure.
    int GetLightCount(int profile);
    /// Adds a lighting mode row from the record; the new id or 0.
    int AddLight(const LightRecord& record);
    /// Stores the record's settings in the (profile, mode) row.
    bool UpdateLight(int profile, int mode, const LightRecord& record);
    /// Clears the active mark in every row of every profile, then marks (profile, mode).
    bool SetActiveLight(int profile, int mode);
    /// The profile's active mode, 0 when none.
    int GetActiveLightMode(int profile);
    /// Reads the (profile, mode) row; true when found.
    bool GetLight(int profile, int mode, LightRecord& out);
    /// Every lighting mode of a profile, in table order; the count.
    int GetLights(int profile, std::vector<LightRecord>& out);
    /// Inserts the per-key colours in one transaction (a failed row does not stop the
    /// others); the number of rows inserted.
    int AddKeyLights(const std::vector<KeyLightRecord>& records);
    /// Removes the per-key colours (mode 128) of every profile.
    bool DeleteKeyLights();
    /// Every per-key colour of a lighting mode number; the count.
    int GetKeyLights(int lightId, std::vector<KeyLightRecord>& out);

    // ---- Macros (t_macro_data, t_macrorecord)

    /// Adds a macro played once, with recorded delays; the new id or 0.
    int AddMacro(const std::string& name);
    /// Adds a macro with the record's playback settings and name; the new id or 0.
    int InsertMacro(const MacroInfo& record);
    /// Gives a macro a new name.
    bool RenameMacro(int macroId, const std::string& name);
    /// Stores the record's play count, delay type and delay time.
    bool UpdateMacroPlayback(const MacroInfo& record);
    /// Removes a macro, its steps and every key (any profile and layer) that played it.
    bool DeleteMacro(int macroId);
    /// The macro's play count; true when found.
    bool GetMacroPlayTimes(int macroId, int& count);
    /// Reads one macro; true when found.
    bool GetMacro(int macroId, MacroInfo& out);
    /// Every macro in table order; the count.
    int GetMacros(std::vector<MacroInfo>& out);
    /// Adds one step; the new record id or 0.
    int AddMacroStep(const MacroStep& step);
    /// Adds the steps in list order in one transaction (a failed step does not stop the
    /// others); the number of steps inserted.
    int AddMacroSteps(const std::vector<MacroStep>& steps);
    /// The macro's steps by ascending record_index; the count.
    int GetMacroSteps(int macroId, std::vector<MacroStep>& out);
    /// Removes every step of a macro.
    bool DeleteMacroSteps(int macroId);
    /// Number of the macro's steps whose type is not 1.
    int CountMacroActions(int macroId);

    // ---- Units of several operations

    /// Runs `body` (which calls operations of this store) as one unit: the lock is held
    /// throughout, and its writes are committed only when it returns true; otherwise,
    /// or when the commit fails, they are rolled back. False on a closed store.
    bool RunAtomically(const std::function<bool()>& body);

private:
    // True when a write's (last) step finished: 0, 100 or 101.
    static bool StepSucceeded(int rc);
    // Steps an insert; the new row id (low 32 bits) or 0.
    int StepInsert(SQLiteStatement& statement);
    // Steps a statement whose first column is a count or id; 0 when there is no row.
    static int StepSingleInt(SQLiteStatement& statement);
    void CloseLocked();

    mutable std::recursive_mutex m_lock;
    std::string m_path;
    bool m_opened = false;
};

}  // namespace KeyForge
