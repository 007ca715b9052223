// shelvix-cli search against a saved catalogue. Paths in the output join folders with "/" and go
// through the reversible escape, so a "\" inside a name is written "\\".
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CliSearch : public ::testing::Test {
protected:
    void SetUp() override {
        cat_.Categories = {"Music", "Films"};
        CMedium& disc = AddMedium("Disc\tOne", "LABEL");
        disc.Notice = "shelf abc";
        CFile* a = AddTestEntry(disc, nullptr, "A", kindFolder);
        CFile* b = AddTestEntry(disc, a, "B\\C", kindFolder);
        AddTestEntry(disc, b, "abc.txt", kindFile, int64_t(3) << 30, 45000.5, 1);
        AddTestEntry(disc, a, "xabc.txt", kindFile, 10, 45001.0);
        AddTestEntry(disc, nullptr, "ABC.zip", kindArchive, 99, 45002.25);
        CMedium& old = AddMedium("Old", "OLD");
        old.Present = false;
        AddTestEntry(old, nullptr, "abc old.txt", kindFile, 1, 40000.0);
        ASSERT_TRUE(cat_.Save(index_));
    }
    CMedium& AddMedium(const std::string& name, const std::string& label) {
        CMedium& m = *cat_.AddMedium(std::make_unique<CMedium>(&cat_));
        m.Name = name;
        m.VolumeLabel = label;
        m.Serial = "12345678";
        m.ContentLoaded = true;
        return m;
    }
    CliResult Search(std::vector<std::string> options) {
        options.insert(options.begin(), {"search", index_});
        return RunCli(dir_, options);
    }

    TempDir dir_;
    std::string index_ = dir_.File("s.SXF");
    CMedienListe cat_;
};

TEST_F(CliSearch, RowsAndOptions) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    } cases[] = {
        {{"abc"}, 0,
         "Disc\\x09One\tA/B\\\\C/abc.txt\t3221225472\t2023-03-15 12:00:00\n"
         "Disc\\x09One\tABC.zip\t99\t2023-03-17 06:00:00\n"
         "Old\tabc old.txt\t1\t2009-07-06 00:00:00\n"},
        {{"abc", "--case-sensitive"}, 0,
         "Disc\\x09One\tA/B\\\\C/abc.txt\t3221225472\t2023-03-15 12:00:00\n"
         "Old\tabc old.txt\t1\t2009-07-06 00:00:00\n"},
        {{"*b", "--folders"}, 0,
         "Disc\\x09One\tA/B\\\\C\n"
         "Disc\\x09One\tABC.zip\t99\t2023-03-17 06:00:00\n"}, // archives pass either box
        {{"*abc", "--label", "--notice"}, 0, "Disc\\x09One\tshelf abc\n"},
        {{"(do)", "--name"}, 0, "Disc\\x09One\tDisc\\x09One\nOld\tOld\n"},
        {{"*abc", "--size-from", "3GB"}, 0,
         "Disc\\x09One\tA/B\\\\C/abc.txt\t3221225472\t2023-03-15 12:00:00\n"},
        {{"*", "--files", "--size-from", "$a", "--size-to", "0x63"}, 0,
         "Disc\\x09One\tA/xabc.txt\t10\t2023-03-16 00:00:00\n"
         "Disc\\x09One\tABC.zip\t99\t2023-03-17 06:00:00\n"},
        {{"*", "--files", "--date-from", "2023-03-16", "--date-to", "2023-03-17T06:00"}, 0,
         "Disc\\x09One\tA/xabc.txt\t10\t2023-03-16 00:00:00\n"
         "Disc\\x09One\tABC.zip\t99\t2023-03-17 06:00:00\n"},
        // A date alone is its whole day, for "to" as well.
        {{"*", "--files", "--date-from", "2023-03-15", "--date-to", "2023-03-15"}, 0,
         "Disc\\x09One\tA/B\\\\C/abc.txt\t3221225472\t2023-03-15 12:00:00\n"},
        {{"*", "--category", "Films"}, 0,
         "Disc\\x09One\tA/B\\\\C/abc.txt\t3221225472\t2023-03-15 12:00:00\n"},
        {{"nothing"}, 1, ""},
        {{"[a-z"}, 2, ""},
        {{"*", "--size-from", "3 GB"}, 2, ""},
        {{"*", "--date-from", "2023-02-30"}, 2, ""},
        {{"*", "--category", "films"}, 2, ""},
        {{"*", "--frobnicate"}, 2, ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& a : c.arguments) shown += a + " ";
        const CliResult run = Search(c.arguments);
        EXPECT_EQ(run.status, c.status) << shown << run.err;
        EXPECT_EQ(run.out, c.out) << shown;
        if (c.status == 2) {
            EXPECT_NE(run.err.find("shelvix-cli: search:"), std::string::npos) << shown;
        }
    }
}

TEST_F(CliSearch, MissingCatalogueFails) {
    const CliResult run = RunCli(dir_, {"search", dir_.File("none.SXF"), "*"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Could not load"), std::string::npos);
    EXPECT_EQ(RunCli(dir_, {"search", index_}).status, 2) << "the mask is required";
}

} // namespace
