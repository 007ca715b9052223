// The media commands: Add, Update and Details (of a medium or an entry), with the folder chooser
// they share.
#include "app/ufrmShelvix.h"
#include "widgets/previewiconview.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "widgets/mediaviewmodels.h"
#include "app/shelvixwindows.h"
#include "categories/ufrmDetailsFiles.h"
#include "catalogue/newreading.h"
#include "platform/volumeinfo.h"
#include "widgets/mountwatcher.h"
#include "scan/ufrmMediaDetails.h"
#include "scan/ufrmMediaRead.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>

using namespace ShelvixMessages;

namespace {
QString Text(const std::string& variable) { return QString::fromStdString(variable); }

// Unreadable folders are catalogued empty without a message during the scan; the status line
// tells how many there were once it is over.
void ShowUnreadFolders(QLabel& status, const TfrmMediaRead& scan) {
    QStringList parts;
    if (!scan.UnreadFolders.empty())
        parts << QString::number(scan.UnreadFolders.size()) + ' ' + Text(msgUnreadFolders);
    // Files whose details could not be read (the reader crashed, hung or ran out of memory).
    if (scan.DetailsSkipped > 0)
        parts << Text(msgDetailsSkipped).arg(scan.DetailsSkipped);
    if (!parts.isEmpty()) status.setText(parts.join(QStringLiteral("; ")));
}
} // namespace

bool TfrmShelvix::BrowseForMediaFolder(const QString& title, QString& path) {
    // Starts where removable media are mounted, so a stick or disc is one click away.
    path = Interaction().BrowseForFolder(this, title, QString::fromLocal8Bit(RemovableMediaFolder().c_str()));
    return !path.isEmpty();
}

CMedium* TfrmShelvix::NewMediumAt(const QString& path) {
    CMedium* medium = FCatalogue->AddMediumFromPath(path.toLocal8Bit().toStdString());
    if (!medium) ShowError(msgNoAdd);
    return medium;
}

void TfrmShelvix::DiscardMedium(CMedium* medium) {
    for (int i = FCatalogue->Count() - 1; i >= 0; --i)
        if (FCatalogue->GetMedium(i) == medium) {
            FCatalogue->DeleteMedium(i);
            return;
        }
}

bool TfrmShelvix::ScanNewMedium(CMedium* medium, const QString& path) {
    if (!FWindows) return false;
    const bool archives = actArchives->isChecked();
    TfrmMediaRead& scan = *FWindows->frmMediaRead;
    scan.PrepareScan(medium, path.toLocal8Bit().toStdString(), archives && FZipSupport,
                     archives && FRarSupport, actReadDetails->isChecked());
    return scan.exec() != mrCancel;
}

void TfrmShelvix::RefreshAfterMediaChange(bool changed, CMedium* added) {
    FExplorerModel->Clear();
    if (changed) FCatalogue->SetModified(true);
    RefreshTitle();
    // Filled after the title, which clears the status line: the medium it selects shows its counts.
    FMediaModel->FillMediaTree(FCatalogue.get());
    if (added) SelectNewMedium(added);
}

void TfrmShelvix::actAddExecute() {
    QString path;
    if (CheckChangedOnDisk() || !BrowseForMediaFolder(Text(msgSelect), path)) return;
    AddMediaFolder(path);
}

namespace {

QString Quoted(const std::string& name) {
    return QStringLiteral("\u00AB") + QString::fromLocal8Bit(name.c_str()) + QStringLiteral("\u00BB");
}

// The names of the same-serial question, each on its own line; a long list would grow the box
// past the screen, so the names past the tenth are only counted.
QString SameSerialNames(const std::vector<CMedium*>& media) {
    constexpr size_t kListed = 10;
    QString names;
    for (size_t i = 0; i < media.size() && i < kListed; ++i)
        names += QString::fromLocal8Bit(media[i]->Name.c_str()) + QStringLiteral("\r\n");
    if (media.size() > kListed)
        names += Text(msgMoreNames).arg(media.size() - kListed) + QStringLiteral("\r\n");
    return names;
}

} // namespace

