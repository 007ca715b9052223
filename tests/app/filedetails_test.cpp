// "Read file details" in the window: Add reads them through the helper, a file the helper fails
// on is counted in the status line, and the option is kept between runs.
#include "app/shelvixwindows.h"
#include "app/ufrmQuickFind.h"
#include "app/ufrmShelvix.h"
#include "search/ufrmSearch.h"
#include "catalogue/mediaclasses.h"
#include "details/details_support.h"
#include "platform/volumeinfo.h"
#include "support/guihelpers.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class FileDetails : public ::testing::Test {
protected:
    void SetUp() override {
        InstallLinuxVolumeInfoReader();
        ::setenv("SHELVIX_DETAILS_HELPER", SHELVIX_DETAILS_HELPER_PATH, 1);
        ::setenv("SHELVIX_DETAILS_TEST_HOOKS", "1", 1);
        ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i color=s=32x24 -frames:v 1 " + Quoted(dir.File("still.png"))));
        WriteWholeFile(dir.File("broken.jpg"), "SHELVIX-TEST:crash\n");
    }
    void TearDown() override {
        ::unsetenv("SHELVIX_DETAILS_HELPER");
        ::unsetenv("SHELVIX_DETAILS_TEST_HOOKS");
        SetVolumeInfoReader(nullptr);
    }
    void Add(TShelvixWindows& windows) {
        script.setNextDirectory(QString::fromStdString(dir.Path()));
        ASSERT_TRUE(triggerAction(windows.frmShelvix.get(), "actAdd"));
    }
    TScriptedInteraction script;
    TempDir dir;
};

} // namespace

TEST_F(FileDetails, AddReadsThemAndCountsWhatWasSkipped) {
    TShelvixWindows windows;
    TfrmShelvix& main = *windows.frmShelvix;
    EXPECT_TRUE(main.actReadDetails->isChecked()) << "on by default";
    Add(windows);
    ASSERT_EQ(main.Catalogue().Count(), 1);
    const CMedium& m = *main.Catalogue().GetMedium(0);
    ASSERT_EQ(m.EntryCount(), 2);
    const CFile* still = m.GetEntry(1);
    ASSERT_EQ(still->Name(), "still.png");
    EXPECT_EQ(m.Details.Get(still), (TDetailPairs{{"width", "32"}, {"height", "24"}}));
    EXPECT_TRUE(m.Details.Get(m.GetEntry(0)).empty());
    EXPECT_EQ(main.StatusText->text(), "Details of 1 file(s) skipped");
}

TEST_F(FileDetails, SwitchedOffAddReadsNoneAndTheChoiceIsKept) {
    {
        TShelvixWindows windows;
        ASSERT_TRUE(triggerAction(windows.frmShelvix.get(), "actReadDetails"));
        EXPECT_FALSE(windows.frmShelvix->actReadDetails->isChecked());
    }
    TShelvixWindows windows;
    EXPECT_FALSE(windows.frmShelvix->actReadDetails->isChecked()) << "read back from the settings file";
    Add(windows);
    ASSERT_EQ(windows.frmShelvix->Catalogue().Count(), 1);
    EXPECT_TRUE(windows.frmShelvix->Catalogue().GetMedium(0)->Details.Empty());
}

namespace {
// The views with detail columns, and the first of them.
std::vector<std::pair<QTreeView*, int>> DetailViews(TShelvixWindows& windows) {
    return {{windows.frmShelvix->VTExplorer, TExplorerModel::colFirstDetail},
            {windows.frmShelvix->QuickFind()->VTFound, TfrmSearch::ResultColumnCount},
            {windows.frmSearch->VSTResults, TfrmSearch::ResultColumnCount}};
}

// The header's context menu of `view`, as a right click opens it.
QMenu* HeaderMenu(QTreeView* view) {
    emit view->header()->customContextMenuRequested(QPoint(5, 5));
    QMenu* menu = view->header()->findChildren<QMenu*>().value(0);
    if (menu) menu->hide();
    return menu;
}
} // namespace

TEST_F(FileDetails, DetailColumnsShowWhenChosenFromTheHeaderAndStaySo) {
    const QStringList titles = {"Dimensions", "Duration", "Taken", "Artist", "Album", "Title", "Camera"};
    {
        TShelvixWindows windows;
        for (auto [view, first] : DetailViews(windows)) {
            SCOPED_TRACE(view->objectName().toStdString());
            for (int i = 0; i < titles.size(); ++i) EXPECT_TRUE(view->isColumnHidden(first + i)) << "hidden at first";
            EXPECT_FALSE(view->isColumnHidden(first - 1));
            QMenu* menu = HeaderMenu(view);
            ASSERT_TRUE(menu);
            QStringList offered;
            for (QAction* action : menu->actions()) offered << QString(action->text()).remove(QLatin1Char('&'));
            EXPECT_EQ(offered, titles);
            menu->actions()[1]->trigger(); // Duration
            menu->actions()[2]->trigger(); // Taken
            EXPECT_FALSE(view->isColumnHidden(first + 1));
            EXPECT_GT(view->columnWidth(first + 2), 0);
            delete menu;
        }
    }
    TShelvixWindows windows;
    for (auto [view, first] : DetailViews(windows)) {
        SCOPED_TRACE(view->objectName().toStdString());
        for (int i = 0; i < titles.size(); ++i)
            EXPECT_EQ(view->isColumnHidden(first + i), i != 1 && i != 2) << "as chosen in the last run";
        QMenu* menu = HeaderMenu(view);
        ASSERT_TRUE(menu);
        EXPECT_TRUE(menu->actions()[1]->isChecked());
        menu->actions()[1]->trigger();
        EXPECT_TRUE(view->isColumnHidden(first + 1)) << "hidden again";
        delete menu;
    }
}
