#include "scan/archivelisting.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "scan/ZipDirReader.h"
#include "scan/cp437.h"
#include "scan/libarchivesupport.h"

#include <archive.h>
#include <archive_entry.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

namespace {

// How a reader is set up: the archive types, and ZIP in its two ways (by the central directory
// from a file, or header after header from a stream).
enum class ReaderKind { Type, ZipSeekable, ZipStreamable };

// Only the readers an archive of this name can be: a file named .iso holding a tar is no
// archive, as a ZIP that is no ZIP is none. Compression filters only for tar and cpio, and
// only those built into libarchive: none starts an outside program.
bool SupportFormat(archive* reader, ArchiveType type, ReaderKind kind) {
    if (kind == ReaderKind::ZipSeekable) return archive_read_support_format_zip_seekable(reader) == ARCHIVE_OK;
    if (kind == ReaderKind::ZipStreamable) return archive_read_support_format_zip_streamable(reader) == ARCHIVE_OK;
    switch (type) {
    case ArchiveType::SevenZip: return archive_read_support_format_7zip(reader) == ARCHIVE_OK;
    case ArchiveType::Iso: return archive_read_support_format_iso9660(reader) == ARCHIVE_OK;
    case ArchiveType::Cab: return archive_read_support_format_cab(reader) == ARCHIVE_OK;
    case ArchiveType::Lzh: return archive_read_support_format_lha(reader) == ARCHIVE_OK;
    case ArchiveType::Xar: return archive_read_support_format_xar(reader) == ARCHIVE_OK;
    case ArchiveType::Rar:
        return archive_read_support_format_rar(reader) == ARCHIVE_OK &&
               archive_read_support_format_rar5(reader) == ARCHIVE_OK;
    case ArchiveType::Tar:
    case ArchiveType::Cpio: {
        const int format = type == ArchiveType::Tar ? archive_read_support_format_tar(reader)
                                                    : archive_read_support_format_cpio(reader);
        using Filter = int (*)(archive*);
        for (const Filter filter :
             {archive_read_support_filter_gzip, archive_read_support_filter_bzip2,
              archive_read_support_filter_xz, archive_read_support_filter_lzma,
              archive_read_support_filter_lzip, archive_read_support_filter_zstd,
              archive_read_support_filter_lz4, archive_read_support_filter_compress})
            filter(reader); // a filter libarchive lacks leaves that compression unread
        return format == ARCHIVE_OK;
    }
    default: return false;
    }
}

// A reader open on `source`, or null when the bytes are no archive of the kind.
struct ReaderFree {
    void operator()(archive* reader) const { archive_read_free(reader); }
};
using Reader = std::unique_ptr<archive, ReaderFree>;

Reader OpenReader(TArchiveSource& source, ArchiveType type, ReaderKind kind = ReaderKind::Type) {
    const TUtf8Names utf8;
    Reader reader(archive_read_new());
    if (!reader || !SupportFormat(reader.get(), type, kind) || !source.Attach(reader.get()) ||
        archive_read_open1(reader.get()) != ARCHIVE_OK)
        return nullptr;
    return reader;
}

void ListInner(archive* outer, CFile* entry, const std::string& path, int64_t size, int depth,
               ArchiveListing& listing);

// The path of a member inside the archive at `archivePath`, for the scan window.
std::string InnerPath(const std::string& archivePath, std::string_view member) {
    std::string path = archivePath + "/";
    path += member;
    std::replace(path.begin() + std::ptrdiff_t(archivePath.size()), path.end(), '\\', '/');
    return path;
}

// The members libarchive reads, header after header; an archive member is listed from its data
// before the next header is asked for.
class TLibarchiveMembers final : public IMemberSource {
public:
    TLibarchiveMembers(archive* reader, const std::string& path, int depth, ArchiveListing& listing)
        : reader_(reader), path_(path), depth_(depth), listing_(listing) {}

