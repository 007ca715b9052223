#include "contentstream.h"

#include "contenttrailers.h"

#include <utility>

using contentrecords::WriteRecord;

namespace {
std::array<uint64_t, 2> RecordsSum(const TMemoryStream& records) {
    TWideSummer summer;
    summer.Add(records.Data(), size_t(records.Size()));
    return summer.Sum();
}
} // namespace

bool TPackedContent::Holds(const TMemoryStream& records) const {
    return uint64_t(records.Size()) == recordsSize && RecordsSum(records) == recordsSum;
}

namespace {
// Records are handed to the compressor in parts of about this size: small enough that the
// workers start early, large enough that the hand-over costs nothing.
constexpr size_t kFlushEvery = 64 * 1024;
} // namespace

TContentStream::TContentStream(const CMedium& medium, TOrderedWork& work)
    : medium_(medium), packed_(std::make_shared<TPackedContent>()), bzip_(work, packed_->compressed) {}

TContentStream::~TContentStream() = default;

void TContentStream::Advance(const CFile* frontier) {
    if (failed_) return;
    try {
        Write(frontier);
    } catch (const std::exception&) { // a field the format cannot hold, memory, a worker's failure
        failed_ = true;
    }
}

void TContentStream::Write(const CFile* frontier) {
    TMemoryStream& out = records_;
    if (!started_) {
        started_ = true;
        WriteInt(out, medium_.Entries().Count());
        stack_.push_back({&medium_.Entries(), 0});
    }
    while (!stack_.empty()) {
        Level& level = stack_.back();
        if (level.next >= level.list->Count()) {
            stack_.pop_back();
            continue;
        }
        const CFile* entry = level.list->At(level.next);
        if (entry == frontier) break;
        ++level.next;
        WriteRecord(out, *entry, number_++, large_);
        if (entry->ChildCount() > 0) stack_.push_back({&entry->Children(), 0});
    }
    if (size_t(out.Size()) >= kFlushEvery) Flush();
}

void TContentStream::Flush() {
    const size_t size = size_t(records_.Size());
    summer_.Add(records_.Data(), size);
    flushedSize_ += size;
    bzip_.Append(records_.Data(), size);
    records_.Rewrite();
}

std::shared_ptr<TPackedContent> TContentStream::End() {
    Advance(nullptr);
    try {
        if (failed_) return nullptr;
        WriteContentTrailers(records_, large_, medium_.Entries());
        Flush();
        if (!bzip_.End()) return nullptr;
        packed_->recordsSize = flushedSize_;
        packed_->recordsSum = summer_.Sum();
    } catch (const std::exception&) {
        return nullptr;
    }
    return std::move(packed_);
}

void OfferPackedContent(const CMedium* medium, std::shared_ptr<TPackedContent> packed) {
    medium->PackedContent = std::move(packed);
}

std::shared_ptr<TPackedContent> TakePackedContent(const CMedium* medium) {
    return std::exchange(medium->PackedContent, nullptr);
}
