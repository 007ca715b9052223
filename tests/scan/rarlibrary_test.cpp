// RAR archives listed through libarchive: members, sizes and dates as the scan takes them, the
// switch that acts as if no library were present, and damaged or hostile archives, which keep
// the members read before the damage and end in bounded time.
#include "scan/mediascan.h"
#include "scan/rarlibrary.h"
#include "scan/scantesting.h"
#include "support/rarwriter.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr uint32_t kJan2 = 0x50220000; // DOS 2020-01-02 00:00:00
constexpr double kJan2Date = 43832;

// The members of one archive file, listed as the scan lists them.
struct Listed {
    CMedienListe cat;
    CMedium medium{&cat};
    CFile* entry = CFile::Create(&medium, nullptr);
    bool opened = false, stopped = false;
    explicit Listed(const std::string& bytes,
                    const std::function<ScanControl(bool& stopped)>& control = {}) {
        medium.AddEntry(entry);
        TempDir dir;
        WriteWholeFile(dir.File("a.rar"), bytes);
        if (auto rar = OpenRarArchive(dir.File("a.rar"))) {
            opened = true;
            ListRarLevel(*rar, entry, control ? control(stopped) : ScanControl{});
        }
    }
    std::string Shape() const { return TreeShape(entry->Children()); }
    const CFile* Member(int i) const { return entry->GetEntry(i); }
};

