#include "scan/ufrmMediaRead.h"

#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/contentstream.h"
#include "catalogue/workers.h"
#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"
#include "details/mediumdetails.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TfrmMediaRead::TfrmMediaRead(QWidget* parent)
    : TProgressWindow("frmMediaRead", "Examining Media...", parent) {
    AddCount(LabelMFiles, "LabelMFiles", "Files:", LabelFiles, "LabelFiles");
    AddCount(LabelMDirs, "LabelMDirs", "Directories:", LabelDirectories, "LabelDirectories");
    AddCount(LabelMSize, "LabelMSize", "Size:", LabelSize, "LabelSize");
    FinishLayout(ClientHeight);
    connect(Timer, &QTimer::timeout, this, &TfrmMediaRead::TimerTimer);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

void TfrmMediaRead::PrepareScan(CMedium* medium, const std::string& path, bool examineZip,
                                bool examineRar, bool readDetails) {
    FMedium = medium;
    FPath = path;
    FExamineZip = examineZip;
    FExamineRar = examineRar;
    FReadDetails = readDetails;
    DetailsSkipped = 0;
    FStopped = false;
    Timer->start();
}

void TfrmMediaRead::TimerTimer() {
    if (!isVisible()) return;
    Timer->stop();
    if (!FMedium) { // nothing to fill: never leave the window waiting
        done(mrCancel);
        return;
    }
    // The content block is compressed on the other cores while the walk goes on, for the
    // save to write as it stands.
    TOrderedWork work;
    TContentStream content(*FMedium, work);
    TMediaScan scan(*FMedium);
    scan.Content = &content;
    scan.ExamineZip = FExamineZip;
    scan.ExamineRar = FExamineRar;
    scan.Control.stopped = &FStopped;
    scan.Control.poll = [this] { Pump(); };
    scan.OnFolderEntered = [this](const std::string& path) { NoteFolder(path); };
    // A large archive takes long to read: the place then names it.
    scan.OnArchiveEntered = scan.OnFolderEntered;
    BeginWork();
    scan.ScanFolder(FPath, nullptr);
    // Before the block is ended: the details travel in its trailer. The labels stay as the walk
    // left them; Stop works here too.
    if (!FStopped && FReadDetails)
        DetailsSkipped = ReadMediumDetails(*FMedium, FPath, [this] {
                             Pump();
                             return !FStopped;
                         }).skipped;
    if (!FStopped)
        if (auto packed = content.End()) OfferPackedContent(FMedium, std::move(packed));
    UnreadFolders = std::move(scan.UnreadFolders);
    EndWork();
    WriteLabels();
    if (!FStopped) done(mrOk);
}

// The labels show the folder last entered with the counts of that moment. They are written when
// pending events get their turn, which is the only time they can be painted or read: the
// window then shows exactly what writing them on every folder would show, without paying for
// four label updates per folder.
void TfrmMediaRead::NoteFolder(const std::string& path) {
    FShown.path = path;
    FShown.files = FMedium->FileCount;
    FShown.folders = FMedium->FolderCount;
    FShown.total = FMedium->TotalSize;
    FShown.pending = true;
}

void TfrmMediaRead::WriteLabels() {
    if (!FShown.pending) return;
    FShown.pending = false;
    ShowPlace(QString::fromLocal8Bit(FShown.path.data(), qsizetype(FShown.path.size())));
    LabelFiles->setText(QString::number(FShown.files));
    LabelDirectories->setText(QString::number(FShown.folders));
    LabelSize->setText(QString::fromStdString(FormatSize(FShown.total)));
}
