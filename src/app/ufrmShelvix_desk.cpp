// The media on the desk: which media are mounted (the media tree follows the mount table), Open
// and Open containing folder in the explorer, and the media tree's optional Free and Capacity
// columns, and the explorer's detail columns.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/entryopener.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/mountwatcher.h"
#include "widgets/optionalcolumns.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>

void TfrmShelvix::ConnectDesk() {
    // Free and Capacity in the media tree, the details in the explorer: hidden until the user
    // shows them from the header's context menu.
    OfferOptionalColumns(VTMedien, {2, 3}, QStringLiteral("MediaTree"), [this](int) { FitMediaPane(); });
    OfferOptionalColumns(VTExplorer, ColumnRange(TExplorerModel::colFirstDetail, kDetailColumnCount),
                         QStringLiteral("Explorer"));

    ExplorerOpener = new TEntryOpener(
        VTExplorer, [this](const QModelIndex& index) { return FExplorerModel->EntryAt(index); },
        [this](const QString& text) { StatusText->setText(text); });
    ExplorerOpener->AddToMenu(actDetails);
    TEntryOpener::UpdateMedium() = [this](CMedium* medium, const QString& folder) {
        if (!CheckChangedOnDisk()) UpdateMediumFrom(medium, folder);
    };
    TMountWatcher::Instance(); // starts following the mount table
}
