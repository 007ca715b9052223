#include "contentstream.h"

#include <map>
#include <mutex>

using contentrecords::WriteRecord;

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
    TMemoryStream& out = packed_->records;
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
    if (size_t(out.Size()) - flushed_ >= kFlushEvery) Flush();
}

void TContentStream::Flush() {
    const size_t size = size_t(packed_->records.Size());
    bzip_.Append(packed_->records.Data() + flushed_, size - flushed_);
    flushed_ = size;
}

std::shared_ptr<TPackedContent> TContentStream::End() {
    Advance(nullptr);
    try {
        if (failed_) return nullptr;
        contentrecords::WriteLargeSizes(packed_->records, large_);
        Flush();
        if (!bzip_.End()) return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
    return std::move(packed_);
}

namespace {
std::mutex offeredMutex;
std::map<const CMedium*, std::shared_ptr<TPackedContent>>& Offered() {
    static std::map<const CMedium*, std::shared_ptr<TPackedContent>> offered;
    return offered;
}
} // namespace

void OfferPackedContent(const CMedium* medium, std::shared_ptr<TPackedContent> packed) {
    std::lock_guard<std::mutex> lock(offeredMutex);
    Offered()[medium] = std::move(packed);
}

std::shared_ptr<TPackedContent> TakePackedContent(const CMedium* medium) {
    std::lock_guard<std::mutex> lock(offeredMutex);
    auto& offered = Offered();
    const auto found = offered.find(medium);
    if (found == offered.end()) return nullptr;
    auto packed = std::move(found->second);
    offered.erase(found);
    return packed;
}
