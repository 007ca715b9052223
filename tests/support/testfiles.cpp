#include "support/testfiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

TempDir::TempDir(const std::string& parent) {
    const std::filesystem::path under =
        parent.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(parent);
    std::string pattern = (under / "shelvix-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

std::string MemoryScratch() { return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : ""; }

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so they can go.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

void MakeTree(const std::string& root, const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        if (item.back() == '/') {
            std::filesystem::create_directories(root + "/" + item);
        } else {
            const size_t colon = item.rfind(':');
            std::filesystem::create_directories(
                std::filesystem::path(root + "/" + item.substr(0, colon)).parent_path());
            WriteWholeFile(root + "/" + item.substr(0, colon),
                           std::string(std::stoul(item.substr(colon + 1)), 'x'));
        }
    }
}

ReadOnlyFolder::ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
    if (::geteuid() == 0) {
        if (::mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) != 0) return;
        mounted_ = true;
        ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
        return;
    }
    std::error_code ec;
    for (auto& entry : std::filesystem::directory_iterator(folder_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove, ec);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove, ec);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    // Without the mount, TempDir gives the bits back when it removes the folder.
}

bool ReadOnlyFolder::Active() const { return ::access(folder_.c_str(), W_OK) != 0; }
