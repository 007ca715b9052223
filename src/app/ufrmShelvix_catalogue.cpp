// The catalogue commands: New, Open, Save, Save as, Attach, Repair, and the question to save
// changes when the window closes.
#include "app/ufrmShelvix.h"
#include "widgets/previewloader.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/backups.h"
#include "catalogue/combine.h"
#include "catalogue/failurereasons.h"
#include "catalogue/savepair.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTreeView>

using namespace ShelvixMessages;

namespace {
QString Text(const std::string& variable) {
    return QString::fromStdString(variable);
}
std::string LocalName(const QString& name) {
    return name.toLocal8Bit().toStdString();
}
QString FromLocal(const std::string& name) {
    return QString::fromLocal8Bit(name.c_str());
}

TFileDialogSpec CatalogueDialog(bool save) {
    TFileDialogSpec spec;
    spec.filter = QStringLiteral("Shelvix (*.SXF)|*.SXF|All Files (*.*)|*.*");
    spec.defaultExtension = QStringLiteral("*.SXF");
    spec.confirmOverwrite = save;
    return spec;
}
} // namespace

void TfrmShelvix::ConnectCatalogueCommands() {
    OpenDialogFDB = CatalogueDialog(false);
    SaveDialogFDB = CatalogueDialog(true);
    connect(actNew, &QAction::triggered, this, [this] { actNewExecute(); });
    connect(actOpen, &QAction::triggered, this, [this] { actOpenExecute(); });
    connect(actSave, &QAction::triggered, this, [this] { actSaveExecute(); });
    connect(actSaveAs, &QAction::triggered, this, [this] { actSaveAsExecute(); });
    connect(actAttach, &QAction::triggered, this, [this] { actAttachExecute(); });
    connect(actRepair, &QAction::triggered, this, [this] { actRepairExecute(); });
    // actMakeBackups is a checkable action: triggering it flips its check mark, which the saves
    // read.
}

// The window takes no input while a catalogue is read or written. Input can only arrive while
// ShowProgress lets window messages run, so the window is disabled there, at the first pump: a
// load too short to pump (most index loads) does not pay for disabling every widget and
// enabling it again. The flag also keeps the window from closing under the operation.
void TfrmShelvix::SetBusy(bool busy) {
    FBusy = busy;
    if (busy) {
        // A save rewrites the previews beside the pair: no read of them may be under way.
        if (FPreviewLoader) FPreviewLoader->Forget();
        FProgressPump.start();
    } else {
        FProgressPump.invalidate();
        SpecialProgress->setUpdatesEnabled(true);
        // The picture the pane waited for was dropped with the reads.
        if (FPreviewSource) PreviewCurrentOf(FPreviewSource);
        if (FDisabledWhileBusy) setEnabled(true);
        FDisabledWhileBusy = false;
    }
}

void TfrmShelvix::InstallProgress(CMedienListe& catalogue) {
    catalogue.OnProgress = [this](int percent) { ShowProgress(percent); };
}

// ---- Saving ----

// The part both saves share once the target is known: every content into memory, then the
// complete pair written anew.
TfrmShelvix::TSaveOutcome TfrmShelvix::WriteCatalogue(const std::string& fileName) {
    // The save makes the backup copies itself, from the pair it has checked, and only when it
    // replaces the catalogue's own files (known here, before the refresh detaches them).
    FCatalogue->MakeBackups =
        actMakeBackups->isChecked() && SameCatalogueFile(fileName, FCatalogue->FileName);
    SetBusy(true);
    InstallProgress(*FCatalogue);
    if (!RefreshMediaContent()) { // it has told the user; nothing is written
        SetBusy(false);
        RefreshTitle();
        return TSaveOutcome::Failed;
    }
    StatusText->setText(Text(msgSaveDB));
    const bool saved = FCatalogue->Save(fileName);
    SetBusy(false);
    RefreshTitle();
    // A damaged block is the user's to repair; any other failure names its cause and the file.
    return saved ? TSaveOutcome::Saved : ShowSaveFailure(fileName, msgNoSave);
}

