// Archives built byte by byte (sound, damaged and hostile ones) and archives made by the zip tool.
#include "scan/ZipDirReader.h"
#include "scan/cp437.h"
#include "scan/scantesting.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <iconv.h>
#include <map>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// Little-endian, as every number in an archive.
std::string Le(uint64_t value, int bytes) {
    return bytes ? static_cast<char>(value & 0xFF) + Le(value >> 8, bytes - 1) : std::string();
}

ZipDirEntry Member(const std::string& name, uint32_t size = 0, uint32_t attributes = 0,
                   uint8_t host = 3, std::string extra = {}) {
    ZipDirEntry e;
    e.MadeByVersion = 30, e.HostSystem = host, e.FileName = name, e.ExtraData = std::move(extra);
    e.UncomprSize = e.ComprSize = size, e.ExtFileAttrib = attributes;
    return e;
}

// An archive as a writer would lay it out; the stated values can be bent one by one.
struct Archive {
    std::vector<ZipDirEntry> members{Member("docs/", 0, 0x10), Member("docs/a.txt", 1234, 0x20)};
    std::string comment, stub, trailer;
    int count = -1, commentLength = -1; // stated in the end record; -1: the true ones
    int64_t sizeDelta = 0;              // added to the stated directory size
    std::optional<uint32_t> offset;     // the stated directory offset; default the true one
    uint16_t thisDisk = 0, startDisk = 0;
    bool zip64 = false;         // a ZIP64 end record and locator; placeholders in the end record
    bool endRecordLost = false; // the end record's signature is damaged
    std::optional<std::string> raw; // these bytes instead of an archive
    size_t firstHeaderEnd = 0;      // set by Build: where the first central header ends

    std::string Build() {
        if (raw) return *raw;
        std::string local, central;
        size_t firstHeader = 0;
        auto length = [](uint16_t n, const std::string& s) { return n ? n : s.size(); };
        for (const ZipDirEntry& e : members) {
            const size_t at = local.size();
            // The reader never looks at local records: their fields may stay zero.
            local += Le(0x04034B50, 4) + std::string(22, 0) + Le(e.FileName.size(), 4) + e.FileName;
            central += Le(0x02014B50, 4) + char(e.MadeByVersion) + char(e.HostSystem) +
                       Le(e.VersionNeeded, 2) + Le(e.Flag, 2) + Le(e.ComprMethod, 2) +
                       Le(e.DateTime, 4) + Le(e.CRC32, 4) + Le(e.ComprSize, 4) +
                       Le(e.UncomprSize, 4) + Le(length(e.FileNameLength, e.FileName), 2) +
                       Le(length(e.ExtraFieldLength, e.ExtraData), 2) +
                       Le(length(e.FileCommentLen, e.FileComment), 2) + Le(e.StartOnDisk, 2) +
                       Le(e.IntFileAttrib, 2) + Le(e.ExtFileAttrib, 4) +
                       Le(e.RelOffLocalHdr ? e.RelOffLocalHdr : at, 4) + e.FileName + e.ExtraData +
                       e.FileComment;
            if (!firstHeader) firstHeader = central.size();
        }
        firstHeaderEnd = stub.size() + local.size() + firstHeader;
        const size_t n = count < 0 ? members.size() : size_t(count);
        const std::string wide = !zip64 ? "" :
            Le(0x06064B50, 4) + Le(44, 8) + Le(45, 4) + Le(thisDisk, 4) + Le(startDisk, 4) + Le(n, 8) + Le(n, 8) +
            Le(central.size() + sizeDelta, 8) + Le(offset.value_or(local.size()), 8) + Le(0x07064B50, 4) +
            Le(startDisk, 4) + Le(local.size() + central.size(), 8) + Le(1, 4);
        const auto field = [this](uint64_t value, int bytes) { return Le(zip64 ? ~0ull : value, bytes); };
        const std::string end = Le(endRecordLost ? 0x05054B50 : 0x06054B50, 4) + Le(thisDisk, 2) +
                                Le(startDisk, 2) + field(n, 2) + field(n, 2) +
                                field(central.size() + sizeDelta, 4) +
                                field(offset.value_or(local.size()), 4) +
                                Le(commentLength < 0 ? comment.size() : commentLength, 2);
        return stub + local + central + wide + end + comment + trailer;
    }
};

