// The catalogue in memory: CMedienListe owns its media, a CMedium owns its tree of entries
// (CFile), and both refer to categories by their position in the catalogue's list of names.
#pragma once

#include "entryarena.h"
#include "entrydetails.h"
#include "entrypreviews.h"
#include "mediumadditions.h"
#include "streams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMedienListe;
class CMedium;
struct TPackedContent;

// The last component of a folder path: "docs" for "/home/anna/docs/", "/" for the root folder.
// A path ending in "." or ".." is resolved first, so that it names the folder it stands for.
std::string FolderOwnName(const std::string& path);

// A name an entry may have: not empty, not "." or "..", without "/" or NUL. A folder on disk
// never holds another; a data file that does is damaged, and an archive member or a foreign
// catalogue's entry named so is passed over, since its name would lead out of its folder.
bool AcceptableEntryName(std::string_view name);

enum EntryKind : int32_t { kindFile = 1, kindFolder = 2, kindArchive = 3 };
constexpr uint32_t faDirectory = 0x10;

class CFile {
public:
    // Entries live in their medium's arena: create them through Create, never with new.
    static CFile* Create(CMedium* medium, CFile* parent);

    // Pointers and 8-byte fields first, then the 4-byte ones: a medium holds millions of these.
    CMedium* Medium;
    CFile* Parent;
    double Date = 0;
    int64_t Size = 0; // 64-bit here; the files hold it as described in docs/catalogue-format.md
    int32_t Category = -1;
    int32_t Kind = 0;
    int32_t Version = 1;

    std::string_view Name() const { return {name_, nameLength_}; }
    void SetName(std::string_view name);

    int ChildCount() const { return children_.Count(); }
    CFile* GetEntry(int index) const { return children_.At(index); }
    const EntryList& Children() const { return children_; }
    void AddChild(CFile* child);
    void ReserveChildren(uint32_t count);
    // Unlinks a child; its storage stays with the medium.
    CFile* ExtractChild(int index) { return children_.Extract(index); }

    bool HasChildrenKind() const { return (Kind & 2) != 0; }
    std::string CategoryName() const;
    bool UsesCategory(int32_t index) const;
    void SetCategoryDeep(int32_t index);
    int FolderChildCount() const;
    bool SetFrom(std::string_view path, uint32_t attributes, int32_t category, int64_t size,
                 double date);
    // The enclosing folders joined by "/" (for a folder or archive ending with its own name),
    // without the medium: the location shown with search results. Linux names may hold "\",
    // which would make "\" separators ambiguous; no name read from a folder holds "/".
    std::string FolderPath() const;

    // One record and everything beneath it. False on any error; the stream is then abandoned.
    bool Read(TStream& stream);
    bool Write(TStream& stream) const;

private:
    CFile(CMedium* medium, CFile* parent) : Medium(medium), Parent(parent) {}
    uint32_t nameLength_ = 0;
    const char* name_ = "";
    EntryList children_;
    friend class CMedium;
};

struct VolumeInfo {
    uint32_t driveType = 0;
    std::string label;
    uint32_t serial = 0;
    // The folder asked for, from the root of its file system ("/", "/photos"); empty when the
    // mount table did not say where the file system begins.
    std::string folder;
    int64_t capacity = -1; // bytes of the file system; -1 when not known
    int64_t freeSpace = -1; // bytes free for the user
};

// The serial as a medium keeps it, and as mounted file systems are matched against it: exactly
// 8 upper-case hexadecimal digits.
std::string SerialText(uint32_t serial);

// Reads the drive type, label and serial of the file system holding a path. Returns false when
// the path has no readable file system; driveType is set as far as it could be determined.
using VolumeInfoReader = std::function<bool(const std::string& path, VolumeInfo& info)>;
void SetVolumeInfoReader(VolumeInfoReader reader);

