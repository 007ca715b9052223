// Icons come from the desktop's freedesktop icon theme. Minimal systems (containers, offscreen
// and xvfb runs) often have no theme at all, so every slot names a Qt standard pixmap that is
// used when none of its theme names exists; the lists are then never short of an icon.
#include "widgets/imagelists.h"

#include <QApplication>
#include <QStyle>

#include <array>
#include <initializer_list>

QIcon TImageList::At(int index) const {
    if (index < 0 || index >= Count()) return {};
    return icons_[static_cast<size_t>(index)];
}

void TImageList::Set(int index, const QIcon& icon) {
    if (index < 0) return;
    if (index >= Count()) icons_.resize(static_cast<size_t>(index) + 1);
    icons_[static_cast<size_t>(index)] = icon;
}

namespace {

struct Slot {
    int index;
    std::array<const char*, 2> themeNames; // the first one the theme has wins; may be null
    QStyle::StandardPixmap fallback;
};

QIcon IconFor(const Slot& slot) {
    for (const char* name : slot.themeNames) {
        if (!name) continue;
        const QString themeName = QString::fromLatin1(name);
        if (QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
    }
    // Standard pixmaps need a widget style, which only a QApplication has.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return {};
    return QApplication::style()->standardIcon(slot.fallback);
}

TImageList Build(std::initializer_list<Slot> table) {
    TImageList list;
    for (const Slot& slot : table) list.Set(slot.index, IconFor(slot));
    return list;
}

} // namespace

TImageList MakeImageListMenu() {
    return Build({
        {0, {"document-new"}, QStyle::SP_FileIcon},
        {1, {"document-open"}, QStyle::SP_DialogOpenButton},
        {2, {"document-save"}, QStyle::SP_DialogSaveButton},
        {32, {"edit-find", "system-search"}, QStyle::SP_FileDialogContentsView},
        {33, {"document-properties"}, QStyle::SP_FileDialogInfoView},
        {34, {"edit-undo", "view-restore"}, QStyle::SP_ArrowBack},
        {36, {"package-x-generic"}, QStyle::SP_FileDialogDetailedView},
        {37, {"list-add"}, QStyle::SP_FileDialogNewFolder},
        {38, {"list-remove"}, QStyle::SP_TrashIcon},
        {39, {"view-refresh"}, QStyle::SP_BrowserReload},
        {40, {"help-contents", "help-browser"}, QStyle::SP_MessageBoxQuestion},
        {41, {"view-preview"}, QStyle::SP_FileDialogInfoView},
        {42, {"view-list-icons"}, QStyle::SP_FileDialogListView},
    });
}

TImageList MakeImageListDrives() {
    return Build({
        {0, {"drive-removable-media"}, QStyle::SP_DriveFDIcon},
        {1, {"drive-harddisk"}, QStyle::SP_DriveHDIcon},
        {2, {"network-server", "folder-remote"}, QStyle::SP_DriveNetIcon},
        {3, {"media-optical"}, QStyle::SP_DriveCDIcon},
        {4, {"media-flash", "drive-harddisk"}, QStyle::SP_ComputerIcon},
        {5, {"dialog-error"}, QStyle::SP_MessageBoxCritical},
        {6, {"dialog-question"}, QStyle::SP_MessageBoxQuestion},
        {7, {"user-trash"}, QStyle::SP_TrashIcon},
        {8, {"folder"}, QStyle::SP_DirIcon},
        {9, {"dialog-warning"}, QStyle::SP_MessageBoxWarning},
    });
}

TImageList MakeImageListFolders() {
    return Build({
        {0, {"folder"}, QStyle::SP_DirIcon},
        {2, {"text-x-generic"}, QStyle::SP_FileIcon},
        {3, {"package-x-generic"}, QStyle::SP_FileDialogDetailedView},
        {4, {"drive-harddisk"}, QStyle::SP_DriveHDIcon},
    });
}
