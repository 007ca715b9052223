// The search progress window: shows the medium or folder being searched and running counts of
// the items visited and the rows found, with a "Stop" button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

class TfrmSearchWindow : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSearchWindow(QWidget* parent = nullptr);

    QLabel* LabelPos;      // medium or folder being searched; cut at its fixed width
    QLabel* LabelSItems;   // "Items:"
    QLabel* LabelItems;    // items visited
    QLabel* LabelSResults; // "Results:"
    QLabel* LabelResults;  // rows in the result list
    QPushButton* ButtonStop;
    QTimer* Timer; // starts the run once the window is visible; 100 ms, stopped at creation

    static constexpr int ClientWidth = 265;
    static constexpr int ClientHeight = 105;
};
