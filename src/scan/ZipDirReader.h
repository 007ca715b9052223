// Lists the members of a ZIP archive from its central directory alone: nothing is decompressed.
// The reader trusts nothing in the archive: counts, lengths and offsets are checked against the
// bytes actually present, memory grows only with what was read, and every failure is recorded
// in ErrCode() and Message() instead of being thrown or shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ZipDirEntry {
    uint8_t MadeByVersion = 0;
    uint8_t HostSystem = 0;
    uint16_t VersionNeeded = 0;
    uint16_t Flag = 0;
    uint16_t ComprMethod = 0;
    uint32_t DateTime = 0; // DOS date in the high half, time in the low half
    uint32_t CRC32 = 0;
    uint32_t ComprSize = 0;
    uint32_t UncomprSize = 0;
    // The uncompressed size in full: UncomprSize, or the size its ZIP64 extra field holds when
    // UncomprSize is that format's placeholder 0xFFFFFFFF.
    int64_t Size = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLen = 0;
    uint16_t StartOnDisk = 0;
    uint16_t IntFileAttrib = 0;
    uint32_t ExtFileAttrib = 0; // bit 0x10 marks a folder
    uint32_t RelOffLocalHdr = 0;
    std::string FileName; // converted: '/' became '\', OEM names are UTF-8 now
    std::string FileComment;
    bool Encrypted = false;
    std::string ExtraData;
};

// Whether a member is a folder: it carries the DOS folder bit, or its name ends in a separator
// (Java's jar writes no attributes at all), or a Unix or macOS host stored a folder mode in the
// upper half of its attribute word (macOS writes no DOS bits).
bool IsFolderMember(const ZipDirEntry& entry);

// Codes recorded in ErrCode(). The 10203 and 10204 warnings leave the read going; all others end
// it.
namespace zipcode {
constexpr int kOutOfMemory = 10103;
constexpr int kSeekArchive = 10201;
constexpr int kUnknown = 10202;
constexpr int kStructureWarning = 10203;
constexpr int kGarbageWarning = 10204;
constexpr int kCannotOpen = 11001;
constexpr int kInvalidDrive = 11003;
constexpr int kUndefinedDrive = 11004;
constexpr int kSeekInput = 11008;
constexpr int kReadEndRecord = 11011;
constexpr int kReadHeader = 11013;
constexpr int kHeaderSignature = 11015;
constexpr int kReadName = 11017;
constexpr int kReadComment = 11022;
constexpr int kUnattendedSpan = 11025;
constexpr int kNotZip = 11036;
constexpr int kFirstDisk = 11037;
constexpr int kNthDisk = 11038;
constexpr int kFirstFile = 11045;
} // namespace zipcode

// The English text of a code; codes without a text get a notice that names the code.
std::string ZipMessageText(int code);

// How member names and comments are translated: cpAuto translates those written by DOS-family
// hosts from code page 437, cpOEM translates every name, cpNone none. Names flagged as UTF-8 by
// their writer are never translated.
enum class CodePageOpts { cpAuto, cpNone, cpOEM };

// The drive that holds an archive, as far as the reader needs it: multi-part archives are looked
// for beside the archive on drives that count as fixed, and by volume label on removable ones.
struct ZipDrive {
    std::string Root; // the mount point; empty when the path lies on no drive at all
    int Type = 3; // 0 unknown, 1 no file system, 2 removable, 3 fixed, 4 remote, 5 optical, 6 RAM
    std::string Label; // only looked at on drives that do not count as fixed
};

class TZipDirReader {
public:
    bool Unattended = true;
    bool UseDirOnlyEntries = true;
    CodePageOpts CodePage = CodePageOpts::cpAuto;

    // Tells on which drive an (absolute) path lies. Left empty, every archive lies on a fixed
    // drive mounted at "/"; the program sets it to its platform layer's drive query.
    std::function<ZipDrive(const std::string& path)> DriveOf;

    // Raised during a read when set: each error or warning as it is recorded, each entry as it is
    // added (numbered from 1), and once at the end of every read. An exception from the first two
    // ends the read and is recorded as any other failure.
    std::function<void(int code, const std::string& message)> OnMessage;
    std::function<void(int seqNo, const ZipDirEntry& entry)> OnNewName;
    std::function<void()> OnDirUpdate;

    // Reads the whole central directory of `path` at once; never throws. Afterwards Count(),
    // Entry(), ErrCode() and Message() tell what was found. Nothing is ever shown: with or
    // without Unattended the reader only records; a caller that wants a message box shows
    // Message() itself, and a part of a multi-part archive on a removable drive is never
    // prompted for.
    void SetZipFileName(const std::string& path);
    // The same read from `fd`, a descriptor open on `path` that the reader takes over and
    // closes: the caller has opened the file once, so nothing looks it up by name again (only
    // the other parts of a multi-part archive are opened by name).
    void SetZipFile(int fd, const std::string& path);
    const std::string& ZipFileName() const { return fileName_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const ZipDirEntry& Entry(int index) const { return entries_[static_cast<size_t>(index)]; }
    int ErrCode() const { return errCode_; }
    const std::string& Message() const { return message_; }
    const std::string& ZipComment() const { return comment_; }
    // The archive turned out to be one part of several (by its first bytes or its end record).
    bool IsMultiPart() const { return multiPart_; }
    // Folder members left out because UseDirOnlyEntries was off.
    int DirOnlyCount() const { return dirOnlyCount_; }

private:
    friend class TZipDirRead;
    void Read(int fd);
    void Record(int code, const std::string& message);

    std::string fileName_;
    std::vector<ZipDirEntry> entries_;
    int errCode_ = 0;
    std::string message_;
    std::string comment_;
    bool multiPart_ = false;
    int dirOnlyCount_ = 0;
};

// Converts a DOS date and time (date in the high half) to a day count; false for an impossible
// date (month 0, day 31 of February, ...).
bool DosDateTimeToDate(uint32_t dosDateTime, double& date);
