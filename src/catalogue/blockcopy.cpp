#include "blockcopy.h"

#include "mediaclasses.h"
#include "streams.h"

#include <algorithm>
#include <cstring>

namespace {

// The shortest stream: "BZh1", then the 48-bit end marker and the 32-bit combined checksum.
constexpr int64_t kShortestStream = 4 + 10;
// The end marker starts at most 7 padding bits plus 80 bits before the end: 11 bytes cover it.
constexpr int kTail = kStreamTailBytes;
constexpr uint64_t kEndMarker = 0x177245385090ULL;

uint64_t BitsAt(const unsigned char* bytes, int64_t bitOffset, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t bit = bitOffset + i;
        value = (value << 1) | ((bytes[bit / 8] >> (7 - bit % 8)) & 1);
    }
    return value;
}

} // namespace

void MeasureBlocks(const CMedienListe& catalogue, int64_t dataFileSize) {
    std::vector<int64_t> starts;
    for (int i = 0; i < catalogue.Count(); ++i)
        if (catalogue.GetMedium(i)->DataOffset >= 0) starts.push_back(catalogue.GetMedium(i)->DataOffset);
    std::sort(starts.begin(), starts.end());
    for (int i = 0; i < catalogue.Count(); ++i) {
        CMedium& m = *catalogue.GetMedium(i);
        m.BlockLength = -1;
        if (m.DataOffset < 0) continue;
        const auto next = std::upper_bound(starts.begin(), starts.end(), int64_t(m.DataOffset));
        const int64_t end = next == starts.end() ? dataFileSize : *next;
        if (end > m.DataOffset) m.BlockLength = end - m.DataOffset;
    }
}

std::vector<bool> CopyableBlocks(const CMedienListe& catalogue) {
    std::vector<bool> copyable(static_cast<size_t>(catalogue.Count()), false);
    const FileStamp data = FileStamp::Of(catalogue.DataFileName);
    if (catalogue.DataFileName.empty() || !data.exists || !(data == catalogue.DataFileAge))
        return copyable;
    for (int i = 0; i < catalogue.Count(); ++i) {
        const CMedium& m = *catalogue.GetMedium(i);
        copyable[size_t(i)] = m.Stored && m.DataOffset >= 0 && m.BlockLength >= kShortestStream &&
                              m.DataOffset + m.BlockLength <= data.size;
    }
    return copyable;
}

int64_t EndMarkerBit(const unsigned char* tail, int tailLength) {
    const int64_t tailBits = int64_t(tailLength) * 8;
    for (int padding = 0; padding < 8; ++padding) {
        const int64_t marker = tailBits - padding - 80;
        if (marker < 0) break;
        // The padding after the checksum is zero bits.
        if (padding > 0 && BitsAt(tail, tailBits - padding, padding) != 0) continue;
        if (BitsAt(tail, marker, 48) == kEndMarker) return marker;
    }
    return -1;
}

bool LooksLikeWholeStream(const unsigned char* head, int64_t length, const unsigned char* tail,
                          int tailLength) {
    return length >= kShortestStream && std::memcmp(head, "BZh1", 4) == 0 &&
           EndMarkerBit(tail, tailLength) >= 0;
}

TBlockCopy CheckBlock(TStream& from, int64_t offset, int64_t length) {
    if (length < kShortestStream) return TBlockCopy::Malformed;
    unsigned char head[4], tail[kTail];
    const int tailLength = static_cast<int>(std::min<int64_t>(kTail, length));
    if (!from.Seek(offset) || from.Read(head, sizeof head) != sizeof head ||
        !from.Seek(offset + length - tailLength) ||
        from.Read(tail, size_t(tailLength)) != size_t(tailLength))
        return TBlockCopy::ReadFailed;
    return LooksLikeWholeStream(head, length, tail, tailLength) ? TBlockCopy::Copied
                                                                : TBlockCopy::Malformed;
}

TBlockCopy CopyCheckedBlock(TStream& from, int64_t offset, int64_t length, TStream& to) {
    if (!from.Seek(offset)) return TBlockCopy::ReadFailed;
    static thread_local std::vector<char> buffer(size_t(1) << 20);
    for (int64_t left = length; left > 0;) {
        const size_t piece = static_cast<size_t>(std::min<int64_t>(left, int64_t(buffer.size())));
        if (from.Read(buffer.data(), piece) != piece) return TBlockCopy::ReadFailed;
        if (to.Write(buffer.data(), piece) != piece) return TBlockCopy::WriteFailed;
        left -= int64_t(piece);
    }
    return TBlockCopy::Copied;
}

TBlockCopy CopyBlock(TStream& from, int64_t offset, int64_t length, TStream& to) {
    const TBlockCopy check = CheckBlock(from, offset, length);
    return check == TBlockCopy::Copied ? CopyCheckedBlock(from, offset, length, to) : check;
}
