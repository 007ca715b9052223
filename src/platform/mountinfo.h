// The kernel's table of mounted file systems (/proc/self/mountinfo) and the choice of the mount
// that holds a path. Qt-free; reads nothing itself, so odd tables can be fed in from tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct MountEntry {
    unsigned major = 0; // device of the file system as st_dev reports it
    unsigned minor = 0;
    std::string root;       // folder of the file system that is mounted (bind mounts: not "/")
    std::string mountPoint; // unescaped
    std::string fsType;     // "ext4", "vfat", "fuse.sshfs", ...
    std::string source;     // "/dev/sdb1", "server:/export", "tmpfs", ... unescaped
};

// Undoes the kernel's octal escapes (\040 space, \011 tab, \012 newline, \134 backslash). A
// backslash not followed by three octal digits is kept as it is.
std::string UnescapeMountField(std::string_view field);

// All well-formed lines of a mountinfo text, in table order. Lines that lack fields, the "-"
// separator or a "major:minor" device are skipped rather than guessed at.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// True when `mountPoint` is `path` itself or one of its ancestor folders, compared by whole
// path components ("/media/a" holds "/media/a/x" but not "/media/ab").
bool MountPointHolds(std::string_view mountPoint, std::string_view path);

// The mount of the file system with device major:minor that holds `path`. Several mounts may
// share a device (bind mounts, the same stick mounted twice): the deepest one whose mount point
// holds the path wins, the later one on a tie since later mounts cover earlier ones. When no
// mount of that device holds the path, the last mount of the device is taken. When the device
// is not in the table at all (btrfs subvolumes below a mount report their own anonymous device)
// the deepest mount holding the path is taken. Null when nothing fits.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, unsigned major, unsigned minor,
                            std::string_view path);
