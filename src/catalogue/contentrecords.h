// The records of a medium's content block, shared by the writer of a whole tree and the one
// that writes a tree while the scan is still filling it.
#pragma once

#include "IO_BZIP.h"
#include "mediaclasses.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace contentrecords {

// Sizes of 2 GiB and more do not fit the record's 32-bit field: the field holds its largest
// value and the exact size follows the last record in a trailer (docs/catalogue-format.md).
constexpr int32_t kSaturatedSize = INT32_MAX;
constexpr int32_t kLargeSizeTag = 0x34365853; // "SX64"
constexpr int64_t kSmallestRecord = 7 * 4 + 4;

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

// The trailer after the last record; none when no size needs it.
template <typename S> void WriteLargeSizes(S& stream, const std::vector<LargeSize>& large) {
    if (large.empty()) return;
    WriteInt(stream, kLargeSizeTag);
    WriteInt(stream, static_cast<int32_t>(large.size()));
    for (const LargeSize& l : large) {
        WriteInt(stream, l.number);
        WriteInt64(stream, l.size);
    }
}

} // namespace contentrecords
