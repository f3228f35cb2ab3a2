// posix_spawn behind StartDetachedProgram.
#include "app/store/ProgramLauncher.h"

#include <signal.h>
#include <spawn.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace KeyForge {

int StartDetachedProgram(const std::string& path, const std::string& workingFolder, std::string* error) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // Keyboard handles, the single-instance lock and sockets stay with this process.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // The installer must not inherit a blocked or ignored signal from a worker thread.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string argument0 = path;
    char* argv[] = {argument0.data(), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (error) *error = "cannot start " + path + ": " + std::strerror(rc);
        return -1;
    }
    return static_cast<int>(pid);
}

}  // namespace KeyForge
