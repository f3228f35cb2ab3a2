// minizip-based extraction with names confined to the target folder. Every path is
// opened relative to a directory descriptor without following links, and files are
// written under a temporary name and renamed into place, so neither a link nor a hard
// link already in the folder can lead a write outside it.
#include "app/store/ZipExtractor.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <set>
#include <vector>

#include "app/store/Paths.h"
#include "app/store/TextCodec.h"

namespace KeyForge {

namespace {

constexpr uLong kFlagEncrypted = 0x0001;
constexpr uLong kFlagUtf8Name = 0x0800;
constexpr unsigned kHostUnix = 3;
constexpr uLong kDosDirectory = 0x10;

// Length in bytes of the UTF-8 character starting the text.
std::size_t FirstCharLength(std::string_view text) {
    const auto c = static_cast<unsigned char>(text[0]);
    std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return n <= text.size() ? n : text.size();
}

// One pass of the name clean-up: true when something was removed.
bool StripOnce(std::string& name) {
    if (name.empty()) return false;
    const std::size_t first = FirstCharLength(name);
    if (name.size() > first && name[first] == ':') {
        name.erase(0, first + 1);
        return true;
    }
    if (name[0] == '\\' || name[0] == '/') {
        name.erase(0, 1);
        return true;
    }
    for (const char* climb : {"\\..\\", "\\../", "/../", "/..\\"}) {
        const std::size_t at = name.find(climb);
        if (at != std::string::npos) {
            name.erase(0, at + 4);
            return true;
        }
    }
    return false;
}

struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd, o.fd);
        return *this;
    }
};

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// Opens (creating when missing) the folders of `parts` below `root`, never following a link.
Fd OpenFolders(int root, const std::vector<std::string>& parts, std::size_t count) {
    Fd current(::dup(root));
    for (std::size_t i = 0; i < count && current.fd >= 0; ++i) {
        if (::mkdirat(current.fd, parts[i].c_str(), 0755) != 0 && errno != EEXIST) return Fd();
        current = Fd(::openat(current.fd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return current;
}

timespec EntryTime(const tm_unz& t) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>(t.tm_sec);
    tm.tm_min = static_cast<int>(t.tm_min);
    tm.tm_hour = static_cast<int>(t.tm_hour);
    tm.tm_mday = static_cast<int>(t.tm_mday);
    tm.tm_mon = static_cast<int>(t.tm_mon);
    tm.tm_year = static_cast<int>(t.tm_year) - 1900;
    tm.tm_isdst = -1;  // zip times are local times
    const std::time_t seconds = std::mktime(&tm);
    timespec ts{};
    ts.tv_sec = seconds == static_cast<std::time_t>(-1) ? 0 : seconds;
    return ts;
}

std::string DecodeEntryName(const char* raw, uLong flags) {
    if (flags & kFlagUtf8Name) return SanitizeUtf8(raw);
    std::string utf8;
    ConvertToUtf8(raw, CodePageName(SystemCodePage()), utf8);
    return utf8;
}

enum class EntryKind { File, Folder, Other };

EntryKind KindOf(const unz_file_info64& info, const std::string& rawName) {
    if (!rawName.empty() && (rawName.back() == '/' || rawName.back() == '\\')) return EntryKind::Folder;
    if ((info.version >> 8) == kHostUnix) {
        const auto mode = static_cast<mode_t>(info.external_fa >> 16);
        switch (mode & S_IFMT) {
            case 0:
            case S_IFREG:
                break;
            case S_IFDIR:
                return EntryKind::Folder;
            default:
                return EntryKind::Other;  // links, devices, pipes, sockets
        }
    }
    if (info.external_fa & kDosDirectory) return EntryKind::Folder;
    return EntryKind::File;
}

// Copies the current entry's data into a new file; false when reading or writing failed.
bool CopyEntry(unzFile zip, int fd, std::uint64_t expectedSize, std::uint64_t& total, std::uint64_t limit,
               bool& overLimit) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
    char buffer[65536];
    bool ok = true;
    std::uint64_t size = 0;
    for (;;) {
        const int n = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            ok = false;
            break;
        }
        total += static_cast<std::uint64_t>(n);
        size += static_cast<std::uint64_t>(n);
        if (total > limit) {
            overLimit = true;
            ok = false;
            break;
        }
        std::size_t done = 0;
        while (ok && done < static_cast<std::size_t>(n)) {
            const ssize_t w = ::write(fd, buffer + done, static_cast<std::size_t>(n) - done);
            if (w >= 0)
                done += static_cast<std::size_t>(w);
            else if (errno != EINTR)
                ok = false;
        }
        if (!ok) break;
    }
    // Closing checks the CRC, but only when the entry's declared size was reached; a
    // stream that ends early must not pass for the whole file.
    if (unzCloseCurrentFile(zip) != UNZ_OK || size != expectedSize) ok = false;
    return ok;
}

