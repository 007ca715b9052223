// The search progress window: shows the medium or folder being searched and running counts of
// the items visited and the rows found, with a "Stop" button.
#pragma once

#include "widgets/progresswindow.h"
#include "search/searchrequest.h"

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

    TSearchRequest FRequest;

private:
    void WriteLabels() override;
};
