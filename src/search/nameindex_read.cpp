// Reading the name index: the file is mapped, its tables checked against their sum once, each
// block and each posting list against its own sum when it is first used; nothing that does not
// add up is believed.
#include "search/nameindex.h"
#include "search/nameindex_layout.h"
#include "search/quickfind.h"

#include "catalogue/IO_BZIP.h"
#include "catalogue/workers.h"

#include <algorithm>
#include <fcntl.h>
#include <list>
#include <optional>
#include <sys/mman.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <zlib.h>

using namespace nameindex;

namespace {

struct TEntry {
    std::string_view name, details;
    uint64_t parent; // kNoParent at a medium's top
    int32_t kind, category;
    int64_t size;
    double date;
};

struct TDecoded {
    std::string packed, names, raw;
    std::vector<TEntry> entries;
    bool rest = false; // whether the fields past the names are decoded
};

// Inflates the raw deflate stream `packed` into exactly `size` bytes of `out`. One stream per
// thread, reset for each group: setting one up costs more than a group's inflating.
bool Inflate(std::string_view packed, uint32_t size, std::string& out) {
    struct TStreamOfThread {
        z_stream z{};
        bool ready = inflateInit2(&z, -15) == Z_OK;
        ~TStreamOfThread() {
            if (ready) inflateEnd(&z);
        }
    };
    thread_local TStreamOfThread stream;
    if (!stream.ready || packed.empty() || size > (64u << 20) || inflateReset(&stream.z) != Z_OK) return false;
    out.assign(size, '\0');
    stream.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.z.avail_in = uInt(packed.size());
    stream.z.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.z.avail_out = uInt(size);
    // All of it, and no more: a stream that ends early or goes on is not the group's.
    return inflate(&stream.z, Z_FINISH) == Z_STREAM_END && stream.z.avail_out == 0 && stream.z.avail_in == 0;
}

} // namespace

struct TNameIndex::Impl {
    std::string owned;            // the bytes, when not mapped
    const char* base = nullptr;
    size_t length = 0;
    void* mapped = nullptr;
    THeader h;
    TNameRuns runs;
    struct Medium {
        uint64_t first, count;
    };
    std::vector<Medium> media;

