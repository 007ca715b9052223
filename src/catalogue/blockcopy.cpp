#include "blockcopy.h"

#include "mediaclasses.h"
#include "IO_BZIP.h"
#include "streams.h"

#include "workers.h"

#include <bzlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The shortest stream: "BZh1", then the 48-bit end marker and the 32-bit combined checksum.
constexpr int64_t kShortestStream = 4 + 10;
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
        if (m.DataOffset < 0) {
            // No block: a sum the index keeps for one describes nothing the medium has.
            m.Additions.BlockSummed = false;
            m.Additions.BlockBytes = 0;
            m.Additions.BlockSum = 0;
            continue;
        }
        const auto next = std::upper_bound(starts.begin(), starts.end(), int64_t(m.DataOffset));
        const int64_t end = next == starts.end() ? dataFileSize : *next;
        if (m.Additions.BlockSummed) m.BlockLength = m.Additions.BlockBytes;
        else if (end > m.DataOffset) m.BlockLength = end - m.DataOffset;
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

TBlockCopy CopyBlockBytes(TStream& from, int64_t offset, int64_t length, TStream& to) {
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

int64_t WholeStreamLength(const char* bytes, int64_t size, int64_t contentLength) {
    if (size < kShortestStream || std::memcmp(bytes, "BZh1", 4) != 0) return -1;
    bz_stream z{};
    if (BZ2_bzDecompressInit(&z, 0, 0) != BZ_OK) return -1;
    static thread_local std::vector<char> scratch(size_t(1) << 20);
    int64_t consumed = 0, produced = 0;
    int status = BZ_OK;
    // libbz2 takes at most UINT_MAX bytes a call; the output is counted and dropped.
    while (status == BZ_OK) {
        if (z.avail_in == 0) {
            const int64_t piece = std::min<int64_t>(size - consumed, 1 << 30);
            if (piece == 0) break;
            z.next_in = const_cast<char*>(bytes + consumed);
            z.avail_in = static_cast<unsigned>(piece);
            consumed += piece;
        }
        z.next_out = scratch.data();
        z.avail_out = static_cast<unsigned>(scratch.size());
        status = BZ2_bzDecompress(&z);
        produced += int64_t(scratch.size() - z.avail_out);
        if (produced > contentLength) break;
    }
    const int64_t length = consumed - int64_t(z.avail_in);
    BZ2_bzDecompressEnd(&z);
    return status == BZ_STREAM_END && produced == contentLength ? length : -1;
}

TBlockCheck CheckCopyableBlocks(CMedienListe& catalogue, TStream& data, std::vector<bool>& copyable) {
    TBlockCheck result;
    TOrderedWork work;
    for (size_t i = 0; i < copyable.size() && result.readable; ++i) {
        CMedium& m = *catalogue.GetMedium(static_cast<int>(i));
        // A summed block with no tree to fall back on is checked as it is copied: a mismatch
        // stops the save either way, and the bytes are read once instead of twice.
        if (!copyable[i] || (m.Additions.BlockSummed && !m.ContentLoaded)) continue;
        auto bytes = std::make_shared<std::vector<char>>(static_cast<size_t>(m.BlockLength));
        if (!data.Seek(m.DataOffset) || data.Read(bytes->data(), bytes->size()) != bytes->size()) {
            result.readable = false;
            break;
        }
        auto found = std::make_shared<TMediumAdditions>(m.Additions);
        work.Submit([bytes, found, content = m.ContentLength] {
            TMediumAdditions& a = *found;
            if (a.BlockSummed) {
                a.BlockSummed = a.BlockBytes == int64_t(bytes->size()) &&
                                BlockSumOf(bytes->data(), bytes->size()) == a.BlockSum;
                return;
            }
            const int64_t length = WholeStreamLength(bytes->data(), int64_t(bytes->size()), content);
            if (length < 0) return;
            // Only the block's fields: the rest of what the medium keeps stays as it is.
            a.BlockSummed = true;
            a.BlockBytes = length;
            a.BlockSum = BlockSumOf(bytes->data(), size_t(length));
        }, [&, i, found] {
            CMedium& medium = *catalogue.GetMedium(static_cast<int>(i));
            if (found->BlockSummed) {
                medium.Additions = *found;
                medium.BlockLength = found->BlockBytes;
            } else if (medium.ContentLoaded) {
                copyable[i] = false;
            } else if (result.damaged < 0) {
                result.damaged = static_cast<int>(i);
            }
        });
    }
    if (result.readable) work.Finish();
    return result;
}

TBlockCheck CheckedCopyableBlocks(CMedienListe& catalogue, std::vector<bool>& copyable) {
    copyable = CopyableBlocks(catalogue);
    if (std::find(copyable.begin(), copyable.end(), true) == copyable.end()) return {};
    auto data = OpenFile(catalogue.DataFileName, false);
    TBlockCheck check;
    check.readable = data != nullptr;
    try {
        if (data) check = CheckCopyableBlocks(catalogue, *data, copyable);
    } catch (const std::exception&) { // memory running out for a block
        check.readable = false;
    }
    return check;
}
