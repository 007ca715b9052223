// Settling what saves stopped for good left beside a pair, before it is read or written: a save
// whose new data file already stood in place is finished, one whose data did not is undone,
// and the temporaries of every ended save go. Whether a save still runs is told by the lock it
// holds on its own lock file for its whole life, never by its process number.
#include "savepair.h"

#include "backups.h"
#include "faults.h"
#include "mediaclasses.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool IsTag(std::string_view tag) {
    const size_t dash = tag.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == tag.size()) return false;
    for (size_t i = 0; i < tag.size(); ++i)
        if (i != dash && !std::isdigit(static_cast<unsigned char>(tag[i]))) return false;
    return true;
}

bool StartsWith(std::string_view name, std::string_view prefix, bool ignoreCase) {
    if (name.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const unsigned char a = name[i], b = prefix[i];
        if (a != b && !(ignoreCase && std::tolower(a) == std::tolower(b))) return false;
    }
    return true;
}

// The files one save left, by their names as the folder spells them.
struct TLeftovers {
    std::string lock, ready, indexNew, dataNew, dataOld;
    std::vector<std::string> others; // backup copies and name indexes being made, write probes
};

std::map<std::string, TLeftovers> FindLeftovers(const std::string& indexName,
                                                const std::string& dataName) {
    const bool folded = FolderIgnoresCase(indexName);
    struct Kind {
        std::string folder, prefix;
        std::string TLeftovers::*slot; // none: one of the others
    };
    const std::vector<Kind> kinds = {
        {FolderOf(indexName), BaseName(indexName) + ".lock-", &TLeftovers::lock},
        {FolderOf(indexName), BaseName(indexName) + ".ready-", &TLeftovers::ready},
        {FolderOf(indexName), BaseName(indexName) + ".new-", &TLeftovers::indexNew},
        {FolderOf(dataName), BaseName(dataName) + ".new-", &TLeftovers::dataNew},
        {FolderOf(dataName), BaseName(dataName) + ".old-", &TLeftovers::dataOld},
        {FolderOf(indexName), BaseName(indexName) + ".probe-", nullptr},
        {FolderOf(indexName), BaseName(IndexBackupName(indexName)) + ".new-", nullptr},
        {FolderOf(indexName), BaseName(DataBackupName(indexName)) + ".new-", nullptr},
        {FolderOf(indexName), BaseName(NameIndexFileName(indexName)) + ".new-", nullptr},
    };
    std::map<std::string, TLeftovers> found;
    std::vector<std::string> folders = {FolderOf(indexName)};
    if (FolderOf(dataName) != folders[0]) folders.push_back(FolderOf(dataName));
    for (const std::string& folder : folders) {
        DIR* listing = ::opendir(folder.c_str());
        if (!listing) continue;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view name = entry->d_name;
            for (const Kind& kind : kinds) {
                if (kind.folder != folder || !StartsWith(name, kind.prefix, folded)) continue;
                const std::string_view tag = name.substr(kind.prefix.size());
                if (!IsTag(tag)) continue;
                TLeftovers& l = found[std::string(tag)];
                const std::string path = folder + "/" + std::string(name);
                if (kind.slot) l.*kind.slot = path;
                else l.others.push_back(path);
                break;
            }
        }
        ::closedir(listing);
    }
    return found;
}

