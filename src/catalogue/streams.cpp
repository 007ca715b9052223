#include "streams.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "faults.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {
std::mutex faultLock;
TFileFault lastFault;
} // namespace

void NoteFileFault(const std::string& path, int error) {
    const int saved = errno;
    {
        std::lock_guard<std::mutex> hold(faultLock);
        lastFault = {path, error, {}};
    }
    errno = saved;
}

TFileFault LastFileFault() {
    std::lock_guard<std::mutex> hold(faultLock);
    return lastFault;
}

void NoteFileReason(const std::string& path, std::string reason) {
    std::lock_guard<std::mutex> hold(faultLock);
    lastFault = {path, EIO, std::move(reason)};
}

std::string FaultText(const TFileFault& fault) {
    if (!fault.reason.empty()) return fault.reason;
    return fault.error != 0 ? std::strerror(fault.error) : std::string();
}

void ClearFileFault() { NoteFileFault(std::string(), 0); }

namespace {
std::atomic<int> lockPatience{5000};
} // namespace

void SetLockPatience(int milliseconds) { lockPatience = milliseconds; }
int LockPatience() { return lockPatience; }

bool LockPatiently(int fd, int operation) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockPatience);
    for (auto pause = std::chrono::microseconds(500);; pause = std::min(pause * 2, std::chrono::microseconds(20000))) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= until) {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(pause);
    }
}

namespace {
FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.seconds = st.st_mtim.tv_sec;
    stamp.nanoseconds = st.st_mtim.tv_nsec;
    stamp.size = st.st_size;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.changeSeconds = st.st_ctim.tv_sec;
    stamp.changeNanoseconds = st.st_ctim.tv_nsec;
    return stamp;
}
} // namespace

FileStamp FileStamp::Of(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return StampOf(st);
}

FileStamp FileStamp::OfHandle(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return StampOf(st);
}

int64_t TStream::Remaining() const {
    const int64_t size = Size();
    if (size < 0) return -1;
    const int64_t left = size - Position();
    return left > 0 ? left : 0;
}

TMemoryStream::~TMemoryStream() { std::free(data_); }

bool TMemoryStream::Reserve(size_t capacity) {
    if (capacity <= capacity_) return true;
    if (capacity > limit_) return false;
    size_t grown = capacity_ < 256 ? 256 : capacity_ + capacity_ / 2;
    if (grown < capacity) grown = capacity;
    if (grown > limit_) grown = limit_;
    char* data = static_cast<char*>(std::realloc(data_, grown));
    if (!data) return false;
    data_ = data;
    capacity_ = grown;
    return true;
}

size_t TMemoryStream::WriteSlow(const void* buffer, size_t count) {
    if (count == 0) return 0;
    if (count > SIZE_MAX - position_ || !Reserve(position_ + count)) return 0;
    if (position_ > size_) std::memset(data_ + size_, 0, position_ - size_);
    std::memcpy(data_ + position_, buffer, count);
    position_ += count;
    if (position_ > size_) size_ = position_;
    return count;
}

bool TMemoryStream::Seek(int64_t position) {
    if (position < 0) return false;
    position_ = static_cast<size_t>(position);
    return true;
}

void TMemoryStream::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = position_ = 0;
}

char* TMemoryStream::AppendSpace(size_t count) {
    if (count > SIZE_MAX - size_ || !Reserve(size_ + count)) return nullptr;
    return data_ + size_;
}

void TMemoryStream::CommitAppend(size_t count) {
    size_ += count;
    position_ = size_;
}

std::unique_ptr<TFileStream> TFileStream::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC | O_NONBLOCK;
    int lock = LOCK_SH;
    switch (mode) {
    case Mode::ReadOnly: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::CreateExclusive:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        lock = LOCK_EX;
        break;
    case Mode::CreateOrTruncate:
        flags |= O_RDWR | O_CREAT;
        lock = LOCK_EX;
        break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    const auto fail = [&path, fd](int error) {
        NoteFileFault(path, error);
        if (fd >= 0) ::close(fd);
        errno = error;
        return nullptr;
    };
    if (fd < 0) return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (!S_ISREG(st.st_mode)) return fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    if (mode == Mode::CreateExclusive) {
        if (::flock(fd, lock | LOCK_NB) != 0) return fail(errno);
    } else {
        // In use by another program: a commit ends in moments, a reader's block read too. A
        // commit also puts new files under the name meanwhile: the lock must be on the file the
        // name leads to once it is had.
        if (!LockPatiently(fd, lock)) return fail(errno);
        struct stat now {};
        if (::stat(path.c_str(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
            ::close(fd);
            return Open(path, mode);
        }
    }
    // Truncated only once the lock is held, so a reader elsewhere never sees a half-cut file.
    if (mode == Mode::CreateOrTruncate && ::ftruncate(fd, 0) != 0) return fail(errno);
    return std::unique_ptr<TFileStream>(new TFileStream(fd, path));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t got = ::pread(fd_, out + done, count - done, position_ + done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    position_ += static_cast<int64_t>(done);
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    const size_t asked = count;
    count = faults::LimitWrite(count);
    if (count < asked) NoteFileFault(path_, ENOSPC); // a write cut short stands for a full disk
    size_t done = 0;
    const char* in = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t put = ::pwrite(fd_, in + done, count - done, position_ + done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            NoteFileFault(path_, put < 0 ? errno : ENOSPC);
            break;
        }
        done += static_cast<size_t>(put);
    }
    position_ += static_cast<int64_t>(done);
    return done;
}

bool TFileStream::Seek(int64_t position) {
    if (position < 0) return false;
    position_ = position;
    return true;
}

int64_t TFileStream::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

bool TFileStream::Sync() {
    if (::fsync(fd_) == 0) return true;
    NoteFileFault(path_, errno);
    return false;
}
