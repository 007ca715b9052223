#include "widgets/mountwatcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

TMountWatcher& TMountWatcher::Instance() {
    static TMountWatcher* watcher = new TMountWatcher; // lives as long as the program
    return *watcher;
}

TMountWatcher::TMountWatcher() {
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(&settle_, &QTimer::timeout, this, &TMountWatcher::Refresh);
    Watch();
    Refresh();
}

void TMountWatcher::SetRoot(const std::string& root, FolderTest isFolder) {
    root_ = root.empty() ? std::string("/") : root;
    isFolder_ = std::move(isFolder);
    Watch();
    Refresh();
}

void TMountWatcher::Watch() {
    delete notifier_;
    notifier_ = nullptr;
    if (fd_ >= 0) ::close(fd_);
    const std::string table = MountTablePath(root_);
    fd_ = ::open(table.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return; // no table to watch: the state stays as last read
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        // Reading the open file to its end is what acknowledges the change to the kernel on
        // older kernels; newer ones do it in poll itself.
        char buffer[4096];
        ::lseek(fd_, 0, SEEK_SET);
        while (::read(fd_, buffer, sizeof buffer) > 0) {}
        settle_.start();
    });
}

void TMountWatcher::Refresh() {
    // The device probe reads real devices, which a fixture tree does not have.
    volumes_ = TLinuxVolumes(root_, root_ == "/" ? BlkidDeviceProbe() : DeviceProbe()).MountedVolumes();
    known_.clear();
    emit Changed();
}

QString TMountWatcher::Location(const CMedium& medium) const {
    std::string key = medium.Serial;
    key += '\0';
    key += medium.VolumeLabel;
    key += '\0';
    key += medium.Additions.Folder;
    const auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    const QString location =
        QString::fromLocal8Bit(MountedLocation(medium, volumes_, isFolder_).c_str());
    known_.emplace(std::move(key), location);
    return location;
}