// Writes the archive as `name` in `dir` and lists it with `reader`.
void ListWritten(TZipDirReader& reader, const TempDir& dir, const std::string& name, Archive& archive) {
    WriteWholeFile(dir.File(name), archive.Build());
    reader.SetZipFileName(dir.File(name));
}

std::string LastName(const TZipDirReader& r) {
    return r.Count() ? r.Entry(r.Count() - 1).FileName : "";
}

const std::map<int, std::string> kText = {
    {10201, "Seek error reading Zip archive!"},
    {10203, "Warning - Error in zip structure!"},
    {10204, "Warning - Garbage at the end of the zipfile!"},
    {11013, "Error while reading a central header"},
    {11015, "A central header signature is wrong"},
    {11017, "Error while reading a central file name"},
    {11022, "Error while reading a file comment"},
    {11036, "This archive is not a valid Zip archive"},
    {11037, "This is the first disk in a backup set,\nplease insert the last disk of this set"},
    {11038, "This is the 3th disk in a backup set,\nplease insert the last disk of this set"},
    {11045, "This is the first file in a backup set,\nplease choose the last file of this set"},
};

const std::string kSpanned = Le(0x08074B50, 4) + Le(0x04034B50, 4) + std::string(40, 'x');

struct Case {
    const char* what;
    std::function<void(Archive&)> change;
    int code;
    int entries;
    std::string comment = "";
    const char* file = "a.zip";
};

const Case kCases[] = {
    {"sound", [](Archive&) {}, 0, 2},
    {"comment", [](Archive& a) { a.comment = "made by hand"; }, 0, 2, "made by hand"},
    {"longest comment", [](Archive& a) { a.comment.assign(65535, 'c'); }, 0, 2,
     std::string(65535, 'c')},
    {"comment ends at a zero byte", [](Archive& a) { a.comment = std::string("abc\0def", 7); }, 0,
     2, "abc"},
    {"program in front", [](Archive& a) { a.stub.assign(5000, 'M'); }, 10203, 2},
    {"garbage behind", [](Archive& a) { a.trailer = "junk"; }, 10204, 2},
    {"zero fill to a block", [](Archive& a) { a.trailer.assign(512 - a.Build().size() % 512, 0); },
     0, 2},
    {"zero fill short of a block", [](Archive& a) { a.trailer.assign(3, 0); }, 10204, 2},
    {"fill ending in a non-zero byte",
     [](Archive& a) { a.trailer.assign(511 - a.Build().size() % 512, 0) += 'x'; }, 10204, 2},
    {"512 zeros", [](Archive& a) { a.comment.assign(308, 'c'), a.trailer.assign(512, 0); }, 10204,
     2, std::string(308, 'c')},
    {"one-byte comment", [](Archive& a) { a.comment = "x"; }, 0, 2, "x"},
    {"comment cut by the file's end", [](Archive& a) { a.comment = "cut", a.commentLength = 13; },
     10204, 2, "cut"},
    {"last 22 bytes state a comment", [](Archive& a) { a.commentLength = 5; }, 10204, 2},
    {"no members", [](Archive& a) { a.members.clear(); }, 0, 0},
    {"count 65535, end record follows", [](Archive& a) { a.count = 65535; }, 11013, 2},
    {"count too large, comment follows", [](Archive& a) { a.count = 3, a.comment.assign(40, 'k'); },
     11015, 2, std::string(40, 'k')},
    {"directory size overflows", [](Archive& a) { a.sizeDelta = 0xFFFFFF00; }, 10201, 0},
    {"directory offset past the end", [](Archive& a) { a.offset = 0xFFFFFF00u; }, 10203, 2},
    {"directory one byte early", [](Archive& a) { a.sizeDelta = 1; }, 11015, 0},
    {"name past the end", [](Archive& a) { a.members[1].FileNameLength = 60000; }, 11017, 1},
    {"extra field past the end", [](Archive& a) { a.members[1].ExtraFieldLength = 900; }, 10201, 1},
    {"comment past the end", [](Archive& a) { a.members[1].FileCommentLen = 65535; }, 11022, 1},
    {"empty file", [](Archive& a) { a.raw = ""; }, 11036, 0},
    {"no end record, two digits", [](Archive& a) { a.raw = "no archive"; }, 11036, 0, "", "12.zip"},
    {"no end record, third part by name", [](Archive& a) { a.raw = "text"; }, 11038, 0, "",
     "set003.zip"},
    {"first part of a set", [](Archive& a) { a.raw = kSpanned; }, 11037, 0, "", "set001.zip"},
    {"later part of a set", [](Archive& a) { a.raw = kSpanned; }, 11045, 0, "", "set002.zip"},
    {"unnumbered part of a set", [](Archive& a) { a.raw = kSpanned; }, 11045, 0, "", "set.zip"},
    {"zip64 end record", [](Archive& a) { a.zip64 = true; }, 0, 2},
    {"zip64, end record lost", [](Archive& a) { a.zip64 = a.endRecordLost = true; }, 0, 2},
    {"zip64, program in front", [](Archive& a) { a.zip64 = true, a.stub = "MZ"; }, 10203, 2},
    {"zip64 count beyond the headers", [](Archive& a) { a.zip64 = true, a.count = 1 << 30; }, 11015, 2},
    {"zip64 directory larger than the file", [](Archive& a) { a.zip64 = true, a.sizeDelta = 1ll << 40; }, 10201, 0},
};

