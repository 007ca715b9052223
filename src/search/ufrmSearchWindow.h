// The search progress window: shows the medium or folder being searched and running counts of
// the items visited and the rows found, with a "Stop" button.
#pragma once

#include "app/progresswindow.h"
#include "search/searchrequest.h"

#include <chrono>
#include <cstdint>

class CFile;
class CMedium;

class TfrmSearchWindow : public TProgressWindow {
    Q_OBJECT
public:
    explicit TfrmSearchWindow(QWidget* parent = nullptr);

    // LabelPos: the medium or folder being searched.
    QLabel* LabelSItems;   // "Items:"
    QLabel* LabelItems;    // items visited
    QLabel* LabelSResults; // "Results:"
    QLabel* LabelResults;  // rows in the result list

    static constexpr int ClientHeight = 105;

    // Keeps the request and arms the timer; the run starts on the first tick while the window
    // is shown modally, and the window closes with mrCancel when the run ends.
    void PrepareSearch(const TSearchRequest& request);
    void TimerTimer();
    void ButtonStopClick();
    void done(int result) override;

    TSearchRequest FRequest;
    int64_t FItemCount = 0;
    bool FStopped = false;
    // How long the run may go on before pending events get their turn: letting them run at
    // every entry would cost more than the matching. Stop is still seen before the next entry.
    std::chrono::milliseconds PumpInterval{40};

private:
    friend class TWindowSearchRun;
    void NotePosition(const CMedium* medium, const CFile* folder);
    void WriteLabels();
    void Pump();

    bool FRunning = false;
    const CMedium* FPositionMedium = nullptr;
    const CFile* FPositionFolder = nullptr;
    bool FPositionChanged = false;
    std::chrono::steady_clock::time_point FLastPump;
};