TfrmShelvix::TSaveOutcome TfrmShelvix::SaveCatalogueAs() {
    SaveDialogFDB.initialName = FromLocal(FCatalogue->FileName);
    const QString chosen = Interaction().SaveFileName(this, SaveDialogFDB);
    if (chosen.isEmpty()) return TSaveOutcome::Cancelled;
    SaveDialogFDB.initialName = chosen;
    const std::string fileName = LocalName(chosen);
    // Saving over its own files: only when nobody else changed them.
    if (SameCatalogueFile(fileName, FCatalogue->FileName) && CheckChangedOnDisk())
        return TSaveOutcome::Failed;
    return WriteCatalogue(fileName);
}

TfrmShelvix::TSaveOutcome TfrmShelvix::SaveCatalogue() {
    // Files changed by another program are not overwritten: the user picks a name instead.
    if (CheckChangedOnDisk() || FCatalogue->FileName.empty()) return SaveCatalogueAs();
    const std::string target = FCatalogue->FileName;
    // A catalogue opened from a disc or a read-only folder cannot be saved back: the save fails
    // as any failed save does, before backup copies are tried there, and the next Save asks
    // for a name.
    if (!PairWritable(target, FCatalogue->DataFileName)) {
        ShowFileError(LastFileFault().error != 0 ? msgSaveFailed : msgNoSave, target);
        FCatalogue->FileName.clear();
        RefreshTitle();
        return TSaveOutcome::Failed;
    }
    return WriteCatalogue(target);
}

void TfrmShelvix::actSaveExecute() {
    SaveCatalogue();
}

void TfrmShelvix::actSaveAsExecute() {
    SaveCatalogueAs();
}

// The msgModified question before the catalogue is given up. Answers whether the command may go
// on: after No, and after the changes were saved. A question dismissed with Escape or its close
// button, a cancelled save dialog, and a save that failed or was refused all call the command
// off: going on would throw away changes the user never agreed to lose.
bool TfrmShelvix::SaveChangesIfWanted(bool checkDiskFirst, TSaveCommand save) {
    if (!FCatalogue->IsModified()) return true;
    // Cancel, like Escape, goes back to the window with the changes unsaved.
    const TModalResult answer = Interaction().MessageBox(this, Text(msgQuestion), Text(msgModified),
                                                         TMessageButtons::YesNoCancel);
    if (answer == mrNo) return true;
    if (answer != mrYes) return false;
    if (checkDiskFirst && CheckChangedOnDisk()) return false;
    return (this->*save)() == TSaveOutcome::Saved;
}

// ---- New, Open ----

void TfrmShelvix::actNewExecute() {
    if (!SaveChangesIfWanted(false, &TfrmShelvix::SaveCatalogueAs)) return;
    ReplaceCatalogue(std::make_unique<CMedienListe>());
    RefreshTitle();
}

void TfrmShelvix::actOpenExecute() {
    OpenCatalogueChosenBy([this] { return Interaction().OpenFileName(this, OpenDialogFDB); });
}

void TfrmShelvix::OpenCatalogueChosenBy(const std::function<QString()>& choose) {
    if (!SaveChangesIfWanted(true, &TfrmShelvix::SaveCatalogueAs)) return;
    const QString chosen = choose();
    if (chosen.isEmpty()) return;
    OpenDialogFDB.initialName = chosen;
    OpenCatalogueFile(chosen);
}

// The file is read into a catalogue of its own: a file that cannot be read (truncated, foreign,
// its data file missing) leaves the open catalogue, its views and its title as they were.
void TfrmShelvix::OpenCatalogueFile(const QString& fileName) {
    auto loaded = std::make_unique<CMedienListe>();
    InstallProgress(*loaded);
    StatusText->setText(Text(msgLoadDB));
    SetBusy(true);
    const bool ok = loaded->Load(LocalName(fileName));
    SetBusy(false);
    if (!ok) {
        ShowFailure(LoadFailureText(*loaded), LocalName(fileName));
        RefreshTitle();
        return;
    }
    ReplaceCatalogue(std::move(loaded));
    RefreshTitle();
    // Filled after the title, which clears the status line: the medium it selects shows its counts.
    FMediaModel->FillMediaTree(FCatalogue.get());
    // The pair was not read from its own files (an interrupted save where nothing can be written).
    if (!FCatalogue->LoadNotice.empty())
        Interaction().MessageBox(this, Text(msgHint), FromLocal(FCatalogue->LoadNotice),
                                 TMessageButtons::Ok);
}

