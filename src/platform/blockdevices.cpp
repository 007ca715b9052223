#include "platform/blockdevices.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxStackDepth = 4; // dm on md on dm...: deeper stacks are not worth following

std::string Basename(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Parent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// sysfs attributes are one short line; a missing or unreadable file reads as empty.
std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// A USB-attached device sits below a host controller's root hub, "usb1", "usb2", ... in its
// sysfs device path, however many hubs and SCSI layers follow.
bool HasUsbComponent(std::string_view sysPath) {
    size_t pos = 0;
    while (pos < sysPath.size()) {
        size_t end = sysPath.find('/', pos);
        if (end == std::string_view::npos) end = sysPath.size();
        const std::string_view part = sysPath.substr(pos, end - pos);
        if (part.size() > 3 && part.substr(0, 3) == "usb" && AllDigits(part.substr(3))) return true;
        pos = end + 1;
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string UnescapeUdevName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
            out.push_back(static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3])));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

TBlockDevices::TBlockDevices(std::string root) : root_(std::move(root)) {
    if (root_.empty()) root_ = "/";
    if (root_.back() != '/') root_ += '/';
    std::error_code ec;
    canonicalRoot_ = fs::canonical(root_, ec).string();
    if (ec) canonicalRoot_.clear();
}

std::string TBlockDevices::Under(std::string_view relative) const {
    while (!relative.empty() && relative.front() == '/')
        relative.remove_prefix(1);
    return root_ + std::string(relative);
}

// Follows every link (sysfs is built of relative ones) and answers the place inside the tree,
// beginning with '/'; empty when the file is missing or the links lead out of the tree.
std::string TBlockDevices::Resolve(std::string_view relative) const {
    if (canonicalRoot_.empty()) return {};
    std::error_code ec;
    const std::string full = fs::canonical(Under(relative), ec).string();
    if (ec) return {};
    if (canonicalRoot_ == "/") return full;
    if (full.size() <= canonicalRoot_.size() ||
        full.compare(0, canonicalRoot_.size(), canonicalRoot_) != 0 ||
        full[canonicalRoot_.size()] != '/')
        return {};
    return full.substr(canonicalRoot_.size());
}

// The removable flag lives on the whole disk only, so a partition is traced back to its disk:
// by sysfs's own nesting when known, otherwise by the kernel's naming (sdb1 on sdb, nvme0n1p2 on
// nvme0n1, mmcblk0p1 on mmcblk0).
std::string TBlockDevices::DiskOf(const std::string& name, const std::string& sysPath) const {
    if (!sysPath.empty() && Exists(Under(sysPath + "/partition"))) {
        const std::string disk = Basename(Parent(sysPath));
        if (!disk.empty()) return disk;
    }
    if (name.empty() || Exists(Under("sys/block/" + name))) return name;
    size_t end = name.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(name[end - 1])))
        --end;
    if (end == 0 || end == name.size()) return name;
    std::string stem = name.substr(0, end);
    if (stem.size() > 1 && stem.back() == 'p' &&
        std::isdigit(static_cast<unsigned char>(stem[stem.size() - 2])))
        stem.pop_back();
    return Exists(Under("sys/block/" + stem)) ? stem : name;
}

