// Find duplicates end to end: the command opens its dialog, Find runs the walk behind its
// progress window, the groups show with their copies, and Show jumps to a copy.
#include "mediacommands_fixture.h"

#include "search/ufrmDuplicates_model.h"
#include "search/ufrmDuplicates.h"
#include "search/ufrmDuplicatesWindow.h"
#include "support/threadcount.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {

class DuplicatesWindow : public MediaCommands {
protected:
    // Opens the dialog, lets `options` set it up, presses Find, then lets `then` look and close
    // it (Close when it does not).
    void FindWith(const std::function<void(TfrmDuplicates&)>& options,
                  const std::function<void(TfrmDuplicates&)>& then) {
        TfrmDuplicates& dialog = *Main().DuplicatesDialog();
        whenDialogShows([&] {
            options(dialog);
            dialog.ButtonFind->click();
            then(dialog);
            if (dialog.isVisible()) dialog.ButtonClose->click();
        });
        ASSERT_TRUE(triggerAction(&Main(), "actDuplicates"));
    }
    // Group names top to bottom, each with its copies' media.
    static QStringList Groups(TDuplicatesModel& model) {
        QStringList groups;
        for (int g = 0; g < model.rowCount(); ++g) {
            const QModelIndex group = model.index(g, TDuplicatesModel::colName);
            QStringList media;
            for (int c = 0; c < model.rowCount(group.siblingAtColumn(0)); ++c)
                media << model.index(c, TDuplicatesModel::colMedium, group.siblingAtColumn(0)).data().toString();
            groups << group.data().toString() + ":" + media.join(',');
        }
        return groups;
    }
};

