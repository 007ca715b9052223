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

// Accepted only what can be dropped, and nothing while a catalogue is read or written.
template <typename Event> void Judge(Event* event, bool busy) {
    QString path;
    if (!busy && DroppedItem(event->mimeData(), path) != TDropped::Nothing)
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace

void TfrmShelvix::dragEnterEvent(QDragEnterEvent* event) { Judge(event, FBusy); }

void TfrmShelvix::dragMoveEvent(QDragMoveEvent* event) { Judge(event, FBusy); }

void TfrmShelvix::dropEvent(QDropEvent* event) {
    QString path;
    const TDropped item = FBusy ? TDropped::Nothing : DroppedItem(event->mimeData(), path);
    if (item == TDropped::Nothing) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (item == TDropped::Folder) {
        if (!CheckChangedOnDisk()) AddMediaFolder(path);
    } else {
        OpenCatalogueChosenBy([&path] { return QFileInfo(path).absoluteFilePath(); });
    }
}
