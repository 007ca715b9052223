#include "entryarena.h"

#include <cstring>
#include <utility>

namespace {
constexpr size_t kLargestBlock = size_t(1) << 20;
}

void* EntryArena::Allocate(size_t bytes, size_t alignment) {
    if (bytes == 0) bytes = 1;
    auto aligned = [&](char* p) {
        const uintptr_t v = reinterpret_cast<uintptr_t>(p);
        return reinterpret_cast<char*>((v + alignment - 1) & ~(uintptr_t(alignment) - 1));
    };
    char* start = cursor_ ? aligned(cursor_) : nullptr;
    if (!start || static_cast<size_t>(start - cursor_) + bytes > left_) {
        // Blocks double up to a ceiling, so a small medium keeps a small footprint.
        size_t size = nextBlock_;
        if (nextBlock_ < kLargestBlock) nextBlock_ *= 2;
        if (size < bytes + alignment) size = bytes + alignment;
        blocks_.emplace_back(new char[size]);
        reserved_ += size;
        cursor_ = blocks_.back().get();
        left_ = size;
        start = aligned(cursor_);
    }
    const size_t used = static_cast<size_t>(start - cursor_) + bytes;
    cursor_ += used;
    left_ -= used;
    return start;
}

const char* EntryArena::CopyText(std::string_view text) {
    if (text.empty()) return "";
    char* copy = static_cast<char*>(Allocate(text.size(), 1));
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

void EntryArena::Reset() {
    blocks_.clear();
    cursor_ = nullptr;
    left_ = 0;
    nextBlock_ = 4096;
    reserved_ = 0;
}

void EntryList::Reserve(EntryArena& arena, uint32_t capacity) {
    if (capacity <= capacity_) return;
    auto** items = static_cast<CFile**>(arena.Allocate(sizeof(CFile*) * capacity, alignof(CFile*)));
    if (count_) std::memcpy(items, items_, sizeof(CFile*) * count_);
    items_ = items;
    capacity_ = capacity;
}

void EntryList::Add(EntryArena& arena, CFile* entry) {
    if (count_ == capacity_) Reserve(arena, capacity_ < 4 ? 4 : capacity_ * 2);
    items_[count_++] = entry;
}

CFile* EntryList::Extract(int index) {
    CFile* entry = At(index);
    if (!entry) return nullptr;
    std::memmove(items_ + index, items_ + index + 1, sizeof(CFile*) * (count_ - index - 1));
    --count_;
    return entry;
}

void EntryArena::Swap(EntryArena& other) noexcept {
    blocks_.swap(other.blocks_);
    std::swap(cursor_, other.cursor_);
    std::swap(left_, other.left_);
    std::swap(nextBlock_, other.nextBlock_);
    std::swap(reserved_, other.reserved_);
}
