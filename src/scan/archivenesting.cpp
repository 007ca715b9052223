#include "scan/archivenesting.h"

#include "catalogue/mediaclasses.h"
#include "scan/ZipDirReader.h"
#include "scan/archivetypes.h"

#include <unordered_map>

namespace {

// The entry name a path component gives: the text after its last ':', as the entry fill takes
// it (components are already cut at the separators between them).
std::string_view EntryName(std::string_view part) {
    const size_t cut = part.find_last_of("\\:");
    return cut == std::string_view::npos ? part : part.substr(cut + 1);
}

bool Refused(std::string_view name) { return !AcceptableEntryName(name); }

// Keeps the archive members a listing placed, when asked to.
class InnerCollector : public IMemberSource {
public:
    explicit InnerCollector(InnerArchives* inner) : inner_(inner) {}
    void Placed(CFile* entry, const MemberView& member) override {
        if (inner_ && entry->Kind == kindArchive) inner_->emplace_back(member.Path, entry);
    }

private:
    InnerArchives* inner_;
};

class ZipMembers final : public InnerCollector {
public:
    ZipMembers(const TZipDirReader& zip, InnerArchives* inner) : InnerCollector(inner), zip_(zip) {}
    bool Next(MemberView& member) override {
        if (next_ >= zip_.Count()) return false;
        const ZipDirEntry& entry = zip_.Entry(next_++);
        member.Path = entry.FileName;
        member.Attributes = IsFolderMember(entry) ? faDirectory : 0;
        member.Size = entry.Size;
        member.DosDateTime = entry.DateTime;
        return true;
    }

private:
    const TZipDirReader& zip_;
    int next_ = 0;
};

class RarMembers final : public InnerCollector {
public:
    RarMembers(IRarArchive& rar, InnerArchives* inner) : InnerCollector(inner), rar_(rar) {}
    bool Next(MemberView& member) override {
        // The member's data is skipped at once, before the member is looked at: a member whose
        // data cannot be skipped ends the listing unseen.
        if (rar_.ReadHeader(header_) != 0 || rar_.SkipMember() != 0) return false;
        member.Path = header_.FileName;
        member.Attributes = header_.FileAttr;
        member.Size = header_.UnpSize;
        member.DosDateTime = header_.FileTime;
        member.Date = header_.Date;
        return true;
    }

private:
    IRarArchive& rar_;
    RarHeader header_;
};

// A folder entry of the archive being listed, known by the entry that holds it and its name.
// The name views the entry's own name while stored, the member's path while looked up.
struct FolderKey {
    const CFile* parent;
    std::string_view name;
    bool operator==(const FolderKey&) const = default;
};
struct FolderKeyHash {
    size_t operator()(const FolderKey& key) const {
        return std::hash<std::string_view>()(key.name) * 31 + std::hash<const void*>()(key.parent);
    }
};
using FolderMap = std::unordered_map<FolderKey, CFile*, FolderKeyHash>;

CFile* AddEntry(CFile* folder, std::string_view name, uint32_t attributes, int32_t category,
                int64_t size, double date) {
    CFile* entry = CFile::Create(folder->Medium, folder);
    // The entry takes the name after its last ':' as well; what is left there may be refused
    // ("a:.." leaves ".."), and then there is no entry: a nameless one would mark the block
    // damaged once saved.
    if (!entry->SetFrom(name, attributes, category, size, date)) return nullptr;
    // The entry fill knows ZIP and RAR; the archives libarchive lists are archives as well.
    if (entry->Kind == kindFile && ArchiveTypeOf(name) != ArchiveType::None) entry->Kind = kindArchive;
    folder->AddChild(entry);
    return entry;
}

// The folder `name` inside `parent`, made when the member being placed is the first to need it:
// a folder member itself, or the first member below it.
CFile* FolderFor(FolderMap& folders, CFile* parent, std::string_view name, double date,
                 int32_t category = -1, int64_t size = 0) {
    const auto found = folders.find({parent, name});
    if (found != folders.end()) return found->second;
    CFile* entry = AddEntry(parent, name, faDirectory, category, size, date);
    if (!entry) return parent; // a name that leads nowhere: its members go where it stood
    folders.emplace(FolderKey{parent, entry->Name()}, entry);
    return entry;
}

} // namespace

double MemberDate(uint32_t dosDateTime) {
    double date = 0;
    return DosDateTimeToDate(dosDateTime, date) ? date : 0;
}

int NestMembers(IMemberSource& source, bool dropTrailingSeparator, CFile* parent,
                const ScanControl& control) {
    FolderMap folders;
    int unnamed = 0;
    MemberView member;
    while (control.Continue() && source.Next(member)) {
        std::string_view path = member.Path;
        if (dropTrailingSeparator && !path.empty() && path.back() == '\\') path.remove_suffix(1);
        const size_t lastCut = path.rfind('\\');
        const std::string_view name = EntryName(path);
        if (Refused(name)) {
            ++unnamed;
            continue;
        }
        const double date = member.Date ? *member.Date : MemberDate(member.DosDateTime);
        // Every component before the last is a folder; empty, "." and ".." ones lead nowhere.
        CFile* folder = parent;
        for (size_t start = 0; lastCut != std::string_view::npos && start <= lastCut;) {
            const size_t end = path.find('\\', start);
            const std::string_view part = EntryName(path.substr(start, end - start));
            start = end + 1;
            if (!Refused(part)) folder = FolderFor(folders, folder, part, date);
        }
        if (member.Attributes & faDirectory) {
            CFile* made = FolderFor(folders, folder, name, date, member.Category, member.Size);
            if (made != folder) made->Date = date;
            else ++unnamed;
        } else if (CFile* entry = AddEntry(folder, name, member.Attributes, member.Category,
                                           member.Size, date)) {
            source.Placed(entry, member);
        } else {
            ++unnamed;
        }
    }
    return unnamed;
}

int ListZipLevel(const TZipDirReader& zip, CFile* parent, const ScanControl& control,
                 InnerArchives* inner) {
    ZipMembers members(zip, inner);
    return NestMembers(members, true, parent, control);
}

int ListRarLevel(IRarArchive& rar, CFile* parent, const ScanControl& control,
                 InnerArchives* inner) {
    RarMembers members(rar, inner);
    rar.Watch(&control);
    const int unnamed = NestMembers(members, false, parent, control);
    rar.Watch(nullptr);
    return unnamed;
}
