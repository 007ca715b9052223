#include "app/appicon.h"

#include <QString>

// The icons are compiled into a static library: without a reference the linker drops them.
static void LoadIcons() { Q_INIT_RESOURCE(icons); }

namespace {

const QString Large = QStringLiteral(":/icons/shelvix-256.png");
const QString Small = QStringLiteral(":/icons/shelvix-48.png");

} // namespace

QIcon ApplicationIcon() {
    LoadIcons();
    QIcon icon;
    icon.addFile(Small);
    icon.addFile(Large);
    return icon;
}

QPixmap ApplicationIconPixmap(int side, qreal devicePixelRatio) {
    LoadIcons();
    const int pixels = qRound(side * devicePixelRatio);
    QPixmap pixmap = QPixmap(Large).scaled(pixels, pixels, Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
