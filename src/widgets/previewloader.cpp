#include "widgets/previewloader.h"

#include "catalogue/mediaclasses.h"
#include "catalogue/previews.h"

namespace {
// Kilobytes of pictures kept: some two hundred previews of 256 pixels.
constexpr int kCacheKilobytes = 48 * 1024;
// Icons asked for while scrolling fast are mostly gone again: only the latest are read.
constexpr size_t kQueueLimit = 256;
} // namespace

TPreviewLoader::TPreviewLoader(QObject* parent) : QObject(parent), cache_(kCacheKilobytes) {
    thread_ = std::thread([this] { Run(); });
}

TPreviewLoader::~TPreviewLoader() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

bool TPreviewLoader::Cached(const CFile* entry, QPixmap& picture) const {
    const QPixmap* found = cache_.object(entry);
    if (!found) return false;
    picture = *found;
    return true;
}

void TPreviewLoader::Request(const CMedienListe* catalogue, const CFile* entry, bool first) {
    if (!catalogue || !entry || !entry->Medium || cache_.contains(entry)) return;
    {
        std::lock_guard lock(mutex_);
        if (!asked_.insert(entry).second) {
            if (!first) return;
            // Asked for already, as an icon: the pane's turn comes first.
            for (auto it = queue_.begin(); it != queue_.end(); ++it)
                if (it->entry == entry) {
                    queue_.erase(it);
                    break;
                }
        }
        if (first) queue_.push_front({catalogue, entry});
        else queue_.push_back({catalogue, entry});
        while (queue_.size() > kQueueLimit) {
            asked_.erase(queue_[1].entry); // the oldest icon; the first may be the pane's
            queue_.erase(queue_.begin() + 1);
        }
    }
    wake_.notify_all(); // Forget may wait on it too
}

void TPreviewLoader::Forget() {
    std::unique_lock lock(mutex_);
    ++generation_;
    queue_.clear();
    asked_.clear();
    wake_.wait(lock, [this] { return !reading_; });
    lock.unlock();
    cache_.clear();
}

void TPreviewLoader::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || !queue_.empty(); });
        if (ending_) return;
        const Ask ask = queue_.front();
        queue_.pop_front();
        const uint64_t generation = generation_;
        reading_ = true;
        lock.unlock();
        QImage image;
        const std::string jpeg = PreviewBytes(*ask.catalogue, *ask.entry->Medium, ask.entry);
        if (!jpeg.empty()) image.loadFromData(QByteArrayView(jpeg), "JPEG");
        // Taken on the user-interface thread; a Forget in between makes it stale there.
        QMetaObject::invokeMethod(
            this, [this, generation, entry = ask.entry, image] { Take(generation, entry, image); },
            Qt::QueuedConnection);
        lock.lock();
        reading_ = false;
        wake_.notify_all();
    }
}

void TPreviewLoader::Take(uint64_t generation, const CFile* entry, const QImage& image) {
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_) return;
        asked_.erase(entry);
    }
    // A picture is made on this thread only; the decoding was the reader's.
    cache_.insert(entry, new QPixmap(QPixmap::fromImage(image)), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    emit Loaded(entry);
}
