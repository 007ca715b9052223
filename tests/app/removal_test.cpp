// Remove, Restore and Clean up driven as the user runs them: selections in the media tree, the
// question, the two dialogs, and what a save keeps of it all.
#include "mediacommands_fixture.h"

#include "app/removedmediamodel.h"
#include "app/ufrmCleanUp.h"
#include "app/ufrmRestore.h"
#include "search/ufrmSearch_results.h"
#include "search/ufrmSearch.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using ShelvixMessages::msgHint;
using ShelvixMessages::msgNoCleanUp;
using ShelvixMessages::msgNoRestore;
using ShelvixMessages::msgQuestion;
using ShelvixMessages::msgSure;

class Removal : public MediaCommands {
protected:
    static QStringList Listed(QTreeView* view) {
        QStringList rows;
        const QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(); ++row)
            rows << model->index(row, 0).data().toString() + '|' + model->index(row, 1).data().toString();
        return rows;
    }
};

TEST_F(Removal, RemoveHidesTheSelectedMediaAfterOneQuestion) {
    struct Case {
        const char* what;
        std::vector<int> selected; // catalogue positions; -1 a folder of the first medium
        bool deleteKey;
        TModalResult answer;
        bool asked;
        QStringList present;
    } cases[] = {
        {"three media, Yes", {3, 0, 2}, false, mrYes, true, {"Delta", "Alpha"}},
        {"the Delete key", {1}, true, mrYes, true, {"Echo", "Charlie", "Bravo", "Alpha"}},
        {"No", {0, 1}, false, mrNo, true, {"Echo", "Delta", "Charlie", "Bravo", "Alpha"}},
        {"a folder", {-1}, false, mrYes, false, {"Echo", "Delta", "Charlie", "Bravo", "Alpha"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive();
        script.ClearAsked();
        SelectInTree({MediumNode(0)}); // the explorer shows Echo
        QModelIndexList nodes;
        for (int position : c.selected)
            nodes << (position < 0 ? Main().MediaModel().index(0, 0, MediumNode(0)) : MediumNode(position));
        SelectInTree(nodes);
        const CMedium* shown = Main().ExplorerModel().Medium();
        script.setNextAnswer(c.answer);
        if (c.deleteKey) QTest::keyClick(Main().VTMedien, Qt::Key_Delete);
        else ASSERT_TRUE(triggerAction(&Main(), "actRemove"));

        ASSERT_EQ(script.Asked().size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(script.Asked()[0].caption, Q(msgQuestion));
            EXPECT_EQ(script.Asked()[0].text, Q(msgSure));
            EXPECT_EQ(script.Asked()[0].buttons, TMessageButtons::YesNo);
        }
        const bool changed = c.present.size() < 5;
        EXPECT_EQ(CatalogueNames(true), c.present);
        EXPECT_EQ(TreeNames(), c.present);
        EXPECT_EQ(TitleMarked(), changed);
        const CMedium* top = Main().MediaModel().ObjectAt(Main().MediaModel().index(0, 0)).medium;
        EXPECT_EQ(Main().ExplorerModel().Medium(), changed ? top : shown)
            << "a removal selects and shows the top medium";
    }
}

TEST_F(Removal, RestoreListsRemovedMediaInCatalogueOrder) {
    struct Case {
        const char* what;
        QPushButton* TfrmRestore::*button;
        int selectRow; // -1: none
        QStringList present;
        bool modified;
    } cases[] = {
        {"Restore the second row", &TfrmRestore::ButtonRestore, 1, {"Echo", "Charlie", "Bravo"}, true},
        {"Restore with nothing selected", &TfrmRestore::ButtonRestore, -1, {"Echo", "Charlie"}, false},
        {"Restore All", &TfrmRestore::ButtonRestoreAll, -1,
         {"Echo", "Delta", "Charlie", "Bravo", "Alpha"}, true},
        {"Abort", &TfrmRestore::ButtonAbort, 0, {"Echo", "Charlie"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenFive({4, 1, 3});
        Main().MediaModel().SortBy(0, Qt::AscendingOrder); // by name: Charlie, Echo
        TfrmRestore& dialog = *windows.frmRestore;
        QAbstractItemModelTester tester(&dialog.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        TriggerAnswering("actRestore", [&](QWidget* shown) {
            ASSERT_EQ(shown, &dialog);
            EXPECT_EQ(Listed(dialog.VTRestore),
                      (QStringList{"Delta|Music", "Bravo|Music", "Alpha|"}));
            EXPECT_EQ(dialog.VTRestore->model()->index(2, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
                      Main().ImageListDrives.At(DriveImageIndex(Cat().GetMedium(4)->DriveType)).cacheKey());
            if (c.selectRow >= 0)
                dialog.VTRestore->selectionModel()->select(
                    dialog.Model().index(c.selectRow, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
            EXPECT_EQ(dialog.focusWidget(), dialog.VTRestore) << "the keyboard starts in the list";
            (dialog.*c.button)->click();
            // Restore with nothing chosen says so and the list stays open.
            EXPECT_EQ(dialog.isVisible(), c.selectRow < 0 && c.button == &TfrmRestore::ButtonRestore);
            if (dialog.isVisible()) dialog.ButtonAbort->click();
        });
        const bool toldNothing = c.selectRow < 0 && c.button == &TfrmRestore::ButtonRestore;
        EXPECT_EQ(script.MessageTexts(),
                  toldNothing ? QStringList{Q(ShelvixMessages::msgNothingToRestore)} : QStringList{});
        script.ClearAsked();
        EXPECT_EQ(CatalogueNames(true), c.present);
        EXPECT_EQ(TitleMarked(), c.modified);
        QStringList sorted = c.present;
        sorted.sort();
        EXPECT_EQ(TreeNames(), sorted) << "refilled in the sort chosen";
        EXPECT_EQ(dialog.Model().rowCount(), 0) << "the list lets go of the media";
    }
}

// Three of five removed; a search found entries of every medium first. Afterwards nothing is
// left to restore or to clean up.
TEST_F(Removal, CleanUpDeletesTheListedMediaForGood) {
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Abort");
        OpenFive({0, 2, 3});
        TfrmSearch& search = *windows.frmSearch;
        whenDialogShows([&search] {
            search.CheckBoxFiles->setChecked(true);
            search.EditSearch->setText(QStringLiteral("*.txt"));
            search.ButtonSearch->click();
            search.ButtonClose->click();
        });
        ASSERT_TRUE(triggerAction(&Main(), "actSearch"));
        ASSERT_EQ(search.ResultsModel().rowCount(), 5 * 4);
        SelectInTree({MediumNode(1)});

        TfrmCleanUp& dialog = *windows.frmCleanUp;
        QAbstractItemModelTester tester(&dialog.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        TriggerAnswering("actCleanUp", [&](QWidget* shown) {
            ASSERT_EQ(shown, &dialog);
            EXPECT_EQ(Listed(dialog.VTCleanUp), (QStringList{"Echo|", "Charlie|", "Bravo|Music"}));
            (ok ? dialog.ButtonOK : dialog.ButtonAbort)->click();
        });
        EXPECT_TRUE(TitleMarked()) << "marked whatever the result";
        const QStringList left = ok ? QStringList{"Delta", "Alpha"}
                                    : QStringList{"Echo", "Delta", "Charlie", "Bravo", "Alpha"};
        EXPECT_EQ(CatalogueNames(), left);
        EXPECT_EQ(TreeNames(), (QStringList{"Delta", "Alpha"}));
        EXPECT_EQ(search.ResultsModel().rowCount(), ok ? 0 : 20) << "no row refers to a deleted medium";
        EXPECT_EQ(dialog.Model().rowCount(), 0);

        if (!ok) continue;
        script.ClearAsked();
        for (const char* action : {"actRestore", "actCleanUp"})
            TriggerAnswering(action, [](QWidget* shown) { EXPECT_EQ(shown, nullptr); });
        EXPECT_EQ(script.MessageTexts(), (QStringList{Q(msgNoRestore), Q(msgNoCleanUp)}));
        EXPECT_EQ(script.Asked()[0].caption, Q(msgHint));
    }
}

TEST_F(Removal, SavedAndReopenedAsLeft) {
    OpenFive({1, 3});
    SelectInTree({MediumNode(4)});
    script.setNextAnswer(mrYes);
    ASSERT_TRUE(triggerAction(&Main(), "actRemove")); // Alpha
    TfrmRestore& restore = *windows.frmRestore;
    TriggerAnswering("actRestore", [&restore](QWidget*) {
        restore.VTRestore->selectionModel()->select(
            restore.Model().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        restore.ButtonRestore->click(); // Bravo
    });
    TriggerAnswering("actCleanUp", [this](QWidget*) { windows.frmCleanUp->ButtonOK->click(); });
    ASSERT_EQ(CatalogueNames(), (QStringList{"Echo", "Charlie", "Bravo"}));

    ASSERT_TRUE(triggerAction(&Main(), "actSave"));
    for (int i = 0; i < Cat().Count(); ++i)
        if (!Cat().GetMedium(i)->ContentLoaded) { ASSERT_TRUE(Cat().GetMedium(i)->LoadContent(Cat().DataFileName)); }
    const std::string left = DescribeCatalogue(Cat());
    EXPECT_FALSE(TitleMarked());
    Main().OpenCatalogueFile(Q(file));
    for (int i = 0; i < Cat().Count(); ++i)
        if (!Cat().GetMedium(i)->ContentLoaded) { ASSERT_TRUE(Cat().GetMedium(i)->LoadContent(Cat().DataFileName)); }
    EXPECT_EQ(DescribeCatalogue(Cat()), left);
}

} // namespace
