#include "language/messagetable.h"
#include "widgets/fontscale.h"
#include "widgets/mediaviewmodels.h"
#include "app/ufrmShelvix.h"
#include "support/catalogue_text.h"
#include "support/guihelpers.h"
#include "support/qtprinters.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QHeaderView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QMenuBar>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

QString ActionLine(const QList<QAction*>& actions) {
    QStringList names;
    for (QAction* a : actions) names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names.join(' ');
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { ResetMessagesToBuiltIn(); }

    // Saves the sample catalogue (plus a medium with 120 files) and opens it in the window.
    void OpenSample() {
        CMedienListe cat;
        FillSampleCatalogue(cat);
        CMedium& counted = *cat.AddMedium(std::make_unique<CMedium>(&cat));
        counted.Name = "Counted";
        counted.FileCount = 120;
        counted.FolderCount = 12;
        counted.TotalSize = 1572864;
        ASSERT_TRUE(cat.Save(index));
        window.OpenCatalogueAtStart(QString::fromStdString(index));
        ASSERT_EQ(window.Catalogue().Count(), 4);
    }
    QModelIndex MediumNode(const std::string& name) {
        for (int i = 0; i < window.Catalogue().Count(); ++i)
            if (window.Catalogue().GetMedium(i)->Name == name)
                return window.MediaModel().IndexOfMedium(window.Catalogue().GetMedium(i));
        return {};
    }
    void Select(const QModelIndex& node) {
        window.VTMedien->selectionModel()->select(
            node, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    TScriptedInteraction script;
    TempDir dir;
    std::string index = dir.File("discs.SXF");
    TfrmShelvix window;
};

} // namespace

TEST_F(MainWindow, WindowActionsAndMenus) {
    EXPECT_EQ(window.objectName(), "frmShelvix");
    EXPECT_EQ(window.windowTitle(), "Shelvix");
    // As drawn, scaled by the font (wider where the explorer's columns need it), within the screen.
    const QSize drawn = TFontScale(&window).Size(831, 611);
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_GE(window.width(), std::min(drawn.width(), screen.width()));
    EXPECT_EQ(window.height(), std::min(drawn.height(), screen.height()));
    const struct {
        const char* name;
        const char* category;
        const char* caption;
        const char* hint;
        int icon;
        bool checked;
    } table[] = {
        {"actNew", "File", "&New", "New", 0, false},
        {"actOpen", "File", "&Open...", "Open", 1, false},
        {"actSave", "File", "&Save", "Save", 2, false},
        {"actSaveAs", "File", "Save &as...", "Save as", -1, false},
        {"actMakeBackups", "File", "Make &backups", "Make backups", -1, true},
        {"actAttach", "File", "A&ttach", "Attach", -1, false},
        {"actImport", "File", "&Import...", "Import", -1, false},
        {"actRepair", "File", "Re&pair", "Repair", -1, false},
        {"actCleanUp", "File", "&Clean up", "Clean up", -1, false},
        {"actClose", "File", "&Quit", "Quit Shelvix", -1, false},
        {"actAdd", "Medium", "&Add", "Add", 37, false},
        {"actUpdate", "Medium", "&Update", "Update", 39, false},
        {"actRemove", "Medium", "&Remove", "Remove", 38, false},
        {"actRestore", "Medium", "Res&tore", "Restore", 34, false},
        {"actDetails", "Medium", "&Details", "Details", 33, false},
        {"actSearch", "Medium", "Searc&h", "Search", 32, false},
        {"actArchives", "Medium", "&Examine compressed archives", "Examine compressed archives", 36, true},
        {"actReadDetails", "Medium", "Read &file details", "Read file details (photos, music, video)", 33, true},
        {"actIndex", "Help", "&Index", "Index", 40, false},
        {"actInfo", "Help", "In&fo", "About", -1, false},
        {"actDuplicates", "File", "Find &duplicates...", "Find files kept on more than one medium", -1, false},
        {"actExportCsv", "Medium", "Export &list (CSV)...", "Export the selected media as a CSV list", -1, false},
        {"actExportHtml", "Medium", "Export report (&HTML)...", "Export the selected media as an HTML report", -1, false},
        {"actPreviewPane", "Medium", "&Preview pane", "Show the preview and facts of the selected entry", 41, false},
        {"actIconView", "Medium", "Ic&on view", "Show the folder as large previews", 42, false},
    };
    int actions = 0;
    for (QAction* a : window.findChildren<QAction*>())
        if (a->objectName().startsWith("act")) ++actions;
    // With "Reopen the last catalogue at start", "Read file details" and the two view toggles.
    EXPECT_EQ(actions, 26);
    for (const auto& row : table) {
        auto* a = window.findChild<QAction*>(row.name);
        ASSERT_TRUE(a) << row.name;
        EXPECT_EQ(a->property("category").toString(), row.category) << row.name;
        EXPECT_EQ(a->text(), row.caption) << row.name;
        EXPECT_EQ(a->toolTip(), row.hint) << row.name;
        EXPECT_EQ(a->property("imageIndex").toInt(), row.icon) << row.name;
        EXPECT_EQ(a->icon().isNull(), row.icon < 0) << row.name;
        EXPECT_EQ(a->isChecked(), row.checked) << row.name;
        // The medium commands rest until a medium is selected.
        EXPECT_EQ(a->isEnabled() && a->isVisible(), !strstr("actUpdate actRemove actDetails", row.name))
            << row.name;
    }
    EXPECT_EQ(ActionLine(window.mnuFile->actions()),
              "actNew actOpen  - actSave actSaveAs actMakeBackups - actSearch - actAttach - "
              "actImport actRepair actCleanUp - actDuplicates - actClose");
    EXPECT_EQ(ActionLine(window.mnuMedium->actions()),
              "actAdd actUpdate - actRemove actRestore - actDetails - actArchives actReadDetails - "
              "actPreviewPane actIconView - actExportCsv actExportHtml");
    EXPECT_EQ(ActionLine(window.mnuHelp->actions()), "actIndex - actInfo");
    EXPECT_EQ(ActionLine(window.PopupMenu->actions()), "actUpdate actRemove - actDetails");
    EXPECT_EQ(ActionLine(window.SpeedBar1->actions()),
              "actNew actOpen actSave - actAdd actUpdate actRemove - actDetails - actSearch - "
              "actArchives actReadDetails - actIndex - SpeedBar1View SpeedBar1Spring SpeedBar1Find SpeedBar1Removed");
    QStringList menuBar;
    for (QAction* entry : window.ToolBarMainMenu->actions())
        menuBar << entry->text() + ":" + entry->menu()->objectName();
    EXPECT_EQ(menuBar.join(' '), "&Database:mnuFile &Media:mnuMedium &Help:mnuHelp");
    EXPECT_EQ(window.menuBar(), window.ToolBarMainMenu);
    EXPECT_TRUE(window.SpecialProgress->isHidden());
    EXPECT_TRUE(window.StatusText->text().isEmpty());
}

TEST_F(MainWindow, ArchiveToggleAndItsButton) {
    auto* button = qobject_cast<QToolButton*>(window.SpeedBar1->widgetForAction(window.actArchives));
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isChecked());
    ASSERT_TRUE(triggerAction(&window, "actArchives"));
    EXPECT_FALSE(window.actArchives->isChecked());
    EXPECT_FALSE(button->isChecked());
    window.actArchivesExecute();
    EXPECT_TRUE(window.actArchives->isChecked());
    EXPECT_TRUE(button->isChecked());
}

