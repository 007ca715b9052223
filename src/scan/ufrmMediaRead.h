// The scan window: a small fixed dialog that shows the folder being read and the running counts
// of the medium while a drive or folder is read into it, with a "Stop" button.
#pragma once

#include "widgets/progresswindow.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class CMedium;

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

    // Remembers what to scan and arms the timer; nothing is read until the window is shown
    // modally. The result of exec() is mrOk when the walk ran to its end, mrCancel after Stop.
    // With `readDetails`, the files' details are read after the walk (details/mediumdetails.h).
    void PrepareScan(CMedium* medium, const std::string& path, bool examineZip, bool examineRar,
                     bool readDetails = false);
    // Starts the walk on the first tick while the window is visible.
    void TimerTimer();

    CMedium* FMedium = nullptr; // not owned
    std::string FPath;
    bool FExamineZip = false;
    bool FExamineRar = false;
    bool FReadDetails = false;
    // Of the last scan: the folders that could not be read and stay empty or incomplete.
    std::vector<std::string> UnreadFolders;
    // Of the last scan: files whose details the reader failed on.
    int DetailsSkipped = 0;

private:
    // The folder just entered and the counts at that moment, as the labels are to show them.
    struct FolderShown {
        std::string path;
        int32_t files = 0, folders = 0;
        int64_t total = 0;
        bool pending = false;
    };
    void NoteFolder(const std::string& path);
    void WriteLabels() override;

    FolderShown FShown;
};
