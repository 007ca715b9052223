// Sizes drawn for an 8-point font grow with the running font: the Date columns of the explorer
// and of the search results show a full date and time whole, and the scan window shows the
// whole text of its captions, counts and button.
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "catalogue/IO_BZIP.h"
#include "scan/ufrmMediaRead.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"
#include "support/catalogue_text.h"

#include <QApplication>
#include <QDate>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

struct FontCase {
    const char* name;
    int pointSize; // 0: the application's font as it is
};

void PrintTo(const FontCase& c, std::ostream* out) { *out << c.name; }

class FontFit : public ::testing::TestWithParam<FontCase> {
protected:
    void SetUp() override {
        if (GetParam().pointSize > 0) {
            QFont larger = saved_;
            larger.setPointSize(GetParam().pointSize);
            QApplication::setFont(larger);
        }
        windows_ = std::make_unique<TShelvixWindows>();
        medium_ = cat_.AddMedium(std::make_unique<CMedium>(&cat_));
        medium_->Name = "Disc";
        // 28 December 2028, 23:58:58: two-digit day and month, the hour after noon.
        const double date = static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(2028, 12, 28))) +
                            (23 * 3600 + 58 * 60 + 58) / 86400.0;
        entry_ = AddTestEntry(*medium_, nullptr, "file.txt", kindFile, 123456789, date);
    }
    void TearDown() override {
        windows_.reset();
        QApplication::setFont(saved_);
    }

    // The view measures the cells of the column itself; the column is at least that wide.
    static void ExpectColumnShowsItsCells(QTreeView* view, int column) {
        view->window()->show();
        const int needed = static_cast<const QAbstractItemView*>(view)->sizeHintForColumn(column);
        EXPECT_GT(needed, 0) << "the view has a row to measure";
        EXPECT_GE(view->columnWidth(column), needed)
            << view->model()->index(0, column).data().toString().toStdString();
    }

    const QFont saved_ = QApplication::font();
    std::unique_ptr<TShelvixWindows> windows_;
    CMedienListe cat_;
    CMedium* medium_ = nullptr;
    CFile* entry_ = nullptr;
};

TEST_P(FontFit, ExplorerDateColumnShowsAFullDateAndTime) {
    TfrmShelvix& main = *windows_->frmShelvix;
    main.ExplorerModel().FillExplorer(medium_);
    ExpectColumnShowsItsCells(main.VTExplorer, TExplorerModel::colDate);
    if (main.width() < QGuiApplication::primaryScreen()->availableGeometry().width()) {
        EXPECT_LE(main.VTExplorer->header()->length(), main.VTExplorer->viewport()->width())
            << "the window starts wide enough for every column";
    }
}

TEST_P(FontFit, SearchResultsDateColumnShowsAFullDateAndTime) {
    TfrmSearch& search = *windows_->frmSearch;
    const TSearchResults results = {{medium_, entry_, TMatchedField::EntryName}};
    auto* model = qobject_cast<TSearchResultsModel*>(search.VSTResults->model());
    ASSERT_NE(model, nullptr);
    model->Fill(&results);
    ExpectColumnShowsItsCells(search.VSTResults, TSearchResultsModel::colDate);
    model->Clear();
}

TEST_P(FontFit, ScanWindowShowsItsTexts) {
    TfrmMediaRead& scan = *windows_->frmMediaRead;
    scan.LabelFiles->setText("1234567");
    scan.LabelSize->setText(QString::fromStdString(FormatSize(int64_t(999) << 30)));
    scan.show();
    for (const QLabel* label : scan.findChildren<QLabel*>()) {
        const std::string name = label->objectName().toStdString();
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << name;
        EXPECT_GE(label->height(), label->fontMetrics().height()) << name;
        EXPECT_TRUE(scan.rect().contains(label->geometry())) << name;
    }
    const QPushButton* stop = scan.ButtonStop;
    EXPECT_GE(stop->height(), stop->fontMetrics().height());
    EXPECT_TRUE(scan.rect().contains(stop->geometry()));
    scan.hide();
}

INSTANTIATE_TEST_SUITE_P(Fonts, FontFit,
                         ::testing::Values(FontCase{"ApplicationFont", 0}, FontCase{"Large14pt", 14},
                                           FontCase{"Huge20pt", 20}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