void TfrmShelvix::AddMediaFolder(const QString& path) {
    CMedium* medium = NewMediumAt(path);
    if (!medium) return;

    const std::vector<CMedium*> same = SameSerialMedia(*FCatalogue, *medium);
    if (!same.empty()) {
        QStringList answers{Text(msgAddAsNew)};
        if (same.size() == 1) answers << Text(msgUpdateThat).arg(Quoted(same.front()->Name));
        answers << Text(msgCancel);
        const int answer = Interaction().Choose(
            this, Text(msgQuestion), Text(msgSameSerial) + '\r' + SameSerialNames(same), answers);
        if (answer != 0) {
            DiscardMedium(medium);
            if (answer == 1 && same.size() == 1) UpdateMediumFrom(same.front(), path);
            return;
        }
    }
    // A stopped scan takes its medium out again: nothing was added, so nothing counts as changed.
    const bool scanned = ScanNewMedium(medium, path);
    if (!scanned) DiscardMedium(medium);
    RefreshAfterMediaChange(scanned, scanned ? medium : nullptr);
    if (scanned) ShowUnreadFolders(*StatusText, *FWindows->frmMediaRead);
}

void TfrmShelvix::actUpdateExecute() {
    if (CheckChangedOnDisk()) return;
    const QModelIndexList selected = VTMedien->selectionModel()->selectedRows();
    if (selected.size() != 1) return;
    CMedium* old = FMediaModel->ObjectAt(selected.first()).medium;
    if (!old) return;
    // It starts where the medium is mounted now, when it is; else where media are mounted.
    QString start = TMountWatcher::Instance().Location(*old);
    if (start.isEmpty()) start = QString::fromLocal8Bit(RemovableMediaFolder().c_str());
    const QString path = Interaction().BrowseForFolder(this, Text(msgSelectUpdate).arg(Quoted(old->Name)), start);
    if (path.isEmpty()) return;
    UpdateMediumFrom(old, path);
}

// The user's own name, notice and categories of the old reading go to the new one when the
// user says so. The old reading's entries are read in to find their categories; when they cannot
// be, the medium's own values still go over.
void TfrmShelvix::KeepOwnAnnotations(CMedium& old, CMedium& fresh) {
    if (!old.ContentLoaded && !FCatalogue->DataFileName.empty()) old.LoadContent(FCatalogue->DataFileName);
    if (!HasOwnAnnotations(old, fresh.Name)) return;
    if (Interaction().MessageBox(this, Text(msgQuestion), Text(msgKeepOwn).arg(Quoted(old.Name)),
                                 TMessageButtons::YesNo) == mrNo)
        return;
    CarryOverAnnotations(old, fresh);
}

void TfrmShelvix::UpdateMediumFrom(CMedium* old, const QString& path) {
    CMedium* medium = NewMediumAt(path);
    if (!medium) return;
    if (medium->Serial != old->Serial &&
        Interaction().MessageBox(this, Text(msgError), Text(msgNoUpdate), TMessageButtons::YesNo) !=
            mrYes) {
        DiscardMedium(medium);
        return;
    }
    const bool scanned = ScanNewMedium(medium, path);
    if (scanned) {
        KeepOwnAnnotations(*old, *medium);
        old->Present = false;
        old->Stored = false;
    } else {
        DiscardMedium(medium);
    }
    RefreshAfterMediaChange(scanned, scanned ? medium : nullptr);
    if (scanned) ShowUnreadFolders(*StatusText, *FWindows->frmMediaRead);
}

void TfrmShelvix::RefreshAfterDetails() {
    RefreshTitle();
    // Names and categories may have changed: let both views fetch their texts again.
    VTMedien->viewport()->update();
    VTExplorer->viewport()->update();
}

void TfrmShelvix::ShowMediumDetails(CMedium* medium) {
    if (!medium || !FWindows) return;
    FWindows->frmMediaDetails->ShowFor(*FCatalogue, *medium);
    RefreshAfterDetails();
}

void TfrmShelvix::ShowEntryDetails(CFile* entry) {
    if (!entry || !FWindows) return;
    FWindows->frmDetailsFile->ShowFor(*FCatalogue, *entry);
    RefreshAfterDetails();
}

void TfrmShelvix::actDetailsExecute() {
    if (CheckChangedOnDisk()) return;
    // The icon view shares the explorer's selection: its Details is the explorer's.
    const bool explorer = VTExplorer->hasFocus() || (VTIcons && VTIcons->hasFocus());
    QTreeView* view = VTMedien->hasFocus() ? VTMedien : explorer ? VTExplorer : nullptr;
    if (!view) return;
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    if (selected.size() != 1) return;
    if (view == VTExplorer) {
        ShowEntryDetails(FExplorerModel->EntryAt(selected.first()));
        return;
    }
    // A folder node of the media tree carries its folder entry.
    const NodeObject object = FMediaModel->ObjectAt(selected.first());
    if (object.medium) ShowMediumDetails(object.medium);
    else ShowEntryDetails(object.entry);
}
