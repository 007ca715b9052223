#include "search/ufrmSearchWindow.h"

#include "widgets/languagetranslator.h"
#include "widgets/modalresult.h"
#include "widgets/windowwalk.h"
#include "catalogue/mediaclasses.h"
#include "search/searchrun.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// The search as the window sees it. The clock is read only every few hundred polls, since a
// search visits millions of entries; while the run waits for its workers the window gets every
// turn.
class TWindowSearchRun final : public TWindowWalk<TSearchRun> {
public:
    TWindowSearchRun(TProgressWindow& window, const TSearchRequest& request)
        : TWindowWalk<TSearchRun>(window, request) {}

protected:
    void Poll() override {
        if (++polls_ % 256 == 0) TWindowWalk<TSearchRun>::Poll();
    }
    void Waiting() override { TWindowWalk<TSearchRun>::Poll(); }

private:
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
        TWindowSearchRun run(*this, FRequest);
        run.Execute();
        FItemCount = run.ItemCount();
    });
}

void TfrmSearchWindow::WriteLabels() {
    WritePlace();
    LabelItems->setText(QString::number(FItemCount));
    LabelResults->setText(QString::number(FRequest.Results ? FRequest.Results->size() : 0));
}