struct ZipCloser {
    void operator()(unzFile zip) const { unzClose(zip); }
};

}  // namespace

std::string SafeEntryName(std::string_view name) {
    std::string s(name);
    while (StripOnce(s)) {
    }
    for (char& c : s)
        if (c == '\\') c = '/';
    // What the clean-up above leaves ("../x", "x/..", "./x", "a//b") is settled per
    // component: a parent-folder component drops everything before it, as above.
    std::vector<std::string> kept;
    for (std::string& part : SplitPath(s)) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            kept.clear();
            continue;
        }
        kept.push_back(std::move(part));
    }
    std::string out;
    for (const std::string& part : kept) {
        if (!out.empty()) out += '/';
        out += part;
    }
    return out;
}

ExtractReport ExtractArchive(const std::string& archivePath, const std::string& targetFolder,
                             const ExtractLimits& limits) {
    ExtractReport report;
    std::unique_ptr<void, ZipCloser> zipHolder(unzOpen64(archivePath.c_str()));
    unzFile zip = zipHolder.get();
    if (!zip) return report;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) return report;
    report.opened = true;

    auto refuse = [&report](std::string reason) {
        report.refused = true;
        report.reason = std::move(reason);
        return report;
    };
    if (global.number_entry > limits.maxEntries)
        return refuse("more than " + std::to_string(limits.maxEntries) + " entries");

    // The sizes the directory declares are checked before anything is written; the
    // bytes actually unpacked are counted as well.
    std::uint64_t declared = 0;
    std::uint64_t entries = 0;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return refuse("damaged directory");
        declared += info.uncompressed_size;
        if (++entries > limits.maxEntries)
            return refuse("more than " + std::to_string(limits.maxEntries) + " entries");
        if (declared > limits.maxTotalBytes)
            return refuse("more than " + std::to_string(limits.maxTotalBytes) + " bytes unpacked");
    }

    if (!CreateFolderPath(targetFolder)) return refuse("cannot create " + targetFolder);
    const Fd root(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0) return refuse("cannot open " + targetFolder);

    std::set<std::string> seen;
    std::uint64_t total = 0;
    unsigned serial = 0;
    std::vector<char> rawName(65536 + 1, '\0');
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, rawName.data(), 65536, nullptr, 0, nullptr, 0) != UNZ_OK) {
            ++report.skipped;
            continue;
        }
        const std::string name = DecodeEntryName(rawName.data(), info.flag);
        const EntryKind kind = KindOf(info, name);
        const std::string safe = SafeEntryName(name);
        if (safe.empty() || kind == EntryKind::Other ||
            (kind == EntryKind::File && (info.flag & kFlagEncrypted))) {
            ++report.skipped;
            continue;
        }
        const std::vector<std::string> parts = SplitPath(safe);
        if (kind == EntryKind::Folder) {
            const Fd folder = OpenFolders(root.fd, parts, parts.size());
            folder.fd >= 0 ? ++report.folders : ++report.skipped;
            continue;
        }
        // The first entry of a name wins; a later one could replace a checked file.
        if (!seen.insert(safe).second) {
            ++report.skipped;
            continue;
        }
        const Fd folder = OpenFolders(root.fd, parts, parts.size() - 1);
        if (folder.fd < 0) {
            ++report.skipped;
            continue;
        }
        const std::string& leaf = parts.back();
        const std::string temp = ".kf-unpack-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        Fd file(
            ::openat(folder.fd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (file.fd < 0) {
            ++report.skipped;
            continue;
        }
        bool overLimit = false;
        bool ok = CopyEntry(zip, file.fd, info.uncompressed_size, total, limits.maxTotalBytes, overLimit);
        const timespec when = EntryTime(info.tmu_date);
        const timespec times[2] = {when, when};
        ok = ok && ::fchmod(file.fd, 0644) == 0 && ::futimens(file.fd, times) == 0;
        ok = (::close(file.fd) == 0) && ok;
        file.fd = -1;
        if (ok) ok = ::renameat(folder.fd, temp.c_str(), folder.fd, leaf.c_str()) == 0;
        if (!ok) {
            ::unlinkat(folder.fd, temp.c_str(), 0);
            ++report.skipped;
            if (overLimit)
                return refuse("more than " + std::to_string(limits.maxTotalBytes) + " bytes unpacked");
            continue;
        }
        ++report.written;
    }
    return report;
}

bool ExtractAll(const std::string& archivePath, const std::string& targetFolder,
                const ExtractLimits& limits) {
    const ExtractReport report = ExtractArchive(archivePath, targetFolder, limits);
    return report.opened && !report.refused;
}

}  // namespace KeyForge
