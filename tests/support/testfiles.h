// Scratch folders and small file helpers for tests.
#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A tree from "folder/" and "file:size" items below `root`, files filled with size bytes 'x'.
void MakeTree(const std::string& root, const std::vector<std::string>& items);
