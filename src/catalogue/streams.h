// Byte streams the field readers and writers work on: an in-memory stream that every
// record is built in, and a file stream with the advisory locks that stand in for sharing modes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

// Which file a name led to and how it was then: device, inode, size, modification and change
// time. Any difference between two stamps counts as a change: another program saved, copied or
// touched the file.
struct FileStamp {
    bool exists = false;
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    int64_t size = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t changeSeconds = 0;
    int64_t changeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
    static FileStamp Of(const std::string& path);
    static FileStamp OfHandle(int fd);
};

class TStream {
public:
    virtual ~TStream() = default;
    // Both return the number of bytes moved; fewer than asked means end of data or an error.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Absolute position; false when the stream cannot move there.
    virtual bool Seek(int64_t position) = 0;
    virtual int64_t Position() const = 0;
    // Total length, or -1 when unknown.
    virtual int64_t Size() const = 0;
    // Bytes left behind the position, or -1 when unknown.
    int64_t Remaining() const;
};

// A growable buffer. Writing past the end extends it; reading never does.
class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    // Inline: records are read and written a few bytes at a time, millions of times.
    size_t Read(void* buffer, size_t count) override {
        const size_t left = position_ < size_ ? size_ - position_ : 0;
        if (count > left) count = left;
        if (count) std::memcpy(buffer, data_ + position_, count);
        position_ += count;
        return count;
    }
    size_t Write(const void* buffer, size_t count) override {
        if (position_ != size_ || count > capacity_ - size_) return WriteSlow(buffer, count);
        // An empty stream has no buffer, and memcpy must not be given a null pointer.
        if (count) std::memcpy(data_ + size_, buffer, count);
        size_ += count;
        position_ = size_;
        return count;
    }
    // The next `count` bytes in place, or none when fewer remain; moves past them.
    const char* Take(size_t count) {
        if (position_ > size_ || count > size_ - position_) return nullptr;
        const char* bytes = data_ + position_;
        position_ += count;
        return bytes;
    }
    bool Seek(int64_t position) override;
    int64_t Position() const override { return static_cast<int64_t>(position_); }
    int64_t Size() const override { return static_cast<int64_t>(size_); }

    const char* Data() const { return data_; }
    std::string ToString() const { return std::string(data_ ? data_ : "", size_); }
    void Clear();
    // Empties the stream but keeps its buffer for the next use.
    void Rewrite() { size_ = position_ = 0; }
    size_t Capacity() const { return capacity_; }
    // Room for `count` more bytes at the end; the caller fills some of it and commits what it filled.
    char* AppendSpace(size_t count);
    void CommitAppend(size_t count);
    // Refuses growth beyond this many bytes (a guard against hostile compressed data).
    void SetLimit(size_t limit) { limit_ = limit; }
    bool Reserve(size_t capacity);

private:
    size_t WriteSlow(const void* buffer, size_t count);
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t position_ = 0;
    size_t limit_ = SIZE_MAX;
};

// An open file. Shared lock for readers, exclusive for writers; a lock that cannot be had at once
// makes the open fail, as another program holding the file would.
// The last file operation that failed, with the system's reason (an errno value), for the
// second line of a file error: "/home/anna/Discs.SXD: No such file or directory". Set where a
// file cannot be found, opened, created, written, flushed or replaced; cleared when a load, a
// save or a backup begins. Shared by all threads.
struct TFileFault {
    std::string path;
    int error = 0; // 0: none noted
    std::string reason; // said instead of the system's text for `error` when not empty
};
void NoteFileFault(const std::string& path, int error);
// A fault the system has no errno for: "Home.SXD: belongs to another index".
void NoteFileReason(const std::string& path, std::string reason);
TFileFault LastFileFault();
// What the fault says of its file: its own reason, or the system's text for its error.
std::string FaultText(const TFileFault& fault);
void ClearFileFault();

// How long an open waits for a lock that another program holds (a commit is over in
// milliseconds, a reader holds the data file while it reads one block); tests shorten it.
void SetLockPatience(int milliseconds);
int LockPatience();
// Takes `operation` (LOCK_SH or LOCK_EX) on `fd`, trying again for LockPatience() while another
// program holds a lock that conflicts. False with errno set otherwise.
bool LockPatiently(int fd, int operation);

class TFileStream final : public TStream {
public:
    enum class Mode { ReadOnly, ReadWrite, CreateExclusive, CreateOrTruncate };
    // A file that cannot be opened is noted as the last file fault.
    static std::unique_ptr<TFileStream> Open(const std::string& path, Mode mode);
    // Takes over `fd`, a descriptor the caller has opened and examined: no lock is taken.
    static std::unique_ptr<TFileStream> Adopt(int fd) {
        return std::unique_ptr<TFileStream>(new TFileStream(fd, {}));
    }
    ~TFileStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    bool Seek(int64_t position) override;
    int64_t Position() const override { return position_; }
    int64_t Size() const override;
    // Flushes the file's data to the disk.
    bool Sync();
    int Handle() const { return fd_; }
    // The name a failed write or flush is noted under: a temporary file stands for the file
    // it is going to replace.
    void NoteFaultsAs(std::string path) { path_ = std::move(path); }

private:
    TFileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
    int64_t position_ = 0;
};