// Why a medium's content could not be read. In use and Changed are no damage: another program
// is saving the catalogue, or has saved it since it was read; nothing may be dropped for them.
enum class TLoadFailure {
    None,
    Missing, // the data file is not there
    InUse,   // the data file stayed locked by another program's save
    Changed, // the data file is no longer the one the catalogue was read with
    Damaged, // the block's bytes, its content or a name in it are not what was written
};

class CMedium {
public:
    explicit CMedium(CMedienListe* owner);
    CMedium(const CMedium&) = delete;
    CMedium& operator=(const CMedium&) = delete;

    int32_t Category = -1;
    int32_t FolderCount = 0;
    int32_t FileCount = 0;
    int32_t DataOffset = -1;
    std::string Notice;
    std::string VolumeLabel;
    bool ContentLoaded = false;
    CMedienListe* Owner;
    std::string Name;
    bool Stored = false;
    std::string Serial;
    int64_t TotalSize = 0;
    uint32_t DriveType = 0;
    int32_t Version = 1;
    bool Present = true;
    int32_t ContentLength = 0;
    // The length of its compressed block in the data file it was read from or last written to;
    // -1 when unknown. Kept in memory only: the file layout has no such field.
    int64_t BlockLength = -1;
    // What the index keeps beyond the header fields (block sum and more).
    TMediumAdditions Additions;
    // The content block compressed during its scan, until the save takes it (OfferPackedContent).
    mutable std::shared_ptr<TPackedContent> PackedContent;
    // Photo, music and video details of its entries; dropped with the tree.
    TEntryDetails Details;
    // Pictures of its photos and videos (previews.h): those set by address go with the tree,
    // those of the previews file stay with the medium.
    TEntryPreviews Previews;

    int EntryCount() const { return entries_.Count(); }
    CFile* GetEntry(int index) const { return entries_.At(index); }
    const EntryList& Entries() const { return entries_; }
    void AddEntry(CFile* entry);
    CFile* ExtractEntry(int index) { return entries_.Extract(index); }
    // Drops the whole tree and its storage.
    void ClearEntries();

    void SetOwner(CMedienListe* owner) { Owner = owner; }
    std::string CategoryName() const;
    bool UsesCategory(int32_t index) const;
    int FolderChildCount() const;
    void RemapCategories(CMedienListe& target);
    // Drive type, label and serial of the file system holding `path`. The medium is named after
    // the label; a file system without one (most Linux folders) names it after the folder
    // itself (FolderOwnName), since a nameless medium cannot be told apart in the media tree.
    // VolumeLabel stays the label, empty or not.
    bool ReadVolumeInfo(const std::string& path);

    bool ReadHeader(TStream& stream);
    bool WriteHeader(TStream& stream) const;
    bool LoadContent(const std::string& dataFileName);
    // From a data file that must still be `expected` (none: any file of that name).
    bool LoadContent(const std::string& dataFileName, const FileStamp* expected);
    // Why the last LoadContent left the content out; None after a load that worked.
    TLoadFailure LoadFailure = TLoadFailure::None;
    // Takes over the tree `loaded` holds, which a reader built on another thread while this
    // medium stayed untouched, its entries already naming this medium; `loaded` is left empty.
    void AdoptContent(CMedium& loaded);
    bool WriteContent(TStream& dataFile);
    // The content block as it is written, before compression.
    bool WriteContentRecords(TStream& stream) const;
    bool ReadContentRecords(TStream& stream);

    EntryArena& Arena() { return arena_; }

private:
    EntryList entries_;
    EntryArena arena_;
};

class CMedienListe {
public:
    CMedienListe() = default;
    ~CMedienListe();
    CMedienListe(const CMedienListe&) = delete;
    CMedienListe& operator=(const CMedienListe&) = delete;

    std::vector<std::string> Categories;
    std::string FileName;
    std::string DataFileName;
    bool Modified = false;
    int32_t Version = 1;
    FileStamp FileAge;
    FileStamp DataFileAge;
    std::function<void(int percent)> OnProgress;

