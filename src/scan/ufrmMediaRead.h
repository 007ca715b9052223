// The scan window: a small fixed dialog that shows the folder being read and the running counts
// of the medium while a drive or folder is read into it, with a "Stop" button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

class TfrmMediaRead : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMediaRead(QWidget* parent = nullptr);

    QLabel* LabelPos;         // folder being entered; cut at its fixed width, full path as text
    QLabel* LabelMFiles;      // "Files:"
    QLabel* LabelFiles;       // the medium's file count
    QLabel* LabelMDirs;       // "Directories:"
    QLabel* LabelDirectories; // the medium's folder count
    QLabel* LabelMSize;       // "Size:"
    QLabel* LabelSize;        // the medium's total as size text
    QPushButton* ButtonStop;
    QTimer* Timer; // starts the walk once the window is visible; 100 ms, stopped at creation

    static constexpr int ClientWidth = 265;
    static constexpr int ClientHeight = 121;
};
