// The application icon, the same artwork the desktop menu and the file manager show
// (packaging/icons/shelvix.svg, embedded as the PNGs rendered from it).
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon ApplicationIcon();
// The icon as a square picture of `side` device-independent pixels for a screen with
// `devicePixelRatio`, smoothly scaled from the largest rendering.
QPixmap ApplicationIconPixmap(int side, qreal devicePixelRatio);
