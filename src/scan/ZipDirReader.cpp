// The central directory is found from the end of the file, so archives with a program stub in
// front (self-extractors) or a zero fill behind them list as well. Every count, length and
// offset in the archive is hostile until the bytes behind it have actually been read.
#include "scan/ZipDirReader.h"

#include "catalogue/streams.h"
#include "scan/cp437.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kSpanSignature = 0x08074B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
constexpr uint32_t kPlaceholder32 = 0xFFFFFFFF;
constexpr size_t kEndSize = 22;
constexpr size_t kHeaderSize = 46;
constexpr int64_t kMaxComment = 65535;
// Large enough for the longest name, extra field or comment (16-bit lengths) in one piece.
constexpr size_t kBufferSize = 65536;
constexpr int64_t kBlock = 512; // a trailing zero fill up to this block size is no garbage

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t Get64(const unsigned char* p) { return Get32(p) | uint64_t(Get32(p + 4)) << 32; }

// The uncompressed size a ZIP64 extended information field (ID 1) holds. It comes first among
// the field's values whenever the header's own size is the placeholder; a field too short for
// it, or a size no file can have, leaves the placeholder.
int64_t Zip64Size(const std::string& extra, uint32_t size32) {
    if (size32 != kPlaceholder32) return size32;
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data());
    for (size_t at = 0; at + 4 <= extra.size();) {
        const uint16_t id = Get16(p + at), length = Get16(p + at + 2);
        at += 4;
        if (id == 1 && length >= 8 && at + 8 <= extra.size()) {
            const uint64_t size = Get64(p + at);
            return size <= uint64_t(INT64_MAX) ? int64_t(size) : size32;
        }
        at += length;
    }
    return size32;
}

struct TextOf {
    int code;
    const char* text;
};
constexpr TextOf kTexts[] = {
    {10103, "Requested memory not available"},
    {10201, "Seek error reading Zip archive!"},
    {10202, "Unknown error in List() function\n"},
    {10203, "Warning - Error in zip structure!"},
    {10204, "Warning - Garbage at the end of the zipfile!"},
    {11001, "Input file does not exist"},
    {11003, "Not a valid drive: %s"},
    {11004, "Drive %s is NOT defined"},
    {11008, "Seek error in input file"},
    {11011, "Error while reading the End Of Central Directory"},
    {11013, "Error while reading a central header"},
    {11015, "A central header signature is wrong"},
    {11017, "Error while reading a central file name"},
    {11022, "Error while reading a file comment"},
    {11025, "Unattended disk spanning not implemented"},
    {11036, "This archive is not a valid Zip archive"},
    {11037, "This is the first disk in a backup set,\nplease insert the last disk of this set"},
    {11038, "This is the %dth disk in a backup set,\nplease insert the last disk of this set"},
    {11045, "This is the first file in a backup set,\nplease choose the last file of this set"},
};

// A failure that ends the read; SetZipFileName records it.
struct TZipFailure {
    int code;
    std::string text;
};
[[noreturn]] void Fail(int code, const std::string& argument = {}) {
    std::string text = ZipMessageText(code);
    // The texts hold at most one placeholder, %s or %d.
    if (const size_t at = text.find('%'); at != std::string::npos) text.replace(at, 2, argument);
    throw TZipFailure{code, text};
}

// Where the three characters before the extension lie: they number the parts of a set.
struct NumberSpan {
    size_t at, length;
};
NumberSpan PartNumberSpan(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) dot = path.size();
    const size_t at = dot - std::min<size_t>(3, dot - nameStart); // never into the folder part
    return {at, dot - at};
}

// The number written in up to three characters; 0 unless they are all digits.
int NumberIn(const std::string& digits) {
    const bool numeric =
        !digits.empty() && digits.size() <= 3 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    return numeric ? std::stoi(digits) : 0;
}

