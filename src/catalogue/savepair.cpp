#include "savepair.h"

#include "IO_BZIP.h"
#include "faults.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

namespace {

// A new file `name`, locked, with the permissions of `target` when it exists.
std::unique_ptr<TFileStream> OpenTemporary(const std::string& target, const std::string& name) {
    auto file = TFileStream::Open(name, TFileStream::Mode::CreateExclusive);
    if (file) {
        // The new file keeps the permissions of the one it replaces.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) ::fchmod(file->Handle(), st.st_mode & 07777);
    }
    return file;
}

} // namespace

std::unique_ptr<TFileStream> CreateTemporaryBeside(const std::string& target, const char* purpose,
                                                   std::string& name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + "." + purpose + "-" + std::to_string(::getpid()) + "-" +
               std::to_string(++counter);
        if (auto file = OpenTemporary(target, name)) return file;
        if (errno != EEXIST) break;
    }
    name.clear();
    return nullptr;
}

namespace {

// An existing target must be writable by us and not in use by another program.
bool TargetFree(const std::string& path, int& lockHandle) {
    lockHandle = -1;
    if (::access(path.c_str(), F_OK) != 0) return true;
    if (::access(path.c_str(), W_OK) != 0) return false;
    lockHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return lockHandle >= 0 && ::flock(lockHandle, LOCK_EX | LOCK_NB) == 0;
}

} // namespace

bool PairWritable(const std::string& indexName, const std::string& dataName) {
    // Tried rather than worked out from permission bits: a read-only mount refuses even root,
    // and root's rights ignore the bits.
    std::string probe;
    if (!CreateTemporaryBeside(indexName, "probe", probe)) return false;
    ::unlink(probe.c_str());
    const auto replaceable = [](const std::string& path) {
        if (::access(path.c_str(), F_OK) != 0) return true;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return false;
        ::close(fd);
        return true;
    };
    return replaceable(indexName) && replaceable(dataName);
}

void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The tag of a temporary name ("PID" or "PID-N") and whether its save may still be running.
bool ParseTag(const std::string& tag, bool& running) {
    size_t digits = 0;
    while (digits < tag.size() && std::isdigit(static_cast<unsigned char>(tag[digits]))) ++digits;
    if (digits == 0 || digits > 9) return false;
    if (digits < tag.size()) {
        if (tag[digits] != '-' || digits + 1 == tag.size()) return false;
        for (size_t i = digits + 1; i < tag.size(); ++i)
            if (!std::isdigit(static_cast<unsigned char>(tag[i]))) return false;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(tag.substr(0, digits)));
    running = pid != ::getpid() && (::kill(pid, 0) == 0 || errno == EPERM);
    return true;
}

// The tags of the files beside `path` named "<its name>.<kind>-TAG" of saves no longer running.
std::vector<std::string> EndedTags(const std::string& path, const std::string& kind) {
    std::vector<std::string> tags;
    const std::string prefix = BaseName(path) + "." + kind + "-";
    DIR* folder = ::opendir(FolderOf(path).c_str());
    if (!folder) return tags;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        bool running = true;
        if (name.compare(0, prefix.size(), prefix) == 0 &&
            ParseTag(name.substr(prefix.size()), running) && !running)
            tags.push_back(name.substr(prefix.size()));
    }
    ::closedir(folder);
    return tags;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

} // namespace

void FinishInterruptedSave(const std::string& indexName, const std::string& dataName) {
    bool changed = false;
    for (const std::string& tag : EndedTags(indexName, "ready")) {
        const std::string ready = indexName + ".ready-" + tag, newData = dataName + ".new-" + tag;
        if (Exists(newData)) {
            // The new data never reached its place: the old pair stands.
            const std::string oldData = dataName + ".old-" + tag;
            if (!Exists(dataName) && Exists(oldData)) ::rename(oldData.c_str(), dataName.c_str());
            ::unlink(ready.c_str());
        } else {
            ::rename(ready.c_str(), indexName.c_str()); // the new data is in place
        }
        changed = true;
    }
    const auto remove = [&](const std::string& path, const char* kind) {
        for (const std::string& tag : EndedTags(path, kind))
            changed |= ::unlink((path + "." + kind + "-" + tag).c_str()) == 0;
    };
    remove(dataName, "old");
    remove(dataName, "new");
    remove(indexName, "new");
    if (changed) SyncFolderOf(indexName);
}

