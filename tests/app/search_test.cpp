#include "support/qtprinters.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "app/ufrmQuickFind.h"
#include "search/nameindexbackend.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"
#include "search/ufrmSearchWindow.h"
#include "support/catalogue_text.h"
#include "support/guihelpers.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"
#include "support/textindex.h"
#include "support/threadcount.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Media "Alpha" (fixed drive; folder A with B inside, files in both, an archive, a top file),
// "Beta" (removed) and "Gamma" (optical, 300 files), saved and opened again: only Alpha, selected
// and shown at opening, is loaded.
class Search : public ::testing::Test {
protected:
    void SetUp() override {
        ResetMessagesToBuiltIn();
        CMedienListe built;
        built.Categories = {"Music", "Films"};
        CMedium& alpha = AddMedium(built, "Alpha", 3);
        CFile* a = AddTestEntry(alpha, nullptr, "A", kindFolder);
        CFile* b = AddTestEntry(alpha, a, "B", kindFolder);
        AddTestEntry(alpha, b, "deep.txt", kindFile, 5000, 45000.5, 1);
        AddTestEntry(alpha, a, "mid.txt", kindFile, 30);
        AddTestEntry(alpha, nullptr, "pack.zip", kindArchive, 400);
        AddTestEntry(alpha, nullptr, "top.txt", kindFile, 2);
        CMedium& beta = AddMedium(built, "Beta", 2);
        beta.Present = false;
        AddTestEntry(beta, nullptr, "gone.txt", kindFile, 1);
        CMedium& gamma = AddMedium(built, "Gamma", 5);
        for (int i = 0; i < 300; ++i)
            AddTestEntry(gamma, nullptr, "g" + std::to_string(i) + ".txt", kindFile, i);
        const std::string file = dir.File("cat.SXF");
        if (Main().QuickFind()) Main().QuickFind()->StopReading(); // it may hold the file
        ASSERT_TRUE(built.Save(file));
        Main().OpenCatalogueAtStart(QString::fromStdString(file));
        ASSERT_EQ(Cat().Count(), 3);
        // Only the search loads contents here: the reading in the background stops.
        Main().QuickFind()->ForgetMedia();
    }
    static CMedium& AddMedium(CMedienListe& to, const std::string& name, uint32_t driveType) {
        CMedium& m = *to.AddMedium(std::make_unique<CMedium>(&to));
        m.Name = name;
        m.VolumeLabel = "VOL_" + name;
        m.Serial = "0000000" + std::to_string(to.Count());
        m.DriveType = driveType;
        m.ContentLoaded = true;
        return m;
    }

    TfrmShelvix& Main() { return *windows.frmShelvix; }
    CMedienListe& Cat() { return Main().Catalogue(); }
    TfrmSearch& Dialog() { return *windows.frmSearch; }
    TSearchResultsModel& Model() { return Dialog().ResultsModel(); }

