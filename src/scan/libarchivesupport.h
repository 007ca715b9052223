// What every reader built on libarchive shares: where its bytes come from, member names in
// UTF-8 whatever the process's locale, and the member path in the scan's form.
#pragma once

#include "scan/archivenesting.h"

#include <clocale>
#include <cstdint>
#include <locale.h>
#include <memory>
#include <sys/types.h>
#include <string>

struct archive;
struct archive_entry;

// libarchive converts member names to the character set of the calling thread's locale: in the
// "C" locale a name stored as Unicode (RAR 4 beyond ASCII, 7z, Joliet, pax) comes back as no
// name at all. While libarchive reads headers the thread therefore takes UTF-8, the character
// set names are kept in, whatever the process's locale.
class TUtf8Names {
public:
    TUtf8Names();
    ~TUtf8Names();
    TUtf8Names(const TUtf8Names&) = delete;
    TUtf8Names& operator=(const TUtf8Names&) = delete;

private:
    locale_t previous_ = locale_t(0);
};

// The member's path with '\' between its components: UTF-8 where libarchive can convert the
// name (the format says which character set it is in), else the bytes the header holds, else
// the wide name. A member is never lost because its name did not convert. A folder may come
// with a closing separator, which would leave an empty entry name: it is dropped.
std::string MemberPath(archive_entry* entry, bool folder);

// Where a reader's bytes come from: a plain file (an archive on the medium, or an inner one held
// in memory), or the data of the member an outer reader is at. Every block is a chance to see
// Stop, which ends the read as an error would.
class TArchiveSource {
public:
    static constexpr size_t kBlockSize = 64 * 1024;
    // Takes over `fd`, a plain file of `size` bytes, and reads it from its start.
    TArchiveSource(int fd, int64_t size, const ScanControl* control);
    TArchiveSource(archive* outer, const ScanControl* control);
    ~TArchiveSource();
    TArchiveSource(const TArchiveSource&) = delete;
    TArchiveSource& operator=(const TArchiveSource&) = delete;

    // What to consult between blocks; null: nothing.
    void Watch(const ScanControl* control) { control_ = control; }
    // Lets `reader` read from here. A file is skipped in without reading, and sought in when
    // `seek` (7z and ZIP find their directories so); a stream is only read.
    bool Attach(archive* reader, bool seek = true);

private:
    bool Stopped() const { return control_ && !control_->Continue(); }
    static ssize_t Read(archive* reader, void* self, const void** block);
    static int64_t Skip(archive* reader, void* self, int64_t request);
    static int64_t Seek(archive* reader, void* self, int64_t offset, int whence);

    int fd_ = -1;
    int64_t size_ = 0;
    archive* outer_ = nullptr;
    const ScanControl* control_;
    std::unique_ptr<char[]> block_{new char[kBlockSize]};
};
