// Reading and writing the catalogue's index file, data file and content blocks.
#include "mediaclasses.h"

#include "blockcopy.h"
#include "contentloading.h"
#include "parallelbzip.h"
#include "workers.h"

#include "IO_BZIP.h"
#include "catalogue/savepair.h"
#include "entrywalk.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {

// Sizes of 2 GiB and more do not fit the record's 32-bit field: the field holds its largest
// value and the exact size follows the last record in a trailer (docs/catalogue-format.md).
constexpr int32_t kSaturatedSize = INT32_MAX;
constexpr int32_t kLargeSizeTag = 0x34365853; // "SX64"
constexpr int64_t kSmallestRecord = 7 * 4 + 4;
// Blocks larger than this are compressed in pieces on several workers; smaller ones each on one.
constexpr int64_t kSplitAbove = int64_t(1) << 20;

struct LargeSize {
    int32_t number; // depth-first position of the entry in the block
    int64_t size;
};

template <typename S>
void WriteRecord(S& stream, const CFile& e, int32_t number, std::vector<LargeSize>& large) {
    WriteInt(stream, e.Version);
    WriteInt(stream, e.Category);
    WriteDouble(stream, LocalToStored(e.Date));
    WriteString(stream, e.Name());
    int32_t field = static_cast<int32_t>(std::clamp<int64_t>(e.Size, INT32_MIN, kSaturatedSize));
    if (e.Size > kSaturatedSize) large.push_back({number, e.Size});
    WriteInt(stream, field);
    WriteInt(stream, e.Kind);
    WriteInt(stream, e.ChildCount());
}

// Writes the records of `roots` depth first; `single` writes one entry and its subtree instead.
template <typename S>
void WriteTree(S& stream, const EntryList* roots, const CFile* single,
               std::vector<LargeSize>& large) {
    int32_t number = 0;
    auto visit = [&](const CFile* e) {
        WriteRecord(stream, *e, number++, large);
        return false;
    };
    if (single) {
        visit(single);
        WalkEntries(single->Children(), visit);
    } else {
        WalkEntries(*roots, visit);
    }
}

// Names come straight out of an in-memory stream; other streams go through a buffer.
void ReadName(TMemoryStream& stream, CFile& e, std::string&) { e.SetName(ReadStringView(stream)); }
void ReadName(TStream& stream, CFile& e, std::string& buffer) {
    ReadStringTo(stream, buffer);
    e.SetName(buffer);
}

// The fields of one record into `e`; answers its child count.
template <typename S> int32_t ReadRecord(S& stream, CFile& e, std::string& nameBuffer) {
    const int32_t version = ReadInt(stream);
    if (version > 1) throw EShelvixError("File Read Error: Version");
    e.Version = version;
    e.Category = ReadInt(stream);
    e.Date = StoredToLocal(ReadDouble(stream));
    ReadName(stream, e, nameBuffer);
    e.Size = ReadInt(stream);
    e.Kind = ReadInt(stream);
    return ReadInt(stream);
}

// Reads records depth first. With `single`, fills it and its subtree; otherwise reads `count`
// top-level entries into the medium. Saturated sizes are noted for the trailer.
template <typename S>
void ReadTree(S& stream, CMedium& medium, CFile* single, int32_t count,
              std::vector<std::pair<int32_t, CFile*>>& saturated) {
    struct Frame {
        CFile* parent;
        int32_t remaining;
        int64_t reservedLeft;
    };
    std::string nameBuffer;
    int32_t number = 0;
    std::vector<Frame> stack;
    int64_t promised = 0;
    // Room is made for children only as far as the bytes left could hold them, counting the
    // room already promised to parents still being read: a hostile count costs nothing.
    auto reserveFor = [&](int32_t children) {
        const int64_t room = std::max<int64_t>(stream.Remaining(), 0) / kSmallestRecord;
        const int64_t n = std::min<int64_t>(children, std::max<int64_t>(room - promised, 0));
        promised += n;
        return n;
    };
    auto readOne = [&](CFile* e) {
        const int32_t children = ReadRecord(stream, *e, nameBuffer);
        if (e->Size == kSaturatedSize) saturated.emplace_back(number, e);
        ++number;
        if (children > 0) {
            const int64_t n = reserveFor(children);
            e->ReserveChildren(static_cast<uint32_t>(n));
            stack.push_back({e, children, n});
        }
    };
    if (single) {
        readOne(single);
    } else if (count > 0) {
        stack.push_back({nullptr, count, 0});
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.remaining <= 0) {
            promised -= frame.reservedLeft;
            stack.pop_back();
            continue;
        }
        --frame.remaining;
        if (frame.reservedLeft > 0) --frame.reservedLeft, --promised;
        CFile* parent = frame.parent;
        CFile* e = CFile::Create(&medium, parent);
        if (parent) parent->AddChild(e);
        else medium.AddEntry(e);
        readOne(e);
    }
}