    int fd = -1; // the file, for reading groups
    ~Impl() {
        if (mapped) ::munmap(mapped, length);
        if (fd >= 0) ::close(fd);
    }
    // `size` bytes at `offset`, empty when past the end. The groups a find reads lie far apart;
    // read through the mapping, each would map the pages around it too (clean, but counted as
    // the process's memory), so a mapped file is read into `buffer` instead.
    std::string_view Read(uint64_t offset, uint64_t size, std::string& buffer) const {
        const std::string_view in = Bytes(offset, size);
        if (fd < 0 || in.empty()) return in;
        buffer.resize(size_t(size));
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t got = ::pread(fd, buffer.data() + done, buffer.size() - done, off_t(offset + done));
            if (got <= 0) return {};
            done += size_t(got);
        }
        return buffer;
    }
    std::string_view Bytes(uint64_t offset, uint64_t size) const {
        if (offset > length || size > length - offset) return {};
        return {base + offset, size_t(size)};
    }
    TBlockInfo Block(uint32_t b) const {
        const char* p = base + h.blockTable + uint64_t(b) * kBlockRecord;
        return {GetFixed(p, 8), uint32_t(GetFixed(p + 8, 4)), uint32_t(GetFixed(p + 12, 4)),
                uint32_t(GetFixed(p + 16, 4)), uint32_t(GetFixed(p + 20, 4)), GetFixed(p + 24, 8)};
    }
    uint64_t FirstOf(uint32_t b) const { return uint64_t(b) * h.blockEntries; }

    bool Check() {
        if (h.fileSize != length || h.media != media.size() || h.blockEntries == 0 ||
            h.blockEntries > 65536)
            return false;
        const std::string_view mt = Bytes(h.mediaTable, uint64_t(h.media) * kMediumRecord);
        const std::string_view bt = Bytes(h.blockTable, uint64_t(h.blocks) * kBlockRecord);
        const std::string_view tt = Bytes(h.trigramTable, uint64_t(h.trigrams) * kTrigramRecord);
        // A table that lists nothing must still lie inside the file: the reading starts
        // from its place before it counts its records.
        if ((h.media && mt.empty()) || (h.blocks && bt.empty()) || (h.trigrams && tt.empty()) ||
            h.mediaTable > length || h.blockTable > length || h.trigramTable > length)
            return false;
        if (TablesSum({base, kHeaderSize}, mt, tt) != h.tablesSum) return false;
        // Blocks hold kBlockEntries each but the last; media follow one another.
        if (h.entries > uint64_t(h.blocks) * h.blockEntries ||
            (h.blocks && h.entries <= uint64_t(h.blocks - 1) * h.blockEntries))
            return false;
        uint64_t next = 0;
        for (Medium& m : media) {
            if (m.first != next || m.count > h.entries - next) return false;
            next += m.count;
        }
        return next == h.entries;
    }

    // Decodes the names of group `b` into out.names, each behind its length, its sum checked;
    // false when it does not add up.
    bool DecodeRuns(uint32_t b, TDecoded& out) const {
        if (b >= h.blocks) return false;
        const TBlockInfo info = Block(b);
        const std::string_view packed = Read(info.offset, uint64_t(info.namesPacked) + info.restPacked, out.packed);
        return !packed.empty() && GroupSumOf(b, info, packed) == info.sum &&
               runs.Decode(packed.substr(0, info.namesPacked), info.namesRaw, out.names);
    }

    // Decodes the names of group `b`, its sum checked; false when it does not add up.
    bool DecodeNames(uint32_t b, TDecoded& out) const { return DecodeRuns(b, out) && SplitNames(b, out); }

    // Splits out.names, decoded from group `b`, into its entries' names.
    bool SplitNames(uint32_t b, TDecoded& out) const {
        const uint64_t count = std::min<uint64_t>(h.blockEntries, h.entries - FirstOf(b));
        // Each name takes at least its length's byte.
        if (count > out.names.size()) return false;
        out.entries.assign(count, TEntry{});
        out.rest = false;
        std::string_view in = out.names;
        for (TEntry& e : out.entries) {
            const auto length = GetVarint(in);
            if (!length || *length > in.size()) return false;
            e.name = in.substr(0, *length);
            in.remove_prefix(*length);
        }
        return in.empty();
    }

    // Decodes the other fields of group `b`, whose names `out` holds; false when they do not
    // add up.
    bool DecodeRest(uint32_t b, TDecoded& out) const {
        const TBlockInfo info = Block(b);
        // The bytes whose sum DecodeNames checked.
        const std::string_view packed = fd >= 0 ? std::string_view(out.packed)
                                                : Bytes(info.offset, uint64_t(info.namesPacked) + info.restPacked);
        if (packed.size() < info.namesPacked || !Inflate(packed.substr(info.namesPacked), info.restRaw, out.raw))
            return false;
        const uint64_t first = FirstOf(b);
        std::string_view in = out.raw;
        const size_t count = out.entries.size();
        // A column at a time, as the writer puts them.
        std::vector<uint64_t> column(count);
        const auto read = [&in, &column]() {
            for (uint64_t& v : column) {
                const auto got = GetVarint(in);
                if (!got) return false;
                v = *got;
            }
            return true;
        };
        if (!read()) return false;
        uint64_t previous = kNoParent;
        for (size_t i = 0; i < count; ++i) {
            const uint64_t id = first + i, code = column[i];
            if (code == 1 && i == 0) return false;
            if (code > id + 1) return false;
            out.entries[i].parent = previous = code == 0 ? kNoParent : code == 1 ? previous : id - (code - 1);
        }
        if (!read()) return false;
        for (size_t i = 0; i < count; ++i) {
            if (column[i] > 0xFFFFFFFFu) return false;
            out.entries[i].kind = int32_t(uint32_t(column[i]));
        }
        if (!read()) return false;
        for (size_t i = 0; i < count; ++i) out.entries[i].size = UnZigZag(column[i]);
        if (!read()) return false;
        for (size_t i = 0; i < count; ++i) out.entries[i].category = int32_t(UnZigZag(column[i]));
        if (!read()) return false;
        for (size_t i = 0; i < count; ++i) {
            if (column[i] > in.size()) return false;
            out.entries[i].details = in.substr(0, column[i]);
            in.remove_prefix(column[i]);
        }
        if (in.empty()) return false;
        const auto form = static_cast<unsigned char>(in.front());
        in.remove_prefix(1);
        if (form == kDatesSeconds) {
            if (!read()) return false;
            int64_t seconds = 0;
            for (size_t i = 0; i < count; ++i) {
                // Steps past any date a day count can hold are not the writer's.
                const int64_t step = UnZigZag(column[i]);
                if (step > (int64_t(1) << 50) || step < -(int64_t(1) << 50)) return false;
                seconds += step;
                if (seconds > (int64_t(1) << 52) || seconds < -(int64_t(1) << 52)) return false;
                out.entries[i].date = DateOfSeconds(seconds);
            }
        } else {
            if (form != kDatesBits || in.size() < count * 8) return false;
            for (size_t i = 0; i < count; ++i) {
                uint64_t bits = 0;
                for (size_t byte = 0; byte < 8; ++byte)
                    bits = bits << 8 | static_cast<unsigned char>(in[byte * count + i]);
                out.entries[i].date = BitsDouble(bits);
            }
            in.remove_prefix(count * 8);
        }
        out.rest = true;
        return in.empty();
    }
};