// Runs with the zone at UTC, so that stored times have one local reading.
struct UtcZone {
    std::string saved;
    bool had;
    UtcZone() {
        const char* zone = std::getenv("TZ");
        had = zone != nullptr;
        if (had) saved = zone;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        had ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
};

std::vector<rar::Member> Tree(char separator) {
    const std::string docs = "docs";
    return {{docs, "", true, kJan2},
            {docs + separator + "a.txt", "alpha", false, kJan2},
            {docs + separator + "sub", "", true, kJan2},
            {docs + separator + "sub" + separator + "b.txt", "beta", false, kJan2},
            {"top.zip", "zz", false, kJan2}};
}

std::string Cut(std::string bytes, size_t keep) { return bytes.substr(0, keep); }

// The archive with the byte at `at` changed.
std::string Damaged(std::string bytes, size_t at) {
    bytes[at] = char(bytes[at] ^ 0x5A);
    return bytes;
}

struct RarCase {
    const char* name;
    std::string bytes;
    const char* shape;
};

void PrintTo(const RarCase& c, std::ostream* out) { *out << c.name; }

class RarListing : public ::testing::TestWithParam<RarCase> {};

TEST_P(RarListing, KeepsWhatWasReadAndEnds) {
    const RarCase& c = GetParam();
    const auto start = std::chrono::steady_clock::now();
    Listed listed(c.bytes);
    EXPECT_EQ(listed.Shape(), c.shape);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

const std::string kRar4 = rar::Rar4(Tree('\\'));
const std::string kRar5 = rar::Rar5(Tree('/'));
const std::string kFullShape = "docs/[a.txt sub/[b.txt]] top.zip*";
// Where the second member's header begins: right after the first member's name, since the
// folder "docs" has neither data nor extra fields.
size_t SecondHeader(const std::string& bytes) { return bytes.find("docs") + 4; }

std::string Rar5WithBigName() {
    // A header that claims a name of 2^40 bytes, after one good member.
    std::string bytes = rar::Rar5({{"ok.txt", "1"}}, {.endBlock = false});
    std::string fields;
    rar::Vint(fields, 2); // file header
    rar::Vint(fields, 2); // data area present
    rar::Vint(fields, 0);
    rar::Vint(fields, 0);
    rar::Vint(fields, 0);
    rar::Vint(fields, 0x20);
    rar::Vint(fields, 0);
    rar::Vint(fields, 0);
    rar::Vint(fields, uint64_t(1) << 40);
    std::string sized;
    rar::Vint(sized, fields.size());
    sized += fields;
    std::string header;
    rar::Le(header, rar::Crc32(sized), 4);
    return bytes + header + sized + std::string(64, 'n');
}

std::string Rar4WithEmptyBlock() {
    // A block that claims no size at all: read naively, the next block lies where it began.
    std::string bytes = rar::Rar4({{"ok.txt", "1"}}, {.endBlock = false});
    const std::string body("\x7A\x00\x00\x00\x00", 5);
    std::string block;
    rar::Le(block, rar::Crc32(body) & 0xFFFF, 2);
    return bytes + block + body + rar::Rar4({{"after.txt", "2"}}).substr(7 + 13);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Archives, RarListing, ::testing::Values(
    RarCase{"Rar4", kRar4, kFullShape.c_str()},
    RarCase{"Rar5", kRar5, kFullShape.c_str()},
    RarCase{"Rar4WithoutEndBlock", rar::Rar4(Tree('\\'), {.endBlock = false}), kFullShape.c_str()},
    RarCase{"Rar4EncryptedData", rar::Rar4({{"secret.txt", "x", false, kJan2, 0, ~uint64_t(0), true}, {"open.txt", "y"}}), "secret.txt open.txt"},
    RarCase{"Rar5EncryptedData", rar::Rar5({{"secret.txt", "x", false, 0, 0, ~uint64_t(0), true}, {"open.txt", "y"}}), "secret.txt open.txt"},
    RarCase{"Rar4EncryptedHeaders", rar::Rar4(Tree('\\'), {.encryptedHeaders = true}), ""},
    RarCase{"Rar5EncryptedHeaders", rar::Rar5(Tree('/'), {.encryptedHeaders = true}), ""},
    RarCase{"NoArchive", std::string("PK\x03\x04 a zip file named .rar"), ""},
    RarCase{"EmptyFile", "", ""},
    RarCase{"OnlyTheSignature", "Rar!\x1a\x07", ""},
    RarCase{"Rar4EndsInsideSecondHeader", Cut(kRar4, SecondHeader(kRar4) + 10), "docs/"},
    RarCase{"Rar5EndsInsideSecondHeader", Cut(kRar5, SecondHeader(kRar5) + 8), "docs/"},
    RarCase{"Rar4SecondHeaderDamaged", Damaged(kRar4, SecondHeader(kRar4) + 20), "docs/"},
    RarCase{"Rar5SecondHeaderDamaged", Damaged(kRar5, SecondHeader(kRar5) + 12), "docs/"},
    // The end block, the last member (header and data) and two bytes of b.txt's data are gone.
    RarCase{"Rar4DataCutShort", Cut(kRar4, kRar4.size() - 7 - 41 - 2), "docs/[a.txt sub/]"},
    RarCase{"Rar4VolumeWithNextPartMissing",
            rar::Rar4({{"whole.txt", "w"}, {"split.bin", "half", false, kJan2, 0, 8, false, true}},
                      {.volume = true, .endBlock = false}), "whole.txt split.bin"},
    RarCase{"Rar5VolumeWithNextPartMissing",
            rar::Rar5({{"whole.txt", "w"}, {"split.bin", "half", false, 0, 0, 8, false, true}},
                      {.volume = true, .endBlock = false}), "whole.txt split.bin"},
    RarCase{"Rar5HugeNameLength", Rar5WithBigName(), "ok.txt"},
    RarCase{"Rar4BlockOfNoSize", Rar4WithEmptyBlock(), "ok.txt"},
    RarCase{"Rar4FolderAfterItsFilesAsWinRarWrites",
            rar::Rar4({{"testdir\\test.txt", "x"}, {"testdir", "", true}, {"test.txt", "y"}}), "testdir/[test.txt] test.txt"},
    RarCase{"Rar5WithoutFolderMembers", rar::Rar5({{"home/u/bin/tool", "x"}, {"home/u/notes", "y"}}),
            "home/[u/[bin/[tool] notes]]"},
    RarCase{"Rar4UnicodeNamesInAnyLocale", rar::Rar4({[] { rar::Member m{"K\xC3\xB6ln\\\xC3\x9F.txt", "u"}; m.unicodeName = true; return m; }(), {"plain.txt", "p"}}),
            "K\xC3\xB6ln/[\xC3\x9F.txt] plain.txt"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RarMembers, SizesAreFull64BitAndDatesFollowTheFormat) {
    UtcZone utc;
    const uint64_t big = (uint64_t(5) << 30) + 7;
    const uint32_t unixTime = 1700000000; // 2023-11-14 22:13:20 UTC
    struct Case {
        const char* name;
        std::string bytes;
        double date;
    };
    const Case cases[] = {
        // RAR 4 keeps a DOS date and time (11:17:30 here), RAR 5 a Unix time.
        {"Rar4", rar::Rar4({{"big.bin", "", false, kJan2 | 0x5A2F, 0, big}}),
         kJan2Date + (11 * 3600 + 17 * 60 + 30) / 86400.0},
        {"Rar5", rar::Rar5({{"big.bin", "", false, 0, unixTime, big}}), 45244 + 80000 / 86400.0},
        {"Rar5WithoutTime", rar::Rar5({{"big.bin", "", false, 0, 0, big}}), 0},
    };
    for (const Case& c : cases) {
        Listed listed(c.bytes);
        ASSERT_EQ(listed.Shape(), "big.bin") << c.name;
        EXPECT_EQ(listed.Member(0)->Size, int64_t(big)) << c.name;
        EXPECT_EQ(listed.medium.TotalSize, int64_t(big)) << c.name;
        EXPECT_DOUBLE_EQ(listed.Member(0)->Date, c.date) << c.name;
    }
}

TEST(RarMembers, NamesKeepTheirBytesAndFoldersComeFromTheType) {
    // A folder stored by a Unix host: its attribute word is a mode without the bit 0x10.
    const std::string bytes = rar::Rar5({{"d\xC3\xBC", "", true, 0, 0, ~uint64_t(0), false, false,
                                          040755, true},
                                         {"d\xC3\xBC/f", "1", false, 0, 0, ~uint64_t(0), false,
                                          false, 0100644, true}});
    Listed listed(bytes);
    EXPECT_EQ(listed.Shape(), "d\xC3\xBC/[f]");
}

TEST(RarMembers, StopEndsTheListingInsideAMembersData) {
    for (const bool stop : {false, true}) {
        Listed listed(rar::Rar5({{"big", std::string(1 << 20, 'b')}, {"after", "a"}}), [&](bool& stopped) {
            // The first poll comes before the first member, the second while its data is passed.
            return ScanControl{&stopped, [&stopped, stop, polls = 0]() mutable { stopped |= stop && ++polls == 2; }};
        });
        EXPECT_EQ(listed.Shape(), stop ? "" : "big after");
    }
}

TEST(RarMembers, TenThousandMembersAllArrive) {
    std::vector<rar::Member> members;
    for (int i = 0; i < 10000; ++i) members.push_back({"f" + std::to_string(i), "x"});
    Listed listed(rar::Rar5(members));
    EXPECT_EQ(listed.entry->ChildCount(), 10000);
    EXPECT_EQ(CountsOf(listed.medium), (Counts{0, 10000, 10000}));
}

TEST(RarMembers, OnlyRegularFilesAreOpened) {
    // A pipe would block the first read for ever; a folder cannot be read at all.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("pipe.rar").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.rar").c_str(), 0700), 0);
    EXPECT_EQ(OpenRarArchive(dir.File("pipe.rar")), nullptr);
    EXPECT_EQ(OpenRarArchive(dir.File("folder.rar")), nullptr);
    EXPECT_EQ(OpenRarArchive(dir.File("missing.rar")), nullptr);
}

// The scan with the binding registered as the program registers it.
class RarScan : public ::testing::Test {
protected:
    void TearDown() override {
        SetRarLibraryAbsent(false);
        SetRarOpener(nullptr);
    }
    std::string ScanShape() {
        WriteWholeFile(dir.File("four.rar"), kRar4);
        WriteWholeFile(dir.File("five.RAR"), kRar5);
        CMedienListe cat;
        CMedium medium(&cat);
        TMediaScan scan(medium);
        scan.ExamineRar = static_cast<bool>(RegisteredRarOpener());
        scan.ScanFolder(dir.Path(), nullptr);
        return TreeShape(medium.Entries(), true);
    }
    TempDir dir;
};

TEST_F(RarScan, ListsBothFormatsWhenTheLibraryIsThere) {
    EXPECT_GE(InstallRarListing(), 3000000);
    EXPECT_EQ(ScanShape(), "five.RAR*[" + kFullShape + "] four.rar*[" + kFullShape + "]");
}

TEST_F(RarScan, WithoutTheLibraryArchivesStayWithoutMembers) {
    SetRarLibraryAbsent(true);
    EXPECT_EQ(InstallRarListing(), -1);
    EXPECT_FALSE(RegisteredRarOpener());
    EXPECT_EQ(OpenRarArchive(dir.File("four.rar")), nullptr);
    EXPECT_EQ(ScanShape(), "five.RAR* four.rar*");
}

TEST_F(RarScan, ALibraryGoneAfterTheProbeOpensNothing) {
    ASSERT_GE(InstallRarListing(), 0);
    SetRarLibraryAbsent(true);
    EXPECT_EQ(ScanShape(), "five.RAR* four.rar*");
}

} // namespace
