// Removing, restoring and cleaning up media. Removing only hides a medium (its Present flag);
// Restore shows hidden ones again and Clean up deletes them for good.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "widgets/mediaviewmodels.h"
#include "app/removedmediamodel.h"
#include "app/shelvixwindows.h"
#include "app/ufrmCleanUp.h"
#include "app/ufrmRestore.h"

#include <QTreeView>

#include <algorithm>
#include <unordered_set>

using namespace ShelvixMessages;

namespace {

QString Text(const std::string& variable) { return QString::fromStdString(variable); }

// Shows or hides a medium. Its header changes, so the next save writes it again.
void SetPresent(CMedium* medium, bool present) {
    medium->Present = present;
    medium->Stored = false;
}

// The media the dialog's list shows, in list order.
std::vector<CMedium*> ListedMedia(const TRemovedMediaModel& list) {
    std::vector<CMedium*> media;
    for (int row = 0; row < list.rowCount(); ++row) media.push_back(list.MediumAt(list.index(row, 0)));
    return media;
}

// Lists the catalogue's removed media for a dialog. With none it lets go of the catalogue again,
// tells the user `none` and returns false.
bool ListRemovedMedia(QWidget* parent, TRemovedMediaModel& list, CMedienListe& catalogue,
                      const std::string& none) {
    if (list.Fill(&catalogue) > 0) return true;
    list.Clear();
    Interaction().MessageBox(parent, Text(msgHint), Text(none), TMessageButtons::Ok);
    return false;
}

} // namespace

void TfrmShelvix::actRemoveExecute() {
    if (CheckChangedOnDisk()) return;
    QModelIndexList selected = VTMedien->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    // Selected nodes are siblings, so their rows give the tree order.
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    if (!FMediaModel->ObjectAt(selected.first()).medium) return; // folders are not removed
    if (Interaction().MessageBox(this, Text(msgQuestion), Text(msgSure), TMessageButtons::YesNo) !=
        mrYes)
        return;
    for (const QModelIndex& node : selected)
        if (CMedium* medium = FMediaModel->ObjectAt(node).medium) SetPresent(medium, false);
    RefreshAfterMediaChange();
}

void TfrmShelvix::actRestoreExecute() {
    if (CheckChangedOnDisk() || !FWindows) return;
    TfrmRestore& dialog = *FWindows->frmRestore;
    if (!ListRemovedMedia(this, dialog.Model(), *FCatalogue, msgNoRestore)) return;
    const int result = dialog.exec();
    const std::vector<CMedium*> chosen = dialog.SelectedMedia();
    dialog.Model().Clear();
    if (result == mrCustom100) {
        if (chosen.empty()) return; // nothing chosen, nothing changed
        for (CMedium* medium : chosen) SetPresent(medium, true);
        FCatalogue->SetModified(true);
    } else if (result == mrCustom101) {
        for (int i = 0; i < FCatalogue->Count(); ++i)
            if (!FCatalogue->GetMedium(i)->Present) SetPresent(FCatalogue->GetMedium(i), true);
        FCatalogue->SetModified(true);
    }
    // The explorer keeps what it shows: restoring takes nothing away from it.
    FMediaModel->FillMediaTree(FCatalogue.get());
    RefreshTitle();
}

void TfrmShelvix::actCleanUpExecute() {
    if (CheckChangedOnDisk() || !FWindows) return;
    TfrmCleanUp& dialog = *FWindows->frmCleanUp;
    if (!ListRemovedMedia(this, dialog.Model(), *FCatalogue, msgNoCleanUp)) return;
    const int result = dialog.exec();
    const std::vector<CMedium*> listed = ListedMedia(dialog.Model());
    dialog.Model().Clear();
    if (result == mrOk) {
        ForgetViewsOfMedia();
        const std::unordered_set<const CMedium*> doomed(listed.begin(), listed.end());
        // From the end, so that the positions still to be visited do not move.
        for (int i = FCatalogue->Count() - 1; i >= 0; --i)
            if (doomed.count(FCatalogue->GetMedium(i))) FCatalogue->DeleteMedium(i);
        FMediaModel->FillMediaTree(FCatalogue.get());
    }
    FCatalogue->SetModified(true);
    RefreshTitle();
}