    // Opens the search dialog, lets `criteria` set it up, presses "Search", then lets `then`
    // look at the results and close the dialog (Close when it does not).
    void SearchWith(const std::function<void(TfrmSearch&)>& criteria,
                    const std::function<void(TfrmSearch&)>& then = {}) {
        whenDialogShows([&] {
            criteria(Dialog());
            Dialog().ButtonSearch->click();
            if (then) then(Dialog());
            if (Dialog().isVisible()) Dialog().ButtonClose->click();
        });
        ASSERT_TRUE(triggerAction(&Main(), "actSearch"));
    }
    static void Only(TfrmSearch& d, std::initializer_list<QCheckBox*> boxes, const char* mask) {
        d.CheckBoxAll->setChecked(true);
        d.CheckBoxAll->setChecked(false);
        for (QCheckBox* box : boxes) box->setChecked(true);
        d.EditSearch->setText(QString::fromUtf8(mask));
    }
    QStringList Column(int column) {
        QStringList texts;
        for (int row = 0; row < Model().rowCount(); ++row)
            texts << Model().index(row, column).data().toString();
        return texts;
    }
    int LoadedCount() {
        int loaded = 0;
        for (int i = 0; i < Cat().Count(); ++i) loaded += Cat().GetMedium(i)->ContentLoaded;
        return loaded;
    }
    void Select(int row) {
        Dialog().VSTResults->selectionModel()->select(
            Model().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    TScriptedInteraction script;
    TempDir dir;
    TShelvixWindows windows;
};

TEST_F(Search, CheckBoxCoupling) {
    TfrmSearch& d = Dialog();
    QCheckBox* five[] = {d.CheckBoxName, d.CheckBoxLabel, d.CheckBoxNotice, d.CheckBoxFiles,
                         d.CheckBoxFolders};
    d.CheckBoxAll->setChecked(true);
    for (QCheckBox* box : five) EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_FALSE(d.CheckBoxCaseSensitive->isChecked()) << "not one of the five";
    d.CheckBoxFiles->setChecked(false);
    EXPECT_FALSE(d.CheckBoxAll->isChecked());
    EXPECT_TRUE(d.CheckBoxName->isChecked()) << "the others keep their states";
    d.CheckBoxFiles->setChecked(true);
    EXPECT_FALSE(d.CheckBoxAll->isChecked()) << "checking all five does not check All";
    d.CheckBoxAll->setChecked(true);
    d.CheckBoxAll->setChecked(false);
    for (QCheckBox* box : five) EXPECT_FALSE(box->isChecked());

    const struct {
        QCheckBox* box;
        std::vector<QWidget*> controls;
    } enabling[] = {{d.CheckBoxDateFrom, {d.DTPDateFrom}},
                    {d.CheckBoxDateTo, {d.DTPDateTo}},
                    {d.CheckBoxSizeFrom, {d.EditSizeFrom, d.ComboBoxSizeFrom}},
                    {d.CheckBoxSizeTo, {d.EditSizeTo, d.ComboBoxSizeTo}},
                    {d.CheckBoxCategory, {d.ComboBoxCategory}}};
    for (const auto& e : enabling) {
        for (bool on : {true, false}) {
            e.box->setChecked(on);
            for (QWidget* control : e.controls)
                EXPECT_EQ(control->isEnabled(), on) << control->objectName().toStdString();
        }
    }
}

TEST_F(Search, NamesOnlyCountsMediaAndLoadsNothing) {
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxName}, "*"); },
               [this](TfrmSearch& d) {
                   EXPECT_EQ(d.StatusBar->currentMessage(), "3 results found.");
                   EXPECT_EQ(windows.frmSearchWindow->LabelItems->text(), "3");
                   EXPECT_EQ(windows.frmSearchWindow->LabelResults->text(), "3");
               });
    EXPECT_EQ(Column(1), QStringList({"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(LoadedCount(), 1);
    EXPECT_TRUE(script.Asked().isEmpty());
}

TEST_F(Search, EnterInTheSearchTextSearchesOnce) {
    int runs = 0;
    QObject::connect(windows.frmSearchWindow->Timer, &QTimer::timeout, [&runs] { ++runs; });
    whenDialogShows([&] {
        Only(Dialog(), {Dialog().CheckBoxLabel}, "vol_a");
        QTest::keyClick(Dialog().EditSearch, Qt::Key_Return);
        Dialog().ButtonClose->click();
    });
    triggerAction(&Main(), "actSearch");
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(Column(3), QStringList({"VOL_Alpha"}));
}

TEST_F(Search, EntriesWithTheirCellTexts) {
    QAbstractItemModelTester tester(&Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxFiles, d.CheckBoxFolders}, "(abdmpt)"); },
               [this](TfrmSearch&) {
                   EXPECT_EQ(windows.frmSearchWindow->LabelItems->text(), QString::number(3 + 6 + 1 + 300))
                       << "every medium and every entry at every depth";
               });
    EXPECT_EQ(Column(3), QStringList({"A", "B", "deep.txt", "mid.txt", "pack.zip", "top.txt"}));
    EXPECT_EQ(Column(1), QStringList({"Alpha", "Alpha", "Alpha", "Alpha", "Alpha", "Alpha"}));
    EXPECT_EQ(Column(6), QStringList({"A", "A/B", "A/B", "A", "pack.zip", ""}))
        << "a folder's or archive's path ends with its own name";
    EXPECT_EQ(Column(4), QStringList({"", "", "4.88 KB", "0 KB", "0 KB", "0 KB"}));
    EXPECT_EQ(Column(5)[0], "") << "folders show no date";
    EXPECT_FALSE(Column(5)[2].isEmpty());
    EXPECT_EQ(LoadedCount(), 3);
    EXPECT_EQ(Model().headerData(4, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));

    // Icons: the medium's drive icon, and the kind of the row's object.
    const auto icon = [this](int row, int column) {
        return Model().index(row, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
    };
    EXPECT_EQ(icon(0, 0), Main().ImageListDrives.At(1).cacheKey()) << "fixed drive";
    EXPECT_EQ(icon(0, 2), Main().ImageListFolders.At(0).cacheKey()) << "folder";
    EXPECT_EQ(icon(2, 2), Main().ImageListFolders.At(2).cacheKey()) << "file";
    EXPECT_EQ(icon(4, 2), Main().ImageListFolders.At(3).cacheKey()) << "archive";
}

