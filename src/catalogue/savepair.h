// Writes a new index and data file pair beside the old one and puts it in place only when both
// are complete, so a save that fails at any point leaves the previous pair as it was.
#pragma once

#include "streams.h"

#include <memory>
#include <string>

// A new, empty, locked file under a name beside `target` that no file has yet ("target.purpose-PID-N"),
// with the permissions of `target` when it exists; none when it cannot be created.
std::unique_ptr<TFileStream> CreateTemporaryBeside(const std::string& target, const char* purpose,
                                                   std::string& name);
// Whether a save could put a pair under these names: the folder takes new files and the files
// that exist may be replaced. False for a catalogue on a disc or a read-only share or folder.
bool PairWritable(const std::string& indexName, const std::string& dataName);
// Makes renames in the folder of `path` durable.
void SyncFolderOf(const std::string& path);

class PairWriter {
public:
    PairWriter(std::string indexName, std::string dataName);
    ~PairWriter(); // removes whatever was not put in place
    PairWriter(const PairWriter&) = delete;
    PairWriter& operator=(const PairWriter&) = delete;

    // The new data file, empty, under a temporary name; none when it cannot be created.
    TStream* BeginData();
    // Flushes the data file, writes the index from `index` (compressed), then renames the data
    // file and the index file over the old ones, in that order.
    bool Commit(const TMemoryStream& index);

private:
    std::string indexName_, dataName_;
    std::string dataTemp_, indexTemp_, oldDataLink_;
    std::unique_ptr<TFileStream> data_;
};