// Whether a file is locked by a living process: its lock goes when the process ends, whatever
// its number, its namespace or its machine (for a lock a share keeps).
bool LockedElsewhere(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno != ENOENT; // what cannot be looked at is left alone
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// The lock of a save that ended, taken so that no second opener settles the same files; an
// invalid descriptor with `alive` set while the save runs.
int TakeEndedLock(const TLeftovers& l, bool& alive) {
    alive = false;
    if (l.lock.empty()) {
        // No lock file: a save of this program has ended (its lock file goes last). A file that
        // is locked all the same belongs to a running writer that keeps its own lock on it.
        for (const std::string* path : {&l.ready, &l.indexNew, &l.dataNew})
            if (!path->empty() && LockedElsewhere(*path)) alive = true;
        for (const std::string& path : l.others)
            if (LockedElsewhere(path)) alive = true;
        return -1;
    }
    int fd = ::open(l.lock.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (fd >= 0) {
        ::close(fd);
        alive = errno == EWOULDBLOCK || errno == EINTR;
        return -1;
    }
    if (errno == ENOENT) return -1; // the save has just ended
    // A folder that cannot be written: a shared lock still tells whether the save runs.
    alive = LockedElsewhere(l.lock);
    return -1;
}

// What became of one ended save, from the files it left.
enum class TVerdict {
    OldStands,   // its new data never reached its place
    RestoreOld,  // its old data had moved aside and its new data is not in place
    NewStands,   // its new data is in place and its ready index names it
    FirstPair,   // the first save of a pair: nothing old, its new data still beside
    Stale,       // a ready index for a data file that is no longer in place
    Unreadable,  // a ready index beside the new data that cannot be read: kept, the open refused
    NoCommit,    // it never began to put its pair in place
};

TVerdict Judge(const TLeftovers& l, const std::string& dataName) {
    const bool data = Exists(dataName);
    if (l.ready.empty()) return TVerdict::NoCommit;
    if (!data) {
        if (!l.dataOld.empty()) return TVerdict::RestoreOld;
        return l.dataNew.empty() ? TVerdict::Stale : TVerdict::FirstPair;
    }
    if (!l.dataNew.empty()) return TVerdict::OldStands;
    bool readable = false;
    const TDataIdentity named = DataIdentityOfIndexFile(l.ready, &readable);
    // A ready index of an earlier version names no data file: its new data went in place just
    // before the index would have, as that version's own rule had it.
    if (!named.known) return readable ? TVerdict::NewStands : TVerdict::Unreadable;
    return DataFileIs(dataName, named) ? TVerdict::NewStands : TVerdict::Stale;
}

bool Unwritable(int error) { return error == EROFS || error == EACCES || error == EPERM; }

} // namespace

bool FolderIgnoresCase(const std::string& path) {
    struct statfs fs {};
    if (::statfs(FolderOf(path).c_str(), &fs) == 0 &&
        (fs.f_type == 0x4d44 /* FAT */ || fs.f_type == 0x2011BAB0 /* exFAT */))
        return true;
    // Elsewhere (FAT through FUSE, a share, a folder ext4 folds) the file system is asked: the
    // name in other letters leads to a file too, and the folder lists only one of the two.
    const std::string base = BaseName(path);
    std::string other = base;
    for (char& c : other) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) c = static_cast<char>(std::islower(u) ? std::toupper(u) : std::tolower(u));
    }
    const std::string folder = FolderOf(path);
    if (other == base || !Exists(path) || !Exists(folder + "/" + other)) return false;
    bool listedBase = false, listedOther = false;
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            listedBase |= base == entry->d_name;
            listedOther |= other == entry->d_name;
        }
        ::closedir(listing);
    }
    return !(listedBase && listedOther);
}

std::string FileBehindLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(size_t(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0) return current;
        target.resize(size_t(length));
        current = target[0] == '/' ? target : FolderOf(current) + "/" + target;
    }
    return path; // a loop of links leads nowhere
}

TSettle FinishInterruptedSave(const std::string& indexName, const std::string& dataName) {
    TSettle result;
    bool changed = false, running = false;
    for (auto& [tag, l] : FindLeftovers(indexName, dataName)) {
        bool alive = false;
        const int lock = TakeEndedLock(l, alive);
        if (alive) {
            running |= !l.ready.empty(); // still writing its temporaries: the old pair stands
            continue;
        }
        if (faults::Fail("settle")) { // a test stops here, as a kill would
            if (lock >= 0) ::close(lock);
            continue;
        }
        const TVerdict verdict = Judge(l, dataName);
        int failure = 0;
        const auto move = [&](const std::string& from, const std::string& to) {
            if (failure == 0 && ::rename(from.c_str(), to.c_str()) != 0) failure = errno;
            changed = true;
        };
        const auto drop = [&](const std::string& path) {
            if (failure == 0 && !path.empty() && ::unlink(path.c_str()) != 0 && errno != ENOENT)
                failure = errno;
            changed = true;
        };
        switch (verdict) {
        case TVerdict::RestoreOld: move(l.dataOld, dataName); break;
        case TVerdict::NewStands: move(l.ready, indexName); break;
        case TVerdict::FirstPair: move(l.dataNew, dataName), move(l.ready, indexName); break;
        default: break;
        }
        if (verdict == TVerdict::Unreadable) {
            result = {TSettle::State::Leftover, l.ready};
        } else {
            if (verdict != TVerdict::NewStands && verdict != TVerdict::FirstPair) drop(l.ready);
            drop(l.indexNew);
            // The data files go only while a data file stands in place: otherwise one of them
            // may be the only data there is.
            if (Exists(dataName)) drop(l.dataNew), drop(l.dataOld);
            for (const std::string& other : l.others) drop(other);
        }
        if (failure != 0 && Unwritable(failure)) {
            // A folder turned read-only (a stick remounted after errors, a disc, a share):
            // nothing can be settled here, so the open reads what is whole.
            if (verdict == TVerdict::NewStands) result = {TSettle::State::ReadReady, l.ready};
            else if (verdict == TVerdict::RestoreOld || verdict == TVerdict::FirstPair)
                result = {TSettle::State::Leftover, verdict == TVerdict::RestoreOld ? l.dataOld : l.dataNew};
        } else if (failure != 0) {
            NoteFileFault(indexName, failure);
        }
        if (lock >= 0) {
            if (failure == 0) ::unlink(l.lock.c_str());
            ::close(lock);
        }
    }
    if (changed) SyncFolderOf(indexName);
    if (running && result.state == TSettle::State::Settled) result.state = TSettle::State::SaveRunning;
    return result;
}

TSettle SettlePair(const std::string& indexName, const std::string& dataName) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(LockPatience());
    for (;;) {
        TSettle settled = FinishInterruptedSave(indexName, dataName);
        if (settled.state != TSettle::State::SaveRunning || std::chrono::steady_clock::now() >= until)
            return settled;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
