// Drive type, label and serial of the file system that holds a path, on Linux.
//
// A "drive" is the mounted file system holding the path: its mount point is found in
// proc/self/mountinfo by the path's st_dev. Labels and UUIDs come from udev's dev/disk/by-label
// and by-uuid links, then udev's database (run/udev/data), then an optional device probe
// (libblkid). All tables are read below a root folder, "/" in the program and a fixture tree in
// tests; only the examined path itself is stat()ed on the real file system.
//
// Serial, always 32 bits:
//   FAT, exFAT ("ABCD-EF01")      the volume ID: ABCDEF01
//   NTFS (ntfs, ntfs3, fuseblk of ntfs-3g; 16 hex digits)
//                                 the low 32 bits, i.e. the last 8 digits
//   ISO 9660, UDF                 CRC-32 of the UUID text (for ISO 9660 the creation time,
//                                 "2024-01-02-03-04-05-00"), so the same disc gives the same serial
//   any other UUID                its first 8 hex digits; a UUID with fewer, or with other
//                                 characters, gives the CRC-32 of its text
//   no UUID (tmpfs, network, overlay, proc, a disc without one)
//                                 FNV-1a of mount source, a NUL byte and the mount point
//
// Drive type, first match wins:
//   4 remote   network file systems (nfs, cifs, sshfs, 9p, ceph, ...), FUSE mounts of a URL
//   6 RAM disk tmpfs, ramfs, devtmpfs
//   5 optical  iso9660, udf, sr devices and SCSI CD/DVD units
//   2 removable block device whose disk (or a disk beneath its dm/md stack) has the removable
//              flag, sits on a USB bus, or is an SD card
//   3 fixed    any other block device, loop devices included
//   0 unknown  everything else: overlay, proc, sysfs, FUSE without a device. Overlay is a union of
//              other file systems with no single device to judge, so it does not claim "fixed".
//   1          the path does not exist or is not a folder (and the lookup fails)
// A folder that exists but whose mount table cannot be read fails with 0.
#pragma once

#include "catalogue/mediaclasses.h"
#include "scan/ZipDirReader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

enum DriveTypeCode : uint32_t {
    driveUnknown = 0,
    driveNoRoot = 1,
    driveRemovable = 2,
    driveFixed = 3,
    driveRemote = 4,
    driveOptical = 5,
    driveRamDisk = 6,
};

// Reads label and UUID from a device node such as "/dev/sdb1". Fills only what it finds;
// false when the device cannot be read.
using DeviceProbe =
    std::function<bool(const std::string& deviceNode, std::string& label, std::string& uuid)>;

// The libblkid probe when the program was built with it (SHELVIX_HAVE_BLKID), else empty.
DeviceProbe BlkidDeviceProbe();

// Everything learnt about the drive of one path; `info` is what the catalogue stores.
struct VolumeDetails {
    bool ok = false;        // a mounted file system was found
    VolumeInfo info;        // driveType is set even when ok is false
    std::string mountPoint; // the drive part of the path
    std::string fsType;
    std::string source;
    std::string device; // kernel name of the block device, empty when none
    std::string uuid;
};

struct MountEntry;

// A file system mounted now, with the serial and label Add would read from it.
struct MountedVolume {
    std::string mountPoint;
    std::string root;   // the folder of the file system mounted there ("/" but for bind mounts)
    std::string serial; // 8 upper-case hex digits, as CMedium::Serial
    std::string label;
};

class TLinuxVolumes {
public:
    explicit TLinuxVolumes(std::string root = "/", DeviceProbe probe = {});

    // stat()s `path`: a path that does not exist or is not a folder gives driveType 1 and false.
    bool Lookup(const std::string& path, VolumeInfo& info) const;
    VolumeDetails Describe(const std::string& path) const;

    // The same for a path whose st_dev is already known. `path` picks among several mounts of
    // one device (bind mounts) and stands in when the device is not in the mount table.
    bool LookupDevice(dev_t device, const std::string& path, VolumeInfo& info) const;
    VolumeDetails DescribeDevice(dev_t device, const std::string& path) const;

    // What the ZIP reader needs of the drive holding an archive. A file system missing from the
    // mount table still has a root, so that a single archive on it can be read.
    ZipDrive ArchiveDrive(dev_t device, const std::string& path) const;

    // Every file system in the mount table, in table order.
    std::vector<MountedVolume> MountedVolumes() const;

private:
    VolumeDetails DescribeMount(const MountEntry& mount) const;

    std::string root_;
    DeviceProbe probe_;
};

bool IsRemoteFileSystem(std::string_view fsType, std::string_view source);
uint32_t VolumeSerial(std::string_view fsType, std::string_view uuid, std::string_view source,
                      std::string_view mountPoint);

// Makes CMedium::ReadVolumeInfo and the scan's ZIP reader use TLinuxVolumes over "/" with the
// libblkid probe if built in.
void InstallLinuxVolumeInfoReader();

// Whether `path` names a folder, links followed.
bool IsExistingFolder(const std::string& path);
// `folder` + "/" + `relative`, with one slash between them whatever either brings.
std::string JoinPath(const std::string& folder, const std::string& relative);
// The kernel's table of mounted file systems below `root` ("/" in the program).
std::string MountTablePath(const std::string& root);

// Where the folder chooser starts: the first existing folder of /media/<user>,
// /run/media/<user>, /media and /mnt, else "/". The user is $USER, or the account's name.
std::string RemovableMediaFolder();
// The same below `root` for a given user; the answer includes the root.
std::string RemovableMediaFolder(const std::string& root, const std::string& user);
