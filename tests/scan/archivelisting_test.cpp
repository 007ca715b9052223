// The archives libarchive lists, made here by the tools people make them with, compared member
// by member (path, kind, size) with what `bsdtar -tvf` says of the same file; archives inside
// archives to the depth limit; damaged and stopped listings.
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "scan/archivelisting.h"
#include "scan/mediascan.h"
#include "scan/rarlibrary.h"
#include "support/rarwriter.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

namespace {

struct Item {
    std::string path; // '/' between components, as bsdtar prints them
    bool folder;
    int64_t size;
    bool operator==(const Item&) const = default;
    bool operator<(const Item& o) const { return std::tie(path, folder, size) < std::tie(o.path, o.folder, o.size); }
};
std::ostream& operator<<(std::ostream& out, const Item& i) {
    return out << (i.folder ? "d " : "- ") << i.path << " " << i.size;
}

bool HasTool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, got);
    return out;
}

// `bsdtar -tvf` of `archive`, each member under `prefix`: links as size 0, the archive's own top
// left out.
std::vector<Item> BsdtarListing(const std::string& archive, const std::string& prefix = {}) {
    std::vector<Item> items;
    std::istringstream lines(Output("bsdtar -tvf '" + archive + "' 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string mode, skip;
        int64_t size = 0;
        fields >> mode >> skip >> skip >> skip >> size >> skip >> skip >> skip;
        std::string name;
        std::getline(fields, name);
        name.erase(0, 1);
        bool link = mode[0] == 'l' || mode[0] == 'h';
        for (const char* arrow : {" -> ", " link to "})
            if (const size_t at = name.find(arrow); at != std::string::npos) {
                name.resize(at);
                link = true;
            }
        if (name.rfind("./", 0) == 0) name.erase(0, 2);
        while (!name.empty() && name.back() == '/') name.pop_back();
        if (name.empty() || name == ".") continue;
        const bool folder = mode[0] == 'd';
        items.push_back({prefix + name, folder, folder || link ? 0 : size});
    }
    return items;
}

void Flatten(const CFile& entry, const std::string& prefix, std::vector<Item>& out) {
    for (const CFile* child : entry.Children()) {
        const std::string path = prefix + std::string(child->Name());
        out.push_back({path, child->Kind == kindFolder, child->Size});
        Flatten(*child, path + "/", out);
    }
}

// The folder `root` scanned with "Examine compressed archives" on; the members of `archive` (a
// file directly in it) flattened.
std::vector<Item> Scanned(const std::string& root, const std::string& archive,
                          std::vector<std::string>* announced = nullptr) {
    CMedienListe catalogue;
    CMedium medium(&catalogue);
    TMediaScan scan(medium);
    if (announced) scan.OnArchiveEntered = [announced](const std::string& path) { announced->push_back(path); };
    scan.ExamineZip = true;
    scan.ExamineRar = true;
    scan.OpenRar = OpenRarArchive;
    scan.ScanFolder(root, nullptr);
    std::vector<Item> items;
    for (const CFile* entry : medium.Entries())
        if (entry->Name() == archive) {
            EXPECT_EQ(entry->Kind, kindArchive) << archive;
            Flatten(*entry, "", items);
        }
    return items;
}

// Every file of `expected` and no other; its folders among ours (we make the folders an
// archive leaves out).
void ExpectSameMembers(std::vector<Item> ours, std::vector<Item> expected, const std::string& what) {
    const auto files = [](std::vector<Item> v) {
        std::erase_if(v, [](const Item& i) { return i.folder; });
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(files(ours), files(expected)) << what;
    for (const Item& i : expected) {
        if (!i.folder) continue;
        EXPECT_NE(std::find(ours.begin(), ours.end(), i), ours.end()) << what << ": " << i;
    }
}

struct Row {
    const char* name;
    std::vector<std::string> tools;
    std::string make; // run in the work folder, which holds the tree in src/
    std::string archive; // made in out/
    // Inner archives kept beside it: their listing belongs under these member paths too.
    std::vector<std::pair<std::string, std::string>> inner = {};
    bool unreadable = false; // bsdtar lists nothing either (encrypted headers)
};

const std::vector<Row> kRows = {
    {"Tar", {"tar"}, "tar -C src -cf out/a.tar .", "a.tar"},
    {"TarGzip", {"tar", "gzip"}, "tar -C src -czf out/a.tar.gz .", "a.tar.gz"},
    {"TgzUpperCase", {"tar", "gzip"}, "tar -C src -czf out/A.TGZ d big.txt", "A.TGZ"},
    {"TarBzip2", {"tar", "bzip2"}, "tar -C src -cjf out/a.tar.bz2 .", "a.tar.bz2"},
    {"Tbz2", {"tar", "bzip2"}, "tar -C src -cjf out/a.tbz2 .", "a.tbz2"},
    {"TarXz", {"tar", "xz"}, "tar -C src -cJf out/a.txz .", "a.txz"},
    {"TarZstd", {"tar", "zstd"}, "tar -C src --zstd -cf out/a.tar.zst .", "a.tar.zst"},
    {"TarLz4", {"tar", "lz4"}, "tar -C src -I lz4 -cf out/a.tar.lz4 .", "a.tar.lz4"},
    {"TarLzma", {"tar", "lzma"}, "tar -C src --lzma -cf out/a.tar.lzma .", "a.tar.lzma"},
    {"TarLzip", {"tar", "lzip"}, "tar -C src --lzip -cf out/a.tar.lz .", "a.tar.lz"},
    {"TarCompress", {"tar", "compress"}, "tar -C src -Zcf out/a.tar.Z .", "a.tar.Z"},
    {"TarV7", {"tar"}, "tar -C src --format=v7 -cf out/a.tar d big.txt", "a.tar"},
    {"TarGnuSparse5GiB", {"tar", "truncate"},
     "truncate -s 5G sparse.bin && tar -Scf out/a.tar sparse.bin", "a.tar"},
    {"PaxSparse5GiB", {"tar", "truncate"},
     "truncate -s 5G sparse.bin && tar --format=pax -Scf out/a.tar sparse.bin", "a.tar"},
    {"PaxByBsdtar", {"bsdtar"}, "bsdtar -C src --format pax -cf out/a.tar .", "a.tar"},
    {"CpioByBsdtar", {"bsdtar"}, "bsdtar -C src --format cpio -cf out/a.cpio .", "a.cpio"},
    {"CpioNewc", {"bsdtar"}, "bsdtar -C src --format newc -cf out/a.cpio .", "a.cpio"},
    {"XarByBsdtar", {"bsdtar"}, "bsdtar -C src --format xar -cf out/a.xar .", "a.xar"},
    {"SevenZip", {"7z"}, "cd src && 7z a -bd ../out/a.7z . >/dev/null", "a.7z"},
    {"SevenZipSolidUpper", {"7z"}, "cd src && 7z a -bd -ms=on ../out/A.7Z . >/dev/null", "A.7Z"},
    {"SevenZipEncryptedHeaders", {"7z"},
     "cd src && 7z a -bd -psecret -mhe=on ../out/a.7z . >/dev/null", "a.7z", {}, true},
    {"IsoJolietRockRidge", {"genisoimage"}, "genisoimage -quiet -J -R -o out/a.iso src", "a.iso"},
    {"IsoJolietOnly", {"genisoimage"}, "genisoimage -quiet -J -o out/a.iso src/d", "a.iso"},
    {"IsoXorriso", {"xorriso"}, "xorriso -as mkisofs -quiet -J -R -o out/a.iso src 2>/dev/null", "a.iso"},
    {"IsoZisofs", {"xorriso"},
     "xorriso -report_about FAILURE -outdev out/a.iso -map src / -set_filter_r --zisofs / -- "
     "-commit >/dev/null 2>&1",
     "a.iso"},
    {"Cab", {"gcab"}, "cd src && gcab -c -z ../out/a.cab big.txt d/a.txt d/e/b.txt", "a.cab"},
    {"Lzh", {"lha"}, "cd src && lha -aq ../out/a.lzh big.txt d", "a.lzh"},
    {"ZipInTarGzipInSevenZip", {"7z", "zip", "tar", "gzip"},
     "(cd src && zip -qr ../in.zip d) && tar -czf mid.tar.gz in.zip -C src big.txt && "
     "7z a -bd out/a.7z mid.tar.gz >/dev/null",
     "a.7z", {{"mid.tar.gz/", "mid.tar.gz"}, {"mid.tar.gz/in.zip/", "in.zip"}}},
    {"SevenZipAndIsoInTarXz", {"7z", "genisoimage", "tar", "xz"},
     "(cd src && 7z a -bd ../in.7z d >/dev/null) && genisoimage -quiet -J -R -o in.iso src/d && "
     "tar -cJf out/a.tar.xz in.7z in.iso",
     "a.tar.xz", {{"in.7z/", "in.7z"}, {"in.iso/", "in.iso"}}},
    {"TarInZip", {"zip", "tar"}, "tar -C src -cf in.tar d && zip -q out/a.zip in.tar", "a.zip",
     {{"in.tar/", "in.tar"}}},
    {"ZipInCpioStreamed", {"zip", "bsdtar"},
     "(cd src && zip -qr ../in.zip d) && echo in.zip | bsdtar --format newc -cf out/a.cpio -T -",
     "a.cpio", {{"in.zip/", "in.zip"}}},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class ArchiveFormats : public ::testing::TestWithParam<Row> {};

TEST_P(ArchiveFormats, MembersAsBsdtarListsThem) {
    const Row& row = GetParam();
    for (const std::string& tool : row.tools)
        if (!HasTool(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!HasTool("bsdtar")) GTEST_SKIP() << "bsdtar (libarchive-tools) is not installed";
    TempDir work;
    MakeTree(work.File("src"), {"d/", "d/e/", "d/a.txt:6", "d/e/b.txt:5", "big.txt:70000", "d/zero:0"});
    WriteWholeFile(work.File("src/d/\xc3\xbc.txt"), "umlaut");
    ASSERT_EQ(std::system(("cd '" + work.Path() + "/src' && ln -s d/a.txt link && ln d/a.txt hard").c_str()), 0);
    ASSERT_EQ(std::system(("mkdir '" + work.File("out") + "'").c_str()), 0);
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && " + row.make).c_str()), 0) << row.make;

    const std::string archive = work.File("out/" + row.archive);
    std::vector<Item> expected = BsdtarListing(archive);
    for (const auto& [prefix, file] : row.inner) {
        std::vector<Item> inner = BsdtarListing(work.File(file), prefix);
        ASSERT_FALSE(inner.empty()) << file;
        expected.insert(expected.end(), inner.begin(), inner.end());
    }
    const std::vector<Item> ours = Scanned(work.File("out"), row.archive);
    if (row.unreadable) {
        EXPECT_TRUE(ours.empty());
        return;
    }
    ASSERT_FALSE(expected.empty()) << "bsdtar lists nothing of " << row.archive;
    ExpectSameMembers(ours, expected, row.name);
}

INSTANTIATE_TEST_SUITE_P(MadeByTools, ArchiveFormats, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ArchiveTypes, ByExtensionWhateverTheLetterCase) {
    const struct {
        const char* name;
        ArchiveType type;
    } cases[] = {
        {"a.zip", ArchiveType::Zip}, {"a.RAR", ArchiveType::Rar}, {"a.7Z", ArchiveType::SevenZip},
        {"a.tar", ArchiveType::Tar}, {"a.Tar.Gz", ArchiveType::Tar}, {"a.tgz", ArchiveType::Tar},
        {"a.tar.bz2", ArchiveType::Tar}, {"a.tbz", ArchiveType::Tar}, {"a.tbz2", ArchiveType::Tar},
        {"a.tar.xz", ArchiveType::Tar}, {"a.txz", ArchiveType::Tar}, {"a.tar.zst", ArchiveType::Tar},
        {"a.tzst", ArchiveType::Tar}, {"a.tar.lz4", ArchiveType::Tar}, {"a.tar.lzma", ArchiveType::Tar},
        {"a.tlz", ArchiveType::Tar}, {"a.tar.lz", ArchiveType::Tar}, {"a.tar.Z", ArchiveType::Tar},
        {"a.taz", ArchiveType::Tar}, {"a.ISO", ArchiveType::Iso}, {"a.cab", ArchiveType::Cab},
        {"a.lzh", ArchiveType::Lzh}, {"a.LHA", ArchiveType::Lzh}, {"a.cpio", ArchiveType::Cpio},
        {"a.xar", ArchiveType::Xar}, {".zip", ArchiveType::Zip},
        {"a.gz", ArchiveType::None}, {"a.zipx", ArchiveType::None}, {"a.tar.gz.part", ArchiveType::None},
        {"7z", ArchiveType::None}, {"a.iso9660", ArchiveType::None}, {"", ArchiveType::None},
    };
    for (const auto& c : cases) EXPECT_EQ(ArchiveTypeOf(c.name), c.type) << c.name;
}

// A tar inside a tar inside ... six deep: the fourth archive is listed, the fifth stays an
// entry of kind archive without members.
TEST(ArchiveNesting, ListedToTheDepthLimit) {
    if (!HasTool("tar")) GTEST_SKIP() << "tar is not installed";
    TempDir work;
    std::string make = "echo x > f.txt && tar -cf l6.tar f.txt";
    for (int level = 5; level >= 1; --level)
        make += " && tar -cf l" + std::to_string(level) + ".tar l" + std::to_string(level + 1) + ".tar";
    make += " && mkdir out && mv l1.tar out/";
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && " + make).c_str()), 0);
    std::vector<std::string> announced;
    std::vector<Item> ours = Scanned(work.File("out"), "l1.tar", &announced);
    const std::string top = work.File("out/l1.tar");
    EXPECT_EQ(announced, (std::vector<std::string>{top, top + "/l2.tar", top + "/l2.tar/l3.tar",
                                                   top + "/l2.tar/l3.tar/l4.tar"}));
    std::vector<std::string> paths;
    for (const Item& i : ours) paths.push_back(i.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"l2.tar", "l2.tar/l3.tar", "l2.tar/l3.tar/l4.tar",
                                               "l2.tar/l3.tar/l4.tar/l5.tar"}));
}

// A tar stored in a RAR archive (RAR 4 and RAR 5, written by the tests' own writer: no tool here
// writes RAR) is found again by a pass of its own over the RAR file and listed.
TEST(ArchiveNesting, TarInsideRar) {
    if (!HasTool("tar")) GTEST_SKIP() << "tar is not installed";
    TempDir work;
    MakeTree(work.File("src"), {"d/", "d/a.txt:6", "b.txt:70"});
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && tar -C src -cf in.tar d b.txt && mkdir out").c_str()), 0);
    const std::string tar = ReadWholeFile(work.File("in.tar"));
    const std::vector<Item> expected = {{"docs", true, 0}, {"docs/in.tar", false, int64_t(tar.size())},
                                        {"docs/in.tar/d", true, 0}, {"docs/in.tar/d/a.txt", false, 6},
                                        {"docs/in.tar/b.txt", false, 70}, {"note.txt", false, 4}};
    WriteWholeFile(work.File("out/a.rar"), rar::Rar4({{"docs\\in.tar", tar}, {"note.txt", "note"}}));
    EXPECT_EQ(Scanned(work.File("out"), "a.rar"), expected);
    std::remove(work.File("out/a.rar").c_str());
    WriteWholeFile(work.File("out/b.rar"), rar::Rar5({{"docs/in.tar", tar}, {"note.txt", "note"}}));
    EXPECT_EQ(Scanned(work.File("out"), "b.rar"), expected);
}

// Member dates are the stored time stamps in local time, also as they come back from the child
// process that read the archive.
TEST(ArchiveDates, MemberTimeInLocalTime) {
    if (!HasTool("tar") || !HasTool("7z")) GTEST_SKIP() << "tar or 7z is not installed";
    TempDir work;
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && mkdir out && echo x > f.txt && touch -d @1700000000 f.txt"
                           " && tar -cf out/a.tar f.txt && 7z a -bd out/a.7z f.txt >/dev/null").c_str()), 0);
    CMedienListe catalogue;
    CMedium medium(&catalogue);
    TMediaScan scan(medium);
    scan.ExamineZip = true;
    scan.ScanFolder(work.File("out"), nullptr);
    ASSERT_EQ(medium.Entries().Count(), 2);
    for (const CFile* archive : medium.Entries()) {
        ASSERT_EQ(archive->ChildCount(), 1) << archive->Name();
        EXPECT_DOUBLE_EQ(archive->GetEntry(0)->Date, UnixTimeToLocalDate(1700000000)) << archive->Name();
    }
}

