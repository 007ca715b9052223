#include "widgets/mediaviewmodels.h"
#include "app/ufrmShelvix.h"
#include "support/catalogue_text.h"
#include "support/qtprinters.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

TEST(MainWindowMenus, ContextMenuAndDoubleClicks) {
    TScriptedInteraction script;
    TempDir dir;
    CMedienListe cat;
    FillSampleCatalogue(cat);
    ASSERT_TRUE(cat.Save(dir.File("c.SXF")));
    TfrmShelvix window;
    window.OpenCatalogueAtStart(QString::fromStdString(dir.File("c.SXF")));

    // Without a selection the medium commands rest.
    window.VTMedien->clearSelection();
    for (QAction* a : {window.actUpdate, window.actRemove, window.actDetails})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    window.VTMedienContextPopup({});
    EXPECT_FALSE(window.PopupMenu->isVisible()) << "nothing selected, nothing opens";

    const QModelIndex first = window.MediaModel().index(0, 0);
    window.VTMedien->selectionModel()->select(first, QItemSelectionModel::Select |
                                                         QItemSelectionModel::Rows);
    window.VTMedienContextPopup({});
    EXPECT_TRUE(window.PopupMenu->isVisible());
    window.PopupMenu->hide();

    // In the media tree a double click and Return run Details; in the explorer both open what
    // the row is: a folder or archive expands and the cursor goes in, a file goes to its
    // application (its medium is not mounted: the status line says so). Alt+Return is Details.
    QSignalSpy details(window.actDetails, &QAction::triggered);
    emit window.VTMedien->doubleClicked(first);
    QTest::keyClick(window.VTMedien, Qt::Key_Return);
    EXPECT_EQ(details.count(), 2);
    TExplorerModel& explorer = window.ExplorerModel();
    const QModelIndex music = explorer.index(0, 0);
    emit window.VTExplorer->doubleClicked(music);
    EXPECT_TRUE(window.VTExplorer->isExpanded(music));
    EXPECT_EQ(explorer.EntryAt(window.VTExplorer->currentIndex())->Name(), "Album: one\\two");
    const QModelIndex album = window.VTExplorer->currentIndex().siblingAtColumn(0);
    QTest::keyClick(window.VTExplorer, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(window.VTExplorer->isExpanded(album));
    EXPECT_EQ(explorer.EntryAt(window.VTExplorer->currentIndex())->Name(), "track0.mp3");
    QTest::keyClick(window.VTExplorer, Qt::Key_Return);
    EXPECT_TRUE(window.StatusText->text().startsWith("Insert or mount"));
    const QModelIndex zip = explorer.index(2, 0);
    emit window.VTExplorer->doubleClicked(zip.siblingAtColumn(3));
    EXPECT_TRUE(window.VTExplorer->isExpanded(zip));
    EXPECT_EQ(details.count(), 2) << "nothing in the explorer ran Details";
    EXPECT_TRUE(script.Asked().isEmpty());
}