TEST_F(DuplicatesWindow, GroupsLargestWasteFirstAndShowJumps) {
    OpenFive({1}); // Delta removed
    TfrmDuplicates& dialog = *Main().DuplicatesDialog();
    QAbstractItemModelTester tester(&dialog.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    FindWith([](TfrmDuplicates&) {},
             [&](TfrmDuplicates& d) {
                 // Five copies of each file, removed media included.
                 EXPECT_EQ(Groups(d.Model()),
                           QStringList({"pack.zip:Echo,Delta,Charlie,Bravo,Alpha",
                                        "b.txt:Echo,Delta,Charlie,Bravo,Alpha",
                                        "a.txt:Echo,Delta,Charlie,Bravo,Alpha",
                                        "m.txt:Echo,Delta,Charlie,Bravo,Alpha",
                                        "top.txt:Echo,Delta,Charlie,Bravo,Alpha"}));
                 // (300 + 20 + 10 + 5 + 1) * 4 bytes
                 EXPECT_EQ(d.StatusBar->currentMessage(), "5 groups, 25 files, 1.31 KB in extra copies");
                 const QModelIndex group = d.Model().index(2, 0);
                 const QModelIndex copy = d.Model().index(3, 0, group); // Bravo's a.txt
                 EXPECT_EQ(copy.siblingAtColumn(TDuplicatesModel::colLocation).data().toString(), "Docs/Deep");
                 EXPECT_EQ(group.siblingAtColumn(TDuplicatesModel::colLocation).data().toString(),
                           "5 copies, 0 KB extra");
                 d.VSTDuplicates->selectionModel()->select(
                     copy, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                 d.ButtonShow->click();
             });
    EXPECT_EQ(CatalogueNames().size(), 5);
    for (int i = 0; i < Cat().Count(); ++i)
        EXPECT_TRUE(Cat().GetMedium(i)->ContentLoaded) << "loaded on demand, removed media too";
    const QModelIndex current = Main().VTMedien->currentIndex();
    EXPECT_EQ(Main().MediaModel().ObjectAt(current).medium, Cat().GetMedium(3)) << "Bravo";
    const CFile* shown = Main().ExplorerModel().EntryAt(Main().VTExplorer->currentIndex());
    ASSERT_TRUE(shown);
    EXPECT_EQ(std::string(shown->Name()), "a.txt");
    EXPECT_EQ(shown->Medium, Cat().GetMedium(3));
}

// A header click sorts the groups by their own row's value and the copies inside each group by
// theirs; the selected copy stays selected, and Show still leads to it.
TEST_F(DuplicatesWindow, HeaderClicksSortGroupsAndCopies) {
    OpenFive();
    TfrmDuplicates& dialog = *Main().DuplicatesDialog();
    QAbstractItemModelTester tester(&dialog.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    FindWith([](TfrmDuplicates&) {},
             [&](TfrmDuplicates& d) {
                 QHeaderView* header = d.VSTDuplicates->header();
                 const QModelIndex echo = d.Model().index(0, 0, d.Model().index(1, 0)); // b.txt on Echo
                 d.VSTDuplicates->selectionModel()->select(
                     echo, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                 // Groups by name (or as found), each with its copies' media in one order.
                 const auto groups = [](const char* names, const QString& copies) {
                     QStringList out;
                     for (const QString& name : QString::fromLatin1(names).split(' ')) out << name + ':' + copies;
                     return out;
                 };
                 const QString down = "Echo,Delta,Charlie,Bravo,Alpha", up = "Alpha,Bravo,Charlie,Delta,Echo";
                 const struct {
                     int column;
                     QStringList groups;
                 } clicks[] = {
                     // Groups have no medium: as found; the copies by theirs.
                     {TDuplicatesModel::colMedium, groups("pack.zip b.txt a.txt m.txt top.txt", up)},
                     {TDuplicatesModel::colName, groups("a.txt b.txt m.txt pack.zip top.txt", down)},
                     {TDuplicatesModel::colName, groups("top.txt pack.zip m.txt b.txt a.txt", down)}, // again
                     {TDuplicatesModel::colSize, groups("pack.zip b.txt a.txt m.txt top.txt", down)}, // stays descending
                 };
                 for (const auto& click : clicks) {
                     emit header->sectionClicked(click.column);
                     EXPECT_EQ(Groups(d.Model()), click.groups) << click.column;
                     const QModelIndexList selected = d.VSTDuplicates->selectionModel()->selectedRows();
                     ASSERT_EQ(selected.size(), 1);
                     EXPECT_EQ(d.Model().EntryAt(selected.first())->Medium, Cat().GetMedium(0)) << "Echo's";
                     EXPECT_EQ(d.Model().EntryAt(selected.first())->Name(), "b.txt");
                 }
                 d.ButtonShow->click();
             });
    EXPECT_EQ(Main().ExplorerModel().EntryAt(Main().VTExplorer->currentIndex())->Name(), "b.txt");
}

TEST_F(DuplicatesWindow, PresentMediaAndMinimumSize) {
    OpenFive({1, 3}); // Delta and Bravo removed
    FindWith(
        [](TfrmDuplicates& d) {
            d.CheckBoxPresent->setChecked(true);
            d.CheckBoxMinSize->setChecked(true);
            d.EditMinSize->setText("10");
            d.ComboBoxMinSize->setCurrentIndex(0); // Byte
        },
        [](TfrmDuplicates& d) {
            EXPECT_EQ(Groups(d.Model()), QStringList({"pack.zip:Echo,Charlie,Alpha",
                                                      "b.txt:Echo,Charlie,Alpha",
                                                      "a.txt:Echo,Charlie,Alpha"}));
            d.EditMinSize->setText("ten");
            d.ButtonFind->click(); // refused with a message, the list emptied
            EXPECT_EQ(d.Model().rowCount(), 0);
        });
    EXPECT_EQ(script.MessageTexts(), QStringList({"The minimum size is not a size."}));
    EXPECT_FALSE(Cat().GetMedium(1)->ContentLoaded) << "removed media are not read";
}

TEST_F(DuplicatesWindow, StopGroupsWhatWasWalkedSoFar) {
    // On one thread no medium is read ahead of the walk, so nothing after Stop is read.
    ScopedThreadCount oneThread(1);
    OpenFive();
    TfrmDuplicatesWindow& progress = *Main().DuplicatesDialog()->ProgressWindow;
    progress.PumpInterval = std::chrono::milliseconds(0);
    // Stop is pressed once two media (nine items each) have been walked.
    std::function<void()> stopWhenRunning = [&] {
        if (progress.isVisible() && progress.LabelItems->text().toInt() >= 19) progress.ButtonStop->click();
        else QTimer::singleShot(0, qApp, stopWhenRunning);
    };
    FindWith([&](TfrmDuplicates&) { QTimer::singleShot(0, qApp, stopWhenRunning); },
             [&](TfrmDuplicates& d) {
                 ASSERT_EQ(d.Model().rowCount(), 5);
                 for (const TDuplicateGroup& group : d.Results().Groups)
                     EXPECT_LT(group.Count, 5u) << "the media after Stop are not walked";
                 EXPECT_TRUE(d.StatusBar->currentMessage().startsWith(
                     QStringLiteral("5 groups, %1 files").arg(d.Results().Entries.size())));
             });
    EXPECT_FALSE(Cat().GetMedium(4)->ContentLoaded) << "Alpha, the last, is not read";
}

} // namespace
