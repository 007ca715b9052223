// The directory walk on real folder trees: what is catalogued, how links, odd names, unreadable
// and very deep folders are met, archives, and Stop.
#include "scan/mediascan.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/contentstream.h"
#include "catalogue/workers.h"
#include "platform/volumeinfo.h"
#include "scan/scantesting.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

struct Scanned {
    CMedienListe cat;
    CMedium medium{&cat};
    std::vector<std::string> entered, unread;
    explicit Scanned(const std::string& path, const std::function<void(TMediaScan&)>& setup = {}) {
        TMediaScan scan(medium);
        scan.OnFolderEntered = [this](const std::string& p) { entered.push_back(p); };
        if (setup) setup(scan);
        scan.ScanFolder(path, nullptr);
        unread = scan.UnreadFolders;
    }
    std::string Shape() const { return TreeShape(medium.Entries(), true); }
};

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Removes a tree deeper than PATH_MAX, which the scratch folder's own cleanup cannot reach.
void RemoveDeep(const std::string& path) { std::system(("rm -rf '" + path + "'").c_str()); }

bool HaveZip() { return std::system("zip -v >/dev/null 2>&1") == 0; }

TEST(Scan, CataloguesEveryEntryWithItsKind) {
    TempDir dir;
    MakeTree(dir.Path(), {"docs/a.txt:5", "docs/.hidden:3", "docs/sub/deep.bin:7", "docs/empty/",
                          ".config/x:1", "DATA.Zip:10", "t.zipx:1", "a.r00:1", "b.RAR:2"});
    Scanned s(dir.Path());
    EXPECT_EQ(s.Shape(), ".config/[x] DATA.Zip* a.r00 b.RAR* docs/[.hidden a.txt empty/ sub/[deep.bin]] t.zipx");
    EXPECT_EQ(CountsOf(s.medium), (Counts{4, 8, 30}));
    EXPECT_TRUE(s.medium.ContentLoaded);
    for (const CFile* e : s.medium.Entries()) {
        if (e->Kind == kindFolder) {
            EXPECT_EQ(e->Size, 0) << e->Name();
        }
    }
}

TEST(Scan, OddNamesStayWhole) {
    TempDir dir;
    const std::vector<std::string> names = {"a:b.zip", "c\\d", "\xff\xfe.txt", "new\nline", " ", "x:y\\z"};
    for (const std::string& name : names) WriteWholeFile(dir.File(name), "1");
    Scanned s(dir.Path());
    EXPECT_EQ(s.Shape(), "  a:b.zip* c\\d new\nline x:y\\z \xff\xfe.txt");
    EXPECT_EQ(CountsOf(s.medium), (Counts{0, 6, 6}));
}

TEST(Scan, WholeSecondLocalDatesAndExactLargeSizes) {
    TempDir dir;
    WriteWholeFile(dir.File("t"), "");
    ASSERT_EQ(::truncate(dir.File("t").c_str(), (int64_t(5) << 30) + 3), 0); // sparse
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 999999999}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.File("t").c_str(), times, 0), 0);
    const char* oldZone = std::getenv("TZ");
    const std::string saved = oldZone ? oldZone : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    Scanned s(dir.Path());
    oldZone ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
    ASSERT_EQ(s.medium.EntryCount(), 1);
    EXPECT_DOUBLE_EQ(s.medium.GetEntry(0)->Date, 45244 + 80000 / 86400.0) << "2023-11-14 22:13:20";
    EXPECT_EQ(s.medium.GetEntry(0)->Size, (int64_t(5) << 30) + 3);
    EXPECT_EQ(s.medium.TotalSize, (int64_t(5) << 30) + 3);
}

