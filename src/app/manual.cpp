#include "app/manual.h"

#include <QDir>
#include <QFileInfo>

QString FindManual(const QString& programDir) {
    const QDir dir(programDir);
    // The build copies the manual beside the program; an installation keeps it with the data,
    // found relative to the program first so that a moved installation still finds it.
    const QString candidates[] = {
        dir.filePath(QStringLiteral("manual/shelvix.html")),
        dir.filePath(QStringLiteral(SHELVIX_MANUAL_FROM_PROGRAM "/shelvix.html")),
        QStringLiteral(SHELVIX_MANUAL_INSTALLED "/shelvix.html"),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).absoluteFilePath();
    return {};
}
