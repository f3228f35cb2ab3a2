// Unpacks update packages (zip archives) into one folder, never writing outside it.
//
// Error convention: ExtractAll returns false when the archive cannot be opened or is
// refused as absurd; single entries that cannot be written are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace KeyForge {

/// Bounds that make an archive absurd; such an archive is refused.
struct ExtractLimits {
    std::uint64_t maxEntries = 10000;
    std::uint64_t maxTotalBytes = 2ULL * 1024 * 1024 * 1024;  ///< unpacked bytes of all entries
};

/// What happened to one archive.
struct ExtractReport {
    bool opened = false;   ///< the archive could be opened and its directory read
    bool refused = false;  ///< the archive is absurd (limits) or broken; extraction stopped
    std::string reason;    ///< why it was refused
    int written = 0;       ///< files written
    int folders = 0;       ///< directory entries created
    int skipped = 0;       ///< entries left out (unsafe name, link, device, encrypted, duplicate, damaged)
};

/// The path an entry name becomes inside the target folder, with '/' separators and
/// no trailing '/', or "" when nothing of it is left. Drive prefixes, leading
/// separators and everything up to a parent-folder component are removed (again
/// and again), so "C:\..\x", "/etc/x" and "a/../../x" land on "x" and "etc/x".
std::string SafeEntryName(std::string_view name);

/// Extracts every entry in archive order into `targetFolder` (created when missing):
/// names through SafeEntryName, missing folders created, files written with mode 0644
/// and the entry's time stamp. Links, devices, encrypted entries, entries whose data
/// fails its CRC and repeats of a name already written are skipped. Nothing is written
/// through a link or outside the folder.
ExtractReport ExtractArchive(const std::string& archivePath, const std::string& targetFolder,
                             const ExtractLimits& limits = {});

/// ExtractArchive reduced to a result: false when the archive cannot be opened or is refused.
bool ExtractAll(const std::string& archivePath, const std::string& targetFolder,
                const ExtractLimits& limits = {});

}  // namespace KeyForge
