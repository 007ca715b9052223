// A medium's content block written and compressed while the scan is still filling the medium.
// The walk lists a folder whole before it goes down into it, so every record before the next
// folder to be entered is final: those records are written at once, and each bzip2 block of
// them is compressed on a worker while the walk goes on. The save then writes the compressed
// block as it stands, after checking that the records it would write are the same bytes.
#pragma once

#include "contentrecords.h"
#include "parallelbzip.h"
#include "streams.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A content block's compressed form, and what tells whether records are that block: their
// length and 128-bit sum (the records themselves are not kept: a scanned medium may wait long
// for its save in the window).
struct TPackedContent {
    TMemoryStream compressed;
    uint64_t recordsSize = 0;
    std::array<uint64_t, 2> recordsSum{};
    bool Holds(const TMemoryStream& records) const;
};

class TContentStream {
public:
    // `medium` is empty and is filled by one walk of its top folder.
    TContentStream(const CMedium& medium, TOrderedWork& work);
    ~TContentStream();

    // Writes the records of every entry that comes before `frontier` in the block's depth-first
    // order; null writes them all. Every entry before `frontier` must be final (its children
    // all there), and the top level complete from the first call on.
    void Advance(const CFile* frontier);
    // After the walk: the rest and the trailer; waits for the workers. The result, or null when
    // the compression failed.
    std::shared_ptr<TPackedContent> End();

private:
    void Write(const CFile* frontier);
    void Flush();

    const CMedium& medium_;
    std::shared_ptr<TPackedContent> packed_;
    TStreamingBzip bzip_;
    struct Level {
        const EntryList* list;
        int next;
    };
    std::vector<Level> stack_;
    bool started_ = false, failed_ = false;
    int32_t number_ = 0;
    TMemoryStream records_; // written and not yet handed to the compressor
    uint64_t flushedSize_ = 0;
    TWideSummer summer_; // of the records handed over
    std::vector<contentrecords::LargeSize> large_;
};

// The save takes the packed block of a medium it is about to write when its records are the
// bytes it would compress (a block offered for a medium and not taken is dropped with the
// next offer for the same medium, or with the medium). Offered and taken on one thread.
void OfferPackedContent(const CMedium* medium, std::shared_ptr<TPackedContent> packed);
std::shared_ptr<TPackedContent> TakePackedContent(const CMedium* medium);
