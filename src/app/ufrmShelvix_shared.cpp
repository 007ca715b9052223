// Operations every command of the main window shares: progress, the guard against catalogues
// changed by another program, the title, the content refresh before a save.
#include "app/ufrmShelvix.h"
#include "widgets/previewloader.h"
#include "widgets/previewpane.h"

#include "language/messagetable.h"
#include "widgets/interaction.h"
#include "widgets/mediaviewmodels.h"
#include "catalogue/blockcopy.h"
#include "catalogue/contentloading.h"
#include "catalogue/failurereasons.h"
#include "catalogue/streams.h"
#include "app/ufrmQuickFind.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

using namespace ShelvixMessages;

namespace {
QString Text(const std::string& variable) { return QString::fromStdString(variable); }
} // namespace

void TfrmShelvix::ShowProgress(int percent) {
    // Window messages run, and the bar is painted, once per slice counted from the start of a
    // load or save: a screen shows a new picture only every 16 ms or so, and painting and letting
    // messages run for every medium of a catalogue with thousands of media costs more than the
    // load itself. In between the bar only takes the value. It is shown at the first pump: a
    // load over before that (most index loads) would pay for laying out the status bar twice
    // for a bar nobody could see.
    const bool pump = !FProgressPump.isValid() || FProgressPump.elapsed() >= ProgressPumpSliceMs;
    // During a load or save the window is not painted between pumps, so the bar is only told the
    // value it will show.
    if (FBusy && !pump) return;
    SpecialProgress->setUpdatesEnabled(pump);
    SpecialProgress->setValue(percent);
    if (!pump) return;
    if (SpecialProgress->isHidden()) SpecialProgress->show();
    if (FBusy && !FDisabledWhileBusy && isEnabled()) {
        setEnabled(false);
        FDisabledWhileBusy = true;
    }
    QCoreApplication::processEvents();
    FProgressPump.start();
}

bool TfrmShelvix::CheckChangedOnDisk() {
    if (!FCatalogue->FilesChangedOnDisk()) return false;
    Interaction().MessageBox(this, Text(msgError), Text(msgWasChanged), TMessageButtons::Ok);
    return true;
}

void TfrmShelvix::RefreshTitle() {
    QString title = Text(msgSxName);
    if (!FCatalogue->FileName.empty())
        title += QStringLiteral(" - ") +
                 QFileInfo(QString::fromLocal8Bit(FCatalogue->FileName.c_str())).fileName();
    if (FCatalogue->IsModified()) title += QStringLiteral(" *");
    setWindowTitle(title);
    NoteRecent(FCatalogue->FileName);
    StatusText->clear();
    SpecialProgress->hide();
    if (FQuickFind) FQuickFind->CatalogueChanged();
}

bool TfrmShelvix::RefreshMediaContent() {
    StatusText->setText(Text(msgReloadDB));
    if (FQuickFind) FQuickFind->StopReading(); // the save reads what it needs itself
    // A save copies the blocks of unchanged media from the data file once their bytes are
    // checked; every other content must be in memory before it starts. A damaged block whose
    // tree is not in memory, or a content that cannot be read, stops it here.
    std::vector<bool> copyable;
    const TBlockCheck check = CheckedCopyableBlocks(*FCatalogue, copyable);
    if (!check.readable || check.damaged >= 0) {
        ShowBlockCheckFailure(check.damaged);
        return false;
    }
    std::vector<CMedium*> toLoad;
    std::vector<int> positions;
    const int count = FCatalogue->Count();
    for (int i = 0; i < count; ++i) {
        CMedium* medium = FCatalogue->GetMedium(i);
        if (copyable[size_t(i)] || medium->ContentLoaded) continue;
        toLoad.push_back(medium);
        positions.push_back(i);
    }
    size_t done = 0;
    CMedium* unread = nullptr;
    ClearFileFault(); // only the contents' own faults may name their cause
    LoadContentsInOrder(toLoad, FCatalogue->DataFileName, [&](CMedium& medium, bool loaded) {
        ShowProgress(ProgressPercent(positions[done++], count));
        if (!loaded) unread = &medium;
        return loaded;
    });
    if (!unread && count > 0) ShowProgress(ProgressPercent(count - 1, count)); // all passed
    if (unread) {
        ShowContentFailure(*unread, ContentLoadFailure(*unread, FCatalogue->DataFileName));
        return false;
    }
    // Until the save succeeds the catalogue has no file it can be saved back to unasked.
    FCatalogue->FileName.clear();
    return true;
}

void TfrmShelvix::ForgetViewsOfMedia() {
    // The search results may point at entries of any medium, the explorer shows one medium's
    // entries and the media tree keeps folder nodes of the media opened in it. The quick find
    // and the background reading use media on other threads: they are stopped and waited for.
    if (FQuickFind) FQuickFind->ForgetMedia();
    // The pane and the icon view read previews on a thread of their own.
    if (PreviewPane) PreviewPane->Clear();
    if (FPreviewLoader) FPreviewLoader->Forget();
    ClearSearchResults();
    FExplorerModel->Clear();
    FMediaModel->Clear();
}

void TfrmShelvix::ReplaceCatalogue(std::unique_ptr<CMedienListe> catalogue) {
    ForgetViewsOfMedia();
    FCatalogue = std::move(catalogue);
}

void TfrmShelvix::ShowFileError(const std::string& text, const std::string& fileName) {
    const TFileFault fault = LastFileFault();
    const std::string& shown = fault.error != 0 ? fault.path : fileName;
    QString message = Text(text) + QLatin1Char('\n') + QString::fromLocal8Bit(shown);
    if (fault.error != 0) message += QStringLiteral(": ") + QString::fromLocal8Bit(FaultText(fault).c_str());
    Interaction().MessageBox(this, Text(msgError), message, TMessageButtons::Ok);
    ClearFileFault(); // told once
}
