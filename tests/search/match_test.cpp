#include "catalogue/mediaclasses.h"
#include "search/mask.h"
#include "search/searchrequest.h"
#include "support/catalogue_text.h"

#include <gtest/gtest.h>

namespace {

class Match : public ::testing::Test {
protected:
    void SetUp() override {
        cat.Categories = {"Music", "Films"};
        medium = cat.AddMedium(std::make_unique<CMedium>(&cat));
        medium->Name = "Alpha";
        medium->VolumeLabel = "ALPHA";
        medium->Notice = "also alpha";
        medium->Category = 1;
        request.Catalogue = &cat;
        request.Results = &results;
        request.MatchFiles = request.MatchFolders = true;
    }
    bool Entry(CFile* entry, const char* mask = "*") {
        return MatchEntry(*entry, TMask(mask, request.CaseSensitive), request);
    }

    CMedienListe cat;
    CMedium* medium = nullptr;
    TSearchResults results;
    TSearchRequest request;
};

TEST_F(Match, MediumRowsInTheirOrder) {
    request.MatchNames = request.MatchLabels = request.MatchNotices = true;
    EXPECT_TRUE(MatchMedium(*medium, TMask("al", false), request));
    ASSERT_EQ(results.size(), 3u) << "name and label are equal, both give a row";
    EXPECT_EQ(results[0].Text(), "Alpha");
    EXPECT_EQ(results[1].Text(), "ALPHA");
    EXPECT_EQ(results[2].Text(), "also alpha");
    EXPECT_EQ(results[2].field, TMatchedField::MediumNotice);
    EXPECT_EQ(results[0].medium, medium);
    EXPECT_EQ(results[0].entry, nullptr);

    results.clear();
    request.MatchLabels = false;
    request.CaseSensitive = true;
    EXPECT_TRUE(MatchMedium(*medium, TMask("al", true), request));
    EXPECT_EQ(results.size(), 1u) << "case sensitive: only the notice";

    results.clear();
    request.MatchNames = request.MatchNotices = false;
    request.CaseSensitive = false;
    EXPECT_FALSE(MatchMedium(*medium, TMask("*", false), request)) << "files never find media";
    EXPECT_TRUE(results.empty());

    request.MatchNames = true;
    request.Category = 0;
    EXPECT_FALSE(MatchMedium(*medium, TMask("*", false), request));
    request.Category = 1;
    EXPECT_TRUE(MatchMedium(*medium, TMask("*", false), request));
}

TEST_F(Match, EmptyFieldsMatchStarAndQuestionMark) {
    medium->VolumeLabel.clear();
    medium->Notice.clear();
    request.MatchNames = request.MatchLabels = request.MatchNotices = true;
    MatchMedium(*medium, TMask("?", false), request);
    EXPECT_EQ(results.size(), 3u);
}

TEST_F(Match, EntryFilters) {
    CFile* file = AddTestEntry(*medium, nullptr, "song.mp3", kindFile, 3145728, 45000.5, 0);
    CFile* folder = AddTestEntry(*medium, nullptr, "songs", kindFolder, 0, 45000.5, -1);
    CFile* archive = AddTestEntry(*medium, nullptr, "songs.zip", kindArchive, 10, 45000.5, 0);
    struct Row {
        const char* what;
        bool files, folders;
        int32_t category;
        bool sizeFilter;
        int64_t from, to;
        bool dateFilter;
        double dateFrom, dateTo;
        bool file, folder, archive;
    };
    const double noon = 45000.5;
    const Row rows[] = {
        {"no filters", true, true, -1, false, 0, 0, false, 0, 0, true, true, true},
        {"files only: archives pass", true, false, -1, false, 0, 0, false, 0, 0, true, false, true},
        {"folders only: archives pass", false, true, -1, false, 0, 0, false, 0, 0, false, true, true},
        {"neither box", false, false, -1, false, 0, 0, false, 0, 0, false, false, false},
        {"entry's own category", true, true, 0, false, 0, 0, false, 0, 0, true, false, true},
        {"medium's category does not pass down", true, true, 1, false, 0, 0, false, 0, 0, false, false, false},
        {"size from inclusive", true, true, -1, true, 3145728, INT64_MAX, false, 0, 0, true, false, false},
        {"size to inclusive", true, true, -1, true, 0, 10, false, 0, 0, false, true, true},
        {"size above 32 bits", true, true, -1, true, int64_t(3) << 30, INT64_MAX, false, 0, 0, false, false, false},
        {"date bounds inclusive", true, true, -1, false, 0, 0, true, noon, noon, true, true, true},
        {"date after to", true, true, -1, false, 0, 0, true, 0, noon - 1e-9, false, false, false},
        {"date before from", true, true, -1, false, 0, 0, true, noon + 1e-9, 50000, false, false, false},
    };
    for (const Row& row : rows) {
        request.MatchFiles = row.files;
        request.MatchFolders = row.folders;
        request.Category = row.category;
        request.SizeFilter = row.sizeFilter;
        request.SizeFrom = row.from;
        request.SizeTo = row.to;
        request.DateFilter = row.dateFilter;
        request.DateFrom = row.dateFrom;
        request.DateTo = row.dateTo;
        results.clear();
        EXPECT_EQ(Entry(file), row.file) << row.what;
        EXPECT_EQ(Entry(folder), row.folder) << row.what;
        EXPECT_EQ(Entry(archive), row.archive) << row.what;
        EXPECT_EQ(results.size(), size_t(row.file + row.folder + row.archive)) << row.what;
    }
    results.clear();
    request = TSearchRequest();
    request.Catalogue = &cat;
    request.Results = &results;
    request.MatchFiles = true;
    EXPECT_FALSE(Entry(file, "x*"));
    EXPECT_TRUE(Entry(file, "S"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].entry, file);
    EXPECT_EQ(results[0].medium, medium);
    EXPECT_EQ(results[0].Text(), "song.mp3");
}

TEST_F(Match, EntriesOfTwoGigabytesAndMore) {
    CFile* big = AddTestEntry(*medium, nullptr, "disc.iso", kindFile, int64_t(5) << 30);
    request.SizeFilter = true;
    request.SizeFrom = *ScaleSize(3, 1073741824);
    EXPECT_TRUE(Entry(big)) << "from 3 GB, no upper bound";
    request.SizeTo = *ScaleSize(4, 1073741824);
    EXPECT_FALSE(Entry(big));
}

TEST(SizeText, ParsesTheDialogSyntax) {
    const struct {
        const char* text;
        std::optional<int64_t> value;
    } cases[] = {
        {"0", 0},
        {"123", 123},
        {"   42", 42},
        {"+7", 7},
        {"-7", -7},
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"0X10", 16},
        {"  $10", 16},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"$7FFFFFFFFFFFFFFF", INT64_MAX},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"12 ", std::nullopt},
        {"1.5", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"-$10", std::nullopt},
        {"$-10", std::nullopt},
        {"+-1", std::nullopt},
        {"12a", std::nullopt},
        {"\t12", std::nullopt},
        {"9223372036854775808", std::nullopt},
        {"$8000000000000000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseSizeNumber(c.text), c.value) << "'" << c.text << "'";
}

TEST(SizeText, ScalesByTheUnitWithoutOverflow) {
    EXPECT_EQ(ScaleSize(3, 1048576), 3145728);
    EXPECT_EQ(ScaleSize(3, 1073741824), int64_t(3) << 30);
    EXPECT_EQ(ScaleSize(-2, 1024), -2048);
    EXPECT_EQ(ScaleSize(INT64_MAX / 1024 + 1, 1024), std::nullopt);
    EXPECT_EQ(ScaleSize(INT64_MAX, 1), INT64_MAX);
}

} // namespace
