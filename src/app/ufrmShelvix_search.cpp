// The Search command: opens the search dialog over the open catalogue and, when the user picked
// a result with Show, selects its medium in the media tree and its entry in the explorer.
#include "app/ufrmShelvix.h"

#include "app/mediaviewmodels.h"
#include "app/modalresult.h"
#include "app/shelvixwindows.h"
#include "categories/categoryviews.h"
#include "search/ufrmSearch.h"

#include <QComboBox>
#include <QTreeView>

void TfrmShelvix::ClearSearchResults() {
    if (FWindows && FWindows->frmSearch) FWindows->frmSearch->ClearResults();
}

void TfrmShelvix::actSearchExecute() {
    if (CheckChangedOnDisk() || !FWindows) return;
    TfrmSearch& search = *FWindows->frmSearch;
    search.FCatalogue = FCatalogue.get();
    search.FChosen = {};
    FillCategoryList(search.ComboBoxCategory, *FCatalogue);
    search.ComboBoxCategory->setCurrentIndex(-1); // a filled list picks its first name by itself
    if (search.exec() != mrOk) return;

    CFile* entry = search.FChosen.entry;
    CMedium* medium = entry ? entry->Medium : search.FChosen.medium;
    if (!medium) return;
    // Media are the tree's roots, each once; a removed medium has no node and is not selected.
    const QModelIndex node = FMediaModel->IndexOfMedium(medium);
    if (node.isValid()) {
        VTMedien->selectionModel()->setCurrentIndex(
            node, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // Selecting a node that was selected already changes nothing, so the explorer may not
        // have been filled for it.
        if (FExplorerModel->Medium() != medium) VTMedienChange(node);
        VTMedien->scrollTo(node);
    }
    if (entry) SelectInExplorer(entry);
}
