// What sysfs and udev say about the block device behind a mount: its kernel name, the disk it
// sits on, whether that disk is removable or optical, and the file system's label and UUID.
// Everything is read below a root folder so tests can point it at a fixture tree; missing or
// odd files only make the answer less specific, never an error.
#pragma once

#include <string>
#include <string_view>

struct BlockDeviceFacts {
    bool isBlock = false;   // the mount is backed by a block device
    std::string name;       // kernel name: "sdb1", "dm-0", "sr0", "nvme0n1p2"; empty when unknown
    std::string disk;       // the whole disk holding it: "sdb", "dm-0", "sr0", "nvme0n1"
    bool removable = false; // removable flag, USB bus or SD card, here or beneath a dm/md device
    bool optical = false;   // sr device or a SCSI CD/DVD unit
    std::string label;      // file system label, unescaped; empty when none is known
    std::string uuid;       // file system UUID as udev writes it ("ABCD-EF01", "3f2a...")
};

// Undoes udev's \xHH escapes in /dev/disk/by-* names and ID_FS_LABEL_ENC values. Anything
// else, including a backslash without two hex digits, is kept as it is.
std::string UnescapeUdevName(std::string_view name);

class TBlockDevices {
public:
    explicit TBlockDevices(std::string root);

    // `major`:`minor` and `source` are the mount's device and source from mountinfo. The
    // device numbers are anonymous (major 0) for btrfs and FUSE-block mounts, so the source
    // name is tried as well. `identityOnly` leaves out the disk and what kind it is (disk,
    // removable, optical), for callers that want only the name, label and UUID.
    BlockDeviceFacts Describe(unsigned major, unsigned minor, const std::string& source,
                              bool identityOnly = false) const;

private:
    std::string Under(std::string_view relative) const;
    std::string Resolve(std::string_view relative) const;
    std::string DiskOf(const std::string& name, const std::string& sysPath) const;
    bool DiskRemovable(const std::string& disk, int depth) const;
    bool DiskOptical(const std::string& disk) const;
    void ReadLinks(const char* folder, const std::string& a, const std::string& b,
                   std::string& value) const;
    void ReadUdevData(const std::string& devNumbers, BlockDeviceFacts& facts) const;

    std::string root_;          // as given, with a trailing '/'
    std::string canonicalRoot_; // resolved, to cut sysfs paths back to their place in the tree
};
