#include "parallelbzip.h"

#include "blockcopy.h"
#include "streams.h"
#include "workers.h"

#include <bzlib.h>

#include <algorithm>

namespace {

// libbz2's block limit at block size 1: a block is closed once its run-length coded form
// holds this many bytes or more.
constexpr int64_t kBlockLimit = 100000 - 19;
constexpr uint64_t kEndMarker = 0x177245385090ULL;
constexpr size_t kHeaderBytes = 4; // "BZh1"
// A block starts with its 48-bit marker and then its 32-bit checksum.
constexpr size_t kBlockChecksumAt = kHeaderBytes + 6;

uint32_t BigEndian32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// The combined checksum at the end of a stream whose end marker begins at `markerBit`.
uint32_t StreamChecksum(const unsigned char* bytes, uint64_t markerBit) {
    uint32_t value = 0;
    for (uint64_t bit = markerBit + 48; bit < markerBit + 80; ++bit)
        value = value << 1 | ((bytes[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

bool CompressPiece(const char* data, size_t size, std::string& out) {
    // libbz2's own bound for the worst case: 1 % more than the input plus 600 bytes.
    unsigned room = static_cast<unsigned>(size + size / 100 + 601);
    out.resize(room);
    static char nothing = 0; // an empty stream has no buffer, and libbz2 wants one
    const int status = BZ2_bzBuffToBuffCompress(out.data(), &room, const_cast<char*>(data ? data : &nothing),
                                                static_cast<unsigned>(size), 1, 0, 0);
    if (status != BZ_OK) return false;
    out.resize(room);
    return true;
}

} // namespace

void TBlockCutter::Feed(const unsigned char* data, size_t size, std::vector<size_t>& starts) {
    const auto runBytes = [](unsigned n) { return n < 4 ? int64_t(n) : int64_t(5); };
    for (size_t k = 0; k < size; ++k) {
        const size_t i = fed_ + k;
        if (filled_ >= kBlockLimit) {
            starts.push_back(i - length_); // the open run goes to the next block
            filled_ = 0;
        }
        const unsigned c = data[k];
        if (c != run_ && length_ == 1) {
            filled_ += 1;
            run_ = c;
        } else if (c != run_ || length_ == 255) {
            if (run_ < 256) filled_ += runBytes(length_);
            run_ = c;
            length_ = 1;
        } else {
            ++length_;
        }
    }
    fed_ += size;
}

void TBlockCutter::End(std::vector<size_t>& starts) {
    if (filled_ >= kBlockLimit) starts.push_back(fed_ - length_);
}

std::vector<size_t> BzipBlockStarts(const unsigned char* data, size_t size) {
    std::vector<size_t> starts{0};
    TBlockCutter cutter;
    cutter.Feed(data, size, starts);
    cutter.End(starts);
    return starts;
}

void TBlockJoiner::AppendBits(const unsigned char* bits, uint64_t count) {
    const unsigned shift = static_cast<unsigned>(bits_ % 8);
    const size_t whole = static_cast<size_t>(count / 8);
    const unsigned rest = static_cast<unsigned>(count % 8);
    if (shift == 0) {
        pending_.insert(pending_.end(), bits, bits + whole);
        if (rest) pending_.push_back(static_cast<unsigned char>(bits[whole] & (0xFF00u >> rest)));
    } else {
        const unsigned room = 8 - shift;
        for (size_t i = 0; i < whole; ++i) {
            pending_.back() = static_cast<unsigned char>(pending_.back() | bits[i] >> shift);
            pending_.push_back(static_cast<unsigned char>(bits[i] << room));
        }
        if (rest) {
            const unsigned last = bits[whole] & (0xFF00u >> rest);
            pending_.back() = static_cast<unsigned char>(pending_.back() | last >> shift);
            if (rest > room) pending_.push_back(static_cast<unsigned char>(last << room));
        }
    }
    bits_ += count;
}

bool TBlockJoiner::Flush(bool all) {
    // A partial last byte waits for the bits that complete it.
    const size_t ready = all || bits_ % 8 == 0 ? pending_.size() : pending_.size() - 1;
    if (ready == 0) return true;
    if (file_.Write(pending_.data(), ready) != ready) return false;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(ready));
    return true;
}

bool TBlockJoiner::Add(const std::string& piece) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
    if (piece.size() < kHeaderBytes + 10 || piece.compare(0, kHeaderBytes, "BZh1") != 0)
        return false;
    const int tail = static_cast<int>(std::min<size_t>(piece.size(), kStreamTailBytes));
    const int64_t markerInTail = EndMarkerBit(bytes + piece.size() - size_t(tail), tail);
    if (markerInTail < 0) return false;
    const uint64_t marker = (piece.size() - size_t(tail)) * 8 + uint64_t(markerInTail);
    const uint64_t blockBits = marker - kHeaderBytes * 8;
    if (bits_ == 0) AppendBits(bytes, kHeaderBytes * 8);
    if (blockBits == 0) return StreamChecksum(bytes, marker) == 0 && Flush(false);
    // One block: its own checksum is the stream's. Anything else is not a piece of ours.
    const uint32_t checksum = BigEndian32(bytes + kBlockChecksumAt); // within the 14 checked
    if (StreamChecksum(bytes, marker) != checksum) return false;
    combined_ = (combined_ << 1 | combined_ >> 31) ^ checksum;
    AppendBits(bytes + kHeaderBytes, blockBits);
    return Flush(false);
}

bool TBlockJoiner::End() {
    if (bits_ == 0) return false; // no piece came
    unsigned char trailer[10];
    for (int i = 0; i < 6; ++i) trailer[i] = static_cast<unsigned char>(kEndMarker >> (40 - 8 * i));
    for (int i = 0; i < 4; ++i) trailer[6 + i] = static_cast<unsigned char>(combined_ >> (24 - 8 * i));
    AppendBits(trailer, 80);
    return Flush(true);
}

// What the pieces of one stream share as they are joined in order.
struct TPieceJoin {
    TPieceJoin(TStream& file, std::function<void(bool)> w) : joiner(file), written(std::move(w)) {}
    TBlockJoiner joiner;
    std::function<void(bool)> written; // called by the last piece's join
    bool ok = true;
};

namespace {
// Compresses `size` bytes at `data` (which `keep` holds) on a worker and joins the piece in
// order; the `last` piece ends the stream and tells `written`.
void SubmitPiece(TOrderedWork& work, const std::shared_ptr<TPieceJoin>& shared, const char* data,
                 size_t size, std::shared_ptr<const void> keep, bool last) {
    auto piece = std::make_shared<std::string>();
    auto compress = [piece, data, size, keep = std::move(keep)] {
        if (!CompressPiece(data, size, *piece)) piece->clear();
    };
    auto join = [shared, piece, last] {
        if (shared->ok) shared->ok = !piece->empty() && shared->joiner.Add(*piece);
        piece->clear();
        piece->shrink_to_fit();
        if (!last) return;
        if (shared->ok) shared->ok = shared->joiner.End();
        shared->written(shared->ok);
    };
    work.Submit(std::move(compress), std::move(join));
}
} // namespace

void QueueCompressedStream(TOrderedWork& work, std::shared_ptr<const TMemoryStream> content,
                           TStream& file, std::function<void(bool)> written) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(content->Data());
    const size_t size = static_cast<size_t>(content->Size());
    std::vector<size_t> starts = BzipBlockStarts(bytes, size);
    auto shared = std::make_shared<TPieceJoin>(file, std::move(written));
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t from = starts[k];
        const size_t to = k + 1 < starts.size() ? starts[k + 1] : size;
        const bool last = k + 1 == starts.size();
        SubmitPiece(work, shared, content->Data() + from, to - from, content, last);
    }
}

TStreamingBzip::TStreamingBzip(TOrderedWork& work, TStream& file)
    : work_(work), shared_(std::make_shared<TPieceJoin>(file, nullptr)) {}

void TStreamingBzip::Append(const char* data, size_t size) {
    cuts_.clear();
    cutter_.Feed(reinterpret_cast<const unsigned char*>(data), size, cuts_);
    pending_.append(data, size);
    for (const size_t cut : cuts_) Give(cut);
}

void TStreamingBzip::Give(size_t end) {
    auto piece = std::make_shared<const std::string>(pending_, 0, end - given_);
    pending_.erase(0, end - given_);
    given_ = end;
    SubmitPiece(work_, shared_, piece->data(), piece->size(), piece, false);
}

bool TStreamingBzip::End() {
    cuts_.clear();
    cutter_.End(cuts_);
    for (const size_t cut : cuts_) Give(cut);
    Give(given_ + pending_.size()); // the last piece, empty only when nothing came at all
    work_.Finish();
    return shared_->ok && shared_->joiner.End();
}
