#include "entrypreviews.h"

#include "entrywalk.h"
#include "mediaclasses.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cerrno>
#include <unistd.h>

TPreviewsSource::~TPreviewsSource() {
    if (fd_ >= 0) ::close(fd_);
}

std::string TPreviewsSource::Read(const TStoredPreview& picture) const {
    std::string bytes(picture.length, '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(picture.offset + int64_t(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        done += size_t(n);
    }
    if (XXH3_64bits(bytes.data(), bytes.size()) != picture.sum) return {};
    return bytes;
}

size_t TEntryPreviews::Count() const {
    size_t count = stored_.size();
    for (const auto& [entry, jpeg] : fresh_) count += jpeg.empty() ? 0 : 1;
    return count;
}

void TEntryPreviews::Set(const CFile* entry, std::string jpeg) {
    if (jpeg.empty() && stored_.empty()) fresh_.erase(entry);
    else fresh_[entry] = std::move(jpeg);
}

void TEntryPreviews::SetStored(std::shared_ptr<const TPreviewsSource> source, std::vector<TStoredPreview> stored) {
    std::lock_guard lock(finding_);
    fresh_.clear();
    source_ = stored.empty() ? nullptr : std::move(source);
    stored_ = std::move(stored);
    found_.clear();
    foundBuilt_ = false;
}

const std::string* TEntryPreviews::Fresh(const CFile* entry) const {
    if (fresh_.empty()) return nullptr;
    const auto it = fresh_.find(entry);
    return it == fresh_.end() ? nullptr : &it->second;
}

const TStoredPreview* TEntryPreviews::StoredOf(const CMedium& medium, const CFile* entry) const {
    if (stored_.empty() || !medium.ContentLoaded) return nullptr;
    std::lock_guard lock(finding_);
    if (!foundBuilt_) {
        // Numbers are found once per tree, in one walk that stops after the last picture's.
        int32_t number = 0;
        size_t next = 0;
        WalkEntries(medium.Entries(), [&](const CFile* e) {
            if (next < stored_.size() && stored_[next].number == number) found_.emplace(e, next++);
            ++number;
            return next >= stored_.size();
        });
        foundBuilt_ = true;
    }
    const auto it = found_.find(entry);
    return it == found_.end() ? nullptr : &stored_[it->second];
}

std::string TEntryPreviews::Bytes(const CMedium& medium, const CFile* entry) const {
    if (const std::string* fresh = Fresh(entry)) return *fresh;
    const TStoredPreview* stored = StoredOf(medium, entry);
    return stored && source_ ? source_->Read(*stored) : std::string();
}

void TEntryPreviews::TreeDropped() {
    std::lock_guard lock(finding_);
    fresh_.clear();
    found_.clear();
    foundBuilt_ = false;
}

void TEntryPreviews::Clear() {
    TreeDropped();
    std::lock_guard lock(finding_);
    source_.reset();
    stored_.clear();
}