TEST(ZipDirReaderTest, EndRecordAndDamagedDirectories) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Archive archive;
        c.change(archive);
        TZipDirReader reader;
        ListWritten(reader, dir, c.file, archive);
        EXPECT_EQ(reader.ErrCode(), c.code);
        EXPECT_EQ(reader.Message(), c.code ? kText.at(c.code) : "");
        EXPECT_EQ(reader.Count(), c.entries);
        EXPECT_EQ(reader.ZipComment(), c.comment);
        EXPECT_EQ(LastName(reader), c.entries == 2 ? "docs\\a.txt" : c.entries ? "docs\\" : "");
    }
}

TEST(ZipDirReaderTest, EveryHeaderFieldLandsInItsPlace) {
    ZipDirEntry in;
    in.MadeByVersion = 63, in.HostSystem = 3, in.VersionNeeded = 0x0A14, in.Flag = 0x0009;
    in.ComprMethod = 8, in.DateTime = 0x5A8B6C3D, in.CRC32 = 0xCAFEBABE, in.ComprSize = 0x01020304;
    in.UncomprSize = 0xFFFFFFFF, in.StartOnDisk = 0x0605, in.IntFileAttrib = 0x0807;
    in.ExtFileAttrib = 0x81A40020, in.RelOffLocalHdr = 0x11223344;
    in.FileName = "dir/sub/file.txt", in.FileComment = "a note";
    in.ExtraData = std::string("UT\x05\0\x01wxyz", 9);
    Archive archive;
    archive.members = {in};
    TempDir dir;
    TZipDirReader reader;
    ListWritten(reader, dir, "f.zip", archive);
    ASSERT_EQ(reader.Count(), 1);
    EXPECT_EQ(reader.ErrCode(), 0);
    ZipDirEntry out = reader.Entry(0);
    EXPECT_EQ(out.FileName, "dir\\sub\\file.txt");
    EXPECT_TRUE(out.Encrypted);
    // Written back, every field must give the same bytes again.
    out.FileName = in.FileName;
    archive.members = {out};
    EXPECT_EQ(archive.Build(), ReadWholeFile(dir.File("f.zip")));
}

