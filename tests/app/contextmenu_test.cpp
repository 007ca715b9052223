#include "widgets/mediaviewmodels.h"
#include "app/ufrmShelvix.h"
#include "support/catalogue_text.h"
#include "support/qtprinters.h"
#include "support/scriptedinteraction.h"
#include "support/testfiles.h"

#include <QMenu>
#include <QSignalSpy>
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

    window.VTMedienContextPopup({});
    EXPECT_FALSE(window.PopupMenu->isVisible()) << "nothing selected, nothing opens";

    const QModelIndex first = window.MediaModel().index(0, 0);
    window.VTMedien->selectionModel()->select(first, QItemSelectionModel::Select |
                                                         QItemSelectionModel::Rows);
    window.VTMedienContextPopup({});
    EXPECT_TRUE(window.PopupMenu->isVisible());
    window.PopupMenu->hide();

    // Double clicks in either view run the Details command.
    QSignalSpy details(window.actDetails, &QAction::triggered);
    emit window.VTMedien->doubleClicked(first);
    emit window.VTExplorer->doubleClicked(window.ExplorerModel().index(0, 0));
    EXPECT_EQ(details.count(), 2);
    EXPECT_TRUE(script.Asked().isEmpty());
}