// A .tar.gz cut in the middle keeps the members before the cut; bytes that are no archive give
// none. Neither shows a message or stops the scan.
TEST(ArchiveDamage, CutArchiveKeepsWhatWasRead) {
    if (!HasTool("tar") || !HasTool("gzip")) GTEST_SKIP() << "tar or gzip is not installed";
    TempDir work;
    MakeTree(work.File("src"), {"a.txt:100", "b.bin:300000", "c.txt:10"});
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && mkdir out && head -c 300000 /dev/urandom > src/b.bin"
                           " && tar -C src -czf full.tar.gz a.txt b.bin c.txt && head -c 150000 full.tar.gz"
                           " > out/cut.tar.gz && head -c 5000 /dev/urandom > out/noise.7z").c_str()), 0);
    EXPECT_EQ(Scanned(work.File("out"), "cut.tar.gz"), (std::vector<Item>{{"a.txt", false, 100}, {"b.bin", false, 300000}}));
    EXPECT_TRUE(Scanned(work.File("out"), "noise.7z").empty());
}

// A cab whose data blocks the cab reader of libarchive 3.6.2 follows into a null pointer (found
// by fuzz_archives): the fault ends the child process that reads it, and the scan goes on.
TEST(ArchiveDamage, ReaderFaultEndsOnlyTheChild) {
    std::string cab;
    for (const char* hex : {
             "4d5343460000000071000000000000002c000000000000000301010002000000000000005e0000000100000006000000",
             "0000000000008a5d8b6b2000645c2e747a737400050000000600000000008a5d8b6b2000645c655c6200747874000107",
             "6d0d0b00ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff",
             "ffffffffffffffffffffffffffffffff0b006168610a6265746174610a"})
        for (const char* p = hex; *p; p += 2) cab += char(std::stoi(std::string(p, 2), nullptr, 16));
    TempDir work;
    ASSERT_EQ(std::system(("mkdir '" + work.File("out") + "'").c_str()), 0);
    WriteWholeFile(work.File("out/bad.cab"), cab);
    WriteWholeFile(work.File("out/next.txt"), "after");
    CMedienListe catalogue;
    CMedium medium(&catalogue);
    TMediaScan scan(medium);
    scan.ExamineZip = true;
    scan.ScanFolder(work.File("out"), nullptr);
    EXPECT_EQ(medium.FileCount, 2); // the cab and the file after it
}

