#include "scan/rarlibrary.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "scan/libarchivesupport.h"
#include "scan/mediascan.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The statuses the listing ends with; the scan only tells zero from the rest.
constexpr int kEndOfArchive = 10;
constexpr int kBadData = 12;

bool& AbsentSwitch() {
    static bool absent = [] {
        const char* value = std::getenv("SHELVIX_NO_RAR");
        return value && *value;
    }();
    return absent;
}

// A time as a DOS date and time in local time, as RAR 4 stores it; 0 (no valid date) outside
// the years DOS dates can hold.
uint32_t DosDateTimeOf(time_t time) {
    struct tm local;
    if (!localtime_r(&time, &local)) return 0;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return 0;
    const uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(local.tm_mon + 1) << 5 |
                          uint32_t(local.tm_mday);
    const uint32_t clock = uint32_t(local.tm_hour) << 11 | uint32_t(local.tm_min) << 5 |
                           uint32_t(local.tm_sec / 2);
    return date << 16 | clock;
}

class TLibarchiveRar final : public IRarArchive {
public:
    // Takes over the file, a plain file of `size` bytes.
    TLibarchiveRar(int fd, int64_t size) : source_(fd, size, nullptr) {}
    ~TLibarchiveRar() override {
        if (reader_) archive_read_free(reader_);
    }
    TLibarchiveRar(const TLibarchiveRar&) = delete;
    TLibarchiveRar& operator=(const TLibarchiveRar&) = delete;

    // Only the RAR readers: a file named .rar that holds another format is no RAR archive.
    bool Open() {
        const TUtf8Names utf8;
        reader_ = archive_read_new();
        return reader_ && archive_read_support_format_rar(reader_) == ARCHIVE_OK &&
               archive_read_support_format_rar5(reader_) == ARCHIVE_OK &&
               source_.Attach(reader_, false) && archive_read_open1(reader_) == ARCHIVE_OK;
    }

    // A solid archive is unpacked to pass a member, block by block: each block is a chance to
    // see Stop, which then ends the listing.
    void Watch(const ScanControl* control) override { source_.Watch(control); }

    int ReadHeader(RarHeader& header) override {
        if (ended_) return kEndOfArchive;
        archive_entry* entry = nullptr;
        const TUtf8Names utf8;
        const int status = archive_read_next_header(reader_, &entry);
        if (status == ARCHIVE_EOF) return End(kEndOfArchive);
        // A warning still delivers the header (an encrypted member's data, a name that did not
        // convert); a member whose data cannot be skipped ends the listing at the skip.
        if ((status != ARCHIVE_OK && status != ARCHIVE_WARN) || !entry) return End(kBadData);
        // Every header lies further into the file than the one before. Should a damaged archive
        // lead the reader back to where it was, the listing ends instead of going round.
        const int64_t position = archive_filter_bytes(reader_, -1);
        if (position <= position_) return End(kBadData);
        position_ = position;

        // The folder bit is rebuilt from the member's file type: libarchive keeps the archive's
        // attribute word to itself and reports the type it derives from it.
        const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        header.FileName = MemberPath(entry, folder);
        header.FileAttr = folder ? faDirectory : 0;
        header.UnpSize = archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0
                             ? archive_entry_size(entry)
                             : 0;
        header.FileTime = 0;
        header.Date.reset();
        if (archive_entry_mtime_is_set(entry)) {
            // RAR 4 stores a DOS date and time, RAR 5 a Unix or Windows time stamp.
            if (archive_format(reader_) == ARCHIVE_FORMAT_RAR)
                header.FileTime = DosDateTimeOf(archive_entry_mtime(entry));
            else
                header.Date = UnixTimeToLocalDate(archive_entry_mtime(entry));
        }
        return 0;
    }

    int SkipMember() override {
        if (ended_) return kEndOfArchive;
        const int status = archive_read_data_skip(reader_);
        return status == ARCHIVE_OK || status == ARCHIVE_WARN ? 0 : End(kBadData);
    }

private:
    int End(int status) {
        ended_ = true;
        return status;
    }

    TArchiveSource source_;
    archive* reader_ = nullptr;
    int64_t position_ = -1;
    bool ended_ = false;
};

} // namespace

void SetRarLibraryAbsent(bool absent) { AbsentSwitch() = absent; }
bool RarLibraryAbsent() { return AbsentSwitch(); }

int ProbeRarLibrary() { return RarLibraryAbsent() ? -1 : archive_version_number(); }

std::unique_ptr<IRarArchive> OpenRarArchive(const std::string& path) {
    if (RarLibraryAbsent()) return nullptr;
    // Only a regular file: a pipe or a device named .rar (or put in the archive's place since
    // the scan looked) would block the read or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto rar = std::make_unique<TLibarchiveRar>(fd, st.st_size);
    if (!rar->Open()) return nullptr;
    return rar;
}

int InstallRarListing() {
    const int version = ProbeRarLibrary();
    SetRarOpener(version >= 0 ? RarOpener(OpenRarArchive) : RarOpener());
    return version;
}
