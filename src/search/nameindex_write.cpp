// Writing the name index: the entries of every medium in walk order, in groups of
// kBlockEntries whose names are kept in runs of bytes and other fields compressed; every trigram of the folded
// names lists the groups that hold it. Layout in docs/catalogue-format.md, "The name index".
#include "search/nameindex.h"
#include "search/nameindex_layout.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/contentloading.h"
#include "catalogue/entrywalk.h"
#include "catalogue/mediaclasses.h"
#include "catalogue/savepair.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <cstdlib>
#include <unistd.h>
#include <zlib.h>

using namespace nameindex;

namespace {

struct TPostings {
    uint32_t trigram = 0;
    std::string bytes;
    uint32_t first = 0, last = 0, count = 0;
};

// Each trigram's list, found by open addressing: a lookup for every trigram of every name is
// most of the index's writing, and a general map costs several times this.
class TPostingTable {
public:
    TPostings& Of(uint32_t trigram) {
        if ((lists_.size() + 1) * 2 > slots_.size()) Grow();
        size_t at = Slot(trigram);
        if (slots_[at] == kEmpty) {
            slots_[at] = uint32_t(lists_.size());
            lists_.push_back({trigram, {}, 0, 0, 0});
        }
        return lists_[slots_[at]];
    }
    std::vector<TPostings>& Lists() { return lists_; }

private:
    static constexpr uint32_t kEmpty = ~uint32_t(0);
    size_t Slot(uint32_t trigram) const {
        const size_t mask = slots_.size() - 1;
        size_t at = size_t((trigram * 0x9E3779B1u) >> 8) & mask;
        while (slots_[at] != kEmpty && lists_[slots_[at]].trigram != trigram) at = (at + 1) & mask;
        return at;
    }
    void Grow() {
        slots_.assign(std::max<size_t>(1024, slots_.size() * 2), kEmpty);
        for (size_t i = 0; i < lists_.size(); ++i) slots_[Slot(lists_[i].trigram)] = uint32_t(i);
    }
    std::vector<uint32_t> slots_;
    std::vector<TPostings> lists_;
};

class TWriter {
public:
    TWriter(TStream& out) : out_(out) {}

    void Add(const CFile& entry, uint64_t parent, std::string_view details) {
        const uint64_t id = entries_++;
        PutVarint(names_, entry.Name().size());
        names_.append(entry.Name());
        // Siblings follow one another in the walk: most entries share the previous one's parent.
        const uint64_t code = parent == kNoParent ? 0
                              : inBlock_ > 0 && parent == lastParent_ ? 1
                                                                        : id - parent + 1;
        lastParent_ = parent;
        PutVarint(parents_, code);
        PutVarint(kinds_, uint32_t(entry.Kind));
        PutVarint(sizes_, ZigZag(entry.Size));
        PutVarint(categories_, ZigZag(entry.Category));
        PutVarint(detailSizes_, details.size());
        details_.append(details);
        dates_.push_back(entry.Date);
        const auto block = uint32_t(blocks_.size());
        ForEachTrigram(entry.Name(), [this, block](uint32_t t) {
            TPostings& p = postings_.Of(t);
            if (p.count > 0 && p.last == block) return; // listed for this group already
            PutVarint(p.bytes, p.count == 0 ? block : block - p.last);
            if (p.count == 0) p.first = block;
            p.last = block;
            ++p.count;
        });
        if (++inBlock_ == kBlockEntries) EndBlock();
    }

    void EndBlock() {
        if (inBlock_ == 0) return;
        // The other fields inflated only for groups a find answers from, a column each so that
        // alike bytes stand together.
        std::string raw = parents_ + kinds_ + sizes_ + categories_ + detailSizes_ + details_;
        DatesTo(raw);
        std::string packed;
        runs_.Encode(names_, packed);
        const auto namesPacked = uint32_t(packed.size());
        packed += Pack(raw);
        TBlockInfo group{uint64_t(position_), namesPacked, uint32_t(names_.size()),
                         uint32_t(packed.size()) - namesPacked, uint32_t(raw.size()), 0};
        group.sum = GroupSumOf(uint32_t(blocks_.size()), group, packed);
        blocks_.push_back(group);
        Put(packed);
        for (std::string* column : {&names_, &parents_, &kinds_, &sizes_, &categories_, &detailSizes_, &details_})
            column->clear();
        dates_.clear();
        inBlock_ = 0;
    }

    // Dates the scan made are whole seconds, a few bytes as steps from the one before; others
    // as their eight bytes, each byte's column apart so the alike high bytes pack.
    void DatesTo(std::string& raw) const {
        std::vector<int64_t> seconds;
        for (double d : dates_) {
            const auto whole = WholeSeconds(d);
            if (!whole) break;
            seconds.push_back(*whole);
        }
        if (seconds.size() == dates_.size()) {
            raw.push_back(char(kDatesSeconds));
            for (size_t i = 0; i < seconds.size(); ++i)
                PutVarint(raw, ZigZag(i == 0 ? seconds[0] : seconds[i] - seconds[i - 1]));
            return;
        }
        raw.push_back(char(kDatesBits));
        for (int byte = 7; byte >= 0; --byte)
            for (double d : dates_) raw.push_back(char(DoubleBits(d) >> (8 * byte)));
    }