// The members of a ZIP file as the scan places them under the archive's entry.
struct Placed {
    CMedienListe cat;
    CMedium medium{&cat};
    CFile* entry = CFile::Create(&medium, nullptr);
    explicit Placed(const std::string& file) {
        TZipDirReader reader;
        reader.SetZipFileName(file);
        medium.AddEntry(entry), ListZipLevel(reader, entry, {});
    }
};

std::string Zip64Field(std::string values) { return Le(1, 2) + Le(values.size(), 2) + values; }
constexpr uint32_t kFolderMode = 040775u << 16, kFileMode = 0100644u << 16, kMax = 0xFFFFFFFF;
constexpr int64_t k5G = int64_t(5) << 30;

// Folders as each maker marks them, and sizes from the ZIP64 field.
TEST(ZipDirReaderTest, FoldersAndSizesAsEachMakerWritesThem) {
    const std::tuple<const char*, ZipDirEntry, bool, int64_t> rows[] = {
        {"jar: a name ending in /", Member("META-INF/", 0, 0, 0), true, 0},
        {"macOS: a folder mode only", Member("__MACOSX", 0, kFolderMode, 19), true, 0},
        {"a Unix file", Member("f", 5, kFileMode, 3), false, 5},
        {"a folder mode from a DOS host", Member("odd", 2, kFolderMode, 0), false, 2},
        {"zip64 size after another field",
         Member("film", kMax, 0, 3, Le(0x5455, 2) + Le(1, 2) + "\1" + Zip64Field(Le(k5G, 8) + Le(7, 8))), false, k5G},
        {"zip64 size beyond any file", Member("f", kMax, 0, 3, Zip64Field(Le(~0ull, 8))), false, kMax},
    };
    for (const auto& [what, member, folder, size] : rows) {
        Archive archive;
        archive.members = {member};
        TempDir dir;
        TZipDirReader reader;
        ListWritten(reader, dir, "m.zip", archive);
        ASSERT_EQ(reader.Count(), 1) << what;
        EXPECT_EQ(IsFolderMember(reader.Entry(0)), folder) << what;
        EXPECT_EQ(reader.Entry(0).Size, size) << what;
    }
}

TEST(ZipDirReaderTest, NamesAndCommentsTranslatedByHostAndFlag) {
    const std::tuple<uint8_t, uint8_t, uint16_t, CodePageOpts, bool> rows[] = {
        {0, 20, 0, CodePageOpts::cpAuto, true},   // FAT
        {6, 20, 0, CodePageOpts::cpAuto, true},   // HPFS
        {11, 50, 0, CodePageOpts::cpAuto, true},  // NTFS by version 5.0
        {11, 20, 0, CodePageOpts::cpAuto, false}, // NTFS otherwise
        {11, 63, 0, CodePageOpts::cpAuto, false},
        {3, 30, 0, CodePageOpts::cpAuto, false},      // Unix
        {0, 20, 0x0800, CodePageOpts::cpAuto, false}, // flagged as UTF-8
        {0, 20, 0, CodePageOpts::cpNone, false},
        {3, 30, 0, CodePageOpts::cpOEM, true},
    };
    const std::string raw = "K\x94ln/\x9C\xE3\xFD \x81.txt"; // code page 437
    std::string unchanged = raw;
    unchanged[4] = '\\';
    for (const auto& [host, version, flag, codePage, translated] : rows) {
        SCOPED_TRACE("host " + std::to_string(host) + " flag " + std::to_string(flag));
        Archive archive;
        archive.members = {Member(raw)};
        archive.members[0].HostSystem = host, archive.members[0].MadeByVersion = version;
        archive.members[0].Flag = flag, archive.members[0].FileComment = "\x81";
        TempDir dir;
        TZipDirReader reader;
        reader.CodePage = codePage;
        ListWritten(reader, dir, "n.zip", archive);
        ASSERT_EQ(reader.Count(), 1);
        EXPECT_EQ(reader.Entry(0).FileName, translated ? "Köln\\£π² ü.txt" : unchanged);
        EXPECT_EQ(reader.Entry(0).FileComment, translated ? "ü" : "\x81");
    }
}