// One part file, read through a buffer: the central directory is many small records.
class TPart {
public:
    bool Open(const std::string& path) {
        file_ = TFileStream::Open(path, TFileStream::Mode::ReadOnly);
        size_ = file_ ? std::max<int64_t>(file_->Size(), 0) : 0;
        pos_ = bufStart_ = 0;
        bufLen_ = 0;
        return file_ != nullptr;
    }
    // Takes over `fd`, a plain file of `size` bytes.
    void Adopt(int fd, int64_t size) {
        file_ = TFileStream::Adopt(fd);
        size_ = size;
        pos_ = bufStart_ = 0;
        bufLen_ = 0;
    }
    void Close() { file_.reset(); }
    int64_t Size() const { return size_; }
    bool Seek(int64_t position) {
        if (position < 0 || position > size_) return false;
        pos_ = position;
        return true;
    }
    // Up to `count` (at most kBufferSize) bytes from the position; tells how many arrived.
    size_t Read(void* out, size_t count) {
        if (pos_ < bufStart_ || pos_ + int64_t(count) > bufStart_ + int64_t(bufLen_)) Fill();
        const size_t got = std::min(count, bufLen_ - static_cast<size_t>(pos_ - bufStart_));
        if (got > 0) std::memcpy(out, buffer_.data() + (pos_ - bufStart_), got);
        pos_ += int64_t(got);
        return got;
    }
    // Exactly `count` bytes at `position`, past the buffer; fails the read otherwise.
    void ReadAt(int64_t position, void* out, size_t count, int seekFailure, int readFailure) {
        if (Buffered(position, out, count)) return;
        if (!file_->Seek(position)) Fail(seekFailure);
        if (file_->Read(out, count) != count) Fail(readFailure);
    }
    // The same for records that may be absent: false instead of a failure.
    bool TryReadAt(int64_t position, void* out, size_t count) {
        return position >= 0 && position <= size_ - int64_t(count) &&
               (Buffered(position, out, count) ||
                (file_->Seek(position) && file_->Read(out, count) == count));
    }

private:
    // A small archive lies whole in the buffer after its first bytes were read: its records
    // are then taken from there.
    bool Buffered(int64_t position, void* out, size_t count) const {
        if (count == 0) return true; // nothing to copy, and no buffer may exist yet
        // Differences, not sums: a hostile offset may lie near the largest value.
        if (position < bufStart_ || position - bufStart_ > int64_t(bufLen_) - int64_t(count))
            return false;
        std::memcpy(out, buffer_.data() + (position - bufStart_), count);
        return true;
    }
    void Fill() {
        bufStart_ = pos_;
        // No more than the file holds: asking for more costs a read that finds its end, and
        // a buffer larger than the archive costs its clearing, archive after archive.
        const auto want = static_cast<size_t>(std::clamp<int64_t>(size_ - pos_, 0, kBufferSize));
        if (buffer_.size() < want) buffer_.resize(want);
        bufLen_ = file_->Seek(pos_) ? file_->Read(buffer_.data(), want) : 0;
    }
    std::unique_ptr<TFileStream> file_;
    std::vector<unsigned char> buffer_;
    int64_t size_ = -1, pos_ = 0, bufStart_ = 0;
    size_t bufLen_ = 0;
};

} // namespace

// One read of a directory, from opening the file to the last header.
class TZipDirRead {
public:
    TZipDirRead(TZipDirReader& reader, int fd) : r_(reader), fd_(fd) {}
    ~TZipDirRead() {
        if (fd_ >= 0) ::close(fd_);
    }
    void Run();

private:
    std::string CheckDrive();
    void FindEndRecord();
    bool ReadZip64(int64_t locatorPos);
    [[noreturn]] void NoEndRecord();
    void PositionDirectory();
    void ReadHeaders();
    void RequestPart(int part);
    std::string ReadBytes(size_t count, int failure);
    std::string Converted(std::string raw, const ZipDirEntry& e) const;

