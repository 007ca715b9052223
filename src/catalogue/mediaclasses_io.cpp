// Reading and writing the catalogue's index file, data file and content blocks.
#include "mediaclasses.h"
#include "previewsfile.h"

#include "blockcopy.h"

#include "IO_BZIP.h"
#include "contentrecords.h"
#include "contenttrailers.h"
#include "savepair.h"
#include "entrywalk.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

using namespace contentrecords;

namespace {


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
    // A name that leads out of its folder was never written by a walk: the block is damaged.
    if (!AcceptableEntryName(e.Name())) throw EShelvixError("File Read Error: Name");
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
    WriteContentTrailers(stream, large, entries);
}

template <typename S> void ReadContentFrom(S& stream, CMedium& medium, EntryList& entries) {
    const int32_t count = ReadInt(stream);
    const int64_t room = std::clamp<int64_t>(count, 0, stream.Remaining() / kSmallestRecord);
    entries.Reserve(medium.Arena(), static_cast<uint32_t>(entries.Count() + room));
    std::vector<std::pair<int32_t, CFile*>> saturated;
    const int first = entries.Count();
    ReadTree(stream, medium, nullptr, count, saturated);
    ReadLargeSizes(stream, saturated);
    ReadEntryDetails(stream, medium, first);
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
    // The catalogue's own data file must still be the one it was read with: its blocks are
    // where the index says only in that file.
    const bool own = Owner && Owner->DataFileName == dataFileName && Owner->DataFileAge.exists;
    return LoadContent(dataFileName, own ? &Owner->DataFileAge : nullptr);
}

bool CMedium::LoadContent(const std::string& dataFileName, const FileStamp* expected) {
    ContentLoaded = false;
    LoadFailure = TLoadFailure::None;
    const auto fail = [this](TLoadFailure why) {
        LoadFailure = why;
        return false;
    };
    if (!FileExists(dataFileName)) return fail(TLoadFailure::Missing);
    // Only read: a catalogue on a disc or a read-only share must browse and search as usual.
    auto file = OpenFile(dataFileName, false);
    if (!file) return fail(errno == EWOULDBLOCK ? TLoadFailure::InUse : TLoadFailure::Missing);
    if (expected && !(FileStamp::OfHandle(file->Handle()) == *expected)) {
        NoteFileReason(dataFileName, "saved by another program since the catalogue was read");
        return fail(TLoadFailure::Changed);
    }
    // One buffer serves every load on this thread: fresh memory for each medium would cost a
    // page fault per page, every time.
    static thread_local TMemoryStream memory, packed;
    memory.Rewrite();
    bool decompressed = false;
    if (Additions.BlockSummed) {
        // The block's bytes are read once, under the lock, then checked against the sum the
        // index keeps: a rotted block or a data file of another save never loads as a tree.
        packed.Rewrite();
        const int64_t length = Additions.BlockBytes;
        const int64_t room = file->Size() - int64_t(DataOffset);
        char* bytes = DataOffset >= 0 && length > 0 && length <= room
                          ? packed.AppendSpace(static_cast<size_t>(length))
                          : nullptr;
        if (!bytes || !file->Seek(DataOffset) || file->Read(bytes, size_t(length)) != size_t(length))
            return fail(TLoadFailure::Damaged);
        packed.CommitAppend(size_t(length));
        file.reset(); // decompressed without holding up a save
        if (BlockSumOf(bytes, size_t(length)) != Additions.BlockSum) return fail(TLoadFailure::Damaged);
        packed.Seek(0);
        decompressed = DecompressCount(packed, memory, ContentLength);
        if (packed.Capacity() > (size_t(64) << 20)) packed.Clear();
    } else {
        decompressed = DataOffset >= 0 && file->Seek(DataOffset) &&
                       DecompressCount(*file, memory, ContentLength);
    }
    memory.Seek(0);
    // The records add to the tree: a medium read a second time must not list its entries twice.
    if (decompressed) ClearEntries();
    ContentLoaded = decompressed && ReadContentRecords(memory);
    if (memory.Capacity() > (size_t(64) << 20)) memory.Clear(); // giants are not kept
    return ContentLoaded || fail(TLoadFailure::Damaged);
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
    // A commit another program was stopped in just now is settled, and the load tried again.
    for (int attempt = 0;; ++attempt) {
        const bool loaded = LoadPair(fileName);
        if (loaded || attempt > 0 || LoadFailure != TLoadFailure::Damaged) return loaded;
        media_.clear();
        Categories.clear();
    }
}

