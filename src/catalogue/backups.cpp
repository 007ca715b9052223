#include "backups.h"

#include "faults.h"
#include "savepair.h"
#include "IO_BZIP.h"
#include "mediaclasses.h"
#include "streams.h"

#include <algorithm>
#include <functional>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The blocks an index places in its data file, with the sums they must have, by position.
struct TKnownBlock {
    int64_t offset, length;
    uint64_t sum;
};

// Reads all of `file` into `copy`, giving every piece to `look` as well.
bool CopyAll(TFileStream& file, TStream& copy, const std::function<void(const char*, size_t, int64_t)>& look) {
    const int64_t size = file.Size();
    if (size < 0) return false;
    static thread_local std::vector<char> buffer(size_t(1) << 20);
    for (int64_t done = 0; done < size;) {
        const size_t piece = size_t(std::min<int64_t>(size - done, int64_t(buffer.size())));
        if (file.Read(buffer.data(), piece) != piece) return false;
        look(buffer.data(), piece, done);
        if (copy.Write(buffer.data(), piece) != piece) return false;
        done += int64_t(piece);
    }
    return true;
}

} // namespace

bool CopyPairChecked(const std::string& indexFileName, const std::string& dataFileName,
                     const FileStamp* indexStamp, const FileStamp* dataStamp, TStream& indexCopy,
                     TStream& dataCopy, int64_t* damagedBlock) {
    // Shared locks: a program writing the files makes the copy fail rather than read half.
    auto index = TFileStream::Open(indexFileName, TFileStream::Mode::ReadOnly);
    if (!index || (indexStamp && !(FileStamp::OfHandle(index->Handle()) == *indexStamp))) return false;
    TMemoryStream packed;
    if (!CopyAll(*index, indexCopy, [&](const char* bytes, size_t n, int64_t) { packed.Write(bytes, n); }))
        return false;
    packed.Seek(0);
    TMemoryStream content;
    content.SetLimit(kMaxWholeFileBytes);
    CMedienListe read;
    TDataIdentity identity;
    if (!DecompressAll(packed, content, true) || !content.Seek(0) || !read.ReadIndex(content, identity)) {
        NoteFileReason(indexFileName, "cannot be read as a catalogue index");
        return false;
    }
    std::vector<TKnownBlock> blocks;
    for (int i = 0; i < read.Count(); ++i) {
        const CMedium& m = *read.GetMedium(i);
        if (m.DataOffset >= 0 && m.Additions.BlockSummed)
            blocks.push_back({m.DataOffset, m.Additions.BlockBytes, m.Additions.BlockSum});
    }
    std::sort(blocks.begin(), blocks.end(), [](auto& a, auto& b) { return a.offset < b.offset; });

    auto data = TFileStream::Open(dataFileName, TFileStream::Mode::ReadOnly);
    if (!data || (dataStamp && !(FileStamp::OfHandle(data->Handle()) == *dataStamp))) return false;
    // Each block is summed as its bytes pass on their way to the copy (blocks never overlap).
    TBlockSummer whole, block;
    size_t next = 0;
    bool sound = true;
    const auto look = [&](const char* bytes, size_t n, int64_t at) {
        whole.Add(bytes, n);
        const int64_t end = at + int64_t(n);
        while (next < blocks.size() && blocks[next].offset < end) {
            const TKnownBlock& b = blocks[next];
            const int64_t from = std::max(b.offset, at), to = std::min(b.offset + b.length, end);
            if (from == b.offset) block.Reset();
            if (to > from) block.Add(bytes + (from - at), size_t(to - from));
            if (b.offset + b.length > end) break; // goes on in the next piece
            if (block.Sum() != b.sum && sound && damagedBlock) *damagedBlock = b.offset;
            sound &= block.Sum() == b.sum;
            ++next;
        }
    };
    if (!CopyAll(*data, dataCopy, look)) return false;
    sound &= next == blocks.size(); // a block past the end: the data file was cut short
    if (identity.known) sound &= identity.size == data->Size() && identity.sum == whole.Sum();
    if (!sound) NoteFileReason(dataFileName, "is damaged: a block does not hold what was saved");
    return sound;
}

std::string IndexBackupName(const std::string& indexFileName) {
    return indexFileName + ".bak";
}

namespace {
std::string BackupWithExtension(const std::string& indexFileName, const char* extension) {
    const size_t slash = indexFileName.rfind('/');
    const size_t dot = indexFileName.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? indexFileName.substr(0, dot) : indexFileName) + extension;
}
} // namespace

std::string DataBackupName(const std::string& indexFileName) {
    return BackupWithExtension(indexFileName, ".sxd.bak");
}

std::string PreviewsBackupName(const std::string& indexFileName) {
    return BackupWithExtension(indexFileName, ".sxp.bak");
}

bool MakeBackupCopies(const std::string& indexFileName, const std::string& dataFileName) {
    ClearFileFault();
    const std::string indexCopy = IndexBackupName(indexFileName);
    const std::string dataCopy = DataBackupName(indexFileName);
    std::string indexTemp, dataTemp;
    std::unique_ptr<TFileStream> indexOut, dataOut;
    const bool copied =
        !faults::Fail("backup-index") &&
        (indexOut = CreateTemporaryBeside(indexCopy, "new", indexTemp)) &&
        !faults::Fail("backup-data") && (dataOut = CreateTemporaryBeside(dataCopy, "new", dataTemp)) &&
        CopyPairChecked(indexFileName, dataFileName, nullptr, nullptr, *indexOut, *dataOut) &&
        indexOut->Sync() && dataOut->Sync();
    // The data copy goes in place first, as in a save, so the index copy never names blocks
    // that are not there.
    const bool placed = copied && !faults::Fail("backup-rename") &&
                        ::rename(dataTemp.c_str(), dataCopy.c_str()) == 0 &&
                        ::rename(indexTemp.c_str(), indexCopy.c_str()) == 0;
    if (!placed) {
        if (!indexTemp.empty()) ::unlink(indexTemp.c_str());
        if (!dataTemp.empty()) ::unlink(dataTemp.c_str());
        return false;
    }
    SyncFolderOf(indexCopy);
    return true;
}

bool SameCatalogueFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a.empty() || b.empty()) return false;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