namespace {

// The groups decoded during one call, the latest few kept for the parents of the next rows.
class TBlockCache {
public:
    explicit TBlockCache(const TNameIndex::Impl& index) : index_(index) {}
    // Group `b` decoded whole; none when it does not add up.
    TDecoded* Group(uint32_t b) {
        auto it = blocks_.find(b);
        if (it == blocks_.end()) {
            if (blocks_.size() >= 64) {
                blocks_.erase(order_.front());
                order_.pop_front();
            }
            // Decoded in place: the names are views into its bytes, which a move of a short
            // string would not keep.
            it = blocks_.try_emplace(b).first;
            if (!index_.DecodeNames(b, it->second)) {
                blocks_.erase(it);
                return nullptr;
            }
            order_.push_back(b);
        }
        if (!it->second.rest && !index_.DecodeRest(b, it->second)) return nullptr;
        return &it->second;
    }
    const TEntry* Entry(uint64_t id) {
        const auto b = uint32_t(id / index_.h.blockEntries);
        TDecoded* group = Group(b);
        return group ? &group->entries[size_t(id - index_.FirstOf(b))] : nullptr;
    }

private:
    const TNameIndex::Impl& index_;
    std::unordered_map<uint32_t, TDecoded> blocks_;
    std::list<uint32_t> order_;
};

// The path as the find shows it (reports/entrytext.h): the enclosing folders and the name.
bool PathOf(TBlockCache& cache, const TEntry& entry, uint64_t id, std::string& path) {
    // Copies: the cache may drop a block while the names above are fetched.
    std::vector<std::string> names{std::string(entry.name)};
    uint64_t up = entry.parent;
    for (size_t hops = 0; up != kNoParent; ++hops) {
        const TEntry* parent = up < id && hops < 1u << 20 ? cache.Entry(up) : nullptr;
        if (!parent) return false;
        names.emplace_back(parent->name);
        id = up;
        up = parent->parent;
    }
    // Joined as CFile::FolderPath and EntryPathText join them, empty names included.
    const bool holder = (entry.kind & 2) != 0;
    path = holder ? names[0] : std::string();
    for (size_t i = 1; i < names.size(); ++i) path = path.empty() ? names[i] : names[i] + '/' + path;
    if (!holder) {
        if (!path.empty()) path += '/';
        path += names[0];
    }
    return true;
}

} // namespace

TNameIndex::TNameIndex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TNameIndex::~TNameIndex() = default;

int64_t TNameIndex::EntryCount() const { return int64_t(impl_->h.entries); }

TDataIdentity TNameIndex::NamedData(std::string_view bytes) {
    const auto h = DecodeHeader(bytes);
    if (!h) return {};
    return {true, int64_t(h->dataSize), h->dataSum};
}

namespace {

std::unique_ptr<TNameIndex::Impl> Checked(std::unique_ptr<TNameIndex::Impl> impl, const TDataIdentity& data,
                                          const std::vector<int32_t>& offsets) {
    const auto h = DecodeHeader({impl->base, impl->length});
    if (!h || !data.known || h->dataSize != uint64_t(data.size) || h->dataSum != data.sum ||
        h->media != offsets.size())
        return nullptr;
    impl->h = *h;
    impl->runs = TNameRuns(h->runs);
    const std::string_view mt = impl->Bytes(h->mediaTable, uint64_t(h->media) * kMediumRecord);
    if (h->media && mt.empty()) return nullptr;
    for (size_t m = 0; m < offsets.size(); ++m) {
        const char* p = mt.data() + m * kMediumRecord;
        if (int64_t(GetFixed(p, 8)) != offsets[m]) return nullptr;
        impl->media.push_back({GetFixed(p + 8, 8), GetFixed(p + 16, 8)});
    }
    return impl->Check() ? std::move(impl) : nullptr;
}

} // namespace

