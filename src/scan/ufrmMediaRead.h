// The scan window: a small fixed dialog that shows the folder being read and the running counts
// of the medium while a drive or folder is read into it, with a "Stop" button.
#pragma once

#include "app/progresswindow.h"

class TfrmMediaRead : public TProgressWindow {
    Q_OBJECT
public:
    explicit TfrmMediaRead(QWidget* parent = nullptr);

    // LabelPos: the folder being entered, full path as text.
    QLabel* LabelMFiles;      // "Files:"
    QLabel* LabelFiles;       // the medium's file count
    QLabel* LabelMDirs;       // "Directories:"
    QLabel* LabelDirectories; // the medium's folder count
    QLabel* LabelMSize;       // "Size:"
    QLabel* LabelSize;        // the medium's total as size text

    static constexpr int ClientHeight = 121;
};
