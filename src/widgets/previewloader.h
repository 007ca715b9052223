// Reads the previews the windows show, one at a time on a thread of its own, so that no key
// press waits for a read: the window asks, goes on, and hears Loaded when the picture is there.
// The pictures read are kept (a few dozen megabytes at most), for the icon view's scrolling.
#pragma once

#include <QCache>
#include <QImage>
#include <QPixmap>
#include <QObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_set>

class CFile;
class CMedienListe;

class TPreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit TPreviewLoader(QObject* parent = nullptr);
    ~TPreviewLoader() override;

    // Whether the entry's preview was read; `picture` is then it, null when it has none.
    bool Cached(const CFile* entry, QPixmap& picture) const;
    // Asks for the preview of `entry` of `catalogue`, unless it is read or asked for already.
    // `first` puts it before the others (what the pane shows comes before the icons).
    void Request(const CMedienListe* catalogue, const CFile* entry, bool first);
    // Drops what was asked for, waits for the read going on and forgets every picture: whoever
    // frees media or replaces the catalogue calls it first.
    void Forget();
    // The pictures kept, for the tests.
    int CachedCount() const { return cache_.count(); }

signals:
    void Loaded(const CFile* entry);

private:
    struct Ask {
        const CMedienListe* catalogue;
        const CFile* entry;
    };
    void Run();
    void Take(uint64_t generation, const CFile* entry, const QImage& image);

    QCache<const CFile*, QPixmap> cache_; // the user-interface thread's only
    std::unordered_set<const CFile*> asked_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Ask> queue_;
    bool reading_ = false, ending_ = false;
    uint64_t generation_ = 0;
    std::thread thread_;
};
