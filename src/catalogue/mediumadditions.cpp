#include "mediumadditions.h"

#include "IO_BZIP.h"
#include "mediaclasses.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kAdditionsTag = 0x414D5853; // "SXMA"

// One row per field this version knows: whether a medium has it, its bytes, and how to take
// it back from exactly those bytes (false: the trailer is not whole).
struct TFieldCodec {
    TAdditionField id;
    bool (*has)(const TMediumAdditions&);
    void (*write)(TMemoryStream&, const TMediumAdditions&);
    bool (*read)(TMemoryStream&, TMediumAdditions&);
};

bool SafeFolder(std::string_view folder) {
    if (folder.empty() || folder[0] != '/' || folder.find('\0') != std::string_view::npos) return false;
    size_t start = 0;
    while (start < folder.size()) {
        const size_t end = std::min(folder.find('/', start), folder.size());
        if (folder.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

const TFieldCodec kFields[] = {
    {afBlockSum, [](const TMediumAdditions& a) { return a.BlockSummed; },
     [](TMemoryStream& s, const TMediumAdditions& a) {
         WriteInt64(s, a.BlockBytes);
         WriteInt64(s, static_cast<int64_t>(a.BlockSum));
     },
     [](TMemoryStream& s, TMediumAdditions& a) {
         if (s.Size() != 16) return false;
         a.BlockBytes = ReadInt64(s);
         a.BlockSum = static_cast<uint64_t>(ReadInt64(s));
         a.BlockSummed = a.BlockBytes > 0;
         if (a.BlockBytes > (int64_t(1) << 40)) return false; // no data file is that large
         return true;
     }},
    {afSpace, [](const TMediumAdditions& a) { return a.HasSpace(); },
     [](TMemoryStream& s, const TMediumAdditions& a) {
         WriteInt64(s, a.Capacity);
         WriteInt64(s, a.FreeSpace);
         WriteDouble(s, LocalToStored(a.ReadTime));
     },
     [](TMemoryStream& s, TMediumAdditions& a) {
         if (s.Size() != 24) return false;
         const int64_t capacity = ReadInt64(s);
         const int64_t free = ReadInt64(s);
         const double time = ReadDouble(s);
         // Sizes no file system has are not shown rather than trusted.
         if (capacity < 0 || free < 0 || free > capacity) return true;
         a.Capacity = capacity;
         a.FreeSpace = free;
         a.ReadTime = std::isfinite(time) ? StoredToLocal(time) : 0;
         return true;
     }},
    {afFolder, [](const TMediumAdditions& a) { return !a.Folder.empty(); },
     [](TMemoryStream& s, const TMediumAdditions& a) { WriteString(s, a.Folder); },
     [](TMemoryStream& s, TMediumAdditions& a) {
         const std::string folder(ReadStringView(s));
         if (s.Remaining() != 0) return false;
         // The folder leads to files that Open hands to the desktop: one that climbs out of
         // its file system, or is not a path at all, is dropped.
         if (SafeFolder(folder)) a.Folder = folder;
         return true;
     }},
    {afPreviews, [](const TMediumAdditions& a) { return a.PreviewCount > 0; },
     [](TMemoryStream& s, const TMediumAdditions& a) { WriteInt(s, a.PreviewCount); },
     [](TMemoryStream& s, TMediumAdditions& a) {
         if (s.Size() != 4) return false;
         a.PreviewCount = std::max(0, ReadInt(s));
         return true;
     }},
};

const TFieldCodec* CodecOf(int32_t id) {
    for (const TFieldCodec& codec : kFields)
        if (codec.id == id) return &codec;
    return nullptr;
}

} // namespace

void WriteMediumAdditions(TMemoryStream& index, const CMedienListe& catalogue) {
    TMemoryStream records, field;
    int32_t count = 0;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const TMediumAdditions& a = catalogue.GetMedium(i)->Additions;
        int32_t fields = 0;
        for (const TFieldCodec& codec : kFields) fields += codec.has(a) ? 1 : 0;
        if (fields == 0) continue;
        ++count;
        WriteInt(records, i);
        WriteInt(records, fields);
        for (const TFieldCodec& codec : kFields) {
            if (!codec.has(a)) continue;
            field.Rewrite();
            codec.write(field, a);
            WriteInt(records, codec.id);
            WriteInt(records, static_cast<int32_t>(field.Size()));
            records.Write(field.Data(), size_t(field.Size()));
        }
    }
    if (count == 0) return;
    WriteInt(index, kAdditionsTag);
    WriteInt(index, count);
    index.Write(records.Data(), size_t(records.Size()));
}

void ReadMediumAdditions(TMemoryStream& index, CMedienListe& catalogue) {
    std::vector<std::pair<int32_t, TMediumAdditions>> read;
    try {
        if (index.Remaining() < 8) return;
        const int64_t start = index.Position();
        if (ReadInt(index) != kAdditionsTag) {
            index.Seek(start); // another trailer may stand here
            return;
        }
        const int32_t count = ReadInt(index);
        // Every record takes at least its two Ints: a hostile count costs nothing.
        if (count < 0 || count > index.Remaining() / 8) return;
        TMemoryStream bytes;
        for (int32_t r = 0; r < count; ++r) {
            const int32_t position = ReadInt(index);
            const int32_t fields = ReadInt(index);
            if (position < 0 || position >= catalogue.Count() || fields < 0) return;
            TMediumAdditions a = catalogue.GetMedium(position)->Additions;
            for (int32_t f = 0; f < fields; ++f) {
                const int32_t id = ReadInt(index);
                const int32_t length = ReadInt(index);
                const char* field = length >= 0 ? index.Take(size_t(length)) : nullptr;
                if (!field) return;
                const TFieldCodec* codec = CodecOf(id);
                if (!codec) continue; // a field of a later version
                bytes.Rewrite();
                bytes.Write(field, size_t(length));
                bytes.Seek(0);
                if (!codec->read(bytes, a)) return;
            }
            read.emplace_back(position, a);
        }
    } catch (const std::exception&) { // a field cut short
        return;
    }
    for (auto& [position, a] : read) catalogue.GetMedium(position)->Additions = a;
}

uint64_t BlockSumOf(const void* bytes, size_t size) { return XXH3_64bits(bytes, size); }

TBlockSummer::TBlockSummer() : state_(XXH3_createState()) { Reset(); }
TBlockSummer::~TBlockSummer() { XXH3_freeState(static_cast<XXH3_state_t*>(state_)); }
void TBlockSummer::Reset() { XXH3_64bits_reset(static_cast<XXH3_state_t*>(state_)); }
void TBlockSummer::Add(const void* bytes, size_t size) {
    XXH3_64bits_update(static_cast<XXH3_state_t*>(state_), bytes, size);
}
uint64_t TBlockSummer::Sum() const {
    return XXH3_64bits_digest(static_cast<const XXH3_state_t*>(state_));
}

TWideSummer::TWideSummer() : state_(XXH3_createState()) {
    XXH3_128bits_reset(static_cast<XXH3_state_t*>(state_));
}
TWideSummer::~TWideSummer() { XXH3_freeState(static_cast<XXH3_state_t*>(state_)); }
void TWideSummer::Add(const void* bytes, size_t size) {
    XXH3_128bits_update(static_cast<XXH3_state_t*>(state_), bytes, size);
}
std::array<uint64_t, 2> TWideSummer::Sum() const {
    const XXH128_hash_t sum = XXH3_128bits_digest(static_cast<const XXH3_state_t*>(state_));
    return {sum.low64, sum.high64};
}

namespace {
constexpr int32_t kDataIdentityTag = 0x49445853; // "SXDI"
} // namespace

void WriteDataIdentity(TMemoryStream& index, const TDataIdentity& identity) {
    WriteInt(index, kDataIdentityTag);
    WriteInt64(index, identity.size);
    index.Write(&identity.sum, sizeof identity.sum);
}

TDataIdentity ReadDataIdentity(TMemoryStream& index) {
    TDataIdentity identity;
    try {
        if (index.Remaining() < 20 || ReadInt(index) != kDataIdentityTag) return identity;
        identity.size = ReadInt64(index);
        if (index.Read(&identity.sum, sizeof identity.sum) != sizeof identity.sum) return {};
        identity.known = identity.size >= 0;
    } catch (const std::exception&) {
        return {};
    }
    return identity;
}
