#include "savepair.h"

#include "IO_BZIP.h"
#include "faults.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::unique_ptr<TFileStream> CreateTemporaryBeside(const std::string& target, const char* purpose,
                                                   std::string& name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + "." + purpose + "-" + std::to_string(::getpid()) + "-" +
               std::to_string(++counter);
        auto file = TFileStream::Open(name, TFileStream::Mode::CreateExclusive);
        if (file) {
            file->NoteFaultsAs(target);
            // The new file keeps the permissions of the one it replaces.
            struct stat st {};
            if (::stat(target.c_str(), &st) == 0) ::fchmod(file->Handle(), st.st_mode & 07777);
            return file;
        }
        if (errno != EEXIST) break;
    }
    NoteFileFault(target, errno); // the file it stands for: a read-only folder, a full disk
    name.clear();
    return nullptr;
}

namespace {

// An existing target must be writable by us and not in use by another program.
bool TargetFree(const std::string& path, int& lockHandle) {
    lockHandle = -1;
    if (::access(path.c_str(), F_OK) != 0) return true;
    if (::access(path.c_str(), W_OK) != 0) {
        NoteFileFault(path, errno);
        return false;
    }
    lockHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (lockHandle >= 0 && ::flock(lockHandle, LOCK_EX | LOCK_NB) == 0) return true;
    NoteFileFault(path, errno); // in use by another program
    return false;
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

PairWriter::PairWriter(std::string indexName, std::string dataName)
    : indexName_(std::move(indexName)), dataName_(std::move(dataName)) {}

PairWriter::~PairWriter() {
    data_.reset();
    if (!dataTemp_.empty()) ::unlink(dataTemp_.c_str());
    if (!indexTemp_.empty()) ::unlink(indexTemp_.c_str());
    if (!oldDataLink_.empty()) ::unlink(oldDataLink_.c_str());
}

TStream* PairWriter::BeginData() {
    if (faults::Fail("create-data")) return nullptr;
    data_ = CreateTemporaryBeside(dataName_, "new", dataTemp_);
    return data_.get();
}

bool PairWriter::Commit(const TMemoryStream& index) {
    if (!data_ || !data_->Sync() || faults::Fail("sync-data")) return false;
    if (faults::Fail("create-index")) return false;
    auto indexFile = CreateTemporaryBeside(indexName_, "new", indexTemp_);
    if (!indexFile || !CompressToFile(index, *indexFile) || !indexFile->Sync() ||
        faults::Fail("sync-index"))
        return false;

    int indexLock = -1, dataLock = -1;
    const bool free = TargetFree(indexName_, indexLock) && TargetFree(dataName_, dataLock) &&
                      !faults::Fail("lock-targets");
    auto unlock = [&] {
        if (indexLock >= 0) ::close(indexLock);
        if (dataLock >= 0) ::close(dataLock);
    };
    if (!free) {
        unlock();
        return false;
    }
    // Keep a second name for the old data file until the index is in place: if the index
    // cannot be put there, the old data goes back and the old pair stays whole.
    if (::access(dataName_.c_str(), F_OK) == 0) {
        oldDataLink_ = dataName_ + ".old-" + std::to_string(::getpid());
        ::unlink(oldDataLink_.c_str());
        if (::link(dataName_.c_str(), oldDataLink_.c_str()) != 0) oldDataLink_.clear();
    }
    if (faults::Fail("rename-data") || ::rename(dataTemp_.c_str(), dataName_.c_str()) != 0) {
        NoteFileFault(dataName_, errno);
        unlock();
        return false;
    }
    dataTemp_.clear();
    if (faults::Fail("rename-index") || ::rename(indexTemp_.c_str(), indexName_.c_str()) != 0) {
        NoteFileFault(indexName_, errno);
        if (!oldDataLink_.empty() && ::rename(oldDataLink_.c_str(), dataName_.c_str()) == 0)
            oldDataLink_.clear();
        unlock();
        return false;
    }
    indexTemp_.clear();
    unlock();
    data_.reset();
    SyncFolderOf(indexName_);
    return true;
}
