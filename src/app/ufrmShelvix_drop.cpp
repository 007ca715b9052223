// Dropping on the main window from the file manager: a folder (a mounted drive is one) runs Add
// for it, a catalogue file (*.SXF) runs Open for it; the chooser step of either is what the drop
// replaces. Anything else, more than one item among them, is refused, so the cursor shows it
// cannot be dropped.
#include "app/ufrmShelvix.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

enum class TDropped { Nothing, Folder, Catalogue };

// What a drop would bring, and its local path.
TDropped DroppedItem(const QMimeData* data, QString& path) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return TDropped::Nothing;
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return TDropped::Nothing;
    path = url.toLocalFile();
    const QFileInfo file(path);
    if (file.isDir()) return TDropped::Folder;
    if (file.isFile() && file.suffix().compare(QStringLiteral("SXF"), Qt::CaseInsensitive) == 0)
        return TDropped::Catalogue;
    return TDropped::Nothing;
}

// The drop asks for a copy (or a link) of what it brings: a source that may only move it is
// refused, since a file manager would delete or hide the folder after a move.
Qt::DropAction OfferedAction(const QDropEvent* event) {
    if (event->possibleActions() & Qt::CopyAction) return Qt::CopyAction;
    if (event->possibleActions() & Qt::LinkAction) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// Accepted only what can be dropped, and nothing while a catalogue is read or written.
bool Acceptable(QDropEvent* event, bool busy, QString& path, TDropped& item) {
    item = busy ? TDropped::Nothing : DroppedItem(event->mimeData(), path);
    const Qt::DropAction action = OfferedAction(event);
    if (item == TDropped::Nothing || action == Qt::IgnoreAction) {
        event->ignore();
        return false;
    }
    event->setDropAction(action);
    event->accept();
    return true;
}

} // namespace

void TfrmShelvix::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void TfrmShelvix::dragMoveEvent(QDragMoveEvent* event) {
    QString path;
    TDropped item;
    Acceptable(event, FBusy, path, item);
}

// The command runs once the drop has returned: the source's drag loop is not kept waiting for a
// whole scan, and the command's own dialogs do not open inside the drop.
void TfrmShelvix::dropEvent(QDropEvent* event) {
    QString path;
    TDropped item;
    if (!Acceptable(event, FBusy, path, item)) return;
    QMetaObject::invokeMethod(
        this,
        [this, path, item] {
            if (FBusy) return; // a load or save began before the queue came round
            if (item == TDropped::Folder) {
                if (!CheckChangedOnDisk()) AddMediaFolder(path);
            } else {
                OpenCatalogueChosenBy([&path] { return QFileInfo(path).absoluteFilePath(); });
            }
        },
        Qt::QueuedConnection);
}