    TZipDirReader& r_;
    int fd_; // the caller's descriptor until the part takes it over; -1: open by name
    TPart part_;
    bool fixed_ = true;
    int partNumber_ = 0;
    int currentPart_ = 0;
    int lastPart_ = 0; // the part that holds the end record
    unsigned char record_[kEndSize] = {};
    int64_t recordPos_ = 0;
    // The ZIP64 end record, when a sound one stands in front of the end record (or in its place
    // when that is gone): its values replace the end record's.
    struct Zip64End {
        int64_t position = -1; // -1: none
        uint32_t thisDisk = 0, startDisk = 0;
        uint64_t entries = 0, size = 0, offset = 0;
    } zip64_;
};

void TZipDirRead::Run() {
    const std::string& path = r_.fileName_;
    struct stat st {};
    // Only a plain file can be an archive; anything else lists as a missing file would.
    if (fd_ >= 0 ? ::fstat(fd_, &st) != 0 : ::stat(path.c_str(), &st) != 0) return;
    if (!S_ISREG(st.st_mode)) return;
    const std::string label = CheckDrive();
    if (fd_ >= 0) {
        part_.Adopt(fd_, st.st_size);
        fd_ = -1;
    } else if (!part_.Open(path)) {
        Fail(zipcode::kCannotOpen);
    }

    if (label.rfind("PKBACK# ", 0) == 0) {
        partNumber_ = NumberIn(label.substr(8, 3));
    } else {
        const NumberSpan span = PartNumberSpan(path);
        partNumber_ = span.length == 3 ? NumberIn(path.substr(span.at, 3)) : 0;
    }
    // A small archive comes in whole with its first bytes; of a large one only they are read.
    unsigned char start[8];
    if ((part_.Size() <= int64_t(kBufferSize) ? part_.Read(start, 8) == 8 : part_.TryReadAt(0, start, 8)) &&
        Get32(start) == kSpanSignature && Get32(start + 4) == kLocalSignature)
        r_.multiPart_ = true;

    FindEndRecord();
    PositionDirectory();
    ReadHeaders();
}

// The volume label of a drive that does not count as fixed; parts of a set are named by it.
std::string TZipDirRead::CheckDrive() {
    std::string full = r_.fileName_;
    if (full.empty() || full[0] != '/') {
        std::error_code ec;
        full = std::filesystem::absolute(r_.fileName_, ec).string();
        if (ec) full = r_.fileName_;
    }
    const ZipDrive drive = r_.DriveOf ? r_.DriveOf(full) : ZipDrive{"/", 3, {}};
    if (drive.Root.empty()) Fail(zipcode::kInvalidDrive, full);
    if (drive.Type == 1) Fail(zipcode::kUndefinedDrive, drive.Root);
    // Remote drives and RAM disks hold their parts side by side as a hard disk does.
    fixed_ = drive.Type == 3 || drive.Type == 4 || drive.Type == 6;
    return fixed_ ? std::string() : drive.Label;
}

