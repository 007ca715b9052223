#include "savepair.h"

#include <algorithm>

#include "IO_BZIP.h"
#include "faults.h"

#include <algorithm>
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
        file->NoteFaultsAs(target); // a failed write names the file it stands for
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
    NoteFileFault(target, errno); // the file it stands for: a read-only folder, a full disk
    name.clear();
    return nullptr;
}

std::string NameIndexFileName(const std::string& indexName) {
    const size_t slash = indexName.rfind('/');
    const size_t dot = indexName.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 &&
                              (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? indexName.substr(0, dot) : indexName) + ".SXI";
}

bool PairWritable(const std::string& indexName, const std::string& dataName) {
    // Tried rather than worked out from permission bits: a read-only mount refuses even root,
    // and root's rights ignore the bits.
    std::string probe;
    if (!CreateTemporaryBeside(indexName, "probe", probe)) return false;
    ::unlink(probe.c_str());
    const auto replaceable = [](const std::string& path) {
        if (::access(path.c_str(), F_OK) != 0) return true;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            NoteFileFault(path, errno);
            return false;
        }
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

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool SameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

// After a rename that reported failure: whether it happened all the same (a share may answer
// an error for a rename it carried out). The file open as `file` is then under `to`.
bool RenamedAnyway(const std::string& from, const std::string& to, const TFileStream& file) {
    return !Exists(from) && SameFile(FileStamp::Of(to), FileStamp::OfHandle(file.Handle()));
}

enum class TLock { Absent, Held, InUse, Failed };

// An existing target locked for writing: exclusive, on a descriptor open for writing (NFS
// refuses an exclusive lock on one open for reading), and on the file its name leads to.
TLock LockTarget(const std::string& path, std::unique_ptr<TFileStream>& held) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno == ENOENT) return TLock::Absent;
            NoteFileFault(path, errno);
            return TLock::Failed;
        }
        if (!LockPatiently(fd, LOCK_EX)) {
            const int error = errno;
            ::close(fd);
            NoteFileFault(path, error);
            return error == EWOULDBLOCK ? TLock::InUse : TLock::Failed;
        }
        held = TFileStream::Adopt(fd);
        if (SameFile(FileStamp::Of(path), FileStamp::OfHandle(fd))) return TLock::Held;
        held.reset(); // a commit put another file there meanwhile
    }
    NoteFileFault(path, EWOULDBLOCK);
    return TLock::InUse;
}

} // namespace

PairWriter::PairWriter(std::string indexName, std::string dataName)
    : indexName_(std::move(indexName)), dataName_(std::move(dataName)) {}

PairWriter::~PairWriter() {
    data_.reset();
    index_.reset();
    // The ready index goes first: beside a vanished new data file it would read as committed.
    for (const std::string* name : {&indexReady_, &dataTemp_, &indexTemp_, &oldData_})
        if (!name->empty()) ::unlink(name->c_str());
    for (auto* list : {&companions_, &followers_})
        for (Companion& c : *list) {
            c.file.reset();
            if (!c.temp.empty()) ::unlink(c.temp.c_str());
        }
    // Last: while the lock file is there and locked, every other file of this save is ours.
    if (!lockName_.empty()) ::unlink(lockName_.c_str());
    lock_.reset();
}

TStream* PairWriter::BeginData() {
    if (faults::Fail("create-data")) return nullptr;
    lock_ = CreateTemporaryBeside(indexName_, "lock", lockName_);
    if (!lock_) return nullptr;
    tag_ = lockName_.substr(indexName_.size() + std::string(".lock-").size());
    dataTemp_ = dataName_ + ".new-" + tag_;
    data_ = OpenTemporary(dataName_, dataTemp_);
    if (!data_) dataTemp_.clear();
    return data_.get();
}

TFileStream* PairWriter::BeginCompanion(const std::string& target) { return Begin(companions_, target); }

TFileStream* PairWriter::BeginFollower(const std::string& target) { return Begin(followers_, target); }

TFileStream* PairWriter::Begin(std::vector<Companion>& list, const std::string& target) {
    if (tag_.empty()) return nullptr;
    Companion c{target + ".new-" + tag_, target, nullptr};
    c.file = OpenTemporary(target, c.temp);
    if (!c.file) return nullptr;
    list.push_back(std::move(c));
    return list.back().file.get();
}