TEST_F(MainWindow, TitleFollowsFileAndChanges) {
    window.RefreshTitle();
    EXPECT_EQ(window.windowTitle(), "Shelvix");
    OpenSample();
    EXPECT_EQ(window.windowTitle(), "Shelvix - discs.SXF");
    window.Catalogue().SetModified(true);
    window.StatusText->setText("busy");
    window.ShowProgress(40);
    window.RefreshTitle();
    EXPECT_EQ(window.windowTitle(), "Shelvix - discs.SXF *");
    EXPECT_TRUE(window.StatusText->text().isEmpty());
    EXPECT_TRUE(window.SpecialProgress->isHidden());
    ShelvixMessages::msgSxName = "Katalog";
    window.RefreshTitle();
    EXPECT_EQ(window.windowTitle(), "Katalog - discs.SXF *");
}

TEST_F(MainWindow, RefreshMediaContent) {
    EXPECT_TRUE(window.RefreshMediaContent()) << "empty catalogue";
    EXPECT_EQ(window.StatusText->text().toStdString(), ShelvixMessages::msgReloadDB);
    EXPECT_TRUE(window.SpecialProgress->isHidden()) << "no media, no progress";

    OpenSample();
    std::vector<int> shown;
    QObject::connect(window.SpecialProgress, &QProgressBar::valueChanged,
                     [&](int v) { shown.push_back(v); });
    window.Catalogue().GetMedium(1)->Stored = false; // changed: the save writes it afresh
    ASSERT_TRUE(window.RefreshMediaContent());
    EXPECT_EQ(shown.back(), 75) << "the last value is (n-1)/n, never 100";
    EXPECT_TRUE(window.Catalogue().FileName.empty());
    for (int i = 0; i < window.Catalogue().Count(); ++i) {
        SCOPED_TRACE(i);
        // Unchanged media keep their blocks, which the save copies without reading them; only
        // the changed one and the one shown (the top one, selected at opening) are loaded.
        EXPECT_EQ(window.Catalogue().GetMedium(i)->ContentLoaded, i <= 1);
        EXPECT_GE(window.Catalogue().GetMedium(i)->DataOffset, 0);
    }
}

