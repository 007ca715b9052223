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
// Before a pair is read: a save of it that was stopped between its renames (a kill, a power
// cut) is finished when its new data file was already in place and undone when not, and the
// temporary files of saves whose process has ended are removed.
void FinishInterruptedSave(const std::string& indexName, const std::string& dataName);

class PairWriter {
public:
    PairWriter(std::string indexName, std::string dataName);
    ~PairWriter(); // removes whatever was not put in place
    PairWriter(const PairWriter&) = delete;
    PairWriter& operator=(const PairWriter&) = delete;

    // The new data file, empty, under a temporary name; none when it cannot be created.
    TStream* BeginData();
    // Flushes the data file, writes the index from `index` (compressed) and flushes it, then
    // puts the pair in place (docs/catalogue-format.md, "Saving").
    bool Commit(const TMemoryStream& index);

private:
    bool PutInPlace();

    std::string indexName_, dataName_;
    std::string tag_; // "PID-N", shared by every temporary name of this save
    std::string dataTemp_, indexTemp_, indexReady_, oldDataLink_;
    std::unique_ptr<TFileStream> data_;
};
