// What a found row shows of its entry, whether the entry's tree is in memory or only the name
// index holds it: the find lists rows of media whose content nobody has read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFile;
class CMedium;

struct TFoundEntry {
    std::string_view name; // stays valid while its tree or row does
    int32_t kind = 0;
    int64_t size = 0;
    double date = 0;
};

TFoundEntry FoundEntryOf(const CFile& entry);

// An entry the name index found, as its row there tells it.
struct TIndexedRow {
    CMedium* medium = nullptr;
    std::string name;
    // The enclosing folders joined by "/", for a folder or archive ending with its own name, as
    // CFile::FolderPath gives them.
    std::string folder;
    int32_t kind = 0;
    int64_t size = 0;
    double date = 0;
    uint64_t number = 0; // its place in its medium's depth-first walk (EntryByNumber)
    std::string details; // its packed details (entrydetails.h), empty for none

    TFoundEntry Entry() const { return {name, kind, size, date}; }
};

// The indexed rows a list shows, by the number its rows carry.
class TIndexedRows {
public:
    uint32_t Add(TIndexedRow row) {
        rows_.push_back(std::move(row));
        return uint32_t(rows_.size() - 1);
    }
    const TIndexedRow& At(uint32_t row) const { return rows_[row]; }
    void Clear() { rows_.clear(); }

private:
    std::vector<TIndexedRow> rows_;
};

// The entry's path below its medium, "photos/2019/img 001.jpg", from what FolderPath gives.
std::string FoundPathText(const TFoundEntry& entry, std::string folderPath);
