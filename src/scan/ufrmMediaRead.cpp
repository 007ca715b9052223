#include "scan/ufrmMediaRead.h"

#include "app/modalresult.h"
#include "catalogue/IO_BZIP.h"
#include "catalogue/mediaclasses.h"
#include "scan/mediascan.h"

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
    connect(ButtonStop, &QPushButton::clicked, this, &TfrmMediaRead::ButtonStopClick);
}

void TfrmMediaRead::PrepareScan(CMedium* medium, const std::string& path, bool examineZip,
                                bool examineRar) {
    FMedium = medium;
    FPath = path;
    FExamineZip = examineZip;
    FExamineRar = examineRar;
    FStopped = false;
    Timer->start();
}

void TfrmMediaRead::TimerTimer() {
    if (!isVisible()) return;
    Timer->stop();
    if (!FMedium) return;
    TMediaScan scan(*FMedium);
    scan.ExamineZip = FExamineZip;
    scan.ExamineRar = FExamineRar;
    scan.Control.stopped = &FStopped;
    scan.Control.poll = [this] { Pump(); };
    scan.OnFolderEntered = [this](const std::string& path) { ShowFolder(path); };
    FWalking = true;
    FLastPump = std::chrono::steady_clock::now();
    scan.ScanFolder(FPath, nullptr);
    FWalking = false;
    if (!FStopped) done(mrOk);
}

void TfrmMediaRead::ButtonStopClick() {
    FStopped = true;
    done(mrCancel);
}

void TfrmMediaRead::ShowFolder(const std::string& path) {
    LabelPos->setText(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    LabelFiles->setText(QString::number(FMedium->FileCount));
    LabelDirectories->setText(QString::number(FMedium->FolderCount));
    LabelSize->setText(QString::fromStdString(FormatSize(FMedium->TotalSize)));
}

void TfrmMediaRead::Pump() {
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastPump < PumpInterval) return;
    QCoreApplication::processEvents();
    FLastPump = std::chrono::steady_clock::now();
}

void TfrmMediaRead::done(int result) {
    // The title bar's close button and Escape end in here too (by reject). While the walk runs
    // only Stop ends the scan: the window stays until the walk is through, which then counts as
    // complete.
    if (FWalking && !FStopped) return;
    Timer->stop();
    // Closed before the walk began: nothing was scanned, so the caller must not keep the medium.
    QDialog::done(result == QDialog::Rejected ? mrCancel : result);
}