void TZipDirRead::FindEndRecord() {
    const int64_t length = part_.Size();
    bool found = false;
    if (length >= int64_t(kEndSize)) {
        recordPos_ = length - int64_t(kEndSize);
        part_.ReadAt(recordPos_, record_, kEndSize, zipcode::kSeekInput, zipcode::kReadEndRecord);
        found = Get32(record_) == kEndSignature;
    }
    // Without a comment the record ends the file; otherwise it lies within the last 64 KiB.
    // Not cleared before the read fills it: most files looked at are not archives.
    std::unique_ptr<unsigned char[]> window;
    size_t windowSize = 0;
    int64_t windowStart = length;
    // Backwards through the window from `limit`, from one 'P' to the one before it (most bytes
    // are passed over by memrchr, which matters for the many files that only look like
    // archives), until `take` accepts a place where `signature` begins.
    const auto search = [&window, &windowSize](size_t limit, uint32_t signature, const auto& take) {
        while (limit > 0) {
            const void* hit = ::memrchr(window.get(), 'P', limit);
            if (!hit) return false;
            limit = size_t(static_cast<const unsigned char*>(hit) - window.get());
            if (limit + 4 <= windowSize && Get32(&window[limit]) == signature && take(limit))
                return true;
        }
        return false;
    };
    if (!found) {
        const auto size = static_cast<size_t>(std::min(length, kMaxComment + int64_t(kEndSize)));
        windowStart = length - int64_t(size);
        window.reset(new unsigned char[size]);
        windowSize = size;
        part_.ReadAt(windowStart, window.get(), size, zipcode::kSeekInput,
                     zipcode::kReadEndRecord);
        found = search(size > kEndSize ? size - kEndSize : 0, kEndSignature, [&](size_t i) {
            recordPos_ = windowStart + int64_t(i);
            std::memcpy(record_, &window[i], kEndSize);
            return true;
        });
    }
    if (!found) {
        // A damaged end record: a ZIP64 locator may still tell where the directory lies.
        if (search(windowSize, kZip64LocatorSignature,
                   [&](size_t i) { return ReadZip64(windowStart + int64_t(i)); }))
            return;
        NoEndRecord();
    }
    ReadZip64(recordPos_ - int64_t(kZip64LocatorSize));

    const int64_t commentStart = recordPos_ + int64_t(kEndSize);
    const int64_t statedEnd = commentStart + Get16(record_ + 20);
    if (statedEnd != length) {
        bool zeroFill = statedEnd < length && length % kBlock == 0 && length - statedEnd < kBlock;
        for (int64_t at = statedEnd; zeroFill && at < length; ++at)
            zeroFill = window[size_t(at - windowStart)] == 0;
        if (!zeroFill)
            r_.Record(zipcode::kGarbageWarning, ZipMessageText(zipcode::kGarbageWarning));
    }
    // The comment lies in the window: a record found in the last 22 bytes has none in the file.
    const int64_t commentEnd = std::min(statedEnd, length);
    if (commentEnd > commentStart) {
        const auto* first =
            reinterpret_cast<const char*>(&window[size_t(commentStart - windowStart)]);
        const auto size = static_cast<size_t>(commentEnd - commentStart);
        r_.comment_.assign(first, ::strnlen(first, size));
    }
}

// Takes the ZIP64 end record that the locator at `locatorPos` points to, when both are sound.
bool TZipDirRead::ReadZip64(int64_t locatorPos) {
    unsigned char locator[kZip64LocatorSize];
    if (!part_.TryReadAt(locatorPos, locator, kZip64LocatorSize) ||
        Get32(locator) != kZip64LocatorSignature)
        return false;
    const uint64_t stated = Get64(locator + 8);
    // Where the locator says, else right in front of it: data in front of the archive (a
    // self-extractor's program) shifts every stored offset.
    for (const int64_t at : {stated < uint64_t(INT64_MAX) ? int64_t(stated) : int64_t(-1),
                             locatorPos - int64_t(kZip64EndSize)}) {
        unsigned char end[kZip64EndSize];
        if (at < 0 || at > locatorPos - int64_t(kZip64EndSize) ||
            !part_.TryReadAt(at, end, kZip64EndSize) || Get32(end) != kZip64EndSignature)
            continue;
        zip64_ = {at, Get32(end + 16), Get32(end + 20), Get64(end + 32), Get64(end + 40),
                  Get64(end + 48)};
        return true;
    }
    return false;
}

void TZipDirRead::NoEndRecord() {
    if (!r_.multiPart_ && partNumber_ != 0) Fail(zipcode::kNthDisk, std::to_string(partNumber_));
    if (!r_.multiPart_) Fail(zipcode::kNotZip);
    if (partNumber_ == 1) Fail(zipcode::kFirstDisk);
    Fail(zipcode::kFirstFile);
}