TEST(ZipDirReaderTest, PartsOfASet) {
    // Parts are looked for side by side on hard disks, network drives and RAM disks only.
    const std::pair<int, int> codeByDriveType[] = {{3, 0},     {4, 0},     {6, 0},
                                                   {0, 11025}, {2, 11025}, {5, 11025}};
    // The directory starts in set001.zip and ends in set002.zip, where the end record lies.
    TempDir dir;
    Archive archive;
    archive.thisDisk = 1, archive.startDisk = 0, archive.comment.assign(200, 'c');
    const std::string bytes = archive.Build();
    WriteWholeFile(dir.File("set001.zip"), bytes.substr(0, archive.firstHeaderEnd));
    WriteWholeFile(dir.File("set002.zip"), bytes.substr(archive.firstHeaderEnd));
    for (const auto& [type, code] : codeByDriveType) {
        SCOPED_TRACE("drive type " + std::to_string(type));
        TZipDirReader reader;
        // clang 14 cannot capture a structured binding: capture a copy under a plain name.
        reader.DriveOf = [driveType = type](const std::string&) {
            return ZipDrive{"/media", driveType, "DISK"};
        };
        reader.SetZipFileName(dir.File("set002.zip"));
        EXPECT_EQ(reader.ErrCode(), code);
        EXPECT_EQ(reader.Message(), code ? "Unattended disk spanning not implemented" : "");
        EXPECT_EQ(reader.Count(), code ? 0 : 2);
        EXPECT_TRUE(reader.IsMultiPart());
        EXPECT_EQ(LastName(reader), code ? "" : "docs\\a.txt");
    }

    std::remove(dir.File("set001.zip").c_str());
    TZipDirReader reader;
    reader.SetZipFileName(dir.File("set002.zip"));
    EXPECT_EQ(reader.ErrCode(), 11001);
    EXPECT_EQ(reader.Message(), "Input file does not exist");
    EXPECT_EQ(reader.Count(), 0);
}

TEST(ZipDirReaderTest, DrivesThatCannotHoldTheArchive) {
    TempDir dir;
    WriteWholeFile(dir.File("x.zip"), "no end record here");
    const std::tuple<ZipDrive, int, std::string> rows[] = {
        {{"", 3, ""}, 11003, "Not a valid drive: " + dir.File("x.zip")},
        {{"/mnt/gone", 1, ""}, 11004, "Drive /mnt/gone is NOT defined"},
        {{"/", 3, "PKBACK# 004"}, 11036, "This archive is not a valid Zip archive"},
        {{"/media/cd", 5, "PKBACK# 004"},
         11038,
         "This is the 4th disk in a backup set,\nplease insert the last disk of this set"},
    };
    for (const auto& [drive, code, message] : rows) {
        TZipDirReader reader;
        reader.DriveOf = [&drive = drive](const std::string&) { return drive; };
        reader.SetZipFileName(dir.File("x.zip"));
        EXPECT_EQ(reader.ErrCode(), code);
        EXPECT_EQ(reader.Message(), message);
    }
}

