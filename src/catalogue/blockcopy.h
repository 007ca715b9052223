// Saving without recompressing what did not change: a medium whose tree is as it was read from
// (or last written to) the catalogue's data file keeps its compressed block, which the save copies
// byte for byte. Compression is deterministic, so the copy is exactly what recompressing would
// write. Before a block is trusted it gets a cheap look, not a decompression: it must start like
// a bzip2 stream of block size 1 and end with the stream's end marker exactly where its length
// says. A block that fails the look is loaded and written afresh instead.
#pragma once

#include <cstdint>
#include <vector>

class CMedienListe;
class CMedium;
class TStream;

// Works out each medium's BlockLength from the offsets in the index: a block runs to the next
// block's start, the last one to the end of the data file.
void MeasureBlocks(const CMedienListe& catalogue, int64_t dataFileSize);

// Which media a save may copy from the catalogue's current data file: unchanged since read or
// written (Stored), with a known block, and only while the data file is the one the catalogue
// read (an unchanged stamp). One flag per medium, in catalogue order.
std::vector<bool> CopyableBlocks(const CMedienListe& catalogue);

// Whether `bytes` are one whole bzip2 stream as the catalogue writes them, by its first four
// bytes and the end-of-stream marker in its last bytes (followed only by the combined checksum
// and zero padding).
bool LooksLikeWholeStream(const unsigned char* head, int64_t length, const unsigned char* tail,
                          int tailLength);

// The bit offset in `tail` (a stream's last bytes, 11 of them cover it) where the end-of-stream
// marker begins, followed by the combined checksum and zero padding only; -1 when it is not
// there.
int64_t EndMarkerBit(const unsigned char* tail, int tailLength);
constexpr int kStreamTailBytes = 11;

enum class TBlockCopy { Copied, Malformed, ReadFailed, WriteFailed };
// The same look without copying: Copied when the block looks whole.
TBlockCopy CheckBlock(TStream& from, int64_t offset, int64_t length);
// Copies `length` bytes at `offset` of `from` to the end of `to` when they look like a whole
// stream; nothing is written for a malformed block.
TBlockCopy CopyBlock(TStream& from, int64_t offset, int64_t length, TStream& to);
// The copy alone, for a block CheckBlock has already passed.
TBlockCopy CopyCheckedBlock(TStream& from, int64_t offset, int64_t length, TStream& to);