bool CMedienListe::LoadPair(const std::string& fileName) {
    ClearFileFault();
    LoadFailure = TLoadFailure::None;
    LoadNotice.clear();
    const auto missing = [](const std::string& path) {
        if (FileExists(path)) return false;
        NoteFileFault(path, errno != 0 ? errno : ENOENT);
        return true;
    };
    const std::string dataName = DataFileNameOf(fileName);
    // A save stopped between its renames is finished or undone first, on the files the names
    // lead to, so that the pair read is the old one or the new one, whole.
    std::string indexRead = fileName;
    if (dataName != fileName) {
        const std::string real = FileBehindLinks(fileName);
        const TSettle settled = SettlePair(real, DataFileNameOf(real));
        switch (settled.state) {
        case TSettle::State::Settled: break;
        case TSettle::State::SaveRunning:
            NoteFileReason(fileName, "is being saved by another program; try again in a moment");
            LoadFailure = TLoadFailure::InUse;
            return false;
        case TSettle::State::Leftover:
            NoteFileReason(settled.file, "was left by a save that was stopped and cannot be "
                                         "settled in this folder; copy the catalogue's files "
                                         "to a folder that can be written and open it there");
            LoadFailure = TLoadFailure::Damaged;
            return false;
        case TSettle::State::ReadReady:
            indexRead = settled.file;
            LoadNotice = "A save of this catalogue was stopped before it was complete, and its "
                         "folder cannot be written. The saved state was read from " +
                         settled.file + ". Use Save as to keep it elsewhere.";
            break;
        }
    }
    if (missing(fileName)) return false;
    if (missing(dataName)) return false;
    // The index stays locked until the data file is open too: a commit, which takes both, then
    // cannot put a new pair in place between the two.
    auto indexFile = OpenFile(indexRead, false);
    if (!indexFile) {
        if (errno == EWOULDBLOCK) LoadFailure = TLoadFailure::InUse;
        return false;
    }
    auto index = std::make_unique<TMemoryStream>();
    index->SetLimit(kMaxWholeFileBytes);
    if (!DecompressAll(*indexFile, *index, true)) return false;
    index->Seek(0);
    // Not read here, but it must be there and not locked by a writer. Where it cannot be
    // opened for writing (a disc, a read-only share or folder) the catalogue still opens; a
    // later save onto it fails like any failed save, and Save as works.
    auto data = OpenFile(dataName, true);
    if (!data && (data = OpenFile(dataName, false))) ClearFileFault(); // read-only is fine
    if (!data) {
        if (errno == EWOULDBLOCK) LoadFailure = TLoadFailure::InUse;
        return false;
    }
    FileName = fileName;
    DataFileName = dataName;
    PairFileName = fileName;
    FileAge = indexRead == fileName ? FileStamp::OfHandle(indexFile->Handle()) : FileStamp::Of(fileName);
    DataFileAge = FileStamp::OfHandle(data->Handle());
    indexFile.reset();
    TDataIdentity identity;
    ReadIdentity = {};
    if (!ReadIndex(*index, identity)) return false;
    if (indexRead == fileName) ReadIdentity = identity;
    // Measured first: what a refused load leaves in the catalogue is whole in itself.
    MeasureBlocks(*this, data->Size());
    if (identity.known && identity.size != data->Size()) {
        NoteFileReason(dataName, "does not belong to " + fileName + " (it is not the data file "
                                 "that index was saved with)");
        LoadFailure = TLoadFailure::Damaged;
        return false;
    }
    // Losing the previews never loses the catalogue: it opens, and says so once.
    const uint64_t indexSum = BlockSumOf(index->Data(), size_t(index->Size()));
    if (std::string note = AttachPreviewsFile(*this, PreviewsFileNameOf(FileBehindLinks(fileName)), identity, indexSum);
        !note.empty())
        LoadNotice += (LoadNotice.empty() ? "" : "\n\n") + note;
    return true;
}

bool CMedienListe::ReadIndex(TMemoryStream& index, TDataIdentity& identity) {
    try {
        const int32_t version = ReadInt(index);
        if (version > 1) return false;
        Version = version;
        const int32_t categories = ReadInt(index);
        for (int32_t i = 0; i < categories; ++i) Categories.push_back(ReadString(index));
        const int32_t media = ReadInt(index);
        for (int32_t i = 0; i < media; ++i) {
            ReportProgress(i, media);
            auto medium = std::make_unique<CMedium>(this);
            if (!medium->ReadHeader(index)) return false;
            AddMedium(std::move(medium));
        }
    } catch (const std::exception&) {
        return false;
    }
    ReadMediumAdditions(index, *this);
    identity = ReadDataIdentity(index);
    return true;
}

TDataIdentity DataIdentityOfIndexFile(const std::string& indexName, bool* readable) {
    CMedienListe scratch;
    TDataIdentity identity;
    auto index = LoadCompressedFile(indexName);
    const bool read = index && scratch.ReadIndex(*index, identity);
    if (readable) *readable = read;
    return read ? identity : TDataIdentity{};
}

bool DataFileIs(const std::string& dataName, const TDataIdentity& identity) {
    auto file = OpenFile(dataName, false);
    if (!file || file->Size() != identity.size) return false;
    TBlockSummer sum;
    std::vector<char> buffer(size_t(1) << 20);
    for (int64_t left = identity.size; left > 0;) {
        const size_t piece = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        if (file->Read(buffer.data(), piece) != piece) return false;
        sum.Add(buffer.data(), piece);
        left -= int64_t(piece);
    }
    return sum.Sum() == identity.sum;
}
