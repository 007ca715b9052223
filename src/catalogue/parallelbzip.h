// One bzip2 stream compressed on several cores, byte for byte the stream a single libbz2 pass
// writes at block size 1. libbz2 closes a block once its run-length coded form reaches
// 100,000 - 19 bytes; the run still open then begins the next block. Replaying that rule over
// the input finds where each block's input begins without compressing anything. Each piece is
// then compressed on its own (a stream of exactly that one block), and the pieces' blocks are
// joined bit by bit into one stream whose combined checksum is folded from the blocks'
// checksums, as the format defines it. So the files are the same whatever the thread count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMemoryStream;
class TOrderedWork;
class TStream;
struct TPieceJoin;

// Where each block of a block-size-1 stream of these bytes begins; the first is 0. Empty input
// has one (empty) piece.
std::vector<size_t> BzipBlockStarts(const unsigned char* data, size_t size);

// The same for bytes that come a part at a time: a block's start is known as soon as the byte
// that closes the block before it has come, and never changes with what comes later.
class TBlockCutter {
public:
    // Appends to `starts` the block starts (offsets from the first byte ever fed) these bytes
    // reveal.
    void Feed(const unsigned char* data, size_t size, std::vector<size_t>& starts);
    // After the last bytes: the start of a last block holding only the run still open, if any.
    void End(std::vector<size_t>& starts);

private:
    size_t fed_ = 0;
    int64_t filled_ = 0; // run-length coded bytes in the current block
    unsigned run_ = 256; // the byte of the run still open; 256: none yet
    unsigned length_ = 0;
};

// Appends the blocks of single-block streams to one stream written to a file.
class TBlockJoiner {
public:
    explicit TBlockJoiner(TStream& file) : file_(file) {}
    // `piece` is a whole stream of at most one block, as libbz2 wrote it. False when it is not
    // one or the file refuses the bytes.
    bool Add(const std::string& piece);
    // The end-of-stream marker, the combined checksum and the padding to a whole byte.
    bool End();

private:
    void AppendBits(const unsigned char* bits, uint64_t count);
    bool Flush(bool all);

    TStream& file_;
    std::vector<unsigned char> pending_; // bytes not yet written; the last may be partial
    uint64_t bits_ = 0;                  // bits appended so far
    uint32_t combined_ = 0;
};

// Compresses bytes handed over a part at a time into the stream QueueCompressedStream writes of
// all of them: each block is given to a worker as soon as its end is known, while the bytes
// after it are still being produced. The pieces are joined on the calling thread, inside
// Append (when the work's window is full) and End.
class TStreamingBzip {
public:
    TStreamingBzip(TOrderedWork& work, TStream& file);
    void Append(const char* data, size_t size);
    // After the last bytes: waits for the workers and ends the stream. False when a piece
    // failed or the file refused bytes.
    bool End();

private:
    void Give(size_t end);

    TOrderedWork& work_;
    std::shared_ptr<TPieceJoin> shared_;
    TBlockCutter cutter_;
    std::vector<size_t> cuts_;
    std::string pending_; // the bytes from `given_` on, not yet given to a worker
    size_t given_ = 0;
};

// Queues `content` compressed as one stream, written to `file` in the task order of `work`:
// each piece is compressed on a worker and joined on the calling thread. `written` runs on the
// calling thread once the last byte is written, or once a piece failed, with whether all went
// well. `content` must not change until then.
void QueueCompressedStream(TOrderedWork& work, std::shared_ptr<const TMemoryStream> content,
                           TStream& file, std::function<void(bool)> written);