TEST(ZipDirReaderTest, EventsAndFailuresFromThem) {
    TempDir dir;
    Archive archive;
    archive.stub = "MZ program", archive.trailer = "junk";
    archive.members.push_back(Member("docs/b.txt"));
    WriteWholeFile(dir.File("e.zip"), archive.Build());
    TZipDirReader reader;
    std::vector<int> codes, numbers;
    int updates = 0;
    reader.OnMessage = [&](int code, const std::string&) { codes.push_back(code); };
    reader.OnNewName = [&](int n, const ZipDirEntry&) { numbers.push_back(n); };
    reader.OnDirUpdate = [&] { ++updates; };
    reader.UseDirOnlyEntries = false;
    reader.SetZipFileName(dir.File("e.zip"));
    EXPECT_EQ(codes, (std::vector<int>{10204, 10203}));
    EXPECT_EQ(numbers, (std::vector<int>{1, 2}));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(LastName(reader), "docs\\b.txt");
    EXPECT_EQ(reader.DirOnlyCount(), 1);

    // A failure of any kind inside the read is recorded, never thrown; the entries stay.
    reader.OnNewName = [](int, const ZipDirEntry&) { throw std::bad_alloc(); };
    EXPECT_NO_THROW(reader.SetZipFileName(dir.File("e.zip")));
    EXPECT_EQ(reader.ErrCode(), 10103);
    EXPECT_EQ(reader.Message(), "Requested memory not available");
    EXPECT_EQ(reader.Count(), 1);
    reader.OnNewName = [](int, const ZipDirEntry&) { throw std::runtime_error("disk gone"); };
    reader.SetZipFileName(dir.File("e.zip"));
    EXPECT_EQ(reader.ErrCode(), 10202);
    EXPECT_EQ(reader.Message(), "Unknown error in List() function\ndisk gone");
    EXPECT_EQ(updates, 3);
}

TEST(ZipDirReaderTest, FilesThatAreNoArchives) {
    TempDir dir;
    Archive archive;
    archive.comment = "old";
    WriteWholeFile(dir.File("a.zip"), archive.Build());
    ::mkdir(dir.File("folder.zip").c_str(), 0755);
    const int fd = ::open(dir.File("a.zip").c_str(), O_RDONLY);
    TZipDirReader reader;
    for (const char* name : {"missing.zip", "folder.zip"}) {
        reader.SetZipFileName(dir.File("a.zip"));
        ASSERT_EQ(reader.Count(), 2);
        reader.SetZipFileName(dir.File(name)); // forgets the previous archive, records nothing
        EXPECT_EQ(reader.Count(), 0);
        EXPECT_EQ(reader.ErrCode(), 0);
        EXPECT_EQ(reader.ZipComment(), "");
    }
    ASSERT_EQ(::flock(fd, LOCK_EX), 0); // another program writes it
    reader.SetZipFileName(dir.File("a.zip"));
    EXPECT_EQ(reader.ErrCode(), 11001);
    ::close(fd);
}

TEST(ZipDirReaderTest, DosDatesToDayCounts) {
    using namespace std::chrono;
    // Year, month, day, hour, minute, second, and whether such a moment exists.
    const int rows[][7] = {
        {1980, 1, 1, 0, 0, 0, true},      {2000, 2, 29, 12, 30, 58, true},
        {2021, 12, 31, 23, 59, 58, true}, {2107, 12, 31, 23, 59, 58, true},
        {1981, 2, 29, 0, 0, 0, false},    {2100, 2, 29, 0, 0, 0, false},
        {1999, 4, 31, 0, 0, 0, false},    {1999, 0, 10, 0, 0, 0, false},
        {1999, 13, 10, 0, 0, 0, false},   {1999, 5, 0, 0, 0, 0, false},
        {1999, 5, 1, 24, 0, 0, false},    {1999, 5, 1, 10, 60, 0, false},
        {1999, 5, 1, 10, 0, 60, false},
    };
    for (const auto& [y, mo, d, h, mi, sec, valid] : rows) {
        SCOPED_TRACE(testing::Message() << y << '-' << mo << '-' << d << ' ' << h << ':' << mi);
        const uint32_t dos = uint32_t(y - 1980) << 25 | uint32_t(mo) << 21 | uint32_t(d) << 16 |
                             uint32_t(h) << 11 | uint32_t(mi) << 5 | uint32_t(sec / 2);
        double date = -1;
        EXPECT_EQ(DosDateTimeToDate(dos, date), valid != 0);
        if (!valid) continue;
        const auto days = sys_days(year(y) / mo / d) - sys_days(1899y / 12 / 30);
        EXPECT_DOUBLE_EQ(date, days.count() + (h * 3600 + mi * 60 + sec) / 86400.0);
    }
}