    // Level 1: the save waits for this, and a better level saves little on small groups. One
    // stream reset per group: setting one up costs more than packing a group's few hundred
    // bytes. Raw deflate: the group's sum already guards it.
    std::string Pack(const std::string& raw) {
        if (!zip_) {
            zip_ = std::make_unique<z_stream>();
            if (deflateInit2(zip_.get(), 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
                zip_.reset();
                failed_ = true;
                return {};
            }
        } else if (deflateReset(zip_.get()) != Z_OK) {
            failed_ = true;
        }
        std::string packed(deflateBound(zip_.get(), uLong(raw.size())), '\0');
        zip_->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
        zip_->avail_in = uInt(raw.size());
        zip_->next_out = reinterpret_cast<Bytef*>(packed.data());
        zip_->avail_out = uInt(packed.size());
        if (deflate(zip_.get(), Z_FINISH) != Z_STREAM_END) failed_ = true;
        packed.resize(packed.size() - zip_->avail_out);
        return packed;
    }
    ~TWriter() {
        if (zip_) deflateEnd(zip_.get());
    }

    bool Finish(const CMedienListe& catalogue, const TDataIdentity& data,
                const std::vector<std::pair<uint64_t, uint64_t>>& ranges) {
        EndBlock();
        std::vector<TPostings>& lists = postings_.Lists();
        std::sort(lists.begin(), lists.end(),
                  [](const TPostings& a, const TPostings& b) { return a.trigram < b.trigram; });
        std::string trigramTable;
        for (const TPostings& p : lists) {
            PutFixed32(trigramTable, p.trigram);
            PutFixed32(trigramTable, p.count);
            PutFixed(trigramTable, uint64_t(position_));
            const std::string list = ShortestGroupList(p.bytes, p.count, p.first, p.last, uint32_t(blocks_.size()));
            PutFixed32(trigramTable, uint32_t(list.size()));
            PutFixed32(trigramTable, uint32_t(BlockSumOf(list.data(), list.size())));
            Put(list);
        }
        std::string mediaTable;
        for (size_t m = 0; m < ranges.size(); ++m) {
            PutFixed(mediaTable, uint64_t(int64_t(catalogue.GetMedium(int(m))->DataOffset)));
            PutFixed(mediaTable, ranges[m].first);
            PutFixed(mediaTable, ranges[m].second);
        }
        std::string blockTable;
        for (const TBlockInfo& b : blocks_) {
            PutFixed(blockTable, b.offset);
            for (uint32_t v : {b.namesPacked, b.namesRaw, b.restPacked, b.restRaw}) PutFixed32(blockTable, v);
            PutFixed(blockTable, b.sum);
        }
        THeader h;
        h.dataSize = uint64_t(data.size);
        h.dataSum = data.sum;
        h.media = uint32_t(ranges.size());
        h.blocks = uint32_t(blocks_.size());
        h.entries = entries_;
        h.trigrams = uint32_t(lists.size());
        h.runs = runTable_;
        h.mediaTable = uint64_t(position_);
        Put(mediaTable);
        h.blockTable = uint64_t(position_);
        Put(blockTable);
        h.trigramTable = uint64_t(position_);
        Put(trigramTable);
        h.fileSize = uint64_t(position_);
        std::string header = EncodeHeader(h);
        h.tablesSum = TablesSum(header, mediaTable, trigramTable);
        header = EncodeHeader(h);
        if (!out_.Seek(0) || out_.Write(header.data(), header.size()) != header.size()) failed_ = true;
        return !failed_;
    }

    // The runs names are kept with, before the first group: those of the first medium's names.
    void UseRuns(std::string table) {
        runs_ = TNameRuns(table);
        runTable_ = std::move(table);
    }

    void Start() {
        const std::string blank(kHeaderSize, '\0');
        Put(blank);
    }
    uint64_t Entries() const { return entries_; }

private:
    void Put(const std::string& bytes) {
        if (out_.Write(bytes.data(), bytes.size()) != bytes.size()) failed_ = true;
        position_ += int64_t(bytes.size());
    }

    TStream& out_;
    int64_t position_ = 0;
    uint64_t entries_ = 0;
    uint32_t inBlock_ = 0;
    TNameRuns runs_;
    std::string runTable_;
    uint64_t lastParent_ = kNoParent;
    std::string names_, parents_, kinds_, sizes_, categories_, detailSizes_, details_;
    std::vector<double> dates_;
    TPostingTable postings_;
    std::vector<TBlockInfo> blocks_;
    std::unique_ptr<z_stream> zip_;
    bool failed_ = false;
};

} // namespace

struct TNameIndexWriting::Impl {
    explicit Impl(TStream& out) : writer(out) {}
    TWriter writer;
    bool started = false, ran = false;
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
};

TNameIndexWriting::TNameIndexWriting(TStream& out) : impl_(std::make_unique<Impl>(out)) {}
TNameIndexWriting::~TNameIndexWriting() = default;

void TNameIndexWriting::WriteGroups(const CMedienListe& catalogue) {
    for (int m = 0; m < catalogue.Count(); ++m) WriteMedium(*catalogue.GetMedium(m));
}

void TNameIndexWriting::WriteMedium(const CMedium& medium) {
    TWriter& writer = impl_->writer;
    if (!impl_->started) writer.Start();
    impl_->started = true;
    if (!impl_->ran && medium.Entries().Count() > 0) {
        std::vector<std::string_view> names;
        // A few thousand names tell the common runs; more would cost the save more than they pay.
        WalkEntries(medium.Entries(), [&names](const CFile* e) {
            names.push_back(e->Name());
            return names.size() >= 4000;
        });
        writer.UseRuns(TNameRuns::Commonest(names));
        impl_->ran = true;
    }
    static const std::string none;
    const uint64_t first = writer.Entries();
    // The find's walk (entrywalk.h), keeping each list's parent by its number.
    struct Frame {
        const EntryList* list;
        int next;
        uint64_t parent;
    };
    std::vector<Frame> stack{{&medium.Entries(), 0, kNoParent}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.list->Count()) {
            stack.pop_back();
            continue;
        }
        const CFile* entry = frame.list->At(frame.next++);
        const std::string* details = medium.Details.Packed(entry);
        const uint64_t id = writer.Entries();
        writer.Add(*entry, frame.parent, details ? *details : none);
        if (entry->ChildCount() > 0) stack.push_back({&entry->Children(), 0, id});
    }
    impl_->ranges.emplace_back(first, writer.Entries() - first);
}

