// The program's eleven windows. They are created once, in a fixed order, and live for the whole
// run: later windows use parts of earlier ones (the main window's image lists).
#pragma once

#include <QStringList>
#include <memory>

class TfrmShelvix;
class TfrmMediaRead;
class TfrmMediaDetails;
class TfrmRestore;
class TfrmCleanUp;
class TfrmCategories;
class TfrmSearch;
class TfrmSearchWindow;
class TfrmInfo;
class TfrmDetailsFile;
class TfrmImport;

struct TShelvixWindows {
    TShelvixWindows();
    ~TShelvixWindows();
    TShelvixWindows(const TShelvixWindows&) = delete;
    TShelvixWindows& operator=(const TShelvixWindows&) = delete;

    std::unique_ptr<TfrmShelvix> frmShelvix;
    std::unique_ptr<TfrmMediaRead> frmMediaRead;
    std::unique_ptr<TfrmMediaDetails> frmMediaDetails;
    std::unique_ptr<TfrmRestore> frmRestore;
    std::unique_ptr<TfrmCleanUp> frmCleanUp;
    std::unique_ptr<TfrmCategories> frmCategories;
    std::unique_ptr<TfrmSearch> frmSearch;
    std::unique_ptr<TfrmSearchWindow> frmSearchWindow;
    std::unique_ptr<TfrmInfo> frmInfo;
    std::unique_ptr<TfrmDetailsFile> frmDetailsFile;
    std::unique_ptr<TfrmImport> frmImport;
    // Object names of the windows in the order they were created.
    QStringList CreationOrder;
};

// Shows the window of that object name ("frmSearch") without waiting for it, or the find list in
// the main window for "FindList": SHELVIX_OPEN_WINDOW asks so at start, for the accessibility
// check, which reads one window at a time. False for a name that is none of them.
bool ShowWindowForCheck(TShelvixWindows& windows, const QString& name);
