// Scratch folders and small file helpers for tests.
#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder (or `parent`), removed with everything in it.
class TempDir {
public:
    explicit TempDir(const std::string& parent = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// "/dev/shm" where the machine has that memory file system, otherwise "" (the temporary folder):
// for trees of tens of thousands of entries, which a disk's journal makes slow to create and remove.
std::string MemoryScratch();

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A tree from "folder/" and "file:size" items below `root`, files filled with size bytes 'x'.
void MakeTree(const std::string& root, const std::vector<std::string>& items);

// Makes `folder` and what it holds read-only for this process, as a disc or a read-only share
// is, until destroyed. Root is not stopped by permission bits, so as root a read-only bind mount
// is laid over the folder; other users get the bits. Active() is false when neither works here.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool Active() const;

private:
    std::string folder_;
    bool mounted_ = false;
};
