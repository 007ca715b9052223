#include "widgets/windowsettings.h"

std::unique_ptr<QSettings> WindowSettings() {
    // Named here rather than after the application, so every program of the package (and its
    // tests, which point $XDG_CONFIG_HOME elsewhere) finds the same file.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("shelvix"), QStringLiteral("shelvix"));
}
