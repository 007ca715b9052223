// Telling the user why a medium's content, a catalogue or a save did not go through, with the
// cause the catalogue code or the files show: damage, a missing file, another program's save.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/failurereasons.h"
#include "catalogue/streams.h"

#include <QLabel>
#include <QTreeView>

using namespace ShelvixMessages;

namespace {
// Message texts are UTF-8; names and paths are the bytes the file system or the catalogue holds.
std::string Shown(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.c_str()).toStdString();
}
} // namespace

void TfrmShelvix::ShowFailure(const TFailureText& failure, const std::string& fileName,
                              const std::string& before) {
    std::string text = WithArgument(*failure.text, Shown(failure.argument));
    if (!before.empty()) text = before + "\n\n" + text;
    ShowFileError(text, fileName);
}

bool TfrmShelvix::LoadMediumContent(CMedium& medium) {
    const std::string& dataFile = FCatalogue->DataFileName;
    ClearFileFault(); // only this load's faults may name its cause
    const bool wasDamaged = medium.LoadFailure == TLoadFailure::Damaged;
    if (medium.LoadContent(dataFile)) {
        medium.LoadFailure = TLoadFailure::None;
        if (wasDamaged) FMediaModel->MediumChanged(&medium);
        return true;
    }
    // No other medium's tree or counts may stay beside the message.
    FExplorerModel->Clear();
    StatusText->clear();
    ShowContentFailure(medium, ContentLoadFailure(medium, dataFile));
    return false;
}

void TfrmShelvix::ShowContentFailure(CMedium& medium, TLoadFailure reason, const std::string& before) {
    // Kept with the medium, so that the media tree marks it until its content is read.
    medium.LoadFailure = reason;
    FMediaModel->MediumChanged(&medium);
    ShowFailure(ContentFailureText(medium.Name, reason), FCatalogue->DataFileName, before);
}

// Before a save brings the contents in: a block found damaged, or a data file that cannot be
// read at all, named by the first medium that needs it.
void TfrmShelvix::ShowBlockCheckFailure(int damaged) {
    CMedium* medium = FCatalogue->GetMedium(damaged);
    for (int i = 0; !medium && i < FCatalogue->Count(); ++i)
        if (!FCatalogue->GetMedium(i)->ContentLoaded) medium = FCatalogue->GetMedium(i);
    if (!medium) {
        ShowError(msgErrorCleanUp);
        return;
    }
    ShowContentFailure(*medium, damaged >= 0 ? TLoadFailure::Damaged
                                             : ContentLoadFailure(*medium, FCatalogue->DataFileName));
}

TfrmShelvix::TSaveOutcome TfrmShelvix::ShowSaveFailure(const std::string& fileName,
                                                       const std::string& generic) {
    const CMedienListe::TSaveFailure reason = FCatalogue->SaveFailure;
    if (CMedium* damaged = FCatalogue->GetMedium(FCatalogue->DamagedMedium)) {
        damaged->LoadFailure = TLoadFailure::Damaged;
        FMediaModel->MediumChanged(damaged);
    }
    ShowFailure(SaveFailureText(*FCatalogue, fileName, generic), fileName);
    // Another program saved the pair since it was read: the user picks a name instead, as the
    // guard before a save offers.
    if (reason == CMedienListe::TSaveFailure::ChangedOnDisk) return SaveCatalogueAs();
    return TSaveOutcome::Failed;
}
