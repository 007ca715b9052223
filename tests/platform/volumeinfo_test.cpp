#include "platform/mountedmedia.h"
#include "platform/volumeinfo.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

// Builds a root folder shaped like a Linux machine's /proc, /sys, /dev and /run.
class FakeMachine {
public:
    explicit FakeMachine(const std::string& root) : root_(root) {}
    void Dir(const std::string& rel) { fs::create_directories(root_ + "/" + rel); }
    void File(const std::string& rel, const std::string& text) {
        Dir(fs::path(rel).parent_path().string());
        WriteWholeFile(root_ + "/" + rel, text);
    }
    void Link(const std::string& rel, const std::string& target) {
        Dir(fs::path(rel).parent_path().string());
        fs::create_symlink(target, root_ + "/" + rel);
    }
    // A disk in sysfs with /sys/block/<disk> and /sys/dev/block links, and its partitions.
    void Disk(const std::string& devicePath, const std::string& disk, const std::string& removable,
              const std::string& devNumbers) {
        const std::string dir = "sys/devices/" + devicePath + "/block/" + disk;
        File(dir + "/removable", removable + "\n");
        File(dir + "/dev", devNumbers + "\n");
        Link("sys/block/" + disk, "../devices/" + devicePath + "/block/" + disk);
        Link("sys/class/block/" + disk, "../../devices/" + devicePath + "/block/" + disk);
        Link("sys/dev/block/" + devNumbers, "../../devices/" + devicePath + "/block/" + disk);
    }
    void Partition(const std::string& devicePath, const std::string& disk, const std::string& part,
                   const std::string& devNumbers, bool partitionFile = true) {
        const std::string dir = "sys/devices/" + devicePath + "/block/" + disk + "/" + part;
        File(dir + "/dev", devNumbers + "\n");
        if (partitionFile) File(dir + "/partition", "1\n");
        const std::string target = "../../devices/" + devicePath + "/block/" + disk + "/" + part;
        Link("sys/class/block/" + part, target);
        Link("sys/dev/block/" + devNumbers, target);
    }
    void Label(const std::string& escaped, const std::string& device) {
        Link("dev/disk/by-label/" + escaped, "../../" + device);
    }
    void Uuid(const std::string& uuid, const std::string& device) {
        Link("dev/disk/by-uuid/" + uuid, "../../" + device);
    }

private:
    std::string root_;
};

const char* const kUsbHost = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
const char* const kUsbDisk = "pci0000:00/0000:00:14.0/usb3/3-2/3-2:1.0/host7/target7:0:0/7:0:0:0";
const char* const kSata = "pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0";
const char* const kSataCd = "pci0000:00/0000:00:17.0/ata4/host3/target3:0:0/3:0:0:0";
const char* const kSata5 = "pci0000:00/0000:00:17.0/ata5/host4/target4:0:0/4:0:0:0";
const char* const kNvme = "pci0000:00/0000:00:1d.0/nvme/nvme0";

const char* const kMountInfo =
    "22 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
    "30 22 8:17 / /media/alice/MY\\040STICK rw,nosuid shared:50 master:3 - vfat /dev/sdb1 rw\n"
    "31 22 8:33 / /media/alice/Backup rw - ntfs3 /dev/sdc1 rw\n"
    "32 22 11:0 / /media/alice/HOLIDAY_2024 ro - iso9660 /dev/sr0 ro\n"
    "33 22 0:45 / /mnt/nfs rw - nfs4 fileserver:/export/home rw,vers=4.2\n"
    "34 22 0:46 / /tmp rw - tmpfs tmpfs rw\n"
    "35 22 0:47 / /var/lib/containers/merged rw - overlay overlay rw,lowerdir=/a:/b\n"
    "36 22 254:0 / /srv/secure rw - ext4 /dev/mapper/luks-1 rw\n"
    "37 22 7:0 / /mnt/image rw - ext4 /dev/loop0 rw\n"
    "38 22 0:48 / /media/alice/Win rw - fuseblk /dev/sde1 rw\n"
    "39 22 179:1 / /media/alice/SDCARD rw - exfat /dev/mmcblk0p1 rw\n"
    "40 22 0:49 / /home/alice/remote rw - fuse.sshfs alice@host:/home rw\n"
    "41 22 8:17 /photos /home/alice/photos rw - vfat /dev/sdb1 rw\n"
    "42 22 0:20 / /proc rw - proc proc rw\n"
    "43 22 0:50 / /mnt/dav rw - fuse https://dav.example.com/files rw\n"
    "44 22 0:51 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n";