void TfrmShelvix::OpenCatalogueAtStart(const QString& fileName) {
    const QString path = QFileInfo(fileName).absoluteFilePath();
    OpenDialogFDB.initialName = path;
    OpenCatalogueFile(path);
}

// ---- Attach, Repair ----

void TfrmShelvix::actAttachExecute() {
    if (CheckChangedOnDisk()) return;
    const QString chosen = Interaction().OpenFileName(this, OpenDialogFDB);
    if (chosen.isEmpty()) return;
    OpenDialogFDB.initialName = chosen;
    const std::string fileName = LocalName(chosen);
    if (SameCatalogueFile(fileName, FCatalogue->FileName)) {
        ShowError(msgNoAttach);
        return;
    }
    CMedienListe other;
    InstallProgress(other);
    StatusText->setText(Text(msgLoadDB));
    SetBusy(true);
    if (!other.Load(fileName)) {
        SetBusy(false);
        ShowFailure(LoadFailureText(other), fileName);
        RefreshTitle();
        return;
    }
    StatusText->setText(Text(msgReloadDB));
    ClearFileFault(); // only the contents' own faults may name their cause
    std::vector<TNotAttached> left;
    AttachMedia(*FCatalogue, other, &left);
    SetBusy(false);
    RefreshAfterMediaChange();
    if (left.empty()) return;
    // What could not be read is named, with the cause the first of them shows.
    std::string lines = msgNotAttached;
    for (const TNotAttached& medium : left) lines += "\n" + FromLocal(medium.line).toStdString();
    ShowFailure(ContentFailureText(left.front().name, left.front().reason), other.DataFileName,
                lines);
}

void TfrmShelvix::actRepairExecute() {
    if (CheckChangedOnDisk()) return;
    const QString chosen = Interaction().SaveFileName(this, SaveDialogFDB);
    if (chosen.isEmpty()) return;
    SaveDialogFDB.initialName = chosen;
    SetBusy(true);
    InstallProgress(*FCatalogue);
    StatusText->setText(Text(msgReloadDB));
    ClearFileFault(); // only the contents' own faults may name their cause
    const std::vector<int> lost = FindLostMedia(*FCatalogue);
    // Only damage is repaired away. A content another program's save holds or replaced, or
    // one whose data file is gone, stops the repair before anything is removed.
    for (int i : lost) {
        CMedium& medium = *FCatalogue->GetMedium(i);
        const TLoadFailure reason = ContentLoadFailure(medium, FCatalogue->DataFileName);
        if (reason == TLoadFailure::Damaged) continue;
        SetBusy(false);
        RefreshTitle();
        ShowContentFailure(medium, reason, msgRepairStopped);
        return;
    }
    ForgetViewsOfMedia();
    const std::vector<std::string> lines = RemoveLostMedia(*FCatalogue, lost);
    FCatalogue->FileName.clear();
    RefreshTitle();
    FCatalogue->SetModified(true);
    FMediaModel->FillMediaTree(FCatalogue.get());
    InstallProgress(*FCatalogue);
    StatusText->setText(Text(msgSaveDB));
    FCatalogue->MakeBackups = false; // Repair makes no backup copies
    const bool saved = FCatalogue->Save(LocalName(chosen));
    SetBusy(false);
    RefreshTitle();
    if (!saved) {
        ShowSaveFailure(LocalName(chosen), msgDiskFull);
    } else if (lines.empty()) {
        Interaction().MessageBox(this, Text(msgRepairState), Text(msgDone), TMessageButtons::Ok);
    } else {
        QStringList names;
        for (const std::string& line : lines)
            names << FromLocal(line);
        Interaction().MessageBox(this, Text(msgLost), names.join(QLatin1Char('\n')),
                                 TMessageButtons::Ok);
    }
}

// ---- Closing ----

void TfrmShelvix::closeEvent(QCloseEvent* event) {
    // A load or save lets window messages run; closing in the middle of it would free the
    // catalogue under it.
    if (FBusy) {
        event->ignore();
        return;
    }
    // The manual opens in the desktop's own viewer, which is not ours to close.
    const TSaveCommand save =
        FCatalogue->FileName.empty() ? &TfrmShelvix::SaveCatalogueAs : &TfrmShelvix::SaveCatalogue;
    // Unless the changes were saved or the user said No, the window stays open with them.
    if (!SaveChangesIfWanted(false, save)) {
        event->ignore();
        return;
    }
    event->accept();
}