TEST_F(Search, RemovedMediumIconAndNoJump) {
    const QModelIndexList selected = Main().VTMedien->selectionModel()->selectedRows();
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxFiles}, "gone"); },
               [this](TfrmSearch& d) {
                   ASSERT_EQ(Model().rowCount(), 1);
                   EXPECT_EQ(Model().index(0, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
                             Main().ImageListDrives.At(7).cacheKey());
                   Select(0);
                   d.ButtonShow->click();
               });
    EXPECT_EQ(Main().VTMedien->selectionModel()->selectedRows(), selected) << "a removed medium has no node";
    EXPECT_FALSE(Main().VTExplorer->currentIndex().isValid());
}

TEST_F(Search, ShowSelectsMediumAndEntry) {
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxFiles, d.CheckBoxName}, "*deep*"); },
               [this](TfrmSearch& d) {
                   ASSERT_EQ(Model().rowCount(), 1);
                   d.ButtonShow->click(); // nothing selected: nothing happens
                   EXPECT_TRUE(d.isVisible());
                   Select(0);
                   d.ButtonShow->click();
               });
    const QModelIndex medium = Main().VTMedien->currentIndex();
    ASSERT_TRUE(medium.isValid());
    EXPECT_EQ(Main().MediaModel().ObjectAt(medium).medium, Cat().GetMedium(0));
    EXPECT_TRUE(Main().VTMedien->selectionModel()->isRowSelected(medium.row(), medium.parent()));
    const QModelIndex entry = Main().VTExplorer->currentIndex();
    ASSERT_TRUE(entry.isValid());
    CFile* found = Main().ExplorerModel().EntryAt(entry);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Name(), "deep.txt");
    EXPECT_TRUE(Main().VTExplorer->isExpanded(entry.parent())) << "B";
    EXPECT_TRUE(Main().VTExplorer->isExpanded(entry.parent().parent())) << "A";
    EXPECT_TRUE(Main().VTExplorer->selectionModel()->isSelected(entry));

    // A medium's row selects the medium; the double click does what Show does.
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxName}, "gam"); },
               [this](TfrmSearch& d) {
                   Select(0);
                   const QModelIndex cell = Model().index(0, 3);
                   emit d.VSTResults->doubleClicked(cell);
               });
    EXPECT_EQ(Main().MediaModel().ObjectAt(Main().VTMedien->currentIndex()).medium, Cat().GetMedium(2));
    EXPECT_EQ(Main().ExplorerModel().Medium(), Cat().GetMedium(2));
}