    bool Next(MemberView& member) override {
        for (;;) {
            archive_entry* entry = nullptr;
            const TUtf8Names utf8;
            // A warning still delivers the header (a name that did not convert, an encrypted
            // member); anything worse ends the listing with what was placed.
            const int status = archive_read_next_header(reader_, &entry);
            if ((status != ARCHIVE_OK && status != ARCHIVE_WARN) || !entry) return false;
            const auto type = archive_entry_filetype(entry);
            const bool folder = type == AE_IFDIR;
            path_now_ = MemberPath(entry, folder);
            // The archive's own top ("." or "./" of a tar made of a folder, an image's root)
            // is the archive entry itself.
            if (folder && (path_now_ == "." || path_now_ == "\\")) continue;
            // Links take no room, as links on a disk: their target is counted where it lies.
            const bool link = type == AE_IFLNK || archive_entry_hardlink(entry) != nullptr;
            member.Path = path_now_;
            member.Attributes = folder ? faDirectory : 0;
            member.Size = !folder && !link && archive_entry_size_is_set(entry)
                              ? std::max<int64_t>(archive_entry_size(entry), 0)
                              : 0;
            member.DosDateTime = 0;
            member.Date = archive_entry_mtime_is_set(entry)
                              ? UnixTimeToLocalDate(archive_entry_mtime(entry))
                              : 0.0;
            return true;
        }
    }

    void Placed(CFile* entry, const MemberView& member) override {
        if (entry->Kind == kindArchive && depth_ < kArchiveDepth)
            ListInner(reader_, entry, InnerPath(path_, member.Path), member.Size, depth_ + 1,
                      listing_);
    }

private:
    archive* reader_;
    const std::string& path_;
    int depth_;
    ArchiveListing& listing_;
    std::string path_now_;
};

void ListLevel(archive* reader, CFile* entry, const std::string& path, int depth,
               ArchiveListing& listing) {
    TLibarchiveMembers members(reader, path, depth, listing);
    listing.unnamed += NestMembers(members, false, entry, *listing.control);
}

// Copies the data of the member being read into an anonymous file in memory; false when the
// data cannot be read whole or it would not be of `size` bytes.
int MemberInMemory(archive* outer, int64_t size, const ScanControl& control) {
    const int fd = ::memfd_create("shelvix-inner-archive", MFD_CLOEXEC);
    if (fd < 0) return -1;
    std::unique_ptr<char[]> block(new char[TArchiveSource::kBlockSize]);
    int64_t copied = 0;
    for (;;) {
        if (!control.Continue()) break;
        const la_ssize_t got = archive_read_data(outer, block.get(), TArchiveSource::kBlockSize);
        if (got <= 0 || copied + got > size) {
            if (got == 0 && copied == size && ::lseek(fd, 0, SEEK_SET) == 0) return fd;
            break;
        }
        for (la_ssize_t written = 0; written < got;) {
            const ssize_t n = ::write(fd, block.get() + written, size_t(got - written));
            if (n <= 0) {
                ::close(fd);
                return -1;
            }
            written += n;
        }
        copied += got;
    }
    ::close(fd);
    return -1;
}

void ListInner(archive* outer, CFile* entry, const std::string& path, int64_t size, int depth,
               ArchiveListing& listing) {
    const ArchiveType type = ArchiveTypeOf(entry->Name());
    if (type == ArchiveType::None || (type == ArchiveType::Rar && !listing.rar)) return;
    if (listing.onArchive) listing.onArchive(path);
    const bool seeks = type == ArchiveType::Zip || type == ArchiveType::SevenZip;
    if (seeks && size > 0 && size <= listing.memoryLeft) {
        const int fd = MemberInMemory(outer, size, *listing.control);
        if (fd < 0) return;
        listing.memoryLeft -= size;
        if (type == ArchiveType::Zip) {
            TZipDirReader reader;
            reader.Unattended = true;
            reader.UseDirOnlyEntries = true;
            ListZipFile(reader, fd, path, entry, depth, listing);
        } else {
            TArchiveSource source(fd, size, listing.control);
            if (Reader reader = OpenReader(source, type)) ListLevel(reader.get(), entry, path, depth, listing);
        }
        listing.memoryLeft += size;
        return;
    }
    // A 7z too large to hold has its directory at its end, out of reach of a stream; a ZIP
    // is read header after header instead.
    if (type == ArchiveType::SevenZip) return;
    TArchiveSource source(outer, listing.control);
    const ReaderKind kind = type == ArchiveType::Zip ? ReaderKind::ZipStreamable : ReaderKind::Type;
    if (Reader reader = OpenReader(source, type, kind)) ListLevel(reader.get(), entry, path, depth, listing);
}

int64_t FileSize(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : -1;
}

} // namespace

