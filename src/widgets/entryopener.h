// "Open" and "Open containing folder" for the entries a view shows: the file as it lies on its
// medium now, handed to the desktop's default application. One opener serves the explorer, the
// search results and the duplicates; each tells it how to find the entry of a row and where its
// status line is.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CFile;
class CMedium;
class QAbstractItemView;
class QAction;
class QMenu;
class QWidget;

class TEntryOpener : public QObject {
    Q_OBJECT
public:
    using EntryAt = std::function<CFile*(const QModelIndex&)>;
    using Say = std::function<void(const QString&)>;
    // The opener belongs to the view; the view's context menu becomes the opener's.
    TEntryOpener(QAbstractItemView* view, EntryAt entryAt, Say say);

    QAction* actOpen;
    QAction* actOpenContaining;
    // Puts a command of the view's own below Open in its context menu (Details, in the explorer).
    void AddToMenu(QAction* action);

    // Where Open would go for an entry, whether or not it is there; empty when its medium is not
    // mounted.
    static QString PathOnDisk(const CFile& entry, bool containingFolder);
    // Opens the entry or the folder holding it. When it cannot, says why in the status line; an
    // entry gone from its medium offers to update the medium. False when nothing was opened.
    bool Open(CFile* entry, bool containingFolder);

    // How an update of a medium is run, and on which folder; the main window sets it.
    static std::function<void(CMedium* medium, const QString& folder)>& UpdateMedium();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CFile* Current() const;
    void TellNoApplication(const QString& path);
    void ShowMenu(const QPoint& position);

    QAbstractItemView* view_;
    EntryAt entryAt_;
    Say say_;
    QMenu* menu_;
};
