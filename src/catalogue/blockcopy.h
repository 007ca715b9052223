// Saving without recompressing what did not change: a medium whose tree is as it was read from
// (or last written to) the catalogue's data file keeps its compressed block, which the save copies
// byte for byte. Compression is deterministic, so the copy is exactly what recompressing would
// write. Before a block is trusted its bytes must match the sum the index keeps for it (hashing
// runs at memory speed); a block without a sum is read through libbz2 once and gets one.
#pragma once

#include <cstdint>
#include <vector>

class CMedienListe;
class CMedium;
class TStream;

// Works out each medium's BlockLength: the summed length the index keeps, or else the room up to
// the next block's start (the last one's up to the end of the data file), which the stream may
// not fill.
void MeasureBlocks(const CMedienListe& catalogue, int64_t dataFileSize);

// Which media a save may copy from the catalogue's current data file: unchanged since read or
// written (Stored), with a known block, and only while the data file is the one the catalogue
// read (an unchanged stamp). One flag per medium, in catalogue order.
std::vector<bool> CopyableBlocks(const CMedienListe& catalogue);

// The bit offset in `tail` (a stream's last bytes, 11 of them cover it) where the end-of-stream
// marker begins, followed by the combined checksum and zero padding only; -1 when it is not
// there.
int64_t EndMarkerBit(const unsigned char* tail, int tailLength);
constexpr int kStreamTailBytes = 11;

enum class TBlockCopy { Copied, ReadFailed, WriteFailed };
// Copies `length` bytes at `offset` of `from` to the end of `to`.
TBlockCopy CopyBlockBytes(TStream& from, int64_t offset, int64_t length, TStream& to);

// The length of the bzip2 stream at the start of `bytes` as libbz2 reads it, up to its end
// marker, when it is one whole stream of block size 1 that decompresses to `contentLength`
// bytes; -1 otherwise.
int64_t WholeStreamLength(const char* bytes, int64_t size, int64_t contentLength);

struct TBlockCheck {
    bool readable = true; // false: the data file could not be read
    int damaged = -1;     // the first medium whose block is damaged and whose tree is not loaded
};
// Checks each block `copyable` marks before it is copied: against its sum, or, for a block
// that has none (files written before blocks were summed), by reading it once through libbz2,
// which gives it its exact length and its sum. A block that fails is unmarked when its
// medium's tree is in memory, to be written afresh from it; otherwise it is reported damaged.
TBlockCheck CheckCopyableBlocks(CMedienListe& catalogue, TStream& data, std::vector<bool>& copyable);