void TZipDirRead::PositionDirectory() {
    const bool wide = zip64_.position >= 0;
    // Disk numbers beyond what part names can hold name no part that exists.
    const int thisDisk = int(std::min<uint32_t>(wide ? zip64_.thisDisk : Get16(record_ + 4), 0xFFFF));
    const int startDisk = int(std::min<uint32_t>(wide ? zip64_.startDisk : Get16(record_ + 6), 0xFFFF));
    const uint64_t directorySize = wide ? zip64_.size : Get32(record_ + 12);
    const uint64_t storedOffset = wide ? zip64_.offset : Get32(record_ + 16);
    if (thisDisk != 0) r_.multiPart_ = true;
    currentPart_ = lastPart_ = thisDisk;
    int64_t position = storedOffset < uint64_t(INT64_MAX) ? int64_t(storedOffset) : -1;
    if (thisDisk == startDisk) {
        // The directory ends where the end record begins. Whatever lies in front of the archive
        // (a self-extractor's program) shifts the stored offset, so it only serves as a check.
        const int64_t end = wide ? zip64_.position : recordPos_;
        position = directorySize <= uint64_t(end) ? end - int64_t(directorySize) : -1;
        if (position < 0 || uint64_t(position) != storedOffset)
            r_.Record(zipcode::kStructureWarning, ZipMessageText(zipcode::kStructureWarning));
    } else {
        RequestPart(startDisk);
    }
    if (!part_.Seek(position)) Fail(zipcode::kSeekArchive);
}

void TZipDirRead::RequestPart(int part) {
    part_.Close();
    currentPart_ = part;
    // A disk prompt would halt the scan; only parts lying side by side can be reached.
    if (!fixed_) Fail(zipcode::kUnattendedSpan);
    std::string name = r_.fileName_;
    const NumberSpan span = PartNumberSpan(name);
    std::string digits = std::to_string(part + 1);
    digits.insert(0, digits.size() < 3 ? 3 - digits.size() : 0, '0');
    name.replace(span.at, span.length, digits);
    if (!part_.Open(name)) Fail(zipcode::kCannotOpen);
}

std::string TZipDirRead::ReadBytes(size_t count, int failure) {
    std::string bytes(count, '\0');
    if (part_.Read(bytes.data(), count) != count) Fail(failure);
    return bytes;
}

std::string TZipDirRead::Converted(std::string raw, const ZipDirEntry& e) const {
    if (e.Flag & 0x0800) return raw; // the writer says UTF-8
    // FAT and HPFS hosts write the DOS code page; NTFS hosts did so only in version 5.0.
    const bool dosHost =
        e.HostSystem == 0 || e.HostSystem == 6 || (e.HostSystem == 11 && e.MadeByVersion == 50);
    const bool oem =
        r_.CodePage == CodePageOpts::cpOEM || (r_.CodePage == CodePageOpts::cpAuto && dosHost);
    return oem ? Cp437ToUtf8(raw) : raw;
}

void TZipDirRead::ReadHeaders() {
    // A hostile count costs nothing: each header must be read before the next is looked for.
    for (uint64_t left = zip64_.position >= 0 ? zip64_.entries : Get16(record_ + 10); left > 0;
         --left) {
        unsigned char h[kHeaderSize];
        while (part_.Read(h, kHeaderSize) < kHeaderSize) {
            if (currentPart_ >= lastPart_) Fail(zipcode::kReadHeader);
            RequestPart(currentPart_ + 1);
        }
        if (Get32(h) != kCentralSignature) Fail(zipcode::kHeaderSignature);
        ZipDirEntry e;
        e.MadeByVersion = h[4];
        e.HostSystem = h[5];
        e.VersionNeeded = Get16(h + 6);
        e.Flag = Get16(h + 8);
        e.ComprMethod = Get16(h + 10);
        e.DateTime = Get32(h + 12);
        e.CRC32 = Get32(h + 16);
        e.ComprSize = Get32(h + 20);
        e.UncomprSize = Get32(h + 24);
        e.FileNameLength = Get16(h + 28);
        e.ExtraFieldLength = Get16(h + 30);
        e.FileCommentLen = Get16(h + 32);
        e.StartOnDisk = Get16(h + 34);
        e.IntFileAttrib = Get16(h + 36);
        e.ExtFileAttrib = Get32(h + 38);
        e.RelOffLocalHdr = Get32(h + 42);
        e.Encrypted = (e.Flag & 1) != 0;
        e.FileName = Converted(ReadBytes(e.FileNameLength, zipcode::kReadName), e);
        std::replace(e.FileName.begin(), e.FileName.end(), '/', '\\');
        if (e.ExtraFieldLength) e.ExtraData = ReadBytes(e.ExtraFieldLength, zipcode::kSeekArchive);
        e.Size = Zip64Size(e.ExtraData, e.UncomprSize);
        if (e.FileCommentLen)
            e.FileComment = Converted(ReadBytes(e.FileCommentLen, zipcode::kReadComment), e);

        if (!r_.UseDirOnlyEntries && !e.FileName.empty() && e.FileName.back() == '\\') {
            ++r_.dirOnlyCount_;
            continue;
        }
        r_.entries_.push_back(std::move(e));
        if (r_.OnNewName) r_.OnNewName(r_.Count(), r_.entries_.back());
    }
}

