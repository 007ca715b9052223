// Saving a catalogue: the blocks of unchanged media are copied once their bytes are checked,
// the others are compressed on the workers, every block is summed as it goes into the new data
// file, and the new pair takes the old one's place only when both files are whole.
#include "mediaclasses.h"

#include "IO_BZIP.h"
#include "backups.h"
#include "faults.h"
#include "blockcopy.h"
#include "contentloading.h"
#include "contentstream.h"
#include "parallelbzip.h"
#include "previewsfile.h"
#include "savepair.h"
#include "workers.h"
#include "search/nameindex.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Blocks larger than this are compressed in pieces on several workers; smaller ones each on one.
constexpr int64_t kSplitAbove = int64_t(1) << 20;

// Passes everything on to the new data file and sums the bytes written since the last Reset.
class TSummingStream final : public TStream {
public:
    explicit TSummingStream(TStream& file) : file_(file) {}
    size_t Read(void* buffer, size_t count) override { return file_.Read(buffer, count); }
    size_t Write(const void* buffer, size_t count) override {
        const size_t written = file_.Write(buffer, count);
        summer_.Add(buffer, written);
        whole_.Add(buffer, written);
        return written;
    }
    bool Seek(int64_t position) override { return file_.Seek(position); }
    int64_t Position() const override { return file_.Position(); }
    int64_t Size() const override { return file_.Size(); }
    void Reset() { summer_.Reset(); }
    uint64_t Sum() const { return summer_.Sum(); }
    // Of everything written: the identity the index names its data file by.
    uint64_t WholeSum() const { return whole_.Sum(); }

private:
    TStream& file_;
    TBlockSummer summer_, whole_;
};

} // namespace