PairWriter::PairWriter(std::string indexName, std::string dataName)
    : indexName_(std::move(indexName)), dataName_(std::move(dataName)) {}

PairWriter::~PairWriter() {
    data_.reset();
    // The ready index goes first: as long as it is there beside a vanished new data file, the
    // next open takes the new pair for committed.
    for (const std::string* name : {&indexReady_, &dataTemp_, &indexTemp_, &oldDataLink_})
        if (!name->empty()) ::unlink(name->c_str());
}

TStream* PairWriter::BeginData() {
    if (faults::Fail("create-data")) return nullptr;
    data_ = CreateTemporaryBeside(dataName_, "new", dataTemp_);
    if (data_) tag_ = dataTemp_.substr(dataName_.size() + 5);
    return data_.get();
}

bool PairWriter::Commit(const TMemoryStream& index) {
    if (!data_ || !data_->Sync() || faults::Fail("sync-data")) return false;
    if (faults::Fail("create-index")) return false;
    indexTemp_ = indexName_ + ".new-" + tag_;
    auto indexFile = OpenTemporary(indexName_, indexTemp_);
    if (!indexFile) indexTemp_.clear();
    if (!indexFile || !CompressToFile(index, *indexFile) || !indexFile->Sync() ||
        faults::Fail("sync-index"))
        return false;
    indexFile.reset();

    int indexLock = -1, dataLock = -1;
    const bool free = TargetFree(indexName_, indexLock) && TargetFree(dataName_, dataLock) &&
                      !faults::Fail("lock-targets");
    const bool done = free && PutInPlace();
    if (indexLock >= 0) ::close(indexLock);
    if (dataLock >= 0) ::close(dataLock);
    return done;
}

bool PairWriter::PutInPlace() {
    // Keep a second name for the old data file until the index is in place: if the index
    // cannot be put there, the old data goes back and the old pair stays whole.
    if (::access(dataName_.c_str(), F_OK) == 0) {
        oldDataLink_ = dataName_ + ".old-" + tag_;
        ::unlink(oldDataLink_.c_str());
        if (::link(dataName_.c_str(), oldDataLink_.c_str()) != 0) oldDataLink_.clear();
    }
    // The ready index marks the commit: from here, whether the new data file is in place says
    // which pair the next open keeps.
    const std::string ready = indexName_ + ".ready-" + tag_;
    if (faults::Fail("ready-index") || ::rename(indexTemp_.c_str(), ready.c_str()) != 0) return false;
    indexTemp_.clear();
    indexReady_ = ready;
    SyncFolderOf(indexName_);
    if (faults::Fail("rename-data") || ::rename(dataTemp_.c_str(), dataName_.c_str()) != 0) return false;
    const std::string newData = dataTemp_;
    dataTemp_.clear();
    SyncFolderOf(dataName_);
    if (faults::Fail("rename-index") || ::rename(indexReady_.c_str(), indexName_.c_str()) != 0) {
        // Undone in the order the next open would undo it: the new data back to its temporary
        // name (a ready index beside it means "not committed"), then the old data back.
        const bool undone =
            ::rename(dataName_.c_str(), newData.c_str()) == 0 &&
            (oldDataLink_.empty() || ::rename(oldDataLink_.c_str(), dataName_.c_str()) == 0);
        if (undone) {
            dataTemp_ = newData;
            oldDataLink_.clear();
        } else {
            // Left as they are for the next open, which finishes or undoes the commit.
            indexReady_.clear();
            oldDataLink_.clear();
        }
        return false;
    }
    indexReady_.clear();
    data_.reset();
    SyncFolderOf(indexName_);
    return true;
}
