// The progress window of a duplicates search: the medium or folder being walked and the count
// of items visited, with "Stop", as the search's progress window has.
#pragma once

#include "widgets/progresswindow.h"
#include "search/duplicates.h"

#include <cstdint>

class CFile;
class CMedium;

class TfrmDuplicatesWindow : public TProgressWindow {
    Q_OBJECT
public:
    explicit TfrmDuplicatesWindow(QWidget* parent = nullptr);

    QLabel* LabelSItems; // "Items:"
    QLabel* LabelItems;

    // Keeps what to run and arms the timer; the run starts on the first tick while the window
    // is shown modally, and the window closes when it ends.
    void Prepare(CMedienListe* catalogue, const TDuplicateOptions& options, TDuplicates* result);
    void TimerTimer();


private:
    void WriteLabels() override;

    CMedienListe* FCatalogue = nullptr;
    TDuplicateOptions FOptions;
    TDuplicates* FResult = nullptr;
};
