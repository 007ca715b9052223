// The reader of "Advanced disc catalog" files, on files written field by field.
#include "catalogue/IO_BZIP.h"
#include "catalogue/foreigncatalogue.h"
#include "catalogue/mediaclasses.h"
#include "reports/entrytext.h"
#include "scan/scantesting.h"
#include "support/adcfile.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>

namespace {

using foreigncatalogue::OpenStatus;

struct Imported {
    OpenStatus status;
    foreigncatalogue::Outcome outcome;
    CMedienListe catalogue;
};

// Writes the bytes to a file and imports it as the main window does.
void Import(const std::string& bytes, Imported& result) {
    TempDir dir;
    const std::string file = dir.File("disc.cat");
    WriteWholeFile(file, bytes);
    auto opened = foreigncatalogue::Open(file);
    result.status = opened.status;
    if (opened.status == OpenStatus::Opened)
        result.outcome = foreigncatalogue::ReadBody(*opened.stream, result.catalogue);
}

struct SignatureCase {
    const char* name;
    std::string bytes;
    OpenStatus expected;
};
// Test names and failure messages show the case by its name.
void PrintTo(const SignatureCase& c, std::ostream* out) { *out << c.name; }

class ImportSignature : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(ImportSignature, OnlyTheExactSignatureIsTaken) {
    Imported result;
    Import(GetParam().bytes, result);
    EXPECT_EQ(result.status, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportSignature,
    ::testing::Values(
        SignatureCase{"Exact", AdcBytes().Header(0).Int(0).Text(), OpenStatus::Opened},
        SignatureCase{"OneLetterInOtherCase", AdcBytes().Header(0, "ADC.catalog").Int(0).Text(),
                      OpenStatus::NotSupported},
        SignatureCase{"Shorter", AdcBytes().Header(0, "ADC.Catalo").Int(0).Text(),
                      OpenStatus::NotSupported},
        SignatureCase{"HugeLength", AdcBytes().Int(INT32_MAX).Text(), OpenStatus::NotSupported},
        SignatureCase{"EndsInsideTheText", AdcBytes().Int(11).Text() + "ADC", OpenStatus::NotSupported},
        SignatureCase{"EmptyFile", "", OpenStatus::NotSupported}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Import, MissingFileCannotBeOpened) {
    TempDir dir;
    EXPECT_EQ(foreigncatalogue::Open(dir.File("none.cat")).status, OpenStatus::CannotOpen);
}

TEST(Import, CategoryNumbersCountFromOneAndZeroIsNone) {
    AdcBytes f;
    f.Header(2).Category("Music").Category("Films").Int(2);
    f.Medium("1234-ABCD", "HOLIDAY", 5, 2, "the notice").Int(1);
    f.File("song.mp3", 1, 3000, kTicks2020).Int(0);
    f.Medium("0000-0001", "WORK", 3, 0, "").Int(0).Int(0);
    Imported result;
    Import(f.Text(), result);
    ASSERT_EQ(result.status, OpenStatus::Opened);
    EXPECT_EQ(result.outcome.error, "");
    const CMedienListe& cat = result.catalogue;
    EXPECT_EQ(cat.Categories, (std::vector<std::string>{"Music", "Films"}));
    ASSERT_EQ(cat.Count(), 2);
    const CMedium& holiday = *cat.GetMedium(0);
    EXPECT_EQ(holiday.Category, 1);
    EXPECT_EQ(holiday.CategoryName(), "Films");
    EXPECT_EQ(holiday.Name, "HOLIDAY");
    EXPECT_EQ(holiday.VolumeLabel, "HOLIDAY");
    EXPECT_EQ(holiday.Serial, "1234-ABCD");
    EXPECT_EQ(holiday.DriveType, 5u);
    EXPECT_EQ(holiday.Notice, "the notice");
    ASSERT_EQ(holiday.EntryCount(), 1);
    EXPECT_EQ(holiday.GetEntry(0)->CategoryName(), "Music");
    EXPECT_EQ(cat.GetMedium(1)->Category, -1);
    EXPECT_TRUE(cat.GetMedium(1)->Present);
}

TEST(Import, ZipEntryWithThreeMembersBecomesAnArchive) {
    AdcBytes f;
    f.Header(1).Category("Backup").Int(1);
    f.Medium("S", "DISC", 5, 0, "").Int(3);
    f.File("readme.txt", 0, 10, kTicks2020);
    f.File("DATA.Zip", 1, 500, kTicks2020, 3);
    f.Member("a.txt", 100, kTicks2020).Member("dir\\b.txt", 200, kTicks2020).Member("c", 300, 0);
    f.File("odd.7z", 0, 1, kTicks2020, 1).Member("in.txt", 2, 0);
    f.Int(1).Folder("docs", 0).Int(1).File("x.doc", 0, 7, kTicks2020).Int(0);
    Imported result;
    Import(f.Text(), result);
    ASSERT_EQ(result.catalogue.Count(), 1);
    const CMedium& m = *result.catalogue.GetMedium(0);
    ASSERT_EQ(m.EntryCount(), 4);
    const CFile& zip = *m.GetEntry(1);
    EXPECT_EQ(zip.Kind, kindArchive);
    EXPECT_EQ(TreeShape(zip.Children()), "a.txt dir/[b.txt] c");
    const CFile& dir = *zip.GetEntry(1);
    EXPECT_EQ(dir.Category, -1) << "a folder made for its member has none";
    for (const CFile* member : {zip.GetEntry(0), dir.GetEntry(0), zip.GetEntry(2)})
        EXPECT_EQ(member->Category, 0);
    EXPECT_EQ(m.GetEntry(2)->Kind, kindArchive) << "a file with members opens like an archive";
    EXPECT_EQ(m.FileCount, 1 + 4 + 2 + 1);
    EXPECT_EQ(m.FolderCount, 2);
    EXPECT_EQ(m.TotalSize, 10 + 500 + 600 + 3 + 7);
    const CFile& docs = *m.GetEntry(3);
    EXPECT_EQ(docs.Kind, kindFolder);
    ASSERT_EQ(docs.ChildCount(), 1);
    EXPECT_EQ(docs.GetEntry(0)->Parent, &docs);
    EXPECT_EQ(result.outcome.truncatedLevels, 0);
}

TEST(Import, FileTimesAreTakenWithoutZoneCorrection) {
    SetZoneBias(-2.0 / 24);
    AdcBytes f;
    f.Header(0).Int(1).Medium("S", "D", 5, 0, "").Int(1);
    f.File("a", 0, 1, kTicks2020 + 864000000000LL / 2).Int(0);
    Imported result;
    Import(f.Text(), result);
    SetZoneBias(0);
    ASSERT_EQ(result.catalogue.Count(), 1);
    EXPECT_DOUBLE_EQ(result.catalogue.GetMedium(0)->GetEntry(0)->Date, kDay2020 + 0.5);
}

TEST(Import, TruncatedLevelKeepsItsEntriesAndTheImportGoesOn) {
    AdcBytes f;
    f.Header(0).Int(1).Medium("S", "DISC", 5, 0, "").Int(3);
    f.File("one", 0, 1, 0).File("two", 0, 2, 0);
    f.Str("thr"); // the third file record ends after its name
    Imported result;
    Import(f.Text(), result);
    EXPECT_EQ(result.outcome.error, "");
    EXPECT_EQ(result.outcome.truncatedLevels, 1);
    ASSERT_EQ(result.catalogue.Count(), 1);
    EXPECT_EQ(result.catalogue.GetMedium(0)->EntryCount(), 2);
    EXPECT_EQ(result.catalogue.GetMedium(0)->FileCount, 2);
}

struct TruncationCase {
    const char* name;
    size_t keep; // bytes of the file below that are kept
    const char* error;
    int media;
};
// Test names and failure messages show the case by its name.
void PrintTo(const TruncationCase& c, std::ostream* out) { *out << c.name; }

AdcBytes TwoMedia() {
    AdcBytes f;
    f.Header(1).Category("Music").Int(2);
    f.Medium("S1", "FIRST", 5, 1, "").Int(1).File("a", 0, 1, 0).Int(0);
    f.Medium("S2", "SECOND", 5, 0, "").Int(0).Int(0);
    return f;
}

class ImportTruncated : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(ImportTruncated, KeepsTheMediaReadBeforeTheErrorAndNamesIt) {
    Imported result;
    Import(TwoMedia().Cut(GetParam().keep), result);
    ASSERT_EQ(result.status, OpenStatus::Opened);
    EXPECT_EQ(result.outcome.error, GetParam().error);
    ASSERT_EQ(result.catalogue.Count(), GetParam().media);
    if (GetParam().media > 0) {
        EXPECT_EQ(result.catalogue.GetMedium(0)->EntryCount(), 1);
    }
}

// Offsets: signature 15, header ints to 35, category record to 48, M at 48, first medium's
// fields 1 and 2 (11 + 6 bytes) end at 69.
INSTANTIATE_TEST_SUITE_P(
    Cases, ImportTruncated,
    ::testing::Values(TruncationCase{"InHeaderInt64", 22, "File Read Error: Int64", 0},
                      TruncationCase{"InCategoryName", 45, "File Read Error: String", 0},
                      TruncationCase{"BeforeMediaCount", 48, "File Read Error: Int", 0},
                      TruncationCase{"InSecondMediumsSerial",
                                     TwoMedia().Size() - 70, "File Read Error: String", 1},
                      TruncationCase{"InSecondMediumsNoticeLength",
                                     TwoMedia().Size() - 10, "File Read Error: Int", 2},
                      TruncationCase{"BeforeSecondMediumsRootLevel", TwoMedia().Size() - 8, "",
                                     2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Import, MediumWithoutEntriesSavesAndLoadsBackEmpty) {
    AdcBytes f;
    f.Header(0).Int(2).Medium("S", "EMPTY", 5, 0, "").Int(0).Int(0);
    f.Medium("T", "FULL", 5, 0, "").Int(1).File("a", 0, 1, 0).Int(0);
    Imported result;
    Import(f.Text(), result);
    ASSERT_EQ(result.catalogue.Count(), 2);
    TempDir dir;
    ASSERT_TRUE(result.catalogue.Save(dir.File("out.SXF")));
    CMedienListe back;
    ASSERT_TRUE(back.Load(dir.File("out.SXF")));
    ASSERT_EQ(back.Count(), 2);
    ASSERT_TRUE(back.GetMedium(0)->LoadContent(back.DataFileName));
    EXPECT_EQ(back.GetMedium(0)->EntryCount(), 0);
    ASSERT_TRUE(back.GetMedium(1)->LoadContent(back.DataFileName));
    EXPECT_EQ(back.GetMedium(1)->EntryCount(), 1);
}

TEST(Import, TooDeepFoldersAreReadPastInStepAndCounted) {
    AdcBytes f;
    f.Header(0).Int(2).Medium("S", "DEEP", 5, 0, "");
    for (int level = 0; level < 300; ++level) f.Int(0).Int(1).Folder("d", 0);
    f.Int(1).File("deepest", 0, 1, kTicks2020).Int(0);
    f.Medium("T", "NEXT", 5, 0, "").Int(1).File("a", 0, 1, 0).Int(0);
    Imported result;
    Import(f.Text(), result);
    EXPECT_EQ(result.outcome.error, "");
    EXPECT_EQ(result.outcome.truncatedLevels, 0);
    EXPECT_EQ(result.outcome.droppedEntries, 1 + 43 + 1) << "folders 257 to 300 deep, the file";
    ASSERT_EQ(result.catalogue.Count(), 2);
    EXPECT_EQ(result.catalogue.GetMedium(0)->FolderCount, foreigncatalogue::kMaxLevelDepth);
    const CMedium& next = *result.catalogue.GetMedium(1);
    EXPECT_EQ(next.Serial, "T");
    ASSERT_EQ(next.EntryCount(), 1);
    EXPECT_EQ(DateTimeText(next.GetEntry(0)->Date), "") << "a file time of 0 is no date";
}

// Counts and lengths that claim far more than the file holds, and nesting deeper than any disc.
TEST(Import, HostileCountsEndPromptly) {
    AdcBytes f;
    f.Header(INT32_MAX).Category("one").Int(INT32_MAX);
    AdcBytes levels;
    levels.Header(0).Int(1).Medium("S", "DEEP", 5, 0, "");
    for (int i = 0; i < 100000; ++i) levels.Int(0).Int(1).Folder("d", 0);
    AdcBytes files;
    files.Header(0).Int(1).Medium("S", "F", 5, 0, "").Int(INT32_MAX).Str("a").Int(0).Int(INT32_MAX);
    const auto start = std::chrono::steady_clock::now();
    for (const AdcBytes* bytes : {&f, &levels, &files}) {
        Imported result;
        Import(bytes->Text(), result);
        EXPECT_EQ(result.status, OpenStatus::Opened);
        EXPECT_LE(result.catalogue.Count(), 1);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

} // namespace