TEST_F(Search, SortingByHeaderClicks) {
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxName, d.CheckBoxFiles, d.CheckBoxFolders}, "(abdmpt)"); },
               [this](TfrmSearch& d) {
                   QHeaderView* header = d.VSTResults->header();
                   const auto click = [&](int column, Qt::MouseButton button = Qt::LeftButton) {
                       QTest::mouseClick(header->viewport(), button, {},
                                         QPoint(header->sectionViewportPosition(column) + 5, 5));
                   };
                   click(4);
                   // Size ascending: media and folders count 0 and keep their found order.
                   EXPECT_EQ(Column(3), QStringList({"Alpha", "A", "B", "Beta", "top.txt",
                                                     "mid.txt", "pack.zip", "deep.txt"}));
                   EXPECT_EQ(header->sortIndicatorSection(), 4);
                   click(4, Qt::RightButton); // any button; same column: descending
                   EXPECT_EQ(Column(3).first(), "deep.txt");
                   EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
                   click(6); // another column keeps the direction
                   EXPECT_EQ(Column(6).first(), "pack.zip");
                   EXPECT_EQ(Column(6).last(), "");
                   click(6);
                   EXPECT_EQ(Column(6).mid(0, 4), QStringList({"", "", "", "A"}))
                       << "media rows and top-level files first";
                   click(3);
                   EXPECT_EQ(Column(3), QStringList({"A", "Alpha", "B", "Beta", "deep.txt",
                                                     "mid.txt", "pack.zip", "top.txt"}));
                   click(1);
                   click(1);
                   EXPECT_EQ(Column(1).first(), "Beta");
               });
    // The sort stays in force for the next search.
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxName}, "*"); });
    EXPECT_EQ(Column(1), QStringList({"Gamma", "Beta", "Alpha"}));
}

TEST_F(Search, BadSizesAndMasks) {
    SearchWith([](TfrmSearch& d) {
        Only(d, {d.CheckBoxName}, "*");
        d.CheckBoxSizeFrom->setChecked(true);
        d.EditSizeFrom->setText("12 kb");
    });
    EXPECT_EQ(script.MessageTexts(), QStringList{"Size from is an invalid value"});
    EXPECT_EQ(script.Asked().first().caption, "Error");
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_EQ(Dialog().ComboBoxSizeFrom->currentText(), "Byte") << "unit chosen on the way";

    script.ClearAsked();
    SearchWith([](TfrmSearch& d) {
        d.EditSizeFrom->setText(" $10");
        d.CheckBoxSizeTo->setChecked(true);
        d.EditSizeTo->setText("");
    });
    EXPECT_EQ(script.MessageTexts(), QStringList{"Size to is an invalid value."});

    script.ClearAsked();
    SearchWith([](TfrmSearch& d) {
        d.EditSizeTo->setText("9000000000000");
        d.ComboBoxSizeTo->setCurrentIndex(3); // GB: beyond 64 bits
    });
    EXPECT_EQ(script.MessageTexts(), QStringList{"Size to is an invalid value."});

    // A mask that cannot compile: no rows and no message.
    script.ClearAsked();
    SearchWith([](TfrmSearch& d) {
        d.CheckBoxSizeFrom->setChecked(false);
        d.CheckBoxSizeTo->setChecked(false);
        Only(d, {d.CheckBoxName, d.CheckBoxFiles}, "[a-z");
    });
    EXPECT_TRUE(script.Asked().isEmpty());
    EXPECT_EQ(Dialog().StatusBar->currentMessage(), "0 results found.");
    EXPECT_EQ(LoadedCount(), 1);
}

TEST_F(Search, SizeFromThreeGigabytes) {
    CMedium* gamma = Cat().GetMedium(2);
    ASSERT_TRUE(gamma->LoadContent(Cat().DataFileName));
    gamma->GetEntry(7)->Size = int64_t(3) << 30;
    gamma->GetEntry(8)->Size = (int64_t(3) << 30) - 1;
    SearchWith([](TfrmSearch& d) {
        Only(d, {d.CheckBoxFiles}, "*");
        d.CheckBoxSizeFrom->setChecked(true);
        d.EditSizeFrom->setText("3");
        d.ComboBoxSizeFrom->setCurrentIndex(3);
    });
    EXPECT_EQ(Column(3), QStringList{"g7.txt"});
}

// The pickers choose days: every entry of the chosen days is found, whatever its time of day.
TEST_F(Search, DateBoundsAreWholeDays) {
    CMedium* gamma = Cat().GetMedium(2);
    ASSERT_TRUE(gamma->LoadContent(Cat().DataFileName));
    constexpr double kDay = 46000; // 9 December 2025
    const double dates[] = {kDay - 1.0 / 86400, kDay, kDay + 0.5, kDay + 86399.0 / 86400,
                            kDay + 1};
    for (int i = 0; i < 5; ++i) gamma->GetEntry(10 + i)->Date = dates[i];
    for (int i = 0; i < 300; ++i)
        if (i < 10 || i >= 15) gamma->GetEntry(i)->Date = kDay + 30;
    const QDate day = QDate(1899, 12, 30).addDays(qint64(kDay));
    SearchWith([&](TfrmSearch& d) {
        Only(d, {d.CheckBoxFiles}, "g*");
        d.CheckBoxDateFrom->setChecked(true);
        d.CheckBoxDateTo->setChecked(true);
        d.DTPDateFrom->setDate(day);
        d.DTPDateTo->setDate(day);
    });
    EXPECT_EQ(Column(3), (QStringList{"g11.txt", "g12.txt", "g13.txt"}));
}

