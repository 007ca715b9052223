// What the two views do: selecting a medium or folder, sorting, the context menu, double clicks
// and the archive toggle.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

#include <algorithm>

void TfrmShelvix::VTMedienChange(const QModelIndex& node) {
    if (FInSelectionChange) return;
    if (CheckChangedOnDisk()) return;
    if (!VTMedien->selectionModel()->hasSelection() || !node.isValid()) return;
    const NodeObject object = FMediaModel->ObjectAt(node);
    if (CMedium* medium = object.medium) {
        if (!medium->ContentLoaded && !LoadMediumContent(*medium)) return;
        FMediaModel->FillFolderNodes(medium);
        FExplorerModel->FillExplorer(medium);
        StatusText->setText(MediumStatusText(*medium));
    } else if (CFile* folder = object.entry) {
        FExplorerModel->FillExplorer(folder->Medium);
        StatusText->clear();
        SelectInExplorer(folder);
        const QModelIndex found = FExplorerModel->IndexOfEntry(folder);
        if (found.isValid()) VTExplorer->expand(found);
    }
}

void TfrmShelvix::SelectInExplorer(const CFile* entry) {
    const QModelIndex found = FExplorerModel->IndexOfEntry(entry);
    if (!found.isValid()) return;
    for (QModelIndex up = found.parent(); up.isValid(); up = up.parent()) VTExplorer->expand(up);
    VTExplorer->setCurrentIndex(found);
    VTExplorer->selectionModel()->select(
        found, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    VTExplorer->scrollTo(found);
}

// Several nodes may be selected, but only among siblings: a new selection elsewhere in the tree
// drops the nodes that are not siblings of the current one.
void TfrmShelvix::KeepSelectionAmongSiblings(const QItemSelection& selected) {
    if (selected.isEmpty()) return;
    const QModelIndex anchor = selected.indexes().first();
    QItemSelection strangers;
    for (const QModelIndex& index : VTMedien->selectionModel()->selectedRows())
        if (index.parent() != anchor.parent()) strangers.select(index, index);
    if (strangers.isEmpty()) return;
    FInSelectionChange = true;
    VTMedien->selectionModel()->select(strangers, QItemSelectionModel::Deselect |
                                                      QItemSelectionModel::Rows);
    FInSelectionChange = false;
}

void TfrmShelvix::VTMedienHeaderClick(int column) {
    Qt::SortOrder order = FMediaModel->SortOrder();
    if (column == FMediaModel->SortColumn())
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    FMediaModel->SortBy(column, order);
    VTMedien->header()->setSortIndicatorShown(true);
    VTMedien->header()->setSortIndicator(column, order);
}

void TfrmShelvix::VTMedienContextPopup(const QPoint&) {
    if (!VTMedien->selectionModel()->hasSelection()) return;
    PopupMenu->popup(QCursor::pos());
}

// Whenever the media tree is filled and nothing is selected, its current medium (the top one
// after a refill) is selected: the commands the keyboard reaches (Delete, Return, the menus)
// then act on the medium the tree shows as current, and the explorer shows its content.
void TfrmShelvix::SelectCurrentMedium() {
    if (FMediaModel->rowCount() == 0 || VTMedien->selectionModel()->hasSelection()) return;
    QModelIndex current = VTMedien->currentIndex();
    if (!current.isValid()) current = FMediaModel->index(0, 0);
    VTMedien->selectionModel()->setCurrentIndex(
        current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Update and Remove act on selected media, Details on a selected node (or the explorer entry of
// the medium selected): without a selection they have nothing to act on.
void TfrmShelvix::EnableMediumActions() {
    const QModelIndexList rows = VTMedien->selectionModel()->selectedRows();
    const bool medium = std::any_of(rows.begin(), rows.end(), [this](const QModelIndex& row) {
        return FMediaModel->ObjectAt(row).medium != nullptr;
    });
    actUpdate->setEnabled(medium);
    actRemove->setEnabled(medium);
    actDetails->setEnabled(!rows.isEmpty());
}

void TfrmShelvix::VTMedienDblClick() { actDetails->trigger(); }

void TfrmShelvix::VTExplorerDblClick() { actDetails->trigger(); }

bool TfrmShelvix::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == VTMedien || watched == VTExplorer) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keys of the keypad count too.
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        // Return opens Details, as a double click does; Delete in the media tree removes.
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            actDetails->trigger();
            return true;
        }
        if (plain && watched == VTMedien && key->key() == Qt::Key_Delete) {
            actRemove->trigger();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmShelvix::actArchivesExecute() { actArchives->setChecked(!actArchives->isChecked()); }
