// shelvix-cli duplicates and export against a saved catalogue: the lines the scripts read.
#include "catalogue/mediaclasses.h"
#include "support/catalogue_text.h"
#include "support/clirun.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CliCase {
    const char* name;
    std::vector<std::string> arguments; // after the catalogue's name
    int status;
    std::string out;
    bool complains = false; // a message on standard error
};

std::ostream& operator<<(std::ostream& out, const CliCase& c) { return out << c.name; }

const CliCase kCases[] = {
    {"DuplicatesInBlocksLargestWasteFirst", {"duplicates"}, 0,
     "Disc\\x09One\tA/movie.mkv\t3221225472\t2023-03-15 12:00:00\n"
     "Old\tmovie.mkv\t3221225472\t2023-03-15 12:00:01\n"
     "\n"
     "Disc\\x09One\tpack.zip/x.txt\t10\t2023-03-15 12:00:00\n"
     "Old\tx.txt\t10\t2023-03-15 12:00:00\n"
     "Second\tx.txt\t10\t2023-03-15 12:00:00\n"},
    {"DuplicatesOfTheSameSecond", {"duplicates", "--date"}, 0,
     "Disc\\x09One\tpack.zip/x.txt\t10\t2023-03-15 12:00:00\n"
     "Old\tx.txt\t10\t2023-03-15 12:00:00\n"
     "Second\tx.txt\t10\t2023-03-15 12:00:00\n"},
    {"DuplicatesOnPresentMediaFromOneKilobyte",
     {"duplicates", "--present", "--min-size", "1KB"}, 1, ""},
    {"DuplicatesWithABadSize", {"duplicates", "--min-size", "lots"}, 2, "", true},
    {"ExportCsvOfOneMedium", {"export", "--csv", "--medium", "Second"}, 0,
     "medium,path,name,kind,size,date,category,free,capacity\r\n"
     "Second,,x.txt,file,10,2023-03-15 12:00:00,,1024,4096\r\n"},
    {"ExportLeavesRemovedMediaOut", {"export", "--csv"}, 0,
     "medium,path,name,kind,size,date,category,free,capacity\r\n"
     "Disc\tOne,,A,folder,,,,,\r\n"
     "Disc\tOne,A,movie.mkv,file,3221225472,2023-03-15 12:00:00,,,\r\n"
     "Disc\tOne,,pack.zip,archive,99,2023-03-15 12:00:00,,,\r\n"
     "Disc\tOne,pack.zip,x.txt,file,10,2023-03-15 12:00:00,,,\r\n"
     "Second,,x.txt,file,10,2023-03-15 12:00:00,,1024,4096\r\n"},
    {"ExportOfRemovedMediaOnRequestWithState", {"export", "--csv", "--medium", "Old", "--removed"}, 0,
     "medium,path,name,kind,size,date,category,free,capacity,state\r\n"
     "Old,,movie.mkv,file,3221225472,2023-03-15 12:00:01,,,,removed\r\n"
     "Old,,x.txt,file,10,2023-03-15 12:00:00,,,,removed\r\n"},
    {"ExportOfNoSuchMedium", {"export", "--html", "--medium", "Third"}, 1, "", true},
    {"ExportWithoutAFormat", {"export"}, 2, "", true},
};

class CliReports : public ::testing::TestWithParam<CliCase> {
protected:
    void SetUp() override {
        CMedienListe cat;
        CMedium& disc = AddMedium(cat, "Disc\tOne");
        AddTestEntry(disc, AddTestEntry(disc, nullptr, "A", kindFolder), "movie.mkv", kindFile,
                     int64_t(3) << 30);
        AddTestEntry(disc, AddTestEntry(disc, nullptr, "pack.zip", kindArchive, 99), "x.txt",
                     kindFile, 10);
        CMedium& old = AddMedium(cat, "Old");
        old.Present = false;
        AddTestEntry(old, nullptr, "movie.mkv", kindFile, int64_t(3) << 30, 45000.5 + 1 / 86400.0);
        AddTestEntry(old, nullptr, "x.txt", kindFile, 10);
        CMedium& second = AddMedium(cat, "Second");
        AddTestEntry(second, nullptr, "x.txt", kindFile, 10);
        second.Additions.Capacity = 4096;
        second.Additions.FreeSpace = 1024;
        ASSERT_TRUE(cat.Save(index_));
    }
    static CMedium& AddMedium(CMedienListe& cat, const std::string& name) {
        CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        m.Name = name;
        m.ContentLoaded = true;
        return m;
    }

    TempDir dir_;
    std::string index_ = dir_.File("r.SXF");
};

TEST_P(CliReports, Output) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.begin() + 1, index_);
    const CliResult run = RunCli(dir_, arguments);
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err.empty(), !GetParam().complains) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliReports, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CliCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
