#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "search/ufrmSearch.h"
#include "support/qtprinters.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(Startup, ElevenWindowsInTheirOrder) {
    TShelvixWindows windows;
    EXPECT_EQ(windows.CreationOrder.join(' '),
              "frmShelvix frmMediaRead frmMediaDetails frmRestore frmCleanUp frmCategories "
              "frmSearch frmSearchWindow frmInfo frmDetailsFile frmImport");
    EXPECT_EQ(windows.frmShelvix->Windows(), &windows);
    // Dialogs are owned by the run, shown over the main window, and hidden until needed.
    EXPECT_EQ(windows.frmSearch->parentWidget(), windows.frmShelvix.get());
    EXPECT_FALSE(windows.frmSearch->isVisible());
    const QStringList captions = {"Shelvix", "Examining Media...", "Media Details", "Restore",
                                  "Clean up", "Categories", "Search", "Searching...",
                                  "Information", "Details", "Import"};
    QStringList shown;
    for (const QString& name : windows.CreationOrder) {
        QWidget* w = name == "frmShelvix" ? windows.frmShelvix.get()
                                          : windows.frmShelvix->findChild<QWidget*>(name);
        shown << (w ? w->windowTitle() : QStringLiteral("<missing>"));
    }
    EXPECT_EQ(shown, captions);
}