bool TNameIndexWriting::Finish(const CMedienListe& catalogue, const TDataIdentity& data) {
    if (!impl_->started) impl_->writer.Start();
    impl_->started = true;
    return impl_->writer.Finish(catalogue, data, impl_->ranges);
}

bool WriteNameIndex(const CMedienListe& catalogue, const TDataIdentity& data, TStream& out) {
    TNameIndexWriting writing(out);
    writing.WriteGroups(catalogue);
    return writing.Finish(catalogue, data);
}

std::string NameIndexPlace(const std::string& indexFileName) {
    const std::string beside = NameIndexFileName(indexFileName);
    std::string probe;
    if (auto file = CreateTemporaryBeside(beside, "probe", probe)) {
        file.reset();
        ::unlink(probe.c_str());
        return beside;
    }
    return CachedNameIndexName(indexFileName);
}

std::string NameIndexToRead(const std::string& indexFileName) {
    const std::string beside = NameIndexFileName(indexFileName);
    return ::access(beside.c_str(), F_OK) == 0 ? beside : CachedNameIndexName(indexFileName);
}

namespace {

// Writes the index of the pair whose index file is `pairIndex` with `write`, and puts it in
// place whole or not at all: not when `write` fails, nor when the pair in place is no longer
// the one it began with (a save meanwhile made another).
bool PlaceNameIndex(const std::string& pairIndex, const std::function<bool(TStream&, const TDataIdentity&)>& write) {
    const TDataIdentity data = DataIdentityOfIndexFile(pairIndex, nullptr);
    if (!data.known) return false;
    const std::string target = NameIndexPlace(pairIndex);
    if (target != NameIndexFileName(pairIndex)) MakeCacheFolder(target);
    std::string temp;
    auto file = CreateTemporaryBeside(target, "new", temp);
    if (!file) return false;
    const bool written = write(*file, data) && file->Sync();
    file.reset();
    const TDataIdentity now = DataIdentityOfIndexFile(pairIndex, nullptr);
    if (!written || !now.known || now.size != data.size || now.sum != data.sum ||
        ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

bool BuildNameIndex(const CMedienListe& catalogue) {
    if (catalogue.FileName.empty() || catalogue.IsModified()) return false;
    for (int m = 0; m < catalogue.Count(); ++m) {
        const CMedium& medium = *catalogue.GetMedium(m);
        if (!medium.ContentLoaded && medium.DataOffset >= 0) return false;
    }
    return PlaceNameIndex(FileBehindLinks(catalogue.FileName), [&](TStream& out, const TDataIdentity& data) {
        return WriteNameIndex(catalogue, data, out);
    });
}

bool RebuildNameIndex(const std::string& pairFile, const std::atomic<bool>& stop) {
    const std::string pairIndex = FileBehindLinks(pairFile);
    CMedienListe saved;
    if (!saved.Load(pairIndex)) return false;
    return PlaceNameIndex(pairIndex, [&](TStream& out, const TDataIdentity& data) {
        TNameIndexWriting writing(out);
        bool whole = true;
        LoadContentsInOrder(saved, [&](CMedium& medium, bool loaded) {
            whole = whole && loaded && !stop;
            if (!whole) return false;
            writing.WriteMedium(medium);
            medium.ClearEntries();
            medium.ContentLoaded = false;
            return true;
        });
        return whole && writing.Finish(saved, data);
    });
}
