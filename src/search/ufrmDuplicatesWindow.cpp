#include "search/ufrmDuplicatesWindow.h"

#include "widgets/modalresult.h"
#include "widgets/windowwalk.h"
#include "catalogue/mediaclasses.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

TfrmDuplicatesWindow::TfrmDuplicatesWindow(QWidget* parent)
    : TProgressWindow("frmDuplicatesWindow", "Finding duplicates...", parent) {
    AddCount(LabelSItems, "LabelSItems", "Items:", LabelItems, "LabelItems");
    FinishLayout(90);
    connect(Timer, &QTimer::timeout, this, &TfrmDuplicatesWindow::TimerTimer);
}

void TfrmDuplicatesWindow::Prepare(CMedienListe* catalogue, const TDuplicateOptions& options,
                                   TDuplicates* result) {
    FCatalogue = catalogue;
    FOptions = options;
    FResult = result;
    FStopped = false;
    Timer->start();
}

void TfrmDuplicatesWindow::TimerTimer() {
    FItemCount = 0;
    RunWalkOnTick(FCatalogue && FResult, [this] {
        TWindowWalk<TDuplicateRun> run(*this, *FCatalogue, FOptions);
        run.Execute(*FResult);
        FItemCount = run.ItemCount();
    });
}

void TfrmDuplicatesWindow::WriteLabels() {
    WritePlace();
    LabelItems->setText(QString::number(FItemCount));
}