std::unique_ptr<TNameIndex> TNameIndex::Open(const std::string& path, const TDataIdentity& data,
                                             const std::vector<int32_t>& mediumOffsets) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    auto impl = std::make_unique<Impl>();
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= off_t(kHeaderSize)) {
        impl->length = size_t(st.st_size);
        void* map = ::mmap(nullptr, impl->length, PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) impl->mapped = map, impl->base = static_cast<const char*>(map);
    }
    impl->fd = fd;
    if (!impl->mapped) return nullptr;
    impl = Checked(std::move(impl), data, mediumOffsets);
    return impl ? std::unique_ptr<TNameIndex>(new TNameIndex(std::move(impl))) : nullptr;
}

std::unique_ptr<TNameIndex> TNameIndex::FromBytes(std::string bytes, const TDataIdentity& data,
                                                  const std::vector<int32_t>& mediumOffsets) {
    auto impl = std::make_unique<Impl>();
    impl->owned = std::move(bytes);
    impl->base = impl->owned.data();
    impl->length = impl->owned.size();
    impl = Checked(std::move(impl), data, mediumOffsets);
    return impl ? std::unique_ptr<TNameIndex>(new TNameIndex(std::move(impl))) : nullptr;
}

namespace {

// The place of trigram `t` in the trigram table; none when no name holds it.
std::optional<size_t> TrigramPlace(const TNameIndex::Impl& index, uint32_t t) {
    const char* table = index.base + index.h.trigramTable;
    size_t lo = 0, hi = index.h.trigrams;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (GetFixed(table + mid * kTrigramRecord, 4) < t) lo = mid + 1;
        else hi = mid;
    }
    if (lo == index.h.trigrams || GetFixed(table + lo * kTrigramRecord, 4) != t) return std::nullopt;
    return lo;
}

uint64_t GroupsListed(const TNameIndex::Impl& index, size_t place) {
    return GetFixed(index.base + index.h.trigramTable + place * kTrigramRecord + 4, 4);
}

// The groups listed at `place` of the trigram table; false when its list does not add up.
bool Postings(const TNameIndex::Impl& index, size_t place, std::vector<uint32_t>& blocks) {
    const char* p = index.base + index.h.trigramTable + place * kTrigramRecord;
    const uint64_t count = GetFixed(p + 4, 4);
    const std::string_view list = index.Bytes(GetFixed(p + 8, 8), GetFixed(p + 16, 4));
    return !list.empty() && uint32_t(BlockSumOf(list.data(), list.size())) == GetFixed(p + 20, 4) &&
           DecodeGroupList(list, count, index.h.blocks, blocks);
}

} // namespace

namespace {

// Gives the rows of the blocks `blocks` (every block when none) of the media `wanted` that
// `matches` takes, in order; false when a block does not add up.
// `named` tells from the name alone whether an entry may answer; `matches` decides.
template <typename Named, typename Matches>
bool Rows(const TNameIndex::Impl& index, const std::vector<uint32_t>* blocks, const std::vector<bool>& wanted,
          Named nameAnswers, Matches matches, const std::function<void(const TNameIndexRow&)>& row) {
    TBlockCache cache(index);
    TNameIndexRow out;
    std::string name, details;
    size_t medium = 0;
    // The names of the group being looked at, apart from the cache: most candidate groups
    // answer nothing, and need neither a place in it nor their other fields.
    TDecoded names;
    const auto visit = [&](uint32_t b) {
        bool named = false;
        const uint64_t first = index.FirstOf(b);
        const uint64_t end = std::min<uint64_t>(first + index.h.blockEntries, index.h.entries);
        for (uint64_t id = first; id < end; ++id) {
            while (medium < index.media.size() && id >= index.media[medium].first + index.media[medium].count)
                ++medium;
            if (medium >= index.media.size()) return false;
            if (medium >= wanted.size() || !wanted[medium]) continue;
            if (!named && !index.DecodeNames(b, names)) return false;
            named = true;
            if (!nameAnswers(names.entries[size_t(id - first)].name)) continue;
            const TEntry* e = cache.Entry(id);
            if (!e) return false;
            if (!matches(*e)) continue;
            const TEntry entry = *e;
            name.assign(entry.name);
            details.assign(entry.details);
            if (!PathOf(cache, entry, id, out.path)) return false;
            out.medium = int32_t(medium);
            out.number = int64_t(id - index.media[medium].first);
            out.name = name;
            out.kind = entry.kind;
            out.size = entry.size;
            out.date = entry.date;
            out.category = entry.category;
            out.details = details;
            row(out);
        }
        return true;
    };
    if (!blocks) {
        for (uint32_t b = 0; b < index.h.blocks; ++b)
            if (!visit(b)) return false;
        return true;
    }
    for (uint32_t b : *blocks)
        if (!visit(b)) return false;
    return true;
}

} // namespace

