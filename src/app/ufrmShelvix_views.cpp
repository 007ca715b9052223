// What the two views do: selecting a medium or folder, sorting, the context menu, double clicks
// and the archive toggle.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "widgets/entryopener.h"
#include "widgets/sortvalues.h"
#include "widgets/previewiconview.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
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
        // The icon view shows the folder's own entries.
        if (found.isValid() && ExplorerView() == VTIcons) VTIcons->Enter(found);
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
    const Qt::SortOrder order = NextSortOrder(column, FMediaModel->SortColumn(), FMediaModel->SortOrder());
    FMediaModel->SortBy(column, order);
    VTMedien->header()->setSortIndicatorShown(true);
    VTMedien->header()->setSortIndicator(column, order);
}

void TfrmShelvix::VTExplorerHeaderClick(int column) {
    const Qt::SortOrder order =
        NextSortOrder(column, FExplorerModel->SortColumn(), FExplorerModel->SortOrder());
    FExplorerModel->SortBy(column, order);
    VTExplorer->header()->setSortIndicatorShown(true);
    VTExplorer->header()->setSortIndicator(column, order);
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

// A medium just added or updated is the one the user wants to name: it is selected and its name
// is open for editing, so one step names a disc (Enter keeps the typed name, Escape the one read).
void TfrmShelvix::SelectNewMedium(CMedium* medium) {
    const QModelIndex node = FMediaModel->IndexOfMedium(medium);
    if (!node.isValid()) return;
    VTMedien->selectionModel()->setCurrentIndex(
        node, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    VTMedien->scrollTo(node);
    VTMedien->setFocus(Qt::OtherFocusReason);
    VTMedien->edit(node);
    // The whole name is selected, so typing replaces it, also once the window is active again
    // after the questions and the scan window (a line edit loses its selection on the way).
    QTimer::singleShot(0, this, [this, node = QPersistentModelIndex(node)] {
        if (auto* editor = qobject_cast<QLineEdit*>(VTMedien->indexWidget(node))) {
            editor->setFocus(Qt::OtherFocusReason);
            editor->selectAll();
        }
    });
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

// Enter and a double click in the explorer follow one rule, as in file managers: a folder or an
// archive opens (it expands, and the cursor goes to its first entry), a file opens with the
// desktop's application for it. Details has its own keys (Alt+Return) and the context menu.
void TfrmShelvix::VTExplorerDblClick(const QModelIndex& node) {
    CFile* entry = FExplorerModel->EntryAt(node);
    if (!entry) return;
    if (!entry->HasChildrenKind()) {
        ExplorerOpener->Open(entry, false);
        return;
    }
    const QModelIndex row = node.siblingAtColumn(0);
    VTExplorer->expand(row);
    const QModelIndex first = FExplorerModel->index(0, 0, row);
    if (!first.isValid()) return;
    VTExplorer->selectionModel()->setCurrentIndex(
        first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    VTExplorer->scrollTo(first);
}

bool TfrmShelvix::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == VTMedien || watched == VTExplorer || watched == VTIcons) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keys of the keypad count too.
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        // Return does what a double click does: Details in the media tree, opening in the
        // explorer. Delete in the media tree removes.
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (watched == VTExplorer) VTExplorerDblClick(VTExplorer->currentIndex());
            else if (watched == VTIcons) emit VTIcons->doubleClicked(VTIcons->currentIndex());
            else actDetails->trigger();
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
