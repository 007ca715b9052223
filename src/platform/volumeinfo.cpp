#include "platform/volumeinfo.h"

#include "platform/blockdevices.h"
#include "platform/mountinfo.h"
#include "scan/mediascan.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits.h>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>

namespace {

// No real mount table comes near this; the cap keeps a hostile root from eating memory.
constexpr std::streamsize kMaxMountTable = 16 << 20;

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text;
    std::array<char, 65536> buffer;
    while (in && static_cast<std::streamsize>(text.size()) < kMaxMountTable) {
        in.read(buffer.data(), buffer.size());
        text.append(buffer.data(), static_cast<size_t>(in.gcount()));
    }
    return text;
}

std::vector<MountEntry> ReadMounts(const std::string& root) {
    return ParseMountInfo(ReadSmallFile(MountTablePath(root)));
}

uint32_t Crc32(std::string_view text) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : text) {
        crc ^= c;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t Fnv1a(std::string_view text, uint32_t hash = 2166136261u) {
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

// The UUID's hex digits with its dashes dropped; empty when anything else is in it.
std::string HexDigits(std::string_view uuid) {
    std::string digits;
    for (char c : uuid) {
        if (c == '-') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        digits.push_back(c);
    }
    return digits;
}

uint32_t ParseHex8(std::string_view digits) {
    return static_cast<uint32_t>(
        std::strtoul(std::string(digits.substr(0, 8)).c_str(), nullptr, 16));
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names)
        if (value == name) return true;
    return false;
}

uint32_t DriveTypeOf(const MountEntry& mount, const BlockDeviceFacts& device) {
    if (IsRemoteFileSystem(mount.fsType, mount.source)) return driveRemote;
    if (OneOf(mount.fsType, {"tmpfs", "ramfs", "devtmpfs"})) return driveRamDisk;
    if (OneOf(mount.fsType, {"iso9660", "udf"}) || device.optical) return driveOptical;
    if (device.isBlock) return device.removable ? driveRemovable : driveFixed;
    return driveUnknown;
}

// The mount's device as sysfs and udev describe it, with the label and UUID they lack taken from
// the device itself when a probe is given.
BlockDeviceFacts Identify(const TBlockDevices& devices, const MountEntry& mount,
                          const DeviceProbe& probe, bool identityOnly) {
    BlockDeviceFacts facts = devices.Describe(mount.major, mount.minor, mount.source, identityOnly);
    if (facts.isBlock && probe && (facts.label.empty() || facts.uuid.empty())) {
        std::string label, uuid;
        if (probe("/dev/" + facts.name, label, uuid)) {
            if (facts.label.empty()) facts.label = label;
            if (facts.uuid.empty()) facts.uuid = uuid;
        }
    }
    return facts;
}

// Where `path` lies inside its file system: the mount's own root joined with the path below the
// mount point. Empty when the mount does not hold the path (then nothing says where it lies).
std::string FolderInFileSystem(const MountEntry& mount, const std::string& path) {
    if (!MountPointHolds(mount.mountPoint, path)) return {};
    std::string below = mount.mountPoint == "/" ? path : path.substr(mount.mountPoint.size());
    std::string folder = mount.root.empty() ? std::string("/") : mount.root;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    while (!below.empty() && below.front() == '/') below.erase(0, 1);
    while (!below.empty() && below.back() == '/') below.pop_back();
    if (below.empty()) return folder;
    return folder == "/" ? "/" + below : folder + "/" + below;
}

} // namespace

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

std::string MountTablePath(const std::string& root) {
    return JoinPath(root, "proc/self/mountinfo");
}

bool IsRemoteFileSystem(std::string_view fsType, std::string_view source) {
    static constexpr std::string_view kRemote[] = {
        "nfs",    "nfs4",   "cifs",      "smb3",   "smbfs", "ncpfs", "ncp",    "sshfs",
        "9p",     "ceph",   "glusterfs", "davfs",  "afs",   "coda",  "lustre", "virtiofs",
        "vboxsf", "vmhgfs", "orangefs",  "beegfs", "gpfs",  "pvfs2"};
    // FUSE mounts carry their helper's name after the dot.
    static constexpr std::string_view kRemoteFuse[] = {
        "sshfs",  "rclone",    "s3fs",      "gcsfuse",       "glusterfs", "ceph-fuse",
        "cephfs", "curlftpfs", "smbnetfs",  "davfs",         "davfs2",    "vmhgfs-fuse",
        "goofys", "blobfuse",  "blobfuse2", "mountpoint-s3", "juicefs",   "onedriver"};
    for (std::string_view name : kRemote)
        if (fsType == name) return true;
    if (fsType.rfind("fuse.", 0) == 0) {
        const std::string_view helper = fsType.substr(5);
        for (std::string_view name : kRemoteFuse)
            if (helper == name) return true;
    }
    // davfs2 and other URL mounts show a plain "fuse" type with the URL as source.
    const bool fuse = fsType == "fuse" || fsType.rfind("fuse.", 0) == 0;
    return fuse && source.find("://") != std::string_view::npos;
}

uint32_t VolumeSerial(std::string_view fsType, std::string_view uuid, std::string_view source,
                      std::string_view mountPoint) {
    if (uuid.empty()) {
        // No identity of its own: the place it is mounted from and at is the most stable thing.
        const uint32_t sourceHash = Fnv1a(source);
        return Fnv1a(mountPoint, Fnv1a(std::string_view("\0", 1), sourceHash));
    }
    if (OneOf(fsType, {"iso9660", "udf"})) return Crc32(uuid);
    const std::string digits = HexDigits(uuid);
    // FAT and exFAT write their 32-bit volume ID as two dash-separated halves.
    if (digits.size() == 8 && uuid.size() == 9 && uuid[4] == '-') return ParseHex8(digits);
    // NTFS has a 64-bit serial; its low half is what the volume reports as its serial number.
    if (digits.size() == 16 && uuid.find('-') == std::string_view::npos &&
        OneOf(fsType, {"ntfs", "ntfs3", "fuseblk"})) // fuseblk: ntfs-3g
        return ParseHex8(std::string_view(digits).substr(8));
    if (digits.size() >= 8) return ParseHex8(digits);
    return Crc32(uuid);
}

