#include "scan/mediascan.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/contentstream.h"
#include "catalogue/mediaclasses.h"
#include "scan/ZipDirReader.h"
#include "scan/archivelisting.h"
#include "scan/isolatedlisting.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

bool FillFromName(CFile& entry, std::string_view name, uint32_t attributes, int32_t category,
                  int64_t size, double date) {
    if (!AcceptableEntryName(name)) return false;
    entry.SetName(name);
    entry.Date = date;
    entry.Size = size;
    entry.Category = category;
    CMedium& medium = *entry.Medium;
    if (attributes & faDirectory) {
        entry.Kind = kindFolder;
        ++medium.FolderCount;
    } else {
        entry.Kind = ArchiveTypeOf(name) == ArchiveType::None ? kindFile : kindArchive;
        ++medium.FileCount;
        medium.TotalSize += size;
    }
    medium.ContentLoaded = true;
    return true;
}

bool NameOrderLess(std::string_view a, std::string_view b) {
    const auto folded = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : int(c); };
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int x = folded(static_cast<unsigned char>(a[i]));
        const int y = folded(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b; // the same letters but for case: by the raw bytes
}

namespace {

RarOpener& rarOpener() {
    static RarOpener opener;
    return opener;
}

ZipDriveQuery& zipDriveQuery() {
    static ZipDriveQuery query;
    return query;
}

struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId&) const = default;
};
struct FolderIdHash {
    size_t operator()(const FolderId& id) const {
        return std::hash<uint64_t>()(static_cast<uint64_t>(id.ino) * 0x9E3779B97F4A7C15ull ^
                                     static_cast<uint64_t>(id.dev));
    }
};

FolderId IdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

bool IsFolder(int fd, const FolderId& id) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && IdOf(st) == id;
}