bool CMedienListe::Save(const std::string& fileName) {
    ClearFileFault();
    ReadIdentity = {};
    DamagedMedium = -1;
    SaveFailure = TSaveFailure::Failed;
    const auto refuse = [this](TSaveFailure why) {
        SaveFailure = why;
        return false;
    };
    // Through links to the files they lead to: the links stay, the catalogue they lead to is
    // the one that changes.
    const std::string target = FileBehindLinks(fileName);
    const std::string dataName = DataFileNameOf(target);
    if (dataName == target) return false; // one file cannot be both index and data file
    if (const std::string named = DataFileNameOf(fileName);
        FileExists(named) && FileBehindLinks(named) != dataName) {
        NoteFileReason(named, "leads elsewhere than the data file beside " + target +
                                  "; the pair must stand together to be saved");
        return false;
    }
    // What an earlier save left here is settled first, as an open does.
    switch (const TSettle settled = SettlePair(target, dataName); settled.state) {
    case TSettle::State::Settled: break;
    case TSettle::State::SaveRunning:
        NoteFileReason(target, "is being saved by another program");
        return refuse(TSaveFailure::InUse);
    default: NoteFileReason(settled.file, "was left by a stopped save and cannot be settled"); return false;
    }
    // Onto the pair this catalogue was read from or last saved to: only while it is still that
    // pair, which the commit checks again once it holds the pair's locks.
    const bool ownPair = !PairFileName.empty() && FileAge.exists &&
                         (SameCatalogueFile(fileName, PairFileName) ||
                          FileBehindLinks(PairFileName) == target);
    const PairWriter::TExpected expected{FileAge, DataFileAge};
    if (ownPair && !(FileStamp::Of(target) == FileAge)) {
        NoteFileReason(target, "changed on disk by another program since it was read");
        return refuse(TSaveFailure::ChangedOnDisk);
    }
    // Unchanged blocks are copied from the current data file, their bytes checked against their
    // sums. One that fails is written afresh from its tree when that is in memory; otherwise the
    // save stops, so that the damage is reported rather than carried into the new pair.
    std::vector<bool> copyable;
    const TBlockCheck check = CheckedCopyableBlocks(*this, copyable);
    DamagedMedium = check.damaged;
    if (!check.readable) return false;
    if (check.damaged >= 0) return refuse(TSaveFailure::Damaged);
    std::unique_ptr<TFileStream> oldData;
    if (std::find(copyable.begin(), copyable.end(), true) != copyable.end()) {
        oldData = OpenFile(DataFileName, false);
        if (!oldData) return refuse(errno == EWOULDBLOCK ? TSaveFailure::InUse : TSaveFailure::Failed);
        if (!(FileStamp::OfHandle(oldData->Handle()) == DataFileAge)) {
            NoteFileReason(DataFileName, "changed on disk by another program since it was read");
            return refuse(TSaveFailure::ChangedOnDisk);
        }
    }
    // Every other medium written without its content would lose it: those come in first.
    std::vector<CMedium*> toLoad;
    for (size_t i = 0; i < media_.size(); ++i) {
        CMedium* m = media_[i].get();
        if (!copyable[i] && !m->ContentLoaded && m->DataOffset >= 0) toLoad.push_back(m);
    }
    TLoadFailure unloaded = TLoadFailure::None;
    LoadContentsInOrder(toLoad, DataFileName, [&](CMedium& m, bool loaded) {
        if (!loaded) {
            unloaded = m.LoadFailure;
            for (size_t i = 0; i < media_.size(); ++i)
                if (media_[i].get() == &m) DamagedMedium = static_cast<int>(i);
        }
        return loaded;
    });
    switch (unloaded) {
    case TLoadFailure::None: break;
    case TLoadFailure::InUse: return refuse(TSaveFailure::InUse);
    case TLoadFailure::Changed: return refuse(TSaveFailure::ChangedOnDisk);
    case TLoadFailure::Damaged: return refuse(TSaveFailure::Damaged);
    case TLoadFailure::Missing: DamagedMedium = -1; return false;
    }

    struct Before {
        bool stored;
        int32_t offset, length;
        int64_t block;
        TMediumAdditions additions;
    };
    std::vector<Before> before;
    for (auto& m : media_) {
        before.push_back({m->Stored, m->DataOffset, m->ContentLength, m->BlockLength, m->Additions});
        m->Stored = false;
        m->DataOffset = -1;
    }
    auto restore = [&] {
        for (size_t i = 0; i < media_.size(); ++i) {
            media_[i]->Stored = before[i].stored;
            media_[i]->DataOffset = before[i].offset;
            media_[i]->ContentLength = before[i].length;
            media_[i]->BlockLength = before[i].block;
            media_[i]->Additions = before[i].additions;
        }
        return false;
    };

    PairWriter pair(target, dataName);
    TStream* file = pair.BeginData();
    if (!file) return restore();
    const std::string previewsName = PreviewsFileNameOf(target);
    // The backups are copies of the pair in place, checked as they are made, and take their
    // places only with the commit: a save refused on the way changes no file.
    if (MakeBackups && ownPair && FileAge.exists) {
        TFileStream* indexCopy = pair.BeginCompanion(IndexBackupName(target));
        TFileStream* dataCopy = indexCopy ? pair.BeginCompanion(DataBackupName(target)) : nullptr;
        int64_t damagedBlock = -1;
        if (faults::Fail("backup-copy") || !dataCopy ||
            !CopyPairChecked(target, dataName, &expected.index, &expected.data, *indexCopy,
                             *dataCopy, &damagedBlock)) {
            restore();
            if (!(FileStamp::Of(target) == FileAge) || !(FileStamp::Of(dataName) == DataFileAge))
                return refuse(TSaveFailure::ChangedOnDisk);
            // A rotted block of a medium whose tree is not in memory is the damage to report;
            // one with its tree in memory could be healed, but not copied into a backup.
            for (int i = 0; i < Count(); ++i)
                if (media_[size_t(i)]->DataOffset == damagedBlock && !media_[size_t(i)]->ContentLoaded) {
                    DamagedMedium = i;
                    return refuse(TSaveFailure::Damaged);
                }
            return refuse(TSaveFailure::BackupFailed);
        }
        // The previews' copy is made only from a whole file: pictures are no reason to refuse
        // the save, and a copy of a damaged file would only pass the damage on.
        if (FileExists(previewsName) && PreviewsFileWhole(previewsName)) {
            TFileStream* previewsCopy = pair.BeginCompanion(PreviewsBackupName(target));
            if (!previewsCopy || !CopyWholeFile(previewsName, *previewsCopy)) {
                restore();
                return refuse(TSaveFailure::BackupFailed);
            }
        }
    }
    // The previews file is written whenever there are pictures, and over one that is there
    // without them, which would otherwise stay beside a pair it no longer belongs to.
    TFileStream* previewsFile = nullptr;
    // It names the new data, so it takes its place after that and before the index: a save
    // that stops before the data is replaced leaves the old file with the old pair.
    if (CatalogueHasPreviews(*this) || FileExists(previewsName)) {
        previewsFile = pair.BeginFollower(previewsName);
        if (!previewsFile) return restore();
    }
    std::optional<TPreviewsWriter> previews;
    // The name index, from the trees this save holds (with a tree left on disk there is none,
    // and the open builds it): its groups are written on a thread of their own while the data
    // is, as they need only the trees, which the save only reads.
    bool held = true;
    for (size_t i = 0; i < media_.size(); ++i) held = held && (media_[i]->ContentLoaded || before[i].offset < 0);
    TFileStream* names = held && SaveNameIndex ? pair.BeginFollower(NameIndexFileName(target)) : nullptr;
    std::optional<TNameIndexWriting> nameIndex;
    std::atomic<bool> groupsFailed{false};
    std::thread groups;
    if (names) {
        nameIndex.emplace(*names);
        groups = std::thread([&] {
            try {
                nameIndex->WriteGroups(*this);
            } catch (const std::exception&) { // memory running out: the save goes on without it
                groupsFailed = true;
            }
        });
    }
    struct TJoin {
        std::thread& thread;
        ~TJoin() {
            if (thread.joinable()) thread.join();
        }
    } joinGroups{groups};
    TSummingStream data(*file);
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
            work.Submit({}, [this, &m, &failed, &data, i, start] {
                if (failed) return;
                ReportProgress(i, Count());
                *start = data.Position();
                data.Reset();
                if (*start > INT32_MAX) failed = true;
                m.DataOffset = static_cast<int32_t>(*start);
            });
            // `expected`: the sum a copied block must have; a block whose bytes differ is damaged
            // and stops the save.
            const auto ended = [this, &m, &failed, &index, &data, start, i](bool written,
                                                                         const uint64_t* expected) {
                if (failed) return;
                const uint64_t sum = data.Sum();
                if (written && expected && *expected != sum) {
                    DamagedMedium = i;
                    written = false;
                }
                m.Stored = written;
                m.BlockLength = data.Position() - *start;
                m.Additions.BlockSummed = written;
                m.Additions.BlockBytes = m.BlockLength;
                m.Additions.BlockSum = sum;
                failed = !written || !m.WriteHeader(index);
            };
            if (copyable[size_t(i)]) {
                work.Submit({}, [&oldData, &failed, &data, old, ended] {
                    if (failed) return;
                    // The user's data could not be read back whole: this save must not go on.
                    ended(CopyBlockBytes(*oldData, old.offset, old.block, data) == TBlockCopy::Copied,
                          &old.additions.BlockSum);
                });
                continue;
            }
            auto content = std::make_shared<TMemoryStream>();
            if (!m.WriteContentRecords(*content) || content->Size() > INT32_MAX) {
                failed = true;
                break;
            }
            m.ContentLength = static_cast<int32_t>(content->Size());
            // Compressed while the scan ran: the same records give the same stream.
            if (auto packed = TakePackedContent(&m); packed && packed->Holds(*content)) {
                work.Submit({}, [packed, &data, ended] {
                    const size_t size = static_cast<size_t>(packed->compressed.Size());
                    ended(data.Write(packed->compressed.Data(), size) == size, nullptr);
                });
                continue;
            }
            if (content->Size() > kSplitAbove) {
                QueueCompressedStream(work, std::move(content), data,
                                      [ended](bool written) { ended(written, nullptr); });
                continue;
            }
            // A smaller block is one worker's task, with one compressor for the whole of it.
            auto packed = std::make_shared<TMemoryStream>();
            auto ok = std::make_shared<bool>(false);
            work.Submit([content, packed, ok] { *ok = CompressToFile(*content, *packed); },
                        [packed, ok, &data, ended] {
                            const size_t size = static_cast<size_t>(packed->Size());
                            ended(*ok && data.Write(packed->Data(), size) == size, nullptr);
                        });
        }
        if (!failed) work.Finish();
        if (previewsFile) previews.emplace(*previewsFile);
        for (int i = 0; i < Count() && !failed; ++i) {
            if (previews) WriteMediumPreviews(*this, i, *previews);
            media_[size_t(i)]->Additions.PreviewCount = previews ? int32_t(previews->MediumCount(size_t(i))) : 0;
        }
        if (!failed) {
            WriteMediumAdditions(index, *this);
            const TDataIdentity identity{true, data.Position(), data.WholeSum()};
            WriteDataIdentity(index, identity);
            // The pictures belong to this index as well as to this data file: a data file can stay
            // byte for byte the same while the index changes.
            failed = previews && !previews->Finish(identity, BlockSumOf(index.Data(), size_t(index.Size())));
            if (groups.joinable()) groups.join();
            if (names && (groupsFailed || !nameIndex->Finish(*this, identity))) pair.AbandonFollower(names);
        }
    } catch (const std::exception&) { // memory running out on a worker or here
        failed = true;
    }
    if (failed) {
        if (DamagedMedium >= 0) SaveFailure = TSaveFailure::Damaged;
        return restore();
    }
    // The old data file is only read; its lock must go before the new pair takes its place.
    oldData.reset();
    switch (pair.Commit(index, ownPair ? &expected : nullptr)) {
    case PairWriter::Result::Done: break;
    case PairWriter::Result::ChangedOnDisk: restore(); return refuse(TSaveFailure::ChangedOnDisk);
    case PairWriter::Result::InUse: restore(); return refuse(TSaveFailure::InUse);
    case PairWriter::Result::Interrupted: restore(); return refuse(TSaveFailure::Interrupted);
    case PairWriter::Result::LoneDataFile: restore(); return refuse(TSaveFailure::LoneDataFile);
    case PairWriter::Result::Failed:
        if (FileStamp i, d; ownPair && pair.OldPairStamps(i, d)) FileAge = i, DataFileAge = d;
        return restore();
    }
    if (previews && pair.PlacedFollower(previewsName)) ReattachPreviews(*this, previewsName, previews->Media());
    // One left from before names the old data: a cache that can only be rebuilt.
    if (!pair.PlacedFollower(NameIndexFileName(target))) ::unlink(NameIndexFileName(target).c_str());
    DataFileName = dataName;
    FileName = fileName;
    PairFileName = fileName;
    FileAge = FileStamp::Of(target);
    DataFileAge = FileStamp::Of(dataName);
    Modified = false;
    SaveFailure = TSaveFailure::None;
    return true;
}