TLinuxVolumes::TLinuxVolumes(std::string root, DeviceProbe probe)
    : root_(root.empty() ? std::string("/") : std::move(root)), probe_(std::move(probe)) {}

VolumeDetails TLinuxVolumes::Describe(const std::string& path) const {
    VolumeDetails details;
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        details.info.driveType = driveNoRoot;
        return details;
    }
    // The mount table names real folders, so links in the path are resolved before matching.
    char resolved[PATH_MAX];
    const std::string real = ::realpath(path.c_str(), resolved) ? resolved : path;
    details = DescribeDevice(st.st_dev, real);
    struct statvfs space;
    if (details.ok && ::statvfs(path.c_str(), &space) == 0) {
        const auto unit = static_cast<int64_t>(space.f_frsize ? space.f_frsize : space.f_bsize);
        details.info.capacity = static_cast<int64_t>(space.f_blocks) * unit;
        details.info.freeSpace = static_cast<int64_t>(space.f_bavail) * unit;
    }
    return details;
}

VolumeDetails TLinuxVolumes::DescribeDevice(dev_t device, const std::string& path) const {
    const auto mounts = ReadMounts(root_);
    const MountEntry* mount = FindMount(mounts, major(device), minor(device), path);
    if (!mount) return {}; // driveUnknown: the path is real but no table describes it
    VolumeDetails details = DescribeMount(*mount);
    details.info.folder = FolderInFileSystem(*mount, path);
    return details;
}

VolumeDetails TLinuxVolumes::DescribeMount(const MountEntry& mount) const {
    VolumeDetails details;
    const BlockDeviceFacts facts = Identify(TBlockDevices(root_), mount, probe_, false);
    details.ok = true;
    details.mountPoint = mount.mountPoint;
    details.fsType = mount.fsType;
    details.source = mount.source;
    details.device = facts.name;
    details.info.driveType = DriveTypeOf(mount, facts);
    details.info.label = facts.label;
    details.uuid = facts.uuid;
    details.info.serial = VolumeSerial(mount.fsType, details.uuid, mount.source, mount.mountPoint);
    return details;
}

std::vector<MountedVolume> TLinuxVolumes::MountedVolumes() const {
    // Only what names each file system is wanted, and bind mounts show one device many times:
    // each device is read once. The serial is per mount, as a file system without a UUID takes
    // it from where it is mounted.
    const TBlockDevices devices(root_);
    std::map<std::tuple<unsigned, unsigned, std::string>, BlockDeviceFacts> known;
    std::vector<MountedVolume> volumes;
    for (const MountEntry& mount : ReadMounts(root_)) {
        const auto [it, added] = known.try_emplace({mount.major, mount.minor, mount.source});
        if (added) it->second = Identify(devices, mount, probe_, true);
        const BlockDeviceFacts& facts = it->second;
        const uint32_t serial =
            VolumeSerial(mount.fsType, facts.uuid, mount.source, mount.mountPoint);
        volumes.push_back({mount.mountPoint, mount.root, SerialText(serial), facts.label});
    }
    return volumes;
}

bool TLinuxVolumes::Lookup(const std::string& path, VolumeInfo& info) const {
    const VolumeDetails details = Describe(path);
    info = details.info;
    return details.ok;
}

bool TLinuxVolumes::LookupDevice(dev_t device, const std::string& path, VolumeInfo& info) const {
    const VolumeDetails details = DescribeDevice(device, path);
    info = details.info;
    return details.ok;
}

ZipDrive TLinuxVolumes::ArchiveDrive(dev_t device, const std::string& path) const {
    const VolumeDetails details = DescribeDevice(device, path);
    if (!details.ok) return ZipDrive{"/", driveUnknown, {}};
    return ZipDrive{details.mountPoint, static_cast<int>(details.info.driveType),
                    details.info.label};
}

void InstallLinuxVolumeInfoReader() {
    auto volumes = std::make_shared<TLinuxVolumes>("/", BlkidDeviceProbe());
    SetVolumeInfoReader([volumes](const std::string& path, VolumeInfo& info) {
        return volumes->Lookup(path, info);
    });
    SetZipDriveQuery([volumes](dev_t device, const std::string& path) {
        return volumes->ArchiveDrive(device, path);
    });
}

std::string RemovableMediaFolder(const std::string& root, const std::string& user) {
    // A user name with a slash would climb out of the media folders; such a name is not real.
    const bool userUsable =
        !user.empty() && user.find('/') == std::string::npos && user != "." && user != "..";
    if (userUsable) {
        for (const char* base : {"media/", "run/media/"}) {
            const std::string candidate = JoinPath(root, base + user);
            if (IsExistingFolder(candidate)) return candidate;
        }
    }
    for (const char* base : {"media", "mnt"}) {
        const std::string candidate = JoinPath(root, base);
        if (IsExistingFolder(candidate)) return candidate;
    }
    return root.empty() ? std::string("/") : root;
}

std::string RemovableMediaFolder() {
    std::string user;
    if (const char* env = std::getenv("USER"); env && *env) user = env;
    if (user.empty())
        if (const passwd* account = ::getpwuid(::geteuid())) user = account->pw_name;
    return RemovableMediaFolder("/", user);
}