void BuildMachine(const std::string& root) {
    FakeMachine m(root);
    m.File("proc/self/mountinfo", kMountInfo);
    m.Disk(kNvme, "nvme0n1", "0", "259:0");
    m.Partition(kNvme, "nvme0n1", "nvme0n1p2", "259:2");
    m.Label("System", "nvme0n1p2");
    m.Uuid("3f2a9c1e-7b44-4d0e-9a5c-0c1d2e3f4a5b", "nvme0n1p2");
    // USB stick: removable flag set.
    m.Disk(kUsbHost, "sdb", "1", "8:16");
    m.Partition(kUsbHost, "sdb", "sdb1", "8:17");
    m.Label("MY\\x20STICK", "sdb1");
    m.Uuid("ABCD-EF01", "sdb1");
    // Internal SATA disk; no "partition" attribute, so the name must lead to the disk.
    m.Disk(kSata, "sdc", "0", "8:32");
    m.Partition(kSata, "sdc", "sdc1", "8:33", false);
    m.Label("Backup", "sdc1");
    m.Uuid("0123456789ABCDEF", "sdc1");
    // DVD drive: the kernel flags sr devices removable, yet optical wins.
    m.Disk(kSataCd, "sr0", "1", "11:0");
    m.Label("HOLIDAY_2024", "sr0");
    m.Uuid("2024-01-02-03-04-05-00", "sr0");
    // Encrypted volume on a USB hard disk that reports itself non-removable.
    m.Disk(kUsbDisk, "sdd", "0", "8:48");
    m.Partition(kUsbDisk, "sdd", "sdd1", "8:49");
    m.Disk("virtual", "dm-0", "0", "254:0");
    m.Link("sys/devices/virtual/block/dm-0/slaves/sdd1",
           std::string("../../../../") + kUsbDisk + "/block/sdd/sdd1");
    m.Link("dev/mapper/luks-1", "../dm-0");
    m.Label("Secure\\x20Vault\\x5c2", "dm-0");
    m.Uuid("c0ffee00-1111-2222-3333-444455556666", "dm-0");
    m.Disk("virtual", "loop0", "0", "7:0");
    // ntfs-3g: anonymous device numbers, and the values only in udev's database.
    m.Disk(kSata5, "sde", "0", "8:64");
    m.Partition(kSata5, "sde", "sde1", "8:65");
    m.File("run/udev/data/b8:65",
           "S:disk/by-label/Win\\x20Data\nE:ID_FS_LABEL=Win_Data\n"
           "E:ID_FS_LABEL_ENC=Win\\x20Data\nE:ID_FS_UUID=1A2B3C4D5E6F7081\n");
    // SD card in a built-in reader: not flagged removable, the card type says so. Without a
    // "partition" attribute the partition is traced to its disk by name (mmcblk0p1 on mmcblk0).
    m.Disk("platform/soc/mmc0/mmc0:0001", "mmcblk0", "0", "179:0");
    m.Partition("platform/soc/mmc0/mmc0:0001", "mmcblk0", "mmcblk0p1", "179:1", false);
    m.File("sys/devices/platform/soc/mmc0/mmc0:0001/type", "SD\n");
    m.Link("sys/devices/platform/soc/mmc0/mmc0:0001/block/mmcblk0/device", "../../../mmc0:0001");
    m.Uuid("1234-ABCD", "mmcblk0p1");
}