namespace {

// Keeps the candidate groups with a name that answers, looked at on a few threads: a common
// trigram lists many groups that hold it in no name the word matches, and telling them apart
// is most of a find's work. A group that does not add up is kept, for the visit in order to
// tell.
void KeepNamed(const TNameIndex::Impl& index, const TQuickFindQuery& query, std::vector<uint32_t>& candidates) {
    const size_t n = candidates.size();
    const size_t threads = std::min<size_t>(size_t(WorkerThreads()), n / 256);
    if (threads < 2) return;
    std::vector<char> keep(n, 1);
    // A run of three is a trigram every candidate holds already.
    std::vector<std::string> runs = query.RequiredRuns();
    std::erase_if(runs, [](const std::string& run) { return run.size() == 3; });
    const auto part = [&](size_t from, size_t to) {
        try {
            TDecoded names;
            for (size_t i = from; i < to; ++i) {
                if (!index.DecodeRuns(candidates[i], names)) continue;
                // A name holds every run of the word: a group whose names together miss one
                // answers nothing. Looked at in one sweep, not name by name.
                if (!std::all_of(runs.begin(), runs.end(),
                                 [&](const std::string& run) { return TMask::HoldsFolded(names.names, run); })) {
                    keep[i] = 0;
                    continue;
                }
                if (!index.SplitNames(candidates[i], names)) continue;
                keep[i] = std::any_of(names.entries.begin(), names.entries.end(),
                                      [&](const TEntry& e) { return query.Matches(e.name); });
            }
        } catch (const std::exception&) { // memory running out: the rest stay candidates
        }
    };
    std::vector<std::thread> others;
    for (size_t t = 1; t < threads; ++t) others.emplace_back(part, n * t / threads, n * (t + 1) / threads);
    part(0, n / threads);
    for (std::thread& other : others) other.join();
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i)
        if (keep[i]) candidates[kept++] = candidates[i];
    candidates.resize(kept);
}

} // namespace

bool TNameIndex::Find(const TQuickFindQuery& query, const std::vector<bool>& wanted,
                      const std::function<void(const TNameIndexRow&)>& row) const {
    const Impl& index = *impl_;
    // The groups that hold every trigram of every run, the rarest trigram's list first so
    // the candidates shrink soonest; every group when no run has a trigram.
    std::vector<uint32_t> trigrams;
    for (const std::string& run : query.RequiredRuns())
        ForEachTrigram(run, [&](uint32_t t) { trigrams.push_back(t); });
    std::sort(trigrams.begin(), trigrams.end());
    trigrams.erase(std::unique(trigrams.begin(), trigrams.end()), trigrams.end());
    std::vector<std::pair<uint64_t, size_t>> places;
    for (uint32_t t : trigrams) {
        const auto place = TrigramPlace(index, t);
        if (!place) return true; // a trigram no name holds: nothing answers
        places.emplace_back(GroupsListed(index, *place), *place);
    }
    std::sort(places.begin(), places.end());
    std::vector<uint32_t> candidates, list, kept;
    for (size_t i = 0; i < places.size(); ++i) {
        if (!Postings(index, places[i].second, list)) return false;
        if (i == 0) {
            candidates.swap(list);
        } else {
            kept.clear();
            std::set_intersection(candidates.begin(), candidates.end(), list.begin(), list.end(),
                                  std::back_inserter(kept));
            candidates.swap(kept);
        }
        if (candidates.empty()) return true;
    }
    const auto named = [&query](std::string_view name) { return query.Matches(name); };
    const auto matches = [&query](const TEntry& e) { return query.Matches(e.name, e.details); };
    if (trigrams.empty()) return Rows(index, nullptr, wanted, named, matches, row);
    // The candidates a part at a time, each part twice the one before: the first rows come
    // once a few groups are looked at, not all of them, and a part stays large enough for
    // the threads.
    std::vector<uint32_t> part;
    for (size_t from = 0, size = 1024; from < candidates.size(); from += size, size *= 2) {
        part.assign(candidates.begin() + std::ptrdiff_t(from),
                    candidates.begin() + std::ptrdiff_t(std::min(candidates.size(), from + size)));
        KeepNamed(index, query, part);
        if (!Rows(index, &part, wanted, named, matches, row)) return false;
    }
    return true;
}

bool TNameIndex::ForEach(const std::function<void(const TNameIndexRow&)>& row) const {
    const std::vector<bool> every(impl_->media.size(), true);
    return Rows(
        *impl_, nullptr, every, [](std::string_view) { return true; }, [](const TEntry&) { return true; }, row);
}