TEST_F(Search, CategoryFilterOnEntries) {
    // A name that is not UTF-8 shows with a replacement character; the filter holds all the same.
    for (const std::string name : {"Films", "Films\xFF"}) {
        SCOPED_TRACE(name);
        Cat().Categories[1] = name;
        SearchWith([](TfrmSearch& d) {
            EXPECT_EQ(d.ComboBoxCategory->currentIndex(), -1) << "refilled without a choice";
            EXPECT_EQ(d.ComboBoxCategory->count(), 2);
            Only(d, {d.CheckBoxFiles}, "*");
            d.CheckBoxCategory->setChecked(true);
            d.ComboBoxCategory->setCurrentIndex(0); // "Films..." sorts before "Music"
        });
        EXPECT_EQ(Column(3), QStringList{"deep.txt"});
    }
}

// Without one of the five boxes Search says which to tick instead of finding nothing. The options
// and the category choice come back in the dialog of the next run.
TEST_F(Search, NothingToSearchInAndOptionsKeptForTheNextRun) {
    SearchWith([](TfrmSearch& d) {
        EXPECT_TRUE(d.CheckBoxFiles->isChecked() && d.CheckBoxFolders->isChecked()) << "ticked at first";
        d.CheckBoxFiles->setChecked(false);
        d.CheckBoxFolders->setChecked(false);
        d.EditSearch->setText("*.txt");
    });
    EXPECT_EQ(script.MessageTexts(), QStringList{QString::fromStdString(SearchMessages::msgNoOptions)});
    EXPECT_TRUE(Dialog().StatusBar->currentMessage().isEmpty()) << "no search ran";
    SearchWith([](TfrmSearch& d) {
        Only(d, {d.CheckBoxFiles, d.CheckBoxCaseSensitive}, "*");
        d.CheckBoxCategory->setChecked(true);
        d.ComboBoxCategory->setCurrentIndex(0);
    });
    TfrmSearch next(&Main().ImageListDrives); // as the next run makes it
    next.FillCategories(Cat());
    QStringList ticked;
    for (QCheckBox* box : next.findChildren<QCheckBox*>())
        if (box->isChecked()) ticked << box->objectName();
    EXPECT_EQ(ticked.join(' '), "CheckBoxFiles CheckBoxCaseSensitive CheckBoxCategory");
    EXPECT_EQ(next.ComboBoxCategory->currentText(), "Films");
}

TEST_F(Search, ResultsKeptUntilTheCatalogueIsReplaced) {
    SearchWith([](TfrmSearch& d) { Only(d, {d.CheckBoxName}, "a"); });
    whenDialogShows([this] {
        EXPECT_EQ(Column(1), QStringList{"Alpha"}) << "reopened: the same rows";
        EXPECT_EQ(Dialog().StatusBar->currentMessage(), "1 results found.");
        Dialog().ButtonClose->click();
    });
    triggerAction(&Main(), "actSearch");
    Main().ReplaceCatalogue(std::make_unique<CMedienListe>());
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_TRUE(Dialog().Results().empty());
}