bool ListedByLibarchive(ArchiveType type) {
    return type != ArchiveType::None && type != ArchiveType::Zip && type != ArchiveType::Rar;
}

void ListArchiveFile(int fd, ArchiveType type, const std::string& path, CFile* entry,
                     ArchiveListing& listing) {
    const int64_t size = FileSize(fd);
    TArchiveSource source(fd, size, listing.control);
    if (size < 0 || !ListedByLibarchive(type)) return;
    if (Reader reader = OpenReader(source, type)) ListLevel(reader.get(), entry, path, 1, listing);
}

void ListInnerArchives(int fd, ArchiveType type, const std::string& path, const InnerArchives& inner,
                       int depth, ArchiveListing& listing) {
    const int64_t size = FileSize(fd);
    TArchiveSource source(fd, size, listing.control);
    if (size < 0 || inner.empty() || depth >= kArchiveDepth) return;
    if (type == ArchiveType::Rar && !listing.rar) return;
    // The members are found again by their paths, in archive order where paths repeat.
    std::map<std::string, std::deque<CFile*>, std::less<>> wanted;
    for (const auto& [member, entry] : inner) wanted[member].push_back(entry);
    size_t left = inner.size();
    const ReaderKind kind = type == ArchiveType::Zip ? ReaderKind::ZipSeekable : ReaderKind::Type;
    Reader reader = OpenReader(source, type, kind);
    while (reader && left > 0 && listing.control->Continue()) {
        archive_entry* header = nullptr;
        const int status = [&] {
            const TUtf8Names utf8;
            return archive_read_next_header(reader.get(), &header);
        }();
        if ((status != ARCHIVE_OK && status != ARCHIVE_WARN) || !header) break;
        if (archive_entry_filetype(header) != AE_IFREG) continue;
        std::string member = [&] {
            const TUtf8Names utf8;
            return MemberPath(header, false);
        }();
        auto found = wanted.find(member);
        // The ZIP reader turns the names of DOS-made archives from code page 437 into UTF-8;
        // libarchive hands out their bytes.
        if (found == wanted.end() && type == ArchiveType::Zip) found = wanted.find(Cp437ToUtf8(member));
        if (found == wanted.end() || found->second.empty()) continue;
        CFile* entry = found->second.front();
        found->second.pop_front();
        --left;
        const int64_t memberSize = archive_entry_size_is_set(header) ? archive_entry_size(header) : -1;
        ListInner(reader.get(), entry, InnerPath(path, found->first), memberSize, depth + 1, listing);
    }
}

void ListZipFile(TZipDirReader& reader, int fd, const std::string& path, CFile* entry, int depth,
                 ArchiveListing& listing) {
    // The directory reader closes its descriptor; the pass for inner archives needs its own.
    const int again = depth < kArchiveDepth ? ::dup(fd) : -1;
    reader.SetZipFile(fd, path);
    InnerArchives inner;
    listing.unnamed += ListZipLevel(reader, entry, *listing.control, &inner);
    if (again < 0) return;
    if (listing.isolate && !inner.empty()) {
        std::vector<CFile*> roots;
        for (const auto& found : inner) roots.push_back(found.second);
        listing.isolate(roots, [&](ArchiveListing& own) {
            ListInnerArchives(::dup(again), ArchiveType::Zip, path, inner, depth, own);
        });
        ::close(again);
    } else {
        ListInnerArchives(again, ArchiveType::Zip, path, inner, depth, listing);
    }
}
