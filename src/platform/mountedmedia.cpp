#include "platform/mountedmedia.h"

#include "catalogue/IO_BZIP.h"
#include "platform/mountinfo.h"

#include <cmath>
#include <cstdio>
#include <iterator>

std::string MountedLocation(const CMedium& medium, const std::vector<MountedVolume>& volumes,
                            const FolderTest& isFolder) {
    const std::string& folder = medium.Additions.Folder;
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

std::string SpaceText(int64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024) return std::to_string(bytes < 0 ? 0 : bytes) + " bytes";
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FreeSpaceText(const TMediumAdditions& reading) {
    if (!reading.HasSpace()) return {};
    std::string text = "Free " + SpaceText(reading.FreeSpace) + " of " + SpaceText(reading.Capacity);
    const double whole = std::floor(reading.ReadTime);
    // Only days a calendar can name; a damaged file may hold anything.
    if (!std::isfinite(whole) || whole < 1 || whole > 2958465) return text;
    int64_t year;
    unsigned month, day;
    CivilFromDays(static_cast<int64_t>(whole) - kDayCountOf1970, year, month, day);
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char when[40];
    std::snprintf(when, sizeof when, " when read on %u %s %d", day, kMonths[month - 1], int(year));
    return text + when;
}