TEST_F(Search, StopKeepsTheRowsFoundSoFar) {
    // Within one medium only the walk on one thread stops between entries.
    ScopedThreadCount oneThread(1);
    windows.frmSearchWindow->PumpInterval = std::chrono::milliseconds(0);
    TfrmSearchWindow& progress = *windows.frmSearchWindow;
    // Stop is pressed at the first turn the run gives to pending events.
    std::function<void()> stopWhenRunning = [&] {
        if (progress.isVisible() && progress.LabelItems->text() != "0") progress.ButtonStop->click();
        else QTimer::singleShot(0, qApp, stopWhenRunning);
    };
    SearchWith(
        [&](TfrmSearch& d) {
            Only(d, {d.CheckBoxFiles}, "g");
            QTimer::singleShot(0, qApp, stopWhenRunning);
        },
        [&](TfrmSearch& d) {
            const qsizetype rows = d.Results().size();
            EXPECT_GT(rows, 0);
            EXPECT_LT(rows, 300);
            EXPECT_EQ(d.StatusBar->currentMessage(), QString::number(rows) + " results found.");
            EXPECT_EQ(Model().rowCount(), rows);
        });
}

} // namespace

namespace {

TEST(SearchResultsModel, TextOrderBeyondTheSortKeyAndTies) {
    CMedienListe cat;
    CMedium& m = *cat.AddMedium(std::make_unique<CMedium>(&cat));
    const std::string names[] = {"common prefix of names, b", "COMMON PREFIX OF NAMES, A",
                                 "common prefix of names, a", std::string("ab\0", 3), "ab",
                                 "common prefix of names"};
    TSearchResults rows;
    for (const std::string& name : names)
        rows.push_back({&m, AddTestEntry(m, nullptr, name, kindFile), TMatchedField::EntryName});
    TSearchResultsModel model(nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Fill(&rows);
    const auto order = [&] {
        std::vector<int> found;
        for (int r = 0; r < model.rowCount(); ++r)
            found.push_back(int(model.RowAt(model.index(r, 0)) - rows.data()));
        return found;
    };
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3, 4, 5})) << "found order before any sort";
    model.SortBy(TSearchResultsModel::colResult, Qt::AscendingOrder);
    EXPECT_EQ(order(), (std::vector<int>{4, 3, 5, 1, 2, 0})) << "texts equal but for case by their bytes";
    model.SortBy(TSearchResultsModel::colResult, Qt::DescendingOrder);
    EXPECT_EQ(order(), (std::vector<int>{0, 2, 1, 5, 3, 4})) << "the exact reverse when descending";
    model.SortBy(TSearchResultsModel::colMediumIcon, Qt::AscendingOrder);
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3, 4, 5})) << "icon columns compare nothing";
}

} // namespace

namespace {

// The find field over the fixture's catalogue without a name index: its contents come in the
// background.
class QuickFind : public Search {
protected:
    void SetUp() override {
        Search::SetUp();
        Find().Service().SetIndexBackend({});
        Main().OpenCatalogueAtStart(QString::fromStdString(dir.File("cat.SXF")));
    }
    TfrmQuickFind& Find() { return *Main().QuickFind(); }
    // Lets the event loop run until the reading and the find are over.
    void Settle() {
        for (int i = 0; i < 500 && (Find().Reading() || Find().Finding()); ++i)
            QTest::qWait(10);
        ASSERT_FALSE(Find().Reading() || Find().Finding());
    }
    QStringList Found() {
        QStringList names;
        for (const TSearchRow& row : Find().Results()) names << QString::fromUtf8(row.Text());
        return names;
    }
};

TEST_F(QuickFind, TypingListsWhatEveryMediumHoldsAndEnterJumps) {
    QAbstractItemModelTester tester(&Find().Model());
    Main().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    // Typed at once after the open, before the reading has brought anything in.
    QTest::keyClick(Main().VTMedien, Qt::Key_Slash);
    ASSERT_TRUE(Find().EditFind->hasFocus());
    QTest::keyClicks(Find().EditFind, "T D");
    Settle();
    EXPECT_EQ(LoadedCount(), 3);
    EXPECT_EQ(Found(), QStringList({"deep.txt", "mid.txt"})) << "the removed medium is left out";
    EXPECT_EQ(Find().StatusFind->text(), "2 found");
    EXPECT_TRUE(Find().VTFound->isVisible());
    EXPECT_FALSE(Main().VTExplorer->isVisible());

    Find().CheckBoxRemoved->setChecked(true);
    Find().EditFind->setText("*.txt");
    Settle();
    EXPECT_EQ(Found().size(), 304) << "3 on Alpha, 1 on Beta, 300 on Gamma";
    EXPECT_EQ(Found().mid(0, 4), QStringList({"deep.txt", "mid.txt", "top.txt", "gone.txt"}));
    EXPECT_EQ(Find().StatusFind->text(), "304 found");

    // Name and Location come first; the first Down selects the first row, whose location is
    // copied whole.
    QHeaderView* header = Find().VTFound->header();
    EXPECT_EQ(header->logicalIndex(1), TSearchResultsModel::colResult);
    EXPECT_EQ(header->logicalIndex(2), TSearchResultsModel::colLocation);
    EXPECT_LT(header->visualIndex(TSearchResultsModel::colLocation), header->visualIndex(TSearchResultsModel::colMedium));
    Find().EditFind->setText("deep");
    Settle();
    QTest::keyClick(Find().EditFind, Qt::Key_Down);
    const QModelIndexList selected = Find().VTFound->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 0);
    const TSearchRow* row = Find().Model().RowAt(selected.first());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(FoundLocationText(*row), "Alpha: /A/B/deep.txt");
    Find().EditFind->setFocus();
    QTest::keyClick(Find().EditFind, Qt::Key_Return);
    EXPECT_FALSE(Find().VTFound->isVisible());
    CFile* shown = Main().ExplorerModel().EntryAt(Main().VTExplorer->currentIndex());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Name(), "deep.txt");

    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(Find().EditFind->hasFocus());
    EXPECT_TRUE(Find().VTFound->isVisible()) << "back to the list";
    QTest::keyClick(Find().EditFind, Qt::Key_Escape);
    EXPECT_TRUE(Find().EditFind->text().isEmpty());
    EXPECT_TRUE(Main().VTExplorer->isVisible());
    EXPECT_TRUE(Find().StatusFind->text().isEmpty());
}

