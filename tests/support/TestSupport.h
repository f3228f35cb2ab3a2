// Helpers shared by the tests: temporary folders, files, environment overrides and
// running a program with its output captured.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace KeyForge::TestUtil {

/// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, without a trailing '/'.
    const std::string& Path() const { return m_path; }
    /// Path of an entry inside it.
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

private:
    std::string m_path;
};

/// Sets an environment variable for the lifetime of the object (nullopt unsets it).
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

/// Writes bytes to a file, creating its folders; fails the test on error.
void WriteFile(const std::string& path, std::string_view bytes);
/// Reads a whole file ("" when missing).
std::string ReadFile(const std::string& path);

/// The folder of the built binaries and data files (with a trailing '/').
std::string BinFolder();

struct ProcessResult {
    int exitCode = -1;  // the exit status, or 128 + signal
    std::string out;
    std::string err;
};

/// Runs a program (argv[0] is a path) with extra environment variables, waits at most
/// `timeoutSeconds` (then kills it) and returns its exit code and output.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::vector<std::pair<std::string, std::string>>& env = {},
                         int timeoutSeconds = 60);

/// The environment a test gives the programs it runs as a user would run them: the XDG
/// folders inside `dir` (config/, data/, and `dir` itself as the runtime folder) and
/// `locale` as the only locale variable.
std::vector<std::pair<std::string, std::string>> UserEnvironment(const TempDir& dir,
                                                                 const std::string& locale = "en_US.UTF-8");

/// Runs BinFolder()/program with the arguments in UserEnvironment(dir, locale).
ProcessResult RunTool(const std::string& program, std::vector<std::string> args, const TempDir& dir,
                      const std::string& locale = "en_US.UTF-8", int timeoutSeconds = 60);

}  // namespace KeyForge::TestUtil
