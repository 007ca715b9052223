#include "app/shelvixwindows.h"

#include "app/ufrmCleanUp.h"
#include "app/ufrmImport.h"
#include "app/ufrmInfo.h"
#include "app/ufrmQuickFind.h"
#include "app/ufrmRestore.h"
#include "app/ufrmShelvix.h"
#include "categories/ufrmCategories.h"
#include "categories/ufrmDetailsFiles.h"
#include "scan/ufrmMediaDetails.h"
#include "scan/ufrmMediaRead.h"
#include "search/ufrmSearch.h"
#include "search/ufrmSearchWindow.h"

#include <QApplication>

namespace {
template <typename Window, typename... Args>
std::unique_ptr<Window> Make(QStringList& order, Args&&... args) {
    auto window = std::make_unique<Window>(std::forward<Args>(args)...);
    order << window->objectName();
    return window;
}
} // namespace

TShelvixWindows::TShelvixWindows() {
    frmShelvix = Make<TfrmShelvix>(CreationOrder);
    TfrmShelvix* main = frmShelvix.get();
    // The dialogs belong to the main window's screen; their lifetime is ours.
    frmMediaRead = Make<TfrmMediaRead>(CreationOrder, main);
    frmMediaDetails = Make<TfrmMediaDetails>(CreationOrder, main);
    frmRestore = Make<TfrmRestore>(CreationOrder, &main->ImageListDrives, main);
    frmCleanUp = Make<TfrmCleanUp>(CreationOrder, &main->ImageListDrives, main);
    frmCategories = Make<TfrmCategories>(CreationOrder, main);
    frmSearch = Make<TfrmSearch>(CreationOrder, &main->ImageListDrives, main);
    frmSearchWindow = Make<TfrmSearchWindow>(CreationOrder, main);
    frmInfo = Make<TfrmInfo>(CreationOrder, main);
    frmDetailsFile = Make<TfrmDetailsFile>(CreationOrder, main);
    frmImport = Make<TfrmImport>(CreationOrder, main);
    // Created now, so that the language file reaches it as it reaches the other windows.
    main->DuplicatesDialog();
    frmMediaDetails->SetCategoriesDialog(frmCategories.get());
    frmDetailsFile->SetCategoriesDialog(frmCategories.get());
    frmSearch->SetFolderImages(&main->ImageListFolders);
    frmSearch->SetSearchWindow(frmSearchWindow.get());
    main->SetWindows(this);
}

// Dialogs go before the main window, which is their parent.
TShelvixWindows::~TShelvixWindows() {
    frmImport.reset();
    frmDetailsFile.reset();
    frmInfo.reset();
    frmSearchWindow.reset();
    frmSearch.reset();
    frmCategories.reset();
    frmCleanUp.reset();
    frmRestore.reset();
    frmMediaDetails.reset();
    frmMediaRead.reset();
    if (frmShelvix) frmShelvix->SetWindows(nullptr);
    frmShelvix.reset();
}

bool ShowWindowForCheck(TShelvixWindows& windows, const QString& name) {
    if (name == QLatin1String("FindList")) {
        windows.frmShelvix->QuickFind()->ShowList(true);
        return true;
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name) {
            window->show(); // not modal: the program runs on as the check reads it
            return true;
        }
    return false;
}