TEST(ZipDirReaderTest, Cp437AgreesWithTheSystemConverter) {
    iconv_t cd = ::iconv_open("UTF-8", "CP437");
    if (cd == iconv_t(-1)) GTEST_SKIP() << "no CP437 converter in the C library";
    for (int b = 0; b < 256; ++b) {
        char in = char(b), out[8] = {}, *from = &in, *to = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(::iconv(cd, &from, &inLeft, &to, &outLeft), size_t(-1));
        EXPECT_EQ(Cp437ToUtf8(std::string(1, char(b))), std::string(out, to)) << "byte " << b;
    }
    ::iconv_close(cd);
}

TEST(ZipDirReaderTest, ArchivesOfTheZipTool) {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
    TempDir dir;
    const std::string src = dir.File("src");
    std::filesystem::create_directories(src + "/docs/sub");
    WriteWholeFile(src + "/docs/sub/deep.txt", "0123456789");
    WriteWholeFile(src + "/ünïcode.txt", "hi");
    const std::string make = "cd '" + src +
                             "' && touch -d '2021-03-04 05:06:08' docs/sub/deep.txt && "
                             "printf 'made for a test' | zip -q -r -z ../t.zip docs ünïcode.txt";
    ASSERT_EQ(std::system(make.c_str()), 0);

    const std::vector<std::string> names = {"docs\\", "docs\\sub\\", "docs\\sub\\deep.txt",
                                            "ünïcode.txt"};
    TZipDirReader reader;
    reader.SetZipFileName(dir.File("t.zip"));
    EXPECT_EQ(reader.ErrCode(), 0);
    EXPECT_EQ(reader.ZipComment(), "made for a test");
    ASSERT_EQ(reader.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reader.Entry(i).FileName, names[size_t(i)]);
        EXPECT_EQ((reader.Entry(i).ExtFileAttrib & 0x10) != 0, names[size_t(i)].back() == '\\');
    }
    EXPECT_EQ(reader.Entry(2).UncomprSize, 10u);
    double date = 0;
    ASSERT_TRUE(DosDateTimeToDate(reader.Entry(2).DateTime, date));
    EXPECT_DOUBLE_EQ(date, 44259 + (5 * 3600 + 6 * 60 + 8) / 86400.0); // 2021-03-04 05:06:08

    // A self-extractor: a program in front, first as simply joined, then with offsets adjusted.
    WriteWholeFile(dir.File("sfx.zip"),
                   std::string(3000, '\x90') + ReadWholeFile(dir.File("t.zip")));
    for (int expected : {10203, 0}) {
        reader.SetZipFileName(dir.File("sfx.zip"));
        EXPECT_EQ(reader.ErrCode(), expected);
        EXPECT_EQ(LastName(reader), names[3]);
        ASSERT_EQ(std::system(("zip -q -A '" + dir.File("sfx.zip") + "'").c_str()), 0);
    }

    // Each tool marks folders its own way, or writes none: the members land in the same tree.
    for (const auto& [tool, make] : std::vector<std::pair<std::string, const char*>>{
             {"zip", "zip -q -r -D ../zip.zip docs"}, {"7z", "7z a -tzip -bd ../7z.zip docs >/dev/null"},
             {"bsdtar", "bsdtar --format zip -cf ../bsdtar.zip docs"},
             {"python3", "python3 -c \"import zipfile; zipfile.ZipFile('../python3.zip', 'w').write('docs/sub/deep.txt')\""}}) {
        if (std::system(("command -v " + tool + " >/dev/null").c_str()) != 0) continue;
        ASSERT_EQ(std::system(("cd '" + src + "' && " + make).c_str()), 0) << make;
        Placed placed(dir.File(tool + ".zip"));
        EXPECT_EQ(TreeShape(placed.entry->Children()), "docs/[sub/[deep.txt]]") << tool;
        EXPECT_EQ(CountsOf(placed.medium), (Counts{2, 1, 10})) << tool;
    }
}

} // namespace