// Links are entries of their own, size 0, dated by the link, whatever they point to.
TEST(Scan, LinksAreCataloguedNeverFollowed) {
    TempDir dir;
    MakeTree(dir.Path(), {"real/f:4"});
    for (const auto& [target, link] : std::vector<std::pair<const char*, const char*>>{
             {"real/f", "tofile"}, {"real", "todir"}, {"..", "real/up"}, {".", "real/self"},
             {"loop", "loop"}, {"nowhere", "dangling"}, {"/proc", "toproc"}, {"/", "toroot"},
             {"real/f", "pack.zip"}})
        ASSERT_EQ(::symlink(target, dir.File(link).c_str()), 0);
    const timespec times[2] = {{0, UTIME_OMIT}, {86400 * 365, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.File("todir").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    Scanned s(dir.Path());
    EXPECT_EQ(s.Shape(), "dangling loop pack.zip real/[f self up] todir tofile toproc toroot");
    EXPECT_EQ(CountsOf(s.medium), (Counts{1, 10, 4}));
    EXPECT_EQ(s.entered, std::vector<std::string>{dir.File("real")});
    const auto& top = s.medium.Entries();
    const auto link = std::find_if(top.begin(), top.end(), [](const CFile* e) { return e->Name() == "todir"; });
    ASSERT_NE(link, top.end());
    EXPECT_EQ((*link)->Date, UnixTimeToLocalDate(86400 * 365)) << "the link's own date";
    for (const CFile* e : top) EXPECT_NE(e->Kind, kindArchive) << e->Name() << ": a link is a file";
}

// Runs a shell command, for mounting; false when this machine does not allow it.
bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Another file system mounted inside the tree is catalogued as an empty folder; a bind mount of
// the same file system leading back to an ancestor is catalogued without being entered.
TEST(Scan, MountPointsAreCataloguedNotEntered) {
    TempDir dir;
    MakeTree(dir.Path(), {"tree/a/f:2", "tree/disk/hidden:1", "tree/again/"});
    const std::string image = dir.File("disk.img"), disk = dir.File("tree/disk");
    if (::geteuid() != 0 || !Shell("truncate -s 4M '" + image + "' && mkfs.ext4 -q '" + image + "'") ||
        !Shell("mount -o loop '" + image + "' '" + disk + "'"))
        GTEST_SKIP() << "mounting a disc image is not allowed here";
    WriteWholeFile(disk + "/inside", "12345");
    const std::string again = dir.File("tree/again");
    const bool bound = Shell("mount --bind '" + dir.File("tree") + "' '" + again + "'");
    Scanned s(dir.File("tree"));
    if (bound) Shell("umount '" + again + "'");
    Shell("umount '" + disk + "'");
    EXPECT_EQ(s.Shape(), "a/[f] again/ disk/");
    EXPECT_EQ(CountsOf(s.medium), (Counts{3, 1, 2}));
}

// Root's file accesses are checked as another user's for the scan: without its file
// capabilities, permissions hold it back too.
TEST(Scan, UnreadableFoldersStayEmptyAndAreNamed) {
    TempDir dir;
    MakeTree(dir.Path(), {"locked/f:1", "listonly/g:2", "open/locked/h:3"});
    ::chmod(dir.Path().c_str(), 0755);
    for (const char* folder : {"locked", "open/locked"}) ::chmod(dir.File(folder).c_str(), 0);
    ::chmod(dir.File("listonly").c_str(), 0444); // names readable, entries not examinable
    const uid_t user = ::geteuid() == 0 ? 65534 : ::geteuid();
    ::setfsuid(user);
    Scanned s(dir.Path());
    ::setfsuid(::geteuid());
    EXPECT_EQ(s.Shape(), "listonly/[g] locked/ open/[locked/]");
    EXPECT_EQ(CountsOf(s.medium), (Counts{4, 1, 0}));
    EXPECT_EQ(s.unread, (std::vector<std::string>{dir.File("locked"), dir.File("open/locked")}));
}

TEST(Scan, DepthFirstInNameOrder) {
    TempDir dir;
    MakeTree(dir.Path(), {"j:1", "i/", "h:1", "e/g/", "a/d/", "a/b/f:1", "a/b/c/"});
    Scanned s(dir.Path() + "/");
    EXPECT_EQ(TreeShape(s.medium.Entries()), "a/[b/[c/ f] d/] e/[g/] h i/ j");
    ASSERT_EQ(s.entered.size(), 7u);
    for (size_t i = 0; i < s.entered.size(); ++i) {
        const std::string& p = s.entered[i];
        EXPECT_EQ(p.find("//"), std::string::npos) << p;
        // Each folder entered lies inside the previous one or inside one of its ancestors.
        const std::string parent = p.substr(0, p.rfind('/'));
        const std::string before = i == 0 ? dir.Path() : s.entered[i - 1];
        EXPECT_TRUE(before == parent || before.rfind(parent + "/", 0) == 0) << before << " then " << p;
    }
}

struct NameOrderCase {
    const char* name;
    std::vector<std::string> created; // in this order, so that the listing is not sorted by chance
    const char* shape;                // as catalogued
};

void PrintTo(const NameOrderCase& c, std::ostream* out) { *out << c.name; }

class NameOrder : public ::testing::TestWithParam<NameOrderCase> {};

// Every folder's items are catalogued in name order, whatever order the file system lists them
// in; below the open-folder limit too, where folders are closed and opened again.
TEST_P(NameOrder, ItemsOfEveryFolderAreCataloguedInNameOrder) {
    const NameOrderCase& c = GetParam();
    TempDir dir;
    std::string deep = "d";
    for (size_t level = 1; level < TMediaScan::kOpenFolderLimit + 3; ++level) deep += "/d";
    for (const std::string& folder : {std::string("top"), "top/" + deep}) {
        std::filesystem::create_directories(dir.File(folder));
        for (const std::string& name : c.created)
            if (name.back() == '/')
                ::mkdir(dir.File(folder + "/" + name).c_str(), 0755);
            else
                WriteWholeFile(dir.File(folder + "/" + name), "1");
    }
    Scanned s(dir.File("top"));
    // The shape of each level without the chain of "d" folders, from the top down.
    std::vector<std::string> shapes;
    for (const EntryList* level = &s.medium.Entries(); level;) {
        std::string shape;
        const EntryList* next = nullptr;
        for (const CFile* e : *level) {
            if (e->Name() == "d") {
                next = &e->Children();
                continue;
            }
            shape += (shape.empty() ? "" : " ") + std::string(e->Name()) + (e->Kind == kindFolder ? "/" : "");
        }
        shapes.push_back(shape);
        level = next;
    }
    ASSERT_EQ(shapes.size(), TMediaScan::kOpenFolderLimit + 4) << "the top and every level of d";
    EXPECT_EQ(shapes.front(), c.shape);
    EXPECT_EQ(shapes.back(), c.shape) << "below the open-folder limit";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Scan, NameOrder, ::testing::Values(
    NameOrderCase{"LettersFoldedFoldersAmongFiles",
                  {"D.txt", "c1/", "b.txt", "C", "B2/", "a"}, "a b.txt B2/ C c1/ D.txt"},
    NameOrderCase{"SameLettersByRawBytes",
                  {"readme", "rEADME", "ReadMe", "README"}, "README ReadMe rEADME readme"},
    NameOrderCase{"PunctuationAgainstUpperCase",
                  {"a~", "a_b", "A[", "aB", "Ab", "A-b", "a b"}, "a b A-b Ab aB A[ a_b a~"},
    NameOrderCase{"OtherBytesByTheirValue",
                  {"\xff\xfe", "\xe2\x82\xac", "\xc3\xa9t\xc3\xa9", "\xc3\x89t\xc3\xa9", "zz", "Zebra"},
                  "Zebra zz \xc3\x89t\xc3\xa9 \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xff\xfe"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Scan, MissingOrFileStartAddsNothing) {
    TempDir dir;
    WriteWholeFile(dir.File("file"), "abc");
    for (const std::string& start : {dir.File("missing"), dir.File("file"), std::string()}) {
        Scanned s(start);
        EXPECT_EQ(s.medium.EntryCount(), 0) << start;
        EXPECT_EQ(CountsOf(s.medium), (Counts{0, 0, 0}));
    }
}

TEST(Scan, StopIsSeenBeforeTheNextEntry) {
    TempDir dir;
    for (int i = 0; i < 10; ++i) WriteWholeFile(dir.File("f" + std::to_string(i)), "12");
    for (int stopAt : {1, 5, 11, 12}) {
        bool stopped = false;
        int polls = 0;
        Scanned s(dir.Path(), [&](TMediaScan& scan) {
            scan.Control = {&stopped, [&] { stopped = ++polls == stopAt; }};
        });
        EXPECT_EQ(s.medium.FileCount, std::min(stopAt - 1, 10));
    }
}

// 10,000 levels, each with a file. The bottom holds a link back to the top (an entry, not a
// way back in) and a ZIP whose path is longer than PATH_MAX.
TEST(Scan, DeepChainWithBoundedDescriptors) {
    TempDir dir(MemoryScratch());
    const std::string root = dir.File("root");
    ::mkdir(root.c_str(), 0755);
    const bool zip = HaveZip();
    std::string zipBytes;
    if (zip) {
        MakeTree(dir.Path(), {"m.txt:6"});
        std::system(("cd '" + dir.Path() + "' && zip -q z.zip m.txt").c_str());
        zipBytes = ReadWholeFile(dir.File("z.zip"));
    }
    constexpr int kLevels = 10000;
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 1; level <= kLevels; ++level) {
        ::mkdirat(fd, "d", 0755);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ::close(::openat(fd, "f", O_CREAT | O_WRONLY, 0644));
    }
    ::symlinkat(root.c_str(), fd, "top");
    const int z = ::openat(fd, "z.zip", O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::write(z, zipBytes.data(), zipBytes.size()), ssize_t(zipBytes.size()));
    ::close(z);
    ::close(fd);

    const int before = OpenDescriptors();
    int most = 0;
    int drivesAsked = 0;
    Scanned s(root, [&](TMediaScan& scan) {
        scan.ExamineZip = true;
        // This machine's drive of the archive, found through the descriptor path used below.
        scan.ZipDriveOf = [&](dev_t device, const std::string& path) {
            ++drivesAsked;
            return TLinuxVolumes().ArchiveDrive(device, path);
        };
        scan.OnFolderEntered = [&, folders = 0](const std::string&) mutable {
            if (++folders % 16 == 0) most = std::max(most, OpenDescriptors());
        };
    });
    EXPECT_LE(most - before, int(TMediaScan::kOpenFolderLimit) + 2);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(CountsOf(s.medium), (Counts{kLevels, kLevels + 2 + zip, int64_t(zipBytes.size()) + 6 * zip}));
    const CFile* bottom = s.medium.GetEntry(0);
    for (int level = 1; level < kLevels; ++level) {
        const CFile* next = nullptr;
        for (const CFile* e : bottom->Children())
            if (e->Name() == "d") next = e;
        ASSERT_TRUE(next) << "level " << level;
        bottom = next;
    }
    EXPECT_EQ(TreeShape(bottom->Children(), true), zip ? "f top z.zip*[m.txt]" : "f top z.zip*");
    EXPECT_EQ(drivesAsked, zip ? 1 : 0);

    // The same walk with the block written and compressed on the workers as it runs: the bytes
    // of the sequential scan's block, and a saved data file the same as without it.
    CMedienListe streamedCat;
    CMedium& streamed = *streamedCat.AddMedium(std::make_unique<CMedium>(&streamedCat));
    std::shared_ptr<TPackedContent> packed;
    {
        TOrderedWork work(2, 2);
        TContentStream content(streamed, work);
        TMediaScan scan(streamed);
        scan.ExamineZip = true;
        scan.Content = &content;
        scan.ScanFolder(root, nullptr);
        packed = content.End();
    }
    ASSERT_TRUE(packed);
    TMemoryStream records, compressed;
    ASSERT_TRUE(s.medium.WriteContentRecords(records) && CompressToFile(records, compressed));
    EXPECT_GT(records.Size(), 500000) << "several blocks";
    EXPECT_TRUE(packed->Holds(records));
    const std::string packedBytes(packed->compressed.Data(), size_t(packed->compressed.Size()));
    EXPECT_EQ(packedBytes, std::string(compressed.Data(), size_t(compressed.Size())));
    OfferPackedContent(&streamed, packed);
    ASSERT_TRUE(streamedCat.Save(dir.File("streamed.SXF")));
    const std::string streamedData = ReadWholeFile(streamedCat.DataFileName);
    EXPECT_FALSE(TakePackedContent(&streamed)) << "taken by the save";
    auto removed = std::make_unique<CMedium>(nullptr);
    OfferPackedContent(removed.get(), packed);
    EXPECT_EQ(packed.use_count(), 2);
    removed.reset();
    EXPECT_EQ(packed.use_count(), 1) << "dropped with its medium";
    streamed.Stored = false; // compressed again, not copied
    ASSERT_TRUE(streamedCat.Save(dir.File("plain.SXF")));
    EXPECT_EQ(streamedData, ReadWholeFile(streamedCat.DataFileName));

    // Stopped deep inside: whatever was read stays attached, nothing stays open.
    bool stopped = false;
    int entered = 0;
    Scanned cut(root, [&](TMediaScan& scan) {
        scan.OnFolderEntered = [&](const std::string&) { ++entered; };
        scan.Control = {&stopped, [&] { stopped = entered == 2000; }};
    });
    EXPECT_EQ(cut.medium.FolderCount, 2000);
    EXPECT_EQ(OpenDescriptors(), before);
    RemoveDeep(root);
}

TEST(Scan, ZipMembersOnlyWhenAsked) {
    if (!HaveZip()) GTEST_SKIP() << "no zip tool";
    TempDir dir;
    MakeTree(dir.Path(), {"stage/a/x.txt:3", "stage/b.txt:4", "stage/inner.zip:5", "scan/bad.zip:5"});
    ASSERT_EQ(std::system(("cd '" + dir.File("stage") + "' && zip -q -r ../scan/DATA.Zip a b.txt inner.zip").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("scan/p.zip").c_str(), 0644), 0); // must not be opened: it would block
    const int64_t zipSize = std::filesystem::file_size(dir.File("scan/DATA.Zip"));
    // The drive query is asked once per file system; an archive whose drive cannot be found
    // is catalogued without members.
    int asked = 0;
    for (bool examine : {false, true}) {
        Scanned s(dir.File("scan"), [&](TMediaScan& scan) {
            scan.ExamineZip = examine;
            scan.ZipDriveOf = [&](dev_t, const std::string&) {
                ++asked;
                return ZipDrive{"/", driveFixed, {}};
            };
        });
        EXPECT_EQ(s.Shape(), examine ? "DATA.Zip*[a/[x.txt] b.txt inner.zip*] bad.zip* p.zip*"
                                     : "DATA.Zip* bad.zip* p.zip*");
        EXPECT_EQ(CountsOf(s.medium), examine ? (Counts{1, 6, zipSize + 5 + 12}) : (Counts{0, 3, zipSize + 5}));
    }
    EXPECT_EQ(asked, 1);
    Scanned nowhere(dir.File("scan"), [&](TMediaScan& scan) {
        scan.ExamineZip = true;
        scan.ZipDriveOf = [](dev_t, const std::string&) { return ZipDrive{}; };
    });
    EXPECT_EQ(nowhere.Shape(), "DATA.Zip* bad.zip* p.zip*");
}

TEST(Scan, RarMembersThroughTheOpener) {
    TempDir dir;
    MakeTree(dir.Path(), {"r.rar:2"});
    struct Case {
        bool examine, opens;
        const char* shape;
    };
    for (const Case& c : {Case{true, true, "r.rar*[a/[x]]"}, Case{false, true, "r.rar*"}, Case{true, false, "r.rar*"}}) {
        std::vector<std::string> opened;
        Scanned s(dir.Path(), [&](TMediaScan& scan) {
            scan.ExamineRar = c.examine;
            scan.OpenRar = [&](const std::string& path) -> std::unique_ptr<IRarArchive> {
                opened.push_back(path);
                if (!c.opens) return nullptr;
                return std::make_unique<FakeRar>(std::vector<Member>{{"a", faDirectory}, {"a\\x"}});
            };
        });
        EXPECT_EQ(s.Shape(), c.shape);
        EXPECT_EQ(opened, c.examine ? std::vector<std::string>{dir.File("r.rar")} : std::vector<std::string>{});
    }
}

TEST(Scan, NameFillFollowsTheEntryFillRules) {
    CMedienListe cat;
    for (const char* name : {"a.zip", "A.ZIP", "b.Rar", "x.zipx", "y.r00", "z.jar", "noext", ".zip",
                             "a.b.zip", "a.zip.txt", "zip", "..", ".", ""}) {
        for (uint32_t attributes : {0u, faDirectory}) {
            CMedium byPath(&cat), byName(&cat);
            CFile* p = CFile::Create(&byPath, nullptr);
            CFile* n = CFile::Create(&byName, nullptr);
            const bool ok = p->SetFrom(std::string("\\") + name, attributes, 7, 9, 1.5);
            EXPECT_EQ(FillFromName(*n, name, attributes, 7, 9, 1.5), ok) << name;
            EXPECT_EQ(n->Kind, p->Kind) << name;
            EXPECT_EQ(n->Name(), p->Name());
            EXPECT_EQ(CountsOf(byName), CountsOf(byPath)) << name;
            EXPECT_EQ(byName.ContentLoaded, byPath.ContentLoaded);
        }
    }
    CMedium m(&cat);
    CFile* e = CFile::Create(&m, nullptr);
    ASSERT_TRUE(FillFromName(*e, "c:\\x.zip", 0, -1, 1, 0));
    EXPECT_EQ(e->Name(), "c:\\x.zip");
    EXPECT_EQ(e->Kind, kindArchive);
}

} // namespace
