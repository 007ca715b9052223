// Which media are mounted, kept up to date with the system's mount table. The kernel marks
// proc/self/mountinfo with POLLPRI when a file system is mounted or unmounted (a file watcher
// sees nothing, the file's contents are made on reading); a socket notifier of the exception kind
// wakes on that, and the table is read again a moment later, when a burst of mounts is over.
#pragma once

#include "platform/mountedmedia.h"

#include <QObject>
#include <QTimer>
#include <QString>

#include <map>

class QSocketNotifier;

class TMountWatcher : public QObject {
    Q_OBJECT
public:
    // The one watcher of the program, over "/" until told otherwise.
    static TMountWatcher& Instance();

    // Tests point the watcher at a fixture tree and answer its folder question themselves.
    void SetRoot(const std::string& root, FolderTest isFolder = IsExistingFolder);
    // Reads the mount table again; Changed follows when anything could have moved.
    void Refresh();

    // Where the medium's entries lie now; empty when it is not mounted.
    QString Location(const CMedium& medium) const;
    bool IsMounted(const CMedium& medium) const { return !Location(medium).isEmpty(); }

signals:
    void Changed();

private:
    TMountWatcher();
    void Watch();

    std::string root_ = "/";
    FolderTest isFolder_ = IsExistingFolder;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer settle_;
    std::vector<MountedVolume> volumes_;
    // Answers per serial, label and folder: views ask on every paint, and asking means stat().
    mutable std::map<std::string, QString> known_;
};
