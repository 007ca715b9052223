// The detail columns of the explorer and of the result lists: their texts, their tooltips and
// their order when sorted, for photos, songs, videos, files without details and details that
// are not what they claim, each model under Qt's model tester.
#include "catalogue/daycount.h"
#include "language/messagetable.h"
#include "search/ufrmSearch_results.h"
#include "support/catalogue_text.h"
#include "support/qtprinters.h"
#include "widgets/mediaviewmodels.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace {

namespace M = ShelvixMessages;

// Seven files of one folder, in this stored order.
struct DetailMedium {
    CMedienListe catalogue;
    CMedium* medium = nullptr;
    DetailMedium() {
        medium = catalogue.AddMedium(std::make_unique<CMedium>(&catalogue));
        medium->Name = "Trip";
        medium->ContentLoaded = true;
        const std::pair<const char*, TDetailPairs> files[] = {
            {"a_photo.jpg", {{"width", "4000"}, {"height", "3000"}, {"taken", "2019-06-05T14:03:02"},
                             {"make", "Canon"}, {"model", "Canon EOS 5D"}}},
            {"b_song.mp3", {{"title", "Dancing Queen"}, {"artist", "ABBA"}, {"album", "Arrival"},
                            {"duration", "217.87"}}},
            {"c_clip.mp4", {{"duration", "3723.4"}, {"width", "1920"}, {"height", "1080"}}},
            {"d_notes.txt", {}},
            {"e_phone.jpg", {{"width", "3024"}, {"height", "4032"}, {"taken", "2018-12-24T18:30:00"},
                             {"make", "Apple"}, {"model", "iPhone 8"}}},
            {"f_song.flac", {{"title", "Money, Money, Money"}, {"artist", "abba"}, {"duration", "65"}}},
            // What a damaged or odd file may carry: texts where numbers belong.
            {"g_odd.jpg", {{"width", "wide"}, {"height", "3"}, {"taken", "sometime"}, {"duration", "long"}}},
        };
        for (const auto& [name, pairs] : files)
            medium->Details.Set(AddTestEntry(*medium, nullptr, name, kindFile, 100), pairs);
    }
};

QString Taken(int64_t y, unsigned m, unsigned d, int h, int mi, int s) {
    return EntryDateText(LocalDayCount(y, m, d, h * 3600 + mi * 60 + s));
}

struct ColumnCase {
    TDetailColumn column;
    QStringList texts;      // in stored order
    const char* ascending;  // first letters of the names, as sorted
    const char* descending;
};

std::vector<ColumnCase> ColumnCases() {
    return {
        {TDetailColumn::Dimensions,
         {"4000 \u00D7 3000", "", "1920 \u00D7 1080", "", "3024 \u00D7 4032", "", "wide \u00D7 3"},
         "caebdfg", "eacbdfg"},
        {TDetailColumn::Duration, {"", "3:38", "1:02:03", "", "", "1:05", "long"}, "fbcadeg", "cbfadeg"},
        {TDetailColumn::Taken,
         {Taken(2019, 6, 5, 14, 3, 2), "", "", "", Taken(2018, 12, 24, 18, 30, 0), "", "sometime"},
         "eagbcdf", "gaebcdf"},
        {TDetailColumn::Artist, {"", "ABBA", "", "", "", "abba", ""}, "bfacdeg", "fbacdeg"},
        {TDetailColumn::Album, {"", "Arrival", "", "", "", "", ""}, "bacdefg", "bacdefg"},
        {TDetailColumn::Title, {"", "Dancing Queen", "", "", "", "Money, Money, Money", ""}, "bfacdeg",
         "fbacdeg"},
        {TDetailColumn::Camera, {"Canon EOS 5D", "", "", "", "Apple iPhone 8", "", ""}, "eabcdfg", "aebcdfg"},
    };
}

// The first letter of each row's name, as the model shows them.
std::string Order(const QAbstractItemModel& model, int nameColumn) {
    std::string order;
    for (int row = 0; row < model.rowCount(); ++row)
        order += model.index(row, nameColumn).data().toString().toStdString().substr(0, 1);
    return order;
}

