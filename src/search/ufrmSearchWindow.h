// The search progress window: shows the medium or folder being searched and running counts of
// the items visited and the rows found, with a "Stop" button.
#pragma once

#include "app/progresswindow.h"

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
};