bool TBlockDevices::DiskRemovable(const std::string& disk, int depth) const {
    if (disk.empty() || disk.find('/') != std::string::npos || depth > kMaxStackDepth) return false;
    const std::string base = "sys/block/" + disk;
    if (ReadFirstLine(Under(base + "/removable")) == "1") return true;
    if (HasUsbComponent(Resolve(base)) || HasUsbComponent(Resolve(base + "/device"))) return true;
    // Built-in card readers report SD cards as fixed; eMMC says "MMC" here and stays fixed.
    if (ReadFirstLine(Under(base + "/device/type")) == "SD") return true;
    // An encrypted or LVM volume is as removable as the disk beneath it.
    std::error_code ec;
    for (fs::directory_iterator it(Under(base + "/slaves"), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string slave = it->path().filename().string();
        if (DiskRemovable(DiskOf(slave, Resolve("sys/class/block/" + slave)), depth + 1))
            return true;
    }
    return false;
}

bool TBlockDevices::DiskOptical(const std::string& disk) const {
    if (disk.size() > 2 && disk.compare(0, 2, "sr") == 0 && AllDigits(disk.substr(2))) return true;
    if (disk.empty() || disk.find('/') != std::string::npos) return false;
    return ReadFirstLine(Under("sys/block/" + disk + "/device/type")) == "5"; // SCSI CD/DVD unit
}

// udev names each link after the label or UUID and points it at the device node, so the link
// whose target has the device's name carries the value.
void TBlockDevices::ReadLinks(const char* folder, const std::string& a, const std::string& b,
                              std::string& value) const {
    if (!value.empty()) return;
    std::error_code ec;
    for (fs::directory_iterator it(Under(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (linkError) continue;
        const std::string targetName = Basename(target.string());
        if (targetName.empty() || (targetName != a && (b.empty() || targetName != b))) continue;
        value = UnescapeUdevName(it->path().filename().string());
        return;
    }
}

// udev's database holds the values even when a link was taken by another device with the same
// label, as happens with two sticks that left the factory with the same name.
void TBlockDevices::ReadUdevData(const std::string& devNumbers, BlockDeviceFacts& facts) const {
    std::ifstream in(Under("run/udev/data/b" + devNumbers));
    std::string line, plainLabel;
    bool haveEncodedLabel = false;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string_view text(line);
        if (text.rfind("E:ID_FS_LABEL_ENC=", 0) == 0) {
            if (facts.label.empty()) facts.label = UnescapeUdevName(text.substr(18));
            haveEncodedLabel = true;
        } else if (text.rfind("E:ID_FS_LABEL=", 0) == 0) {
            plainLabel = std::string(text.substr(14));
        } else if (text.rfind("E:ID_FS_UUID=", 0) == 0 && facts.uuid.empty()) {
            facts.uuid = std::string(text.substr(13));
        }
    }
    if (!haveEncodedLabel && facts.label.empty()) facts.label = plainLabel;
}

BlockDeviceFacts TBlockDevices::Describe(unsigned major, unsigned minor,
                                         const std::string& source, bool identityOnly) const {
    BlockDeviceFacts facts;
    std::string sysPath;
    std::string devNumbers;
    if (major != 0) {
        devNumbers = std::to_string(major) + ":" + std::to_string(minor);
        sysPath = Resolve("sys/dev/block/" + devNumbers);
        if (!sysPath.empty()) facts.name = Basename(sysPath);
    }
    // FUSE block mounts (ntfs-3g) name the device only in the source.
    const bool deviceSource = source.rfind("/dev/", 0) == 0 && source != "/dev/fuse";
    std::string sourceName;
    if (deviceSource) {
        const std::string node = Resolve(source); // /dev/mapper/x and /dev/disk/... are links
        sourceName = Basename(node.empty() ? source : node);
        if (facts.name.empty()) {
            facts.name = sourceName;
            sysPath = Resolve("sys/class/block/" + facts.name);
        }
    }
    if (facts.name.empty() || facts.name.find('/') != std::string::npos) return facts;
    facts.isBlock = true;
    if (devNumbers.empty() && !sysPath.empty()) devNumbers = ReadFirstLine(Under(sysPath + "/dev"));
    if (!identityOnly) {
        facts.disk = DiskOf(facts.name, sysPath);
        facts.removable = DiskRemovable(facts.disk, 0) || HasUsbComponent(sysPath);
        facts.optical = DiskOptical(facts.disk);
    }
    ReadLinks("dev/disk/by-label", facts.name, sourceName, facts.label);
    ReadLinks("dev/disk/by-uuid", facts.name, sourceName, facts.uuid);
    if ((facts.label.empty() || facts.uuid.empty()) && devNumbers.find('/') == std::string::npos &&
        !devNumbers.empty())
        ReadUdevData(devNumbers, facts);
    return facts;
}