// The explorer, and a result list whose last row is a medium's (no details: it stays last).
TEST(DetailColumns, ExplorerAndResultListsShowAndSortEachDetail) {
    DetailMedium trip;
    TExplorerModel explorer(nullptr);
    TSearchResultsModel results(nullptr);
    TSearchResults rows;
    for (int i = 0; i < trip.medium->EntryCount(); ++i) rows.push_back({trip.medium, trip.medium->GetEntry(i)});
    rows.push_back({trip.medium, nullptr, TMatchedField::MediumName});
    const auto sortBy = [&](int column, Qt::SortOrder order) {
        explorer.SortBy(column < 0 ? -1 : TExplorerModel::colFirstDetail + column, order);
        results.SortBy(column < 0 ? -1 : TSearchResultsModel::kColumns + column, order);
    };
    QAbstractItemModelTester testExplorer(&explorer, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester testResults(&results, QAbstractItemModelTester::FailureReportingMode::Fatal);
    explorer.FillExplorer(trip.medium);
    results.Fill(&rows);
    ASSERT_EQ(results.columnCount(), TSearchResultsModel::kAllColumns);
    for (const ColumnCase& c : ColumnCases()) {
        SCOPED_TRACE(int(c.column));
        const int inExplorer = TExplorerModel::colFirstDetail + int(c.column);
        const int inResults = TSearchResultsModel::kColumns + int(c.column);
        sortBy(-1, Qt::AscendingOrder);
        QStringList texts, listed;
        for (int row = 0; row < explorer.rowCount(); ++row) texts << explorer.index(row, inExplorer).data().toString();
        for (int row = 0; row < results.rowCount(); ++row) listed << results.index(row, inResults).data().toString();
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(listed, c.texts + QStringList{QString()});
        const std::pair<Qt::SortOrder, const char*> orders[] = {{Qt::AscendingOrder, c.ascending},
                                                               {Qt::DescendingOrder, c.descending}};
        for (auto [order, expected] : orders) {
            sortBy(int(c.column), order);
            EXPECT_EQ(Order(explorer, TExplorerModel::colName), expected);
            EXPECT_EQ(Order(results, TSearchResultsModel::colResult), expected + std::string("T"));
        }
    }
}

TEST(DetailColumns, TitlesFollowTheMessagesUnlessAViewGaveItsOwn) {
    ResetMessagesToBuiltIn();
    TExplorerModel explorer(nullptr);
    TSearchResultsModel results(nullptr);
    const int inExplorer = TExplorerModel::colFirstDetail + int(TDetailColumn::Duration);
    const int inResults = TSearchResultsModel::kColumns + int(TDetailColumn::Duration);
    const auto title = [](const QAbstractItemModel& model, int column) {
        return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    EXPECT_EQ(title(explorer, inExplorer), "Duration");
    M::msgColDuration = "Dauer";
    EXPECT_EQ(title(explorer, inExplorer), "Dauer");
    EXPECT_EQ(title(results, inResults), "Dauer");
    results.setHeaderData(inResults, Qt::Horizontal, QStringLiteral("Länge"));
    EXPECT_EQ(title(results, inResults), "Länge");
    EXPECT_EQ(title(explorer, inExplorer), "Dauer");
    ResetMessagesToBuiltIn();
}

TEST(DetailColumns, TooltipsSumUpTheMainDetails) {
    DetailMedium trip;
    TExplorerModel model(nullptr);
    model.FillExplorer(trip.medium);
    struct Case {
        int row;
        int column;
        QString tip; // empty: none
    } cases[] = {
        {0, TExplorerModel::colName,
         "Dimensions: 4000 \u00D7 3000\nTaken: " + Taken(2019, 6, 5, 14, 3, 2) + "\nCamera: Canon EOS 5D"},
        {1, TExplorerModel::colDate, "Duration: 3:38\nArtist: ABBA\nAlbum: Arrival\nTitle: Dancing Queen"},
        {1, TExplorerModel::colSize, ExactSizeText(100)}, // the size column tells the exact size
        {3, TExplorerModel::colName, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const QVariant tip = model.index(c.row, c.column).data(Qt::ToolTipRole);
        EXPECT_EQ(tip.isValid(), !c.tip.isEmpty());
        EXPECT_EQ(tip.toString(), c.tip);
    }
}

TEST(DetailColumns, DurationsInMinutesAndHours) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00"}, {59.5, "1:00"}, {217.87, "3:38"}, {3599.4, "59:59"}, {3600, "1:00:00"}, {90061, "25:01:01"}, {-1, ""},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(DurationText(seconds), text) << seconds;
}

} // namespace
