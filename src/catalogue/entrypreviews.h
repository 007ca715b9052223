// The previews of a medium's entries, kept beside them as their details are: those a scan made
// this session by entry, and those of a previews file by the entry's depth-first number in the
// medium, read only when asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class CFile;
class CMedium;

// One picture in a previews file: the entry's depth-first number in its medium (0 for the first
// top-level entry), where its bytes are and their XXH3-64.
struct TStoredPreview {
    int32_t number = 0;
    uint32_t length = 0;
    uint64_t sum = 0;
    int64_t offset = 0;
};

// An open previews file, shared by the media read with it. Pictures are read by position, so
// any thread may read while another does.
class TPreviewsSource {
public:
    TPreviewsSource(int descriptor, std::string name) : fd_(descriptor), name_(std::move(name)) {}
    ~TPreviewsSource();
    TPreviewsSource(const TPreviewsSource&) = delete;
    TPreviewsSource& operator=(const TPreviewsSource&) = delete;
    // The picture's bytes, or empty when they cannot be read or are not what was written.
    std::string Read(const TStoredPreview& picture) const;
    const std::string& Name() const { return name_; }

private:
    int fd_;
    std::string name_;
};

class TEntryPreviews {
public:
    bool Empty() const { return Count() == 0; }
    // Entries with a picture, counting one set over a stored one twice (at most this many).
    size_t Count() const;
    // Replaces what `entry` had; empty takes it away.
    void Set(const CFile* entry, std::string jpeg);
    // The stored pictures of a previews file, ascending by number. What was set before goes: the
    // file holds it now, or it was read afresh.
    void SetStored(std::shared_ptr<const TPreviewsSource> source, std::vector<TStoredPreview> stored);
    const std::vector<TStoredPreview>& Stored() const { return stored_; }
    const std::shared_ptr<const TPreviewsSource>& Source() const { return source_; }
    // Whether anything was set since the stored pictures came (which then cannot be copied as
    // they are).
    bool Changed() const { return !fresh_.empty(); }
    // What was set for `entry`: null when nothing was (the stored picture, if any, holds).
    const std::string* Fresh(const CFile* entry) const;
    // The stored picture of `entry` in `medium`; null when it has none.
    const TStoredPreview* StoredOf(const CMedium& medium, const CFile* entry) const;
    std::string Bytes(const CMedium& medium, const CFile* entry) const;
    // The medium's tree was dropped or taken over: entries set by address go with it, the
    // stored pictures stay, found again by number once the tree is back.
    void TreeDropped();
    void Clear();

private:
    std::unordered_map<const CFile*, std::string> fresh_; // empty: taken away
    std::shared_ptr<const TPreviewsSource> source_;
    std::vector<TStoredPreview> stored_;
    mutable std::unordered_map<const CFile*, size_t> found_; // into stored_
    mutable bool foundBuilt_ = false;
    mutable std::mutex finding_; // a window may look up from more than one thread
};
