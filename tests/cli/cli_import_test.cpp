// shelvix-cli import: a foreign catalogue saved as a new catalogue, and the files it refuses.
#include "catalogue/mediaclasses.h"
#include "support/adcfile.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// One whole medium; `claimed` media announced in the header.
std::string OneMedium(int32_t claimed = 1) {
    AdcBytes f;
    f.Header(1).Category("Films").Int(claimed).Medium("AB-12", "MOVIES", 5, 1, "shelf 3");
    f.Int(1).File("clip.zip", 1, 900, kTicks2020, 1).Member("a.avi", 800, kTicks2020).Int(0);
    return f.Text();
}

struct ImportCase {
    const char* name;
    std::string input; // the CAT file's bytes; empty for no file at all
    bool outExists;
    int status;
    bool written; // whether OUT.SXF exists afterwards and holds what it held or the import
};
// Test names and failure messages show the case by its name.
void PrintTo(const ImportCase& c, std::ostream* out) { *out << c.name; }

class CliImport : public ::testing::TestWithParam<ImportCase> {};

TEST_P(CliImport, ExitStatusAndWhatIsWritten) {
    const ImportCase& c = GetParam();
    TempDir dir;
    const std::string in = dir.File("old.CAT"), out = dir.File("new.SXF");
    if (!c.input.empty()) WriteWholeFile(in, c.input);
    if (c.outExists) WriteWholeFile(out, "mine");
    CliResult run = RunCli(dir, {"import", in, out});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(FileExists(out), c.written);
    if (c.outExists) {
        EXPECT_EQ(ReadWholeFile(out), "mine");
    }
    if (c.status != 0) {
        EXPECT_FALSE(run.err.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliImport,
    ::testing::Values(
        ImportCase{"Imported", OneMedium(), false, 0, true},
        ImportCase{"WrongSignature", AdcBytes().Header(0, "ADC.CATALOG").Int(0).Text(), false, 1,
                   false},
        ImportCase{"NoSuchFile", "", false, 1, false},
        ImportCase{"OutputExists", OneMedium(), true, 1, true},
        // The media read before the error are saved, and the run still fails.
        ImportCase{"TruncatedInSecondMedium", OneMedium(2), false, 1,
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliImportResult, SavedCatalogueHoldsTheForeignMedium) {
    TempDir dir;
    WriteWholeFile(dir.File("old.CAT"), OneMedium());
    ASSERT_EQ(RunCli(dir, {"import", dir.File("old.CAT"), dir.File("new.SXF")}).status, 0);
    CMedienListe cat;
    ASSERT_TRUE(cat.Load(dir.File("new.SXF")));
    ASSERT_EQ(cat.Count(), 1);
    CMedium& m = *cat.GetMedium(0);
    EXPECT_EQ(m.Name, "MOVIES");
    EXPECT_EQ(m.CategoryName(), "Films");
    EXPECT_EQ(m.FileCount, 2);
    ASSERT_TRUE(m.LoadContent(cat.DataFileName));
    ASSERT_EQ(m.EntryCount(), 1);
    EXPECT_EQ(m.GetEntry(0)->Kind, kindArchive);
    EXPECT_EQ(m.GetEntry(0)->ChildCount(), 1);
}

} // namespace
