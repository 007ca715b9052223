// The Import command: a catalogue of "Advanced disc catalog" (*.CAT) replaces the open one.
#include "app/ufrmShelvix.h"

#include "language/messagetable.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/foreigncatalogue.h"

#include <QAction>

using namespace ShelvixMessages;

void TfrmShelvix::ConnectImportCommand() {
    OpenDialogImport.filter =
        QStringLiteral("Advanced disc catalog (*.CAT)|*.CAT|All files (*.*)|*.*");
    OpenDialogImport.defaultExtension = QStringLiteral("*.CAT");
    connect(actImport, &QAction::triggered, this, [this] { actImportExecute(); });
}

void TfrmShelvix::actImportExecute() {
    if (CheckChangedOnDisk()) return;
    // The open catalogue is about to be given up: its changes are offered for saving first, as
    // New and Open do.
    if (!SaveChangesIfWanted(true, &TfrmShelvix::SaveCatalogueAs)) return;
    const QString chosen = Interaction().OpenFileName(this, OpenDialogImport);
    if (chosen.isEmpty()) return;
    OpenDialogImport.initialName = chosen;
    // Whether the file can be used is settled before anything is replaced.
    foreigncatalogue::OpenedFile file =
        foreigncatalogue::Open(chosen.toLocal8Bit().toStdString());
    if (file.status == foreigncatalogue::OpenStatus::CannotOpen) {
        ShowError(msgNoLoad);
        return;
    }
    if (file.status == foreigncatalogue::OpenStatus::NotSupported) {
        ShowError(msgNoImport);
        return;
    }
    ReplaceCatalogue(std::make_unique<CMedienListe>());
    const foreigncatalogue::Outcome outcome = foreigncatalogue::ReadBody(*file.stream, *FCatalogue);
    file.stream.reset();
    // After a read error in the header or a medium record the media read so far are kept and
    // shown; the error is told once.
    FMediaModel->FillMediaTree(FCatalogue.get());
    FCatalogue->SetModified(true);
    RefreshTitle();
    if (!outcome.error.empty()) ShowError(outcome.error);
}