TEST_F(MainWindow, RefreshMediaContentStopsAtABrokenMedium) {
    OpenSample();
    window.Catalogue().GetMedium(1)->ContentLength += 50;
    window.Catalogue().GetMedium(1)->Stored = false; // changed, so it must be read
    EXPECT_FALSE(window.RefreshMediaContent());
    EXPECT_EQ(script.MessageTexts(),
              QStringList{QString::fromStdString(ShelvixMessages::msgMediumDamaged).arg("Disc 1") + "\n" +
                          QString::fromStdString(window.Catalogue().DataFileName)});
    EXPECT_EQ(script.Asked().front().caption, "Error");
    EXPECT_EQ(window.Catalogue().FileName, index) << "the catalogue keeps its file name";
}

TEST_F(MainWindow, SelectingAMediumShowsItsContentAndCounts) {
    OpenSample();
    EXPECT_EQ(window.MediaModel().rowCount(), 3) << "the removed medium is not shown";
    const QModelIndex disc = MediumNode("Disc 0");
    EXPECT_EQ(window.VTMedien->selectionModel()->selectedRows(), QModelIndexList{disc})
        << "filled, the tree selects its top medium";
    EXPECT_EQ(window.MediaModel().rowCount(MediumNode("Disc 1")), 0) << "folders only after the first selection";
    EXPECT_TRUE(window.Catalogue().GetMedium(0)->ContentLoaded);
    EXPECT_EQ(window.MediaModel().rowCount(disc), 2) << "Music and empty";
    EXPECT_EQ(window.ExplorerModel().Medium(), window.Catalogue().GetMedium(0));
    EXPECT_EQ(window.ExplorerModel().rowCount(), 5);
    Select(MediumNode("Counted"));
    EXPECT_EQ(window.StatusText->text(), "Files: 120 (1.50 MB), Directories: 12");
}

TEST_F(MainWindow, SelectingAFolderJumpsIntoTheExplorer) {
    OpenSample();
    const QModelIndex disc = MediumNode("Disc 1");
    Select(disc);
    const QModelIndex music = window.MediaModel().index(0, 0, disc);
    const QModelIndex album = window.MediaModel().index(0, 0, music);
    ASSERT_TRUE(album.isValid());
    Select(album);
    EXPECT_TRUE(window.StatusText->text().isEmpty());
    const QModelIndex current = window.VTExplorer->currentIndex();
    CFile* shown = window.ExplorerModel().EntryAt(current);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->Name(), "Album: one\\two");
    EXPECT_TRUE(window.VTExplorer->isExpanded(current));
    EXPECT_TRUE(window.VTExplorer->selectionModel()->isSelected(current));
}

