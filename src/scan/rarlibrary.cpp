#include "scan/rarlibrary.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "scan/cp437.h"
#include "scan/mediascan.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
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

// A wide name as UTF-8; a value that is no character becomes U+FFFD.
std::string Utf8Of(const wchar_t* wide) {
    std::string out;
    for (; wide && *wide; ++wide) AppendUtf8(out, static_cast<char32_t>(*wide));
    return out;
}

// The member's path with '\' between its components. libarchive hands out '/' for either
// format; a folder may come with a closing separator, which would leave an empty entry name.
std::string MemberPath(archive_entry* entry, bool folder) {
    // The name as UTF-8 when the locale's character set lets libarchive convert it; else the
    // bytes the header holds; else (a RAR 4 name stored as Unicode, which the "C" locale cannot
    // take) the wide name. A member is never lost because its name did not convert.
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name) name = archive_entry_pathname(entry);
    std::string path = name ? name : Utf8Of(archive_entry_pathname_w(entry));
    for (char& c : path)
        if (c == '/') c = '\\';
    if (folder && path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

// libarchive converts member names to the character set of the calling thread's locale: in the
// "C" locale a RAR 4 name stored as Unicode (WinRAR's way with every name beyond ASCII) comes
// back as no name at all. While libarchive reads headers the thread therefore takes UTF-8, the
// character set names are kept in, whatever the process's locale.
class TUtf8Names {
public:
    TUtf8Names() {
        static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (utf8 && std::strcmp(::nl_langinfo(CODESET), "UTF-8") != 0) previous_ = ::uselocale(utf8);
    }
    ~TUtf8Names() {
        if (previous_) ::uselocale(previous_);
    }
    TUtf8Names(const TUtf8Names&) = delete;
    TUtf8Names& operator=(const TUtf8Names&) = delete;

private:
    locale_t previous_ = locale_t(0);
};

class TLibarchiveRar final : public IRarArchive {
public:
    // Takes over the file, a plain file of `size` bytes.
    TLibarchiveRar(int fd, int64_t size) : fd_(fd), size_(size) {}
    ~TLibarchiveRar() override {
        if (reader_) archive_read_free(reader_);
        ::close(fd_);
    }
    TLibarchiveRar(const TLibarchiveRar&) = delete;
    TLibarchiveRar& operator=(const TLibarchiveRar&) = delete;

    // Only the RAR readers: a file named .rar that holds another format is no RAR archive.
    bool Open() {
        const TUtf8Names utf8;
        reader_ = archive_read_new();
        return reader_ && archive_read_support_format_rar(reader_) == ARCHIVE_OK &&
               archive_read_support_format_rar5(reader_) == ARCHIVE_OK &&
               archive_read_set_read_callback(reader_, ReadBlock) == ARCHIVE_OK &&
               archive_read_set_skip_callback(reader_, SkipBytes) == ARCHIVE_OK &&
               archive_read_set_callback_data(reader_, this) == ARCHIVE_OK &&
               archive_read_open1(reader_) == ARCHIVE_OK;
    }

    void Watch(const ScanControl* control) override { control_ = control; }

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

    bool Stopped() const { return control_ && !control_->Continue(); }

    // libarchive reads the file through these two. A solid archive is unpacked to pass a member,
    // block by block: each block is a chance to see Stop, which then ends the listing.
    static la_ssize_t ReadBlock(archive* reader, void* self, const void** block) {
        auto& rar = *static_cast<TLibarchiveRar*>(self);
        if (rar.Stopped()) {
            archive_set_error(reader, ECANCELED, "stopped");
            return -1;
        }
        ssize_t got;
        do got = ::read(rar.fd_, rar.block_, sizeof rar.block_);
        while (got < 0 && errno == EINTR);
        *block = rar.block_;
        return got;
    }
    // Data that need not be unpacked is passed over without reading it, never beyond the end
    // of the file, so that an archive cut short is noticed. 0 tells libarchive to read instead.
    static la_int64_t SkipBytes(archive*, void* self, la_int64_t request) {
        auto& rar = *static_cast<TLibarchiveRar*>(self);
        const off_t at = ::lseek(rar.fd_, 0, SEEK_CUR);
        if (request <= 0 || at < 0 || at >= rar.size_ || rar.Stopped()) return 0;
        request = std::min<la_int64_t>(request, rar.size_ - at);
        return ::lseek(rar.fd_, request, SEEK_CUR) >= 0 ? request : 0;
    }

    archive* reader_ = nullptr;
    int fd_;
    int64_t size_;
    const ScanControl* control_ = nullptr;
    char block_[16 * 1024];
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
