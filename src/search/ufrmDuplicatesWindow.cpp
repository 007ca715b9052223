#include "search/ufrmDuplicatesWindow.h"

#include "app/modalresult.h"
#include "catalogue/mediaclasses.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The run as the window sees it: positions are noted as they change and written to the labels
// when pending events get their turn.
class TWindowDuplicateRun final : public TDuplicateRun {
public:
    explicit TWindowDuplicateRun(TfrmDuplicatesWindow& window)
        : TDuplicateRun(*window.FCatalogue, window.FOptions), window_(window) {
        SetStopFlag(&window.FStopped);
    }

protected:
    void PositionChanged(const CMedium& medium, const CFile* folder) override {
        window_.FItemCount = ItemCount();
        window_.NotePlace(&medium, folder);
    }
    void Poll() override {
        window_.FItemCount = ItemCount();
        window_.Pump();
    }

private:
    TfrmDuplicatesWindow& window_;
};

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
        TWindowDuplicateRun run(*this);
        run.Execute(*FResult);
        FItemCount = run.ItemCount();
    });
}

void TfrmDuplicatesWindow::WriteLabels() {
    WritePlace();
    LabelItems->setText(QString::number(FItemCount));
}
