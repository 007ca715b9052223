// Shelvix desktop program: creates the windows and runs until the main window closes. One
// optional argument names a catalogue (.SXF) to open, as file managers pass it.
#include "app/appicon.h"
#include "app/shelvixwindows.h"
#include "app/ufrmShelvix.h"
#include "catalogue/IO_BZIP.h"
#include "platform/volumeinfo.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Shelvix"));
    QApplication::setApplicationVersion(QStringLiteral(SHELVIX_VERSION));
    // The desktop entry's name ties the windows to the menu entry and its icon (Wayland's
    // app id); the icon itself is for desktops that take it from the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("shelvix"));
    QApplication::setWindowIcon(ApplicationIcon());
    InitZoneBias(); // once: stored dates shift by the bias in effect when they were written
    InstallLinuxVolumeInfoReader();

    TShelvixWindows windows;
    TfrmShelvix& main = *windows.frmShelvix;
    main.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) main.OpenCatalogueAtStart(arguments.at(1));
    else main.ReopenLastCatalogue();
    // For the accessibility check: a window of the program opened at start.
    if (const QString shown = qEnvironmentVariable("SHELVIX_OPEN_WINDOW"); !shown.isEmpty())
        ShowWindowForCheck(windows, shown);
    return app.exec();
}