int OpenFolderAt(int at, const char* name) {
    // O_NOFOLLOW: a folder swapped for a link after it was examined is still not followed.
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void JoinTo(std::string& path, std::string_view name) {
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
}

// A folder's listing, read whole when the folder is opened and sorted in name order. The names
// lie end to end in one buffer, so a folder costs its names' bytes and one small record a name,
// and its folders are entered later by the names kept here. The buffer is a vector, not a
// string, so that a name handed out stays where it is when the frame holding the listing moves
// (a short string would move its bytes along).
struct Listing {
    struct Item {
        size_t offset; // of the name's first byte in `names`; each name ends in a NUL
        uint32_t length;
        unsigned char type;
    };
    std::vector<char> names;
    std::vector<Item> items;

    // A read error ends the listing and returns false; what was read so far stays.
    bool ReadFrom(DIR* dir) {
        errno = 0;
        while (const dirent* found = ::readdir(dir)) {
            const char* name = found->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            const size_t length = std::strlen(name); // below 256 on every Linux file system
            items.push_back({names.size(), static_cast<uint32_t>(length), found->d_type});
            names.insert(names.end(), name, name + length + 1);
        }
        const bool complete = errno == 0;
        const char* base = names.data();
        std::sort(items.begin(), items.end(), [base](const Item& a, const Item& b) {
            return NameOrderLess({base + a.offset, a.length}, {base + b.offset, b.length});
        });
        return complete;
    }
    void Clear() {
        names.clear();
        items.clear();
    }
};

// One folder being listed.
struct Frame {
    CFile* folder; // receives the folder's entries; null: the medium's top
    std::string name; // its name in the enclosing folder, for opening it again
    size_t pathLength;
    FolderId id;
    int fd = -1; // -1 while closed to keep the number of descriptors bounded
    Listing listing;
    // Its folders to be entered, by name (in `listing`) and entry, and the next of them.
    std::vector<std::pair<const char*, CFile*>> folders;
    size_t nextFolder = 0;
};

class Walker {
public:
    Walker(TMediaScan& scan, CMedium& medium) : scan_(scan), medium_(medium) {}
    ~Walker() {
        for (Frame& frame : stack_) Discard(frame);
    }

    void Run(const std::string& start, CFile* parent) {
        const int fd = ::open(start.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st;
        if (fd < 0) return;
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            return;
        }
        path_ = start;
        content_ = parent ? nullptr : scan_.Content;
        if (!Push(fd, parent, {}, st)) return;
        Advance();
        // A folder's items are all catalogued when it is listed; its folders are entered after.
        while (!stack_.empty() && !stopped_) {
            const size_t top = stack_.size() - 1;
            Frame& frame = stack_[top];
            if (frame.nextFolder >= frame.folders.size()) {
                Pop();
                continue;
            }
            const auto [name, entry] = frame.folders[frame.nextFolder++];
            Enter(top, entry, name);
            Advance();
        }
    }

private:
    // Everything before the next folder to be entered is final: hands it to the content stream.
    void Advance() {
        if (!content_ || stopped_) return;
        const CFile* frontier = nullptr;
        for (size_t i = stack_.size(); i-- > 0 && !frontier;)
            if (stack_[i].nextFolder < stack_[i].folders.size())
                frontier = stack_[i].folders[stack_[i].nextFolder].second;
        if (frontier) content_->Advance(frontier);
    }

    void Examine(size_t index) {
        Frame& frame = stack_[index];
        for (const Listing::Item& item : frame.listing.items) {
            if (!scan_.Control.Continue()) {
                stopped_ = true;
                return;
            }
            const char* name = frame.listing.names.data() + item.offset;
            if (CFile* folder = Visit(index, name, item.type))
                frame.folders.emplace_back(name, folder);
        }
    }

    // Catalogues one item; answers its entry when it is a folder to be entered.
    CFile* Visit(size_t index, const char* name, unsigned char type) {
        const int fd = stack_[index].fd;
        struct stat st;
        bool known = true;
        // The entry itself, never what a link points to: links are catalogued, not followed.
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) return nullptr; // removed since it was listed
            // Listed but not examinable (a folder that may be read but not entered): keep what
            // the listing told.
            known = false;
            std::memset(&st, 0, sizeof st);
            st.st_mode = type == DT_DIR ? S_IFDIR : S_IFREG;
        }
        const bool isFolder = S_ISDIR(st.st_mode);
        // A link is an entry of its own with no length: what it points to is counted where it
        // lies, if it lies on the medium at all.
        const int64_t size = isFolder || S_ISLNK(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
        const double date = known ? UnixTimeToLocalDate(st.st_mtim.tv_sec) : 0;

        CFile* parent = stack_[index].folder;
        CFile* entry = CFile::Create(&medium_, parent);
        if (!FillFromName(*entry, name, isFolder ? faDirectory : 0, -1, size, date)) return nullptr;
        // A link named like an archive is still a link: a file with nothing inside.
        if (S_ISLNK(st.st_mode)) entry->Kind = kindFile;
        if (parent)
            parent->AddChild(entry);
        else
            medium_.AddEntry(entry);

        // A medium is one file system: a folder with another file system mounted on it is
        // catalogued, not entered, as `find -xdev` leaves it.
        if (isFolder) return !known || st.st_dev == stack_[0].id.dev ? entry : nullptr;
        if (entry->Kind == kindArchive && S_ISREG(st.st_mode)) // never a pipe or a device
            ListArchive(index, entry, name, st.st_dev);
        return nullptr;
    }

    void Enter(size_t index, CFile* entry, const char* name) {
        const int parentFd = stack_[index].fd;
        JoinTo(path_, name);
        if (scan_.OnFolderEntered) scan_.OnFolderEntered(path_);
        if (scan_.Control.poll) scan_.Control.poll();
        const int fd = OpenFolderAt(parentFd, name);
        if (fd < 0 && errno != ENOENT) Unreadable(); // gone meanwhile is not unreadable
        struct stat st;
        bool entered = false;
        if (fd >= 0) {
            // A bind mount leading back to a folder being listed is catalogued, not entered;
            // so is a folder replaced meanwhile by a mount point.
            if (::fstat(fd, &st) == 0 && ancestors_.count(IdOf(st)) == 0 &&
                st.st_dev == stack_[0].id.dev)
                entered = Push(fd, entry, name, st);
            else
                ::close(fd);
        }
        if (!entered) path_.resize(stack_[index].pathLength);
    }

    void ListArchive(size_t index, CFile* entry, const char* name, dev_t device) {
        const ArchiveType type = ArchiveTypeOf(name);
        const bool zip = type == ArchiveType::Zip && scan_.ExamineZip;
        const bool rar = type == ArchiveType::Rar && scan_.ExamineRar && scan_.OpenRar;
        const bool other = ListedByLibarchive(type) && scan_.ExamineZip;
        if (!zip && !rar && !other) return;
        std::string archive = path_;
        JoinTo(archive, name);
        if (scan_.OnArchiveEntered) scan_.OnArchiveEntered(archive);
        ArchiveListing listing;
        listing.control = &scan_.Control;
        listing.rar = scan_.ExamineRar && scan_.OpenRar;
        listing.onArchive = scan_.OnArchiveEntered;
        if (scan_.IsolateArchives)
            listing.isolate = [&listing](const std::vector<CFile*>& roots,
                                         const std::function<void(ArchiveListing&)>& list) {
                ListIsolated(roots, listing, list);
            };
        // Runs a libarchive pass on the archive, out of harm's way when asked to.
        const auto pass = [&](int fd, const std::vector<CFile*>& roots,
                              const std::function<void(int fd, ArchiveListing&)>& list) {
            if (fd < 0) return;
            if (listing.isolate)
                listing.isolate(roots, [&](ArchiveListing& own) { list(::dup(fd), own); });
            else
                list(::dup(fd), listing);
            ::close(fd);
        };
        // Below PATH_MAX the readers get the real path; deeper, the same file through the
        // folder's descriptor.
        const std::string shown = archive;
        if (archive.size() >= PATH_MAX)
            archive = "/proc/self/fd/" + std::to_string(stack_[index].fd) + "/" + name;
        // Opened once, beside its folder; never blocking on a file swapped for a pipe.
        const auto open = [&] {
            return ::openat(stack_[index].fd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        };
        if (zip) {
            // The reader reads the file's length and the end record from this descriptor.
            const int fd = open();
            if (fd < 0) return;
            TZipDirReader reader;
            reader.Unattended = true;
            reader.UseDirOnlyEntries = true;
            if (scan_.ZipDriveOf)
                reader.DriveOf = [this, device](const std::string& full) {
                    return DriveOf(device, full);
                };
            ListZipFile(reader, fd, archive, entry, 1, listing);
        } else if (rar) {
            InnerArchives inner;
            if (auto opened = scan_.OpenRar(archive))
                listing.unnamed += ListRarLevel(*opened, entry, scan_.Control, &inner);
            std::vector<CFile*> roots;
            for (const auto& found : inner) roots.push_back(found.second);
            if (!inner.empty())
                pass(open(), roots, [&](int fd, ArchiveListing& own) {
                    ListInnerArchives(fd, type, shown, inner, 1, own);
                });
        } else {
            pass(open(), {entry}, [&](int fd, ArchiveListing& own) {
                ListArchiveFile(fd, type, shown, entry, own);
            });
        }
        scan_.UnnamedMembers += listing.unnamed;
    }

    // The drive of an archive, asked once per file system of the scan.
    ZipDrive DriveOf(dev_t device, const std::string& full) {
        auto known = drives_.find(device);
        if (known == drives_.end())
            known = drives_.emplace(device, scan_.ZipDriveOf(device, full)).first;
        return known->second;
    }

    // Takes over `fd`, also on failure.
    bool Push(int fd, CFile* folder, std::string name, const struct stat& st) {
        // The listing gets a descriptor of its own, so that `fd` stays open for examining the
        // entries after the listing is closed.
        const int listFd = ::dup(fd);
        DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            if (listFd >= 0) ::close(listFd);
            ::close(fd);
            if (!stack_.empty()) Unreadable();
            return false;
        }
        stack_.push_back(Frame{folder, std::move(name), path_.size(), IdOf(st), fd, {}, {}, 0});
        if (!stack_.back().listing.ReadFrom(dir)) Unreadable();
        ::closedir(dir);
        ancestors_.insert(IdOf(st));
        Examine(stack_.size() - 1);
        // The start folder keeps its descriptor: every other can be found again from it.
        if (stack_.size() - firstOpen_ > TMediaScan::kOpenFolderLimit) Discard(stack_[firstOpen_++]);
        return true;
    }

    void Pop() {
        const size_t index = stack_.size() - 1;
        if (index > 0 && index - 1 >= 1 && index - 1 < firstOpen_) Reopen(index - 1, stack_[index].fd);
        ancestors_.erase(stack_[index].id);
        Discard(stack_[index]);
        stack_.pop_back();
        if (!stack_.empty()) path_.resize(stack_.back().pathLength);
    }

    // The folder at path_ stays empty or incomplete because it could not be read.
    void Unreadable() { scan_.UnreadFolders.push_back(path_); }

    static void Discard(Frame& frame) {
        if (frame.fd >= 0) ::close(frame.fd);
        frame.fd = -1;
    }

    // Opens a closed folder again on the way back up: as ".." of the folder just finished when
    // that leads to it, else down from the start folder by name, keeping the descriptors of the
    // folders that come next on the way up.
    void Reopen(size_t index, int childFd) {
        Frame& frame = stack_[index];
        if (childFd >= 0) {
            const int fd = OpenFolderAt(childFd, "..");
            if (fd >= 0 && IsFolder(fd, frame.id)) {
                frame.fd = fd;
                firstOpen_ = index;
                return;
            }
            if (fd >= 0) ::close(fd);
        }
        const size_t keepFrom = index >= TMediaScan::kOpenFolderLimit
                                    ? index - TMediaScan::kOpenFolderLimit + 1 : 1;
        int at = stack_[0].fd;
        for (size_t i = 1; i <= index; ++i) {
            const int fd = OpenFolderAt(at, stack_[i].name.c_str());
            if (at != stack_[0].fd && i - 1 < keepFrom) ::close(at);
            if (fd < 0 || !IsFolder(fd, stack_[i].id)) {
                // Moved or replaced meanwhile: the folder returned to loses its unread rest; the
                // ones above it try again when the walk gets back to them.
                if (fd >= 0) ::close(fd);
                for (size_t j = keepFrom; j < i; ++j) {
                    ::close(stack_[j].fd);
                    stack_[j].fd = -1;
                }
                frame.listing.Clear();
                frame.folders.clear();
                frame.nextFolder = 0;
                firstOpen_ = index + 1;
                return;
            }
            if (i >= keepFrom) stack_[i].fd = fd;
            at = fd;
        }
        firstOpen_ = keepFrom;
    }

    TMediaScan& scan_;
    CMedium& medium_;
    std::vector<Frame> stack_;
    std::unordered_set<FolderId, FolderIdHash> ancestors_;
    size_t firstOpen_ = 1; // frames from here to the top hold descriptors, and frame 0 always
    std::string path_;
    std::unordered_map<dev_t, ZipDrive> drives_;
    TContentStream* content_ = nullptr;
    bool stopped_ = false;
};

} // namespace

void SetRarOpener(RarOpener opener) { rarOpener() = std::move(opener); }
const RarOpener& RegisteredRarOpener() { return rarOpener(); }
void SetZipDriveQuery(ZipDriveQuery query) { zipDriveQuery() = std::move(query); }
const ZipDriveQuery& RegisteredZipDriveQuery() { return zipDriveQuery(); }

TMediaScan::TMediaScan(CMedium& medium)
    : OpenRar(RegisteredRarOpener()), ZipDriveOf(RegisteredZipDriveQuery()), medium_(medium) {}

void TMediaScan::ScanFolder(const std::string& path, CFile* parent) {
    Walker walker(*this, medium_);
    walker.Run(path, parent);
}
