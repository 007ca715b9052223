// Trees no one makes on purpose, met by the walk: huge folders, invalid names, special files,
// entries that vanish while the walk runs, link loops across several folders, an archive whose
// directory claims more members than any file holds. Each scan ends soon, with bounded memory,
// and catalogues what could be read.
#include "scan/mediascan.h"

#include "platform/volumeinfo.h"
#include "scan/scantesting.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

struct Scanned {
    CMedienListe cat;
    CMedium medium{&cat};
    double seconds = 0;
    explicit Scanned(const std::string& path, const std::function<void(TMediaScan&)>& setup = {}) {
        TMediaScan scan(medium);
        if (setup) setup(scan);
        const auto start = std::chrono::steady_clock::now();
        scan.ScanFolder(path, nullptr);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

void Touch(const std::string& path) { ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)); }

TEST(HostileTree, HundredThousandEntriesInOneFolder) {
    TempDir dir(MemoryScratch());
    constexpr int kFiles = 100000;
    const std::string folder = dir.File("many");
    ::mkdir(folder.c_str(), 0755);
    // Names of one empty file: a link is one call and no new inode (ext4 allows 65,000 links to
    // a file; files of their own take over from there).
    Touch(dir.File("one"));
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = folder + "/file" + std::to_string(i);
        if (::link(dir.File("one").c_str(), name.c_str()) != 0) Touch(name);
    }
    std::remove(dir.File("one").c_str());
    Scanned s(dir.Path());
    EXPECT_EQ(CountsOf(s.medium), (Counts{1, kFiles, 0}));
    ASSERT_EQ(s.medium.EntryCount(), 1);
    EXPECT_EQ(s.medium.GetEntry(0)->ChildCount(), kFiles);
    EXPECT_LT(s.seconds, 30) << "a folder of 100,000 names is walked in one pass";
    std::printf("100,000 entries walked in %.2f s\n", s.seconds);
    std::filesystem::remove_all(folder); // at once, without the scratch folder's permission pass
}

// Names of 255 bytes (the longest Linux allows) made of each kind of invalid UTF-8: every one is
// catalogued byte for byte.
struct BadName {
    const char* label;
    std::string unit; // repeated up to 255 bytes
};
void PrintTo(const BadName& c, std::ostream* out) { *out << c.label; }

class InvalidUtf8Names : public ::testing::TestWithParam<BadName> {};

TEST_P(InvalidUtf8Names, KeptByteForByte) {
    std::string name;
    while (name.size() + GetParam().unit.size() <= 255) name += GetParam().unit;
    name.resize(255, 'x'); // a plain tail fills up to the limit
    TempDir dir;
    const int file = ::open(dir.File(name).c_str(), O_CREAT | O_WRONLY, 0644);
    if (file < 0) GTEST_SKIP() << "this file system refuses the name: " << std::strerror(errno);
    ASSERT_EQ(::write(file, "abc", 3), 3);
    ::close(file);
    Scanned s(dir.Path());
    EXPECT_EQ(CountsOf(s.medium), (Counts{0, 1, 3}));
    ASSERT_EQ(s.medium.EntryCount(), 1);
    EXPECT_EQ(s.medium.GetEntry(0)->Name(), name);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, InvalidUtf8Names,
    ::testing::Values(BadName{"LoneContinuation", "\x80"}, BadName{"LoneLead", "\xC3 "},
                      BadName{"Overlong", "\xC0\xAF"}, BadName{"OverlongThree", "\xE0\x80\xAF"},
                      BadName{"Surrogate", "\xED\xA0\x80"}, BadName{"AboveMax", "\xF4\x90\x80\x80"},
                      BadName{"FiveByte", "\xF8\x88\x80\x80\x80"}, BadName{"FeFf", "\xFE\xFF"},
                      BadName{"TruncatedAtEnd", std::string(254, 'n') + "\xF0"},
                      BadName{"CutFourByte", "\xF0\x9F\x98"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(HostileTree, FifosSocketsAndDevicesAreCataloguedNotOpened) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe.rar").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.File("socket.zip");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string expected = "pipe pipe.rar* socket.zip*";
    // Only root may make device nodes; the null and zero devices would never end a read.
    if (::mknod(dir.File("null.zip").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0 &&
        ::mknod(dir.File("zero").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0)
        expected = "null.zip* " + expected + " zero";
    Scanned s(dir.Path(), [](TMediaScan& scan) {
        scan.ExamineZip = scan.ExamineRar = true;
        scan.OpenRar = [](const std::string&) -> std::unique_ptr<IRarArchive> {
            ADD_FAILURE() << "a special file was opened as an archive";
            return nullptr;
        };
    });
    ::close(sock);
    EXPECT_EQ(TreeShape(s.medium.Entries(), true), expected);
    EXPECT_EQ(s.medium.TotalSize, 0);
}

// A folder's items are examined when it is listed: what vanishes after that stays as it was
// seen (a folder removed before it is entered stays an empty folder); names gone before the
// listing are left out; nothing else is lost.
TEST(HostileTree, EntriesThatVanishWhileTheWalkRuns) {
    TempDir dir;
    MakeTree(dir.Path(), {"a/x:1", "b/y:2", "b/z/w:3", "c:4", "d/v:5"});
    Scanned s(dir.Path(), [&](TMediaScan& scan) {
        scan.OnFolderEntered = [&](const std::string& path) {
            if (path != dir.File("a")) return;
            std::filesystem::remove_all(dir.File("b/z"));
            std::filesystem::remove(dir.File("c"));
            std::filesystem::remove_all(dir.File("d"));
        };
    });
    // c and d were examined with a, b/z was gone before b was listed.
    EXPECT_EQ(TreeShape(s.medium.Entries(), true), "a/[x] b/[y] c d/");
    EXPECT_EQ(CountsOf(s.medium), (Counts{3, 3, 7}));
}

TEST(HostileTree, FolderMadeUnreadableHalfway) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold back root";
    TempDir dir;
    MakeTree(dir.Path(), {"a/x:1", "b/y:2", "b/sub/z:3"});
    Scanned s(dir.Path(), [&](TMediaScan& scan) {
        scan.OnFolderEntered = [&](const std::string& path) {
            if (path == dir.File("a")) ::chmod(dir.File("b").c_str(), 0);
        };
    });
    ::chmod(dir.File("b").c_str(), 0755);
    EXPECT_EQ(TreeShape(s.medium.Entries(), true), "a/[x] b/");
    EXPECT_EQ(CountsOf(s.medium), (Counts{2, 1, 1}));
}

// a/next -> ../b, b/next -> ../c, c/next -> ../a: every folder is reachable from every other.
TEST(HostileTree, LinksThatLoopThroughThreeFolders) {
    TempDir dir;
    MakeTree(dir.Path(), {"a/fa:1", "b/fb:1", "c/fc:1"});
    ASSERT_EQ(::symlink("../b", dir.File("a/next").c_str()), 0);
    ASSERT_EQ(::symlink("../c", dir.File("b/next").c_str()), 0);
    ASSERT_EQ(::symlink("../a", dir.File("c/next").c_str()), 0);
    Scanned s(dir.Path());
    // Three links, none of them followed.
    EXPECT_EQ(TreeShape(s.medium.Entries(), true), "a/[fa next] b/[fb next] c/[fc next]");
    EXPECT_EQ(CountsOf(s.medium), (Counts{3, 6, 3}));
}

std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i));
    return out;
}