TEST_F(MainWindow, UnreadableContentIsReported) {
    OpenSample();
    window.Catalogue().GetMedium(1)->ContentLength += 50;
    Select(MediumNode("Disc 0"));
    const QString before = window.StatusText->text();
    Select(MediumNode("Disc 1"));
    EXPECT_FALSE(before.isEmpty());
    EXPECT_EQ(script.MessageTexts(),
              QStringList{QString::fromStdString(ShelvixMessages::msgMediumDamaged).arg("Disc 1") + "\n" +
                          QString::fromStdString(window.Catalogue().DataFileName)})
        << "a damaged block: the medium and the file are named, no system reason";
    EXPECT_TRUE(window.StatusText->text().isEmpty()) << "no other medium's counts";
    EXPECT_EQ(window.ExplorerModel().rowCount(), 0) << "no other medium's tree";
}

TEST_F(MainWindow, CatalogueChangedOnDiskStopsSelection) {
    OpenSample();
    Select(MediumNode("Disc 0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    WriteWholeFile(index, ReadWholeFile(index)); // another program rewrote the index
    Select(MediumNode("Disc 1"));
    EXPECT_EQ(script.MessageTexts(), QStringList{QString::fromStdString(ShelvixMessages::msgWasChanged)});
    EXPECT_EQ(script.Asked().front().caption, "Error");
    EXPECT_FALSE(window.Catalogue().GetMedium(1)->ContentLoaded);
    EXPECT_EQ(window.ExplorerModel().Medium(), window.Catalogue().GetMedium(0));
}

TEST_F(MainWindow, HeaderClicksSortTheMediaTree) {
    OpenSample();
    auto names = [&] {
        QStringList list;
        for (int r = 0; r < window.MediaModel().rowCount(); ++r)
            list << window.MediaModel().index(r, 0).data().toString();
        return list.join(',');
    };
    EXPECT_EQ(names(), "Disc 0,Disc 1,Counted") << "catalogue order before any click";
    const struct {
        int column;
        Qt::SortOrder order;
        const char* names;
    } clicks[] = {
        {0, Qt::AscendingOrder, "Counted,Disc 0,Disc 1"},   // new column keeps ascending
        {0, Qt::DescendingOrder, "Disc 1,Disc 0,Counted"},  // same column reverses
        {1, Qt::DescendingOrder, "Disc 1,Disc 0,Counted"},  // new column keeps the direction
        {1, Qt::AscendingOrder, "Disc 0,Counted,Disc 1"},   // no category first; stable
    };
    for (const auto& c : clicks) {
        window.VTMedienHeaderClick(c.column);
        EXPECT_EQ(window.MediaModel().SortColumn(), c.column);
        EXPECT_EQ(window.MediaModel().SortOrder(), c.order);
        EXPECT_EQ(window.VTMedien->header()->sortIndicatorOrder(), c.order);
        EXPECT_EQ(names(), c.names) << c.column;
    }
}

TEST_F(MainWindow, SelectionStaysAmongSiblings) {
    OpenSample();
    const QModelIndex disc = MediumNode("Disc 0");
    Select(disc);
    const QModelIndex music = window.MediaModel().index(0, 0, disc);
    auto* selection = window.VTMedien->selectionModel();
    selection->select(MediumNode("Disc 1"), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(selection->selectedRows().size(), 2) << "two media are siblings";
    selection->select(music, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(selection->selectedRows().size(), 1);
    EXPECT_EQ(selection->selectedRows().first(), music);
}

TEST_F(MainWindow, F1AsksForTheManual) {
    window.show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(window.VTExplorer, &press);
    ASSERT_EQ(script.Asked().size(), 1);
    EXPECT_EQ(script.Asked().first().kind, "document");
    EXPECT_TRUE(script.Asked().first().text.endsWith("/shelvix.html"));
}

TEST_F(MainWindow, OpeningADamagedCatalogueAtStart) {
    WriteWholeFile(index, "not a catalogue");
    WriteWholeFile(DataFileNameOf(index), "");
    window.OpenCatalogueAtStart(QString::fromStdString(index));
    EXPECT_EQ(script.MessageTexts(), QStringList{QString::fromStdString(ShelvixMessages::msgNoLoad + "\n" + index)});
    EXPECT_EQ(window.Catalogue().Count(), 0);
    EXPECT_TRUE(window.Catalogue().FileName.empty());
    EXPECT_EQ(window.windowTitle(), "Shelvix");
}

// Keyboard access as desktop programs give it: the media tree has the focus at start, Alt with a
// menu's underlined letter opens it, F10 the first one; Right goes on to the next menu.
TEST_F(MainWindow, KeyboardReachesTheMenusAndStartsInTheMediaTree) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.VTMedien);
    const struct {
        const char* what;
        QKeyCombination key;
        QMenu* menu;
        bool right = false; // Right pressed in the open menu
    } keys[] = {{"Alt+D", Qt::ALT | Qt::Key_D, window.mnuFile},
                {"Alt+M", Qt::ALT | Qt::Key_M, window.mnuMedium},
                {"Alt+H", Qt::ALT | Qt::Key_H, window.mnuHelp},
                {"F10", QKeyCombination(Qt::Key_F10), window.mnuFile},
                {"F10 Right", QKeyCombination(Qt::Key_F10), window.mnuMedium, true}};
    for (const auto& k : keys) {
        QWidget* opened = nullptr;
        // The menu runs its own loop: look at it from there and close it.
        QTimer::singleShot(200, qApp, [&opened, &k] {
            if (k.right) QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
            opened = QApplication::activePopupWidget();
            if (opened) QTest::keyClick(opened, Qt::Key_Escape);
        });
        QTest::keyClick(window.VTMedien, k.key.key(), k.key.keyboardModifiers());
        QTest::qWait(300);
        EXPECT_EQ(opened, k.menu) << k.what;
    }
}

TEST(MainWindowColumns, FreeAndCapacityAreShownAsTheLastRunLeftThem) {
    {
        TfrmShelvix first;
        EXPECT_TRUE(first.VTMedien->isColumnHidden(2) && first.VTMedien->isColumnHidden(3)) << "hidden at first";
        QHeaderView* header = first.VTMedien->header();
        emit header->customContextMenuRequested(QPoint(1, 1));
        auto* columns = header->findChild<QMenu*>();
        ASSERT_TRUE(columns && columns->actions().size() == 2);
        columns->actions()[1]->trigger(); // Capacity
        EXPECT_FALSE(first.VTMedien->isColumnHidden(3));
    }
    TfrmShelvix second;
    EXPECT_TRUE(second.VTMedien->isColumnHidden(2));
    EXPECT_FALSE(second.VTMedien->isColumnHidden(3)) << "Capacity, as it was left";
}

// The Database menu lists the catalogues opened, newest first; one that is gone is left out
// with a note, and the last one opens again at start unless that is turned off.
TEST_F(MainWindow, RecentCataloguesAndReopenAtStart) {
    OpenSample();
    const std::string other = dir.File("other.SXF"), gone = dir.File("gone.SXF");
    for (const std::string& file : {gone, other}) {
        CMedienListe empty;
        ASSERT_TRUE(empty.Save(file));
        window.OpenCatalogueAtStart(QString::fromStdString(file));
    }
    std::filesystem::remove(gone);
    emit window.mnuRecent->aboutToShow();
    QStringList items;
    for (QAction* a : window.mnuRecent->actions())
        items << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : " (off)"));
    EXPECT_EQ(items, (QStringList{"&1 other.SXF  (" + QString::fromStdString(dir.Path()) + ")",
                                  "&2 discs.SXF  (" + QString::fromStdString(dir.Path()) + ")",
                                  "gone.SXF is no longer there and was taken off the recent catalogues. (off)",
                                  "-", "&Reopen the last catalogue at start"}));

    TfrmShelvix next;
    next.ReopenLastCatalogue();
    EXPECT_EQ(next.Catalogue().FileName, other);
    next.actReopenLast->setChecked(false);
    TfrmShelvix third;
    EXPECT_FALSE(third.actReopenLast->isChecked()) << "the choice is kept";
    third.ReopenLastCatalogue();
    EXPECT_TRUE(third.Catalogue().FileName.empty());
}