    int Count() const { return static_cast<int>(media_.size()); }
    CMedium* GetMedium(int index) const;
    CMedium* AddMedium(std::unique_ptr<CMedium> medium);
    std::unique_ptr<CMedium> ExtractMedium(int index);
    void DeleteMedium(int index);

    bool IsModified() const;
    void SetModified(bool flag) { Modified = flag; }
    int IndexOfCategory(std::string_view name) const;
    bool CategoryInUse(int32_t index) const;
    int PresentCount() const;
    bool FilesChangedOnDisk() const;
    CMedium* AddMediumFromPath(const std::string& path);
    // The names a category pick list shows: ascending without regard to ASCII case, each once.
    std::vector<std::string> CategoryPickList() const;
    bool LoadCategories(const std::string& fileName);
    bool SaveCategories(const std::string& fileName) const;

    bool Load(const std::string& fileName);
    // After a failed Load: InUse when another program's save of the pair did not end in time,
    // Damaged when the pair does not belong together; None for the other failures, which the
    // last file fault names.
    TLoadFailure LoadFailure = TLoadFailure::None;
    // After a Load that worked: a text for the user when the pair was not read from its own
    // files (an interrupted save in a folder that cannot be written); empty otherwise.
    std::string LoadNotice;
    // After a Load from the pair's own index file: the data file that file names (what
    // DataIdentityOfIndexFile would read again); unknown otherwise and once a Save began.
    TDataIdentity ReadIdentity;
    bool Save(const std::string& fileName);
    // The index content after its compression: categories, medium headers, their additions and
    // the data file it names. False when it is not an index this version reads.
    bool ReadIndex(TMemoryStream& index, TDataIdentity& identity);
    // Why the last Save failed.
    enum class TSaveFailure {
        None,
        Failed,        // a file operation failed: the last file fault names it
        Damaged,       // DamagedMedium's block is damaged and its tree is not in memory
        ChangedOnDisk, // the pair is no longer the one this catalogue was read from or saved to
        InUse,         // another program kept the pair locked
        Interrupted,   // the new pair is written but not wholly in place: the next open finishes it
        LoneDataFile,  // a data file without its index stands where the new one would go
        BackupFailed,  // the backup copies could not be made from a sound pair: nothing written
    };
    TSaveFailure SaveFailure = TSaveFailure::None;
    // Make the backup copies (Home.SXF.bak, Home.sxd.bak) when a save replaces this catalogue's
    // own pair, from that pair once it is checked, and put them in place only with the commit.
    bool MakeBackups = false;
    // Write the name index beside the pair in the same commit (a cache: without it the next
    // open makes one in the background).
    bool SaveNameIndex = true;
    // After a failed Save: the position of a medium whose block in the data file is damaged and
    // whose tree is not in memory to write it afresh; -1 when the save failed for another reason.
    int DamagedMedium = -1;
    void ReportProgress(int64_t done, int64_t total) const;

    // The index file the stamps FileAge and DataFileAge were taken with: a save onto it goes
    // ahead only while both files still have them. Kept when FileName is cleared.
    std::string PairFileName;

private:
    bool LoadPair(const std::string& fileName);
    std::vector<std::unique_ptr<CMedium>> media_;
};

// The data file an index file names (the index's own trailer); unknown when it names none or
// cannot be read. `readable` tells the two apart: an index of an earlier version names none.
TDataIdentity DataIdentityOfIndexFile(const std::string& indexName, bool* readable = nullptr);
// Whether the data file has exactly that size and sum (reads all of it).
bool DataFileIs(const std::string& dataName, const TDataIdentity& identity);

// The data file belonging to an index file: every ".SXF" (any case) becomes ".SXD".
std::string DataFileNameOf(const std::string& indexFileName);
// The previews file beside the pair: every ".SXF" (any case) becomes ".SXP".
std::string PreviewsFileNameOf(const std::string& indexFileName);
// Rounds done/total*100 to the nearest integer, ties to the even one.
int ProgressPercent(int64_t done, int64_t total);
