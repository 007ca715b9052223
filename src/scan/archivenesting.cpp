#include "scan/archivenesting.h"

#include "catalogue/mediaclasses.h"
#include "scan/ZipDirReader.h"

#include <vector>

namespace {

// The entry name a member path gives: the text after its last '\' or ':', as the entry fill
// takes it.
std::string_view LastComponent(std::string_view path) {
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool Refused(std::string_view name) { return name.empty() || name == "." || name == ".."; }

// Everything up to and including the last '\'; empty for a member at the archive's top.
std::string_view FolderPart(std::string_view path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

class ZipMembers final : public IMemberSource {
public:
    explicit ZipMembers(const TZipDirReader& zip) : zip_(zip) {}
    bool Next(MemberView& member) override {
        if (next_ >= zip_.Count()) return false;
        const ZipDirEntry& entry = zip_.Entry(next_++);
        member.Path = entry.FileName;
        member.Attributes = entry.ExtFileAttrib;
        member.Size = entry.UncomprSize;
        member.DosDateTime = entry.DateTime;
        return true;
    }

private:
    const TZipDirReader& zip_;
    int next_ = 0;
};

class RarMembers final : public IMemberSource {
public:
    explicit RarMembers(IRarArchive& rar) : rar_(rar) {}
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
    RarHeader header_; // holds the member a closed level handed back until it is placed
};

} // namespace

bool LiesInside(std::string_view path, std::string_view prefix) {
    return path.size() > prefix.size() && path[prefix.size()] == '\\' &&
           path.substr(0, prefix.size()) == prefix;
}

double MemberDate(uint32_t dosDateTime) {
    double date = 0;
    return DosDateTimeToDate(dosDateTime, date) ? date : 0;
}

// One level per open folder member, kept on the heap: archives nest folders as deep as their
// member paths go, far beyond what the call stack would survive.
bool NestMembers(IMemberSource& source, bool dropTrailingSeparator, std::string_view prefix,
                 CFile* parent, const ScanControl& control) {
    struct Level {
        std::string prefix;
        CFile* entry; // the folder that receives this level's members
    };
    std::vector<Level> levels;
    levels.push_back({std::string(prefix), parent});
    // A folder entry joins its parent's children when its level closes. Only the innermost level
    // receives members, so siblings still keep their archive order.
    const auto closeLevel = [&levels] {
        CFile* folder = levels.back().entry;
        levels.pop_back();
        levels.back().entry->AddChild(folder);
    };

    MemberView member;
    bool held = false; // `member` was handed back by a closed level and waits to be placed
    while (control.Continue()) {
        if (!held && !source.Next(member)) break;
        held = false;

        std::string_view path = member.Path;
        if (dropTrailingSeparator && !path.empty() && path.back() == '\\') path.remove_suffix(1);
        if (Refused(LastComponent(path))) continue;

        const bool isFolder = (member.Attributes & faDirectory) != 0;
        const Level& level = levels.back();
        // The place is decided before the entry is made and filled, so that a member handed back
        // is counted only once, by the level that keeps it.
        if (!level.prefix.empty() && !LiesInside(isFolder ? path : FolderPart(path), level.prefix)) {
            held = true;
            if (levels.size() == 1) break; // outside the starting level: the caller's to place
            closeLevel();
            continue;
        }

        CFile* entry = CFile::Create(level.entry->Medium, level.entry);
        // The entry fill takes the name after the last '\' or ':', so the member path fills it
        // exactly as a path with a leading '\' would.
        const double date = member.Date ? *member.Date : MemberDate(member.DosDateTime);
        if (!entry->SetFrom(path, member.Attributes, -1, member.Size, date))
            continue;
        if (isFolder)
            levels.push_back({std::string(path), entry});
        else
            level.entry->AddChild(entry);
    }
    while (levels.size() > 1) closeLevel();
    return !held;
}

bool ListZipLevel(const TZipDirReader& zip, CFile* parent, const ScanControl& control) {
    ZipMembers members(zip);
    return NestMembers(members, true, {}, parent, control);
}

bool ListRarLevel(IRarArchive& rar, CFile* parent, const ScanControl& control) {
    RarMembers members(rar);
    return NestMembers(members, false, {}, parent, control);
}