struct DriveCase {
    const char* what;
    unsigned major, minor;
    std::string path;
    bool ok;
    uint32_t driveType;
    std::string mountPoint;
    std::string label;
    std::optional<uint32_t> serial; // none: a hashed serial, checked in its own tests
};

void PrintTo(const DriveCase& c, std::ostream* os) {
    *os << c.what;
}

class VolumeInfoDrives : public ::testing::TestWithParam<DriveCase> {
protected:
    static void SetUpTestSuite() {
        machine = new TempDir;
        BuildMachine(machine->Path());
    }
    static void TearDownTestSuite() {
        delete machine;
        machine = nullptr;
    }
    static TempDir* machine;
};
TempDir* VolumeInfoDrives::machine = nullptr;

TEST_P(VolumeInfoDrives, Lookup) {
    const DriveCase& c = GetParam();
    const TLinuxVolumes volumes(machine->Path());
    const VolumeDetails d = volumes.DescribeDevice(makedev(c.major, c.minor), c.path);
    EXPECT_EQ(d.ok, c.ok);
    EXPECT_EQ(d.info.driveType, c.driveType);
    EXPECT_EQ(d.mountPoint, c.mountPoint);
    EXPECT_EQ(d.info.label, c.label);
    if (c.serial) {
        EXPECT_EQ(d.info.serial, *c.serial) << std::hex << d.info.serial;
    }
    VolumeInfo info;
    EXPECT_EQ(volumes.LookupDevice(makedev(c.major, c.minor), c.path, info), c.ok);
    EXPECT_EQ(info.serial, d.info.serial);
    const ZipDrive zip = volumes.ArchiveDrive(makedev(c.major, c.minor), c.path + "/a.zip");
    EXPECT_EQ(zip.Root, c.mountPoint);
    EXPECT_EQ(zip.Type, static_cast<int>(c.driveType));
    EXPECT_EQ(zip.Label, c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, VolumeInfoDrives,
    ::testing::Values(
        DriveCase{"usb stick", 8, 17, "/media/alice/MY STICK/docs", true, driveRemovable,
                  "/media/alice/MY STICK", "MY STICK", 0xABCDEF01},
        DriveCase{"bind mount of stick", 8, 17, "/home/alice/photos", true, driveRemovable,
                  "/home/alice/photos", "MY STICK", 0xABCDEF01},
        DriveCase{"ext4 on nvme", 259, 2, "/home/alice", true, driveFixed, "/", "System",
                  0x3F2A9C1E},
        DriveCase{"ntfs partition", 8, 33, "/media/alice/Backup", true, driveFixed,
                  "/media/alice/Backup", "Backup", 0x89ABCDEF},
        DriveCase{"ntfs-3g from udev database", 0, 48, "/media/alice/Win/x", true, driveFixed,
                  "/media/alice/Win", "Win Data", 0x5E6F7081},
        DriveCase{"dvd", 11, 0, "/media/alice/HOLIDAY_2024", true, driveOptical,
                  "/media/alice/HOLIDAY_2024", "HOLIDAY_2024", std::nullopt},
        DriveCase{"encrypted usb disk", 254, 0, "/srv/secure/a", true, driveRemovable,
                  "/srv/secure", "Secure Vault\\2", 0xC0FFEE00},
        DriveCase{"sd card", 179, 1, "/media/alice/SDCARD", true, driveRemovable,
                  "/media/alice/SDCARD", "", 0x1234ABCD},
        DriveCase{"loop image", 7, 0, "/mnt/image", true, driveFixed, "/mnt/image", "",
                  std::nullopt},
        DriveCase{"nfs", 0, 45, "/mnt/nfs/share", true, driveRemote, "/mnt/nfs", "", std::nullopt},
        DriveCase{"sshfs", 0, 49, "/home/alice/remote", true, driveRemote, "/home/alice/remote", "",
                  std::nullopt},
        DriveCase{"tmpfs", 0, 46, "/tmp/x", true, driveRamDisk, "/tmp", "", std::nullopt},
        DriveCase{"overlay", 0, 47, "/var/lib/containers/merged", true, driveUnknown,
                  "/var/lib/containers/merged", "", std::nullopt},
        DriveCase{"proc", 0, 20, "/proc/1", true, driveUnknown, "/proc", "", std::nullopt},
        DriveCase{"webdav url", 0, 50, "/mnt/dav", true, driveRemote, "/mnt/dav", "", std::nullopt},
        DriveCase{"local fuse", 0, 51, "/run/user/1000/gvfs", true, driveUnknown,
                  "/run/user/1000/gvfs", "", std::nullopt}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

// A medium is mounted where a file system with its serial (and label, when it has one) shows the
// folder it was read from. Every folder but "gone" exists.
struct MountedCase {
    const char* what;
    std::string serial, label, folder, location;
};
void PrintTo(const MountedCase& c, std::ostream* os) { *os << c.what; }
class VolumeInfoMountedMedia : public ::testing::TestWithParam<MountedCase> {};

TEST_P(VolumeInfoMountedMedia, Location) {
    const MountedCase& c = GetParam();
    TempDir root;
    BuildMachine(root.Path());
    CMedienListe cat;
    CMedium medium(&cat);
    medium.Serial = c.serial;
    medium.VolumeLabel = c.label;
    medium.Additions.Folder = c.folder;
    const auto volumes = TLinuxVolumes(root.Path()).MountedVolumes();
    const auto exists = [](const std::string& path) { return path.find("gone") == std::string::npos; };
    EXPECT_EQ(MountedLocation(medium, volumes, exists), c.location);
}

INSTANTIATE_TEST_SUITE_P(
    Media, VolumeInfoMountedMedia,
    ::testing::Values(
        MountedCase{"StickWholeOldMedium", "ABCDEF01", "MY STICK", "", "/media/alice/MY STICK"},
        MountedCase{"StickOtherLabel", "ABCDEF01", "OTHER", "/", ""},
        MountedCase{"StickFolder", "ABCDEF01", "MY STICK", "/docs", "/media/alice/MY STICK/docs"},
        MountedCase{"SystemDiskFolder", "3F2A9C1E", "System", "/home/anna", "/home/anna"},
        MountedCase{"SystemDiskFolderDeleted", "3F2A9C1E", "System", "/home/gone", ""},
        MountedCase{"UnlabelledCard", "1234ABCD", "", "/", "/media/alice/SDCARD"},
        MountedCase{"NotInAnyDrive", "DEADBEEF", "", "/", ""}),
    [](const auto& info) { return std::string(info.param.what); });

// Add keeps the folder read from its file system's root, through bind mounts too.
TEST_F(VolumeInfoDrives, FolderInItsFileSystem) {
    const TLinuxVolumes volumes(machine->Path());
    EXPECT_EQ(volumes.DescribeDevice(makedev(8, 17), "/media/alice/MY STICK/docs/").info.folder, "/docs");
    EXPECT_EQ(volumes.DescribeDevice(makedev(8, 17), "/home/alice/photos/x").info.folder, "/photos/x");
}

// Serials of media without a UUID are hashed; the hash must not depend on the device numbers,
// which change on every mount, but must tell different mounts apart.
TEST(VolumeInfoHashedSerial, StableAcrossRemountsDistinctBetweenMounts) {
    TempDir a, b;
    FakeMachine(a.Path()).File("proc/self/mountinfo",
                               "1 0 0:45 / /mnt/nfs rw - nfs4 srv:/export rw\n"
                               "2 0 0:46 / /mnt/other rw - nfs4 srv:/export rw\n"
                               "3 0 0:47 / /mnt/third rw - nfs4 srv:/elsewhere rw\n"
                               "4 0 0:48 / /mnt/rd rw - tmpfs tmpfs rw\n"
                               "5 0 0:49 / /mnt/rd2 rw - tmpfs tmpfs rw\n");
    FakeMachine(b.Path()).File("proc/self/mountinfo",
                               "9 0 0:90 / /mnt/nfs rw - nfs srv:/export rw\n");
    const TLinuxVolumes first(a.Path()), second(b.Path());
    std::vector<uint32_t> serials;
    for (unsigned minor : {45, 46, 47, 48, 49})
        serials.push_back(first.DescribeDevice(makedev(0, minor), "/mnt").info.serial);
    for (size_t i = 0; i < serials.size(); ++i)
        for (size_t j = i + 1; j < serials.size(); ++j)
            EXPECT_NE(serials[i], serials[j]) << i << j;
    EXPECT_EQ(second.DescribeDevice(makedev(0, 90), "/mnt/nfs").info.serial, serials[0]);
    EXPECT_EQ(first.DescribeDevice(makedev(0, 45), "/mnt/nfs").info.serial, serials[0]);
}

// The same disc in another drive, mounted elsewhere, keeps its serial; another disc does not.
TEST(VolumeInfoOpticalSerial, SameDiscSameSerial) {
    TempDir a;
    FakeMachine m(a.Path());
    m.File("proc/self/mountinfo", "1 0 11:0 / /media/u/A ro - iso9660 /dev/sr0 ro\n"
                                  "2 0 11:1 / /run/media/u/B ro - iso9660 /dev/sr1 ro\n"
                                  "3 0 11:2 / /mnt/c ro - udf /dev/sr2 ro\n");
    for (const char* dev : {"sr0", "sr1", "sr2"})
        m.Disk(kSataCd, dev, "1", std::string("11:") + dev[2]);
    m.Uuid("2024-01-02-03-04-05-00", "sr0");
    // Both discs cannot own one by-uuid link; udev's database still knows the second.
    m.File("run/udev/data/b11:1", "E:ID_FS_UUID=2024-01-02-03-04-05-00\n");
    m.File("run/udev/data/b11:2", "E:ID_FS_UUID=2024-01-02-03-04-05-01\n");
    const TLinuxVolumes volumes(a.Path());
    const auto serial = [&](unsigned minor) {
        return volumes.DescribeDevice(makedev(11, minor), "/").info.serial;
    };
    EXPECT_EQ(serial(0), serial(1));
    EXPECT_NE(serial(0), serial(2));
    EXPECT_EQ(volumes.DescribeDevice(makedev(11, 2), "/").info.driveType, driveOptical);
}

// Containers and broken systems: a mount table with little or nothing behind it.
TEST(VolumeInfoSparseRoot, MissingFilesGiveLessDetailNotFailure) {
    TempDir a;
    FakeMachine(a.Path()).File("proc/self/mountinfo", "1 0 8:17 / /media/s rw - vfat /dev/sdb1 rw\n"
                                                      "2 0 0:30 / /srv rw - weirdfs none rw\n");
    const TLinuxVolumes volumes(a.Path());
    VolumeDetails stick = volumes.DescribeDevice(makedev(8, 17), "/media/s");
    EXPECT_TRUE(stick.ok);
    EXPECT_EQ(stick.info.driveType, driveFixed); // a block device, removability unknown
    EXPECT_EQ(stick.info.label, "");
    EXPECT_EQ(stick.info.serial, VolumeSerial("vfat", "", "/dev/sdb1", "/media/s"));
    VolumeDetails odd = volumes.DescribeDevice(makedev(0, 30), "/srv");
    EXPECT_TRUE(odd.ok);
    EXPECT_EQ(odd.info.driveType, driveUnknown);
}

TEST(VolumeInfoSparseRoot, NoMountTable) {
    TempDir a;
    const TLinuxVolumes volumes(a.Path() + "/nothing-here");
    VolumeInfo info;
    info.driveType = 99;
    EXPECT_FALSE(volumes.Lookup(a.Path(), info)); // a real folder, but no table to place it in
    EXPECT_EQ(info.driveType, driveUnknown);
    const ZipDrive zip = volumes.ArchiveDrive(0, a.Path() + "/a.zip");
    EXPECT_EQ(zip.Root, "/"); // still readable as a single archive
    EXPECT_EQ(zip.Type, static_cast<int>(driveUnknown));
}

TEST(VolumeInfoSparseRoot, ProbeFillsWhatUdevLacks) {
    TempDir a;
    FakeMachine m(a.Path());
    m.File("proc/self/mountinfo", "1 0 8:17 / /media/s rw - vfat /dev/sdb1 rw\n"
                                  "2 0 8:33 / /media/t rw - vfat /dev/sdc1 rw\n");
    m.Uuid("ABCD-EF01", "sdb1");
    m.Label("Has\\x20Label", "sdc1");
    m.Uuid("1111-2222", "sdc1");
    std::vector<std::string> asked;
    const TLinuxVolumes volumes(
        a.Path(), [&](const std::string& node, std::string& label, std::string& uuid) {
            asked.push_back(node);
            label = "PROBED";
            uuid = "9999-8888";
            return true;
        });
    VolumeDetails s = volumes.DescribeDevice(makedev(8, 17), "/media/s");
    EXPECT_EQ(s.info.label, "PROBED");
    EXPECT_EQ(s.info.serial, 0xABCDEF01u); // the link's UUID is kept
    VolumeDetails t = volumes.DescribeDevice(makedev(8, 33), "/media/t");
    EXPECT_EQ(t.info.label, "Has Label");
    EXPECT_EQ(asked, std::vector<std::string>{"/dev/sdb1"}); // sdc1 needed no probe
}

TEST(VolumeInfoRealPaths, PathsWithoutAFolderHaveNoDrive) {
    TempDir dir;
    WriteWholeFile(dir.File("file.txt"), "x");
    fs::create_symlink(dir.File("gone"), dir.File("dangling"));
    const TLinuxVolumes volumes;
    for (const std::string& path :
         {dir.File("missing"), dir.File("file.txt"), dir.File("dangling"), std::string()}) {
        VolumeInfo info;
        EXPECT_FALSE(volumes.Lookup(path, info)) << path;
        EXPECT_EQ(info.driveType, driveNoRoot) << path;
    }
}

TEST(VolumeInfoRealPaths, ThisMachinesRoot) {
    const TLinuxVolumes volumes("/", BlkidDeviceProbe());
    VolumeDetails first = volumes.Describe("/");
    VolumeDetails second = volumes.Describe("/");
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.mountPoint, "/");
    EXPECT_LE(first.info.driveType, 6u);
    EXPECT_NE(first.info.driveType, driveNoRoot);
    EXPECT_EQ(first.info.serial, second.info.serial);
    EXPECT_EQ(first.info.label, second.info.label);

    InstallLinuxVolumeInfoReader();
    CMedienListe cat;
    CMedium medium(&cat);
    EXPECT_TRUE(medium.ReadVolumeInfo("/"));
    SetVolumeInfoReader(nullptr);
    char expected[9];
    std::snprintf(expected, sizeof expected, "%08X", first.info.serial);
    EXPECT_EQ(medium.Serial, expected);
    EXPECT_EQ(medium.DriveType, first.info.driveType);
    EXPECT_EQ(medium.Additions.Folder, "/");
    EXPECT_GT(medium.Additions.Capacity, 0);
    EXPECT_LE(medium.Additions.FreeSpace, medium.Additions.Capacity);
}

} // namespace