bool PairWriter::PlaceFollowers() {
    bool placed = false;
    for (Companion& c : followers_) {
        if (faults::Fail("place-follower") ||
            (::rename(c.temp.c_str(), c.target.c_str()) != 0 &&
             !RenamedAnyway(c.temp, c.target, *c.file)))
            continue; // a cache: the commit goes on without it
        c.temp.clear();
        placed = true;
    }
    return placed;
}

void PairWriter::DropPlacedFollowers() {
    for (Companion& c : followers_)
        if (c.temp.empty()) ::unlink(c.target.c_str());
    placedFollowers_ = false;
}

void PairWriter::AbandonFollower(const TFileStream* file) {
    const auto it = std::find_if(followers_.begin(), followers_.end(),
                                 [file](const Companion& c) { return c.file.get() == file; });
    if (it == followers_.end()) return;
    it->file.reset();
    ::unlink(it->temp.c_str());
    followers_.erase(it);
}

bool PairWriter::PlacedFollower(const std::string& target) const {
    return placedFollowers_ && std::any_of(followers_.begin(), followers_.end(), [&](const Companion& c) {
               return c.target == target && c.temp.empty();
           });
}

PairWriter::Result PairWriter::Commit(const TMemoryStream& index, const TExpected* expected) {
    if (!data_ || !data_->Sync() || faults::Fail("sync-data")) return Result::Failed;
    if (faults::Fail("create-index")) return Result::Failed;
    indexTemp_ = indexName_ + ".new-" + tag_;
    index_ = OpenTemporary(indexName_, indexTemp_);
    if (!index_) indexTemp_.clear();
    if (!index_ || !CompressToFile(index, *index_) || !index_->Sync() || faults::Fail("sync-index"))
        return Result::Failed;
    for (auto* list : {&companions_, &followers_})
        for (Companion& c : *list)
            if (!c.file->Sync()) return Result::Failed;

    // The index first: while a saver holds it, readers wait at its lock and the data file's
    // readers drain, so a window reading contents back to back cannot keep a commit out.
    std::unique_ptr<TFileStream>& oldIndex = heldIndex_;
    std::unique_ptr<TFileStream>& oldData = heldData_;
    const TLock indexLock = LockTarget(indexName_, oldIndex);
    const TLock dataLock = indexLock == TLock::InUse || indexLock == TLock::Failed
                               ? TLock::Failed
                               : LockTarget(dataName_, oldData);
    for (TLock lock : {indexLock, dataLock}) {
        if (lock == TLock::InUse) return Result::InUse;
        if (lock == TLock::Failed) return Result::Failed;
    }
    if (faults::Fail("lock-targets")) return Result::InUse;
    if (expected) {
        const auto same = [](const FileStamp& was, const std::unique_ptr<TFileStream>& now) {
            return now ? was == FileStamp::OfHandle(now->Handle()) : !was.exists;
        };
        if (!same(expected->index, oldIndex) || !same(expected->data, oldData)) {
            NoteFileReason(indexName_, "changed on disk by another program since it was read");
            return Result::ChangedOnDisk;
        }
    } else if (!oldIndex && oldData) {
        NoteFileReason(dataName_, "a data file without its index is in the way");
        return Result::LoneDataFile;
    }
    // The backup copies hold the pair that is still in place, so they may go first.
    if (faults::Fail("place-companions")) return Result::Failed;
    for (Companion& c : companions_) {
        if (::rename(c.temp.c_str(), c.target.c_str()) != 0 &&
            !RenamedAnyway(c.temp, c.target, *c.file)) {
            NoteFileFault(c.target, errno);
            return Result::Failed;
        }
        c.temp.clear();
    }
    const Result result = PutInPlace();
    if (result == Result::Done) {
        data_.reset(); // the new data's lock goes before the old ones
        heldIndex_.reset(), heldData_.reset();
    } else if (result == Result::Failed && !oldData_.empty() && Exists(dataName_)) {
        ::unlink(oldData_.c_str()); // the old data's second name, before its stamp is taken
        oldData_.clear();
    }
    return result;
}

