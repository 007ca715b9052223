// Storage for one medium's entries and their names. A medium holds up to millions of entries
// that live and die together, so they come from a bump allocator owned by the medium instead of
// one heap block each: loading is faster and each entry costs only its own bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class EntryArena {
public:
    EntryArena() = default;
    EntryArena(const EntryArena&) = delete;
    EntryArena& operator=(const EntryArena&) = delete;

    void* Allocate(size_t bytes, size_t alignment);
    // A copy of the text inside the arena (not terminated).
    const char* CopyText(std::string_view text);
    // Frees every block at once; objects in them must need no destruction.
    void Reset();
    // Trades blocks with another arena: what was made in one now lives as long as the other.
    void Swap(EntryArena& other) noexcept;
    size_t BytesReserved() const { return reserved_; }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cursor_ = nullptr;
    size_t left_ = 0;
    size_t nextBlock_ = 4096;
    size_t reserved_ = 0;
};

class CFile;

// An ordered list of entry pointers whose slots live in an arena. Growth copies into a fresh
// slot array; the old one stays in the arena until the medium's content is dropped.
class EntryList {
public:
    int Count() const { return static_cast<int>(count_); }
    CFile* At(int index) const {
        return index >= 0 && static_cast<uint32_t>(index) < count_ ? items_[index] : nullptr;
    }
    CFile* const* begin() const { return items_; }
    CFile* const* end() const { return items_ + count_; }
    void Add(EntryArena& arena, CFile* entry);
    void Reserve(EntryArena& arena, uint32_t capacity);
    CFile* Extract(int index);
    void Clear() { items_ = nullptr; count_ = capacity_ = 0; }

private:
    CFile** items_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};