std::string ZipMessageText(int code) {
    for (const TextOf& t : kTexts)
        if (t.code == code) return t.text;
    return "The zip message table is probably not linked to the executable\nMissing String ID "
           "is: " +
           std::to_string(code);
}

void TZipDirReader::Record(int code, const std::string& message) {
    errCode_ = code;
    message_ = message;
    if (OnMessage) OnMessage(code, message);
}

void TZipDirReader::SetZipFileName(const std::string& path) {
    fileName_ = path;
    Read(-1);
}

void TZipDirReader::SetZipFile(int fd, const std::string& path) {
    fileName_ = path;
    Read(fd);
}

void TZipDirReader::Read(int fd) {
    entries_ = {};
    comment_.clear();
    multiPart_ = false;
    dirOnlyCount_ = 0;
    errCode_ = 0;
    message_.clear();
    // The read's file is closed when `read` goes, before the failure is recorded.
    try {
        TZipDirRead read(*this, fd);
        fd = -1;
        read.Run();
    } catch (const TZipFailure& failure) {
        Record(failure.code, failure.text);
    } catch (const std::bad_alloc&) {
        Record(zipcode::kOutOfMemory, ZipMessageText(zipcode::kOutOfMemory));
    } catch (const std::exception& e) {
        Record(zipcode::kUnknown, ZipMessageText(zipcode::kUnknown) + e.what());
    } catch (...) {
        Record(zipcode::kUnknown, ZipMessageText(zipcode::kUnknown));
    }
    if (OnDirUpdate) OnDirUpdate();
}

bool IsFolderMember(const ZipDirEntry& entry) {
    constexpr uint32_t kTypeMask = 0170000, kFolderMode = 0040000;
    const bool unixHost = entry.HostSystem == 3 || entry.HostSystem == 19;
    return (entry.ExtFileAttrib & 0x10) != 0 ||
           (!entry.FileName.empty() && entry.FileName.back() == '\\') ||
           (unixHost && ((entry.ExtFileAttrib >> 16) & kTypeMask) == kFolderMode);
}

bool DosDateTimeToDate(uint32_t dosDateTime, double& date) {
    const unsigned year = 1980 + (dosDateTime >> 25), month = (dosDateTime >> 21) & 15;
    const unsigned day = (dosDateTime >> 16) & 31, hour = (dosDateTime >> 11) & 31;
    const unsigned minute = (dosDateTime >> 5) & 63, second = (dosDateTime & 31) * 2;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    static constexpr unsigned kDaysBefore[13] = {0,   31,  59,  90,  120, 151, 181,
                                                 212, 243, 273, 304, 334, 365};
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
    const unsigned monthLength = kDaysBefore[month] - kDaysBefore[month - 1] + (leap && month == 2);
    if (day > monthLength) return false;
    // Days since 1 January of year 1, less those up to 30 December 1899.
    const long y = long(year) - 1;
    const long days = y * 365 + y / 4 - y / 100 + y / 400 + kDaysBefore[month - 1] +
                      (leap && month > 2) + day - 693594;
    date = double(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
    return true;
}
