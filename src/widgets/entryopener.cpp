#include "widgets/entryopener.h"

#include "language/messagetable.h"
#include "platform/beneath.h"
#include "platform/mountedmedia.h"
#include "reports/entrytext.h"
#include "widgets/interaction.h"
#include "widgets/mountwatcher.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileInfo>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QMenu>

namespace {

QString Bytes(std::string_view text) { return QString::fromLocal8Bit(QByteArrayView(text)); }

QString Quoted(std::string_view text) {
    return QStringLiteral("\u00AB") + Bytes(text) + QStringLiteral("\u00BB");
}

QString NotMountedText(const CMedium& medium) {
    return QStringLiteral("Insert or mount %1 to open this file").arg(Quoted(medium.Name));
}

// The path from the medium's folder to what lies on disk for `onDisk`, or to the folder holding it
// ("" at the medium's top).
std::string RelativeText(const CFile& onDisk, bool containingFolder) {
    return containingFolder ? EntryLocationText(onDisk) : EntryPathText(onDisk);
}

} // namespace

TEntryOpener::TEntryOpener(QAbstractItemView* view, EntryAt entryAt, Say say)
    : QObject(view), view_(view), entryAt_(std::move(entryAt)), say_(std::move(say)) {
    actOpen = new QAction(QStringLiteral("&Open"), this);
    actOpenContaining = new QAction(QStringLiteral("Open &containing folder"), this);
    menu_ = new QMenu(view);
    menu_->addAction(actOpen);
    menu_->addAction(actOpenContaining);
    connect(actOpen, &QAction::triggered, this, [this] { Open(Current(), false); });
    connect(actOpenContaining, &QAction::triggered, this, [this] { Open(Current(), true); });
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, &TEntryOpener::ShowMenu);
    view->installEventFilter(this);
}

void TEntryOpener::AddToMenu(QAction* action) {
    menu_->addSeparator();
    menu_->addAction(action);
}

std::function<void(CMedium*, const QString&)>& TEntryOpener::UpdateMedium() {
    static std::function<void(CMedium*, const QString&)> update;
    return update;
}

CFile* TEntryOpener::Current() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? entryAt_(current) : nullptr;
}

QString TEntryOpener::PathOnDisk(const CFile& entry, bool containingFolder) {
    const QString location = TMountWatcher::Instance().Location(*entry.Medium);
    if (location.isEmpty()) return {};
    const std::string relative = RelativeText(EntryOnDisk(entry), containingFolder);
    return QString::fromLocal8Bit(JoinPath(location.toLocal8Bit().toStdString(), relative).c_str());
}

bool TEntryOpener::Open(CFile* entry, bool containingFolder) {
    if (!entry) return false;
    CMedium& medium = *entry->Medium;
    const QString location = TMountWatcher::Instance().Location(medium);
    if (location.isEmpty()) {
        say_(NotMountedText(medium));
        return false;
    }
    // Names come from the catalogue and links from the medium: only what lies beneath the
    // medium's folder is handed to the desktop, as the path it resolved to.
    const std::string relative = RelativeText(EntryOnDisk(*entry), containingFolder);
    const TBeneathPath found = ResolveBeneath(location.toLocal8Bit().toStdString(), relative);
    if (found.result == TBeneath::Outside) {
        say_(QStringLiteral("%1 leads off %2 (through \"..\", an absolute name or a symbolic link): "
                            "it is refused, not opened")
                 .arg(Quoted(relative), Quoted(medium.Name)));
        return false;
    }
    if (found.result == TBeneath::Failed) {
        say_(WithFileReason(QStringLiteral("Could not open %1").arg(Quoted(relative)),
                            location, found.error)
                 .replace(u'\n', QStringLiteral(": ")));
        return false;
    }
    const QString path = Bytes(found.path);
    if (found.result == TBeneath::Missing) {
        // At the medium's top the containing folder has no name of its own: name the entry.
        const CFile& onDisk = EntryOnDisk(*entry);
        const QString gone = QStringLiteral("%1 is no longer on %2; update the medium to see its current content")
                                 .arg(Quoted(RelativeText(onDisk, containingFolder && onDisk.Parent)),
                                      Quoted(medium.Name));
        say_(gone);
        const auto& update = UpdateMedium();
        if (update &&
            Interaction().MessageBox(view_->window(), QString::fromStdString(ShelvixMessages::msgQuestion),
                                     gone + QStringLiteral(".\r\rUpdate %1 now?").arg(Quoted(medium.Name)),
                                     TMessageButtons::YesNo) == mrYes)
            update(&medium, TMountWatcher::Instance().Location(medium));
        return false;
    }
    if (!Interaction().OpenDocument(path)) {
        say_(QStringLiteral("Could not open %1").arg(path));
        TellNoApplication(path);
        return false;
    }
    say_(QString());
    return true;
}

// The desktop found no program for the file, or could not start it: the user is told in a box
// that cannot be missed, with the file's type, and may take the path to open it some other way.
void TEntryOpener::TellNoApplication(const QString& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(path).comment();
    const QString text = QString::fromStdString(ShelvixMessages::msgNoApplication).arg(path, type);
    const QStringList answers = {QString::fromStdString(ShelvixMessages::msgCopyPath),
                                 QString::fromStdString(ShelvixMessages::msgClose)};
    if (Interaction().Choose(view_->window(), QString::fromStdString(ShelvixMessages::msgHint), text,
                             answers) == 0)
        QGuiApplication::clipboard()->setText(path);
}

void TEntryOpener::ShowMenu(const QPoint& position) {
    CFile* entry = Current();
    if (!entry) return;
    const bool mounted = TMountWatcher::Instance().IsMounted(*entry->Medium);
    actOpen->setEnabled(mounted);
    actOpenContaining->setEnabled(mounted);
    if (!mounted) say_(NotMountedText(*entry->Medium));
    menu_->popup(view_->viewport()->mapToGlobal(position));
}

bool TEntryOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        CFile* entry = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ? Current() : nullptr;
        // Enter opens files; on a folder it keeps doing what the view does with it.
        if (entry && entry->Kind != kindFolder) {
            Open(entry, false);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
