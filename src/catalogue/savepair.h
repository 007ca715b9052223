// Writes a new index and data file pair beside the old one and puts it in place only when both
// are complete, so a save that fails at any point leaves the previous pair as it was, and settles
// what a save stopped for good (a kill, a power cut, a pulled stick) left beside a pair before it
// is read (docs/catalogue-format.md, "Saving").
#pragma once

#include "streams.h"

#include <memory>
#include <string>
#include <vector>

// A new, empty, locked file under a name beside `target` that no file has yet ("target.purpose-PID-N"),
// with the permissions of `target` when it exists; none when it cannot be created.
std::unique_ptr<TFileStream> CreateTemporaryBeside(const std::string& target, const char* purpose,
                                                   std::string& name);
// Whether a save could put a pair under these names: the folder takes new files and the files
// that exist may be replaced. False for a catalogue on a disc or a read-only share or folder.
bool PairWritable(const std::string& indexName, const std::string& dataName);
// Makes renames in the folder of `path` durable.
void SyncFolderOf(const std::string& path);

// What an open finds beside a pair once the saves that ended there are settled.
struct TSettle {
    enum class State {
        Settled,     // the pair in place is whole: read it
        SaveRunning, // another program is putting its new pair in place right now
        ReadReady,   // a stopped save's new pair is in place but its index could not be moved
                     // there (a read-only folder): `file` is that index, the one to read
        Leftover,    // the pair cannot be read as it is; `file` names what a stopped save left
    };
    State state = State::Settled;
    std::string file;
};
// Settles the saves that stopped for good between their renames: a save whose new data file
// already stood in place is finished, one whose data did not is undone, and every temporary of
// an ended save is removed. A save is running while it holds the lock of its own lock file; a
// process number says nothing (it is reused after a reboot and means another process in another
// namespace).
TSettle FinishInterruptedSave(const std::string& indexName, const std::string& dataName);
// The same, waiting up to the lock patience for a save that is putting its pair in place.
TSettle SettlePair(const std::string& indexName, const std::string& dataName);

// The name index beside a catalogue: "NAME.SXI" for "NAME.SXF" (".SXI" appended to a name
// without an extension). A cache of the data file, placed by the save that writes that file.
std::string NameIndexFileName(const std::string& indexName);

// The same file system's way of telling names apart: on FAT and exFAT "CAT.SXF" is "cat.SXF".
bool FolderIgnoresCase(const std::string& path);

// The files a symbolic link (or a chain of them) leads to; the path itself when it is no link
// or leads nowhere.
std::string FileBehindLinks(const std::string& path);

class PairWriter {
public:
    enum class Result { Done, Failed, ChangedOnDisk, InUse, Interrupted, LoneDataFile };
    // The pair as it was read: a commit goes ahead only while both files are still those.
    struct TExpected {
        FileStamp index, data;
    };

    PairWriter(std::string indexName, std::string dataName);
    ~PairWriter(); // removes whatever was not put in place, and the save's lock last
    PairWriter(const PairWriter&) = delete;
    PairWriter& operator=(const PairWriter&) = delete;

    // Takes the save's own lock (held for the writer's whole life), then makes the new data
    // file, empty, under a temporary name; none when either cannot be created.
    TStream* BeginData();
    // A new file that takes the place of `target` together with the pair, just before it (the
    // backup copies); none when it cannot be created. BeginData first.
    TFileStream* BeginCompanion(const std::string& target);
    // A new file that takes the place of `target` once the new data file is in place and before
    // the index is (a file that describes the new data, and names it, as a cache of it); none
    // when it cannot be created. BeginData first; written before the commit. The old `target`
    // goes just before the data file is replaced, and failing to put the new one in place does
    // not stop the commit (it is a cache): none ever stands beside a data file it does not name.
    TFileStream* BeginFollower(const std::string& target);
    // Drops the follower `file` (one whose writing failed): the commit does not place it.
    void AbandonFollower(const TFileStream* file);
    // After a commit: whether the follower for `target` took its place.
    bool PlacedFollower(const std::string& target) const;
    // Flushes the data file, writes the index from `index` (compressed) and flushes it, takes
    // the pair's locks, checks that the pair is still `expected` (when given), then puts the
    // companions and the pair in place.
    Result Commit(const TMemoryStream& index, const TExpected* expected);
    // After a commit that failed once it held the pair's locks: the stamps the pair in place
    // (the old one, whole) has now. Taking a second name for the old data and giving it back
    // changes its change time; the pair is still the one that was read.
    bool OldPairStamps(FileStamp& index, FileStamp& data) const;

private:
    Result PutInPlace();
    bool Undo(bool asideDone);

    std::string indexName_, dataName_;
    std::string tag_; // "PID-N", shared by every temporary name of this save
    std::string lockName_, dataTemp_, indexTemp_, indexReady_, oldData_;
    std::unique_ptr<TFileStream> lock_, data_, index_;
    std::unique_ptr<TFileStream> heldIndex_, heldData_; // the pair in place, locked for the commit
    struct Companion {
        std::string temp, target;
        std::unique_ptr<TFileStream> file;
    };
    std::vector<Companion> companions_, followers_;
    TFileStream* Begin(std::vector<Companion>& list, const std::string& target);
    bool PlaceFollowers();
    bool placedFollowers_ = false;
    void DropPlacedFollowers();
};