// An archive with one member "a": its central header and end record (the reader never looks at
// the local records).
std::string CentralHeader() {
    return Le(0x02014B50, 4) + std::string(24, '\0') + Le(1, 2) + std::string(16, '\0') + "a";
}
std::string OneMemberZip() {
    const std::string central = CentralHeader();
    return central + Le(0x06054B50, 4) + Le(0, 4) + Le(1, 2) + Le(1, 2) + Le(central.size(), 4) +
           Le(0, 4) + Le(0, 2);
}

// The walk opens the archive once and the reader reads that file at the length it had then:
// renamed or removed meanwhile, it still lists; cut short, its directory is gone. The size is
// the one the walk saw.
TEST(HostileTree, ArchivesThatChangeBeforeTheyAreRead) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> change;
        const char* shape;
    } cases[] = {
        {"left alone", [](const std::string&) {}, "x.zip*[a]"},
        {"grown by 1 MiB", [](const std::string& f) {
             WriteWholeFile(f, OneMemberZip() + std::string(1 << 20, 'g'));
         }, "x.zip*[a]"},
        {"cut in half", [](const std::string& f) {
             ::truncate(f.c_str(), OneMemberZip().size() / 2);
         }, "x.zip*"},
        {"removed", [](const std::string& f) { std::remove(f.c_str()); }, "x.zip*[a]"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("x.zip");
        WriteWholeFile(file, OneMemberZip());
        Scanned s(dir.Path(), [&](TMediaScan& scan) {
            scan.ExamineZip = true;
            scan.ZipDriveOf = [&](dev_t, const std::string&) {
                c.change(file);
                return ZipDrive{"/", driveFixed, {}};
            };
        });
        EXPECT_EQ(TreeShape(s.medium.Entries()), c.shape) << c.what;
        EXPECT_EQ(s.medium.TotalSize, int64_t(OneMemberZip().size())) << c.what;
    }
}

// The end record says "see the ZIP64 record" in every field, and that record claims 2^31
// members in a directory of 2^40 bytes; the file holds one real member header.
TEST(HostileTree, ZipWhoseDirectoryClaimsTwoBillionMembers) {
    const std::string central = CentralHeader();
    const std::string zip64End = Le(0x06064B50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) +
                                 Le(0, 4) + Le(0, 4) + Le(uint64_t(1) << 31, 8) +
                                 Le(uint64_t(1) << 31, 8) + Le(uint64_t(1) << 40, 8) + Le(0, 8);
    const std::string locator = Le(0x07064B50, 4) + Le(0, 4) + Le(central.size(), 8) + Le(1, 4);
    const std::string end = Le(0x06054B50, 4) + Le(0xFFFF, 2) + Le(0xFFFF, 2) + Le(0xFFFF, 2) +
                            Le(0xFFFF, 2) + Le(0xFFFFFFFF, 4) + Le(0xFFFFFFFF, 4) + Le(0, 2);
    TempDir dir;
    WriteWholeFile(dir.File("huge.zip"), central + zip64End + locator + end);
    Scanned s(dir.Path(), [](TMediaScan& scan) {
        scan.ExamineZip = true;
        scan.ZipDriveOf = [](dev_t, const std::string&) { return ZipDrive{"/", driveFixed, {}}; };
    });
    EXPECT_EQ(TreeShape(s.medium.Entries()), "huge.zip*");
    EXPECT_LT(s.seconds, 5);
}

} // namespace
