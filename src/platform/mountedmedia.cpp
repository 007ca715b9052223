#include "platform/mountedmedia.h"

#include "platform/mountinfo.h"

#include <sys/stat.h>

bool IsExistingFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& relative) {
    std::string out = folder;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    size_t start = 0;
    while (start < relative.size() && relative[start] == '/') ++start;
    if (start == relative.size()) return out.empty() ? std::string("/") : out;
    if (out.empty() || out.back() != '/') out += '/';
    return out + relative.substr(start);
}

std::string MountedLocation(const CMedium& medium, const std::vector<MountedVolume>& volumes,
                            const FolderTest& isFolder) {
    const std::string& folder = medium.Reading.Folder;
    std::string fallback;
    for (const MountedVolume& volume : volumes) {
        if (volume.serial != medium.Serial) continue;
        if (!medium.VolumeLabel.empty() && volume.label != medium.VolumeLabel) continue;
        if (folder.empty()) {
            // Nothing says which part of the file system was read: the whole of it, seen
            // where it is mounted from its own root, is the best guess.
            if (volume.root == "/") return volume.mountPoint;
            if (fallback.empty()) fallback = volume.mountPoint;
            continue;
        }
        // A bind mount shows only part of the file system; the folder must lie inside it.
        if (!MountPointHolds(volume.root, folder)) continue;
        const std::string below = volume.root == "/" ? folder : folder.substr(volume.root.size());
        const std::string location = JoinPath(volume.mountPoint, below);
        if (isFolder(location)) return location;
    }
    return fallback;
}

const CFile& EntryOnDisk(const CFile& entry) {
    const CFile* onDisk = &entry;
    for (const CFile* up = entry.Parent; up; up = up->Parent)
        if (up->Kind != kindFolder) onDisk = up; // archives, and imported files with members
    return *onDisk;
}

std::string RelativePath(const CFile& entry) {
    std::string path(entry.Name());
    for (const CFile* up = entry.Parent; up; up = up->Parent)
        path = std::string(up->Name()) + '/' + path;
    return path;
}
