// Turns the flat member list of a ZIP or RAR archive into folders under the archive's entry,
// in one pass and in archive order, without sorting.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CFile;
class TZipDirReader;

// What a long listing consults between items: a chance for the window to handle its events,
// then the stop request. Both are optional.
struct ScanControl {
    const bool* stopped = nullptr;
    std::function<void()> poll;

    // Runs `poll`, then tells whether the work may go on.
    bool Continue() const {
        if (poll) poll();
        return !(stopped && *stopped);
    }
};

// One archive member as the nesting looks at it; the text it points to belongs to the source.
struct MemberView {
    std::string_view Path; // components separated by '\'
    uint32_t Attributes = 0; // bit 0x10: folder
    int64_t Size = 0;
    uint32_t DosDateTime = 0; // DOS date in the high half, time in the low half
    // The date value itself, for archives that store a time stamp rather than a DOS date and
    // time; when set, DosDateTime is not looked at.
    std::optional<double> Date;
    int32_t Category = -1; // the scan's members have none; imported ones share their archive's
};

// The members of one archive in archive order.
class IMemberSource {
public:
    virtual ~IMemberSource() = default;
    // The next member, valid until the next call; false at the end of the list or on an error.
    virtual bool Next(MemberView& member) = 0;
    // Told of each member that became a file or archive entry, before the next member is
    // asked for: an archive member's own members may be read from there.
    virtual void Placed(CFile* entry, const MemberView& member) {
        (void)entry;
        (void)member;
    }
};

// The members of an archive that are archives themselves, by member path ('\' between the
// components) and entry, in archive order: the ZIP and RAR listings hand them on, to be read
// in a pass of their own.
using InnerArchives = std::vector<std::pair<std::string, CFile*>>;

// Places every member that `source` delivers under `parent` (an archive entry) at its whole
// folder path, whatever order the archive keeps: makers write a folder's own member after its
// contents (WinRAR) or none at all. A folder on the path that has no entry yet is made when a
// member first needs it (size 0, category -1, dated like that member) and counts as a folder;
// a folder member whose folder already has an entry gives it its date instead of making a
// second one. Within a folder entries keep the archive's order of first appearance; members of
// the same path are all kept. The folders are found through a map built for this archive
// alone. With `dropTrailingSeparator` (ZIP) a final '\' of a member path is ignored.
// Returns how many members were left out because their path names nothing (empty, "." or
// "..").
int NestMembers(IMemberSource& source, bool dropTrailingSeparator, CFile* parent,
                const ScanControl& control);

// The date value of a member's DOS date and time; 0 when it names an impossible date.
double MemberDate(uint32_t dosDateTime);

// All members of a ZIP archive whose directory `zip` has read under `parent`; returns how many
// were left out for want of a name. Members that are archives are added to `inner` when given.
int ListZipLevel(const TZipDirReader& zip, CFile* parent, const ScanControl& control,
                 InnerArchives* inner = nullptr);

// A member header of a RAR archive as the RAR binding reports it.
struct RarHeader {
    std::string FileName; // components separated by '\'
    uint32_t FileAttr = 0;
    int64_t UnpSize = 0;
    uint32_t FileTime = 0; // DOS date and time
    std::optional<double> Date; // instead of FileTime, for a member stored with a time stamp
};

// One open RAR archive in list mode; closing happens when it is destroyed. Bound to the RAR
// listing facility elsewhere, so the scan knows only these two calls.
class IRarArchive {
public:
    virtual ~IRarArchive() = default;
    // 0: `header` holds the next member. Anything else ends the listing (end of archive or error).
    virtual int ReadHeader(RarHeader& header) = 0;
    // Skips the data of the member just read; 0 on success, anything else ends the listing.
    virtual int SkipMember() = 0;
    // Lets a long skip (a solid archive is unpacked to pass a member) consult `control` while
    // it reads, and give up once a stop was asked for; null: nothing to consult.
    virtual void Watch(const ScanControl* control) { (void)control; }
};

// Opens a RAR archive for listing; null when it cannot be opened (or RAR support is absent).
using RarOpener = std::function<std::unique_ptr<IRarArchive>(const std::string& path)>;

// All members of an open RAR archive under `parent`; returns how many were left out for want of
// a name. Members that are archives are added to `inner` when given.
int ListRarLevel(IRarArchive& rar, CFile* parent, const ScanControl& control,
                 InnerArchives* inner = nullptr);