template <typename S>
void ReadLargeSizes(S& stream, std::vector<std::pair<int32_t, CFile*>>& saturated) {
    if (stream.Remaining() < 4) return;
    if (ReadInt(stream) != kLargeSizeTag) return; // bytes this version does not know: ignored
    const int32_t count = ReadInt(stream);
    if (count < 0 || count > stream.Remaining() / 12) throw EShelvixError("File Read Error: Int");
    for (int32_t i = 0; i < count; ++i) {
        const int32_t number = ReadInt(stream);
        const int64_t size = ReadInt64(stream);
        auto it = std::lower_bound(saturated.begin(), saturated.end(), number,
                                   [](const auto& p, int32_t n) { return p.first < n; });
        if (it == saturated.end() || it->first != number || size <= kSaturatedSize)
            throw EShelvixError("File Read Error: Int64");
        it->second->Size = size;
    }
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

} // namespace

bool CFile::Write(TStream& stream) const {
    try {
        std::vector<LargeSize> large;
        WriteTree(stream, nullptr, this, large);
        return true;
    } catch (const std::exception&) { // field errors, or memory running out on hostile input
        return false;
    }
}

bool CFile::Read(TStream& stream) {
    try {
        std::vector<std::pair<int32_t, CFile*>> saturated;
        ReadTree(stream, *Medium, this, 0, saturated);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CMedium::ReadHeader(TStream& stream) {
    Stored = false;
    try {
        const int32_t version = ReadInt(stream);
        if (version > 1) return false;
        Version = version;
        Category = ReadInt(stream);
        FolderCount = ReadInt(stream);
        FileCount = ReadInt(stream);
        DataOffset = ReadInt(stream);
        Notice = ReadString(stream);
        VolumeLabel = ReadString(stream);
        Name = ReadString(stream);
        Serial = ReadString(stream);
        TotalSize = ReadInt64(stream);
        DriveType = static_cast<uint32_t>(ReadInt(stream));
        Present = ReadBool(stream);
        ContentLength = ReadInt(stream);
    } catch (const std::exception&) {
        return false;
    }
    Stored = true;
    return true;
}

bool CMedium::WriteHeader(TStream& stream) const {
    try {
        WriteInt(stream, Version);
        WriteInt(stream, Category);
        WriteInt(stream, FolderCount);
        WriteInt(stream, FileCount);
        WriteInt(stream, DataOffset);
        WriteString(stream, Notice);
        WriteString(stream, VolumeLabel);
        WriteString(stream, Name);
        WriteString(stream, Serial);
        WriteInt64(stream, TotalSize);
        WriteInt(stream, static_cast<int32_t>(DriveType));
        WriteBool(stream, Present);
        WriteInt(stream, ContentLength);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

template <typename S> void WriteContentTo(S& stream, const EntryList& entries) {
    WriteInt(stream, entries.Count());
    std::vector<LargeSize> large;
    WriteTree(stream, &entries, nullptr, large);
    if (large.empty()) return;
    WriteInt(stream, kLargeSizeTag);
    WriteInt(stream, static_cast<int32_t>(large.size()));
    for (const LargeSize& l : large) {
        WriteInt(stream, l.number);
        WriteInt64(stream, l.size);
    }
}

template <typename S> void ReadContentFrom(S& stream, CMedium& medium, EntryList& entries) {
    const int32_t count = ReadInt(stream);
    const int64_t room = std::clamp<int64_t>(count, 0, stream.Remaining() / kSmallestRecord);
    entries.Reserve(medium.Arena(), static_cast<uint32_t>(entries.Count() + room));
    std::vector<std::pair<int32_t, CFile*>> saturated;
    ReadTree(stream, medium, nullptr, count, saturated);
    ReadLargeSizes(stream, saturated);
}

bool CMedium::WriteContentRecords(TStream& stream) const {
    try {
        if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) WriteContentTo(*memory, entries_);
        else WriteContentTo(stream, entries_);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CMedium::ReadContentRecords(TStream& stream) {
    const int before = EntryCount();
    try {
        if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) ReadContentFrom(*memory, *this, entries_);
        else ReadContentFrom(stream, *this, entries_);
        return true;
    } catch (const std::exception&) {
        // A half-read tree is of no use to anyone: drop what this call added.
        if (before == 0) ClearEntries();
        else
            while (EntryCount() > before) ExtractEntry(EntryCount() - 1);
        return false;
    }
}

bool CMedium::LoadContent(const std::string& dataFileName) {
    ContentLoaded = false;
    if (!FileExists(dataFileName)) return false;
    // Only read: a catalogue on a disc or a read-only share must browse and search as usual.
    auto file = OpenFile(dataFileName, false);
    if (!file || !file->Seek(DataOffset)) return false;
    // One buffer serves every load on this thread: fresh memory for each medium would cost a
    // page fault per page, every time.
    static thread_local TMemoryStream memory;
    memory.Rewrite();
    const bool decompressed = DecompressCount(*file, memory, ContentLength);
    memory.Seek(0);
    ContentLoaded = decompressed && ReadContentRecords(memory);
    if (memory.Capacity() > (size_t(64) << 20)) memory.Clear(); // giants are not kept
    return ContentLoaded;
}

bool CMedium::WriteContent(TStream& dataFile) {
    Stored = true;
    TMemoryStream memory;
    if (!dataFile.Seek(DataOffset) || !WriteContentRecords(memory) || memory.Size() > INT32_MAX ||
        !CompressToFile(memory, dataFile)) {
        Stored = false;
        return false;
    }
    ContentLength = static_cast<int32_t>(memory.Size());
    return true;
}

bool CMedienListe::Load(const std::string& fileName) {
    ClearFileFault();
    const auto missing = [](const std::string& path) {
        if (FileExists(path)) return false;
        NoteFileFault(path, errno != 0 ? errno : ENOENT);
        return true;
    };
    if (missing(fileName)) return false;
    const std::string dataName = DataFileNameOf(fileName);
    if (missing(dataName)) return false;
    FileName = fileName;
    DataFileName = dataName;
    FileAge = FileStamp::Of(fileName);
    DataFileAge = FileStamp::Of(dataName);
    auto index = LoadCompressedFile(fileName);
    if (!index) return false;
    // Not read here, but it must be there and not locked by a writer. Where it cannot be
    // opened for writing (a disc, a read-only share or folder) the catalogue still opens; a
    // later save onto it fails like any failed save, and Save as works.
    auto data = OpenFile(dataName, true);
    if (!data && (data = OpenFile(dataName, false))) ClearFileFault(); // read-only is fine
    if (!data) return false;
    try {
        const int32_t version = ReadInt(*index);
        if (version > 1) return false;
        Version = version;
        const int32_t categories = ReadInt(*index);
        for (int32_t i = 0; i < categories; ++i) Categories.push_back(ReadString(*index));
        const int32_t media = ReadInt(*index);
        for (int32_t i = 0; i < media; ++i) {
            ReportProgress(i, media);
            auto medium = std::make_unique<CMedium>(this);
            if (!medium->ReadHeader(*index)) return false;
            AddMedium(std::move(medium));
        }
    } catch (const std::exception&) {
        return false;
    }
    MeasureBlocks(*this, data->Size());
    return true;
}

bool CMedienListe::Save(const std::string& fileName) {
    ClearFileFault();
    const std::string dataName = DataFileNameOf(fileName);
    if (dataName == fileName) return false; // one file cannot be both index and data file
    // Unchanged blocks are copied from the current data file. One that does not look like a
    // whole stream is read and written afresh, as a changed one.
    std::vector<bool> copyable = CopyableBlocks(*this);
    std::unique_ptr<TFileStream> oldData;
    if (std::find(copyable.begin(), copyable.end(), true) != copyable.end()) {
        oldData = OpenFile(DataFileName, false);
        if (!oldData) return false;
        for (size_t i = 0; i < media_.size(); ++i) {
            if (!copyable[i]) continue;
            switch (CheckBlock(*oldData, media_[i]->DataOffset, media_[i]->BlockLength)) {
            case TBlockCopy::Copied: break;
            case TBlockCopy::Malformed: copyable[i] = false; break;
            default: return false;
            }
        }
    }
    // Every other medium written without its content would lose it: those come in first.
    std::vector<CMedium*> toLoad;
    for (size_t i = 0; i < media_.size(); ++i) {
        CMedium* m = media_[i].get();
        if (!copyable[i] && !m->ContentLoaded && m->DataOffset >= 0) toLoad.push_back(m);
    }
    bool allLoaded = true;
    LoadContentsInOrder(toLoad, DataFileName, [&](CMedium&, bool loaded) {
        return allLoaded = loaded;
    });
    if (!allLoaded) return false;

    struct Before {
        bool stored;
        int32_t offset, length;
        int64_t block;
    };
    std::vector<Before> before;
    for (auto& m : media_) {
        before.push_back({m->Stored, m->DataOffset, m->ContentLength, m->BlockLength});
        m->Stored = false;
        m->DataOffset = -1;
    }
    auto restore = [&] {
        for (size_t i = 0; i < media_.size(); ++i) {
            media_[i]->Stored = before[i].stored;
            media_[i]->DataOffset = before[i].offset;
            media_[i]->ContentLength = before[i].length;
            media_[i]->BlockLength = before[i].block;
        }
        return false;
    };

    PairWriter pair(fileName, dataName);
    TStream* data = pair.BeginData();
    if (!data) return restore();
    TMemoryStream index;
    bool failed = false;
    try {
        WriteInt(index, Version);
        WriteInt(index, static_cast<int32_t>(Categories.size()));
        for (const auto& name : Categories) WriteString(index, name);
        WriteInt(index, Count());
        // The trees are written out here, in catalogue order; their compression runs on the
        // workers, and each block goes to the file in turn as the workers hand it back.
        TOrderedWork work;
        for (int i = 0; i < Count() && !failed; ++i) {
            CMedium& m = *media_[static_cast<size_t>(i)];
            const Before& old = before[size_t(i)];
            auto start = std::make_shared<int64_t>(0);
            work.Submit({}, [this, &m, &failed, data, i, start] {
                if (failed) return;
                ReportProgress(i, Count());
                *start = data->Position();
                if (*start > INT32_MAX) failed = true;
                m.DataOffset = static_cast<int32_t>(*start);
            });
            const auto ended = [&m, &failed, &index, data, start](bool written) {
                if (failed) return;
                m.Stored = written;
                m.BlockLength = data->Position() - *start;
                failed = !written || !m.WriteHeader(index);
            };
            if (copyable[size_t(i)]) {
                work.Submit({}, [&oldData, &failed, data, old, ended] {
                    if (failed) return;
                    // The user's data could not be read back whole: this save must not go on.
                    ended(CopyCheckedBlock(*oldData, old.offset, old.block, *data) ==
                          TBlockCopy::Copied);
                });
                continue;
            }
            auto content = std::make_shared<TMemoryStream>();
            if (!m.WriteContentRecords(*content) || content->Size() > INT32_MAX) {
                failed = true;
                break;
            }
            m.ContentLength = static_cast<int32_t>(content->Size());
            if (content->Size() > kSplitAbove) {
                QueueCompressedStream(work, std::move(content), *data, ended);
                continue;
            }
            // A smaller block is one worker's task, with one compressor for the whole of it.
            auto packed = std::make_shared<TMemoryStream>();
            auto ok = std::make_shared<bool>(false);
            work.Submit([content, packed, ok] { *ok = CompressToFile(*content, *packed); },
                        [packed, ok, data, ended] {
                            const size_t size = static_cast<size_t>(packed->Size());
                            ended(*ok && data->Write(packed->Data(), size) == size);
                        });
        }
        if (!failed) work.Finish();
    } catch (const std::exception&) { // memory running out on a worker or here
        failed = true;
    }
    if (failed) return restore();
    // The old data file is only read; its lock must go before the new pair takes its place.
    oldData.reset();
    if (!pair.Commit(index)) return restore();
    DataFileName = dataName;
    FileName = fileName;
    FileAge = FileStamp::Of(fileName);
    DataFileAge = FileStamp::Of(dataName);
    Modified = false;
    return true;
}