// Stop asked for while a large compressed tar is read ends its listing there: in this process
// the read callback sees it between blocks, long before the archive's end; in a child process
// of its own the child is ended, and nothing it would still send is taken.
TEST(ArchiveStop, StopEndsTheReadInsideAnArchive) {
    if (!HasTool("tar") || !HasTool("xz")) GTEST_SKIP() << "tar or xz is not installed";
    TempDir work;
    ASSERT_EQ(std::system(("cd '" + work.Path() + "' && mkdir out src && head -c 4000000 /dev/urandom > src/big"
                           " && echo end > src/last && tar -C src -I 'xz -0' -cf out/a.tar.xz big last").c_str()), 0);
    const struct {
        bool isolated;
        int pollsBeforeStop, mostMembers;
    } cases[] = {{false, 5, 1}, {true, 0, 0}};
    for (const auto& c : cases) {
        CMedienListe catalogue;
        CMedium medium(&catalogue);
        TMediaScan scan(medium);
        scan.ExamineZip = true;
        scan.IsolateArchives = c.isolated;
        bool stopped = false;
        int polls = 0;
        scan.Control.stopped = &stopped;
        std::vector<std::string> announced;
        scan.OnArchiveEntered = [&](const std::string& path) { announced.push_back(path); };
        scan.Control.poll = [&] {
            if (!announced.empty() && polls++ >= c.pollsBeforeStop) stopped = true;
        };
        scan.ScanFolder(work.File("out"), nullptr);
        ASSERT_EQ(announced, std::vector<std::string>{work.File("out/a.tar.xz")});
        const CFile* archive = *medium.Entries().begin();
        EXPECT_LE(archive->ChildCount(), c.mostMembers) << c.isolated; // "last" lies beyond the stop
        EXPECT_LT(polls, 20) << c.isolated;
    }
}

} // namespace
