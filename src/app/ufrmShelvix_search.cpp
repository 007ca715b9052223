// The Search and Find duplicates commands: each opens its dialog over the open catalogue and,
// when the user picked a row with Show, selects its medium in the media tree and its entry in
// the explorer.
#include "app/ufrmShelvix.h"

#include "widgets/mediaviewmodels.h"
#include "widgets/modalresult.h"
#include "app/shelvixwindows.h"
#include "categories/ufrmCategories_views.h"
#include "search/ufrmDuplicates.h"
#include "search/ufrmSearch.h"

#include <QComboBox>
#include <QTreeView>

void TfrmShelvix::ClearSearchResults() {
    if (FWindows && FWindows->frmSearch) FWindows->frmSearch->ClearResults();
    if (FDuplicates) FDuplicates->ClearResults();
}

void TfrmShelvix::actSearchExecute() {
    if (CheckChangedOnDisk() || !FWindows) return;
    TfrmSearch& search = *FWindows->frmSearch;
    search.FCatalogue = FCatalogue.get();
    search.FChosen = {};
    FillCategoryList(search.ComboBoxCategory, *FCatalogue);
    search.ComboBoxCategory->setCurrentIndex(-1); // a filled list picks its first name by itself
    if (search.exec() != mrOk) return;
    JumpTo(search.FChosen.medium, search.FChosen.entry);
}

TfrmDuplicates* TfrmShelvix::DuplicatesDialog() {
    if (!FDuplicates) FDuplicates = new TfrmDuplicates(&ImageListDrives, &ImageListFolders, this);
    return FDuplicates;
}

void TfrmShelvix::actDuplicatesExecute() {
    if (CheckChangedOnDisk()) return;
    TfrmDuplicates& duplicates = *DuplicatesDialog();
    duplicates.FCatalogue = FCatalogue.get();
    duplicates.FChosen = nullptr;
    if (duplicates.exec() != mrOk || !duplicates.FChosen) return;
    JumpTo(nullptr, duplicates.FChosen);
}

void TfrmShelvix::JumpTo(CMedium* medium, CFile* entry) {
    if (entry) medium = entry->Medium;
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