// A medium read after the run began is listed where it stands in the catalogue, and where it
// sorts in a sorted list.
TEST_F(QuickFind, RowsOfMediaReadLaterGoWhereTheirMediumStands) {
    QAbstractItemModelTester tester(&Find().Model());
    Find().StopReading();
    ASSERT_TRUE(Cat().GetMedium(2)->LoadContent(Cat().DataFileName)); // Gamma before Beta
    Find().CheckBoxRemoved->setChecked(true);
    Find().EditFind->setText("*.txt");
    Settle();
    ASSERT_EQ(Found().size(), 303);
    Find().Model().SortBy(TSearchResultsModel::colResult, Qt::AscendingOrder);
    Find().CatalogueChanged(); // reads Beta
    Settle();
    ASSERT_EQ(Found().size(), 304);
    EXPECT_EQ(Found().mid(2, 3), QStringList({"top.txt", "gone.txt", "g0.txt"}));
    const TSearchRow* sorted = Find().Model().RowAt(Find().Model().index(301, 0));
    ASSERT_NE(sorted, nullptr);
    EXPECT_EQ(sorted->Text(), "gone.txt") << "after g99.txt, before mid.txt";
}

// Contents read for a catalogue that is then replaced never reach its freed media (ASan).
TEST_F(QuickFind, NewStopsTheReadingBeforeTheMediaGo) {
    Find().EditFind->setText("txt");
    EXPECT_TRUE(Find().Reading());
    ASSERT_TRUE(triggerAction(&Main(), "actNew"));
    EXPECT_FALSE(Find().Reading());
    Settle();
    EXPECT_EQ(Cat().Count(), 0);
    EXPECT_TRUE(Find().Results().empty());
}

// The find field over the same catalogue with the name index its save wrote beside it.
class IndexedFind : public QuickFind {
protected:
    void SetUp() override {
        QuickFind::SetUp();
        Find().ForgetMedia();
        Find().Service().SetIndexBackend(NameIndexBackend());
        ASSERT_TRUE(FileExists(dir.File("cat.SXI")));
        Main().OpenCatalogueAtStart(QString::fromStdString(dir.File("cat.SXF")));
        ASSERT_NE(Find().Service().Index(), nullptr);
    }
    // What the list shows in one column, row by row.
    QStringList Column(int column) {
        QStringList texts;
        for (int row = 0; row < Find().Model().rowCount(); ++row)
            texts << Find().Model().index(row, column).data().toString();
        return texts;
    }
};

