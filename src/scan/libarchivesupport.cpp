#include "scan/libarchivesupport.h"

#include "scan/cp437.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <cstring>
#include <langinfo.h>

namespace {

// A wide name as UTF-8; a value that is no character becomes U+FFFD.
std::string Utf8Of(const wchar_t* wide) {
    std::string out;
    for (; wide && *wide; ++wide) AppendUtf8(out, static_cast<char32_t>(*wide));
    return out;
}

} // namespace

TUtf8Names::TUtf8Names() {
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (utf8 && std::strcmp(::nl_langinfo(CODESET), "UTF-8") != 0) previous_ = ::uselocale(utf8);
}

TUtf8Names::~TUtf8Names() {
    if (previous_) ::uselocale(previous_);
}

std::string MemberPath(archive_entry* entry, bool folder) {
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name) name = archive_entry_pathname(entry);
    std::string path = name ? name : Utf8Of(archive_entry_pathname_w(entry));
    for (char& c : path)
        if (c == '/') c = '\\';
    if (folder && path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

TArchiveSource::TArchiveSource(int fd, int64_t size, const ScanControl* control)
    : fd_(fd), size_(size), control_(control) {
    ::lseek(fd_, 0, SEEK_SET); // a descriptor shared with another reader may lie anywhere
}

TArchiveSource::TArchiveSource(archive* outer, const ScanControl* control)
    : outer_(outer), control_(control) {}

TArchiveSource::~TArchiveSource() {
    if (fd_ >= 0) ::close(fd_);
}

bool TArchiveSource::Attach(archive* reader, bool seek) {
    if (fd_ >= 0 && (archive_read_set_skip_callback(reader, Skip) != ARCHIVE_OK ||
                     (seek && archive_read_set_seek_callback(reader, Seek) != ARCHIVE_OK)))
        return false;
    return archive_read_set_read_callback(reader, Read) == ARCHIVE_OK &&
           archive_read_set_callback_data(reader, this) == ARCHIVE_OK;
}

ssize_t TArchiveSource::Read(archive* reader, void* self, const void** block) {
    auto& source = *static_cast<TArchiveSource*>(self);
    if (source.Stopped()) {
        archive_set_error(reader, ECANCELED, "stopped");
        return -1;
    }
    *block = source.block_.get();
    if (source.outer_) {
        const la_ssize_t got = archive_read_data(source.outer_, source.block_.get(), kBlockSize);
        return got < 0 ? -1 : got;
    }
    ssize_t got;
    do got = ::read(source.fd_, source.block_.get(), kBlockSize);
    while (got < 0 && errno == EINTR);
    return got;
}

// Data that need not be read is passed over, never beyond the end of the file, so that an
// archive cut short is noticed. 0 tells libarchive to read instead.
int64_t TArchiveSource::Skip(archive*, void* self, int64_t request) {
    auto& source = *static_cast<TArchiveSource*>(self);
    const off_t at = ::lseek(source.fd_, 0, SEEK_CUR);
    if (request <= 0 || at < 0 || at >= source.size_ || source.Stopped()) return 0;
    request = std::min<int64_t>(request, source.size_ - at);
    return ::lseek(source.fd_, request, SEEK_CUR) >= 0 ? request : 0;
}

int64_t TArchiveSource::Seek(archive*, void* self, int64_t offset, int whence) {
    const off_t at = ::lseek(static_cast<TArchiveSource*>(self)->fd_, offset, whence);
    return at < 0 ? ARCHIVE_FATAL : at;
}
