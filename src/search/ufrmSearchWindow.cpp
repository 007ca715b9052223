#include "search/ufrmSearchWindow.h"

#include "app/languagetranslator.h"
#include "app/modalresult.h"
#include "catalogue/mediaclasses.h"
#include "search/searchrun.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The run as the window sees it: positions are noted as they change and written to the labels
// when pending events get their turn, the only moment labels can be painted or read.
class TWindowSearchRun final : public TSearchRun {
public:
    explicit TWindowSearchRun(TfrmSearchWindow& window)
        : TSearchRun(window.FRequest), window_(window) {
        SetStopFlag(&window.FStopped);
    }

protected:
    void PositionChanged(const CMedium& medium, const CFile* folder) override {
        window_.FItemCount = ItemCount();
        window_.NotePlace(&medium, folder);
    }
    void Poll() override {
        // The clock is read only every few hundred entries: a search visits millions.
        if (++polls_ % 256 != 0) return;
        window_.FItemCount = ItemCount();
        window_.Pump();
    }
    void Waiting() override {
        window_.FItemCount = ItemCount();
        window_.Pump();
    }

private:
    TfrmSearchWindow& window_;
    unsigned polls_ = 0;
};

TfrmSearchWindow::TfrmSearchWindow(QWidget* parent)
    : TProgressWindow("frmSearchWindow", "Searching...", parent) {
    AddCount(LabelSItems, "LabelSItems", "Items:", LabelItems, "LabelItems");
    AddCount(LabelSResults, "LabelSResults", "Results:", LabelResults, "LabelResults");
    FinishLayout(ClientHeight);
    connect(Timer, &QTimer::timeout, this, &TfrmSearchWindow::TimerTimer);
    // Its texts from the language file, once its message keys are registered.
    translator::LoadLanguage(this, nullptr);
}

void TfrmSearchWindow::PrepareSearch(const TSearchRequest& request) {
    FRequest = request;
    FStopped = false;
    Timer->start();
}

void TfrmSearchWindow::TimerTimer() {
    FItemCount = 0;
    // A mask that cannot be compiled ends the run at once, without rows and without a message.
    RunWalkOnTick(FRequest.Catalogue && FRequest.Results, [this] {
        TWindowSearchRun run(*this);
        run.Execute();
        FItemCount = run.ItemCount();
    });
}

void TfrmSearchWindow::WriteLabels() {
    WritePlace();
    LabelItems->setText(QString::number(FItemCount));
    LabelResults->setText(QString::number(FRequest.Results ? FRequest.Results->size() : 0));
}