TEST_F(IndexedFind, RowsComeFromTheIndexBeforeAnyContentIsRead) {
    QAbstractItemModelTester tester(&Find().Model());
    EXPECT_FALSE(Find().Reading()) << "nothing is read for the find";
    EXPECT_EQ(LoadedCount(), 1) << "Alpha, shown at opening";
    using M = TSearchResultsModel;
    const struct {
        const char* name;
        const char* words;
        bool removed;
        QStringList results, locations, media, sizes;
    } cases[] = {
        {"a folder's file", "deep", false, {"deep.txt"}, {"A/B"}, {"Alpha"}, {SizeCellText(5000)}},
        {"a folder's location ends with its own name", "B", false, {"B"}, {"A/B"}, {"Alpha"}, {""}},
        {"a medium not read", "g29", false, {"g29.txt", "g290.txt", "g291.txt", "g292.txt", "g293.txt", "g294.txt",
                                             "g295.txt", "g296.txt", "g297.txt", "g298.txt", "g299.txt"},
         {}, {}, {}},
        {"a removed medium when asked", "gone", true, {"gone.txt"}, {""}, {"Beta"}, {SizeCellText(1)}},
        {"a removed medium not asked", "gone", false, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Find().CheckBoxRemoved->setChecked(c.removed);
        Find().EditFind->setText(c.words);
        Settle();
        EXPECT_EQ(Column(M::colResult), c.results);
        if (!c.locations.isEmpty()) EXPECT_EQ(Column(M::colLocation), c.locations);
        if (!c.media.isEmpty()) EXPECT_EQ(Column(M::colMedium), c.media);
        if (!c.sizes.isEmpty()) EXPECT_EQ(Column(M::colSize), c.sizes);
        EXPECT_EQ(Find().StatusFind->text(), QString::number(c.results.size()) + " found") << "and nothing read";
    }
    EXPECT_EQ(LoadedCount(), 1);
    Find().EditFind->setText("g29");
    Settle();
    Find().Model().SortBy(M::colResult, Qt::DescendingOrder);
    EXPECT_EQ(Column(M::colResult).first(), "g299.txt") << "index rows sort by their names";
}

TEST_F(IndexedFind, EnterLoadsTheOneMediumAndJumps) {
    Main().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Main()));
    Find().EditFind->setFocus();
    QTest::keyClicks(Find().EditFind, "g150");
    Settle();
    ASSERT_EQ(Find().Model().rowCount(), 1);
    const TSearchRow* row = Find().Model().RowAt(Find().Model().index(0, 0));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(FoundLocationText(*row, &Find().IndexedRows()), "Gamma: /g150.txt");
    QTest::keyClick(Find().EditFind, Qt::Key_Return);
    EXPECT_TRUE(Cat().GetMedium(2)->ContentLoaded);
    EXPECT_FALSE(Cat().GetMedium(1)->ContentLoaded) << "only the medium the row leads to";
    CFile* shown = Main().ExplorerModel().EntryAt(Main().VTExplorer->currentIndex());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Name(), "g150.txt");
    EXPECT_EQ(shown->Medium, Cat().GetMedium(2));
}

// Without an index the find answers from the trees read meanwhile, and once the index is made
// it answers the same.
TEST_F(QuickFind, WithoutAnIndexItIsMadeWhileTheTreesAnswer) {
    Find().ForgetMedia();
    TextIndexBackend backend;
    Find().Service().SetIndexBackend(backend.Make());
    Main().OpenCatalogueAtStart(QString::fromStdString(dir.File("cat.SXF")));
    Find().EditFind->setText("mid");
    for (int i = 0; i < 500 && (!Find().Service().Index() || Find().Reading() || Find().Finding()); ++i)
        QTest::qWait(10);
    ASSERT_NE(Find().Service().Index(), nullptr);
    EXPECT_EQ(backend.made, 1);
    ASSERT_EQ(Find().Model().rowCount(), 1);
    EXPECT_EQ(Find().Model().index(0, TSearchResultsModel::colResult).data().toString(), "mid.txt");
    EXPECT_NE(Find().Results().front().indexRow, TSearchRow::kNotIndexed) << "answered by the index";
}

} // namespace