bool PairWriter::OldPairStamps(FileStamp& index, FileStamp& data) const {
    if (!heldIndex_ && !heldData_) return false;
    index = heldIndex_ ? FileStamp::OfHandle(heldIndex_->Handle()) : FileStamp{};
    data = heldData_ ? FileStamp::OfHandle(heldData_->Handle()) : FileStamp{};
    // Only while the names still lead to them: otherwise the pair in place is not the old one.
    return (!heldIndex_ || FileStamp::Of(indexName_) == index) &&
           (!heldData_ || FileStamp::Of(dataName_) == data);
}

PairWriter::Result PairWriter::PutInPlace() {
    // The ready index marks the commit: from here, whether the new data file is in place says
    // which pair the next open keeps, and the ready index names the data file it belongs to.
    const std::string ready = indexName_ + ".ready-" + tag_;
    if (faults::Fail("ready-index") || ::rename(indexTemp_.c_str(), ready.c_str()) != 0) {
        if (!RenamedAnyway(indexTemp_, ready, *index_)) {
            NoteFileFault(indexName_, errno);
            return Result::Failed;
        }
    }
    indexTemp_.clear();
    indexReady_ = ready;
    SyncFolderOf(indexName_);
    // A second name for the old data file until the index is in place: if the index cannot be
    // put there, the old data goes back and the old pair stays whole. FAT, exFAT and many shares
    // have no hard links: there the old data file moves aside instead.
    bool aside = false;
    if (Exists(dataName_)) {
        oldData_ = dataName_ + ".old-" + tag_;
        if (faults::Fail("link-old") || ::link(dataName_.c_str(), oldData_.c_str()) != 0) {
            aside = true;
            if (faults::Fail("aside-old") || ::rename(dataName_.c_str(), oldData_.c_str()) != 0) {
                const int error = errno;
                if (Exists(dataName_) || !Exists(oldData_)) { // it did not move: nothing did
                    oldData_.clear();
                    NoteFileFault(dataName_, error);
                    return Undo(false) ? Result::Failed : Result::Interrupted;
                }
            }
        }
    }
    // The followers in place name the old data: they go before it does, so that none ever
    // stands beside a data file it does not describe.
    for (const Companion& c : followers_) ::unlink(c.target.c_str());
    if (faults::Fail("rename-data") || ::rename(dataTemp_.c_str(), dataName_.c_str()) != 0) {
        const int error = errno;
        if (!RenamedAnyway(dataTemp_, dataName_, *data_)) {
            NoteFileFault(dataName_, error);
            return Undo(aside) ? Result::Failed : Result::Interrupted;
        }
    }
    dataTemp_.clear();
    SyncFolderOf(dataName_);
    placedFollowers_ = PlaceFollowers();
    if (placedFollowers_) SyncFolderOf(indexName_);
    if (faults::Fail("rename-index") || ::rename(indexReady_.c_str(), indexName_.c_str()) != 0) {
        const int error = errno;
        if (!RenamedAnyway(indexReady_, indexName_, *index_)) {
            NoteFileFault(indexName_, error);
            // One rename takes the old data back over the new: it happens whole or not at all.
            // When it does not, the ready index and the new data stay, and the next open
            // finishes the commit.
            if (!oldData_.empty() && !faults::Fail("undo-data") &&
                ::rename(oldData_.c_str(), dataName_.c_str()) == 0) {
                oldData_.clear();
                DropPlacedFollowers(); // they name the new data, which is gone again
                SyncFolderOf(dataName_);
                return Result::Failed; // the ready index goes with the writer
            }
            indexReady_.clear();
            oldData_.clear();
            return Result::Interrupted;
        }
    }
    indexReady_.clear();
    SyncFolderOf(indexName_);
    return Result::Done; // the old data's second name goes with the writer
}

// Takes back the ready index once the new data is known not to be in place, after bringing the
// old data back under its name when it had moved aside. False when that move fails: then
// every file stays for the next open, which restores the old data.
bool PairWriter::Undo(bool asideDone) {
    if (asideDone && !oldData_.empty()) {
        if (faults::Fail("undo-data") || ::rename(oldData_.c_str(), dataName_.c_str()) != 0) {
            indexReady_.clear();
            oldData_.clear();
            dataTemp_.clear();
            return false;
        }
        oldData_.clear();
    }
    if (!indexReady_.empty() && ::unlink(indexReady_.c_str()) == 0) indexReady_.clear();
    return true;
}
